#include "PreviewForm.h"

#include "DatasetGridView.h"
#include "GridPrintJob.h"
#include "GridSnapshot.h"
#include "MessageBoxes.h"
#include "PdfOutput.h"
#include "PreviewPageView.h"
#include "PrintDBGridEh.h"
#include "PrintSetupDialog.h"
#include "SaveFileDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {

struct ZoomChoice {
    const char* text;
    int zoom;
};
const ZoomChoice kZooms[] = {{"500%", 500},
                             {"200%", 200},
                             {"150%", 150},
                             {"100%", 100},
                             {"75%", 75},
                             {"50%", 50},
                             {"25%", 25},
                             {"10%", 10},
                             {"Page Width", PreviewPageView::PageWidth},
                             {"Whole Page", PreviewPageView::WholePage}};

} // namespace

TPreviewForm::TPreviewForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Preview - Tabular information"));
    resize(900, 700);
    printerInstalled = [] { return !QPrinterInfo::availablePrinters().isEmpty(); };

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addToolBar(bar);
    auto button = [&](QToolButton*& b, const char* name, const char* caption, const char* hint,
                      QStyle::StandardPixmap icon, void (TPreviewForm::*slot)()) {
        b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(QString::fromLatin1(caption));
        if (*hint)
            b->setToolTip(QString::fromLatin1(hint));
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(b);
        connect(b, &QToolButton::clicked, this, slot);
    };
    button(tbPrint, "tbPrint", "Print", "Print", QStyle::SP_DialogSaveButton, &TPreviewForm::PrintClick);
    button(tbPrinterSetup, "tbPrinterSetup", "Printer setup", "Printer setup", QStyle::SP_FileDialogDetailedView,
           &TPreviewForm::PrinterSetupClick);
    bar->addSeparator();
    cbScale = new QComboBox(bar);
    cbScale->setObjectName(QStringLiteral("cbScale"));
    cbScale->setToolTip(QStringLiteral("Scale"));
    for (const ZoomChoice& z : kZooms)
        cbScale->addItem(QString::fromLatin1(z.text), z.zoom);
    cbScale->setCurrentIndex(cbScale->count() - 1); // "Whole Page"
    bar->addWidget(cbScale);
    bar->addSeparator();
    button(tbPrevPage, "tbPrevPage", "Previous", "Previous page", QStyle::SP_ArrowLeft, &TPreviewForm::PrevPageClick);
    button(tbNextPage, "tbNextPage", "Next", "Next page", QStyle::SP_ArrowRight, &TPreviewForm::NextPageClick);
    for (QToolButton* b : {tbPrevPage, tbNextPage}) {
        // Held down, the page buttons repeat after 400 ms, then every 100 ms.
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(100);
    }
    bar->addSeparator();
    button(tbStop, "tbStop", "Stop", "", QStyle::SP_BrowserStop, &TPreviewForm::StopClick);
    button(tbClose, "tbClose", "Close", "Close preview", QStyle::SP_DialogCloseButton, &TPreviewForm::CloseClick);
    bar->addSeparator();
    button(tbPdf, "tbPdf", "PDF", "Save as PDF", QStyle::SP_DriveHDIcon, &TPreviewForm::PdfClick);
    connect(cbScale, &QComboBox::currentIndexChanged, this, &TPreviewForm::ScaleChange);

    view_ = new PreviewPageView(this);
    setCentralWidget(view_);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    StatusBar1 = new QLabel(statusBar());
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(StatusBar1, 1);
    updateState();
}

TPreviewForm::~TPreviewForm() {
    stopRequested_ = true;
    view_->setJob(nullptr);
}

QPrinter& TPreviewForm::printer() const {
    // One printer for the run: a paper or printer chosen in a setup dialog stays chosen.
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

int TPreviewForm::currentPage() const {
    return view_->page();
}

PageFormat TPreviewForm::layoutFormat() const {
    if (printerInstalled && printerInstalled()) {
        QPrinter& printer = this->printer();
        if (source_) {
            // The paper and orientation of the print settings are the printer's.
            printer.setPageSize(QPageSize(source_->settings().paperSize));
            printer.setPageOrientation(source_->settings().orientation);
        }
        PageFormat f;
        f.dpi = printer.resolution();
        const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
        f.paper = paper.size();
        f.printable = printer.pageRect(QPrinter::DevicePixel).translated(-paper.topLeft());
        if (!f.paper.isEmpty())
            return f;
    }
    // No printer: the screen's resolution on the sheet of the print settings.
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    if (source_)
        return PageFormat::sheet(source_->settings().paperSize, source_->settings().orientation, dpi);
    return PageFormat::sheet(QPageSize::A4, QPageLayout::Portrait, dpi);
}

void TPreviewForm::showFor(PrintDBGridEh& source) {
    if (layingOut_)
        return;
    source_ = &source;
    takeModalityOfOpener();
    if (!isVisible())
        showMaximized();
    raise();
    activateWindow();
    relayout();
}

void TPreviewForm::takeModalityOfOpener() {
    // A modal window (the scheduler) blocks every window outside it, so a preview opened from one
    // is modal itself, and on top when its opener is, to be usable at once. Opened from the main
    // window it is an ordinary window beside the others.
    QWidget* opener = QApplication::activeModalWidget();
    if (opener == this)
        opener = nullptr;
    const Qt::WindowModality modality = opener ? Qt::ApplicationModal : Qt::NonModal;
    const bool onTop = opener && opener->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (windowModality() == modality && windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Both take effect at the next show.
    if (isVisible())
        hide();
    setWindowModality(modality);
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void TPreviewForm::relayout() {
    if (layingOut_ || !source_ || !source_->DBGridEh())
        return;
    const DatasetGridView& grid = *source_->DBGridEh();
    view_->setJob(nullptr);
    job_ = std::make_unique<GridPrintJob>(gridsnapshot::of(grid), gridsnapshot::selectionOf(grid), source_->settings(),
                                          layoutFormat());
    view_->setJob(job_.get());
    runLayout();
}

void TPreviewForm::runLayout() {
    layingOut_ = true;
    stopRequested_ = false;
    updateState();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int shown = 0;
    // Between slices the interface handles its input, so Stop, Escape and the page buttons act
    // while the pages are still being laid out.
    while (job_->advance(1500)) {
        if (job_->pageCount() != shown) {
            shown = job_->pageCount();
            updateState();
            view_->viewport()->update();
        }
        QApplication::processEvents();
        if (stopRequested_ || !job_) {
            if (job_)
                job_->stop();
            break;
        }
    }
    QApplication::restoreOverrideCursor();
    layingOut_ = false;
    updateState();
    view_->viewport()->update();
    if (closeWhenStopped_) {
        closeWhenStopped_ = false;
        close();
    }
}

void TPreviewForm::updateState() {
    const int count = job_ ? job_->pageCount() : 0;
    const int page = view_->page();
    if (count > 0 && page >= count)
        view_->setPage(count - 1);
    const bool printer = printerInstalled && printerInstalled();
    tbPrint->setEnabled(!layingOut_ && printer && count > 0);
    tbPrinterSetup->setEnabled(!layingOut_);
    tbPrevPage->setEnabled(view_->page() > 0);
    tbNextPage->setEnabled(view_->page() < count - 1);
    tbStop->setEnabled(layingOut_);
    tbClose->setEnabled(!layingOut_);
    tbPdf->setEnabled(!layingOut_ && count > 0);
    StatusBar1->setText(QStringLiteral("Page %1 of %2").arg(count > 0 ? view_->page() + 1 : 0).arg(count));
}

void TPreviewForm::PrevPageClick() {
    if (view_->page() > 0)
        view_->setPage(view_->page() - 1);
    updateState();
}

void TPreviewForm::NextPageClick() {
    if (job_ && view_->page() < job_->pageCount() - 1)
        view_->setPage(view_->page() + 1);
    updateState();
}

void TPreviewForm::StopClick() {
    stopRequested_ = true;
}

void TPreviewForm::CloseClick() {
    close();
}

void TPreviewForm::ScaleChange(int index) {
    view_->setZoom(cbScale->itemData(index).toInt());
}

void TPreviewForm::PrintClick() {
    if (!job_ || layingOut_ || job_->pageCount() == 0)
        return;
    QPrinter& printer = this->printer();
    printer.setDocName(QStringLiteral("Tabular information"));
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setMinMax(1, job_->pageCount());
    dialog.setFromTo(1, job_->pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    pdfoutput::print(*job_, printer, printer.fromPage(), printer.toPage());
}

void TPreviewForm::PrinterSetupClick() {
    if (!source_ || layingOut_)
        return;
    TPrintSetupDialog dialog(source_->settings(), printerInstalled && printerInstalled() ? &printer() : nullptr, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    source_->settings() = dialog.settings();
    relayout();
}

void TPreviewForm::PdfClick() {
    if (!job_ || layingOut_ || job_->pageCount() == 0)
        return;
    const QString path = savefile::ask(this, {QStringLiteral("SavePdfDialog"), QStringLiteral("PDF files (*.pdf)"),
                                              QStringLiteral("pdf"), QDir::homePath()});
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = pdfoutput::writePdf(*job_, path);
    QApplication::restoreOverrideCursor();
    if (!ok)
        msgbox::showError(QStringLiteral("Cannot create file %1").arg(path));
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (layingOut_)
            stopRequested_ = true;
        else
            close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TPreviewForm::closeEvent(QCloseEvent* event) {
    if (layingOut_) {
        // The layout ends first; the window closes when it has stopped.
        stopRequested_ = true;
        closeWhenStopped_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
