#include "SortMarkers.h"

#include <algorithm>

int nextSortMarker(int marker, bool ctrlHeld) {
    switch (marker) {
    case SortMarkerNone:
        return SortMarkerDown;
    case SortMarkerDown:
        return SortMarkerUp;
    default:
        return ctrlHeld ? SortMarkerNone : SortMarkerDown;
    }
}

void clickSortTitle(GridColumns& grid, std::size_t column, bool ctrlHeld) {
    auto& columns = grid.columns;
    if (column >= columns.size())
        return;
    ColumnState& clicked = columns[column];
    const int before = clicked.marker;

    if (!ctrlHeld) {
        // A plain click leaves this title as the only marked one.
        for (ColumnState& c : columns) {
            c.marker = SortMarkerNone;
            c.sortIndex = 0;
        }
        clicked.marker = nextSortMarker(before, false);
        clicked.sortIndex = 1;
        return;
    }

    clicked.marker = nextSortMarker(before, true);
    if (clicked.marker == SortMarkerNone) {
        // Leaving the marking closes the gap in the numbering.
        const int leaving = clicked.sortIndex;
        clicked.sortIndex = 0;
        for (ColumnState& c : columns)
            if (leaving > 0 && c.sortIndex > leaving)
                --c.sortIndex;
    } else if (before == SortMarkerNone || clicked.sortIndex <= 0) {
        int last = 0;
        for (const ColumnState& c : columns)
            if (&c != &clicked && c.marker != SortMarkerNone)
                last = std::max(last, c.sortIndex);
        clicked.sortIndex = last + 1;
    }
}
