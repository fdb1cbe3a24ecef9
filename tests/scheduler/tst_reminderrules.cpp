// When a task reminds, the minutes a tick checks, and which sound file plays.
#include "ReminderRules.h"
#include "ReminderSound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace reminder;

namespace {
QVariant none() {
    return QVariant();
}
QDateTime at(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}
} // namespace

class TestReminderRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void due_data();
    void due();
    void timeText_data();
    void timeText();
    void skippedMinutesAreCheckedOnce();
    void lateTickAfterSuspend();
    void clockGoingBack();
    void nextMinute_data();
    void nextMinute();
    void soundFile();
};

void TestReminderRules::due_data() {
    QTest::addColumn<QVariant>("date");
    QTest::addColumn<QVariant>("hour");
    QTest::addColumn<QVariant>("minute");
    QTest::addColumn<QVariant>("days");
    QTest::addColumn<QVariant>("hours");
    QTest::addColumn<QVariant>("minutes");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("due");
    const QVariant day = QDate(2026, 3, 10);
    QTest::newRow("10:30, 15 minutes ahead, at 10:15")
        << day << QVariant(10) << QVariant(30) << QVariant(0) << QVariant(0) << QVariant(15) << at(2026, 3, 10, 10, 15)
        << true;
    QTest::newRow("10:30, 15 minutes ahead, at 10:30")
        << day << QVariant(10) << QVariant(30) << QVariant(0) << QVariant(0) << QVariant(15) << at(2026, 3, 10, 10, 30)
        << false;
    QTest::newRow("10:30, 15 minutes ahead, a day early")
        << day << QVariant(10) << QVariant(30) << QVariant(0) << QVariant(0) << QVariant(15) << at(2026, 3, 9, 10, 15)
        << false;
    QTest::newRow("10:00, 15 minutes ahead, at 9:45") << day << QVariant(10) << QVariant(0) << QVariant(0)
                                                      << QVariant(0) << QVariant(15) << at(2026, 3, 10, 9, 45) << false;
    QTest::newRow("10:00, 15 minutes ahead, at 10:00")
        << day << QVariant(10) << QVariant(0) << QVariant(0) << QVariant(0) << QVariant(15) << at(2026, 3, 10, 10, 0)
        << false;
    QTest::newRow("10:00, 1 hour ahead, at 9:00") << day << QVariant(10) << QVariant(0) << QVariant(0) << QVariant(1)
                                                  << QVariant(0) << at(2026, 3, 10, 9, 0) << true;
    QTest::newRow("10:00, 1 day ahead, the day before") << day << QVariant(10) << QVariant(0) << QVariant(1)
                                                        << QVariant(0) << QVariant(0) << at(2026, 3, 9, 10, 0) << true;
    QTest::newRow("10:00, 1 day ahead, on the day") << day << QVariant(10) << QVariant(0) << QVariant(1) << QVariant(0)
                                                    << QVariant(0) << at(2026, 3, 10, 10, 0) << false;
    QTest::newRow("1 day ahead across a month")
        << QVariant(QDate(2026, 3, 1)) << QVariant(8) << QVariant(5) << QVariant(1) << QVariant(0) << QVariant(0)
        << at(2026, 2, 28, 8, 5) << true;
    QTest::newRow("empty ahead columns, at the due minute")
        << day << QVariant(10) << QVariant(0) << none() << none() << none() << at(2026, 3, 10, 10, 0) << true;
    QTest::newRow("empty hour and minute count as 0")
        << day << none() << none() << none() << none() << none() << at(2026, 3, 10, 0, 0) << true;
    QTest::newRow("hour 24, nothing ahead, at 0:00 next day")
        << day << QVariant(24) << QVariant(0) << QVariant(0) << QVariant(0) << QVariant(0) << at(2026, 3, 11, 0, 0)
        << false;
    QTest::newRow("hour 24, 1 hour ahead, at 23") << day << QVariant(24) << QVariant(20) << QVariant(0) << QVariant(1)
                                                  << QVariant(0) << at(2026, 3, 10, 23, 20) << true;
    QTest::newRow("no date") << QVariant() << QVariant(10) << QVariant(0) << QVariant(0) << QVariant(0) << QVariant(0)
                             << at(2026, 3, 10, 10, 0) << false;
    QTest::newRow("minute 60 never matches") << day << QVariant(9) << QVariant(60) << QVariant(0) << QVariant(0)
                                             << QVariant(0) << at(2026, 3, 10, 10, 0) << false;
    QTest::newRow("negative ahead counts forward") << day << QVariant(10) << QVariant(0) << QVariant(0) << QVariant(0)
                                                   << QVariant(-5) << at(2026, 3, 10, 10, 5) << true;
    QTest::newRow("seconds do not matter") << day << QVariant(9) << QVariant(5) << QVariant(0) << QVariant(0)
                                           << QVariant(0) << at(2026, 3, 10, 9, 5, 59, 999) << true;
}

void TestReminderRules::due() {
    QFETCH(QVariant, date);
    QFETCH(QVariant, hour);
    QFETCH(QVariant, minute);
    QFETCH(QVariant, days);
    QFETCH(QVariant, hours);
    QFETCH(QVariant, minutes);
    QFETCH(QDateTime, now);
    QFETCH(bool, due);
    const TaskTiming t = TaskTiming::fromValues(date, hour, minute, days, hours, minutes);
    QCOMPARE(isDue(t, now), due);
}

void TestReminderRules::timeText_data() {
    QTest::addColumn<QVariant>("hour");
    QTest::addColumn<QVariant>("minute");
    QTest::addColumn<QString>("text");
    QTest::newRow("9:5") << QVariant(9) << QVariant(5) << u"9:5"_qs;
    QTest::newRow("10:30") << QVariant(10) << QVariant(30) << u"10:30"_qs;
    QTest::newRow("0:0") << QVariant(0) << QVariant(0) << u"0:0"_qs;
    QTest::newRow("24:0") << QVariant(24) << QVariant(0) << u"24:0"_qs;
    QTest::newRow("empty hour") << QVariant() << QVariant(5) << u":5"_qs;
}

void TestReminderRules::timeText() {
    QFETCH(QVariant, hour);
    QFETCH(QVariant, minute);
    QFETCH(QString, text);
    QCOMPARE(reminder::timeText(hour, minute), text);
}

void TestReminderRules::skippedMinutesAreCheckedOnce() {
    // A tick at 10:14:59.9 and the next at 10:16:00.1: the minute 10:15 is still checked.
    MinuteSchedule s(at(2026, 3, 10, 10, 13, 30));
    QSet<qint64> first = s.takeDue(at(2026, 3, 10, 10, 14, 59, 900));
    QCOMPARE(first, QSet<qint64>({minuteKey(QDate(2026, 3, 10), 10, 14)}));
    QSet<qint64> second = s.takeDue(at(2026, 3, 10, 10, 16, 0, 100));
    QCOMPARE(second, QSet<qint64>({minuteKey(QDate(2026, 3, 10), 10, 15), minuteKey(QDate(2026, 3, 10), 10, 16)}));
    // The same minute again, or an early tick, checks nothing.
    QVERIFY(s.takeDue(at(2026, 3, 10, 10, 16, 30)).isEmpty());
    QCOMPARE(s.takeDue(at(2026, 3, 10, 10, 17, 0, 50)).size(), 1);
}

void TestReminderRules::lateTickAfterSuspend() {
    // Suspended from 23:58 to 0:03 the next day: every minute in between, over midnight.
    MinuteSchedule s(at(2026, 3, 10, 23, 58, 10));
    const QSet<qint64> due = s.takeDue(at(2026, 3, 11, 0, 3, 1));
    QCOMPARE(due.size(), 5);
    QVERIFY(due.contains(minuteKey(QDate(2026, 3, 10), 23, 59)));
    QVERIFY(due.contains(minuteKey(QDate(2026, 3, 11), 0, 0)));
    QVERIFY(due.contains(minuteKey(QDate(2026, 3, 11), 0, 3)));
    QVERIFY(!due.contains(minuteKey(QDate(2026, 3, 10), 23, 58)));
    // A very long absence checks the most recent month only.
    const QSet<qint64> year = s.takeDue(at(2027, 3, 11, 0, 3, 1));
    QCOMPARE(year.size(), int(MinuteSchedule::kMaxMinutes));
}

void TestReminderRules::clockGoingBack() {
    MinuteSchedule s(at(2026, 3, 10, 10, 0, 10));
    // The minute the clock lands in is checked, once.
    QCOMPARE(s.takeDue(at(2026, 3, 10, 9, 30)), QSet<qint64>({minuteKey(QDate(2026, 3, 10), 9, 30)}));
    QVERIFY(s.takeDue(at(2026, 3, 10, 9, 30, 40)).isEmpty());
    // Checking goes on from the clock's new minute.
    QCOMPARE(s.takeDue(at(2026, 3, 10, 9, 31, 0, 60)), QSet<qint64>({minuteKey(QDate(2026, 3, 10), 9, 31)}));
}

void TestReminderRules::nextMinute_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("ms");
    QTest::newRow("at the start") << at(2026, 3, 10, 10, 0, 0, 0) << 60000;
    QTest::newRow("just after") << at(2026, 3, 10, 10, 0, 0, 100) << 59900;
    QTest::newRow("just before") << at(2026, 3, 10, 10, 0, 59, 900) << 100;
}

void TestReminderRules::nextMinute() {
    QFETCH(QDateTime, now);
    QFETCH(int, ms);
    QCOMPARE(MinuteSchedule::msToNextMinute(now), ms);
}

void TestReminderRules::soundFile() {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString fallback = folder + u"Sounds/Notify.wav"_qs;
    QCOMPARE(remindersound::resolve(folder, QString()), fallback);
    // A file that is no wave file, or that is missing, leaves the program's own sound.
    QFile text(folder + u"notes.wav"_qs);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a sound at all");
    text.close();
    QCOMPARE(remindersound::resolve(folder, u"notes.wav"_qs), fallback);
    QCOMPARE(remindersound::resolve(folder, folder + u"missing.wav"_qs), fallback);
    QCOMPARE(remindersound::resolve(folder, folder), fallback);
    QFile wave(folder + u"bell.wav"_qs);
    QVERIFY(wave.open(QIODevice::WriteOnly));
    wave.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16));
    wave.close();
    QCOMPARE(remindersound::resolve(folder, folder + u"bell.wav"_qs), folder + u"bell.wav"_qs);
    // A relative name counts from the program folder, whatever the current directory.
    QCOMPARE(remindersound::resolve(folder, u"bell.wav"_qs), folder + u"bell.wav"_qs);
}

QTEST_GUILESS_MAIN(TestReminderRules)
#include "tst_reminderrules.moc"
