#include "PhoneButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// A handset lying on its back: earpiece on the left, mouthpiece on the right, joined by the handle.
QPixmap drawHandset(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);

    QPainterPath handset;
    handset.moveTo(1.0, 13.0);
    handset.cubicTo(1.0, 2.5, 23.0, 2.5, 23.0, 13.0); // the back of the handle
    handset.lineTo(23.0, 17.0);
    handset.cubicTo(23.0, 18.2, 22.2, 19.0, 21.0, 19.0); // mouthpiece
    handset.lineTo(17.0, 19.0);
    handset.cubicTo(15.8, 19.0, 15.0, 18.2, 15.0, 17.0);
    handset.lineTo(15.0, 14.5);
    handset.cubicTo(15.0, 10.5, 9.0, 10.5, 9.0, 14.5); // the inside of the handle
    handset.lineTo(9.0, 17.0);
    handset.cubicTo(9.0, 18.2, 8.2, 19.0, 7.0, 19.0); // earpiece
    handset.lineTo(3.0, 19.0);
    handset.cubicTo(1.8, 19.0, 1.0, 18.2, 1.0, 17.0);
    handset.closeSubpath();

    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1.0));
    p.setBrush(QColor(0x2e, 0x9d, 0x3a));
    p.drawPath(handset);
    return pixmap;
}

} // namespace

QIcon phonePicture() {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(drawHandset(size));
    return icon;
}

PhoneButton::PhoneButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setShortcut(QKeySequence()); // a number is no mnemonic
    setIconSize(QSize(24, 24));
}

QRect PhoneButton::pictureRect() const {
    const QSize size = iconSize();
    return {kPictureMargin, (height() - size.height()) / 2, size.width(), size.height()};
}

void PhoneButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The frame from the style; picture and caption are placed here.
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect picture = pictureRect();
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    icon().paint(&painter, picture, Qt::AlignCenter, mode);

    QRect textRect = rect();
    textRect.setLeft(icon().isNull() ? kPictureMargin : picture.right() + 1 + kSpacing);
    textRect.setRight(rect().right() - kPictureMargin);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
}
