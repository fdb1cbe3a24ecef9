#pragma once

#include <QLabel>

class QTextDocument;

// A label whose plain text wraps at word boundaries and, where one word is wider than the label,
// inside the word: a long address or a link in a reminder is shown whole, never cut at the edge.
class WrappingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text laid out in the given width of the contents.
    void layOut(QTextDocument& document, int width) const;
    int frameExtra() const;
};
