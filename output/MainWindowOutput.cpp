#include "MainWindowOutput.h"

#include "ContactPages.h"
#include "DBGridEh.h"
#include "GridExportCommand.h"
#include "PrintDBGridEh.h"

#include <QDateTime>

MainWindowOutput::MainWindowOutput(ContactPages& pages, TPreviewForm& preview, QWidget* window)
    : QObject(window), pages_(pages), window_(window) {
    setObjectName(QStringLiteral("MainWindowOutput"));
    PrintDBGridEh1 = new PrintDBGridEh(PrintSettings::forContacts(), preview, this);
}

DBGridEh* MainWindowOutput::currentGrid() const {
    QWidget* page = pages_.currentWidget();
    for (DBGridEh* grid : pages_.grids())
        if (page && (grid == page || page->isAncestorOf(grid)))
            return grid;
    return pages_.DBGridEh1;
}

void MainWindowOutput::acToExcelExecute() {
    // Export always takes the grid of the first tab, whichever tab is current.
    gridexportcommand::run(*pages_.DBGridEh1, gridexportcommand::Format::Xls, gridexportcommand::mainExcelDialog(),
                           window_);
}

void MainWindowOutput::acToHTMLExecute() {
    gridexportcommand::run(*pages_.DBGridEh1, gridexportcommand::Format::Html, gridexportcommand::mainHtmlDialog(),
                           window_);
}

void MainWindowOutput::acPrintExecute() {
    PrintDBGridEh1->setDBGridEh(currentGrid());
    PrintDBGridEh1->settings().addFooterStamp(QDateTime::currentDateTime());
    PrintDBGridEh1->Preview();
}
