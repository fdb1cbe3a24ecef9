// vCard reading and writing: hand-written cards in the shapes that the RFC examples, phones and
// common address books produce, each with the columns it must give.
#include "ContactMapping.h"
#include "VCard.h"

#include <QTest>

using namespace exchange;
using Expect = QMap<QString, QString>; // field name (or "group") -> value

Q_DECLARE_METATYPE(Expect)

namespace {

Expect columnsOf(const ImportedContact& ic) {
    Expect e;
    for (int c = 0; c < ColumnCount; ++c) {
        const QVariant& v = ic.row.values[c];
        if (v.isNull())
            continue;
        e.insert(QString::fromLatin1(mapping(Column(c)).field),
                 c == BITHDAY ? v.toDate().toString(Qt::ISODate) : v.toString());
    }
    if (!ic.row.groupPath.isEmpty())
        e.insert(QStringLiteral("group"), ic.row.groupPath);
    if (!ic.row.photo.isEmpty())
        e.insert(QStringLiteral("photo"), ic.row.photoSuffix + QString::number(ic.row.photo.size()));
    return e;
}

QByteArray crlf(const char* s) {
    return QByteArray(s).replace("\n", "\r\n");
}

} // namespace

class TestVCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cards_data();
    void cards();
    void severalCardsInOneFile();
    void foldedLinesAndEscapes();
    void brokenCardDoesNotSwallowTheNext();
    void writerFoldsAt75OctetsWithoutSplittingLetters();
    void roundTripThroughWriter_data();
    void roundTripThroughWriter();
    void groupCardDescribesGroupOnly();
    void windows1251FileWithoutCharset();
    void charsetDecidedAfterFoldsAreJoined_data();
    void charsetDecidedAfterFoldsAreJoined();
    void typedValuesTakeTheirColumnsFirst_data();
    void typedValuesTakeTheirColumnsFirst();
    void characterBeyondTheBasicPlaneNamedWhole();
    void groupCardNamesItsMembersInBothForms();
};

void TestVCard::cards_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Expect>("expected");

    // RFC 6350, section 8 (with a work address and a group path).
    QTest::newRow("rfc6350 example")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nFN:Simon Perreault\nN:Perreault;Simon;;;ing. jr,M.Sc.\n"
                "BDAY:--0203\nANNIVERSARY:20090808T1430-0500\nGENDER:M\nLANG;PREF=1:fr\nLANG;PREF=2:en\n"
                "ORG;TYPE=work:Viagenie\nADR;TYPE=work:;Suite D2-630;2875 Laurier;Quebec;QC;G1V 2M2;Canada\n"
                "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102\n"
                "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501\n"
                "EMAIL;TYPE=work:simon.perreault@viagenie.ca\nURL;TYPE=home:http://nomis80.org\nEND:VCARD\n")
        << Expect{{"FAM", "Perreault"},
                  {"FIRST_NAME", "Simon"},
                  {"JOB_ORG", "Viagenie"},
                  {"JOB_ADDRESS", "Suite D2-630"},
                  {"JOB_ST", "2875 Laurier"},
                  {"JOB_CITY", "Quebec, QC"},
                  {"JOB_ZIP", "G1V 2M2"},
                  {"COUNTRY", "Canada"},
                  {"JOB_TEL1", "+1-418-656-9254,102"},
                  {"CELLULAR", "+1-418-262-6501"},
                  {"JOB_EMAIL", "simon.perreault@viagenie.ca"},
                  {"HOME_WWW", "http://nomis80.org"}};

    // A phone's address book: 3.0 with item groups labelled by X-ABLabel.
    QTest::newRow("3.0 item1.X-ABLabel")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\nN:Петров;Пётр;;;\nFN:Пётр Петров\n"
                "item1.TEL;type=pref:+7 916 111-22-33\nitem1.X-ABLabel:_$!<Mobile>!$_\n"
                "item2.TEL:+7 495 222-33-44\nitem2.X-ABLabel:_$!<WorkFAX>!$_\n"
                "item3.EMAIL;type=INTERNET:petrov@mail.ru\nitem3.X-ABLabel:_$!<Home>!$_\n"
                "TEL;type=HOME;type=VOICE:+7 495 "
                "333-44-55\nitem4.URL:https://petrov.ru\nitem4.X-ABLabel:_$!<HomePage>!$_\n"
                "CATEGORIES:Работа/Клиенты\nEND:VCARD\n")
        << Expect{{"FAM", "Петров"},
                  {"FIRST_NAME", "Пётр"},
                  {"CELLULAR", "+7 916 111-22-33"},
                  {"JOB_FAX", "+7 495 222-33-44"},
                  {"HOME_EMAIL", "petrov@mail.ru"},
                  {"HOME_TEL1", "+7 495 333-44-55"},
                  {"HOME_WWW", "https://petrov.ru"},
                  {"group", "Работа/Клиенты"}};

    // An old phone: 2.1, quoted-printable UTF-8 with a soft line break, bare type parameters.
    QTest::newRow("2.1 quoted-printable UTF-8")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=A1=D0=B8=D0=B4=D0=BE=D1=80=D0="
                "BE=D0=B2;"
                "=D0=98=D0=B2=D0=B0=D0=BD;;;\n"
                "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=98=D0=B2=D0=B0=D0=BD "
                "=D0=A1=D0=B8=D0=B4=D0=BE=\n=D1=80=D0=BE=D0=B2\n"
                "TEL;CELL;PREF:+79161234567\nTEL;WORK:84951112233\nTEL;HOME:+7(495)1112233\n"
                "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=D0=97=D0=B2=D0=BE=D0=BD=D0=B8=D1=82=D1=8C=0D=0A=D0=B2=\n"
                "=D0=B5=D1=87=D0=B5=D1=80=D0=BE=D0=BC\nEND:VCARD\n")
        << Expect{{"FAM", "Сидоров"},          {"FIRST_NAME", "Иван"},          {"CELLULAR", "+79161234567"},
                  {"JOB_TEL1", "84951112233"}, {"HOME_TEL1", "+7(495)1112233"}, {"NOTES", "Звонить\r\nвечером"}};

    // 2.1 with cp1251 text named by CHARSET and a base64 photograph on lines of its own.
    QTest::newRow("2.1 windows-1251 and base64 photo")
        << crlf("BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=WINDOWS-1251:\xCA\xF3\xE7\xED\xE5\xF6\xEE\xE2;"
                "\xCE\xEB\xFC\xE3\xE0\n"
                "PHOTO;ENCODING=BASE64;TYPE=JPEG:\n /9j/4AAQSkZJRgABAQ\n AAAQABAAD/\n\nEND:VCARD\n")
        << Expect{{"FAM", "Кузнецов"}, {"FIRST_NAME", "Ольга"}, {"photo", "jpg21"}};

    QTest::newRow("4.0 KIND individual")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:individual\nFN:Анна Смирнова\nN:Смирнова;Анна;Сергеевна;;\n"
                "NICKNAME:Аня\nTITLE:Бухгалтер\nROLE:Торговля\nBDAY:19850412\nORG:ООО \"Вектор\";Бухгалтерия\n"
                "ADR;TYPE=home:;кв. 5;ул. Садовая\\, 1;Казань;;420000;Россия\nIMPP;TYPE=home:icq:123456789\n"
                "EMAIL:anna@vector.ru\nNOTE:Первая строка\\nвторая\\, с запятой\nEND:VCARD\n")
        << Expect{{"FAM", "Смирнова"},
                  {"FIRST_NAME", "Анна"},
                  {"MID_NAME", "Сергеевна"},
                  {"NICKNAME", "Аня"},
                  {"JOB_POST", "Бухгалтер"},
                  {"OCCUPATION", "Торговля"},
                  {"BITHDAY", "1985-04-12"},
                  {"JOB_ORG", "ООО \"Вектор\""},
                  {"Departament", "Бухгалтерия"},
                  {"HOME_ADDRESS", "кв. 5"},
                  {"HOME_ST", "ул. Садовая, 1"},
                  {"HOME_CITY", "Казань"},
                  {"HOME_ZIP", "420000"},
                  {"COUNTRY", "Россия"},
                  {"HOME_ICQ", "123456789"},
                  {"JOB_EMAIL", "anna@vector.ru"},
                  {"NOTES", "Первая строка\nвторая, с запятой"}};

    QTest::newRow("only FN") << crlf("BEGIN:VCARD\nVERSION:3.0\nFN:Сантехник Василий\nEND:VCARD\n")
                             << Expect{{"FAM", "Сантехник Василий"}};
    QTest::newRow("only FN of an organisation")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:org\nFN:ООО Ромашка\nEND:VCARD\n")
        << Expect{{"JOB_ORG", "ООО Ромашка"}};
    QTest::newRow("4.0 inline data photo and BDAY with time")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nFN:X\nN:X;;;;\nBDAY:1970-01-02T00:00:00Z\n"
                "PHOTO:data:image/png;base64,iVBORw0KGgo=\nEND:VCARD\n")
        << Expect{{"FAM", "X"}, {"BITHDAY", "1970-01-02"}, {"photo", "png8"}};
    // A type names no picture: bytes that are none are not taken as the photograph.
    QTest::newRow("photo typed JPEG that is no picture")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nN:Y;;;;\nPHOTO;ENCODING=b;TYPE=JPEG:cGxhaW4gdGV4dA==\nEND:VCARD\n")
        << Expect{{"FAM", "Y"}};
    QTest::newRow("LF line ends, lower-case names, no END")
        << QByteArray("begin:vcard\nversion:3.0\nn:Doe;John\ntel;type=work:1\ntel;type=work:2\ntel;type=work:3\n"
                      "tel;type=work:4\ntel;type=work:5\n")
        << Expect{{"FAM", "Doe"},    {"FIRST_NAME", "John"}, {"JOB_TEL1", "1"}, {"JOB_TEL2", "2"},
                  {"JOB_TEL3", "3"}, {"JOB_TEL4", "4"},      {"HOME_TEL1", "5"}};
}

void TestVCard::cards() {
    QFETCH(QByteArray, data);
    QFETCH(Expect, expected);
    const std::vector<vcard::Card> parsed = vcard::parse(data);
    QCOMPARE(parsed.size(), size_t(1));
    const ImportedContact ic = contactFromCard(parsed.front());
    QCOMPARE(columnsOf(ic), expected);
}

void TestVCard::severalCardsInOneFile() {
    const QByteArray data = crlf("junk before\nBEGIN:VCARD\nVERSION:3.0\nN:A;;;;\nEND:VCARD\n\n"
                                 "BEGIN:VCARD\nVERSION:2.1\nN:B\nAGENT:\nBEGIN:VCARD\nN:Agent\nEND:VCARD\n"
                                 "END:VCARD\nBEGIN:VCARD\nVERSION:4.0\nFN:C\nEND:VCARD\n");
    const auto cards = vcard::parse(data);
    QCOMPARE(cards.size(), size_t(3));
    QCOMPARE(contactFromCard(cards[0]).row.text(FAM), QStringLiteral("A"));
    QCOMPARE(contactFromCard(cards[1]).row.text(FAM), QStringLiteral("B"));
    QCOMPARE(contactFromCard(cards[2]).row.text(FAM), QStringLiteral("C"));
}

void TestVCard::brokenCardDoesNotSwallowTheNext() {
    // A quoted-printable value that ends in a soft break at the end of its card, and a card never closed.
    const QByteArray data = crlf("BEGIN:VCARD\nVERSION:2.1\nN;ENCODING=QUOTED-PRINTABLE:A=\nEND:VCARD\n"
                                 "BEGIN:VCARD\nVERSION:3.0\nN:B;;;;\n"
                                 "BEGIN:VCARD\nVERSION:3.0\nN:C;;;;\nEND:VCARD\n");
    const auto cards = vcard::parse(data);
    QCOMPARE(cards.size(), size_t(3));
    QCOMPARE(contactFromCard(cards[0]).row.text(FAM), QStringLiteral("A"));
    QVERIFY(cards[0].closed);
    QCOMPARE(contactFromCard(cards[1]).row.text(FAM), QStringLiteral("B"));
    QVERIFY(!cards[1].closed);
    QCOMPARE(contactFromCard(cards[2]).row.text(FAM), QStringLiteral("C"));
}

void TestVCard::foldedLinesAndEscapes() {
    const QByteArray data =
        crlf("BEGIN:VCARD\nVERSION:4.0\nN:Long;Na\n me;;;\nNOTE:a\\\\b\\;c\\,d\\N\n\te\nEND:VCARD\n");
    const ImportedContact ic = contactFromCard(vcard::parse(data).front());
    QCOMPARE(ic.row.text(FIRST_NAME), QStringLiteral("Name"));
    QCOMPARE(ic.row.text(NOTES), QStringLiteral("a\\b;c,d\ne"));
}

void TestVCard::writerFoldsAt75OctetsWithoutSplittingLetters() {
    ContactRow row;
    row.set(NOTES, QString(100, QChar(u'ж')));
    QByteArray out;
    appendCard(out, row, VCardVersion::V4);
    for (const QByteArray& line : out.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the CR
        const QByteArray body = line.endsWith('\r') ? line.chopped(1) : line;
        QVERIFY(QString::fromUtf8(body).toUtf8() == body); // no broken letter
    }
    QCOMPARE(contactFromCard(vcard::parse(out).front()).row.text(NOTES), row.text(NOTES));
}

void TestVCard::roundTripThroughWriter_data() {
    QTest::addColumn<int>("version");
    QTest::newRow("4.0") << 4;
    QTest::newRow("3.0") << 3;
}

void TestVCard::roundTripThroughWriter() {
    QFETCH(int, version);
    ContactRow row;
    for (int c = 0; c < ColumnCount; ++c) {
        if (c == NUM_MAIN || c == GR_NUM || c == BITHDAY || c == FOTOLINK)
            continue;
        // Values with every character the escapes care about.
        row.set(Column(c), QStringLiteral("%1;,\\:\"ё").arg(QString::fromLatin1(mapping(Column(c)).field).left(8)));
    }
    row.set(JOB_ICQ, QStringLiteral("12345"));
    row.set(HOME_ICQ, QStringLiteral("xmpp:a@b.c"));
    row.set(NOTES, QStringLiteral("line 1\nline 2"));
    row.values[BITHDAY] = QDate(1977, 5, 25);
    row.set(FOTOLINK, QStringLiteral("/home/user/фото 1.jpg"));
    row.groupPath = QStringLiteral("Работа/Клиенты, VIP");
    QByteArray out;
    appendCard(out, row, version == 4 ? VCardVersion::V4 : VCardVersion::V3);
    const ImportedContact back = contactFromCard(vcard::parse(out).front());
    for (int c = 0; c < ColumnCount; ++c)
        if (c != NUM_MAIN && c != GR_NUM)
            QVERIFY2(back.row.values[c] == row.values[c], mapping(Column(c)).field);
    QCOMPARE(back.row.groupPath, row.groupPath);
    QVERIFY(back.notes.isEmpty());
}

void TestVCard::groupCardDescribesGroupOnly() {
    QByteArray out;
    appendGroupCard(out, QStringLiteral("Друзья/Школа"), VCardVersion::V4);
    const ImportedContact ic = contactFromCard(vcard::parse(out).front());
    QVERIFY(ic.groupOnly);
    QCOMPARE(ic.row.groupPath, QStringLiteral("Друзья/Школа"));
    QVERIFY(ic.row.blank());
}

void TestVCard::windows1251FileWithoutCharset() {
    const QByteArray data("BEGIN:VCARD\r\nVERSION:2.1\r\nN:\xC5\xEB\xEA\xE8\xED;\xB8\r\nEND:VCARD\r\n");
    const ImportedContact ic = contactFromCard(vcard::parse(data).front());
    QCOMPARE(ic.row.text(FAM), QStringLiteral("Елкин"));
    QCOMPARE(ic.row.text(FIRST_NAME), QStringLiteral("ё"));
}

void TestVCard::charsetDecidedAfterFoldsAreJoined_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("surnames"); // empty for a refused card
    QTest::addColumn<int>("badLine");          // line of the refused card's broken value

    // "Иванов" and "Петрова" in UTF-8, each line folded inside a two-byte letter.
    QTest::newRow("UTF-8 folded inside letters")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xD0\x98\xD0\xB2\xD0\r\n \xB0\xD0\xBD\xD0\xBE\xD0\xB2;;;;\r\n"
                      "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:\xD0\x9F\xD0\xB5\xD1\r\n\t\x82\xD1\x80\xD0\xBE"
                      "\xD0\xB2\xD0\xB0;;;;\r\nEND:VCARD\r\n")
        << QStringList{QStringLiteral("Иванов"), QStringLiteral("Петрова")} << 0;
    // One card of a UTF-8 file holds a cp1251 byte: that card alone is refused, the rest read as UTF-8.
    QTest::newRow("one broken card in a UTF-8 file")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2;;;;\r\n"
                      "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:x\r\nN:\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE"
                      "\xE2;;;;\r\nEND:VCARD\r\n")
        << QStringList{QStringLiteral("Иванов"), QString()} << 8;
    // A value that names UTF-8 and is none.
    QTest::newRow("CHARSET=UTF-8 that is not")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8:\xC8\xE2\xE0\xED\xEE\xE2;;;;\r\nEND:VCARD\r\n")
        << QStringList{QString()} << 3;
    // cp1251 leaves 0x98 without a letter.
    QTest::newRow("cp1251 file with a byte cp1251 lacks")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN:\xC8\xE2\xE0\xED\xEE\xE2;;;;\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:2.1\r\nN:\xC8\x98;;;;\r\nEND:VCARD\r\n")
        << QStringList{QStringLiteral("Иванов"), QString()} << 7;
}

void TestVCard::charsetDecidedAfterFoldsAreJoined() {
    QFETCH(QByteArray, data);
    QFETCH(QStringList, surnames);
    QFETCH(int, badLine);
    const auto cards = vcard::parse(data);
    QCOMPARE(int(cards.size()), int(surnames.size()));
    for (size_t i = 0; i < cards.size(); ++i) {
        const ImportedContact ic = contactFromCard(cards[i]);
        if (surnames[i].isEmpty()) {
            QCOMPARE(ic.refusal.kind, Refusal::BadText);
            QCOMPARE(ic.refusal.line, badLine);
            QVERIFY(!ic.refusal.value.isEmpty());
        } else {
            QCOMPARE(ic.refusal.kind, Refusal::None);
            QCOMPARE(ic.row.text(FAM), surnames[i]);
        }
    }
}

void TestVCard::typedValuesTakeTheirColumnsFirst_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<Expect>("expected");
    QTest::newRow("untyped e-mail before the work one")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nN:A;;;;\nEMAIL:any@a.ru\nEMAIL;TYPE=work:work@a.ru\nEND:VCARD\n")
        << Expect{{"FAM", "A"}, {"JOB_EMAIL", "work@a.ru"}, {"HOME_EMAIL", "any@a.ru"}};
    QTest::newRow("untyped phone before the work one")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nN:A;;;;\nTEL:111\nTEL;TYPE=WORK:222\nTEL;TYPE=HOME:333\nEND:VCARD\n")
        << Expect{{"FAM", "A"}, {"JOB_TEL1", "222"}, {"JOB_TEL2", "111"}, {"HOME_TEL1", "333"}};
    QTest::newRow("PREF orders phones of one kind (4.0)")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nN:A;;;;\nTEL;TYPE=home;PREF=3:1\nTEL;TYPE=home;PREF=1:2\n"
                "TEL;TYPE=home:3\nEND:VCARD\n")
        << Expect{{"FAM", "A"}, {"HOME_TEL1", "2"}, {"HOME_TEL2", "1"}, {"JOB_TEL1", "3"}};
    QTest::newRow("type=pref orders e-mails of one kind (3.0)")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nN:A;;;;\nEMAIL;type=INTERNET;type=WORK:b@a.ru\n"
                "EMAIL;type=INTERNET;type=WORK;type=pref:a@a.ru\nEND:VCARD\n")
        << Expect{{"FAM", "A"}, {"JOB_EMAIL", "a@a.ru"}, {"HOME_EMAIL", "b@a.ru"}};
    QTest::newRow("address components over several lines")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nN:A;;;;\nADR;TYPE=home:;корпус 2\\nподъезд 3;Тверская ул.\\, 7\\n\\n"
                "офис 12\\n;Москва;;125009;\nEND:VCARD\n")
        << Expect{{"FAM", "A"},
                  {"HOME_ADDRESS", "корпус 2, подъезд 3"},
                  {"HOME_ST", "Тверская ул., 7, офис 12"},
                  {"HOME_CITY", "Москва"},
                  {"HOME_ZIP", "125009"}};
}

void TestVCard::typedValuesTakeTheirColumnsFirst() {
    QFETCH(QByteArray, data);
    QFETCH(Expect, expected);
    QCOMPARE(columnsOf(contactFromCard(vcard::parse(data).front())), expected);
}

void TestVCard::characterBeyondTheBasicPlaneNamedWhole() {
    ContactRow row;
    row.set(NOTES, QStringLiteral("С Новым годом 🎄!"));
    Refusal r = checkRow(row);
    QCOMPARE(r.kind, Refusal::Character);
    QCOMPARE(r.codePoint, char32_t(0x1F384));
    row.set(NOTES, QStringLiteral("Ω"));
    r = checkRow(row);
    QCOMPARE(r.codePoint, char32_t(0x03A9));
    row = ContactRow();
    row.set(FAM, QStringLiteral("A"));
    row.groupPath = QStringLiteral("Праздники/🎄");
    QCOMPARE(checkRow(row).codePoint, char32_t(0x1F384));
}

void TestVCard::groupCardNamesItsMembersInBothForms() {
    const QStringList members = {contactUid(7), contactUid(12)};
    QByteArray v3, v4;
    appendGroupCard(v3, QStringLiteral("Работа/Клиенты"), VCardVersion::V3, members, groupUid(5));
    appendGroupCard(v4, QStringLiteral("Работа/Клиенты"), VCardVersion::V4, members, groupUid(5));
    QVERIFY(v3.contains("X-ADDRESSBOOKSERVER-KIND:group\r\n"));
    QVERIFY(v3.contains("X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:urn:korvane:contact:7\r\n"));
    QVERIFY(v4.contains("KIND:group\r\n"));
    QVERIFY(v4.contains("MEMBER:urn:korvane:contact:12\r\n"));
    for (const QByteArray& file : {v3, v4}) {
        const ImportedContact ic = contactFromCard(vcard::parse(file).front());
        QVERIFY(ic.groupOnly);
        QCOMPARE(ic.uid, QStringLiteral("urn:korvane:group:5"));
        QCOMPARE(ic.members.size(), 2);
        QVERIFY(ic.notes.isEmpty());
    }
    // A contact card has no members to keep: they are listed as not stored.
    const ImportedContact contact = contactFromCard(
        vcard::parse("BEGIN:VCARD\r\nVERSION:4.0\r\nN:A;;;;\r\nMEMBER:urn:uuid:x\r\nEND:VCARD\r\n").front());
    QCOMPARE(contact.notes, QStringList{QStringLiteral("MEMBER: urn:uuid:x")});
    QVERIFY(contact.members.isEmpty());
}

QTEST_GUILESS_MAIN(TestVCard)
#include "tst_vcard.moc"
