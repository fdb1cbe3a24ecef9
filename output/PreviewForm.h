#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class GridPrintJob;
class PreviewPageView;
class PrintDBGridEh;
class QComboBox;
class QLabel;
class QPrinter;
class QToolButton;
struct PageFormat;

// The print preview: pages of a grid as they are laid out, with printing, the print settings, zoom
// and paging. One window serves every print command; it opens maximised beside the other windows.
class TPreviewForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget* parent = nullptr);
    ~TPreviewForm() override;

    // Lays out the grid of the print settings and shows the pages as they come.
    void showFor(PrintDBGridEh& source);

    // Whether a printer is installed; without one, pages are laid out at the screen's resolution
    // and Print stays disabled. Replaceable for tests.
    std::function<bool()> printerInstalled;

    const GridPrintJob* job() const { return job_.get(); }
    bool layingOut() const { return layingOut_; }
    int currentPage() const;
    PreviewPageView* pageView() const { return view_; }

    QToolButton* tbPrint = nullptr;
    QToolButton* tbPrinterSetup = nullptr;
    QComboBox* cbScale = nullptr;
    QToolButton* tbPrevPage = nullptr;
    QToolButton* tbNextPage = nullptr;
    QToolButton* tbStop = nullptr;
    QToolButton* tbClose = nullptr;
    QToolButton* tbPdf = nullptr;
    QLabel* StatusBar1 = nullptr;

public Q_SLOTS:
    void PrintClick();
    void PrinterSetupClick();
    void PrevPageClick();
    void NextPageClick();
    void StopClick();
    void CloseClick();
    void PdfClick();
    void ScaleChange(int index);
    void relayout();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    PageFormat layoutFormat() const;
    // Modal (and on top) when opened from a modal window, so that the opener does not block it.
    void takeModalityOfOpener();
    QPrinter& printer() const;
    void runLayout();
    void updateState();

    std::unique_ptr<GridPrintJob> job_;
    mutable std::unique_ptr<QPrinter> printer_;
    QPointer<PrintDBGridEh> source_;
    PreviewPageView* view_ = nullptr;
    bool layingOut_ = false;
    bool stopRequested_ = false;
    bool closeWhenStopped_ = false;
};
