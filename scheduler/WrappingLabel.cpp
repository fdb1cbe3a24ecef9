#include "WrappingLabel.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

namespace {
// About forty characters wide before a long text wraps on its own.
constexpr int kPreferredChars = 40;
} // namespace

void WrappingLabel::layOut(QTextDocument& document, int width) const {
    document.setDefaultFont(font());
    document.setDocumentMargin(0);
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setPlainText(text());
    document.setTextWidth(std::max(width, 1));
}

int WrappingLabel::frameExtra() const {
    const QMargins m = contentsMargins();
    return m.left() + m.right() + 2 * margin();
}

int WrappingLabel::heightForWidth(int width) const {
    QTextDocument document;
    layOut(document, width - frameExtra());
    const QMargins m = contentsMargins();
    return qCeil(document.size().height()) + m.top() + m.bottom() + 2 * margin();
}

QSize WrappingLabel::sizeHint() const {
    const int width = fontMetrics().averageCharWidth() * kPreferredChars + frameExtra();
    return QSize(width, heightForWidth(width));
}

QSize WrappingLabel::minimumSizeHint() const {
    // Any width will do: the text wraps to it.
    const int width = fontMetrics().averageCharWidth() * 2 + frameExtra();
    return QSize(width, fontMetrics().height());
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    QTextDocument document;
    layOut(document, area.width());
    painter.translate(area.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), area.size()));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(foregroundRole()));
    document.documentLayout()->draw(&painter, context);
}
