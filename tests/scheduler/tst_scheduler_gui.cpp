// The scheduler window, the task editor and the reminder windows against a real database, offscreen.
#include "DBGridEh.h"
#include "DBNavigator.h"
#include "DataBindings.h"
#include "DatasetTableModel.h"
#include "DbControls.h"
#include "FormLateReminders.h"
#include "FormMessage.h"
#include "FormScheduler.h"
#include "FormSchedulerEdit.h"
#include "IniFile.h"
#include "ReminderEngine.h"
#include "ReminderPlayer.h"
#include "SchedulerFixture.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using schedtest::Task;

namespace {
const QDate kDay(2026, 3, 10);

// A scheduler window whose sound and desktop notification are recorded.
struct Scheduler {
    TFormScheduler form;
    QStringList sounds;
    QList<Reminder> notified;
    explicit Scheduler(TDM& dm) : form(dm) {
        form.playSound = [this](const QString& f) { sounds << f; };
        form.notifyDesktop = [this](const Reminder& r) { notified << r; };
        // Checks run when the test says, never at a minute of the real clock.
        form.engine->TimerScheduler->stop();
    }
};

QModelIndex cell(TFormScheduler& f, int row, const char* field) {
    return f.DBGridEh1->model()->index(row, f.DBGridEh1->columnOf(QString::fromLatin1(field)));
}
} // namespace

class TestSchedulerGui : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gridColumns();
    void navigatorButtons();
    void deleteAnsweredNo();
    void deleteAnsweredYes();
    void cancelAfterAddRemovesTask();
    void okAfterAddKeepsTask();
    void gridTypingSavedByOk();
    void gridTypingSavedByMoving();
    void gridTypingCancelled();
    void escCancels();
    void hour24FromPickList();
    void badDateInGridKeepsDate();
    void layoutAfterRestart();
    void remindersRaiseWindows();
    void lateRemindersOpenOneListWindow();
    void reminderWrapsALongWord_data();
    void reminderWrapsALongWord();
    void missingSoundStillShowsWindow();
    void onTaskSoundOverrides();
    void editorTaskSavedByCheckKeptAfterCancel();
    void editorBoxesAndTabOrder();
    void messageShowsInitialTexts();
    void exportAndPrintButtonsCarryTheirActions();
};

void TestSchedulerGui::gridColumns() {
    schedtest::Db db;
    Scheduler s(*db.dm);
    DBGridEh* g = s.form.DBGridEh1;
    const QStringList titles = {u"Дата"_qs,
                                u"Час"_qs,
                                u"Минуты"_qs,
                                u"Задача"_qs,
                                u"Сообщать за дней"_qs,
                                u"Сообщать за часов"_qs,
                                u"Сообщать за минут"_qs,
                                u"Описание"_qs};
    QCOMPARE(g->model()->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(g->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        const auto align = g->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
        QCOMPARE(bool(align & Qt::AlignHCenter), c < 4 || c == 7);
    }
    QCOMPARE(g->storedWidth(4), 107);
    QCOMPARE(g->storedWidth(5), 102);
    QCOMPARE(g->storedWidth(6), 112);
    QVERIFY(s.form.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(s.form.windowTitle(), u"Планировщик"_qs);
}

void TestSchedulerGui::navigatorButtons() {
    schedtest::Db db;
    Scheduler s(*db.dm);
    s.form.show();
    DBNavigator* n = s.form.DBNavigator1;
    for (auto b : {DBNavigator::Insert, DBNavigator::Delete, DBNavigator::Edit})
        QVERIFY(!n->button(b)->isVisible());
    for (auto b : {DBNavigator::First, DBNavigator::Prior, DBNavigator::Next, DBNavigator::Last, DBNavigator::Post,
                   DBNavigator::Cancel, DBNavigator::Refresh})
        QVERIFY(n->button(b)->isVisible());
    QCOMPARE(n->hintOf(DBNavigator::Refresh), u"Сохранить все изменения"_qs);
    TFormSchedulerEdit editor(*db.dm);
    editor.show();
    for (int b = 0; b < DBNavigator::kButtonCount; ++b)
        QVERIFY(editor.DBNavigator1->button(DBNavigator::Button(b))->isVisible());
}

void TestSchedulerGui::deleteAnsweredNo() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    schedtest::Boxes boxes;
    boxes.answer = QMessageBox::No;
    s.form.acDelete->trigger();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].kind, msgbox::Kind::Question);
    QCOMPARE(boxes.shown[0].text, u"M002"_qs);
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs, u"Два"_qs}));
}

void TestSchedulerGui::deleteAnsweredYes() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    db.tasks().first();
    schedtest::Boxes boxes;
    boxes.answer = QMessageBox::Yes;
    s.form.ToolButton3->click();
    QCOMPARE(db.storedNames(), QStringList({u"Два"_qs}));
}

void TestSchedulerGui::cancelAfterAddRemovesTask() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    TFormSchedulerEdit editor(*db.dm);
    QTimer::singleShot(0, &editor, [&] {
        QVERIFY(editor.isVisible());
        QCOMPARE(db.tasks().state(), Dataset::State::Insert);
        editor.bindings()->typeText(editor.DBEdit1, u"Новая"_qs);
        QTest::keyClick(&editor, Qt::Key_Escape);
    });
    editor.acSchedulerAddExecute();
    QVERIFY(!editor.isVisible());
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs}));
}

void TestSchedulerGui::okAfterAddKeepsTask() {
    schedtest::Db db;
    TFormSchedulerEdit editor(*db.dm);
    QTimer::singleShot(0, &editor, [&] {
        editor.bindings()->typeText(editor.DBEdit1, u"Новая"_qs);
        editor.bindings()->typeText(editor.DBEdit2, u"24"_qs);
        editor.BitBtn1->click();
    });
    editor.acSchedulerAddExecute();
    Dataset& d = db.tasks();
    QCOMPARE(db.storedNames(), QStringList({u"Новая"_qs}));
    // The notify-ahead values left empty are stored as 0; the hour as typed, unchecked.
    QCOMPARE(d.value(u"NotyfiBehindDays"_qs), QVariant(0));
    QCOMPARE(d.value(u"ContactHour"_qs), QVariant(24));
}

void TestSchedulerGui::gridTypingSavedByOk() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    QVERIFY(s.form.DBGridEh1->model()->setData(cell(s.form, 0, "Contact"), u"Изменён"_qs));
    QVERIFY(db.tasks().isEditing());
    s.form.BitBtn1->click();
    QVERIFY(!s.form.isVisible());
    QCOMPARE(db.storedNames(), QStringList({u"Изменён"_qs}));
}

void TestSchedulerGui::gridTypingSavedByMoving() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    DBGridEh* g = s.form.DBGridEh1;
    g->setCurrentIndex(cell(s.form, 0, "Contact"));
    QVERIFY(g->model()->setData(cell(s.form, 0, "Contact"), u"Первый"_qs));
    g->setCurrentIndex(cell(s.form, 1, "Contact"));
    QCOMPARE(db.tasks().currentRow(), 1);
    QCOMPARE(db.storedNames(), QStringList({u"Первый"_qs, u"Два"_qs}));
}

void TestSchedulerGui::gridTypingCancelled() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    QVERIFY(s.form.DBGridEh1->model()->setData(cell(s.form, 0, "Contact"), u"Изменён"_qs));
    s.form.BitBtn2->click();
    QVERIFY(!db.tasks().isEditing());
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs}));
}

void TestSchedulerGui::escCancels() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    QTimer::singleShot(0, &s.form, [&] {
        QVERIFY(s.form.DBGridEh1->model()->setData(cell(s.form, 0, "Contact"), u"Изменён"_qs));
        QTest::keyClick(&s.form, Qt::Key_Escape);
    });
    s.form.exec();
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs}));
}

void TestSchedulerGui::hour24FromPickList() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    DBGridEh* g = s.form.DBGridEh1;
    const QModelIndex hour = cell(s.form, 0, "ContactHour");
    g->setCurrentIndex(hour);
    g->edit(hour);
    auto* combo = qobject_cast<QComboBox*>(g->indexWidget(hour));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 24);
    QCOMPARE(combo->itemText(0), u"1"_qs);
    QCOMPARE(combo->itemText(23), u"24"_qs);
    combo->setCurrentIndex(23);
    Q_EMIT combo->activated(23);
    QCOMPARE(db.tasks().value(u"ContactHour"_qs), QVariant(24));
    // The minutes offer 0 to 55 in steps of 5; any number can still be typed.
    const QModelIndex minute = cell(s.form, 0, "ContactMin");
    g->setCurrentIndex(minute);
    g->edit(minute);
    combo = qobject_cast<QComboBox*>(g->indexWidget(minute));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 12);
    QCOMPARE(combo->itemText(11), u"55"_qs);
    combo->setEditText(u"7"_qs);
    g->commitOpenEditor();
    QCOMPARE(db.tasks().value(u"ContactMin"_qs), QVariant(7));
    s.form.BitBtn1->click();
    db.storedNames();
    QCOMPARE(db.tasks().value(0, db.tasks().fieldByName(u"ContactHour"_qs).index()), QVariant(24));
}

void TestSchedulerGui::badDateInGridKeepsDate() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    s.form.show();
    QStringList errors;
    s.form.DBGridEh1->onError = [&](const QString& m) { errors << m; };
    DBGridEh* g = s.form.DBGridEh1;
    const QModelIndex date = cell(s.form, 0, "ContactDate");
    g->setCurrentIndex(date);
    g->edit(date);
    auto* edit = qobject_cast<QLineEdit*>(g->indexWidget(date));
    QVERIFY(edit);
    edit->setText(u"тридцать второе"_qs);
    g->commitOpenEditor();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(db.tasks().value(u"ContactDate"_qs), QVariant(kDay));
}

void TestSchedulerGui::layoutAfterRestart() {
    schedtest::Db db;
    {
        Scheduler s(*db.dm);
        s.form.show();
        QHeaderView* h = s.form.DBGridEh1->horizontalHeader();
        h->moveSection(h->visualIndex(3), 0); // "Задача" first
        h->resizeSection(7, 233);
    } // destroying the window writes its layout
    const IniFile file(db.folder.path() + u"Grid.ini"_qs);
    const QStringList words = file.readString(u"TFormScheduler"_qs, u"DBGridEh1.Contact"_qs).split(u',');
    QCOMPARE(words.size(), 7);
    QCOMPARE(words[0], u"0"_qs);
    QCOMPARE(file.readString(u"TFormScheduler"_qs, u"DBGridEh1.ContactDesc"_qs).split(u',').value(1), u"233"_qs);
    Scheduler again(*db.dm);
    again.form.show();
    QCOMPARE(again.form.DBGridEh1->position(3), 0);
    QCOMPARE(again.form.DBGridEh1->storedWidth(7), 233);
}

void TestSchedulerGui::remindersRaiseWindows() {
    schedtest::Db db;
    db.add(
        {u"Первая"_qs, kDay, 9, 5, 0, 0, 0, u"Длинное описание задачи, которое не помещается в одну строку окна"_qs});
    db.add({u"Вторая"_qs, kDay, 9, 15, 0, 0, 10, QString()});
    db.add({u"Не сейчас"_qs, kDay, 10, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    TFormMessage shared;
    s.form.engine->setClock([] { return QDateTime(kDay, QTime(9, 5, 20)); });
    s.form.engine->CheckReminders();
    const auto windows = s.form.reminderWindows();
    QCOMPARE(windows.size(), 2);
    QCOMPARE(windows[0]->lbTask->text(), u"Первая"_qs);
    QCOMPARE(windows[0]->lbTime->text(), u"9:5"_qs);
    QCOMPARE(windows[1]->lbTime->text(), u"9:15"_qs);
    QVERIFY(windows[0]->isVisible() && !windows[0]->isModal());
    QCOMPARE(windows[0]->pos(), windows[1]->pos());
    QCOMPARE(windows[0]->size(), QSize(319, 223));
    // One sound per reminder: the second restarts it.
    QCOMPARE(s.sounds.size(), 2);
    QCOMPARE(s.sounds[0], db.folder.path() + u"Sounds/Notify.wav"_qs);
    QCOMPARE(s.notified.size(), 2);
    // The shared window keeps its own texts.
    QCOMPARE(shared.lbTask->text(), u"lbTask"_qs);
    // OK closes one reminder and leaves the other.
    windows[0]->BitBtn1->click();
    QTRY_COMPARE(s.form.reminderWindows().size(), 1);
}

void TestSchedulerGui::missingSoundStillShowsWindow() {
    schedtest::Db db; // its program folder has no Sounds folder
    db.add({u"Без звука"_qs, kDay, 9, 5, 0, 0, 0, QString()});
    TFormScheduler form(*db.dm);
    form.engine->TimerScheduler->stop();
    form.notifyDesktop = [](const Reminder&) {};
    schedtest::Boxes boxes;
    form.engine->setClock([] { return QDateTime(kDay, QTime(9, 5)); });
    form.engine->CheckReminders();
    QCOMPARE(form.reminderWindows().size(), 1);
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(form.MediaPlayer1->fileName(), db.folder.path() + u"Sounds/Notify.wav"_qs);
}

void TestSchedulerGui::onTaskSoundOverrides() {
    schedtest::Db db;
    QFile wave(db.folder.path() + u"chime.wav"_qs);
    QVERIFY(wave.open(QIODevice::WriteOnly));
    wave.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    wave.close();
    {
        IniFile ini(db.folder.iniPath());
        ini.writeString(u"Path"_qs, u"OnTaskSound"_qs, u"chime.wav"_qs);
        ini.save();
    }
    db.dm->LoadSettings();
    Scheduler s(*db.dm);
    QCOMPARE(s.form.soundFile(), db.folder.path() + u"chime.wav"_qs);
}

void TestSchedulerGui::editorTaskSavedByCheckKeptAfterCancel() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    TFormSchedulerEdit editor(*db.dm);
    QTimer::singleShot(0, &editor, [&] {
        editor.bindings()->typeText(editor.DBEdit1, u"Новая"_qs);
        // The minute changes while the editor is open.
        s.form.engine->CheckReminders();
        QCOMPARE(editor.DBEdit1->text(), u"Новая"_qs);
        editor.bindings()->typeText(editor.DBEdit1, u"Новая, потом"_qs);
        editor.BitBtn2->click();
    });
    editor.acSchedulerAddExecute();
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs, u"Новая"_qs}));
}

void TestSchedulerGui::editorBoxesAndTabOrder() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 9, 5, 1, 2, 3, u"Описание"_qs});
    TFormSchedulerEdit editor(*db.dm);
    editor.show();
    QCOMPARE(editor.DBEdit1->text(), u"Один"_qs);
    QCOMPARE(editor.DBEdit2->text(), u"9"_qs);
    QCOMPARE(editor.DBEdit3->text(), u"5"_qs);
    QCOMPARE(editor.DBEdit6->text(), u"3"_qs);
    QCOMPARE(editor.DBDateEdit1->date(), kDay);
    QCOMPARE(editor.DBMemo1->toPlainText(), u"Описание"_qs);
    QWidget* order[] = {editor.DBEdit1, editor.DBDateEdit1->lineEdit(),
                        editor.DBEdit2, editor.DBEdit3,
                        editor.DBEdit4, editor.DBEdit5,
                        editor.DBEdit6, editor.DBMemo1};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        // The next control that Tab reaches.
        QWidget* next = order[i - 1]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(&editor))
            next = next->nextInFocusChain();
        QCOMPARE(next, order[i]);
    }
    // A date box emptied holds no date.
    editor.bindings()->typeText(editor.DBDateEdit1->lineEdit(), QString());
    QVERIFY(db.tasks().value(u"ContactDate"_qs).isNull());
    // A sign alone is not yet a wrong number.
    schedtest::Boxes boxes;
    editor.DBEdit4->setFocus();
    editor.DBEdit4->selectAll();
    QTest::keyClicks(editor.DBEdit4, u"-2"_qs);
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(db.tasks().value(u"NotyfiBehindDays"_qs), QVariant(-2));
    editor.BitBtn2->click();
}

void TestSchedulerGui::messageShowsInitialTexts() {
    TFormMessage m;
    QCOMPARE(m.windowTitle(), u"Задача"_qs);
    QCOMPARE(m.lbTask->text(), u"lbTask"_qs);
    QCOMPARE(m.lbDate->text(), u"lbDate"_qs);
    QCOMPARE(m.lbTime->text(), u"lbTime"_qs);
    QCOMPARE(m.lbDesc->text(), u"lbDesc"_qs);
    QVERIFY(m.windowFlags() & Qt::WindowStaysOnTopHint);
    QTimer::singleShot(0, &m, [&] { m.BitBtn1->click(); });
    m.exec();
    QVERIFY(!m.isVisible());
}

void TestSchedulerGui::exportAndPrintButtonsCarryTheirActions() {
    schedtest::Db db;
    Scheduler s(*db.dm);
    QCOMPARE(s.form.ToolButton5->defaultAction(), s.form.acPrint);
    QCOMPARE(s.form.ToolButton6->defaultAction(), s.form.acToExcel);
    QVERIFY(s.form.ToolButton5->isEnabled());
    QCOMPARE(s.form.ToolButton6->text(), u"Excel"_qs);
}

QTEST_MAIN(TestSchedulerGui)
#include "tst_scheduler_gui.moc"

// Back from a weekend asleep: the reminders more than 15 minutes late open one list window, with
// one sound and one notification; those of the last 15 minutes open their own windows. Reminders
// caught up later join the list while it is open.
void TestSchedulerGui::lateRemindersOpenOneListWindow() {
    schedtest::Db db;
    db.add({u"Позвонить в банк"_qs, kDay.addDays(-2), 11, 0, 0, 0, 0, u"Уточнить остаток по счёту"_qs});
    db.add({u"Отчёт"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    db.add({u"Сейчас"_qs, kDay, 9, 50, 0, 0, 0, QString()});
    db.add({u"Позже"_qs, kDay, 12, 0, 0, 0, 0, QString()});
    Scheduler s(*db.dm);
    schedtest::Clock clock{QDateTime(kDay.addDays(-3), QTime(18, 0, 30))};
    s.form.engine->setClock(clock.fn());
    clock.now = QDateTime(kDay, QTime(9, 55, 3));
    s.form.engine->TimerSchedulerTimer();
    TFormLateReminders* list = s.form.lateRemindersWindow();
    QVERIFY(list);
    QVERIFY(list->isVisible() && !list->isModal());
    QVERIFY(list->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(list->count(), 2);
    QTableWidget* rows = list->ListReminders;
    QCOMPARE(rows->item(0, 0)->text(), u"Позвонить в банк"_qs);
    QCOMPARE(rows->item(0, 1)->text(), QLocale::system().toString(kDay.addDays(-2), QLocale::ShortFormat));
    QCOMPARE(rows->item(0, 2)->text(), u"11:0"_qs);
    QCOMPARE(rows->item(0, 3)->text(), u"Уточнить остаток по счёту"_qs);
    QCOMPARE(rows->item(1, 0)->text(), u"Отчёт"_qs);
    QVERIFY(list->LabelCount->text().endsWith(u"2"_qs));
    const auto windows = s.form.reminderWindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->lbTask->text(), u"Сейчас"_qs);
    QCOMPARE(s.sounds.size(), 2);
    QCOMPARE(s.notified.size(), 2);
    // Another sleep while the list is open: the late one joins it.
    clock.now = QDateTime(kDay, QTime(12, 40, 0));
    s.form.engine->TimerSchedulerTimer();
    QCOMPARE(s.form.lateRemindersWindow(), list);
    QCOMPARE(list->count(), 3);
    QCOMPARE(rows->item(2, 0)->text(), u"Позже"_qs);
    QCOMPARE(s.form.reminderWindows().size(), 1);
    list->BitBtn1->click();
    QTRY_VERIFY(!s.form.lateRemindersWindow());
}

// A word wider than the reminder window wraps inside the window instead of running past its edge.
void TestSchedulerGui::reminderWrapsALongWord_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("description");
    const QString word = u"https://example.org/очень-длинный-адрес-без-пробелов/"_qs;
    QTest::newRow("description") << u"Задача"_qs << (u"Смотри "_qs + word);
    QTest::newRow("task") << word << u"коротко"_qs;
}
void TestSchedulerGui::reminderWrapsALongWord() {
    QFETCH(QString, task);
    QFETCH(QString, description);
    TFormMessage m;
    Reminder r;
    r.task = task;
    r.date = u"10.03.2026"_qs;
    r.time = u"9:5"_qs;
    r.description = description;
    m.showReminder(r);
    m.show();
    QCOMPARE(m.size(), QSize(319, 223));
    for (QLabel* label : {m.lbTask, m.lbDesc}) {
        QVERIFY2(m.rect().contains(label->geometry().translated(label->parentWidget()->mapTo(&m, QPoint(0, 0)))),
                 qPrintable(label->objectName()));
        QVERIFY2(label->minimumSizeHint().width() <= label->width(), qPrintable(label->objectName()));
    }
    // The text keeps its words; only the picture wraps.
    QCOMPARE(m.lbDesc->text(), description);
    const int lineHeight = m.lbDesc->fontMetrics().height();
    QLabel* wrapped = description.size() > task.size() ? m.lbDesc : m.lbTask;
    QVERIFY(wrapped->heightForWidth(wrapped->width()) >= 2 * lineHeight);
    QVERIFY(wrapped->heightForWidth(wrapped->width()) <= wrapped->height());
    m.close();
}
