#pragma once

#include "PrintSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

// "Printer setup": margins, fitting, optimal widths, stretched lines, colour and the print font of a
// window's print settings. It shows the settings it is given and hands them back changed on "&Ok".
class TPrintSetupDialog : public QDialog {
    Q_OBJECT
public:
    // The printer, when one is installed, is the one "&Printer setup" sets up.
    explicit TPrintSetupDialog(const PrintSettings& settings, QPrinter* printer = nullptr, QWidget* parent = nullptr);

    // The settings as the dialog shows them.
    PrintSettings settings() const;

    QGroupBox* gbMargins = nullptr;
    QDoubleSpinBox* edTop = nullptr;
    QDoubleSpinBox* edBottom = nullptr;
    QDoubleSpinBox* edLeft = nullptr;
    QDoubleSpinBox* edRight = nullptr;
    // The sheet: chosen here with or without a printer; "&Printer setup" sets up the printer itself.
    QGroupBox* gbPaper = nullptr;
    QComboBox* cbPaperSize = nullptr;
    QRadioButton* rbPortrait = nullptr;
    QRadioButton* rbLandscape = nullptr;
    QCheckBox* cbFitWidth = nullptr;
    QRadioButton* rbScaleGrid = nullptr;
    QRadioButton* rbChangeWidths = nullptr;
    QCheckBox* cbOptimalWidths = nullptr;
    QCheckBox* cbStretch = nullptr;
    QCheckBox* cbColored = nullptr;
    QLineEdit* edFontName = nullptr;
    QPushButton* bFont = nullptr;
    QPushButton* bPrinterSetup = nullptr;
    QPushButton* bOk = nullptr;
    QPushButton* bCancel = nullptr;

    // The paper sizes offered, in the order of the list.
    static const QList<QPageSize::PageSizeId>& paperSizes();

private:
    void showPaper(QPageSize::PageSizeId size, QPageLayout::Orientation orientation);
    void FontClick();
    void PrinterSetupClick();

    PrintSettings settings_;
    QPrinter* printer_;
};
