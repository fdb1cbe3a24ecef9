#pragma once

#include <QPoint>
#include <QWidget>

class QPlainTextEdit;
class QLabel;

// A sticky note: a small yellow window without border or title bar, always on top, centred on the
// desktop. The strip along its top moves it like a title bar; "X" at the strip's right hides it.
// Its text is never stored. Each note is a window of its own, owned by the main window.
class TFormStickyMarks : public QWidget {
    Q_OBJECT
public:
    explicit TFormStickyMarks(QWidget* owner);

    QPlainTextEdit* Memo1;
    QLabel* CloseBox;

    static constexpr int kWidth = 142;
    static constexpr int kHeight = 116;
    static constexpr int kStrip = 24;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint dragOffset_;
    bool dragging_ = false;
};
