// CSV reading and writing: quoting, separators, titles of either language and shared titles.
#include "Csv.h"

#include <QTest>

using namespace exchange;

class TestCsv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void records_data();
    void records();
    void headerByTitlesOfEitherLanguage_data();
    void headerByTitlesOfEitherLanguage();
    void writtenRowReadsBack();
    void groupOnlyLineAndBadDate();
};

void TestCsv::records_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QStringList>>("expected");
    QTest::newRow("plain") << QByteArray("a,b\r\nc,d\r\n") << QList<QStringList>{{"a", "b"}, {"c", "d"}};
    QTest::newRow("quoted comma, quote, break")
        << QByteArray("\"a,1\",\"say \"\"hi\"\"\",\"x\ny\"\n") << QList<QStringList>{{"a,1", "say \"hi\"", "x\ny"}};
    QTest::newRow("semicolons of a Russian spreadsheet")
        << QByteArray("a;b,c;d\n1;2;3\n") << QList<QStringList>{{"a", "b,c", "d"}, {"1", "2", "3"}};
    QTest::newRow("empty fields and last line without break")
        << QByteArray(",,\nx") << QList<QStringList>{{"", "", ""}, {"x"}};
    QTest::newRow("unterminated quote") << QByteArray("\"abc,def\nghi") << QList<QStringList>{{"abc,def\nghi"}};
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF\xD0\xAF,b") << QList<QStringList>{{"Я", "b"}};
    QTest::newRow("cp1251 bytes") << QByteArray("\xDF,\xB8") << QList<QStringList>{{"Я", "ё"}};
}

void TestCsv::records() {
    QFETCH(QByteArray, data);
    QFETCH(QList<QStringList>, expected);
    const csv::Table t = csv::parse(data);
    QCOMPARE(QList<QStringList>(t.records.begin(), t.records.end()), expected);
}

void TestCsv::headerByTitlesOfEitherLanguage_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("Russian titles") << QByteArray(
        "Фамилия,Город,Город,Группа,Сотовый\nИванов,Москва,Тула,Друзья/Школа,123\n");
    QTest::newRow("English titles") << QByteArray(
        "Surname,Work city,Home city,Group,Mobile phone\nИванов,Москва,Тула,Друзья/Школа,123\n");
    QTest::newRow("field names") << QByteArray(
        "fam,JOB_CITY,HOME_CITY,GROUP_NAME,CELLULAR\nИванов,Москва,Тула,Друзья/Школа,123\n");
}

void TestCsv::headerByTitlesOfEitherLanguage() {
    QFETCH(QByteArray, data);
    const csv::Import im = csv::readContacts(data);
    QVERIFY(im.header);
    QVERIFY(im.unknownColumns.isEmpty());
    QCOMPARE(im.contacts.size(), size_t(1));
    const ContactRow& r = im.contacts.front().row;
    QCOMPARE(r.text(FAM), QStringLiteral("Иванов"));
    QCOMPARE(r.text(JOB_CITY), QStringLiteral("Москва"));
    QCOMPARE(r.text(HOME_CITY), QStringLiteral("Тула"));
    QCOMPARE(r.text(CELLULAR), QStringLiteral("123"));
    QCOMPARE(r.groupPath, QStringLiteral("Друзья/Школа"));
}

void TestCsv::writtenRowReadsBack() {
    ContactRow row;
    for (int c = 1; c < ColumnCount; ++c)
        if (c != GR_NUM && c != BITHDAY)
            row.set(Column(c), QStringLiteral("v%1, \"q\"\n; ").arg(c));
    row.values[BITHDAY] = QDate(2001, 2, 3);
    row.groupPath = QStringLiteral("Работа");
    QStringList titles;
    for (int c = 0; c < ColumnCount; ++c)
        titles << russianTitle(c);
    QByteArray out("\xEF\xBB\xBF");
    csv::appendRecord(out, csv::exportTitles(titles, {}));
    csv::appendRecord(out, csv::exportFields(row));
    const csv::Import im = csv::readContacts(out);
    QVERIFY(im.unknownColumns.isEmpty());
    QCOMPARE(im.contacts.size(), size_t(1));
    const ContactRow& back = im.contacts.front().row;
    for (int c = 1; c < ColumnCount; ++c)
        if (c != GR_NUM)
            QVERIFY2(back.values[c] == row.values[c], mapping(Column(c)).field);
    QCOMPARE(back.groupPath, row.groupPath);
}

void TestCsv::groupOnlyLineAndBadDate() {
    const csv::Import im = csv::readContacts(QByteArray("Фамилия,День рожденья,Группа\n,,Друзья\nА,31.02.2000,\n,,\n"));
    QCOMPARE(im.contacts.size(), size_t(2));
    QVERIFY(im.contacts[0].groupOnly);
    QCOMPARE(im.contacts[1].refusal.kind, Refusal::BadDate);
    QCOMPARE(im.contacts[1].source, 3);
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
