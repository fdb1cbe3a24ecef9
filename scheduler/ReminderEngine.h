#pragma once

#include "ReminderRules.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Dataset;
class QTimer;

// What a reminder shows: the task's name, its due date and time (not the moment of the reminder)
// and its description.
struct Reminder {
    QVariant key; // SH_NUM
    QString task;
    QString date; // the system's short date format
    QString time; // "9:5"
    QString description;
    qint64 minute = 0; // the clock minute at which it reminds (reminder::minuteKey)
};

// The reminder engine: once a minute it walks every task of the tasks dataset and raises a reminder
// for each task whose notify day, hour and minute are the present ones. It writes nothing back.
//
// The timer is aligned to the start of each minute; a tick that comes late (or after the machine
// was suspended) checks every minute it skipped as well, so each minute is checked exactly once.
// Reminders caught up that way more than kLateMinutes after their minute come together in one list
// rather than a window each, so that a weekend asleep does not open dozens of windows.
class ReminderEngine : public QObject {
    Q_OBJECT
public:
    explicit ReminderEngine(Dataset& tasks, QObject* parent = nullptr);
    ~ReminderEngine() override;

    // The clock the engine reads (local date and time); tests give their own. Resets the schedule:
    // minutes up to the clock's present one count as checked.
    void setClock(std::function<QDateTime()> now);
    QDateTime now() const { return clock_(); }

    // Runs the check of a timer tick now: every minute since the previous check.
    void TimerSchedulerTimer();
    // The check of the present minute only, whether or not it was checked before.
    void CheckReminders();
    // Walks the tasks once and raises the reminders of those due in any of the minutes (local keys).
    // Returns how many were raised.
    int checkMinutes(const QSet<qint64>& minuteKeys);

    QTimer* TimerScheduler; // single-shot, re-armed to the start of the next minute

    // Raises one reminder (window, sound, notification). Called after the walk, in table order.
    std::function<void(const Reminder&)> onReminder;
    // Raises the reminders whose minute passed more than kLateMinutes ago, all at once, oldest first
    // (called before onReminder). Without it they go to onReminder one by one.
    std::function<void(const std::vector<Reminder>&)> onLateReminders;
    static constexpr qint64 kLateMinutes = 15;
    // A failed save of a pending task; the standard error box unless replaced.
    std::function<void(const QString&)> onError;
    // Runs before each walk (the scheduler grid hands a half-typed cell to the dataset).
    std::function<void()> beforeCheck;

private:
    void arm();

    Dataset& tasks_;
    std::function<QDateTime()> clock_;
    reminder::MinuteSchedule schedule_;
};
