#include "GridPrintJob.h"

#include "Dataset.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

PageFormat PageFormat::a4(double dpi) {
    PageFormat f;
    f.dpi = dpi;
    f.paper = QSizeF(210.0 / 25.4 * dpi, 297.0 / 25.4 * dpi);
    f.printable = QRectF(QPointF(0, 0), f.paper);
    return f;
}

PageFormat PageFormat::sheet(QPageSize::PageSizeId size, QPageLayout::Orientation orientation, double dpi) {
    const QSizeF mm = QPageSize(size).size(QPageSize::Millimeter);
    const QSizeF portrait(std::min(mm.width(), mm.height()), std::max(mm.width(), mm.height()));
    const QSizeF turned = orientation == QPageLayout::Landscape ? portrait.transposed() : portrait;
    PageFormat f;
    f.dpi = dpi;
    f.paper = QSizeF(turned.width() / 25.4 * dpi, turned.height() / 25.4 * dpi);
    f.printable = QRectF(QPointF(0, 0), f.paper);
    return f;
}

namespace {

// A font for the device: its size in device pixels, so that it measures and draws the same on the
// printer, in a PDF and on the screen at any zoom.
QFont deviceFont(QFont f, double dpi, double screenDpi, const QString& printFontName) {
    const double px = f.pointSizeF() > 0 ? f.pointSizeF() * dpi / 72.0 : f.pixelSize() * dpi / screenDpi;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    f.setHintingPreference(QFont::PreferNoHinting);
    if (!printFontName.isEmpty())
        f.setFamily(printFontName);
    return f;
}

int lineCount(const QString& text) {
    return static_cast<int>(text.count(u'\n')) + 1;
}

} // namespace

struct GridPrintJob::Fonts {
    QFont grid, title, header, footer;
    std::vector<QFont> cells, titles; // per printed column
    std::vector<QColor> cellColours, titleColours;
};

// The widest texts of each column. Every text is first measured by adding up the advances of its
// characters (a table per font makes that cheap for 100,000 rows); the few widest are measured
// exactly at the end.
struct GridPrintJob::Measure {
    static constexpr int kCandidates = 6;
    struct Column {
        std::array<double, kCandidates> approx{};
        std::array<int, kCandidates> rows{};
        int used = 0;
        void offer(double w, int row) {
            if (used < kCandidates) {
                approx[static_cast<size_t>(used)] = w;
                rows[static_cast<size_t>(used)] = row;
                ++used;
                return;
            }
            auto smallest = std::min_element(approx.begin(), approx.end());
            if (w > *smallest) {
                const auto i = static_cast<size_t>(smallest - approx.begin());
                approx[i] = w;
                rows[i] = row;
            }
        }
    };
    std::vector<Column> columns;
    QHash<QString, std::shared_ptr<std::vector<float>>> advanceTables;
    std::vector<std::shared_ptr<std::vector<float>>> columnTables;
    std::vector<std::unique_ptr<QFontMetricsF>> metrics;

    double approxWidth(int column, const QString& text) {
        std::vector<float>& table = *columnTables[static_cast<size_t>(column)];
        double w = 0;
        for (QChar c : text) {
            float& a = table[c.unicode()];
            if (a < 0)
                a = static_cast<float>(metrics[static_cast<size_t>(column)]->horizontalAdvance(c));
            w += a;
        }
        return w;
    }
};

GridPrintJob::GridPrintJob(OutputGrid grid, OutputSelection selection, PrintSettings settings, PageFormat format)
    : grid_(std::move(grid)), selection_(std::move(selection)), settings_(std::move(settings)), format_(format),
      fonts_(std::make_unique<Fonts>()), measure_(std::make_unique<Measure>()) {
    // A print of the whole list prints every row: the rows still coming are read first.
    if (selection_.allRows && grid_.dataset && grid_.dataset->isOpen())
        grid_.dataset->fetchAll();
    const double dpi = format_.dpi;
    const double sdpi = grid_.screenDpi > 0 ? grid_.screenDpi : 96.0;
    const QString& pf = settings_.printFontName;
    fonts_->grid = deviceFont(grid_.font, dpi, sdpi, pf);
    fonts_->title = deviceFont(grid_.titleFont, dpi, sdpi, pf);
    fonts_->header = deviceFont(settings_.header.font, dpi, sdpi, pf);
    fonts_->footer = deviceFont(settings_.footer.font, dpi, sdpi, pf);
    hInset_ = 2.0 * dpi / sdpi;
    vInset_ = (grid_.flat ? 1.0 : 2.0) * dpi / sdpi;

    if (selection_.columns.empty()) {
        for (int c = 0; c < static_cast<int>(grid_.columns.size()); ++c)
            columns_.push_back(c);
    } else {
        for (int c : selection_.columns)
            if (c >= 0 && c < static_cast<int>(grid_.columns.size()))
                columns_.push_back(c);
    }
    for (int c : columns_) {
        const OutputColumn& col = grid_.columns[static_cast<size_t>(c)];
        const Field* f = grid_.dataset && !col.field.isEmpty() ? grid_.dataset->findField(col.field) : nullptr;
        fieldIndexes_.push_back(f ? f->index() : -1);
        fonts_->cells.push_back(deviceFont(col.font, dpi, sdpi, pf));
        fonts_->titles.push_back(deviceFont(col.titleFont, dpi, sdpi, pf));
        fonts_->cellColours.push_back(col.fontColor);
        fonts_->titleColours.push_back(col.titleFontColor);
    }
    measure_->columns.resize(columns_.size());
    for (const QFont& f : fonts_->cells) {
        const QString key = f.key();
        auto& table = measure_->advanceTables[key];
        if (!table)
            table = std::make_shared<std::vector<float>>(65536, -1.0f);
        measure_->columnTables.push_back(table);
        measure_->metrics.push_back(std::make_unique<QFontMetricsF>(f));
    }
    if (!settings_.optimalWidths)
        finishWidths();
}

GridPrintJob::~GridPrintJob() = default;

qsizetype GridPrintJob::rowCountPrinted() const {
    if (!selection_.allRows)
        return static_cast<qsizetype>(selection_.rows.size());
    return grid_.dataset && grid_.dataset->isOpen() ? grid_.dataset->rowCount() : 0;
}

int GridPrintJob::datasetRow(qsizetype printed) const {
    return selection_.allRows ? static_cast<int>(printed) : selection_.rows[static_cast<size_t>(printed)];
}

QString GridPrintJob::cellText(int row, int column) const {
    const int fi = fieldIndexes_[static_cast<size_t>(column)];
    if (fi < 0 || !grid_.dataset || row < 0 || row >= grid_.dataset->rowCount())
        return QString();
    return grid_.dataset->displayText(row, fi);
}

QRectF GridPrintJob::content() const {
    const double dpi = format_.dpi;
    auto px = [dpi](double cm) { return std::round(dpi * cm / 2.54); };
    const QRectF& pr = format_.printable;
    const double left = std::max(0.0, px(settings_.marginLeft) - pr.left());
    const double top = std::max(0.0, px(settings_.marginTop) - pr.top());
    const double right = std::max(0.0, px(settings_.marginRight) - (format_.paper.width() - pr.right()));
    const double bottom = std::max(0.0, px(settings_.marginBottom) - (format_.paper.height() - pr.bottom()));
    QRectF r(left, top, pr.width() - left - right, pr.height() - top - bottom);
    if (r.width() < dpi / 2)
        r.setWidth(dpi / 2);
    if (r.height() < dpi / 2)
        r.setHeight(dpi / 2);
    return r;
}

bool GridPrintJob::advance(int rows) {
    const qsizetype total = rowCountPrinted();
    if (phase_ == Phase::Widths) {
        const qsizetype end = std::min<qsizetype>(total, next_ + rows);
        const int columns = static_cast<int>(columns_.size());
        for (qsizetype i = next_; i < end; ++i) {
            const int row = datasetRow(i);
            for (int c = 0; c < columns; ++c) {
                const QString text = cellText(row, c);
                if (!text.isEmpty())
                    measure_->columns[static_cast<size_t>(c)].offer(measure_->approxWidth(c, text), row);
            }
        }
        next_ = end;
        if (next_ >= total)
            finishWidths();
        return phase_ != Phase::Done;
    }
    if (phase_ == Phase::Rows) {
        const qsizetype end = std::min<qsizetype>(total, next_ + rows);
        for (qsizetype i = next_; i < end; ++i)
            bands_->addRow(rowHeight(datasetRow(i)));
        next_ = end;
        if (next_ >= total)
            phase_ = Phase::Done;
    }
    return phase_ != Phase::Done;
}

void GridPrintJob::finish() {
    while (advance(100000)) {
    }
}

void GridPrintJob::stop() {
    if (phase_ == Phase::Widths)
        finishWidths(); // with what was measured so far; the bands follow at once unless rows stretch
    phase_ = Phase::Done;
}

namespace {

// A column title in a column of the given text room, as pagelayout lays it out.
struct TitleLines {
    double textWidth = 0;
    QString lines; // joined by line breaks
};
TitleLines layTitle(const QString& title, const QFontMetricsF& fm, double textWidth) {
    const QStringList words = title.simplified().split(u' ', Qt::SkipEmptyParts);
    std::vector<double> widths;
    for (const QString& w : words)
        widths.push_back(fm.horizontalAdvance(w));
    const pagelayout::TitleLayout layout = pagelayout::layTitle(widths, fm.horizontalAdvance(u' '), textWidth);
    TitleLines out;
    out.textWidth = layout.textWidth;
    for (size_t line = 0; line < layout.lineStarts.size(); ++line) {
        const int first = layout.lineStarts[line];
        const int end = line + 1 < layout.lineStarts.size() ? layout.lineStarts[line + 1] : int(words.size());
        if (line > 0)
            out.lines += u'\n';
        out.lines += QStringList(words.mid(first, end - first)).join(u' ');
    }
    return out;
}

} // namespace

void GridPrintJob::finishWidths() {
    const double dpi = format_.dpi;
    const double sdpi = grid_.screenDpi > 0 ? grid_.screenDpi : 96.0;
    const QRectF area = content();
    widths_.clear();
    for (size_t c = 0; c < columns_.size(); ++c) {
        const OutputColumn& col = grid_.columns[static_cast<size_t>(columns_[c])];
        double w = 0;
        if (settings_.optimalWidths) {
            // The widest of 10 pixels, the title and every printed text, each with the insets.
            const QFontMetricsF titleMetrics(fonts_->titles[c]);
            w = std::max(10.0, titleMetrics.horizontalAdvance(col.title));
            const Measure::Column& m = measure_->columns[c];
            for (int i = 0; i < m.used; ++i) {
                const QString text = cellText(m.rows[static_cast<size_t>(i)], static_cast<int>(c));
                w = std::max(w, measure_->metrics[c]->horizontalAdvance(text));
            }
            w = std::ceil(w + 2 * hInset_);
        } else {
            w = std::round((col.width + 1) * dpi / sdpi);
        }
        // Never narrower than the widest word of its title: the title wraps between words.
        if (grid_.showTitles)
            w = std::max(w, std::ceil(layTitle(col.title, QFontMetricsF(fonts_->titles[c]), w - 2 * hInset_).textWidth +
                                      2 * hInset_));
        widths_.push_back(std::min(w, area.width()));
    }
    measure_.reset(); // its tables are not needed any more

    scale_ = 1.0;
    if (settings_.fitWidth) {
        if (settings_.fitType == FitType::ChangeColumnWidths) {
            widths_ = pagelayout::fitWidths(widths_, area.width());
        } else {
            double total = 0;
            for (double w : widths_)
                total += w;
            if (total > area.width() && total > 0)
                scale_ = area.width() / total;
        }
    }
    const double width = area.width() / scale_;
    groups_ = pagelayout::groupColumns(widths_, width);

    // Heights of the parts of a page.
    auto bandHeight = [dpi](const PageBand& band, const QFont& font) {
        double h = 0;
        const QFontMetricsF fm(font);
        bool text = false;
        for (const QString* t : {&band.left, &band.center, &band.right}) {
            if (t->isEmpty())
                continue;
            text = true;
            h = std::max(h, lineCount(*t) * fm.lineSpacing());
        }
        if (text)
            h += dpi / 20;
        if (band.line)
            h += dpi / 20;
        return h;
    };
    headerHeight_ = bandHeight(settings_.header, fonts_->header);
    footerHeight_ = bandHeight(settings_.footer, fonts_->footer);
    const QFontMetricsF titleMetrics(fonts_->title);
    titleHeight_ = settings_.title.isEmpty() ? 0 : settings_.title.size() * titleMetrics.height() + 2 * vInset_;
    captionHeight_ = 0;
    titles_.clear();
    if (grid_.showTitles) {
        // A title wider than its column takes as many lines as it needs.
        for (size_t c = 0; c < columns_.size(); ++c) {
            const QFontMetricsF fm(fonts_->titles[c]);
            const QString& t = grid_.columns[static_cast<size_t>(columns_[c])].title;
            titles_.push_back(layTitle(t, fm, widths_[c] - 2 * hInset_).lines);
            const double h = lineCount(titles_.back()) * fm.lineSpacing() - fm.leading();
            captionHeight_ = std::max(captionHeight_, std::max(h, fm.height()) + 2 * vInset_);
        }
    }
    const QFontMetricsF gridMetrics(fonts_->grid);
    if (grid_.rowHeight > 0)
        fixedRowHeight_ = std::round(grid_.rowHeight * dpi / sdpi);
    else if (grid_.textLines > 0)
        fixedRowHeight_ = grid_.textLines * gridMetrics.height() + 2 * vInset_;
    else
        fixedRowHeight_ = gridMetrics.boundingRect(QStringLiteral("Wg")).height() + 2 * vInset_;
    fixedRowHeight_ = std::max(fixedRowHeight_, gridMetrics.height() + 2 * vInset_);

    const double space = area.height() / scale_ - headerHeight_ - footerHeight_ - titleHeight_ - captionHeight_;
    bands_ = std::make_unique<pagelayout::BandBreaker>(std::max(space, fixedRowHeight_));
    next_ = 0;
    if (settings_.stretch) {
        phase_ = Phase::Rows;
    } else {
        bands_->addRows(static_cast<int>(rowCountPrinted()), fixedRowHeight_);
        phase_ = Phase::Done;
    }
}

double GridPrintJob::rowHeight(int row) const {
    if (!settings_.stretch)
        return fixedRowHeight_;
    double h = fixedRowHeight_;
    for (size_t c = 0; c < columns_.size(); ++c) {
        const QString text = cellText(row, static_cast<int>(c));
        if (text.isEmpty())
            continue;
        const QFontMetricsF fm(fonts_->cells[c]);
        const double inner = std::max(1.0, widths_[c] - 2 * hInset_);
        if (fm.horizontalAdvance(text) <= inner && !text.contains(u'\n'))
            continue;
        h = std::max(h, fm.boundingRect(QRectF(0, 0, inner, 1e6), Qt::TextWordWrap, text).height() + 2 * vInset_);
    }
    return h;
}

int GridPrintJob::pageCount() const {
    if (!bands_ || groups_.empty())
        return 0;
    int bands = static_cast<int>(bands_->bandStarts().size());
    if (phase_ != Phase::Done)
        --bands; // the last band is still filling
    return std::max(0, bands) * static_cast<int>(groups_.size());
}

void GridPrintJob::drawBand(QPainter& p, const PageBand& band, const QFont& font, double top, double bottom,
                            bool footer) const {
    if (band.isEmpty())
        return;
    const QRectF area = content();
    const double width = area.width() / scale_;
    const double gap = format_.dpi / 20;
    p.setFont(font);
    p.setPen(band.fontColor);
    const QFontMetricsF fm(font);
    double textHeight = 0;
    for (const QString* t : {&band.left, &band.center, &band.right})
        if (!t->isEmpty())
            textHeight = std::max(textHeight, lineCount(*t) * fm.lineSpacing());
    const QRectF textRect =
        footer ? QRectF(0, bottom - textHeight, width, textHeight) : QRectF(0, top, width, textHeight);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, band.left);
    p.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop, band.center);
    p.drawText(textRect, Qt::AlignRight | Qt::AlignTop, band.right);
    if (band.line) {
        const double y = footer ? textRect.top() - gap : textRect.bottom() + gap;
        p.setPen(QPen(Qt::black, std::max(1.0, format_.dpi / 96.0)));
        p.drawLine(QPointF(0, y), QPointF(width, y));
    }
}

void GridPrintJob::drawPage(QPainter& p, int page) const {
    if (page < 0 || page >= pageCount())
        return;
    const pagelayout::PageRef ref =
        pagelayout::pageAt(page, bands_->bandStarts(), bands_->rowCount(), static_cast<int>(groups_.size()));
    const pagelayout::ColumnGroup& group = groups_[static_cast<size_t>(ref.group)];
    const QRectF area = content();
    const double pageHeight = area.height() / scale_;
    p.save();
    p.translate(area.topLeft());
    p.scale(scale_, scale_);
    const QPen framePen(Qt::black, std::max(1.0, format_.dpi / 150.0));
    const bool colored = settings_.colored;

    drawBand(p, settings_.header, fonts_->header, 0, pageHeight, false);
    double y = headerHeight_;
    const int textFlags = settings_.stretch ? int(Qt::TextWordWrap | Qt::AlignTop) : int(Qt::AlignVCenter);

    if (titleHeight_ > 0) {
        const QRectF box(0, y, group.width, titleHeight_);
        if (colored)
            p.fillRect(box, grid_.fixedColor);
        p.setPen(framePen);
        p.drawRect(box);
        p.setFont(fonts_->title);
        p.setPen(grid_.columns.empty() ? QColor(Qt::black) : grid_.columns.front().titleFontColor);
        p.drawText(box, Qt::AlignCenter, settings_.title.join(u'\n'));
        y += titleHeight_;
    }
    if (captionHeight_ > 0) {
        double x = 0;
        for (int c = group.first; c < group.first + group.count; ++c) {
            const size_t ci = static_cast<size_t>(c);
            const OutputColumn& col = grid_.columns[static_cast<size_t>(columns_[ci])];
            const QRectF cell(x, y, widths_[ci], captionHeight_);
            if (colored)
                p.fillRect(cell, grid_.fixedColor);
            p.setPen(framePen);
            p.drawRect(cell);
            p.setFont(fonts_->titles[ci]);
            p.setPen(fonts_->titleColours[ci]);
            p.drawText(cell.adjusted(hInset_, vInset_, -hInset_, -vInset_),
                       int(col.titleAlignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter, titles_[ci]);
            x += widths_[ci];
        }
        y += captionHeight_;
    }
    for (int r = ref.firstRow; r < ref.endRow; ++r) {
        const int row = datasetRow(r);
        const double h = rowHeight(row);
        double x = 0;
        for (int c = group.first; c < group.first + group.count; ++c) {
            const size_t ci = static_cast<size_t>(c);
            const OutputColumn& col = grid_.columns[static_cast<size_t>(columns_[ci])];
            const QRectF cell(x, y, widths_[ci], h);
            if (colored)
                p.fillRect(cell, col.color);
            p.setPen(framePen);
            p.drawRect(cell);
            const QString text = cellText(row, c);
            if (!text.isEmpty()) {
                p.setFont(fonts_->cells[ci]);
                p.setPen(fonts_->cellColours[ci]);
                p.drawText(cell.adjusted(hInset_, vInset_, -hInset_, -vInset_),
                           int(col.alignment & Qt::AlignHorizontal_Mask) | textFlags, text);
            }
            x += widths_[ci];
        }
        y += h;
    }
    drawBand(p, settings_.footer, fonts_->footer, 0, pageHeight, true);
    p.restore();
}
