#include "FormMain.h"

#include "Calculator.h"
#include "Clock.h"
#include "ContactPages.h"
#include "DBGridEh.h"
#include "DMUnit.h"
#include "EditActions.h"
#include "EngineSyncService.h"
#include "ExchangeMenu.h"
#include "FormStorage.h"
#include "GroupTree.h"
#include "IniFile.h"
#include "IniLang.h"
#include "LanguageCoverage.h"
#include "LanguageSelection.h"
#include "LetterBar.h"
#include "MainActions.h"
#include "MessageBoxes.h"
#include "PendingChange.h"
#include "ProgramFolder.h"
#include "SecretStore.h"
#include "StickyMarks.h"
#include "SyncCommands.h"
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
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The narrowest the contact grids get when the left panel's width is restored.
constexpr int kMinimumGridWidth = 200;

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
    language_ = new LanguageSelection(*this, dm_, *PanelLeft);
    connect(action(QStringLiteral("acSetLanguageEng")), &QAction::triggered, language_,
            &LanguageSelection::acSetLanguageEngExecute);
    connect(action(QStringLiteral("acSetLanguageRu")), &QAction::triggered, language_,
            &LanguageSelection::acSetLanguageRuExecute);
    connect(language_, &LanguageSelection::languageLoaded, sync_, &syncui::SyncCommands::languageChanged);

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
    actions_ = mainactions::create(this);
    connect(action(QStringLiteral("acClose")), &QAction::triggered, this, &TFormMain::acCloseExecute);
    connect(action(QStringLiteral("acHelp")), &QAction::triggered, this, &TFormMain::acHelpExecute);
    connect(action(QStringLiteral("acStickyMarks")), &QAction::triggered, this, &TFormMain::acStickyMarksExecute);
    new EditActions(this, action(QStringLiteral("EditCopy1")), action(QStringLiteral("EditPaste1")),
                    action(QStringLiteral("EditCut1")), action(QStringLiteral("EditSelectAll1")),
                    action(QStringLiteral("EditDelete1")), action(QStringLiteral("EditUndo1")));
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
    // Exchange with other address books: export and import of vCard and CSV files.
    auto* exchange = new ExchangeCommands(dm_, this);
    exchange->onImported = [this] { PanelLeft->RebuildTree(); };
    bar->addMenu(exchange->menu());
    createSync(*exchange);
    addCommand("acClose");
}

void TFormMain::createSync(ExchangeCommands& exchange) {
    // CardDAV sync for the window's lifetime: its window from the exchange menu, the periodic sync and
    // the line in the status bar.
    sync_ = new syncui::SyncCommands(
        std::make_unique<syncui::EngineSyncService>(cardsync::DbLogin::of(*dm_.IBPhones),
                                                    [&exchange] { return exchange.columnTitles(); }),
        syncui::desktopSecretStore(), this);
    connect(&exchange, &ExchangeCommands::syncRequested, sync_, &syncui::SyncCommands::openWindow);
    sync_->onContactsChanged = [this] {
        // A contact being typed is not read over; the next re-read shows the server's changes.
        if (dm_.TabMain->isEditing() || dm_.TabContactGroups->isEditing())
            return;
        dm_.TabContactGroups->refresh();
        dm_.TabMain->refresh();
        PanelLeft->RebuildTree();
    };
}

void TFormMain::createToolbar() {
    SpeedBar1 = new QToolBar(this);
    SpeedBar1->setObjectName(QStringLiteral("SpeedBar1"));
    SpeedBar1->setMovable(false);
    SpeedBar1->setFloatable(false);
    SpeedBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    SpeedBar1->setIconSize(QSize(32, 32));
    SpeedBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    // Buttons side by side without gaps, as the designed bar has them: the captions of both
    // languages then fit the window's designed width.
    SpeedBar1->layout()->setSpacing(0);
    mainactions::useIconTheme();
    int count = 0;
    const char* const* names = mainactions::toolbarActions(&count);
    for (int i = 0; i < count; ++i) {
        QAction* a = action(QString::fromLatin1(names[i]));
        a->setIcon(mainactions::toolbarIcon(a->objectName()));
        SpeedBar1->addAction(a);
        if (auto* b = qobject_cast<QToolButton*>(SpeedBar1->widgetForAction(a))) {
            // 64 x 60, wider where the caption of the language loaded needs it: the bar never
            // squeezes a caption.
            auto fit = [b, a] {
                b->setText(a->text());
                b->setMinimumSize(std::max(64, b->sizeHint().width()), 60);
            };
            fit();
            connect(a, &QAction::changed, b, fit);
        }
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
        connect(w, &QWidget::customContextMenuRequested, popup,
                [popup, w](const QPoint& p) { popup->popup(w->mapToGlobal(p)); });
    }
}

void TFormMain::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const int widths[4] = {80, 180, 150, 50};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panels_[i]->setProperty(langcoverage::kDataTextProperty, true); // time and date, not interface text
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i < 2)
            panels_[i]->setAlignment(Qt::AlignCenter);
        bar->addWidget(panels_[i]);
    }
    // How the last sync went, or why the periodic sync waits.
    bar->addPermanentWidget(sync_->statusLabel(), 1);
    // A double-click anywhere on the bar reaches the window's filter (StatusBar1DblClick).

    // The third panel tells that contacts are still being read, with the count read so far.
    Dataset* contacts = dm_.TabMain.get();
    auto showReading = [this, contacts] {
        panels_[2]->setText(
            contacts->fetching()
                ? LangText("M360", "Чтение контактов: %1").arg(QLocale::system().toString(contacts->rowCount()))
                : QString());
    };
    connect(contacts, &Dataset::fetchingChanged, panels_[2], showReading);
    connect(contacts, &Dataset::rowsAppended, panels_[2], showReading);
    showReading();
}

void TFormMain::StatusBar1DblClick() {
    TFormCalculator calculator(this);
    calculator.exec();
}

void TFormMain::acStickyMarksExecute() {
    // Each note is a window of its own that lives as long as the main window.
    auto* note = new TFormStickyMarks(this);
    note->show();
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
    panels_[0]->setText(statusclock::text(QTime::currentTime()));
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormMain::FormShow() {
    language_->AutoLoadLangSet();
    {
        const IniFile grid(programfolder::userSettingsPath() + QStringLiteral("Grid.ini"));
        if (grid.readable())
            PageControl1->restoreGridLayouts(grid, QStringLiteral("TFormMain"));
    }
    // The first contact becomes current; the rest of the contacts keep coming in steps.
    if (Dataset* m = dm_.TabMain.get(); m->isOpen()) {
        try {
            m->first();
        } catch (const DbError& e) {
            msgbox::showError(e.message());
        }
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // A change still pending in any dataset is saved first; when that fails the user may go back.
    if (!closing_ && !savePendingChanges()) {
        event->ignore();
        return;
    }
    // The placement is saved by FormStorageMain.
    event->accept();
    if (closing_)
        return;
    closing_ = true;
    CloseProcedure();
}

bool TFormMain::savePendingChanges() {
    return dm_.IBPhones->savePendingChanges([this](Dataset&, const DbError& e) {
        if (unattendedClose)
            return true; // nobody to ask: the session is ending
        return msgbox::confirm(QStringLiteral("The change could not be saved:\n%1\n\nDiscard the change and close "
                                              "the program? Choose No to go back to the program.")
                                   .arg(e.message()));
    });
}

void TFormMain::CloseProcedure() {
    // Called on its own, it still saves what is pending rather than dropping it.
    dm_.IBPhones->savePendingChanges([](Dataset&, const DbError&) { return true; });
    try {
        dm_.Disconnect();
    } catch (const DbError& e) {
        // A commit that failed loses the run's unsaved changes: the user must hear of it.
        msgbox::showError(e.message());
        return;
    }
    IniFile grid(programfolder::userSettingsPath() + QStringLiteral("Grid.ini"));
    if (!grid.readable())
        return;
    PageControl1->saveGridLayouts(grid, QStringLiteral("TFormMain"));
    grid.save();
}

bool TFormMain::letterBarMaximized() const {
    return letterBarMaximized_;
}

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
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == statusBar() || (watched->parent() == statusBar() && watched->isWidgetType()))) {
        StatusBar1DblClick();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        QWidget* focused = QApplication::focusWidget();
        if (w && w->window() == this && (w == focused || (!focused && w == this))) {
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
    // A change that cannot be saved is not read over: the user goes back to it or discards it.
    if (dm_.TabMain->filtered() && !pendingchange::settleBeforeReread(*dm_.TabMain))
        return;
    try {
        dm_.TabMain->setFilterState(QString(), false);
    } catch (const DbError&) {
    }
    dfsToolBar3->pressAll();
}

void TFormMain::acHelpExecute() {
    // The help document named by the language's M020, opened with the desktop's program.
    ShellOpen(programfolder::sharedPath() + QStringLiteral("Help/") +
              LangMessage(QStringLiteral("M020"), QStringLiteral("M020")));
}
