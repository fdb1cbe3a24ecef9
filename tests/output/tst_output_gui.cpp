// The export and print commands of the main window against a real database: the save dialogs and
// message boxes answered by the test, the printed pages written to PDF and read back with pdftotext.

#include "ContactPages.h"
#include "DBGridEh.h"
#include "GridExportCommand.h"
#include "GridPrintJob.h"
#include "GridSnapshot.h"
#include "MainWindowOutput.h"
#include "MessageBoxes.h"
#include "OutputFixture.h"
#include "PdfOutput.h"
#include "PreviewForm.h"
#include "PreviewPageView.h"
#include "PrintDBGridEh.h"
#include "PrintSetupDialog.h"
#include "SaveFileDialog.h"
#include "SchedulerOutput.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace outputtest;

namespace {

// The text of every page of a PDF file, as pdftotext reads it.
QStringList pdfPages(const QString& pdf) {
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
    p.waitForFinished(60000);
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

std::vector<Contact> contacts(int count) {
    std::vector<Contact> list;
    for (int i = 1; i <= count; ++i)
        list.push_back({i, u"Организация %1"_s.arg(i), u"Фамилия%1"_s.arg(i), u"Имя"_s, 1 + i % 3, QVariant(),
                        u"Заметка%1"_s.arg(i)});
    return list;
}

} // namespace

class TestOutputGui : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testdb::Folder> folder_;
    testdb::RecordedUi ui_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<QWidget> window_;
    ContactPages* pages_ = nullptr;
    std::unique_ptr<TPreviewForm> preview_;
    MainWindowOutput* output_ = nullptr;
    QList<msgbox::Shown> boxes_;
    QString nextFile_;
    QMessageBox::StandardButton answer_ = QMessageBox::Ok; // the answer to a question box
    QTemporaryDir out_;

    void open(const std::vector<Contact>& list) {
        folder_ = std::make_unique<testdb::Folder>();
        insertContacts(folder_->databasePath(), list);
        openWindows();
    }
    // A list of many contacts, each with a surname alone.
    void openMany(int count) {
        folder_ = std::make_unique<testdb::Folder>();
        insertMany(folder_->databasePath(), count);
        openWindows();
    }
    void openWindows() {
        dm_ = folder_->openDM(ui_);
        window_ = std::make_unique<QWidget>();
        window_->setObjectName(u"FormMain"_s);
        window_->resize(900, 500);
        pages_ = new ContactPages(*dm_->TabMain, window_.get());
        pages_->resize(900, 500);
        preview_ = std::make_unique<TPreviewForm>();
        preview_->printerInstalled = [] { return false; };
        output_ = new MainWindowOutput(*pages_, *preview_, window_.get());
        window_->show();
    }
    QString file(const QString& name) const { return out_.path() + u'/' + name; }
    QStringList printToPdf(const QString& name) {
        const QString pdf = file(name);
        const GridPrintJob* job = preview_->job();
        if (!job)
            return {};
        pdfoutput::writePdf(*job, pdf);
        return pdfPages(pdf);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFile::exists(u"/usr/bin/pdftotext"_s), "pdftotext (poppler-utils) is needed");
        msgbox::setResponder([this](const msgbox::Shown& s) {
            boxes_ << s;
            return s.kind == msgbox::Kind::Question || s.kind == msgbox::Kind::YesNoCancel ? answer_ : QMessageBox::Ok;
        });
        savefile::setAsker([this](const savefile::Request&) { return nextFile_; });
    }
    void cleanup() {
        preview_.reset();
        window_.reset();
        dm_.reset();
        folder_.reset();
        boxes_.clear();
        answer_ = QMessageBox::Ok;
    }

    void exportTakesTheFirstTabWhicheverIsCurrent() {
        open(contacts(30));
        pages_->setCurrentWidget(pages_->TabSheet3); // "Дом"
        dm_->TabMain->moveTo(20);
        QTest::qWait(20);
        const int scroll = pages_->DBGridEh1->verticalScrollBar()->value();
        nextFile_ = file(u"main.xls"_s);
        output_->acToExcelExecute();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, msgbox::Kind::Information);
        QCOMPARE(boxes_[0].text, u"M003"_s);
        const QStringList lines = readXls(nextFile_);
        QCOMPARE(lines.size(), 31);
        QVERIFY(lines[0].startsWith(u"Организация\tФамилия\tИмя\tОтчество\tГруппа"_s));
        QCOMPARE(dm_->TabMain->currentRow(), 20);
        QCOMPARE(pages_->DBGridEh1->verticalScrollBar()->value(), scroll);

        nextFile_ = file(u"main.html"_s);
        output_->acToHTMLExecute();
        QCOMPARE(boxes_.size(), 2);
        QFile html(nextFile_);
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(html.readAll().contains("<TITLE>\r\nDBGridEh1\r\n</TITLE>"));
    }

    void exportFailureGoesToTheErrorBox() {
        open(contacts(2));
        nextFile_ = file(u"no/such/folder/x.xls"_s);
        output_->acToExcelExecute();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, msgbox::Kind::Error);
        QCOMPARE(boxes_[0].text, u"Cannot create file "_s + nextFile_ + u'.');
        boxes_.clear();
        nextFile_.clear(); // the user cancels
        output_->acToHTMLExecute();
        QVERIFY(boxes_.isEmpty());
    }

    // Both Excel commands offer Excel 2007+ as a second file type of their save dialog, and the
    // name's extension chooses what is written.
    void excelCommandsWriteXlsxByTheName() {
        open(contacts(30));
        QStringList filters;
        savefile::setAsker([this, &filters](const savefile::Request& r) {
            filters << r.filter;
            return nextFile_;
        });
        nextFile_ = file(u"main.xlsx"_s);
        output_->acToExcelExecute();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, u"M003"_s);
        QString error;
        const QStringList lines = readXlsx(nextFile_, &error);
        QVERIFY2(lines.size() == 31, qPrintable(error));
        QVERIFY(lines[0].startsWith(u"Организация\tФамилия\tИмя\tОтчество\tГруппа"_s));
        QVERIFY(lines[1].startsWith(u"Организация 1\tФамилия1\tИмя"_s));

        Dataset& tasks = *dm_->TabScheduler;
        tasks.append();
        tasks.setValue(u"Contact"_s, u"Позвонить «Ромашке»"_s);
        tasks.setValue(u"ContactDate"_s, QDate(2026, 12, 10));
        tasks.setValue(u"ContactHour"_s, 9);
        tasks.setValue(u"ContactMin"_s, 30);
        tasks.post();
        DatasetGridView grid(window_.get());
        grid.setObjectName(u"DBGridEh1"_s);
        grid.bindDataset(&tasks, {u"Contact"_s, u"ContactDate"_s, u"ContactHour"_s, u"ContactMin"_s});
        SchedulerOutput scheduler(grid, *preview_, window_.get());
        nextFile_ = file(u"tasks.XLSX"_s);
        scheduler.acToExcelExecute();
        savefile::setAsker([this](const savefile::Request&) { return nextFile_; });
        const QStringList taskLines = readXlsx(nextFile_, &error);
        QVERIFY2(taskLines.size() == 2, qPrintable(error));
        QCOMPARE(taskLines[0], u"Задача\tДата\tЧас\tМинуты"_s);
        QVERIFY(taskLines[1].startsWith(u"Позвонить «Ромашке»\t"_s));
        QVERIFY(taskLines[1].endsWith(u"\t9\t30"_s));

        QCOMPARE(filters.size(), 2);
        for (const QString& filter : filters) {
            const QStringList types = filter.split(u";;"_s);
            QCOMPARE(types.size(), 2);
            QCOMPARE(savefile::suffixOfFilter(types[0]), u"xls"_s);
            QCOMPARE(types[1], u"Excel 2007+ (*.xlsx)"_s);
            QCOMPARE(savefile::suffixOfFilter(types[1]), u"xlsx"_s);
        }
    }

    // In the save dialog the file type chosen gives its extension to a name typed without one.
    void saveDialogGivesTheChosenTypesExtension_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("XLS") << 0 << u"list.xls"_s;
        QTest::newRow("XLSX") << 1 << u"list.xlsx"_s;
    }
    void saveDialogGivesTheChosenTypesExtension() {
        QFETCH(int, type);
        QFETCH(QString, name);
        savefile::setAsker({});
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
            auto* edit = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
            QVERIFY(types && edit);
            QCOMPARE(types->count(), 2);
            QCOMPARE(types->itemText(1), u"Excel 2007+ (*.xlsx)"_s);
            types->setCurrentIndex(type);
            emit types->activated(type); // as the user's choice does
            emit types->textActivated(types->itemText(type));
            edit->setText(u"list"_s);
            seen = true;
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const gridexportcommand::Dialog excel = gridexportcommand::mainExcelDialog();
        const QString path = savefile::ask(nullptr, {excel.objectName, excel.filter, excel.defaultSuffix, out_.path()});
        savefile::setAsker([this](const savefile::Request&) { return nextFile_; });
        QVERIFY(seen);
        QCOMPARE(QFileInfo(path).fileName(), name);
    }

    // An XLS file of more than 16,384 rows is refused by python xlrd (and so pandas): the command
    // offers XLSX beside the chosen name, and the user may still keep XLS or cancel.
    void longListOffersXlsx_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("xls");
        QTest::addColumn<bool>("xlsx");
        QTest::newRow("yes: xlsx") << int(QMessageBox::Yes) << false << true;
        QTest::newRow("no: xls") << int(QMessageBox::No) << true << false;
        QTest::newRow("cancel: nothing") << int(QMessageBox::Cancel) << false << false;
    }
    void longListOffersXlsx() {
        QFETCH(int, answer);
        QFETCH(bool, xls);
        QFETCH(bool, xlsx);
        openMany(16384); // with the title row, one row more than xlrd reads
        answer_ = QMessageBox::StandardButton(answer);
        nextFile_ = file(u"long.xls"_s);
        output_->acToExcelExecute();
        QVERIFY(!boxes_.isEmpty());
        QCOMPARE(boxes_[0].kind, msgbox::Kind::YesNoCancel);
        QVERIFY2(boxes_[0].text.contains(u"16384"_s), qPrintable(boxes_[0].text));
        QVERIFY(boxes_[0].text.contains(file(u"long.xlsx"_s)));
        QCOMPARE(QFile::exists(file(u"long.xls"_s)), xls);
        QCOMPARE(QFile::exists(file(u"long.xlsx"_s)), xlsx);
        QCOMPARE(boxes_.size(), xls || xlsx ? 2 : 1); // the file saved, or nothing more
        if (xlsx) {
            const QStringList lines = readXlsx(file(u"long.xlsx"_s));
            QCOMPARE(lines.size(), 16385);
            QVERIFY(lines.last().contains(u"Фамилия 16384"_s));
        }
        QFile::remove(file(u"long.xls"_s));
        QFile::remove(file(u"long.xlsx"_s));
    }

    // A list longer than XLS holds is refused as XLS; the refusal offers XLSX, in the language of
    // the program.
    void listBeyondXlsOffersXlsx() {
        openMany(65536);
        answer_ = QMessageBox::No;
        nextFile_ = file(u"huge.xls"_s);
        output_->acToExcelExecute();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, msgbox::Kind::Question);
        QVERIFY(boxes_[0].text.contains(u"65535"_s));
        QVERIFY(boxes_[0].text.contains(file(u"huge.xlsx"_s)));
        QVERIFY(!QFile::exists(file(u"huge.xls"_s)));
        QVERIFY(!QFile::exists(file(u"huge.xlsx"_s)));
        boxes_.clear();
        answer_ = QMessageBox::Yes;
        output_->acToExcelExecute();
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[1].text, u"M003"_s);
        QVERIFY(!QFile::exists(file(u"huge.xls"_s)));
        const QStringList lines = readXlsx(file(u"huge.xlsx"_s));
        QCOMPARE(lines.size(), 65537);
        QVERIFY(lines.last().contains(u"Фамилия 65536"_s));
    }

    void hiddenAndMovedColumnsExportAsShown() {
        open(contacts(3));
        DBGridEh* g = pages_->DBGridEh1;
        g->setColumnVisible(g->columnOf(u"JOB_ORG"_s), false);
        g->horizontalHeader()->moveSection(g->position(g->columnOf(u"FIRST_NAME"_s)), 1);
        nextFile_ = file(u"moved.xls"_s);
        output_->acToExcelExecute();
        QVERIFY(readXls(nextFile_).value(0).startsWith(u"Имя\tФамилия\tОтчество"_s));
    }

    void titleAndColumnGroupsOnEveryPage() {
        open(contacts(120));
        pages_->setCurrentWidget(pages_->TabSheet6); // "Всё": wider than a page
        output_->acPrintExecute();
        const GridPrintJob* job = preview_->job();
        QVERIFY(job);
        QVERIFY(job->done());
        const int groups = static_cast<int>(job->groups().size());
        QVERIFY2(groups >= 2, "the whole grid should need several column groups");
        QVERIFY(job->pageCount() >= 2 * groups);
        const QStringList texts = printToPdf(u"wide.pdf"_s);
        QCOMPARE(texts.size(), job->pageCount());
        for (const QString& page : texts)
            QVERIFY(page.contains(u"Список координат организаций и частных лиц"_s));
        // Page 1: the first columns for the first rows; the last page of the band: the notes of the
        // same rows.
        QVERIFY(texts[0].contains(u"Организация"_s));
        QVERIFY(texts[0].contains(u"Фамилия1 "_s) || texts[0].contains(u"Фамилия1\n"_s));
        QVERIFY(!texts[0].contains(u"Заметка1"_s));
        QVERIFY(texts[groups - 1].contains(u"Примечания"_s));
        QVERIFY(texts[groups - 1].contains(u"Заметка1"_s));
        QVERIFY(!texts[groups].contains(u"Заметка1 "_s)); // the second band holds later rows
    }

    void footerCollectsAStampPerPrint() {
        open(contacts(5));
        pages_->setCurrentWidget(pages_->TabSheet5); // "Разное"
        output_->acPrintExecute();
        output_->acPrintExecute();
        const QStringList stamps = output_->PrintDBGridEh1->settings().footer.right.split(u'\n');
        QCOMPARE(stamps.size(), 2);
        const QStringList texts = printToPdf(u"stamps.pdf"_s);
        QCOMPARE(texts.size(), 1);
        for (const QString& s : stamps)
            QVERIFY2(texts[0].contains(s.simplified().section(u' ', -1)), qPrintable(texts[0]));
        QCOMPARE(texts[0].count(stamps[0].section(u' ', -1)), stamps[0] == stamps[1] ? 2 : 1);
        // The columns of the "Разное" grid.
        QVERIFY(texts[0].contains(u"Примечания"_s));
        QVERIFY(!texts[0].contains(u"Организация"_s));
    }

    void threeSelectedRowsPrintThreeRows() {
        open(contacts(10));
        pages_->setCurrentWidget(pages_->TabSheet5);
        DBGridEh* g = pages_->DBGridEh5;
        auto* model = g->model();
        for (int r : {1, 4, 7})
            g->selectionModel()->select(model->index(r, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const OutputSelection sel = gridsnapshot::selectionOf(*g);
        QCOMPARE(sel.rows, (std::vector<int>{1, 4, 7}));
        QVERIFY(sel.columns.empty());
        output_->acPrintExecute();
        QCOMPARE(preview_->job()->rowCount(), 3);
        const QStringList texts = printToPdf(u"three.pdf"_s);
        QCOMPARE(texts.size(), 1);
        for (int n : {2, 5, 8})
            QVERIFY(texts[0].contains(u"Фамилия%1 "_s.arg(n)));
        for (int n : {1, 3, 4, 6, 7, 9})
            QVERIFY(!texts[0].contains(u"Фамилия%1 "_s.arg(n)));
    }

    void emptyListPrintsOnePageWithTitles() {
        open({});
        pages_->setCurrentWidget(pages_->TabSheet5);
        output_->acPrintExecute();
        QCOMPARE(preview_->job()->pageCount(), 1);
        const QStringList texts = printToPdf(u"empty.pdf"_s);
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains(u"Список координат организаций и частных лиц"_s));
        QVERIFY(texts[0].contains(u"Фамилия"_s));
        QVERIFY(texts[0].contains(u"Примечания"_s));
    }

    void previewButtonsAndPaging() {
        open(contacts(200));
        pages_->setCurrentWidget(pages_->TabSheet5);
        output_->acPrintExecute();
        QVERIFY(preview_->isVisible());
        QCOMPARE(preview_->windowTitle(), u"Preview - Tabular information"_s);
        const int count = preview_->job()->pageCount();
        QVERIFY(count > 1);
        QCOMPARE(preview_->StatusBar1->text(), u"Page 1 of %1"_s.arg(count));
        QVERIFY(!preview_->tbPrint->isEnabled()); // no printer installed
        QVERIFY(preview_->tbPdf->isEnabled());
        QVERIFY(!preview_->tbPrevPage->isEnabled());
        QVERIFY(preview_->tbNextPage->isEnabled());
        QVERIFY(!preview_->tbStop->isEnabled());
        QVERIFY(preview_->tbClose->isEnabled());
        QCOMPARE(preview_->cbScale->currentText(), u"Whole Page"_s);
        QCOMPARE(preview_->cbScale->count(), 10);
        preview_->tbNextPage->click();
        QCOMPARE(preview_->StatusBar1->text(), u"Page 2 of %1"_s.arg(count));
        QVERIFY(preview_->tbPrevPage->isEnabled());
        preview_->cbScale->setCurrentText(u"100%"_s);
        QCOMPARE(preview_->pageView()->zoom(), 100);
        QTest::keyClick(preview_.get(), Qt::Key_Escape);
        QVERIFY(!preview_->isVisible());
    }

    void stopKeepsThePagesLaidOutSoFar() {
        open(contacts(3000));
        pages_->setCurrentWidget(pages_->TabSheet5);
        output_->PrintDBGridEh1->settings().stretch = true; // heights are measured row by row
        output_->PrintDBGridEh1->settings().optimalWidths = false;
        QTimer::singleShot(0, preview_.get(), [this] {
            QVERIFY(preview_->layingOut());
            QVERIFY(preview_->tbStop->isEnabled());
            QVERIFY(!preview_->tbClose->isEnabled());
            preview_->tbStop->click();
        });
        output_->acPrintExecute();
        QVERIFY(!preview_->layingOut());
        const GridPrintJob* job = preview_->job();
        QVERIFY(job->rowCount() == 3000);
        QVERIFY(job->pageCount() > 0);
        const int stopped = job->pageCount();
        output_->PrintDBGridEh1->settings().stretch = false;
        preview_->relayout();
        QVERIFY(preview_->job()->pageCount() > stopped);
    }

    void closingDuringTheLayoutClosesWhenStopped() {
        open(contacts(3000));
        pages_->setCurrentWidget(pages_->TabSheet5);
        output_->PrintDBGridEh1->settings().stretch = true;
        bool closedAtOnce = true;
        QTimer::singleShot(0, preview_.get(), [this, &closedAtOnce] {
            preview_->close();
            closedAtOnce = !preview_->isVisible();           // the window waits for the layout to stop
            QTest::keyClick(preview_.get(), Qt::Key_Escape); // Escape stops, it does not close twice
        });
        output_->acPrintExecute();
        QVERIFY(!closedAtOnce);
        QVERIFY(!preview_->layingOut());
        QVERIFY(!preview_->isVisible());
        QVERIFY(preview_->job()->pageCount() > 0);
    }

    void schedulerGridExportsAndPrintsWithItsOwnSettings() {
        open({});
        Dataset& tasks = *dm_->TabScheduler;
        tasks.append();
        tasks.setValue(u"Contact"_s, u"Позвонить «Ромашке»"_s);
        tasks.setValue(u"ContactDate"_s, QDate(2026, 12, 10));
        tasks.setValue(u"ContactHour"_s, 9);
        tasks.setValue(u"ContactMin"_s, 30);
        tasks.post();
        DatasetGridView grid(window_.get());
        grid.setObjectName(u"DBGridEh1"_s);
        grid.bindDataset(&tasks, {u"Contact"_s, u"ContactDate"_s, u"ContactHour"_s, u"ContactMin"_s});
        SchedulerOutput scheduler(grid, *preview_, window_.get());
        nextFile_ = file(u"tasks.xls"_s);
        scheduler.acToExcelExecute();
        const QStringList lines = readXls(nextFile_);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], u"Задача\tДата\tЧас\tМинуты"_s);
        QVERIFY(lines[1].startsWith(u"Позвонить «Ромашке»\t"_s));
        QVERIFY(lines[1].endsWith(u"\t9.0\t30.0"_s));
        scheduler.acPrintExecute();
        QCOMPARE(preview_->job()->pageCount(), 1);
        const QStringList texts = printToPdf(u"tasks.pdf"_s);
        QVERIFY(texts.value(0).contains(u"Позвонить «Ромашке»"_s));
        QVERIFY(!texts.value(0).contains(u"Список координат"_s));            // the tasks have no title
        QVERIFY(output_->PrintDBGridEh1->settings().footer.right.isEmpty()); // nor stamps
    }

    // The scheduler is modal and stays on top, and a modal window blocks every window outside it:
    // the preview it opens is the active modal window itself, above it, and takes clicks at once.
    // Opened from the main window the preview is an ordinary window again.
    void previewOpenedFromAModalWindowTakesClicks() {
        open(contacts(200));
        pages_->setCurrentWidget(pages_->TabSheet5);
        QDialog scheduler(window_.get());
        scheduler.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        QString pageAfterClick;
        bool modalAbove = false, onTop = false;
        QTimer::singleShot(0, &scheduler, [&] {
            output_->acPrintExecute();
            QTest::mouseClick(preview_->tbNextPage, Qt::LeftButton);
            pageAfterClick = preview_->StatusBar1->text();
            modalAbove = QApplication::activeModalWidget() == preview_.get();
            onTop = preview_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            preview_->close();
            scheduler.reject();
        });
        scheduler.exec();
        QVERIFY2(pageAfterClick.startsWith(u"Page 2 of"_s), qPrintable(pageAfterClick));
        QVERIFY(modalAbove);
        QVERIFY(onTop);
        output_->acPrintExecute();
        QCOMPARE(preview_->windowModality(), Qt::NonModal);
        QVERIFY(!preview_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTest::mouseClick(preview_->tbNextPage, Qt::LeftButton);
        QVERIFY(preview_->StatusBar1->text().startsWith(u"Page 2 of"_s));
        preview_->close();
    }

    void settingsDialogShowsAndReturnsEveryOption() {
        PrintSettings s = PrintSettings::forContacts();
        TPrintSetupDialog dialog(s);
        QCOMPARE(dialog.edTop->value(), 2.0);
        QVERIFY(dialog.cbOptimalWidths->isChecked());
        QVERIFY(!dialog.rbScaleGrid->isEnabled());
        dialog.edLeft->setValue(1.5);
        dialog.cbFitWidth->setChecked(true);
        QVERIFY(dialog.rbChangeWidths->isEnabled());
        dialog.rbChangeWidths->setChecked(true);
        dialog.cbStretch->setChecked(true);
        dialog.cbColored->setChecked(true);
        dialog.cbOptimalWidths->setChecked(false);
        const PrintSettings out = dialog.settings();
        QCOMPARE(out.marginLeft, 1.5);
        QVERIFY(out.fitWidth);
        QCOMPARE(out.fitType, FitType::ChangeColumnWidths);
        QVERIFY(out.stretch && out.colored && !out.optimalWidths);
        QCOMPARE(out.title, s.title);
    }

    // Without a printer the paper and its orientation are still chosen in the print settings: the
    // preview lays the pages out on that sheet and the PDF has its size.
    void paperAndOrientationWithoutAPrinter_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QString>("pdfPageSize"); // as pdfinfo gives it, in points
        QTest::newRow("A4 portrait") << int(QPageSize::A4) << false << u"595 x 842"_s;
        QTest::newRow("A4 landscape") << int(QPageSize::A4) << true << u"842 x 595"_s;
        QTest::newRow("A3 landscape") << int(QPageSize::A3) << true << u"1191 x 842"_s;
        QTest::newRow("Letter portrait") << int(QPageSize::Letter) << false << u"612 x 792"_s;
    }
    void paperAndOrientationWithoutAPrinter() {
        QFETCH(int, size);
        QFETCH(bool, landscape);
        QFETCH(QString, pdfPageSize);
        open(contacts(40));
        output_->acPrintExecute();
        QTRY_VERIFY(!preview_->layingOut());
        bool seen = false;
        QTimer::singleShot(0, preview_.get(), [&] {
            auto* dialog = qobject_cast<TPrintSetupDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QVERIFY(!dialog->bPrinterSetup->isEnabled()); // no printer to set up
            QVERIFY(dialog->gbPaper->isEnabled() && dialog->rbLandscape->isEnabled());
            QVERIFY(dialog->rbPortrait->isChecked());
            QCOMPARE(dialog->cbPaperSize->currentText(), QPageSize::name(QPageSize::A4));
            dialog->cbPaperSize->setCurrentIndex(dialog->cbPaperSize->findData(size));
            (landscape ? dialog->rbLandscape : dialog->rbPortrait)->setChecked(true);
            dialog->bOk->click();
        });
        preview_->PrinterSetupClick();
        QVERIFY(seen);
        QTRY_VERIFY(!preview_->layingOut());
        const PrintSettings& chosen = output_->PrintDBGridEh1->settings();
        QCOMPARE(int(chosen.paperSize), size);
        QCOMPARE(chosen.orientation, landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        const QSizeF paper = preview_->job()->format().paper;
        QCOMPARE(paper.width() > paper.height(), landscape);
        const QString pdf = file(u"sheet.pdf"_s);
        QVERIFY(pdfoutput::writePdf(*preview_->job(), pdf));
        QProcess info;
        info.start(u"pdfinfo"_s, {pdf});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(u"Page size:"_s) && out.section(u"Page size:"_s, 1).trimmed().startsWith(pdfPageSize),
                 qPrintable(out));
        QVERIFY(pdfPages(pdf).value(0).contains(u"Фамилия1"_s));
    }

    void fitWidthPutsEveryColumnOnOnePage_data() {
        QTest::addColumn<int>("fit");
        QTest::newRow("scale whole grid") << int(FitType::ScaleGrid);
        QTest::newRow("change column widths") << int(FitType::ChangeColumnWidths);
    }
    void fitWidthPutsEveryColumnOnOnePage() {
        QFETCH(int, fit);
        open(contacts(20));
        pages_->setCurrentWidget(pages_->TabSheet1);
        output_->PrintDBGridEh1->settings().fitWidth = true;
        output_->PrintDBGridEh1->settings().fitType = static_cast<FitType>(fit);
        output_->acPrintExecute();
        QCOMPARE(preview_->job()->groups().size(), size_t(1));
        QCOMPARE(preview_->job()->pageCount(), 1);
    }
};

QTEST_MAIN(TestOutputGui)
#include "tst_output_gui.moc"
