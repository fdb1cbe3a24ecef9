// CSV files of other address books, each written in its producer's shape (tests/exchange/fixtures),
// imported into a fresh database: the layout is recognised by its header and every stored row is
// compared column by column.
#include "ContactImporter.h"
#include "TestDatabase.h"

#include <QTest>

using namespace exchange;

namespace {

using Row = QMap<QString, QString>; // field name -> stored text; GR_NUM as the group path

QByteArray fixture(const QString& name) {
    QFile f(QStringLiteral(KORVANE_FIXTURES "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Db {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm = folder.openDM(ui);

    // Every stored row in key order with its non-empty columns.
    QList<Row> rows() {
        const GroupPaths groups(readSnapshot(*dm->IBPhones).groups);
        QStringList cols;
        for (int c = 0; c < ColumnCount; ++c)
            cols << QString::fromLatin1(mapping(Column(c)).field).toUpper();
        Query q(*dm->IBPhones, QStringLiteral("select %1 from \"MAIN\" order by NUM_MAIN").arg(cols.join(u',')));
        QList<Row> out;
        for (const auto& r : q.run({})) {
            Row row;
            for (int c = 1; c < ColumnCount; ++c) {
                if (r[c].isNull())
                    continue;
                if (c == GR_NUM)
                    row.insert(cols[c], groups.path(r[c].toInt()));
                else if (c == BITHDAY)
                    row.insert(cols[c], r[c].toDate().toString(Qt::ISODate));
                else if (!r[c].toString().isEmpty())
                    row.insert(cols[c], r[c].toString());
            }
            out << row;
        }
        return out;
    }
};

} // namespace

class TestCsvLayouts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void producerFileStoredColumnByColumn_data();
    void producerFileStoredColumnByColumn();
};

void TestCsvLayouts::producerFileStoredColumnByColumn_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QStringList>("unknownFilled");
    QTest::addColumn<QList<Row>>("expected");
    QTest::addColumn<QList<QStringList>>("notes");

    QTest::newRow("Google Contacts")
        << "google-contacts.csv" << int(csv::Layout::Google) << QStringList{"Relation 1 - Label", "Relation 1 - Value"}
        << QList<Row>{{{"FAM", "Сидоров"},
                       {"FIRST_NAME", "Иван"},
                       {"MID_NAME", "Петрович"},
                       {"NICKNAME", "Ваня"},
                       {"JOB_ORG", "ООО «Ромашка»"},
                       {"JOB_POST", "Инженер"},
                       {"DEPARTAMENT", "Снабжение"},
                       {"BITHDAY", "1980-05-14"},
                       {"NOTES", "Две строки\nзаметки"},
                       {"GR_NUM", "Друзья"}, // "* myContacts" and "* starred" are Google's, not groups
                       {"JOB_EMAIL", "ivan@romashka.ru"},
                       {"HOME_EMAIL", "ivan@mail.ru"},
                       {"CELLULAR", "+7 916 123-45-67"},
                       {"JOB_TEL1", "+7 (495) 123-45-67"},
                       {"JOB_TEL2", "+7 916 765-43-21"}, // the second mobile of the cell, after the typed ones
                       {"JOB_FAX", "+7 495 123-45-68"},
                       {"HOME_ADDRESS", "кв. 5"},
                       {"HOME_ST", "ул. Ленина, 1"},
                       {"HOME_CITY", "Москва, Московская обл."},
                       {"HOME_ZIP", "101000"},
                       {"COUNTRY", "Россия"},
                       {"JOB_WWW", "https://romashka.ru"}},
                      {{"FAM", "Berg"},
                       {"FIRST_NAME", "Anna"},
                       {"JOB_EMAIL", "anna@berg.se"},
                       {"HOME_EMAIL", "anna.b@gmail.com"},
                       {"JOB_TEL1", "+46 8 123 456 78"}}}
        << QList<QStringList>{{"Labels: Дача"}, {}};

    QTest::newRow("Outlook, English titles")
        << "outlook-english.csv" << int(csv::Layout::OutlookEnglish) << QStringList{"Title", "Gender", "Spouse"}
        << QList<Row>{{{"FAM", "Smith"},
                       {"FIRST_NAME", "John"},
                       {"MID_NAME", "Paul"},
                       {"JOB_ORG", "Acme Ltd"},
                       {"DEPARTAMENT", "Sales"},
                       {"JOB_POST", "Manager"},
                       {"OCCUPATION", "Trade"},
                       {"JOB_ST", "1 Main St"},
                       {"JOB_ADDRESS", "Suite 200"},
                       {"JOB_CITY", "Springfield, IL"},
                       {"JOB_ZIP", "62701"},
                       {"COUNTRY", "United States"},
                       {"HOME_ST", "5 Oak Ave"},
                       {"HOME_CITY", "Springfield"},
                       {"HOME_ZIP", "62702"},
                       {"JOB_FAX", "(217) 555-0199"},
                       {"JOB_TEL1", "(217) 555-0100"},
                       {"JOB_TEL2", "(217) 555-0101"},
                       {"HOME_TEL1", "(217) 555-0150"},
                       {"CELLULAR", "(217) 555-0177"},
                       {"PAGER", "(217) 555-0188"},
                       {"BITHDAY", "1980-05-14"},
                       {"GR_NUM", "Clients"},
                       {"JOB_EMAIL", "john@acme.com"},
                       {"HOME_EMAIL", "jsmith@gmail.com"},
                       {"NOTES", "Met at the fair"},
                       {"JOB_WWW", "http://acme.com"}}}
        << QList<QStringList>{{"Categories: VIP"}};

    QTest::newRow("Outlook, Russian titles, cp1251 with semicolons")
        << "outlook-russian.csv" << int(csv::Layout::OutlookRussian) << QStringList{"Пол"}
        << QList<Row>{{{"FAM", "Кузнецова"},
                       {"FIRST_NAME", "Мария"},
                       {"MID_NAME", "Ивановна"},
                       {"JOB_ORG", "АО «Вектор»"},
                       {"DEPARTAMENT", "Бухгалтерия"},
                       {"JOB_POST", "Главный бухгалтер"},
                       {"JOB_ST", "ул. Тверская, 7"},
                       {"JOB_ADDRESS", "офис 12"},
                       {"JOB_CITY", "Москва"},
                       {"JOB_ZIP", "125009"},
                       {"COUNTRY", "Россия"},
                       {"JOB_FAX", "+7 (495) 200-00-01"},
                       {"JOB_TEL1", "+7 (495) 200-00-00"},
                       {"HOME_TEL1", "8 (812) 300-00-00"},
                       {"CELLULAR", "+7 921 000-00-00"},
                       {"BITHDAY", "1975-03-07"},
                       {"GR_NUM", "Работа"},
                       {"JOB_EMAIL", "m.kuznetsova@vector.ru"},
                       {"NOTES", "Звонить после 10"},
                       {"JOB_WWW", "https://vector.ru"}}}
        << QList<QStringList>{{"Категории: Бухгалтерия"}};

    QTest::newRow("Thunderbird") << "thunderbird.csv" << int(csv::Layout::Thunderbird) << QStringList{"Custom 1"}
                                 << QList<Row>{{{"FAM", "Новиков"},
                                                {"FIRST_NAME", "Олег"},
                                                {"NICKNAME", "Олежка"},
                                                {"JOB_EMAIL", "oleg@novikov.ru"},
                                                {"HOME_EMAIL", "oleg.n@yandex.ru"},
                                                {"JOB_ICQ", "oleg_n"},
                                                {"JOB_TEL1", "8 (343) 111-22-33"},
                                                {"HOME_TEL1", "+7 343 444-55-66"},
                                                {"JOB_FAX", "+7 343 111-22-34"},
                                                {"PAGER", "1234"},
                                                {"CELLULAR", "+7 912 000-11-22"},
                                                {"HOME_ST", "ул. Мира, 5"},
                                                {"HOME_ADDRESS", "кв. 12"},
                                                {"HOME_CITY", "Екатеринбург, Свердловская обл."},
                                                {"HOME_ZIP", "620000"},
                                                {"COUNTRY", "Россия"},
                                                {"JOB_ST", "пр. Ленина, 50"},
                                                {"JOB_CITY", "Екатеринбург"},
                                                {"JOB_ZIP", "620014"},
                                                {"JOB_POST", "Директор"},
                                                {"DEPARTAMENT", "Дирекция"},
                                                {"JOB_ORG", "ООО «Урал»"},
                                                {"JOB_WWW", "https://ural.ru"},
                                                {"HOME_WWW", "https://novikov.ru"},
                                                {"BITHDAY", "1990-03-07"},
                                                {"NOTES", "Любит чай"}},
                                               {{"FAM", "Служба поддержки"}, {"JOB_EMAIL", "help@ural.ru"}}}
                                 << QList<QStringList>{{}, {"Birth Month, Birth Day: 31.12"}};
}

void TestCsvLayouts::producerFileStoredColumnByColumn() {
    QFETCH(QString, file);
    QFETCH(int, layout);
    QFETCH(QStringList, unknownFilled);
    QFETCH(QList<Row>, expected);
    QFETCH(QList<QStringList>, notes);
    const QByteArray bytes = fixture(file);
    QVERIFY(!bytes.isEmpty());

    csv::Import facts = csv::readContacts(bytes);
    QCOMPARE(int(facts.layout), layout);
    QCOMPARE(facts.unknownFilled, unknownFilled);
    QVERIFY(!facts.mostlyUnknown());

    Db db;
    CsvFacts csvFacts;
    bool recognised = false;
    auto contacts = readFile(bytes, {}, {}, nullptr, &recognised, &csvFacts);
    QVERIFY(recognised);
    QCOMPARE(int(csvFacts.layout), layout);
    QCOMPARE(contacts.size(), size_t(expected.size()));
    for (size_t i = 0; i < contacts.size(); ++i)
        QCOMPARE(contacts[i].notes, notes.value(int(i)));
    ImportPlan plan = makePlan(std::move(contacts), readSnapshot(*db.dm->IBPhones), db.folder.path());
    QCOMPARE(plan.count(CardStatus::Refused), 0);
    const ImportResult result = runImport(*db.dm->IBPhones, plan, db.folder.path());
    QCOMPARE(result.added, int(expected.size()));

    const QList<Row> stored = db.rows();
    QCOMPARE(stored.size(), expected.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        for (int c = 1; c < ColumnCount; ++c) {
            const QString field = QString::fromLatin1(mapping(Column(c)).field).toUpper();
            QVERIFY2(stored[i].value(field) == expected[i].value(field),
                     qPrintable(QStringLiteral("row %1, %2: stored «%3», expected «%4»")
                                    .arg(i + 1)
                                    .arg(field, stored[i].value(field), expected[i].value(field))));
        }
    }
}

QTEST_GUILESS_MAIN(TestCsvLayouts)
#include "tst_csv_layouts.moc"
