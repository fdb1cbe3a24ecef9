#include "ReminderRules.h"

namespace reminder {

namespace {
int intOf(const QVariant& v) {
    return v.isNull() || !v.isValid() ? 0 : v.toInt();
}
qint64 epochMinute(const QDateTime& t) {
    const qint64 ms = t.toMSecsSinceEpoch();
    return ms >= 0 ? ms / 60000 : -((-ms + 59999) / 60000);
}
} // namespace

TaskTiming TaskTiming::fromValues(const QVariant& date, const QVariant& hour, const QVariant& minute,
                                  const QVariant& behindDays, const QVariant& behindHours,
                                  const QVariant& behindMinutes) {
    TaskTiming t;
    t.date = date.isNull() ? QDate() : date.toDate();
    t.hour = intOf(hour);
    t.minute = intOf(minute);
    t.behindDays = intOf(behindDays);
    t.behindHours = intOf(behindHours);
    t.behindMinutes = intOf(behindMinutes);
    return t;
}

qint64 minuteKey(const QDate& day, int hour, int minute) {
    return day.toJulianDay() * 1440 + hour * 60 + minute;
}

qint64 minuteKey(const QDateTime& local) {
    const QDateTime t = local.toLocalTime();
    return minuteKey(t.date(), t.time().hour(), t.time().minute());
}

std::optional<qint64> notifyKey(const TaskTiming& task) {
    if (!task.date.isValid())
        return std::nullopt;
    const QDate day = task.date.addDays(-task.behindDays);
    const int hour = task.hour - task.behindHours;
    const int minute = task.minute - task.behindMinutes;
    if (!day.isValid() || hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return std::nullopt;
    return minuteKey(day, hour, minute);
}

bool isDue(const TaskTiming& task, const QDateTime& localNow) {
    const auto key = notifyKey(task);
    return key && *key == minuteKey(localNow);
}

QString timeText(const QVariant& hour, const QVariant& minute) {
    auto text = [](const QVariant& v) { return v.isNull() || !v.isValid() ? QString() : QString::number(v.toInt()); };
    return text(hour) + u':' + text(minute);
}

MinuteSchedule::MinuteSchedule(const QDateTime& start) : last_(epochMinute(start)) {}

QSet<qint64> MinuteSchedule::takeDue(const QDateTime& now) {
    const qint64 current = epochMinute(now);
    QSet<qint64> keys;
    if (current == last_)
        return keys; // this minute is done
    if (current < last_) {
        // The clock went back: the minute it lands in is checked, and checking goes on from there.
        last_ = current;
        keys.insert(minuteKey(now));
        return keys;
    }
    const qint64 from = std::max(last_ + 1, current - kMaxMinutes + 1);
    keys.reserve(static_cast<int>(current - from + 1));
    for (qint64 m = from; m <= current; ++m)
        keys.insert(minuteKey(QDateTime::fromMSecsSinceEpoch(m * 60000)));
    last_ = current;
    return keys;
}

int MinuteSchedule::msToNextMinute(const QDateTime& now) {
    const qint64 ms = now.toMSecsSinceEpoch();
    const qint64 into = ((ms % 60000) + 60000) % 60000;
    return static_cast<int>(60000 - into);
}

} // namespace reminder
