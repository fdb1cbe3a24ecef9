// Pictures of the print preview and the print settings dialog with a few hundred contacts, for
// looking at: writes /tmp/korvane-shots/output-*.png. Run under xvfb-run -a or offscreen.

#include "ContactPages.h"
#include "DBGridEh.h"
#include "GridPrintJob.h"
#include "MainWindowOutput.h"
#include "PdfOutput.h"
#include "PreviewForm.h"
#include "PreviewPageView.h"
#include "PrintDBGridEh.h"
#include "PrintSetupDialog.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
void shot(QWidget& w, const QString& name) {
    QApplication::processEvents();
    w.grab().save(u"/tmp/korvane-shots/output-"_s + name + u".png"_s);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir().mkpath(u"/tmp/korvane-shots"_s);
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Dataset& d = *dm->TabMain;
    const QStringList fam{u"Иванов"_s, u"Петрова"_s, u"Сидоров"_s, u"Кузнецов"_s, u"Ёлкин"_s, u"O'Brien"_s};
    for (int i = 0; i < 300; ++i) {
        d.append();
        d.setValue(u"FAM"_s, fam[i % fam.size()] + QString::number(i));
        d.setValue(u"FIRST_NAME"_s, i % 2 ? u"Мария"_s : u"Пётр"_s);
        d.setValue(u"MID_NAME"_s, u"Сергеевич"_s);
        d.setValue(u"JOB_ORG"_s, u"ООО «Рога и копыта» %1"_s.arg(i % 17));
        d.setValue(u"JOB_POST"_s, u"Менеджер"_s);
        d.setValue(u"GR_NUM"_s, 1 + i % 6);
        d.setValue(u"JOB_TEL1"_s, u"+7 495 %1-%2"_s.arg(100 + i).arg(10 + i % 90));
        d.setValue(u"HOME_ADDRESS"_s, u"ул. Ленина, д. %1"_s.arg(i));
        d.setValue(u"JOB_EMAIL"_s, u"user%1@example.ru"_s.arg(i));
        d.setValue(u"BITHDAY"_s, QDate(1970 + i % 30, 1 + i % 12, 1 + i % 28));
        d.setValue(u"NOTES"_s, u"Заметка номер %1 о встрече"_s.arg(i));
        d.post();
    }
    d.first();

    QWidget window;
    ContactPages pages(d, &window);
    pages.resize(1000, 600);
    window.resize(1000, 600);
    window.show();
    TPreviewForm preview;
    preview.printerInstalled = [] { return false; };
    MainWindowOutput output(pages, preview, &window);

    pages.setCurrentWidget(pages.TabSheet1);
    output.acPrintExecute();
    preview.showNormal();
    preview.resize(1100, 800);
    shot(preview, u"preview-main-whole"_s);
    preview.cbScale->setCurrentText(u"100%"_s);
    shot(preview, u"preview-main-100"_s);

    pages.setCurrentWidget(pages.TabSheet6);
    output.acPrintExecute();
    preview.cbScale->setCurrentText(u"Whole Page"_s);
    preview.tbNextPage->click();
    shot(preview, u"preview-wide-group2"_s);
    preview.cbScale->setCurrentText(u"Page Width"_s);
    shot(preview, u"preview-wide-group2-width"_s);
    pdfoutput::writePdf(*preview.job(), u"/tmp/korvane-shots/output-wide.pdf"_s);

    output.PrintDBGridEh1->settings().colored = true;
    output.PrintDBGridEh1->settings().fitWidth = true;
    pages.setCurrentWidget(pages.TabSheet2);
    output.acPrintExecute();
    preview.cbScale->setCurrentText(u"Whole Page"_s);
    shot(preview, u"preview-fit-colored"_s);

    // Without a printer: the same list on an A4 sheet turned to landscape.
    output.PrintDBGridEh1->settings().orientation = QPageLayout::Landscape;
    output.acPrintExecute();
    preview.cbScale->setCurrentText(u"Whole Page"_s);
    shot(preview, u"preview-landscape"_s);

    TPrintSetupDialog dialog(output.PrintDBGridEh1->settings());
    dialog.show();
    shot(dialog, u"print-setup"_s);
    return 0;
}
