#pragma once

#include "OutputGrid.h"

#include <QString>

// Writing a whole grid to a file, cell by cell, straight to the file: every row of the grid's
// dataset from the first to the last, its visible columns in the grid's order, the titles first.
// The dataset's cursor is not moved. Failures throw OutputError.
namespace gridexport {

// The row counter of the BIFF stream is 16 bits wide: with the title row, 65,535 data rows fit.
constexpr int kMaxXlsRows = 65536;
// The number of data rows that an XLS file of this grid can hold.
int maxXlsDataRows(const OutputGrid& grid);
// Whether the grid's rows fit an XLS file.
bool fitsXls(const OutputGrid& grid);
// The message that refuses an XLS export of too many rows.
QString tooManyRowsMessage(int rows, int limit);

// A BIFF worksheet stream. Throws OutputError for too many rows before the file is created.
void writeXls(const OutputGrid& grid, const QString& path);
// An HTML 3.2 table document; charsetLine names windows-1251 in the HEAD.
void writeHtml(const OutputGrid& grid, const QString& path, bool charsetLine = true);

} // namespace gridexport
