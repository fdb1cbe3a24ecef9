#include "ReminderEngine.h"

#include "Database.h"
#include "Dataset.h"
#include "DbError.h"

#include <QLocale>

#include <QTimer>
#include <algorithm>
#include <iterator>

namespace {

// The bound controls stay still while the walk moves the cursor; they catch up once at the end.
class ControlsSuspended {
public:
    explicit ControlsSuspended(Dataset& d) : d_(d) { d_.disableControls(); }
    ~ControlsSuspended() { d_.enableControls(); }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    Dataset& d_;
};

struct TaskFields {
    int key, name, date, hour, minute, days, hours, minutes, desc;
    explicit TaskFields(const Dataset& d)
        : key(d.fieldByName(QStringLiteral("SH_NUM")).index()), name(d.fieldByName(QStringLiteral("Contact")).index()),
          date(d.fieldByName(QStringLiteral("ContactDate")).index()),
          hour(d.fieldByName(QStringLiteral("ContactHour")).index()),
          minute(d.fieldByName(QStringLiteral("ContactMin")).index()),
          days(d.fieldByName(QStringLiteral("NotyfiBehindDays")).index()),
          hours(d.fieldByName(QStringLiteral("NotyfiBehindHours")).index()),
          minutes(d.fieldByName(QStringLiteral("NotyfiBehindMin")).index()),
          desc(d.fieldByName(QStringLiteral("ContactDesc")).index()) {}
};

} // namespace

ReminderEngine::ReminderEngine(Dataset& tasks, QObject* parent)
    : QObject(parent), TimerScheduler(new QTimer(this)), tasks_(tasks),
      clock_([] { return QDateTime::currentDateTime(); }), schedule_(QDateTime::currentDateTime()) {
    TimerScheduler->setObjectName(QStringLiteral("TimerScheduler"));
    TimerScheduler->setSingleShot(true);
    TimerScheduler->setTimerType(Qt::PreciseTimer);
    connect(TimerScheduler, &QTimer::timeout, this, &ReminderEngine::TimerSchedulerTimer);
    arm();
}

ReminderEngine::~ReminderEngine() = default;

void ReminderEngine::setClock(std::function<QDateTime()> now) {
    clock_ = std::move(now);
    schedule_ = reminder::MinuteSchedule(clock_());
}

void ReminderEngine::arm() {
    // A little past the minute's start, so that the tick never lands just before it.
    TimerScheduler->start(reminder::MinuteSchedule::msToNextMinute(QDateTime::currentDateTime()) + 50);
}

void ReminderEngine::TimerSchedulerTimer() {
    const QSet<qint64> minutes = schedule_.takeDue(clock_());
    if (!minutes.isEmpty())
        checkMinutes(minutes);
    arm();
}

void ReminderEngine::CheckReminders() {
    checkMinutes({reminder::minuteKey(clock_())});
}

int ReminderEngine::checkMinutes(const QSet<qint64>& minuteKeys) {
    if (beforeCheck)
        beforeCheck();
    Dataset& d = tasks_;
    std::vector<Reminder> due;
    {
        ControlsSuspended suspended(d);
        try {
            if (!d.isOpen()) {
                // Without a connection (a failed start-up) there are no tasks to walk, and no login
                // box should come up once a minute.
                if (!d.database().connected())
                    return 0;
                d.open();
            }
        } catch (const DbError& e) {
            if (onError)
                onError(e.message());
            return 0;
        }
        const TaskFields f(d);
        // A new task in which nothing was typed yet stays where it is, and so does the cursor: the
        // task editor that started it must not find itself on another task.
        const bool untouchedNew = d.state() == Dataset::State::Insert && !d.modified();
        QVariant pendingKey;
        if (!untouchedNew) {
            if (d.isEditing())
                pendingKey = d.value(f.key);
            try {
                // Saves a pending change (or drops an unchanged one) before the walk.
                d.checkBrowseMode();
                d.first();
            } catch (const DbError& e) {
                if (onError)
                    onError(e.message());
                return 0;
            }
        }
        d.fetchAll(); // every task is checked
        const int skipRow = untouchedNew ? d.currentRow() : -1;
        const QLocale locale = QLocale::system();
        for (int r = 0; r < d.rowCount(); ++r) {
            if (r == skipRow)
                continue;
            const auto timing =
                reminder::TaskTiming::fromValues(d.value(r, f.date), d.value(r, f.hour), d.value(r, f.minute),
                                                 d.value(r, f.days), d.value(r, f.hours), d.value(r, f.minutes));
            const auto key = reminder::notifyKey(timing);
            if (!key || !minuteKeys.contains(*key))
                continue;
            Reminder rm;
            rm.key = d.value(r, f.key);
            rm.task = d.value(r, f.name).toString();
            rm.date = locale.toString(timing.date, QLocale::ShortFormat);
            rm.time = reminder::timeText(d.value(r, f.hour), d.value(r, f.minute));
            rm.description = d.value(r, f.desc).toString();
            rm.minute = *key;
            due.push_back(std::move(rm));
        }
        try {
            if (!untouchedNew) {
                // Back on the task that was being edited; otherwise the walk ends on the last task.
                const bool back = !pendingKey.isNull() && d.locate(QStringLiteral("SH_NUM"), pendingKey);
                if (!back)
                    d.last();
            }
        } catch (const DbError& e) {
            if (onError)
                onError(e.message());
        }
    }
    const int raised = static_cast<int>(due.size());
    // Caught up long after their minute (a suspend, a clock set forward): one list, oldest first.
    const qint64 present = reminder::minuteKey(clock_());
    std::vector<Reminder> late;
    if (onLateReminders) {
        auto isLate = [present](const Reminder& rm) { return present - rm.minute > kLateMinutes; };
        std::copy_if(due.begin(), due.end(), std::back_inserter(late), isLate);
        due.erase(std::remove_if(due.begin(), due.end(), isLate), due.end());
        std::stable_sort(late.begin(), late.end(),
                         [](const Reminder& a, const Reminder& b) { return a.minute < b.minute; });
    }
    if (!late.empty())
        onLateReminders(late);
    for (const Reminder& rm : due)
        if (onReminder)
            onReminder(rm);
    return raised;
}
