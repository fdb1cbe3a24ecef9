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
// The message that refuses an XLS export of too many rows; it offers XLSX and HTML instead.
QString tooManyRowsMessage(int rows, int limit);

// The rows of the grid's dataset that an export writes (the titles not counted).
int dataRowCount(const OutputGrid& grid);
// Rows of an XLS file (the title row included) past which python xlrd, and so pandas, give up on
// it: they take the file's version for BIFF5, whose row counter ends at 16,384.
constexpr int kXlsReadableRows = 16384;
// Whether some common readers would refuse the grid's XLS file for its length.
bool xlsTooLongForSomeReaders(const OutputGrid& grid);

// An Office Open XML worksheet (Excel 2007+, .xlsx) holds 1,048,576 rows, the title row included.
int maxXlsxDataRows(const OutputGrid& grid);
bool fitsXlsx(const OutputGrid& grid);
// The message that refuses an XLSX export of too many rows.
QString tooManyXlsxRowsMessage(int rows, int limit);
// An Excel 2007+ worksheet written in constant memory: texts as Unicode, integer fields as numbers,
// bold titles in a first row that stays in view, the grid's column widths. Throws OutputError for too
// many rows before the file is created.
void writeXlsx(const OutputGrid& grid, const QString& path);

// A BIFF worksheet stream. Throws OutputError for too many rows before the file is created.
void writeXls(const OutputGrid& grid, const QString& path);
// An HTML 3.2 table document; charsetLine names windows-1251 in the HEAD.
void writeHtml(const OutputGrid& grid, const QString& path, bool charsetLine = true);

} // namespace gridexport
