#include "PageLayout.h"

#include <algorithm>
#include <numeric>

namespace pagelayout {

std::vector<ColumnGroup> groupColumns(const std::vector<double>& widths, double printableWidth) {
    std::vector<ColumnGroup> groups;
    ColumnGroup current;
    for (int i = 0; i < static_cast<int>(widths.size()); ++i) {
        const double w = widths[static_cast<size_t>(i)];
        if (current.count > 0 && current.width + w > printableWidth + 1e-6) {
            groups.push_back(current);
            current = ColumnGroup{i, 0, 0};
        }
        if (current.count == 0)
            current.first = i;
        ++current.count;
        current.width += w;
    }
    if (current.count > 0 || groups.empty())
        groups.push_back(current);
    return groups;
}

std::vector<double> fitWidths(const std::vector<double>& widths, double printableWidth) {
    const double total = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (total <= printableWidth || total <= 0)
        return widths;
    std::vector<double> out = widths;
    for (double& w : out)
        w = w * printableWidth / total;
    return out;
}

void BandBreaker::addRow(double height) {
    if (rows_ > starts_.back() && used_ + height > space_ + 1e-6) {
        starts_.push_back(rows_);
        used_ = 0;
    }
    used_ += height;
    ++rows_;
}

void BandBreaker::addRows(int count, double height) {
    if (count <= 0)
        return;
    if (height <= 0) {
        rows_ += count;
        return;
    }
    const int perBand = std::max(1, static_cast<int>((space_ + 1e-6) / height));
    // Fill the band that is open, then whole bands.
    const int inBand = rows_ - starts_.back();
    int room = inBand == 0 ? perBand : std::max(0, static_cast<int>((space_ - used_ + 1e-6) / height));
    int take = std::min(room, count);
    rows_ += take;
    used_ += take * height;
    count -= take;
    while (count > 0) {
        starts_.push_back(rows_);
        take = std::min(perBand, count);
        rows_ += take;
        used_ = take * height;
        count -= take;
    }
}

TitleLayout layTitle(const std::vector<double>& wordWidths, double spaceWidth, double textWidth) {
    TitleLayout layout;
    layout.textWidth = textWidth;
    for (double w : wordWidths)
        layout.textWidth = std::max(layout.textWidth, w);
    layout.lineStarts.push_back(0);
    double used = 0;
    for (int i = 0; i < static_cast<int>(wordWidths.size()); ++i) {
        const double w = wordWidths[static_cast<size_t>(i)];
        if (i > layout.lineStarts.back() && used + spaceWidth + w > layout.textWidth + 1e-6) {
            layout.lineStarts.push_back(i);
            used = 0;
        }
        used += (i > layout.lineStarts.back() ? spaceWidth : 0) + w;
    }
    return layout;
}

PageRef pageAt(int page, const std::vector<int>& bandStarts, int rowCount, int groupCount) {
    PageRef ref;
    if (groupCount <= 0 || bandStarts.empty())
        return ref;
    ref.band = std::clamp(page / groupCount, 0, static_cast<int>(bandStarts.size()) - 1);
    ref.group = page % groupCount;
    ref.firstRow = bandStarts[static_cast<size_t>(ref.band)];
    ref.endRow =
        ref.band + 1 < static_cast<int>(bandStarts.size()) ? bandStarts[static_cast<size_t>(ref.band) + 1] : rowCount;
    return ref;
}

} // namespace pagelayout
