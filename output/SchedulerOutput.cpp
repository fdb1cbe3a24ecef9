#include "SchedulerOutput.h"

#include "DatasetGridView.h"
#include "GridExportCommand.h"
#include "PrintDBGridEh.h"

SchedulerOutput::SchedulerOutput(DatasetGridView& grid, TPreviewForm& preview, QWidget* window)
    : QObject(window), grid_(grid), window_(window) {
    setObjectName(QStringLiteral("SchedulerOutput"));
    PrintDBGridEh1 = new PrintDBGridEh(PrintSettings::forTasks(), preview, this);
    PrintDBGridEh1->setDBGridEh(&grid);
}

void SchedulerOutput::acToExcelExecute() {
    gridexportcommand::run(grid_, gridexportcommand::Format::Xls, gridexportcommand::schedulerExcelDialog(), window_);
}

void SchedulerOutput::acPrintExecute() {
    PrintDBGridEh1->Preview();
}
