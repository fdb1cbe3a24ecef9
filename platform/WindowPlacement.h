#pragma once

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

} // namespace placement
