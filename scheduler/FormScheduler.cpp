#include "FormScheduler.h"

#include "DBGridEh.h"
#include "DBNavigator.h"
#include "DMUnit.h"
#include "DataWindowBar.h"
#include "DbError.h"
#include "DesktopNotifier.h"
#include "FormLateReminders.h"
#include "FormMessage.h"
#include "GridDelegates.h"
#include "IniFile.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "ReminderEngine.h"
#include "ReminderPlayer.h"
#include "ReminderSound.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("TFormScheduler");

QStringList numbers(int from, int to, int step) {
    QStringList list;
    for (int i = from; i <= to; i += step)
        list << QString::number(i);
    return list;
}

// A button of the bar: 64 x 60, wider where its caption needs it, and never narrower than that
// (the bar widens the window rather than cutting a caption).
class BarButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override { return QToolButton::sizeHint().expandedTo(QSize(64, 60)); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

TFormScheduler::TFormScheduler(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setObjectName(QStringLiteral("FormScheduler"));
    setWindowTitle(QStringLiteral("Планировщик"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(414, 417);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createBar();
    layout->addWidget(ToolBar1);
    createGrid();
    layout->addWidget(DBGridEh1, 1);
    createBottom();

    MediaPlayer1 = new ReminderPlayer(this);
    playSound = [this](const QString& file) { MediaPlayer1->play(file); };
    notifyDesktop = [](const Reminder& r) { desktopnotify::send(r); };
    askFindText = [](QWidget* owner) {
        return QInputDialog::getText(owner, LangText("M263", "Поиск"), LangText("M264", "Задача:"));
    };

    engine = new ReminderEngine(*dm_.TabScheduler, this);
    engine->onError = [](const QString& m) { msgbox::showError(m); };
    engine->onReminder = [this](const Reminder& r) { raiseReminder(r); };
    engine->onLateReminders = [this](const std::vector<Reminder>& list) { raiseLateReminders(list); };
    // A half-typed cell belongs to the task before the check saves it.
    engine->beforeCheck = [this] { DBGridEh1->commitOpenEditor(); };
}

TFormScheduler::~TFormScheduler() {
    FormDestroy();
    for (const auto& w : reminders_)
        delete w.data();
    delete lateList_.data();
}

void TFormScheduler::createBar() {
    ToolBar1 = new QWidget(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(64);
    ToolBar1->setAutoFillBackground(true);
    // The bar's background: a soft gradient of the window's own colours.
    QPalette p = ToolBar1->palette();
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, p.color(QPalette::Window).lighter(112));
    g.setColorAt(1, p.color(QPalette::Window).darker(108));
    p.setBrush(QPalette::Window, g);
    ToolBar1->setPalette(p);
    auto* row = new QHBoxLayout(ToolBar1);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(0);

    auto action = [this](const char* name, const char* caption) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    acDelete = action("acDelete", "Удалить");
    acFind = action("acFind", "Поиск");
    acPrint = action("acPrint", "Печать");
    acToExcel = action("acToExcel", "Excel");

    QStyle* s = style();
    auto button = [&](const char* name, const char* caption, const char* theme, QStyle::StandardPixmap fallback,
                      QAction* a) {
        auto* b = new BarButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        if (a) {
            a->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), s->standardIcon(fallback)));
            b->setDefaultAction(a);
        } else {
            b->setText(QString::fromUtf8(caption));
            b->setIcon(QIcon::fromTheme(QString::fromLatin1(theme), s->standardIcon(fallback)));
        }
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setIconSize(QSize(32, 32));
        b->setMaximumHeight(60);
        b->setFocusPolicy(Qt::NoFocus);
        // Six captions side by side in the window's designed width.
        QFont f = b->font();
        f.setPointSizeF(f.pointSizeF() * 0.88);
        b->setFont(f);
        row->addWidget(b);
        return b;
    };
    ToolButton1 = button("ToolButton1", "Добавить", "document-new", QStyle::SP_FileDialogNewFolder, nullptr);
    ToolButton2 = button("ToolButton2", "Редактировать", "document-edit", QStyle::SP_FileDialogDetailedView, nullptr);
    ToolButton3 = button("ToolButton3", "", "edit-delete", QStyle::SP_TrashIcon, acDelete);
    ToolButton4 = button("ToolButton4", "", "edit-find", QStyle::SP_FileDialogContentsView, acFind);
    ToolButton5 = button("ToolButton5", "", "document-print", QStyle::SP_DriveFDIcon, acPrint);
    ToolButton6 = button("ToolButton6", "", "x-office-spreadsheet", QStyle::SP_FileIcon, acToExcel);
    row->addStretch(1);

    connect(acDelete, &QAction::triggered, this, &TFormScheduler::acDeleteExecute);
    connect(acFind, &QAction::triggered, this, &TFormScheduler::acFindExecute);
}

void TFormScheduler::createGrid() {
    DBGridEh1 = new DBGridEh(QStringLiteral("DBGridEh1"), this);
    std::vector<GridColumnDef> columns;
    auto add = [&](const char* field, bool centred, int width) {
        GridColumnDef c;
        c.field = QString::fromLatin1(field);
        c.sortable = false;
        c.titleLeft = !centred;
        c.width = width;
        columns.push_back(c);
    };
    add("ContactDate", true, 0);
    add("ContactHour", true, 0);
    add("ContactMin", true, 0);
    add("Contact", true, 0);
    add("NotyfiBehindDays", false, 107);
    add("NotyfiBehindHours", false, 102);
    add("NotyfiBehindMin", false, 112);
    add("ContactDesc", true, 0);
    DBGridEh1->setColumns(dm_.TabScheduler.get(), std::move(columns));
    DBGridEh1->setEditable(true);
    auto* dates = new DateCellDelegate(DBGridEh1);
    dates->onError = [this](const QString& m) { DBGridEh1->onError(m); };
    DBGridEh1->setItemDelegateForColumn(0, dates);
    DBGridEh1->setItemDelegateForColumn(1, new PickListDelegate(numbers(1, 24, 1), DBGridEh1));
    DBGridEh1->setItemDelegateForColumn(2, new PickListDelegate(numbers(0, 55, 5), DBGridEh1));
    connect(DBGridEh1, &DBGridEh::dblClick, this, &TFormScheduler::DBGridEh1DblClick);
    // The date and hour cells show their whole text as a tip when it does not fit.
    DBGridEh1->viewport()->installEventFilter(this);
}

bool TFormScheduler::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DBGridEh1->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = DBGridEh1->indexAt(help->pos());
        const int date = DBGridEh1->columnOf(QStringLiteral("ContactDate"));
        const int hour = DBGridEh1->columnOf(QStringLiteral("ContactHour"));
        if (index.isValid() && (index.column() == date || index.column() == hour)) {
            const QString text = index.data(Qt::DisplayRole).toString();
            const int room = DBGridEh1->columnWidth(index.column()) - 6;
            if (!text.isEmpty() && DBGridEh1->fontMetrics().horizontalAdvance(text) > room)
                QToolTip::showText(help->globalPos(), text, DBGridEh1->viewport(), DBGridEh1->visualRect(index));
            else
                QToolTip::hideText();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormScheduler::createBottom() {
    const DataWindowBar bar = makeDataWindowBar(this, QStringLiteral("Panel1"), 41, dm_.dsScheduler.get(), 72);
    DBNavigator1 = bar.navigator;
    DBNavigator1->setVisibleButtons({DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last,
                                     DBNavigator::Post, DBNavigator::Cancel, DBNavigator::Refresh});
    BitBtn1 = bar.ok;
    BitBtn2 = bar.cancel;
    layout()->addWidget(bar.panel);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout()->addWidget(StatusBar1);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormScheduler::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormScheduler::BitBtn2Click);
}

// ---- opening and closing ----

void TFormScheduler::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormScheduler::FormShow() {
    Dataset& tasks = *dm_.TabScheduler;
    try {
        if (!tasks.isOpen() && dm_.IBPhones && dm_.IBPhones->connected())
            tasks.open();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
    const IniFile file(programfolder::userSettingsPath() + QStringLiteral("Grid.ini"));
    if (file.readable())
        restoreGridLayout(file);
}

void TFormScheduler::FormDestroy() {
    try {
        IniFile file(programfolder::userSettingsPath() + QStringLiteral("Grid.ini"));
        saveGridLayout(file);
        file.save();
    } catch (...) {
        // A layout that cannot be written is lost without a word.
    }
}

void TFormScheduler::restoreGridLayout(const IniFile& file) {
    GridColumns state = DBGridEh1->columnState();
    ::RestoreGridLayout(state, file, kSection, DBGridEh1->objectName(), AllLayoutParts);
    DBGridEh1->setColumnState(state);
}

void TFormScheduler::saveGridLayout(IniFile& file) const {
    ::SaveGridLayout(DBGridEh1->columnState(), file, kSection, DBGridEh1->objectName());
}

void TFormScheduler::BitBtn1Click() {
    DBGridEh1->commitOpenEditor();
    if (!postClosingWindow(*dm_.TabScheduler))
        return; // refused: the window stays open with the typed values
    done(QDialog::Accepted);
}

void TFormScheduler::BitBtn2Click() {
    DBGridEh1->discardOpenEditor();
    cancelClosingWindow(*dm_.TabScheduler);
    done(QDialog::Rejected);
}

void TFormScheduler::reject() {
    BitBtn2Click();
}

void TFormScheduler::closeEvent(QCloseEvent* event) {
    // The close box neither saves nor discards.
    DBGridEh1->commitOpenEditor();
    event->accept();
    done(QDialog::Rejected);
}

// ---- commands ----

void TFormScheduler::acDeleteExecute() {
    if (!msgbox::confirm(LangMessage(QStringLiteral("M002"), QStringLiteral("M002"))))
        return;
    try {
        dm_.TabScheduler->deleteCurrent();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void TFormScheduler::acFindExecute() {
    const QString text = askFindText ? askFindText(this).trimmed() : QString();
    if (text.isEmpty())
        return;
    Dataset& tasks = *dm_.TabScheduler;
    if (!tasks.isOpen() || tasks.isEmpty())
        return;
    const int name = tasks.fieldByName(QStringLiteral("Contact")).index();
    const int desc = tasks.fieldByName(QStringLiteral("ContactDesc")).index();
    tasks.fetchAll(); // the search goes round every task
    const int count = tasks.rowCount();
    // From the task after the current one, round to the current one itself.
    for (int i = 1; i <= count; ++i) {
        const int r = (tasks.currentRow() + i) % count;
        if (tasks.displayText(r, name).contains(text, Qt::CaseInsensitive) ||
            tasks.displayText(r, desc).contains(text, Qt::CaseInsensitive)) {
            try {
                tasks.moveTo(r);
            } catch (const DbError& e) {
                msgbox::showError(e.message());
            }
            return;
        }
    }
    QApplication::beep();
}

void TFormScheduler::DBGridEh1DblClick() {
    if (openEditor)
        openEditor();
}

// ---- reminders ----

QString TFormScheduler::soundFile() const {
    return remindersound::resolve(programfolder::sharedPath(), dm_.settings().onTaskSound);
}

QList<TFormMessage*> TFormScheduler::reminderWindows() const {
    QList<TFormMessage*> list;
    for (const auto& w : reminders_)
        if (w)
            list << w.data();
    return list;
}

void TFormScheduler::raiseReminder(const Reminder& r) {
    // A window of its own, owned by no other window, that closes and goes when OK is pressed.
    auto* w = new TFormMessage(nullptr);
    w->setObjectName(QStringLiteral("FormMessageReminder"));
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setModal(false);
    w->showReminder(r);
    reminders_.removeAll(nullptr);
    reminders_ << w;
    w->show();
    w->raise();
    w->repaint();
    try {
        if (playSound)
            playSound(soundFile());
    } catch (...) {
    }
    if (notifyDesktop)
        notifyDesktop(r);
}

TFormLateReminders* TFormScheduler::lateRemindersWindow() const {
    return lateList_.data();
}

void TFormScheduler::raiseLateReminders(const std::vector<Reminder>& list) {
    if (list.empty())
        return;
    if (!lateList_) {
        // Like a reminder window: owned by no other window, gone when closed.
        lateList_ = new TFormLateReminders(nullptr);
        lateList_->setAttribute(Qt::WA_DeleteOnClose);
        lateList_->setModal(false);
    }
    lateList_->addReminders(list);
    lateList_->show();
    lateList_->raise();
    lateList_->repaint();
    try {
        if (playSound)
            playSound(soundFile());
    } catch (...) {
    }
    if (notifyDesktop) {
        Reminder summary;
        summary.task = lateList_->windowTitle();
        summary.description = lateList_->LabelCount->text();
        notifyDesktop(summary);
    }
}
