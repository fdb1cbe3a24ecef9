#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

// A text box with a «…» button at its right end. The button and Alt+Down in the box both ask for a
// value to be picked; the box takes the focus first, so whoever fills it in finds it focused.
class PickEdit : public QWidget {
    Q_OBJECT
public:
    explicit PickEdit(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* button() const { return button_; }
    // What the button does: focus the box, then ask for a pick.
    void pick();

Q_SIGNALS:
    void pickRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* button_;
};

// A date box that can hold no date at all: an empty box is an empty value and stays empty until the
// user types a date or picks one from the calendar drop-down (the button or Alt+Down).
class DateBox : public QWidget {
    Q_OBJECT
public:
    explicit DateBox(QWidget* parent = nullptr);
    ~DateBox() override;

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* button() const { return button_; }

    // The date shown; a null date when the box is empty or its text is not a date.
    QDate date() const;
    // Shows a date; a null date empties the box. Does not count as the user's edit.
    void setDate(const QDate& date);
    // True when the box holds text that is not a date.
    bool hasUnreadableText() const;

    // The format of the box: the locale's short date with a four-digit year.
    static QString format();
    // The date a text names; a two-digit year is completed into the hundred years around today.
    static QDate parse(const QString& text);
    static QDate parse(const QString& text, const QDate& today);
    static int completeYear(int twoDigitYear, int currentYear);

    void showCalendar();
    // The open calendar drop-down, or nullptr.
    QCalendarWidget* calendar() const { return calendar_; }

Q_SIGNALS:
    // The user typed a readable date, emptied the box or picked a date.
    void dateEdited(const QDate& date);
    // Return, or the focus moving to another control of the same window by Tab or the mouse; not
    // when another window (a message box, the window closing), the calendar drop-down or a shortcut
    // takes the focus.
    void editingFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pickDate(const QDate& date);

    QLineEdit* edit_;
    QToolButton* button_;
    QWidget* popup_ = nullptr;
    QCalendarWidget* calendar_ = nullptr;
    Qt::FocusReason focusOutReason_ = Qt::OtherFocusReason;
};
