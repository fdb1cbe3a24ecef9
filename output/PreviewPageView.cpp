#include "PreviewPageView.h"

#include "GridPrintJob.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {
constexpr int kDesk = 12; // the grey border around the page
}

PreviewPageView::PreviewPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("PreviewPage"));
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::OpenHandCursor);
}

void PreviewPageView::setJob(const GridPrintJob* job) {
    job_ = job;
    page_ = 0;
    updateScrollBars();
    viewport()->update();
}

void PreviewPageView::setPage(int page) {
    if (page_ == page)
        return;
    page_ = page;
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void PreviewPageView::setZoom(int zoom) {
    zoom_ = zoom;
    updateScrollBars();
    viewport()->update();
}

double PreviewPageView::scale() const {
    if (!job_)
        return 1.0;
    const PageFormat& f = job_->format();
    const double vw = std::max(1, viewport()->width() - 2 * kDesk);
    const double vh = std::max(1, viewport()->height() - 2 * kDesk);
    if (zoom_ == PageWidth)
        return vw / f.paper.width();
    if (zoom_ == WholePage)
        return std::min(vw / f.paper.width(), vh / f.paper.height());
    return zoom_ / 100.0 * logicalDpiY() / f.dpi;
}

QSizeF PreviewPageView::paperOnScreen() const {
    return job_ ? job_->format().paper * scale() : QSizeF();
}

void PreviewPageView::updateScrollBars() {
    const QSizeF paper = paperOnScreen();
    const int w = static_cast<int>(paper.width()) + 2 * kDesk;
    const int h = static_cast<int>(paper.height()) + 2 * kDesk;
    horizontalScrollBar()->setRange(0, std::max(0, w - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setRange(0, std::max(0, h - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

void PreviewPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void PreviewPageView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (!job_ || page_ >= job_->pageCount())
        return;
    const double s = scale();
    const QSizeF paper = paperOnScreen();
    double x = kDesk - horizontalScrollBar()->value();
    if (paper.width() + 2 * kDesk < viewport()->width())
        x = (viewport()->width() - paper.width()) / 2;
    const double y = kDesk - verticalScrollBar()->value();
    const QRectF sheet(x, y, paper.width(), paper.height());
    p.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 90));
    p.fillRect(sheet, Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setClipRect(sheet);
    p.translate(sheet.topLeft());
    p.scale(s, s);
    p.translate(job_->format().printable.topLeft());
    job_->drawPage(p, page_);
}

void PreviewPageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragFrom_ = event->position().toPoint();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
}

void PreviewPageView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    const QPoint d = event->position().toPoint() - dragFrom_;
    dragFrom_ = event->position().toPoint();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - d.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - d.y());
}

void PreviewPageView::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    viewport()->setCursor(Qt::OpenHandCursor);
}
