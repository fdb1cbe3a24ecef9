#pragma once

#include <vector>

// Where the pages of a printed grid break, in pure arithmetic: which columns go together on a page
// and which rows fill a page's height. Pages run band by band: for each band of rows one page per
// column group, left to right.
namespace pagelayout {

struct ColumnGroup {
    int first = 0; // index of the first column
    int count = 0;
    double width = 0;
};

// Consecutive groups that each fit the width; a group holds at least one column.
std::vector<ColumnGroup> groupColumns(const std::vector<double>& widths, double printableWidth);

// Widths scaled in proportion so that they add up to the printable width, when they are wider.
std::vector<double> fitWidths(const std::vector<double>& widths, double printableWidth);

// Bands of rows from row heights given one at a time: a row that would cross the space of a page
// starts a new band; every band holds at least one row. An empty list gives one empty band.
class BandBreaker {
public:
    explicit BandBreaker(double space) : space_(space) {}
    void addRow(double height);
    // Rows of equal height, all at once.
    void addRows(int count, double height);
    // The first row of each band.
    const std::vector<int>& bandStarts() const { return starts_; }
    int rowCount() const { return rows_; }

private:
    double space_;
    double used_ = 0;
    int rows_ = 0;
    std::vector<int> starts_{0};
};

// A column title in its column: the column's text room widens to the title's widest word, so that no
// word is cut, and the words break at spaces into lines that each fit that room.
struct TitleLayout {
    double textWidth = 0;        // the room for the title, widened where a word needs it
    std::vector<int> lineStarts; // the first word of each line; {0} for a title without words
};
TitleLayout layTitle(const std::vector<double>& wordWidths, double spaceWidth, double textWidth);

struct PageRef {
    int band = 0;
    int group = 0;
    int firstRow = 0; // index into the printed rows
    int endRow = 0;   // one past the last
};

// The page of the given number, counted from 0, for bands and groups as above.
PageRef pageAt(int page, const std::vector<int>& bandStarts, int rowCount, int groupCount);
inline int pageCount(const std::vector<int>& bandStarts, int groupCount) {
    return static_cast<int>(bandStarts.size()) * groupCount;
}

} // namespace pagelayout
