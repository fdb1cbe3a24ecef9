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
    void layoutByHeader_data();
    void layoutByHeader();
    void googleSystemLabelsAreNoGroups_data();
    void googleSystemLabelsAreNoGroups();
    void mostlyUnknownCountsColumnsWithValues_data();
    void mostlyUnknownCountsColumnsWithValues();
    void outlookCategoriesByEitherListSeparator_data();
    void outlookCategoriesByEitherListSeparator();
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

void TestCsv::layoutByHeader_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("fam");
    QTest::addColumn<QString>("email");
    QTest::newRow("our Russian titles") << QByteArray("Фамилия,Имя,Сотовый,Рабочий e-mail\nИванов,Иван,1,a@b.ru\n")
                                        << int(csv::Layout::Own) << "Иванов"
                                        << "a@b.ru";
    QTest::newRow("Google, 2024") << QByteArray("First Name,Last Name,E-mail 1 - Label,E-mail 1 - Value\n"
                                                "Иван,Иванов,* Home,a@b.ru\n")
                                  << int(csv::Layout::Google) << "Иванов"
                                  << "a@b.ru";
    QTest::newRow("Google, older titles")
        << QByteArray("Name,Given Name,Family Name,Group Membership,E-mail 1 - Type,E-mail 1 - Value\n"
                      "Иван Иванов,Иван,Иванов,* My Contacts,* Other,a@b.ru\n")
        << int(csv::Layout::Google) << "Иванов"
        << "a@b.ru";
    QTest::newRow("Outlook, English") << QByteArray("First Name,Last Name,E-mail Address,Business Phone\n"
                                                    "Ivan,Ivanov,a@b.ru,1\n")
                                      << int(csv::Layout::OutlookEnglish) << "Ivanov"
                                      << "a@b.ru";
    QTest::newRow("Outlook.com, Email without hyphen")
        << QByteArray("First Name,Last Name,Email Address,Mobile Phone\nIvan,Ivanov,a@b.ru,1\n")
        << int(csv::Layout::OutlookEnglish) << "Ivanov"
        << "a@b.ru";
    QTest::newRow("Outlook, Russian, cp1251")
        << QByteArray("\"\xC8\xEC\xFF\";\"\xD4\xE0\xEC\xE8\xEB\xE8\xFF\";\"\xC0\xE4\xF0\xE5\xF1 \xFD\xEB. "
                      "\xEF\xEE\xF7\xF2\xFB\"\r\n\"\xC8\xE2\xE0\xED\";\"\xC8\xE2\xE0\xED\xEE\xE2\";\"a@b.ru\"\r\n")
        << int(csv::Layout::OutlookRussian) << "Иванов"
        << "a@b.ru";
    QTest::newRow("Thunderbird") << QByteArray("First Name,Last Name,Primary Email,Mobile Number,\n"
                                               "Ivan,Ivanov,a@b.ru,1,\n")
                                 << int(csv::Layout::Thunderbird) << "Ivanov"
                                 << "a@b.ru";
}

void TestCsv::layoutByHeader() {
    QFETCH(QByteArray, data);
    QFETCH(int, layout);
    QFETCH(QString, fam);
    QFETCH(QString, email);
    const csv::Import im = csv::readContacts(data);
    QVERIFY(im.header);
    QCOMPARE(int(im.layout), layout);
    QVERIFY2(im.unknownColumns.isEmpty(), qPrintable(im.unknownColumns.join(u',')));
    QCOMPARE(im.contacts.size(), size_t(1));
    QCOMPARE(im.contacts.front().row.text(FAM), fam);
    QCOMPARE(im.contacts.front().row.text(JOB_EMAIL) + im.contacts.front().row.text(HOME_EMAIL), email);
    QVERIFY(im.contacts.front().row.groupPath.isEmpty());
}

void TestCsv::googleSystemLabelsAreNoGroups_data() {
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QString>("group");
    QTest::newRow("2024 system labels") << "* myContacts ::: * starred"
                                        << "";
    QTest::newRow("without the star") << "myContacts"
                                      << "";
    QTest::newRow("older title") << "* My Contacts ::: * Starred"
                                 << "";
    QTest::newRow("the user's group after them") << "* myContacts ::: Семья"
                                                 << "Семья";
    QTest::newRow("a slash inside a label") << "Работа/Клиенты ::: * myContacts"
                                            << "Работа\\/Клиенты";
}

void TestCsv::googleSystemLabelsAreNoGroups() {
    QFETCH(QString, labels);
    QFETCH(QString, group);
    const QByteArray data =
        (QStringLiteral("First Name,Last Name,Labels,Phone 1 - Value\nИван,Иванов,\"%1\",1\n").arg(labels)).toUtf8();
    const csv::Import im = csv::readContacts(data);
    QCOMPARE(im.contacts.size(), size_t(1));
    QCOMPARE(im.contacts.front().row.groupPath, group);
    QVERIFY(im.contacts.front().notes.isEmpty());
}

void TestCsv::mostlyUnknownCountsColumnsWithValues_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("unknownFilled");
    QTest::addColumn<bool>("mostly");
    QTest::newRow("three of four hold values without a place")
        << QByteArray("First Name,Shoe,Hat,Coat\nAnna,38,M,L\n") << QStringList{"Shoe", "Hat", "Coat"} << true;
    QTest::newRow("half is not more than half")
        << QByteArray("First Name,Last Name,Shoe,Hat\nAnna,Berg,38,M\n") << QStringList{"Shoe", "Hat"} << false;
    QTest::newRow("empty columns lose nothing")
        << QByteArray("First Name,Shoe,Hat,Coat\nAnna,,,\n") << QStringList{} << false;
    QTest::newRow("Outlook's no-date is no value")
        << QByteArray("First Name,Last Name,Anniversary,E-mail Address\nAnna,Berg,0/0/00,a@b.se\n") << QStringList{}
        << false;
}

void TestCsv::mostlyUnknownCountsColumnsWithValues() {
    QFETCH(QByteArray, data);
    QFETCH(QStringList, unknownFilled);
    QFETCH(bool, mostly);
    const csv::Import im = csv::readContacts(data);
    QCOMPARE(im.unknownFilled, unknownFilled);
    QCOMPARE(im.mostlyUnknown(), mostly);
}

void TestCsv::outlookCategoriesByEitherListSeparator_data() {
    QTest::addColumn<QString>("categories");
    QTest::newRow("semicolon") << "Clients;VIP";
    QTest::newRow("comma") << "Clients, VIP";
}

void TestCsv::outlookCategoriesByEitherListSeparator() {
    QFETCH(QString, categories);
    const csv::Import im = csv::readContacts(
        QStringLiteral("First Name,Last Name,E-mail Address,Categories\nJohn,Smith,j@acme.com,\"%1\"\n")
            .arg(categories)
            .toUtf8());
    QCOMPARE(int(im.layout), int(csv::Layout::OutlookEnglish));
    QCOMPARE(im.contacts.size(), size_t(1));
    QCOMPARE(im.contacts.front().row.groupPath, QStringLiteral("Clients"));
    QCOMPARE(im.contacts.front().notes, QStringList{QStringLiteral("Categories: VIP")});
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
