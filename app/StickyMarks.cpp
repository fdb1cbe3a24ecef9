#include "StickyMarks.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>

namespace {
const QColor kYellow(255, 255, 140);
}

TFormStickyMarks::TFormStickyMarks(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
    setObjectName(QStringLiteral("FormStickyMarks"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(kWidth, kHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kYellow);
    pal.setColor(QPalette::Base, kYellow);
    // The note's text in the system's highlight colour.
    pal.setColor(QPalette::Text, pal.color(QPalette::Highlight));
    setPalette(pal);
    setAutoFillBackground(true);

    CloseBox = new QLabel(QStringLiteral("X"), this);
    CloseBox->setObjectName(QStringLiteral("CloseBox"));
    CloseBox->setAlignment(Qt::AlignCenter);
    CloseBox->setFrameStyle(QFrame::Box | QFrame::Plain);
    CloseBox->setGeometry(kWidth - 20 - 2, 2, 20, 20);
    CloseBox->setCursor(Qt::PointingHandCursor);
    CloseBox->installEventFilter(this);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFrameStyle(QFrame::NoFrame);
    Memo1->setPalette(pal);
    Memo1->setGeometry(0, kStrip + 1, kWidth, kHeight - kStrip - 1);

    // Centred on the desktop.
    if (QScreen* s = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

void TFormStickyMarks::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, kStrip, width(), kStrip);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TFormStickyMarks::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TFormStickyMarks::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TFormStickyMarks::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

bool TFormStickyMarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CloseBox && event->type() == QEvent::MouseButtonRelease) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton && CloseBox->rect().contains(m->position().toPoint()))
            hide();
        return true;
    }
    if (watched == CloseBox && event->type() == QEvent::MouseButtonPress)
        return true;
    return QWidget::eventFilter(watched, event);
}
