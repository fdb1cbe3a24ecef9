#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>
#include <vector>

class DBGridEh;
class DBNavigator;
class IniFile;
class QAction;
class QPushButton;
class QStatusBar;
class QToolButton;
class ReminderEngine;
class ReminderPlayer;
class TDM;
class TFormLateReminders;
class TFormMessage;
struct Reminder;

// The scheduler window: every task in an editable grid, with a bar of commands, a navigator, OK and
// Cancel. It is created at start-up and lives until exit, because it also carries the reminder engine
// with its timer and the sound player: reminders run whether or not the window is ever opened.
class TFormScheduler : public QDialog {
    Q_OBJECT
public:
    explicit TFormScheduler(TDM& dm, QWidget* parent = nullptr);
    ~TFormScheduler() override;

    // ---- handlers ----
    void FormShow();
    void FormDestroy();
    void BitBtn1Click(); // OK: saves a pending change and closes; a refused save keeps the window open
    void BitBtn2Click(); // Cancel, Esc: discards a pending change, closes
    void acDeleteExecute();
    void acFindExecute();
    void DBGridEh1DblClick();
    // Raises one reminder: its own window, the sound, the desktop notification.
    void raiseReminder(const Reminder& r);
    // Raises reminders caught up long after their minute: one list window (the open one, if any),
    // one sound, one desktop notification.
    void raiseLateReminders(const std::vector<Reminder>& list);

    // The Grid.ini column layout of the task grid, section "TFormScheduler".
    void restoreGridLayout(const IniFile& file);
    void saveGridLayout(IniFile& file) const;

    // ---- seams ----
    std::function<void(const QString& file)> playSound;  // the hidden player unless replaced
    std::function<void(const Reminder&)> notifyDesktop;  // the desktop notification unless replaced
    std::function<QString(QWidget* parent)> askFindText; // the find box; empty when cancelled
    // Opens the task editor on the current task (set by the application).
    std::function<void()> openEditor;

    // The file a reminder sounds (Phones.ini's OnTaskSound when it names a wave file).
    QString soundFile() const;
    // The reminder windows raised and not yet closed.
    QList<TFormMessage*> reminderWindows() const;
    // The list of late reminders while it is open, else nullptr.
    TFormLateReminders* lateRemindersWindow() const;

    // ---- controls ----
    QWidget* ToolBar1;
    QToolButton* ToolButton1; // "Добавить": the main window's acSchedulerAdd
    QToolButton* ToolButton2; // "Редактировать": the main window's acSchedulerEdit
    QToolButton* ToolButton3; // acDelete
    QToolButton* ToolButton4; // acFind
    QToolButton* ToolButton5; // acPrint
    QToolButton* ToolButton6; // acToExcel
    QAction* acDelete;
    QAction* acFind;
    QAction* acPrint;   // printing of the task grid, connected by the application
    QAction* acToExcel; // export of the task grid, connected by the application
    DBGridEh* DBGridEh1;
    DBNavigator* DBNavigator1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QStatusBar* StatusBar1;
    ReminderEngine* engine;
    ReminderPlayer* MediaPlayer1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createBar();
    void createGrid();
    void createBottom();

    TDM& dm_;
    QList<QPointer<TFormMessage>> reminders_;
    QPointer<TFormLateReminders> lateList_;
};
