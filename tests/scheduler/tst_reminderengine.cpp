// The reminder check over the tasks table, with a clock that the test sets.
#include "ReminderEngine.h"
#include "SchedulerFixture.h"

#include <QTest>
#include <QTimer>

using schedtest::Task;

namespace {
const QDate kDay(2026, 3, 10);
QDateTime at(const QDate& d, int h, int m, int s = 0) {
    return QDateTime(d, QTime(h, m, s));
}
} // namespace

class TestReminderEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void edgeCases_data();
    void edgeCases();
    void reminderShowsDueTimeNotNow();
    void twoTasksInOneMinute();
    void skippedMinuteRaisedOnceByTicks();
    void pendingTaskSavedAndCursorBack();
    void pendingTaskOnFirstRowSaved();
    void untouchedNewTaskStays();
    void cursorEndsOnLastTask();
    void failedSaveEndsTheCheck();
    void nothingWrittenBack();
    void lateRemindersComeInOneList();
    void clockSetBackChecksTheMinuteItLandsIn();
};

void TestReminderEngine::edgeCases_data() {
    QTest::addColumn<QVariantList>("task"); // date, hour, minute, days, hours, minutes
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("raised");
    const QVariant day = kDay;
    QTest::newRow("10:30 with 15 minutes ahead at 10:15")
        << QVariantList{day, 10, 30, 0, 0, 15} << at(kDay, 10, 15) << 1;
    QTest::newRow("10:00 with -15 never") << QVariantList{day, 10, 0, 0, 0, 15} << at(kDay, 9, 45) << 0;
    QTest::newRow("one hour ahead at 9:00") << QVariantList{day, 10, 0, 0, 1, 0} << at(kDay, 9, 0) << 1;
    QTest::newRow("one day ahead the day before")
        << QVariantList{day, 10, 0, 1, 0, 0} << at(kDay.addDays(-1), 10, 0) << 1;
    QTest::newRow("empty ahead columns at the due minute")
        << QVariantList{day, 10, 0, QVariant(), QVariant(), QVariant()} << at(kDay, 10, 0) << 1;
    QTest::newRow("hour 24 nothing ahead") << QVariantList{day, 24, 0, 0, 0, 0} << at(kDay.addDays(1), 0, 0) << 0;
    QTest::newRow("hour 24 one hour ahead at 23") << QVariantList{day, 24, 10, 0, 1, 0} << at(kDay, 23, 10) << 1;
    QTest::newRow("no date") << QVariantList{QVariant(), 10, 0, 0, 0, 0} << at(kDay, 10, 0) << 0;
}

void TestReminderEngine::edgeCases() {
    QFETCH(QVariantList, task);
    QFETCH(QDateTime, now);
    QFETCH(int, raised);
    schedtest::Db db;
    db.add({u"Задача"_qs, task[0], task[1], task[2], task[3], task[4], task[5], u"описание"_qs});
    // A task due at another time alongside.
    db.add({u"Другая"_qs, QVariant(kDay.addDays(5)), 12, 0, 0, 0, 0, QString()});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{now};
    engine.setClock(clock.fn());
    QList<Reminder> seen;
    engine.onReminder = [&](const Reminder& r) { seen << r; };
    engine.CheckReminders();
    QCOMPARE(seen.size(), raised);
    // A minute later nothing is due any more.
    clock.now = now.addSecs(60);
    engine.CheckReminders();
    QCOMPARE(seen.size(), raised);
}

void TestReminderEngine::reminderShowsDueTimeNotNow() {
    schedtest::Db db;
    db.add({u"Позвонить"_qs, kDay, 10, 30, 0, 0, 15, u"Обсудить договор"_qs});
    db.add({u"Утро"_qs, kDay, 9, 5, 0, 0, 0, QString()});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 10, 15)};
    engine.setClock(clock.fn());
    QList<Reminder> seen;
    engine.onReminder = [&](const Reminder& r) { seen << r; };
    engine.CheckReminders();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].task, u"Позвонить"_qs);
    QCOMPARE(seen[0].time, u"10:30"_qs);
    QCOMPARE(seen[0].date, QLocale::system().toString(kDay, QLocale::ShortFormat));
    QCOMPARE(seen[0].description, u"Обсудить договор"_qs);
    clock.now = at(kDay, 9, 5);
    engine.CheckReminders();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1].time, u"9:5"_qs);
}

void TestReminderEngine::twoTasksInOneMinute() {
    schedtest::Db db;
    db.add({u"Первая"_qs, kDay, 11, 0, 0, 0, 0, QString()});
    db.add({u"Вторая"_qs, kDay, 11, 10, 0, 0, 10, QString()});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 11, 0, 30)};
    engine.setClock(clock.fn());
    QStringList seen;
    engine.onReminder = [&](const Reminder& r) { seen << r.task; };
    QCOMPARE(engine.checkMinutes({reminder::minuteKey(clock.now)}), 2);
    QCOMPARE(seen, QStringList({u"Первая"_qs, u"Вторая"_qs}));
}

void TestReminderEngine::skippedMinuteRaisedOnceByTicks() {
    schedtest::Db db;
    db.add({u"В 10:15"_qs, kDay, 10, 15, 0, 0, 0, QString()});
    db.add({u"В 10:16"_qs, kDay, 10, 16, 0, 0, 0, QString()});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 10, 13, 40)};
    engine.setClock(clock.fn());
    QStringList seen;
    engine.onReminder = [&](const Reminder& r) { seen << r.task; };
    clock.now = QDateTime(kDay, QTime(10, 14, 59, 900));
    engine.TimerSchedulerTimer();
    QVERIFY(seen.isEmpty());
    // The next tick comes late: 10:15 was never the present minute of a tick, and is still raised.
    clock.now = QDateTime(kDay, QTime(10, 16, 0, 100));
    engine.TimerSchedulerTimer();
    QCOMPARE(seen, QStringList({u"В 10:15"_qs, u"В 10:16"_qs}));
    // A second tick within the same minute raises nothing again.
    clock.now = QDateTime(kDay, QTime(10, 16, 30));
    engine.TimerSchedulerTimer();
    QCOMPARE(seen.size(), 2);
    // The minute the program started in was before the first check and is not raised.
    QVERIFY(engine.TimerScheduler->isSingleShot());
    QVERIFY(engine.TimerScheduler->isActive());
}

void TestReminderEngine::pendingTaskSavedAndCursorBack() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    db.add({u"Три"_qs, kDay, 10, 0, 0, 0, 0, QString()});
    Dataset& d = db.tasks();
    // A new task being typed when the minute changes.
    d.append();
    const QVariant key = d.value(u"SH_NUM"_qs);
    d.setValue(u"Contact"_qs, u"Новая"_qs);
    ReminderEngine engine(d);
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 7, 0)};
    engine.setClock(clock.fn());
    engine.CheckReminders();
    QVERIFY(!d.isEditing());
    QCOMPARE(d.value(u"SH_NUM"_qs), key);
    QCOMPARE(d.text(u"Contact"_qs), u"Новая"_qs);
    // Cancel afterwards does not remove it.
    d.edit();
    d.setValue(u"Contact"_qs, u"Новая, изменённая"_qs);
    d.cancel();
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs, u"Два"_qs, u"Три"_qs, u"Новая"_qs}));
}

void TestReminderEngine::pendingTaskOnFirstRowSaved() {
    // Moving to the first task saves the change even when the edited task is the first one.
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    Dataset& d = db.tasks();
    d.first();
    d.setValue(u"Contact"_qs, u"Первый"_qs);
    ReminderEngine engine(d);
    engine.TimerScheduler->stop();
    engine.CheckReminders();
    QVERIFY(!d.isEditing());
    QCOMPARE(d.currentRow(), 0);
    QCOMPARE(db.storedNames(), QStringList({u"Первый"_qs, u"Два"_qs}));
}

void TestReminderEngine::untouchedNewTaskStays() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    db.add({u"Два"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    Dataset& d = db.tasks();
    d.append();
    const QVariant key = d.value(u"SH_NUM"_qs);
    ReminderEngine engine(d);
    engine.TimerScheduler->stop();
    engine.CheckReminders();
    // The editor that started it is still on it, not on another task.
    QCOMPARE(d.state(), Dataset::State::Insert);
    QCOMPARE(d.value(u"SH_NUM"_qs), key);
    d.setValue(u"Contact"_qs, u"Три"_qs);
    d.post();
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs, u"Два"_qs, u"Три"_qs}));
}

void TestReminderEngine::cursorEndsOnLastTask() {
    schedtest::Db db;
    for (int i = 0; i < 4; ++i)
        db.add({QString::number(i), kDay, 8, i, 0, 0, 0, QString()});
    Dataset& d = db.tasks();
    d.first();
    ReminderEngine engine(d);
    engine.TimerScheduler->stop();
    int resets = 0;
    connect(&d, &Dataset::dataReset, this, [&] { ++resets; });
    engine.CheckReminders();
    QCOMPARE(d.currentRow(), 3);
    // The bound views hear of the walk once, not once per task.
    QVERIFY(resets <= 1);
}

void TestReminderEngine::failedSaveEndsTheCheck() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, QString()});
    Dataset& d = db.tasks();
    d.first();
    d.edit();
    // A name the database cannot store (outside the code page) fails the save.
    d.setValue(u"Contact"_qs, u"漢字"_qs);
    ReminderEngine engine(d);
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 8, 0)};
    engine.setClock(clock.fn());
    QStringList errors;
    engine.onError = [&](const QString& m) { errors << m; };
    int raised = 0;
    engine.onReminder = [&](const Reminder&) { ++raised; };
    engine.CheckReminders();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(raised, 0);
    QVERIFY(d.isEditing());
    QVERIFY(!d.controlsDisabled());
}

void TestReminderEngine::nothingWrittenBack() {
    schedtest::Db db;
    db.add({u"Один"_qs, kDay, 8, 0, 0, 0, 0, u"x"_qs});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 8, 0)};
    engine.setClock(clock.fn());
    int raised = 0;
    engine.onReminder = [&](const Reminder&) { ++raised; };
    engine.CheckReminders();
    engine.CheckReminders();
    QCOMPARE(raised, 2); // nothing marks a task as reminded
    QCOMPARE(db.storedNames(), QStringList({u"Один"_qs}));
}

QTEST_GUILESS_MAIN(TestReminderEngine)
#include "tst_reminderengine.moc"

// After a suspend, reminders more than 15 minutes late come together in one list, oldest first;
// those of the last 15 minutes come one by one as usual.
void TestReminderEngine::lateRemindersComeInOneList() {
    schedtest::Db db;
    db.add({u"9:50"_qs, kDay, 9, 50, 0, 0, 0, QString()});
    db.add({u"9:40"_qs, kDay, 9, 40, 0, 0, 0, QString()});
    db.add({u"9:45"_qs, kDay, 9, 45, 0, 0, 0, QString()});
    db.add({u"9:00"_qs, kDay, 9, 0, 0, 0, 0, QString()});
    db.add({u"10:00"_qs, kDay, 10, 0, 0, 0, 0, QString()});
    db.add({u"yesterday 23:30"_qs, kDay.addDays(-1), 23, 30, 0, 0, 0, u"описание"_qs});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay.addDays(-1), 23, 0, 30)};
    engine.setClock(clock.fn());
    QStringList single;
    QList<QStringList> lists;
    engine.onReminder = [&](const Reminder& r) { single << r.task; };
    engine.onLateReminders = [&](const std::vector<Reminder>& list) {
        QStringList names;
        for (const Reminder& r : list)
            names << r.task;
        lists << names;
        QCOMPARE(list.front().description, u"описание"_qs);
        QCOMPARE(list.front().time, u"23:30"_qs);
    };
    // The machine sleeps from 23:00 to 10:00 the next day.
    clock.now = at(kDay, 10, 0, 5);
    engine.TimerSchedulerTimer();
    QCOMPARE(lists.size(), 1);
    QCOMPARE(lists[0], QStringList({u"yesterday 23:30"_qs, u"9:00"_qs, u"9:40"_qs}));
    QCOMPARE(single, QStringList({u"9:50"_qs, u"9:45"_qs, u"10:00"_qs})); // table order
    // Without a list to go to, every reminder comes on its own.
    engine.onLateReminders = nullptr;
    engine.setClock(clock.fn());
    single.clear();
    clock.now = at(kDay, 10, 30, 5);
    QCOMPARE(engine.checkMinutes({reminder::minuteKey(QDate(kDay), 9, 0), reminder::minuteKey(QDate(kDay), 10, 0)}), 2);
    QCOMPARE(single, QStringList({u"9:00"_qs, u"10:00"_qs}));
}

void TestReminderEngine::clockSetBackChecksTheMinuteItLandsIn() {
    schedtest::Db db;
    db.add({u"В 9:30"_qs, kDay, 9, 30, 0, 0, 0, QString()});
    ReminderEngine engine(db.tasks());
    engine.TimerScheduler->stop();
    schedtest::Clock clock{at(kDay, 10, 0, 10)};
    engine.setClock(clock.fn());
    QStringList seen;
    engine.onReminder = [&](const Reminder& r) { seen << r.task; };
    clock.now = at(kDay, 9, 30, 5);
    engine.TimerSchedulerTimer();
    QCOMPARE(seen, QStringList({u"В 9:30"_qs}));
    // The rest of that minute raises nothing again.
    clock.now = at(kDay, 9, 30, 40);
    engine.TimerSchedulerTimer();
    QCOMPARE(seen.size(), 1);
}
