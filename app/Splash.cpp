#include "Splash.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

namespace {
// The splash picture: a stylised address book drawn at start-up.
QPixmap splashPicture() {
    QPixmap pm(105, 262);
    pm.fill(QColor(0x2b, 0x4c, 0x7e));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xf3, 0xe9, 0xd2));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(14, 40, 77, 100), 6, 6);
    p.setBrush(QColor(0xc0, 0x39, 0x2b));
    for (int i = 0; i < 5; ++i)
        p.drawRect(QRectF(91, 48 + i * 18, 8, 12));
    p.setPen(QPen(QColor(0x2b, 0x4c, 0x7e), 2));
    p.drawEllipse(QPointF(52, 75), 13, 13);
    p.drawArc(QRectF(30, 92, 44, 36), 0, 180 * 16);
    p.setPen(QColor(0xf3, 0xe9, 0xd2));
    QFont f = p.font();
    f.setPointSize(9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 170, 105, 60), Qt::AlignCenter, QStringLiteral("Korvane"));
    return pm;
}
} // namespace

TFormSplash::TFormSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FormSplash"));
    setFixedSize(215, 368);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(rect());
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(55, 9, 105, 262);
    picture->setPixmap(splashPicture());
    auto* label = new QLabel(QStringLiteral("Korvane\nProfessional Edition"), panel);
    label->setObjectName(QStringLiteral("Label1"));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(30, 288, 159, 36);
    QFont f = label->font();
    f.setPointSize(10);
    label->setFont(f);
    ProgressBar1 = new QProgressBar(panel);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setOrientation(Qt::Vertical);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(176, 10, 10, 256);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    if (const QScreen* s = QApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TFormSplash::advance(int step) {
    ProgressBar1->setValue(std::clamp(ProgressBar1->value() + step, 0, 100));
    repaint();
}

int TFormSplash::position() const { return ProgressBar1->value(); }
