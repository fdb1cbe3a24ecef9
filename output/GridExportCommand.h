#pragma once

#include <QString>

class DatasetGridView;
class QWidget;

// The export commands of a window: ask for the file, write the whole grid, say so.
namespace gridexportcommand {

// Xls: the Excel command, which writes XLS or, for a name ending in ".xlsx", Excel 2007+ (XLSX).
enum class Format { Xls, Html };

struct Dialog {
    QString objectName;    // "SaveDialog1"
    QString filter;        // "MS Excel files (*.xls)"
    QString defaultSuffix; // "xls"
};

// The main window's two dialogs and the scheduler's.
Dialog mainExcelDialog();
Dialog mainHtmlDialog();
Dialog schedulerExcelDialog();

// Whether a file name asks for Excel 2007+ (XLSX).
bool isXlsxPath(const QString& path);
// The XLSX name offered for an XLS name: "list.xls" gives "list.xlsx".
QString xlsxPathFor(const QString& path);

// Asks for a file starting in the program folder and writes the grid: its dataset is detached from
// the windows while the file is written, and the grid's current row and scroll position are kept.
// The Excel command offers XLSX for a list longer than some readers take in XLS (M234) and for one
// longer than XLS holds (M233, else refused). M003 afterwards; a failure goes to the error box. Returns whether a file
// was written.
bool run(DatasetGridView& grid, Format format, const Dialog& dialog, QWidget* owner = nullptr);

} // namespace gridexportcommand
