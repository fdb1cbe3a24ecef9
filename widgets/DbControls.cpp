#include "DbControls.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
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
    connect(edit_, &QLineEdit::editingFinished, this, &DateBox::editingFinished);
}

QString DateBox::format() {
    QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
    // Birthdays span a century: two-digit years would be read into the wrong one.
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

QDate DateBox::parse(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    QDate d = QLocale::system().toDate(t, format());
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, Qt::ISODate);
    return d;
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
    if (watched == edit_ && isAltDown(event)) {
        showCalendar();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
