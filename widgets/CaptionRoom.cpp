#include "CaptionRoom.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QVariant>

namespace {

// Room between a caption and its box.
constexpr int kGap = 6;
// Room at the right and bottom of a container past its last control.
constexpr int kMargin = 8;

const char* const kDesigned = "captionroomDesigned";

// The geometry the control had at the first fit.
QRect designed(QWidget* w) {
    const QVariant v = w->property(kDesigned);
    if (v.isValid())
        return v.toRect();
    w->setProperty(kDesigned, w->geometry());
    return w->geometry();
}

// The width a push button needs for its caption: the text plus what the style draws around it.
int buttonWidth(QPushButton* b, int current) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.rect.setWidth(current);
    const int room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
    int text = 0;
    for (const QString& line : b->text().remove(QRegularExpression(QStringLiteral("&(?!&)"))).split(u'\n'))
        text = std::max(text, b->fontMetrics().horizontalAdvance(line));
    if (!b->icon().isNull())
        text += b->iconSize().width() + 4;
    return current - room + text;
}

} // namespace

namespace captionroom {

void fit(QWidget* container) {
    QList<QLabel*> captions;
    QList<QPushButton*> buttons;
    for (QObject* o : container->children()) {
        if (auto* l = qobject_cast<QLabel*>(o);
            l != nullptr && l->buddy() != nullptr && l->buddy()->parentWidget() == container)
            captions << l;
        else if (auto* b = qobject_cast<QPushButton*>(o))
            buttons << b;
    }

    // Captions as wide as their texts.
    int captionsRight = 0;
    int boxesLeft = 0;
    for (QLabel* l : captions) {
        const QRect d = designed(l);
        l->move(d.topLeft());
        l->adjustSize();
        captionsRight = std::max(captionsRight, l->geometry().right() + 1);
        boxesLeft = boxesLeft == 0 ? designed(l->buddy()).left() : std::min(boxesLeft, designed(l->buddy()).left());
    }
    const int shift = std::max(0, captionsRight + kGap - boxesLeft);
    for (QLabel* l : captions) {
        const QRect d = designed(l->buddy());
        l->buddy()->setGeometry(d.translated(shift, 0));
    }

    for (QPushButton* b : buttons) {
        const QRect d = designed(b);
        const int width = std::max(d.width(), buttonWidth(b, d.width()));
        QRect g = d;
        g.setWidth(width);
        g.moveLeft(std::max(0, d.center().x() + 1 - width / 2));
        if (width == d.width())
            g = d;
        b->setGeometry(g);
    }

    QSize cover;
    for (QObject* o : container->children())
        if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && !w->isWindow() && !w->isHidden())
            cover = cover.expandedTo(QSize(w->geometry().right() + 1 + kMargin, w->geometry().bottom() + 1 + kMargin));
    container->setMinimumSize(cover);
}

} // namespace captionroom
