// The import preview and the exchange commands, driven as a user would, message boxes recorded.
#include "ContactImporter.h"
#include "ExchangeMenu.h"
#include "ExchangeTexts.h"
#include "FormImportPreview.h"
#include "MergeConflicts.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace exchange;

namespace {

struct Boxes {
    QList<msgbox::Shown> shown;
    Boxes() {
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown << s;
            return QMessageBox::Ok;
        });
    }
    ~Boxes() { msgbox::clearResponder(); }
};

const char kFile[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Пётр;;;\r\nTEL;TYPE=CELL:+7(916)1112233\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Новиков;Олег;;;\r\nEMAIL:oleg@example.org\r\nCATEGORIES:Работа/Поставщики\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Ωmega;Alpha;;;\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Длинная;;;;\r\nTITLE:Главный специалист по связям с "
    "общественностью\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Смирнова;Анна;;;\r\nEMAIL:ANNA@VECTOR.RU\r\nEND:VCARD\r\n";

QString shotFolder() {
    const QString dir = qEnvironmentVariable("KORVANE_SHOTS", QDir::tempPath() + QStringLiteral("/exchange-shots"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class TestExchangeGui : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void previewSortsCardsAndKeepsChoices();
    void previewShowsWhatIsNotStoredAndWhatMergeDrops();
    void importThroughCommandsRefreshesTheList();
    void badFilesGetAClearMessage_data();
    void badFilesGetAClearMessage();
    void menuHasItsNamedActions();
    void longListsStayShortInTheirCell_data();
    void longListsStayShortInTheirCell();
    void tooDeepGroupPathIsRefusedWithItsDepth();
    void csvPreviewNamesLayoutAndAsksWhenMostColumnsAreUnknown_data();
    void csvPreviewNamesLayoutAndAsksWhenMostColumnsAreUnknown();
};

void TestExchangeGui::previewSortsCardsAndKeepsChoices() {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Dataset& m = *dm->TabMain;
    for (auto [fam, first, cell, mail] :
         {std::tuple{"Петров", "Пётр", "+7 916 111-22-33", ""}, std::tuple{"Смирнова", "Анна", "", "anna@vector.ru"}}) {
        m.append();
        m.setValue(QStringLiteral("FAM"), QString::fromUtf8(fam));
        m.setValue(QStringLiteral("FIRST_NAME"), QString::fromUtf8(first));
        m.setValue(QStringLiteral("CELLULAR"), QString::fromUtf8(cell));
        m.setValue(QStringLiteral("JOB_EMAIL"), QString::fromUtf8(mail));
        m.post();
    }
    ImportPlan plan = makePlan(readFile(QByteArray(kFile), {}, {}, nullptr, nullptr), readSnapshot(*dm->IBPhones),
                               folder.path() + QStringLiteral("photos"));
    TFormImportPreview form(plan, QStringLiteral("contacts.vcf"), {});
    form.show();
    QCOMPARE(form.GridNew->rowCount(), 2);
    QCOMPARE(form.GridDuplicates->rowCount(), 2);
    QCOMPARE(form.GridRefused->rowCount(), 1);
    QVERIFY(form.GridRefused->item(0, 2)->text().contains(QStringLiteral("«Фамилия»")));
    QVERIFY(form.GridRefused->item(0, 2)->text().contains(QStringLiteral("«Ω»")));
    // The too-long post no longer refuses its card: it is cut, and listed on a page of its own.
    QCOMPARE(form.GridCut->rowCount(), 1);
    const QStringList cut = {form.GridCut->item(0, 0)->text(), form.GridCut->item(0, 1)->text(),
                             form.GridCut->item(0, 2)->text(), form.GridCut->item(0, 3)->text(),
                             form.GridCut->item(0, 4)->text()};
    QCOMPARE(cut, (QStringList{QStringLiteral("4"), QStringLiteral("Длинная"), QStringLiteral("Должность"),
                               QStringLiteral("46"), QStringLiteral("30")}));
    QCOMPARE(form.PageControlImport->tabText(form.PageControlImport->indexOf(form.GridCut)),
             QStringLiteral("Обрезанные (1)"));
    QCOMPARE(form.ListGroups->count(), 1);
    QCOMPARE(form.duplicateAction(0), Action::Skip);

    form.PageControlImport->setCurrentIndex(1);
    form.setDuplicateAction(1, Action::Merge);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-duplicates.png"));
    form.PageControlImport->setCurrentIndex(2);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-refused.png"));
    form.PageControlImport->setCurrentWidget(form.GridCut);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-cut.png"));
    form.PageControlImport->setCurrentIndex(0);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-new.png"));

    QTest::mouseClick(form.BitBtnImport, Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(plan.cards[0].action, Action::Skip);
    QCOMPARE(plan.cards[4].action, Action::Merge);
}

void TestExchangeGui::previewShowsWhatIsNotStoredAndWhatMergeDrops() {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Dataset& m = *dm->TabMain;
    for (const char* post : {"Директор", "Бухгалтер"}) {
        m.append();
        m.setValue(QStringLiteral("FAM"), QString::fromUtf8(post) + QStringLiteral("ов"));
        m.setValue(QStringLiteral("FIRST_NAME"), QStringLiteral("Пётр"));
        m.setValue(QStringLiteral("CELLULAR"), QStringLiteral("+7 916 111-22-33"));
        m.setValue(QStringLiteral("JOB_POST"), QString::fromUtf8(post));
        m.post();
    }
    const QByteArray file =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Директоров;Пётр;;;\r\nTEL;TYPE=CELL:+79161112233\r\nTITLE:Дворник\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Бухгалтеров;Пётр;;;\r\nTEL;TYPE=CELL:+79161112233\r\nTITLE:Кассир\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ёлкин;;;;\r\nNOTE:С Новым годом \xF0\x9F\x8E\x84\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xC8\xE2\xE0\xED;;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Орлов;Игорь;;;\r\nCATEGORIES:Работа\r\nUID:A-1\r\n"
        "X-ABUID:A-1:ABPerson\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Друзья\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:A-1\r\nEND:VCARD\r\n";
    ImportPlan plan = makePlan(readFile(file, {}, {}, nullptr, nullptr), readSnapshot(*dm->IBPhones),
                               folder.path() + QStringLiteral("photos"));
    findMergeConflicts(*dm->IBPhones, plan);
    TFormImportPreview form(plan, QStringLiteral("contacts.vcf"), {});
    form.resize(1100, 420);
    form.show();
    QCOMPARE(form.GridDuplicates->rowCount(), 2);
    QCOMPARE(form.GridDuplicates->columnCount(), 7);
    auto dropped = [&](int row) { return form.GridDuplicates->item(row, 6)->text(); };
    QCOMPARE(dropped(0), QStringLiteral("Должность: «Дворник» (сохранено «Директор»)"));
    form.setMergeMode(0, MergeMode::TakeIncoming);
    QCOMPARE(dropped(0), QStringLiteral("Должность: сохранённое «Директор» заменяется на «Дворник»"));
    QCOMPARE(form.mergeMode(1), MergeMode::FillEmpty);
    // The refused character is named whole, by its code point.
    QCOMPARE(form.GridRefused->rowCount(), 2);
    QVERIFY2(form.GridRefused->item(0, 2)->text().contains(QStringLiteral("«🎄» (U+1F384)")),
             qPrintable(form.GridRefused->item(0, 2)->text()));
    // A card whose text is no UTF-8 in a UTF-8 file is refused, its line named, nothing stored garbled.
    QCOMPARE(form.GridRefused->item(1, 1)->text(), QStringLiteral("Иван")); // shown as cp1251 reads it
    QCOMPARE(form.GridRefused->item(1, 2)->text(),
             QStringLiteral("Строка 20: текст не читается в кодировке UTF-8; карточка не принята, чтобы не "
                            "сохранить искажённые буквы"));
    // Not stored: an X- property and the group card that lost to the card's own CATEGORIES.
    QCOMPARE(form.GridNew->rowCount(), 1);
    const QString notStored = form.GridNew->item(0, 5)->text();
    QVERIFY2(notStored.contains(QStringLiteral("X-ABUID: A-1:ABPerson")), qPrintable(notStored));
    QVERIFY2(notStored.contains(QStringLiteral("«Друзья»")), qPrintable(notStored));

    form.PageControlImport->setCurrentIndex(1);
    form.setDuplicateAction(0, Action::Merge);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-merge.png"));
    form.PageControlImport->setCurrentIndex(0);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-not-stored.png"));
    form.PageControlImport->setCurrentIndex(2);
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-refused-text.png"));
    QTest::mouseClick(form.BtnTakeIncomingAll, Qt::LeftButton);
    QVERIFY(dropped(1).contains(QStringLiteral("заменяется")));
    QTest::mouseClick(form.BtnFillEmptyAll, Qt::LeftButton);
    form.setMergeMode(1, MergeMode::TakeIncoming);
    QTest::mouseClick(form.BitBtnImport, Qt::LeftButton);
    QCOMPARE(plan.cards[0].mergeMode, MergeMode::FillEmpty);
    QCOMPARE(plan.cards[1].mergeMode, MergeMode::TakeIncoming);
}

void TestExchangeGui::importThroughCommandsRefreshesTheList() {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Boxes boxes;
    QWidget window;
    ExchangeCommands commands(*dm, &window);
    int rebuilt = 0;
    commands.onImported = [&] { ++rebuilt; };
    commands.preview = [](ImportPlan&, const QString&) { return true; };
    const QString file = folder.path() + QStringLiteral("in.vcf");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kFile);
    }
    QVERIFY(commands.importFile(file));
    QCOMPARE(rebuilt, 1);
    QCOMPARE(dm->TabMain->rowCount(), 4); // the refused card is not there; the long post goes in cut
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.front().kind, msgbox::Kind::Information);

    // Export of what the grids show, read back.
    const QString out = folder.path() + QStringLiteral("out.csv");
    QVERIFY(commands.exportToFile(ExportFormat::Csv, out));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray csvBytes = f.readAll();
    QVERIFY(csvBytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(csvBytes.contains("Работа/Поставщики"));
}

void TestExchangeGui::badFilesGetAClearMessage_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("kind");
    QTest::newRow("missing file") << QByteArray() << false << int(msgbox::Kind::Error);
    QTest::newRow("garbage") << QByteArray("\x00\x01\x02garbage", 10) << true << int(msgbox::Kind::Warning);
    QTest::newRow("CSV with unknown header") << QByteArray("a,b,c\n1,2,3\n") << true << int(msgbox::Kind::Warning);
}

void TestExchangeGui::badFilesGetAClearMessage() {
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(int, kind);
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Boxes boxes;
    QWidget window;
    ExchangeCommands commands(*dm, &window);
    bool previewed = false;
    commands.preview = [&](ImportPlan&, const QString&) { return previewed = true; };
    const QString file = folder.path() + QStringLiteral("bad.vcf");
    if (exists) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QVERIFY(!commands.importFile(file));
    QVERIFY(!previewed);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(int(boxes.shown.front().kind), kind);
    QVERIFY(boxes.shown.front().text.contains(file));
}

void TestExchangeGui::menuHasItsNamedActions() {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    QWidget window;
    ExchangeCommands commands(*dm, &window);
    QStringList names;
    for (QAction* a : commands.menu()->actions())
        if (!a->isSeparator())
            names << a->objectName();
    QCOMPARE(names, (QStringList{QStringLiteral("acExportVCard4"), QStringLiteral("acExportVCard3"),
                                 QStringLiteral("acExportCSV"), QStringLiteral("acImportContacts"),
                                 QStringLiteral("acSync")}));
    QCOMPARE(commands.menu()->objectName(), QStringLiteral("NExchange"));
    // The sync window lives above this library: its entry asks the main window to open it.
    int requested = 0;
    QObject::connect(&commands, &ExchangeCommands::syncRequested, [&requested] { ++requested; });
    commands.menu()->findChild<QAction*>(QStringLiteral("acSync"))->trigger();
    QCOMPARE(requested, 1);
}

void TestExchangeGui::longListsStayShortInTheirCell_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("10 unknown properties") << 10;
    QTest::newRow("80,000 unknown properties") << 80000;
}

// What a card does not store is listed in one cell; thousands of names must not make the window measure
// and paint a cell of a megabyte.
void TestExchangeGui::longListsStayShortInTheirCell() {
    QFETCH(int, count);
    QByteArray file = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Иван;;;\r\n";
    for (int i = 1; i <= count; ++i)
        file += "X-P" + QByteArray::number(i) + ":v\r\n";
    file += "END:VCARD\r\n";
    ImportPlan plan = makePlan(readFile(file, {}, {}, nullptr, nullptr), Snapshot(), QStringLiteral("/tmp/photos"));
    TFormImportPreview form(plan, QStringLiteral("many.vcf"), {});
    QCOMPARE(form.GridNew->rowCount(), 1);
    const QString shown = form.GridNew->item(0, 5)->text();
    QVERIFY(shown.startsWith(QStringLiteral("X-P1")));
    QVERIFY(shown.size() <= 1001);
    QCOMPARE(shown.endsWith(QChar(0x2026)), count > 100); // cut where it does not fit
}

void TestExchangeGui::tooDeepGroupPathIsRefusedWithItsDepth() {
    const QByteArray file =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Иван;;;\r\nCATEGORIES:" + QByteArray("a/").repeated(15000) +
        "\r\nEND:VCARD\r\n";
    ImportPlan plan = makePlan(readFile(file, {}, {}, nullptr, nullptr), Snapshot(), QStringLiteral("/tmp/photos"));
    TFormImportPreview form(plan, QStringLiteral("deep.vcf"), {});
    QCOMPARE(form.GridRefused->rowCount(), 1);
    QCOMPARE(form.GridRefused->item(0, 2)->text(),
             QStringLiteral("Группа: 15000 уровней вложенности, а допускается не больше 64"));
    QCOMPARE(form.ListGroups->count(), 0);
}

void TestExchangeGui::csvPreviewNamesLayoutAndAsksWhenMostColumnsAreUnknown_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("unknown");
    QTest::addColumn<bool>("asks");
    QTest::newRow("Google, most values without a place")
        << QByteArray("First Name,Last Name,Phone 1 - Label,Phone 1 - Value,Relation 1 - Label,Relation 1 - Value,"
                      "Custom Field 1 - Label,Custom Field 1 - Value,Event 1 - Label,Event 1 - Value,Photo\n"
                      "Anna,Berg,Mobile,+46 70 123 45 67,Spouse,Erik,Shoe size,38,Anniversary,2001-05-05,\n")
        << "Google"
        << "Relation 1 - Label, Relation 1 - Value, Custom Field 1 - Label" << true;
    QTest::newRow("Thunderbird, empty columns lose nothing")
        << QByteArray("First Name,Last Name,Primary Email,Custom 1,Custom 2,Custom 3,Custom 4,Birth Year\n"
                      "Anna,Berg,anna@berg.se,,,,,\n")
        << "Thunderbird" << QString() << false;
}

void TestExchangeGui::csvPreviewNamesLayoutAndAsksWhenMostColumnsAreUnknown() {
    QFETCH(QByteArray, file);
    QFETCH(QString, layout);
    QFETCH(QString, unknown);
    QFETCH(bool, asks);
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    CsvFacts facts;
    ImportPlan plan = makePlan(readFile(file, {}, {}, nullptr, nullptr, &facts), readSnapshot(*dm->IBPhones),
                               folder.path() + QStringLiteral("photos"));
    plan.csv = facts;
    QList<msgbox::Shown> shown;
    QMessageBox::StandardButton answer = QMessageBox::No;
    msgbox::setResponder([&](const msgbox::Shown& s) {
        shown << s;
        return answer;
    });
    TFormImportPreview form(plan, QStringLiteral("contacts.csv"), {});
    form.show();
    const QString summary = form.LabelSummary->text();
    QVERIFY2(summary.contains(layout), qPrintable(summary));
    if (!unknown.isEmpty())
        QVERIFY2(summary.contains(unknown), qPrintable(summary));
    form.grab().save(shotFolder() + QStringLiteral("/import-preview-%1.png").arg(layout.section(u' ', 0, 0)));

    QTest::mouseClick(form.BitBtnImport, Qt::LeftButton);
    QCOMPARE(shown.size(), asks ? 1 : 0);
    if (asks) {
        // "No" keeps the preview open; "Yes" goes on with the import.
        QCOMPARE(shown.front().kind, msgbox::Kind::Question);
        QVERIFY(shown.front().text.contains(unknown));
        QVERIFY(form.isVisible());
        answer = QMessageBox::Yes;
        QTest::mouseClick(form.BitBtnImport, Qt::LeftButton);
    }
    msgbox::clearResponder();
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestExchangeGui)
#include "tst_exchange_gui.moc"
