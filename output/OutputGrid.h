#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>
#include <vector>

class Dataset;

// One column of a grid as export and printing see it: what the grid shows, in the grid's order.
struct OutputColumn {
    QString field;  // the column's field name; empty for a column without a field
    QString title;  // the title text the grid shows
    int width = 64; // the column's width on screen, in pixels
    Qt::Alignment alignment = Qt::AlignLeft;
    Qt::Alignment titleAlignment = Qt::AlignHCenter;
    QFont font;                   // the cells' font
    QColor fontColor = Qt::black; // the cells' text colour
    QFont titleFont;              // the title's font
    QColor titleFontColor = Qt::black;
    QColor color = Qt::white; // the cells' background
};

// A grid's contents as export and printing take them: the dataset, the visible columns in the order
// the grid shows them, and the grid's look.
struct OutputGrid {
    QString name = QStringLiteral("DBGridEh1"); // the grid's component name (the HTML title)
    Dataset* dataset = nullptr;
    std::vector<OutputColumn> columns;
    bool showTitles = true;
    bool columnLines = true;
    bool rowLines = true;
    bool ctl3d = true;
    bool flat = false;
    QColor fixedColor = QColor(0xF0, 0xF0, 0xF0); // the colour of the title cells
    QFont font;                                   // the grid's own font
    QFont titleFont;                              // the grid's title font
    int rowHeight = 0;                            // set by the grid, in screen pixels; 0: from the font
    int textLines = 0;                            // text lines per row set by the grid; 0: one
    double screenDpi = 96.0;
};

// Which rows and columns of a grid are printed: every row (rows empty, allRows true) or the listed
// rows; every column or the listed column indexes into OutputGrid::columns.
struct OutputSelection {
    bool allRows = true;
    std::vector<int> rows;    // dataset rows, in order
    std::vector<int> columns; // empty: every column
};
