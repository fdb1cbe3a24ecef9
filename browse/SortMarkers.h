#pragma once

#include "GridLayout.h"

#include <cstddef>

// The marker a sortable column title shows. It is display only: the list is always ascending by the last
// clicked column.
enum SortMarker : int {
    SortMarkerNone = 0,
    SortMarkerDown = 1,
    SortMarkerUp = 2,
};

// The marker after a click on a title showing `marker`: none -> down -> up -> down. With Ctrl held, up goes
// to none instead, so a title can leave a multi-column marking.
int nextSortMarker(int marker, bool ctrlHeld);

// A click on the title of `column`. Without Ctrl every other title of the grid loses its marker first; with
// Ctrl the others keep theirs. Sort indexes number the marked titles from 1 in the order they were marked,
// and are 0 for unmarked titles. A column index outside the grid changes nothing.
void clickSortTitle(GridColumns& grid, std::size_t column, bool ctrlHeld);
