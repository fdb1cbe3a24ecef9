#pragma once

#include <QObject>

class DatasetGridView;
class PrintDBGridEh;
class TPreviewForm;
class QWidget;

// The scheduler window's export and print commands over its task grid: an XLS file with its own
// save dialog, and printing with print settings of its own (no title, no footer texts).
class SchedulerOutput : public QObject {
    Q_OBJECT
public:
    SchedulerOutput(DatasetGridView& grid, TPreviewForm& preview, QWidget* window);

    PrintDBGridEh* PrintDBGridEh1 = nullptr;

public Q_SLOTS:
    void acToExcelExecute();
    void acPrintExecute();

private:
    DatasetGridView& grid_;
    QWidget* window_;
};
