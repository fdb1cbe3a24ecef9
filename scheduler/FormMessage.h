#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QStatusBar;
class QFrame;
struct Reminder;

// The reminder window: a task's name, date, time and description, and OK. The engine creates one
// per reminder; the shared instance FormMessage, opened from the menu, shows the labels as built.
class TFormMessage : public QDialog {
    Q_OBJECT
public:
    explicit TFormMessage(QWidget* parent = nullptr);

    // Fills the value labels from a reminder.
    void showReminder(const Reminder& r);
    // Places the window at the centre of the desktop.
    void centreOnDesktop();

    void BitBtn1Click(); // OK: closes

    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* lbTask;
    QLabel* lbDate;
    QLabel* lbTime;
    QLabel* lbDesc;
    QWidget* Panel2;
    QPushButton* BitBtn1;
    QStatusBar* StatusBar1;
};
