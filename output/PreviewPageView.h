#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

class GridPrintJob;

// The page area of the preview: one page on a grey desk, drawn from the layout each time it is
// painted, at the chosen zoom. The page can be dragged with the mouse and scrolled with the wheel.
class PreviewPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum Zoom { PageWidth = -1, WholePage = -2 };

    explicit PreviewPageView(QWidget* parent = nullptr);

    void setJob(const GridPrintJob* job);
    void setPage(int page);
    int page() const { return page_; }
    // A percentage, or PageWidth or WholePage.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // Screen pixels per layout pixel at the present zoom.
    double scale() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateScrollBars();
    QSizeF paperOnScreen() const;

    const GridPrintJob* job_ = nullptr;
    int page_ = 0;
    int zoom_ = WholePage;
    bool dragging_ = false;
    QPoint dragFrom_;
};
