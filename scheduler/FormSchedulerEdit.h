#pragma once

#include <QDialog>

class DataBindings;
class DateBox;
class DBNavigator;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class TDM;

// The task editor: one box per column of the current task of the shared tasks dataset. It checks
// nothing; hours, minutes and the days, hours and minutes ahead take any small integer.
class TFormSchedulerEdit : public QDialog {
    Q_OBJECT
public:
    explicit TFormSchedulerEdit(TDM& dm, QWidget* parent = nullptr);

    int execModal() { return exec(); }
    // The menu's commands: a new task (its key drawn at once) in the editor, or the current task.
    void acSchedulerAddExecute();
    void acSchedulerEditExecute();

    void FormShow();
    void BitBtn1Click(); // OK: saves a pending change and closes; a refused save is shown, the editor stays
    void BitBtn2Click(); // Cancel, Esc: discards a pending change, ignoring failures, closes

    DataBindings* bindings() const { return bindings_; }

    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLineEdit* DBEdit1;      // Contact
    DateBox* DBDateEdit1;    // ContactDate
    QLineEdit* DBEdit2;      // ContactHour
    QLineEdit* DBEdit3;      // ContactMin
    QLineEdit* DBEdit4;      // NotyfiBehindDays
    QLineEdit* DBEdit5;      // NotyfiBehindHours
    QLineEdit* DBEdit6;      // NotyfiBehindMin
    QPlainTextEdit* DBMemo1; // ContactDesc
    DBNavigator* DBNavigator1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    TDM& dm_;
    DataBindings* bindings_;
};
