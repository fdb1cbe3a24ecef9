#include "PrintSetupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* marginBox(QWidget* parent, const char* name, double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setRange(0, 20);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" cm"));
    box->setValue(value);
    return box;
}

} // namespace

TPrintSetupDialog::TPrintSetupDialog(const PrintSettings& settings, QPrinter* printer, QWidget* parent)
    : QDialog(parent), settings_(settings), printer_(printer) {
    setObjectName(QStringLiteral("PrintSetupDialog"));
    setWindowTitle(QStringLiteral("Printer setup"));

    gbMargins = new QGroupBox(QStringLiteral(" &Margins "), this);
    gbMargins->setObjectName(QStringLiteral("gbMargins"));
    edTop = marginBox(gbMargins, "edTop", settings.marginTop);
    edBottom = marginBox(gbMargins, "edBottom", settings.marginBottom);
    edLeft = marginBox(gbMargins, "edLeft", settings.marginLeft);
    edRight = marginBox(gbMargins, "edRight", settings.marginRight);
    auto* margins = new QFormLayout(gbMargins);
    auto label = [this](const char* name, const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setBuddy(buddy);
        return l;
    };
    margins->addRow(label("lbTop", "&Top", edTop), edTop);
    margins->addRow(label("lbBottom", "&Bottom", edBottom), edBottom);
    margins->addRow(label("lbLeft", "&Left", edLeft), edLeft);
    margins->addRow(label("lbRight", "&Right", edRight), edRight);

    gbPaper = new QGroupBox(QStringLiteral(" P&aper "), this);
    gbPaper->setObjectName(QStringLiteral("gbPaper"));
    cbPaperSize = new QComboBox(gbPaper);
    cbPaperSize->setObjectName(QStringLiteral("cbPaperSize"));
    for (const QPageSize::PageSizeId id : paperSizes())
        cbPaperSize->addItem(QPageSize::name(id), int(id));
    rbPortrait = new QRadioButton(QStringLiteral("P&ortrait"), gbPaper);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    rbLandscape = new QRadioButton(QStringLiteral("La&ndscape"), gbPaper);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    auto* paper = new QVBoxLayout(gbPaper);
    paper->addWidget(cbPaperSize);
    paper->addWidget(rbPortrait);
    paper->addWidget(rbLandscape);
    showPaper(settings.paperSize, settings.orientation);

    auto check = [this](QCheckBox*& box, const char* name, const char* caption, bool on) {
        box = new QCheckBox(QString::fromLatin1(caption), this);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(on);
    };
    check(cbFitWidth, "cbFitWidth", "&Fits the width on one page", settings.fitWidth);
    rbScaleGrid = new QRadioButton(QStringLiteral("Scale whole &grid"), this);
    rbScaleGrid->setObjectName(QStringLiteral("rbScaleGrid"));
    rbChangeWidths = new QRadioButton(QStringLiteral("C&hange column widths"), this);
    rbChangeWidths->setObjectName(QStringLiteral("rbChangeWidths"));
    (settings.fitType == FitType::ScaleGrid ? rbScaleGrid : rbChangeWidths)->setChecked(true);
    check(cbOptimalWidths, "cbOptimalWidths", "Optimal column &widths", settings.optimalWidths);
    check(cbStretch, "cbStretch", "&Stretch long lines", settings.stretch);
    check(cbColored, "cbColored", "&Colored", settings.colored);
    auto fitChanged = [this] {
        rbScaleGrid->setEnabled(cbFitWidth->isChecked());
        rbChangeWidths->setEnabled(cbFitWidth->isChecked());
    };
    connect(cbFitWidth, &QCheckBox::toggled, this, fitChanged);
    fitChanged();

    edFontName = new QLineEdit(settings.printFontName, this);
    edFontName->setObjectName(QStringLiteral("edFontName"));
    edFontName->setPlaceholderText(QStringLiteral("(the grid's fonts)"));
    bFont = new QPushButton(QStringLiteral("..."), this);
    bFont->setObjectName(QStringLiteral("bFont"));
    bFont->setFixedWidth(32);
    connect(bFont, &QPushButton::clicked, this, &TPrintSetupDialog::FontClick);
    bPrinterSetup = new QPushButton(QStringLiteral("&Printer setup"), this);
    bPrinterSetup->setObjectName(QStringLiteral("bPrinterSetup"));
    bPrinterSetup->setEnabled(printer_ != nullptr);
    connect(bPrinterSetup, &QPushButton::clicked, this, &TPrintSetupDialog::PrinterSetupClick);
    bOk = new QPushButton(QStringLiteral("&Ok"), this);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setDefault(true);
    bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* options = new QVBoxLayout;
    options->addWidget(cbFitWidth);
    auto* fit = new QVBoxLayout;
    fit->setContentsMargins(20, 0, 0, 0);
    fit->addWidget(rbScaleGrid);
    fit->addWidget(rbChangeWidths);
    options->addLayout(fit);
    options->addWidget(cbOptimalWidths);
    options->addWidget(cbStretch);
    options->addWidget(cbColored);
    options->addStretch(1);
    auto* sheet = new QVBoxLayout;
    sheet->addWidget(gbMargins);
    sheet->addWidget(gbPaper);
    auto* top = new QHBoxLayout;
    top->addLayout(sheet);
    top->addLayout(options, 1);
    auto* font = new QHBoxLayout;
    font->addWidget(label("lbFontName", "Print &font", edFontName));
    font->addWidget(edFontName, 1);
    font->addWidget(bFont);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bPrinterSetup);
    buttons->addStretch(1);
    buttons->addWidget(bOk);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(font);
    layout->addLayout(buttons);
}

PrintSettings TPrintSetupDialog::settings() const {
    PrintSettings s = settings_;
    s.marginTop = edTop->value();
    s.marginBottom = edBottom->value();
    s.marginLeft = edLeft->value();
    s.marginRight = edRight->value();
    s.fitWidth = cbFitWidth->isChecked();
    s.fitType = rbChangeWidths->isChecked() ? FitType::ChangeColumnWidths : FitType::ScaleGrid;
    s.optimalWidths = cbOptimalWidths->isChecked();
    s.stretch = cbStretch->isChecked();
    s.colored = cbColored->isChecked();
    s.printFontName = edFontName->text().trimmed();
    s.paperSize = QPageSize::PageSizeId(cbPaperSize->currentData().toInt());
    s.orientation = rbLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return s;
}

const QList<QPageSize::PageSizeId>& TPrintSetupDialog::paperSizes() {
    static const QList<QPageSize::PageSizeId> sizes{QPageSize::A4,       QPageSize::A3,     QPageSize::A5,
                                                    QPageSize::B5,       QPageSize::Letter, QPageSize::Legal,
                                                    QPageSize::Executive};
    return sizes;
}

void TPrintSetupDialog::showPaper(QPageSize::PageSizeId size, QPageLayout::Orientation orientation) {
    int index = cbPaperSize->findData(int(size));
    if (index < 0 && size != QPageSize::Custom) {
        // A size the printer offers beyond the usual ones is shown as it is.
        cbPaperSize->addItem(QPageSize::name(size), int(size));
        index = cbPaperSize->count() - 1;
    }
    if (index >= 0)
        cbPaperSize->setCurrentIndex(index);
    (orientation == QPageLayout::Landscape ? rbLandscape : rbPortrait)->setChecked(true);
}

void TPrintSetupDialog::FontClick() {
    bool ok = false;
    QFont start = font();
    if (!edFontName->text().trimmed().isEmpty())
        start.setFamily(edFontName->text().trimmed());
    const QFont chosen = QFontDialog::getFont(&ok, start, this, QStringLiteral("Font"));
    if (ok)
        edFontName->setText(chosen.family());
}

void TPrintSetupDialog::PrinterSetupClick() {
    if (!printer_)
        return;
    printer_->setPageSize(QPageSize(QPageSize::PageSizeId(cbPaperSize->currentData().toInt())));
    printer_->setPageOrientation(rbLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(printer_, this);
    if (dialog.exec() == QDialog::Accepted)
        showPaper(printer_->pageLayout().pageSize().id(), printer_->pageLayout().orientation());
}
