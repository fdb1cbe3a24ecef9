#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QVariant>
#include <optional>

// When a task reminds: the due date, hour and minute of a task less its days, hours and minutes
// ahead. The three parts are compared separately and nothing carries between them, so a notify hour
// outside 0..23 or a notify minute outside 0..59 never matches any clock minute.
namespace reminder {

struct TaskTiming {
    QDate date; // no date: never due
    int hour = 0;
    int minute = 0;
    int behindDays = 0;
    int behindHours = 0;
    int behindMinutes = 0;

    // Empty integers count as 0.
    static TaskTiming fromValues(const QVariant& date, const QVariant& hour, const QVariant& minute,
                                 const QVariant& behindDays, const QVariant& behindHours,
                                 const QVariant& behindMinutes);
};

// One clock minute of local time as a single number: day, hour and minute.
qint64 minuteKey(const QDate& day, int hour, int minute);
qint64 minuteKey(const QDateTime& local);

// The minute at which the task reminds, or nothing when it never does.
std::optional<qint64> notifyKey(const TaskTiming& task);
bool isDue(const TaskTiming& task, const QDateTime& localNow);

// "9:5": the hour and minute as plain numbers without leading zeros; an empty value shows nothing.
QString timeText(const QVariant& hour, const QVariant& minute);

// The clock minutes still to be checked. Every minute after the last one checked up to the present
// one is handed out exactly once, so a late timer tick or a suspended machine skips no minute and no
// minute is checked twice. Minutes are counted on the absolute clock and matched in local time.
class MinuteSchedule {
public:
    // Minutes up to and including the one of `start` count as checked.
    explicit MinuteSchedule(const QDateTime& start);

    // The local-time keys of the minutes since the previous call, up to and including the minute of
    // `now`; empty when that minute was already checked. When the clock went back, the minute it
    // lands in, and checking resumes from there. At most kMaxMinutes of the most recent minutes are
    // handed out.
    QSet<qint64> takeDue(const QDateTime& now);
    qint64 lastChecked() const { return last_; }

    // Milliseconds from `now` to the start of the next minute (1..60000).
    static int msToNextMinute(const QDateTime& now);

    static constexpr qint64 kMaxMinutes = 31LL * 24 * 60;

private:
    qint64 last_; // minutes since the epoch
};

} // namespace reminder
