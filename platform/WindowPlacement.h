#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

class IniFile;

// A window's placement as the placement file keeps it, in a section named after the window's class.
namespace placement {

enum class ShowState { Normal, Minimized, Maximized };

struct Saved {
    int flags = 0;
    int showCmd = 1;
    int pixelsPerInch = 96;
    QPoint minPos{-1, -1};
    QPoint maxPos{-1, -1};
    QRect normal; // left, top, right, bottom as the file holds them
    bool visible = false;
};

// What a show applies, decided from the section and the window's current values.
struct Restored {
    bool sectionApplied = false;
    std::optional<QRect> normal; // set when the positions apply and the rectangle is sound
    ShowState state = ShowState::Normal;
};

// Reads the section; isMainWindow decides the state for a missing or unknown ShowCmd.
Restored read(const IniFile& file, const QString& section, int currentPixelsPerInch, bool isMainWindow);

// Writes the keys in their order: FormVersion, Flags, ShowCmd, PixelsPerInch, MinMaxPos, NormPos, Visible.
void write(IniFile& file, const QString& section, const Saved& saved);

// ShowCmd of a window in the given state.
int showCmdFor(ShowState state);

// Where a restored window goes so that the user can reach it: the available area (of several
// screens, the one the rectangle overlaps most, else the first) takes the whole rectangle. A
// rectangle larger than the area shrinks to it, though never below the window's minimum size, and
// one lying partly or wholly outside is moved in. An empty list of areas leaves the rectangle alone.
QRect fitOnScreen(const QRect& wanted, const QList<QRect>& areas, const QSize& minimum = QSize());

// The width of the first of two panes side by side, limited so that the first keeps at least
// minFirst and the second at least minSecond of the total; when both cannot, the first gets minFirst.
int fitSplit(int wanted, int total, int minFirst, int minSecond);

} // namespace placement
