#pragma once

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
struct Reminder;

// The reminders caught up long after their minute (the machine slept, the clock was set forward),
// listed in one window: task, due date and time, description. It stays on top like the reminder
// window; reminders caught up while it is open join its list.
class TFormLateReminders : public QDialog {
    Q_OBJECT
public:
    explicit TFormLateReminders(QWidget* parent = nullptr);

    void addReminders(const std::vector<Reminder>& reminders);
    int count() const;

    QLabel* LabelCount;
    QTableWidget* ListReminders; // task, date, time, description
    QPushButton* BitBtn1;

private:
    void updateCount();
};
