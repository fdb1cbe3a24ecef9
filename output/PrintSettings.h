#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

// A page header or footer: three texts aligned left, centred and right, an optional line and a font.
struct PageBand {
    QString left;
    QString center;
    QString right;
    bool line = false; // the footer's line above its text, the header's below
    QFont font;
    QColor fontColor = Qt::black;
    bool isEmpty() const { return left.isEmpty() && center.isEmpty() && right.isEmpty() && !line; }
};

enum class FitType { ScaleGrid, ChangeColumnWidths };

// The print settings of one window; they live as long as the window and are never saved.
struct PrintSettings {
    double marginTop = 2.0; // centimetres
    double marginBottom = 2.0;
    double marginLeft = 2.0;
    double marginRight = 2.0;
    bool optimalWidths = false;
    bool fitWidth = false;
    FitType fitType = FitType::ScaleGrid;
    bool stretch = false;
    bool colored = false;
    QStringList title;
    PageBand header;
    PageBand footer;
    QString printFontName; // empty: the grid's own fonts
    // The sheet the pages are laid out on: the PDF's, and the printer's when one is installed.
    QPageSize::PageSizeId paperSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;

    // The main window's settings: optimal widths, its title, a footer with a line whose right text
    // collects the print stamps.
    static PrintSettings forContacts();
    // The scheduler's: no title, no footer texts.
    static PrintSettings forTasks();

    // "<long date> hh:mm" as a new line at the end of the footer's right text.
    void addFooterStamp(const QDateTime& when);
    static QString stamp(const QDateTime& when);
};
