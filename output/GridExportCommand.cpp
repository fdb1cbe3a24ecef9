#include "GridExportCommand.h"

#include "Dataset.h"
#include "DatasetGridView.h"
#include "GridExport.h"
#include "GridSnapshot.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "OutputStream.h"
#include "ProgramFolder.h"
#include "SaveFileDialog.h"

#include <QApplication>
#include <QScrollBar>

namespace gridexportcommand {

Dialog mainExcelDialog() {
    return {QStringLiteral("SaveDialog1"), QStringLiteral("MS Excel files (*.xls)"), QStringLiteral("xls")};
}
Dialog mainHtmlDialog() {
    return {QStringLiteral("SaveDialog2"), QStringLiteral("HTML files (*.html)"), QStringLiteral("html")};
}
Dialog schedulerExcelDialog() {
    return {QStringLiteral("SaveDialog1"), QStringLiteral("Excel files (*.xls)"), QStringLiteral("xls")};
}

namespace {

// Keeps the grid still while its dataset is read: the views are told nothing, and the scroll
// position is put back afterwards.
class DetachedGrid {
public:
    explicit DetachedGrid(DatasetGridView& grid)
        : grid_(grid), dataset_(grid.dataset()), vertical_(grid.verticalScrollBar()->value()),
          horizontal_(grid.horizontalScrollBar()->value()), current_(grid.currentIndex()) {
        if (dataset_)
            dataset_->disableControls();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~DetachedGrid() {
        QApplication::restoreOverrideCursor();
        if (dataset_)
            dataset_->enableControls();
        if (current_.isValid() && grid_.currentIndex() != current_)
            grid_.setCurrentIndex(current_);
        grid_.verticalScrollBar()->setValue(vertical_);
        grid_.horizontalScrollBar()->setValue(horizontal_);
    }

private:
    DatasetGridView& grid_;
    Dataset* dataset_;
    int vertical_, horizontal_;
    QPersistentModelIndex current_;
};

} // namespace

bool run(DatasetGridView& grid, Format format, const Dialog& dialog, QWidget* owner) {
    const QString path =
        savefile::ask(owner, {dialog.objectName, dialog.filter, dialog.defaultSuffix, programfolder::documentsPath()});
    if (path.isEmpty())
        return false;
    try {
        const OutputGrid snapshot = gridsnapshot::of(grid);
        DetachedGrid detached(grid);
        if (format == Format::Xls)
            gridexport::writeXls(snapshot, path);
        else
            gridexport::writeHtml(snapshot, path);
    } catch (const OutputError& e) {
        msgbox::showError(e.message());
        return false;
    }
    msgbox::showInformation(LangMessage(QStringLiteral("M003"), QStringLiteral("M003")));
    return true;
}

} // namespace gridexportcommand
