#include "About.h"

#include "servis.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

const QString TFormAbout::kMail = QStringLiteral("author@korvane.example");
const QString TFormAbout::kSupportMail = QStringLiteral("support@korvane.example");
const QString TFormAbout::kWeb = QStringLiteral("https://korvane.example/");

namespace {

// A label that acts like a link: underlined, a hand cursor, a click runs the action.
QLabel* linkLabel(const QString& name, const QString& text, QWidget* parent, std::function<void()> action) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()));
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    l->setCursor(Qt::PointingHandCursor);
    QObject::connect(l, &QLabel::linkActivated, parent, [action](const QString&) { action(); });
    return l;
}

} // namespace

// ---- AnimatedPicture ----

AnimatedPicture::AnimatedPicture(Style style, bool onlyUnderMouse, QWidget* parent)
    : QWidget(parent), style_(style), onlyUnderMouse_(onlyUnderMouse), timer_(new QTimer(this)) {
    setFixedSize(64, 64);
    setCursor(Qt::PointingHandCursor);
    timer_->setInterval(90);
    connect(timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % 24;
        update();
    });
    if (!onlyUnderMouse_)
        timer_->start();
}

bool AnimatedPicture::animating() const {
    return timer_->isActive();
}

void AnimatedPicture::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (onlyUnderMouse_)
        timer_->start();
}

void AnimatedPicture::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (onlyUnderMouse_) {
        timer_->stop();
        frame_ = 0;
        update();
    }
}

void AnimatedPicture::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void AnimatedPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double phase = frame_ / 24.0 * 2 * M_PI;
    if (style_ == Style::Book) {
        // A card index book with rings that pulse.
        p.setPen(QPen(QColor(40, 60, 120), 2));
        p.setBrush(QColor(70, 110, 200));
        p.drawRoundedRect(QRectF(12, 8, 42, 50), 4, 4);
        p.setBrush(QColor(250, 250, 235));
        p.drawRect(QRectF(20, 14, 28, 38));
        p.setPen(QPen(QColor(120, 120, 120), 1));
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(24, 20 + i * 7), QPointF(44, 20 + i * 7));
        const double r = 4 + 2 * std::sin(phase);
        p.setPen(QPen(QColor(230, 170, 30), 2));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(12, 18 + i * 15), r, r);
    } else {
        // A handset that rocks while it rings.
        p.translate(32, 34);
        p.rotate(onlyUnderMouse_ && !timer_->isActive() ? 0 : 12 * std::sin(phase * 2));
        QPainterPath handset;
        handset.addRoundedRect(QRectF(-24, -8, 48, 12), 6, 6);
        handset.addRoundedRect(QRectF(-26, -6, 14, 18), 5, 5);
        handset.addRoundedRect(QRectF(12, -6, 14, 18), 5, 5);
        p.setPen(QPen(QColor(90, 20, 20), 2));
        p.setBrush(QColor(200, 40, 40));
        p.drawPath(handset.simplified());
        p.resetTransform();
        if (timer_->isActive()) {
            p.setPen(QPen(QColor(200, 40, 40), 2));
            const int spread = 4 + frame_ % 6;
            p.drawArc(QRectF(32 - 20 - spread, 2 - spread / 2.0, 40 + 2 * spread, 20), 30 * 16, 120 * 16);
        }
    }
}

// ---- TFormAbout ----

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* v = new QVBoxLayout(this);
    v->setSpacing(6);
    v->setContentsMargins(16, 12, 16, 12);

    ImageTop = new AnimatedPicture(AnimatedPicture::Style::Book, false, this);
    ImageTop->setObjectName(QStringLiteral("ImageTop"));
    ImageTop->setToolTip(kWeb);
    connect(ImageTop, &AnimatedPicture::clicked, this, [] { ShellOpen(kWeb); });
    v->addWidget(ImageTop, 0, Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Korvane Personal"), this);
    name->setObjectName(QStringLiteral("LabelProduct"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 5);
    big.setBold(true);
    name->setFont(big);
    v->addWidget(name, 0, Qt::AlignHCenter);
    auto* version = new QLabel(QStringLiteral("Версия %1").arg(QStringLiteral(KORVANE_VERSION)), this);
    version->setObjectName(QStringLiteral("LabelVersion"));
    v->addWidget(version, 0, Qt::AlignHCenter);

    auto* author = new QLabel(QStringLiteral("Автор: команда Korvane"), this);
    author->setObjectName(QStringLiteral("LabelAuthor"));
    v->addSpacing(6);
    v->addWidget(author, 0, Qt::AlignHCenter);
    LabelMail = linkLabel(QStringLiteral("LabelMail"), kMail, this, [] { OpenMailTo(kMail); });
    LabelSupportMail =
        linkLabel(QStringLiteral("LabelSupportMail"), kSupportMail, this, [] { OpenMailTo(kSupportMail); });
    LabelWeb = linkLabel(QStringLiteral("LabelWeb"), kWeb, this, [] { ShellOpen(kWeb); });
    for (QLabel* l : {LabelMail, LabelSupportMail, LabelWeb})
        v->addWidget(l, 0, Qt::AlignHCenter);

    ImageBottom = new AnimatedPicture(AnimatedPicture::Style::Handset, true, this);
    ImageBottom->setObjectName(QStringLiteral("ImageBottom"));
    connect(ImageBottom, &AnimatedPicture::clicked, this, &QDialog::accept);
    v->addSpacing(6);
    v->addWidget(ImageBottom, 0, Qt::AlignHCenter);

    v->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}
