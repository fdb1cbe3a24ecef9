#pragma once

#include "OutputGrid.h"

class DatasetGridView;

// What export and printing take from a grid on screen: its dataset, its visible columns in the order
// shown with their titles, widths, fonts and colours, and what the user has selected.
namespace gridsnapshot {

OutputGrid of(const DatasetGridView& grid);

// The rows and columns to print: the selected rows; the rows and columns of a selected rectangle of
// cells; the selected columns; or, with nothing selected beyond the current cell, everything.
OutputSelection selectionOf(const DatasetGridView& grid);

} // namespace gridsnapshot
