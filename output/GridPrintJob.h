#pragma once

#include "OutputGrid.h"
#include "PageLayout.h"
#include "PrintSettings.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <vector>

class QPainter;

// The sheet that pages are laid out for, in device pixels: a printer's, or the screen's when no
// printer is installed.
struct PageFormat {
    double dpi = 96.0;
    QSizeF paper{794, 1123};           // A4 at 96 dpi
    QRectF printable{0, 0, 794, 1123}; // within the paper
    static PageFormat a4(double dpi);
    // A whole sheet of the size, turned as asked, at the resolution; all of it printable.
    static PageFormat sheet(QPageSize::PageSizeId size, QPageLayout::Orientation orientation, double dpi);
};

// A grid laid out into pages. The layout runs in steps so the interface can stay live: first the
// column widths (with optimal widths every printed row is measured once), then the row bands (with
// stretched lines every row's height is measured). Only the page breaks are kept; a page is drawn
// when it is asked for, so memory does not grow with the number of pages.
class GridPrintJob {
public:
    GridPrintJob(OutputGrid grid, OutputSelection selection, PrintSettings settings, PageFormat format);
    ~GridPrintJob();

    // Does a slice of the layout of about the given number of rows; false when the layout is done.
    bool advance(int rows = 2000);
    // Runs the layout to its end.
    void finish();
    // Ends the layout where it is: the pages laid out so far stay.
    void stop();
    bool done() const { return phase_ == Phase::Done; }

    int pageCount() const;
    // Draws a page in the printer's coordinates (origin at the top left of the printable area).
    void drawPage(QPainter& painter, int page) const;
    const PageFormat& format() const { return format_; }

    // What the layout found, for looking at.
    int rowCount() const { return static_cast<int>(rowCountPrinted()); }
    const std::vector<double>& columnWidths() const { return widths_; }
    const std::vector<pagelayout::ColumnGroup>& groups() const { return groups_; }
    double scale() const { return scale_; }

private:
    enum class Phase { Widths, Rows, Done };
    struct Fonts;
    struct Measure;

    qsizetype rowCountPrinted() const;
    int datasetRow(qsizetype printed) const;
    QString cellText(int datasetRow, int column) const;
    void startRows();
    void finishWidths();
    double rowHeight(int datasetRow) const;
    QRectF content() const; // the area inside the margins, in layout units
    void drawBand(QPainter& p, const PageBand& band, const QFont& font, double top, double bottom, bool footer) const;

    OutputGrid grid_;
    OutputSelection selection_;
    PrintSettings settings_;
    PageFormat format_;
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<Measure> measure_;
    std::vector<int> columns_;      // printed columns: indexes into grid_.columns
    std::vector<int> fieldIndexes_; // per printed column, -1 without a field
    std::vector<double> widths_;    // per printed column, in layout units
    std::vector<QString> titles_;   // per printed column, its title broken into lines for its width
    std::vector<pagelayout::ColumnGroup> groups_;
    std::unique_ptr<pagelayout::BandBreaker> bands_;
    Phase phase_ = Phase::Widths;
    qsizetype next_ = 0; // the next printed row of the running phase
    double scale_ = 1.0;
    double hInset_ = 2, vInset_ = 2;
    double headerHeight_ = 0, footerHeight_ = 0, titleHeight_ = 0, captionHeight_ = 0, fixedRowHeight_ = 0;
};
