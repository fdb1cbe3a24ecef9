#include "DbControls.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

bool isAltDown(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
}

// Box and button share one frame line, the button as high as the box and never taking the focus,
// so the tab order runs through the boxes alone.
QToolButton* makeSideButton(QWidget* parent, QLineEdit* edit, const QString& text) {
    auto* layout = new QHBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedWidth(20);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
    parent->setFocusProxy(edit);
    parent->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

// ---- PickEdit ----

PickEdit::PickEdit(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    button_ = makeSideButton(this, edit_, QStringLiteral("…"));
    edit_->installEventFilter(this);
    connect(button_, &QToolButton::clicked, this, &PickEdit::pick);
}

void PickEdit::pick() {
    edit_->setFocus(Qt::OtherFocusReason);
    Q_EMIT pickRequested();
}

bool PickEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && isAltDown(event)) {
        pick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- DateBox ----

DateBox::DateBox(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    button_ = makeSideButton(this, edit_, QStringLiteral("▾"));
    edit_->installEventFilter(this);
    edit_->setPlaceholderText(QString());
    connect(button_, &QToolButton::clicked, this, &DateBox::showCalendar);
    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.trimmed().isEmpty()) {
            Q_EMIT dateEdited(QDate());
            return;
        }
        // A half-typed date is left alone until it reads as a date.
        const QDate d = parse(text);
        if (d.isValid())
            Q_EMIT dateEdited(d);
    });
    connect(edit_, &QLineEdit::editingFinished, this, [this] {
        // Another window taking the focus (a message box, the window closing) is no end of typing,
        // nor is a button's shortcut (Alt+O on OK), whose own rule judges the date.
        if (focusOutReason_ == Qt::ActiveWindowFocusReason || focusOutReason_ == Qt::PopupFocusReason ||
            focusOutReason_ == Qt::ShortcutFocusReason)
            return;
        Q_EMIT editingFinished();
    });
}

// The box's own text field loses the focus while the window is torn down; by then the box is no
// longer there to hear of it.
DateBox::~DateBox() {
    edit_->removeEventFilter(this);
    edit_->disconnect(this);
}

QString DateBox::format() {
    QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
    // Birthdays span a century: two-digit years would be read into the wrong one.
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

QDate DateBox::parse(const QString& text) {
    return parse(text, QDate::currentDate());
}

int DateBox::completeYear(int twoDigitYear, int currentYear) {
    // The hundred years from fifty before the current year: in 2026, "85" is 1985 and "30" is 2030.
    const int first = currentYear - 50;
    int year = first - first % 100 + twoDigitYear;
    if (year < first)
        year += 100;
    return year;
}

QDate DateBox::parse(const QString& text, const QDate& today) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QLocale locale = QLocale::system();
    QDate d = locale.toDate(t, format());
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, Qt::ISODate);
    if (d.isValid() && d.year() >= 100)
        return d;
    if (d.isValid()) {
        // Read as a year of the first century: the user meant a two-digit year.
        const QDate completed(completeYear(d.year() % 100, today.year()), d.month(), d.day());
        if (completed.isValid())
            return completed;
    }
    // A two-digit year, in the locale's order of day, month and year or else as day.month.year, as a
    // desktop date box takes it.
    static const QRegularExpression nonDigits(QStringLiteral("[^0-9]+"));
    const QStringList parts = t.split(nonDigits, Qt::SkipEmptyParts);
    if (parts.size() != 3 || t.front().isDigit() == false || !t.back().isDigit())
        return {};
    const QString f = format();
    const qsizetype dayAt = f.indexOf(u'd'), monthAt = f.indexOf(u'M'), yearAt = f.indexOf(u'y');
    QList<int> orders; // index of day, month, year among the parts
    if (dayAt >= 0 && monthAt >= 0 && yearAt >= 0) {
        auto rank = [&](qsizetype at) { return int(at > dayAt) + int(at > monthAt) + int(at > yearAt); };
        orders << rank(dayAt) * 100 + rank(monthAt) * 10 + rank(yearAt);
    }
    orders << 12; // day, month, year
    for (int order : orders) {
        const QString& year = parts[order % 10];
        if (year.size() != 2)
            continue;
        const QDate completed(completeYear(year.toInt(), today.year()), parts[(order / 10) % 10].toInt(),
                              parts[order / 100].toInt());
        if (completed.isValid())
            return completed;
    }
    return {};
}

QDate DateBox::date() const {
    return parse(edit_->text());
}

void DateBox::setDate(const QDate& date) {
    const QString text = date.isValid() ? QLocale::system().toString(date, format()) : QString();
    if (edit_->text() != text)
        edit_->setText(text);
}

bool DateBox::hasUnreadableText() const {
    return !edit_->text().trimmed().isEmpty() && !date().isValid();
}

void DateBox::showCalendar() {
    edit_->setFocus(Qt::OtherFocusReason);
    if (!popup_) {
        popup_ = new QWidget(this, Qt::Popup);
        auto* layout = new QVBoxLayout(popup_);
        layout->setContentsMargins(0, 0, 0, 0);
        calendar_ = new QCalendarWidget(popup_);
        calendar_->setObjectName(QStringLiteral("Calendar"));
        layout->addWidget(calendar_);
        connect(calendar_, &QCalendarWidget::clicked, this, &DateBox::pickDate);
        connect(calendar_, &QCalendarWidget::activated, this, &DateBox::pickDate);
    }
    // An empty box opens the calendar on today without storing anything.
    const QDate shown = date();
    calendar_->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    popup_->adjustSize();
    popup_->move(mapToGlobal(QPoint(0, height())));
    popup_->show();
    calendar_->setFocus();
}

void DateBox::pickDate(const QDate& date) {
    if (popup_)
        popup_->hide();
    setDate(date);
    Q_EMIT dateEdited(date);
}

bool DateBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        // The box hears of the focus leaving before it reports the end of typing.
        if (event->type() == QEvent::FocusOut)
            focusOutReason_ = static_cast<QFocusEvent*>(event)->reason();
        else if (event->type() == QEvent::FocusIn || event->type() == QEvent::KeyPress)
            focusOutReason_ = Qt::OtherFocusReason;
    }
    if (watched == edit_ && isAltDown(event)) {
        showCalendar();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
