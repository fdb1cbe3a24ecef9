#pragma once

#include "PrintSettings.h"

#include <QDialog>

class QCheckBox;
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

private:
    void FontClick();
    void PrinterSetupClick();

    PrintSettings settings_;
    QPrinter* printer_;
};
