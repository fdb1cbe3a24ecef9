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
#include <QDir>
#include <QScrollBar>

namespace gridexportcommand {

namespace {
// The second file type of every Excel command.
const QString xlsxFilter = QStringLiteral(";;Excel 2007+ (*.xlsx)");
} // namespace

Dialog mainExcelDialog() {
    return {QStringLiteral("SaveDialog1"), QStringLiteral("MS Excel files (*.xls)") + xlsxFilter,
            QStringLiteral("xls")};
}
Dialog mainHtmlDialog() {
    return {QStringLiteral("SaveDialog2"), QStringLiteral("HTML files (*.html)"), QStringLiteral("html")};
}
Dialog schedulerExcelDialog() {
    return {QStringLiteral("SaveDialog1"), QStringLiteral("Excel files (*.xls)") + xlsxFilter, QStringLiteral("xls")};
}

bool isXlsxPath(const QString& path) {
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

QString xlsxPathFor(const QString& path) {
    if (path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return path + u'x';
    return path + QStringLiteral(".xlsx");
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

QString text(const char* key, const char* russian) {
    const QString k = QString::fromLatin1(key);
    const QString t = LangMessage(k, k);
    return t.isEmpty() || t == k ? QString::fromUtf8(russian) : t;
}

// The Excel format of an export to the path: the file's extension chooses, and an XLS file too long
// for it (or for some of its readers) may become an XLSX beside it. Empty when the user cancels.
QString excelPath(const OutputGrid& grid, const QString& path) {
    if (isXlsxPath(path))
        return path;
    const int rows = gridexport::dataRowCount(grid);
    const QString xlsx = QDir::toNativeSeparators(xlsxPathFor(path));
    if (!gridexport::fitsXls(grid)) {
        const bool yes = msgbox::confirm(text("M233", "Список содержит %1 строк, а файл Excel (XLS) вмещает не более "
                                                      "%2. Сохранить список в формате Excel 2007+ (XLSX) в файл %3?")
                                             .arg(rows)
                                             .arg(gridexport::maxXlsDataRows(grid))
                                             .arg(xlsx));
        return yes ? xlsxPathFor(path) : QString();
    }
    if (gridexport::xlsTooLongForSomeReaders(grid)) {
        switch (msgbox::askYesNoCancel(
            text("M234", "Список содержит %1 строк. Файл XLS длиннее %2 строк не читают некоторые программы "
                         "(например, python xlrd и pandas), а файл Excel 2007+ (XLSX) читают все. Сохранить список "
                         "в формате XLSX в файл %3? «Нет» сохранит файл XLS.")
                .arg(rows)
                .arg(gridexport::kXlsReadableRows)
                .arg(xlsx))) {
        case QMessageBox::Yes:
            return xlsxPathFor(path);
        case QMessageBox::No:
            return path;
        default:
            return {};
        }
    }
    return path;
}

} // namespace

bool run(DatasetGridView& grid, Format format, const Dialog& dialog, QWidget* owner) {
    const QString path =
        savefile::ask(owner, {dialog.objectName, dialog.filter, dialog.defaultSuffix, programfolder::documentsPath()});
    if (path.isEmpty())
        return false;
    try {
        const OutputGrid snapshot = gridsnapshot::of(grid);
        const QString target = format == Format::Xls ? excelPath(snapshot, path) : path;
        if (target.isEmpty())
            return false;
        DetachedGrid detached(grid);
        if (format == Format::Html)
            gridexport::writeHtml(snapshot, target);
        else if (isXlsxPath(target))
            gridexport::writeXlsx(snapshot, target);
        else
            gridexport::writeXls(snapshot, target);
    } catch (const OutputError& e) {
        msgbox::showError(e.message());
        return false;
    }
    msgbox::showInformation(LangMessage(QStringLiteral("M003"), QStringLiteral("M003")));
    return true;
}

} // namespace gridexportcommand
