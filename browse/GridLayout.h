#pragma once

#include <QFlags>
#include <QString>
#include <vector>

class IniFile;

// The state of one grid column, as the layout file keeps it.
struct ColumnState {
    QString field;
    int width = 0;
    int marker = 0; // SortMarker: 0 none, 1 down, 2 up
    bool visible = true;
    int sortIndex = 0;
    // Lookup-list settings: carried through the file, never changed by the program.
    int dropDownRows = 7;
    int dropDownWidth = 0;

    friend bool operator==(const ColumnState&, const ColumnState&) = default;
};

// One grid: its columns in display order (a column's position is its index) and its row settings.
struct GridColumns {
    std::vector<ColumnState> columns;
    int rowHeight = 0;
    int textLines = 0;

    friend bool operator==(const GridColumns&, const GridColumns&) = default;
};

enum class LayoutPart {
    Position = 0x01,
    Width = 0x02,
    Marker = 0x04, // with the sort index
    Visibility = 0x08,
    RowHeight = 0x10, // with the text lines per row
};
Q_DECLARE_FLAGS(LayoutParts, LayoutPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(LayoutParts)

inline constexpr LayoutParts AllLayoutParts = LayoutParts(LayoutPart::Position) | LayoutPart::Width |
                                              LayoutPart::Marker | LayoutPart::Visibility | LayoutPart::RowHeight;

// Writes "gridName.FIELD" for every column in order, then "(Default)", into the section. Keys already in the
// file are kept (only overwritten), and the grids of one window share "(Default)", so the last grid written
// decides it. The caller saves the file.
void SaveGridLayout(const GridColumns& grid, IniFile& file, const QString& section, const QString& gridName);

// Reads the grid's keys from the section and applies the chosen parts. A missing or empty key leaves its
// column alone; a word that is missing or not a sound number leaves its setting alone, except the sort index,
// which is then 0. A present "(Default)" sets both row values, 0 for a word that is missing or not a number.
void RestoreGridLayout(GridColumns& grid, const IniFile& file, const QString& section, const QString& gridName,
                       LayoutParts parts);

// Makes every column visible except NUM_MAIN, which it never touches: it only ever turns columns on.
void showAllColumns(GridColumns& grid);
