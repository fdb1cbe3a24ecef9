#include "FormMain.h"

#include "ContactPages.h"
#include "DBGridEh.h"
#include "DMUnit.h"
#include "GroupTree.h"
#include "IniLang.h"
#include "LetterBar.h"
#include "FormStorage.h"
#include "IniFile.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "WindowPlacement.h"
#include "servis.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The narrowest the contact grids get when the left panel's width is restored.
constexpr int kMinimumGridWidth = 200;

struct ActionDef {
    const char* name;
    const char* category;
    const char* caption;
    const char* shortcut;
};

// The action list: name, category, caption, shortcut.
const ActionDef kActions[] = {
    {"EditCopy1", "Edit", "Копировать", "Ctrl+C"},
    {"EditPaste1", "Edit", "Вставить", "Ctrl+V"},
    {"EditCut1", "Edit", "Вырезать", "Ctrl+X"},
    {"EditSelectAll1", "Edit", "Выделить всё", "Ctrl+A"},
    {"EditDelete1", "Edit", "Удалить", "Del"},
    {"EditUndo1", "Edit", "Отменить", "Alt+Backspace"},
    {"acAdd", "", "Добавить запись", ""},
    {"acEdit", "", "Изменить запись", ""},
    {"acDelete", "", "Удалить запись", ""},
    {"acDel", "Records", "Delete record", ""},
    {"acShowAll", "", "Все записи", ""},
    {"acHideCurColumn", "", "Скрыть столбец", ""},
    {"acShowAllColumns", "", "Показать все столбцы", ""},
    {"acSearch", "", "Поиск", ""},
    {"acScheduler", "", "Планировщик", ""},
    {"acSchedulerAdd", "", "Добавить", ""},
    {"acSchedulerEdit", "", "Редактировать", ""},
    {"acMessage", "", "Задача", ""},
    {"acJobPostShow", "", "Должность", ""},
    {"acBusinessLineShow", "", "Род деятельности", ""},
    {"acRefBookOrgFormShow", "", "Организационно-правовая форма", ""},
    {"acRing", "", "Звонок", ""},
    {"acToExcel", "", "Excel", ""},
    {"acToHTML", "", "HTML", ""},
    {"acPrint", "", "Печать", ""},
    {"acSetLanguageEng", "Language", "Английский", ""},
    {"acSetLanguageRu", "Language", "Русский", ""},
    {"acOptionsShow", "", "Настройки", ""},
    {"acTools", "", "Инструменты", ""},
    {"acStickyMarks", "", "Липкие заметки", ""},
    {"acHelp", "", "Справка", ""},
    {"acAbout", "", "О программе", ""},
    {"acClose", "", "Закрыть", ""},
};

// Pictures of the main toolbar, from the style so that every desktop shows something fitting.
QIcon toolbarIcon(const QString& action) {
    QStyle* s = QApplication::style();
    static const std::map<QString, std::pair<const char*, QStyle::StandardPixmap>> icons = {
        {QStringLiteral("acAdd"), {"contact-new", QStyle::SP_FileDialogNewFolder}},
        {QStringLiteral("acEdit"), {"document-edit", QStyle::SP_FileDialogDetailedView}},
        {QStringLiteral("acDelete"), {"edit-delete", QStyle::SP_TrashIcon}},
        {QStringLiteral("acSearch"), {"edit-find", QStyle::SP_FileDialogContentsView}},
        {QStringLiteral("acPrint"), {"document-print", QStyle::SP_DriveFDIcon}},
        {QStringLiteral("acRing"), {"call-start", QStyle::SP_MediaVolume}},
        {QStringLiteral("acToExcel"), {"x-office-spreadsheet", QStyle::SP_FileIcon}},
        {QStringLiteral("acToHTML"), {"text-html", QStyle::SP_DriveNetIcon}},
        {QStringLiteral("acOptionsShow"), {"preferences-system", QStyle::SP_ComputerIcon}},
        {QStringLiteral("acAbout"), {"help-about", QStyle::SP_MessageBoxInformation}},
        {QStringLiteral("acHelp"), {"help-contents", QStyle::SP_DialogHelpButton}},
        {QStringLiteral("acClose"), {"application-exit", QStyle::SP_DialogCloseButton}},
    };
    auto it = icons.find(action);
    if (it == icons.end())
        return {};
    return QIcon::fromTheme(QString::fromLatin1(it->second.first), s->standardIcon(it->second.second));
}

} // namespace

TFormMain::TFormMain(TDM& dm, QWidget* parent) : QMainWindow(parent), dm_(dm) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Korvane Enterprise Edition"));
    resize(1024, 700);
    createActions();
    createMenus();
    createToolbar();
    createWorkArea();
    createStatusBar();

    FormStorageMain = new FormStorage(this, QStringLiteral("TFormMain"), true);
    FormStorageMain->restoreProperties = [this](const IniFile& f) { restoreStoredProperties(f); };
    FormStorageMain->saveProperties = [this](IniFile& f) { saveStoredProperties(f); };

    // The window sees every key before the focused control does.
    qApp->installEventFilter(this);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &TFormMain::Timer2Timer);
    Timer2->start();

    FormCreate();
}

TFormMain::~TFormMain() {
    qApp->removeEventFilter(this);
    FormStorageMain->saveIfShown();
    currentGrid_ = nullptr;
    currentDataset_ = nullptr;
}

QAction* TFormMain::action(const QString& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void TFormMain::createActions() {
    for (const ActionDef& def : kActions) {
        auto* a = new QAction(QString::fromUtf8(def.caption), this);
        a->setObjectName(QString::fromLatin1(def.name));
        a->setProperty("Category", QString::fromLatin1(def.category));
        if (*def.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(def.shortcut)));
        a->setIconVisibleInMenu(false);
        actions_[a->objectName()] = a;
    }
    action(QStringLiteral("EditCopy1"))->setToolTip(QStringLiteral("Copy"));
    action(QStringLiteral("EditPaste1"))->setToolTip(QStringLiteral("Paste"));
    action(QStringLiteral("EditCut1"))->setToolTip(QStringLiteral("Cut"));
    for (const char* name : {"EditCopy1", "EditPaste1", "EditCut1", "EditSelectAll1", "EditDelete1", "EditUndo1"})
        action(QString::fromLatin1(name))->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action(QStringLiteral("acClose")), &QAction::triggered, this, &TFormMain::acCloseExecute);
    connect(action(QStringLiteral("acHelp")), &QAction::triggered, this, &TFormMain::acHelpExecute);
    // Edit actions act on the focused text box; they are wired when the text boxes exist.
}

void TFormMain::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto addMenu = [&](const char* name, const char* caption, std::initializer_list<const char*> items) {
        QMenu* m = bar->addMenu(QString::fromUtf8(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
        for (const char* item : items)
            m->addAction(action(QString::fromLatin1(item)));
    };
    addMenu("N1", "Редактор",
            {"EditCopy1", "EditPaste1", "EditCut1", "EditSelectAll1", "EditDelete1", "EditUndo1", "acAdd", "acEdit",
             "acDelete", "acSearch", "acShowAll"});
    addMenu("N2", "Планировщик", {"acScheduler", "acSchedulerAdd", "acSchedulerEdit", "acMessage"});
    addMenu("N3", "Справочники", {"acJobPostShow", "acBusinessLineShow", "acRefBookOrgFormShow"});
    // Commands on the bar itself show their caption: an item of its own follows the action, since
    // the bar would show the toolbar's picture instead.
    auto addCommand = [&](const char* name) {
        QAction* a = action(QString::fromLatin1(name));
        QAction* item = bar->addAction(a->text());
        item->setObjectName(a->objectName() + QStringLiteral("Item"));
        connect(item, &QAction::triggered, a, &QAction::trigger);
        connect(a, &QAction::changed, item, [a, item] {
            item->setText(a->text());
            item->setEnabled(a->isEnabled());
        });
    };
    addCommand("acSearch");
    addCommand("acStickyMarks");
    addCommand("acTools");
    addMenu("N4", "Язык", {"acSetLanguageEng", "acSetLanguageRu"});
    addCommand("acAbout");
    addCommand("acClose");
}

void TFormMain::createToolbar() {
    SpeedBar1 = new QToolBar(this);
    SpeedBar1->setObjectName(QStringLiteral("SpeedBar1"));
    SpeedBar1->setMovable(false);
    SpeedBar1->setFloatable(false);
    SpeedBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    SpeedBar1->setIconSize(QSize(32, 32));
    SpeedBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const char* name : {"acAdd", "acEdit", "acDelete", "acSearch", "acPrint", "acRing", "acToExcel", "acToHTML",
                             "acOptionsShow", "acAbout", "acHelp", "acClose"}) {
        QAction* a = action(QString::fromLatin1(name));
        a->setIcon(toolbarIcon(a->objectName()));
        SpeedBar1->addAction(a);
        if (auto* b = qobject_cast<QToolButton*>(SpeedBar1->widgetForAction(a)))
            b->setMinimumSize(64, 60);
    }
    addToolBar(Qt::TopToolBarArea, SpeedBar1);
    addToolBarBreak();
}

void TFormMain::createWorkArea() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("WorkArea"));
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    dfsToolBar3 = new LetterBar(*dm_.TabMain, central);
    connect(dfsToolBar3, &LetterBar::maximizedChanged, this, [this](bool on) { letterBarMaximized_ = on; });
    v->addWidget(dfsToolBar3);
    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    PanelLeft = new GroupTree(dm_, Splitter1);
    PageControl1 = new ContactPages(*dm_.TabMain, Splitter1);
    Splitter1->addWidget(PanelLeft);
    Splitter1->addWidget(PageControl1);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({120, 900});
    v->addWidget(Splitter1, 1);
    setCentralWidget(central);

    auto wire = [this](const char* name, auto* receiver, auto slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, receiver, slot);
    };
    wire("acHideCurColumn", PageControl1, &ContactPages::acHideCurColumnExecute);
    wire("acShowAllColumns", PageControl1, &ContactPages::acShowAllColumnsExecute);
    wire("acDelete", PageControl1, &ContactPages::acDeleteExecute);
    wire("acDel", PageControl1, &ContactPages::acDelExecute);
    wire("acShowAll", PageControl1, &ContactPages::acShowAllExecute);
    connect(action(QStringLiteral("acEdit")), &QAction::triggered, this, [this] {
        if (openEditor)
            openEditor();
    });
    connect(PageControl1, &ContactPages::editRequested, this, [this] {
        if (openEditor)
            openEditor();
    });
    // The grids' popup menu.
    auto* popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("RxPopupMenu"));
    popup->addAction(action(QStringLiteral("EditCopy1")));
    auto* hide = popup->addAction(QStringLiteral("Скрыть "));
    hide->setObjectName(QStringLiteral("RxPopupMenuHideItem"));
    connect(hide, &QAction::triggered, action(QStringLiteral("acHideCurColumn")), &QAction::trigger);
    popup->addAction(action(QStringLiteral("acShowAllColumns")));
    popup->addAction(action(QStringLiteral("acDel")));
    for (auto* grid : PageControl1->grids()) {
        QWidget* w = grid;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, popup, [popup, w](const QPoint& p) {
            popup->popup(w->mapToGlobal(p));
        });
    }
}

void TFormMain::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const int widths[4] = {80, 180, 150, 50};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i < 2)
            panels_[i]->setAlignment(Qt::AlignCenter);
        bar->addWidget(panels_[i]);
    }
}

QString TFormMain::DateFormatStr(const QString& picture, const QDate& date) {
    return QLocale::system().toString(date, picture);
}

void TFormMain::FormCreate() {
    panels_[1]->setText(DateFormatStr(QLocale::system().dateFormat(QLocale::LongFormat), QDate::currentDate()));
    Timer2Timer();
    currentDataset_ = dm_.TabMain.get();
    PanelLeft->RebuildTree();
    PanelLeft->takeReopenWidth();
}

void TFormMain::Timer2Timer() {
    panels_[0]->setText(QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat));
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormMain::FormShow() {
    {
        const IniFile grid(programfolder::path() + QStringLiteral("Grid.ini"));
        if (grid.readable())
            PageControl1->restoreGridLayouts(grid, QStringLiteral("TFormMain"));
    }
    // Every contact is fetched when the list is read; the first contact becomes current.
    if (Dataset* m = dm_.TabMain.get(); m->isOpen()) {
        try {
            m->last();
            m->first();
        } catch (const DbError& e) {
            msgbox::showError(e.message());
        }
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // The program never refuses to close; the placement is saved by FormStorageMain.
    event->accept();
    if (closing_)
        return;
    closing_ = true;
    CloseProcedure();
}

void TFormMain::CloseProcedure() {
    try {
        dm_.Disconnect();
    } catch (const DbError& e) {
        // A commit that failed loses the run's unsaved changes: the user must hear of it.
        msgbox::showError(e.message());
        return;
    }
    IniFile grid(programfolder::path() + QStringLiteral("Grid.ini"));
    if (!grid.readable())
        return;
    PageControl1->saveGridLayouts(grid, QStringLiteral("TFormMain"));
    grid.save();
}

bool TFormMain::letterBarMaximized() const { return letterBarMaximized_; }

void TFormMain::setLetterBarMaximized(bool on) {
    letterBarMaximized_ = on;
    dfsToolBar3->setMaximized(on);
}

void TFormMain::restoreStoredProperties(const IniFile& f) {
    const QString s = QStringLiteral("TFormMain");
    if (f.hasKey(s, QStringLiteral("dfsToolBar3_Maximized"))) {
        const QString v = f.readString(s, QStringLiteral("dfsToolBar3_Maximized"));
        if (v.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            setLetterBarMaximized(true);
        else if (v.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            setLetterBarMaximized(false);
    }
    if (f.hasKey(s, QStringLiteral("PageControl1_ActivePage"))) {
        const QString page = f.readString(s, QStringLiteral("PageControl1_ActivePage"));
        for (int i = 0; i < PageControl1->count(); ++i)
            if (PageControl1->widget(i)->objectName() == page)
                PageControl1->setCurrentIndex(i);
    }
    if (f.hasKey(s, QStringLiteral("PanelLeft_Width"))) {
        bool ok = false;
        const int w = f.readString(s, QStringLiteral("PanelLeft_Width")).toInt(&ok);
        if (ok && w >= 0) {
            // Both sides stay usable: the splitter spans the window, whose size is restored by now.
            const int total = std::max(width(), 200) - Splitter1->handleWidth();
            const int left = placement::fitSplit(w, total, 20, kMinimumGridWidth);
            Splitter1->setSizes({left, std::max(total - left, 0)});
        }
    }
}

void TFormMain::saveStoredProperties(IniFile& f) {
    const QString s = QStringLiteral("TFormMain");
    f.writeString(s, QStringLiteral("dfsToolBar3_Maximized"),
                  letterBarMaximized_ ? QStringLiteral("True") : QStringLiteral("False"));
    QWidget* page = PageControl1->currentWidget();
    f.writeString(s, QStringLiteral("PageControl1_ActivePage"), page ? page->objectName() : QStringLiteral("(null)"));
    f.writeInteger(s, QStringLiteral("PanelLeft_Width"), Splitter1->sizes().value(0));
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this && w == QApplication::focusWidget()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1)
                acHelpExecute();
            else if (key->key() == Qt::Key_Space)
                spacePressed();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::spacePressed() {
    try {
        dm_.TabMain->setFilterState(QString(), false);
    } catch (const DbError&) {
    }
    dfsToolBar3->pressAll();
}

void TFormMain::acHelpExecute() {
    // The help document named by the language's M020, opened with the desktop's program.
    ShellOpen(programfolder::path() + QStringLiteral("Help/") + LangMessage(QStringLiteral("M020"), QStringLiteral("M020")));
}
