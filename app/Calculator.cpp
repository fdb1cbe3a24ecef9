#include "Calculator.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>

// ---- CalcEngine ----

void CalcEngine::digit(int d) {
    if (failed_)
        clear();
    if (fresh_) {
        entry_ = QStringLiteral("0");
        fresh_ = false;
    }
    const qsizetype digits = entry_.count(QRegularExpression(QStringLiteral("[0-9]")));
    if (digits >= 16)
        return;
    if (entry_ == QStringLiteral("0"))
        entry_ = QString::number(d);
    else if (entry_ == QStringLiteral("-0"))
        entry_ = QStringLiteral("-") + QString::number(d);
    else
        entry_ += QString::number(d);
}

void CalcEngine::point() {
    if (failed_)
        clear();
    if (fresh_) {
        entry_ = QStringLiteral("0");
        fresh_ = false;
    }
    if (!entry_.contains(u'.'))
        entry_ += u'.';
}

bool CalcEngine::apply(double rhs) {
    switch (pending_) {
    case '+':
        acc_ += rhs;
        break;
    case '-':
        acc_ -= rhs;
        break;
    case '*':
        acc_ *= rhs;
        break;
    case '/':
        if (rhs == 0) {
            failed_ = true;
            pending_ = 0;
            fresh_ = true;
            return false;
        }
        acc_ /= rhs;
        break;
    default:
        acc_ = rhs;
    }
    if (!std::isfinite(acc_)) {
        failed_ = true;
        pending_ = 0;
        fresh_ = true;
        return false;
    }
    entry_ = format(acc_);
    return true;
}

void CalcEngine::operation(char op) {
    if (failed_)
        return;
    if (pending_ && fresh_) { // a second operation key replaces the first
        pending_ = op;
        return;
    }
    if (!apply(entryValue()))
        return;
    pending_ = op;
    fresh_ = true;
}

void CalcEngine::equals() {
    if (failed_ || !pending_)
        return;
    // "5 + =" adds the number to itself, as desktop calculators do.
    const double rhs = fresh_ ? acc_ : entryValue();
    if (!apply(rhs))
        return;
    pending_ = 0;
    fresh_ = true;
}

void CalcEngine::clear() {
    entry_ = QStringLiteral("0");
    acc_ = 0;
    pending_ = 0;
    fresh_ = true;
    failed_ = false;
}

void CalcEngine::backspace() {
    if (failed_) {
        clear();
        return;
    }
    if (fresh_)
        return;
    entry_.chop(1);
    if (entry_.isEmpty() || entry_ == QStringLiteral("-"))
        entry_ = QStringLiteral("0");
}

void CalcEngine::negate() {
    if (failed_ || entry_ == QStringLiteral("0"))
        return;
    entry_ = entry_.startsWith(u'-') ? entry_.mid(1) : QStringLiteral("-") + entry_;
    if (fresh_)
        acc_ = entryValue();
}

QString CalcEngine::format(double v) {
    if (v == 0)
        return QStringLiteral("0");
    return QString::number(v, 'g', 15);
}

QString CalcEngine::display(const QLocale& locale) const {
    if (failed_)
        return QStringLiteral("Cannot divide by zero");
    QString s = entry_;
    s.replace(u'.', locale.decimalPoint());
    return s;
}

// ---- TFormCalculator ----

TFormCalculator::TFormCalculator(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormCalculator"));
    setWindowTitle(QStringLiteral("Calculator"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* grid = new QGridLayout(this);
    grid->setSpacing(4);
    Display = new QLineEdit(this);
    Display->setObjectName(QStringLiteral("Display"));
    Display->setReadOnly(true);
    Display->setFocusPolicy(Qt::NoFocus);
    Display->setAlignment(Qt::AlignRight);
    QFont f = Display->font();
    f.setPointSize(f.pointSize() + 4);
    Display->setFont(f);
    Display->setMinimumWidth(200);
    grid->addWidget(Display, 0, 0, 1, 4);

    auto button = [this, grid](const QString& name, const QString& caption, int row, int col, auto fn) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        b->setMinimumSize(44, 32);
        grid->addWidget(b, row, col);
        connect(b, &QPushButton::clicked, this, [this, fn] {
            fn(engine_);
            refresh();
        });
    };
    button(QStringLiteral("btnClear"), QStringLiteral("C"), 1, 0, [](CalcEngine& e) { e.clear(); });
    button(QStringLiteral("btnBack"), QStringLiteral("←"), 1, 1, [](CalcEngine& e) { e.backspace(); });
    button(QStringLiteral("btnNegate"), QStringLiteral("±"), 1, 2, [](CalcEngine& e) { e.negate(); });
    button(QStringLiteral("btnDivide"), QStringLiteral("÷"), 1, 3, [](CalcEngine& e) { e.operation('/'); });
    const int digitRow[10] = {5, 4, 4, 4, 3, 3, 3, 2, 2, 2};
    const int digitCol[10] = {0, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    for (int d = 0; d <= 9; ++d)
        button(QStringLiteral("btn%1").arg(d), QString::number(d), digitRow[d], digitCol[d],
               [d](CalcEngine& e) { e.digit(d); });
    button(QStringLiteral("btnMultiply"), QStringLiteral("×"), 2, 3, [](CalcEngine& e) { e.operation('*'); });
    button(QStringLiteral("btnSubtract"), QStringLiteral("−"), 3, 3, [](CalcEngine& e) { e.operation('-'); });
    button(QStringLiteral("btnAdd"), QStringLiteral("+"), 4, 3, [](CalcEngine& e) { e.operation('+'); });
    button(QStringLiteral("btnPoint"), QString(QLocale::system().decimalPoint()), 5, 1,
           [](CalcEngine& e) { e.point(); });
    button(QStringLiteral("btnEquals"), QStringLiteral("="), 5, 2, [](CalcEngine& e) { e.equals(); });
    grid->setSizeConstraint(QLayout::SetFixedSize);
    refresh();
}

void TFormCalculator::refresh() {
    Display->setText(engine_.display());
}

void TFormCalculator::keyPressEvent(QKeyEvent* event) {
    const QString t = event->text();
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        engine_.digit(key - Qt::Key_0);
    else if (t == QStringLiteral(".") || t == QStringLiteral(",") || t == QLocale::system().decimalPoint())
        engine_.point();
    else if (t == QStringLiteral("+") || t == QStringLiteral("-") || t == QStringLiteral("*") ||
             t == QStringLiteral("/"))
        engine_.operation(t.at(0).toLatin1());
    else if (key == Qt::Key_Return || key == Qt::Key_Enter || t == QStringLiteral("="))
        engine_.equals();
    else if (key == Qt::Key_Backspace)
        engine_.backspace();
    else if (key == Qt::Key_Delete || t.compare(QStringLiteral("c"), Qt::CaseInsensitive) == 0)
        engine_.clear();
    else {
        QDialog::keyPressEvent(event); // Esc closes
        return;
    }
    refresh();
}
