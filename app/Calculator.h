#pragma once

#include <QDialog>
#include <QLocale>
#include <QString>

class QLineEdit;

// A plain desktop calculator: digits, the decimal separator, the four operations carried out in the
// order they are keyed (2 + 3 × 4 = gives 20), equals, clear, sign change and the last digit taken
// back. Division by zero shows a message until the next key.
class CalcEngine {
public:
    void digit(int d);
    void point();
    // '+', '-', '*' or '/'.
    void operation(char op);
    void equals();
    void clear();
    void backspace();
    void negate();

    // The number shown, with the locale's decimal separator.
    QString display(const QLocale& locale = QLocale::system()) const;
    bool failed() const { return failed_; }

private:
    static QString format(double v);
    double entryValue() const { return entry_.toDouble(); }
    bool apply(double rhs);

    QString entry_ = QStringLiteral("0"); // C-locale text of the number shown
    double acc_ = 0;
    char pending_ = 0;
    bool fresh_ = true; // the next digit starts a new number
    bool failed_ = false;
};

// The "Calculator" dialog opened by a double-click on the main window's status bar.
class TFormCalculator : public QDialog {
    Q_OBJECT
public:
    explicit TFormCalculator(QWidget* parent = nullptr);
    QLineEdit* Display;
    const CalcEngine& engine() const { return engine_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    CalcEngine engine_;
};
