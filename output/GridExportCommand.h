#pragma once

#include <QString>

class DatasetGridView;
class QWidget;

// The export commands of a window: ask for the file, write the whole grid, say so.
namespace gridexportcommand {

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

// Asks for a file starting in the program folder and writes the grid: its dataset is detached from
// the windows while the file is written, and the grid's current row and scroll position are kept.
// M003 afterwards; a failure goes to the error box. Returns whether a file was written.
bool run(DatasetGridView& grid, Format format, const Dialog& dialog, QWidget* owner = nullptr);

} // namespace gridexportcommand
