// Address books moved in from the programs people use: a file in each producer's own shape is
// imported into a fresh database, and the stored row is read back column by column.
#include "ContactImporter.h"
#include "TestDatabase.h"

#include <QTest>

using namespace exchange;
using Row = QMap<QString, QString>; // field name -> stored text; "GR_NUM" holds the group path
using Rows = QList<Row>;

Q_DECLARE_METATYPE(Row)

namespace {

struct Db {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm = folder.openDM(ui);

    QString photoFolder() const { return folder.path() + QStringLiteral("db/photos"); }

    ImportPlan plan(const QByteArray& bytes) {
        return makePlan(readFile(bytes, {}, {}, nullptr, nullptr), readSnapshot(*dm->IBPhones), photoFolder());
    }

    // Every stored MAIN row in key order: each column that holds something, the group as its path,
    // the photograph as the hex of the stored file's bytes.
    Rows rows() {
        const GroupPaths groups(readSnapshot(*dm->IBPhones).groups);
        QStringList cols;
        for (int c = 0; c < ColumnCount; ++c)
            cols << QString::fromLatin1(mapping(Column(c)).field).toUpper();
        Query q(*dm->IBPhones, QStringLiteral("select %1 from \"MAIN\" order by NUM_MAIN").arg(cols.join(u',')));
        Rows out;
        for (const auto& r : q.run({})) {
            Row row;
            for (int c = 1; c < ColumnCount; ++c) {
                if (r[c].isNull())
                    continue;
                const QString field = QString::fromLatin1(mapping(Column(c)).field);
                if (c == GR_NUM)
                    row.insert(field, groups.path(r[c].toInt()));
                else if (c == BITHDAY)
                    row.insert(field, r[c].toDate().toString(Qt::ISODate));
                else if (c == FOTOLINK) {
                    QFile f(r[c].toString());
                    row.insert(field, f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().toHex())
                                                                  : QStringLiteral("missing ") + r[c].toString());
                } else
                    row.insert(field, r[c].toString());
            }
            out << row;
        }
        return out;
    }
};

QByteArray crlf(const QByteArray& s) {
    QByteArray out = s;
    return out.replace("\n", "\r\n");
}

// A picture small enough for a fixture, with a JPEG's first bytes.
QByteArray jpeg() {
    return QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) + QByteArray(60, '\x11');
}
QByteArray png() {
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(40, '\x22');
}

// Folds every line at exactly 75 octets, letters or not, as RFC 6350 allows and web mail services do.
QByteArray foldAt75Octets(const QByteArray& text, int* cutsInsideLetters) {
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        qsizetype pos = 0;
        qsizetype room = 75;
        while (line.size() - pos > room) {
            if ((static_cast<unsigned char>(line[pos + room]) & 0xC0) == 0x80)
                ++*cutsInsideLetters;
            out += line.mid(pos, room) + "\r\n ";
            pos += room;
            room = 74;
        }
        out += line.mid(pos) + "\r\n";
    }
    return out;
}

// An Android phone's export: 2.1, names in quoted-printable UTF-8 with a soft break, bare types, a
// base64 photograph on lines of its own ended by an empty line.
QByteArray phoneFile() {
    const QByteArray b64 = jpeg().toBase64();
    return crlf(
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=A1=D0=BC=D0=B8=D1=80=D0=BD=D0=BE=D0=B2=D0=B0;"
        "=D0=90=D0=BD=D0=BD=D0=B0;=D0=9F=D0=B5=D1=82=D1=80=D0=BE=D0=B2=D0=BD=D0=B0;;\n"
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=90=D0=BD=D0=BD=D0=B0 "
        "=D0=A1=D0=BC=D0=B8=D1=80=D0=BD=D0=BE=D0=B2=D0=B0\n"
        "TEL;VOICE:+74951112233\n"
        "TEL;CELL;PREF:+79161234567\n"
        "TEL;WORK:84957654321\n"
        "EMAIL;INTERNET:anna@example.ru\n"
        "EMAIL;WORK;INTERNET:smirnova@zavod.ru\n"
        "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;=D1=83=D0=BB. =D0=9B=D0=B5=D0=BD=D0=B8=D0=BD=D0=B0 "
        "1;=D0=A2=D0=B2=D0=B5=D1=80=D1=8C;;170000;=D0=A0=D0=BE=D1=81=D1=81=D0=B8=D1=8F\n"
        "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D0=BE=D0=B7=D0=B2=D0=BE=D0=BD=D0=B8=D1=82=D1=8C =\n"
        "=D0=B2=D0=B5=D1=87=D0=B5=D1=80=D0=BE=D0=BC\n"
        "PHOTO;ENCODING=BASE64;JPEG:" +
        b64.left(40) + "\n  " + b64.mid(40) +
        "\n"
        "\n"
        "END:VCARD\n");
}

// A web mail service's export: 3.0 in UTF-8, every long line folded at 75 octets, often inside a letter.
QByteArray webMailFile(int* cutsInsideLetters) {
    return foldAt75Octets(
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "FN:Константин Александрович Константинопольский-Щедрин\n"
        "N:Константинопольский-Щедрин;Константин;Александрович;;\n"
        "EMAIL;TYPE=INTERNET:konstantin@gmail.com\n"
        "EMAIL;TYPE=INTERNET;TYPE=WORK:k.shchedrin@stroitelnaya-kompaniya.ru\n"
        "TEL;TYPE=CELL:+7 916 555-44-33\n"
        "ADR;TYPE=WORK:;;Большая Садовая ул.\\, д. 10\\, строение 2;Санкт-Петербург;;190000;Россия\n"
        "ORG:Строительная компания «Северо-Западная»;Отдел капитального строительства\n"
        "TITLE:Ведущий инженер\n"
        "BDAY:1985-04-12\n"
        "NOTE:Познакомились на выставке «Строительство и архитектура» в Экспофоруме\\, стенд 12.\n"
        "CATEGORIES:Работа\n"
        "END:VCARD\n"
        "BEGIN:VCARD\n"
        "VERSION:3.0\n"
        "FN:Ёжикова Мария\n"
        "N:Ёжикова;Мария;;;\n"
        "NOTE:Соседка по даче в Подмосковье\\, телефон для связи летом и в выходные дни круглый год.\n"
        "END:VCARD\n",
        cutsInsideLetters);
}

// A desktop contacts program's export: 3.0 with item groups labelled by X-ABLabel, lower-case type
// parameters repeated, its own X-ABUID and address-format properties.
QByteArray desktopFile() {
    return crlf("BEGIN:VCARD\n"
                "VERSION:3.0\n"
                "PRODID:-//Apple Inc.//macOS 14.2//EN\n"
                "N:Кузнецов;Дмитрий;Олегович;;\n"
                "FN:Дмитрий Олегович Кузнецов\n"
                "ORG:ЗАО «Вектор»;\n"
                "TITLE:Инженер\n"
                "EMAIL;type=INTERNET;type=HOME;type=pref:dima@home.ru\n"
                "EMAIL;type=INTERNET;type=WORK:d.kuznetsov@vector.ru\n"
                "TEL;type=CELL;type=VOICE;type=pref:+7 (903) 111-22-33\n"
                "TEL;type=WORK;type=VOICE:+7 (495) 222-33-44\n"
                "item1.TEL:+7 (495) 222-33-45\n"
                "item1.X-ABLabel:Рабочий факс\n"
                "item2.URL;type=pref:http\\://vector.ru\n"
                "item2.X-ABLabel:_$!<HomePage>!$_\n"
                "item3.ADR;type=HOME;type=pref:;;Ленинский пр.\\, 1;Москва;;119049;Россия\n"
                "item3.X-ABADR:ru\n"
                "BDAY;value=date:1979-11-03\n"
                "X-ABUID:5AD3BC3E-1234-4F7A-8F2D-0C3E4B6F7A10:ABPerson\n"
                "END:VCARD\n");
}

// A desktop mail program's export: 4.0 with a data: URI photograph, tel: URIs, an untyped preferred
// e-mail before the work one, an address whose street runs over two lines.
QByteArray mailClientFile() {
    return crlf("BEGIN:VCARD\n"
                "VERSION:4.0\n"
                "PRODID:-//Thunderbird//NONSGML Thunderbird//EN\n"
                "UID:2b7c4f1e-8d3a-4c5b-9e6f-0a1b2c3d4e5f\n"
                "FN:Ольга Иванова\n"
                "N:Иванова;Ольга;;;\n"
                "EMAIL;PREF=1:olga@mail.ru\n"
                "EMAIL;TYPE=work:o.ivanova@firm.ru\n"
                "TEL;VALUE=uri;TYPE=cell:tel:+79035556677\n"
                "TEL;VALUE=uri;TYPE=home:tel:+74951234567\n"
                "TEL;VALUE=uri;TYPE=work;PREF=2:tel:+74957770001\n"
                "TEL;VALUE=uri;TYPE=work;PREF=1:tel:+74957770000\n"
                "ADR;TYPE=work:;;Тверская ул.\\, 7\\nофис 12;Москва;;125009;Россия\n"
                "URL;TYPE=work:https://firm.ru\n"
                "BDAY;VALUE=DATE:19900215\n"
                "NOTE:Бухгалтерия\n"
                "PHOTO:data:image/png;base64," +
                png().toBase64() +
                "\n"
                "END:VCARD\n");
}

} // namespace

class TestVCardProducers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void producerFileStoredColumnByColumn_data();
    void producerFileStoredColumnByColumn();
    void serverGroupCardsPlaceTheirMembers_data();
    void serverGroupCardsPlaceTheirMembers();
};

void TestVCardProducers::producerFileStoredColumnByColumn_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<QStringList>("notStored"); // of the first card

    QTest::newRow("phone 2.1, quoted-printable, base64 photo")
        << phoneFile()
        << Rows{Row{{"FAM", "Смирнова"},
                    {"FIRST_NAME", "Анна"},
                    {"MID_NAME", "Петровна"},
                    {"JOB_TEL1", "84957654321"},
                    {"JOB_TEL2", "+74951112233"},
                    {"CELLULAR", "+79161234567"},
                    {"JOB_EMAIL", "smirnova@zavod.ru"},
                    {"HOME_EMAIL", "anna@example.ru"},
                    {"HOME_ST", "ул. Ленина 1"},
                    {"HOME_CITY", "Тверь"},
                    {"HOME_ZIP", "170000"},
                    {"COUNTRY", "Россия"},
                    {"NOTES", "Позвонить вечером"},
                    {"FOTOLINK", QString::fromLatin1(jpeg().toHex())}}}
        << QStringList();

    int cuts = 0;
    const QByteArray webMail = webMailFile(&cuts);
    QVERIFY2(cuts >= 3, "the fixture must fold inside letters");
    QTest::newRow("web mail 3.0, folds inside letters")
        << webMail
        << Rows{Row{{"FAM", "Константинопольский-Щедрин"},
                    {"FIRST_NAME", "Константин"},
                    {"MID_NAME", "Александрович"},
                    {"JOB_ORG", "Строительная компания «Северо-Западная»"},
                    {"Departament", "Отдел капитального строительства"},
                    {"JOB_POST", "Ведущий инженер"},
                    {"BITHDAY", "1985-04-12"},
                    {"JOB_ST", "Большая Садовая ул., д. 10, строение 2"},
                    {"JOB_CITY", "Санкт-Петербург"},
                    {"JOB_ZIP", "190000"},
                    {"COUNTRY", "Россия"},
                    {"CELLULAR", "+7 916 555-44-33"},
                    {"JOB_EMAIL", "k.shchedrin@stroitelnaya-kompaniya.ru"},
                    {"HOME_EMAIL", "konstantin@gmail.com"},
                    {"NOTES", "Познакомились на выставке «Строительство и архитектура» в Экспофоруме, стенд 12."},
                    {"GR_NUM", "Работа"}},
                Row{{"FAM", "Ёжикова"},
                    {"FIRST_NAME", "Мария"},
                    {"NOTES", "Соседка по даче в Подмосковье, телефон для связи летом и в выходные дни круглый год."}}}
        << QStringList();

    QTest::newRow("desktop contacts 3.0, item1.X-ABLabel")
        << desktopFile()
        << Rows{Row{{"FAM", "Кузнецов"},
                    {"FIRST_NAME", "Дмитрий"},
                    {"MID_NAME", "Олегович"},
                    {"JOB_ORG", "ЗАО «Вектор»"},
                    {"JOB_POST", "Инженер"},
                    {"BITHDAY", "1979-11-03"},
                    {"HOME_ST", "Ленинский пр., 1"},
                    {"HOME_CITY", "Москва"},
                    {"HOME_ZIP", "119049"},
                    {"COUNTRY", "Россия"},
                    {"JOB_TEL1", "+7 (495) 222-33-44"},
                    {"JOB_FAX", "+7 (495) 222-33-45"},
                    {"CELLULAR", "+7 (903) 111-22-33"},
                    {"JOB_EMAIL", "d.kuznetsov@vector.ru"},
                    {"HOME_EMAIL", "dima@home.ru"},
                    {"HOME_WWW", "http://vector.ru"}}}
        << QStringList{QStringLiteral("X-ABADR: ru"),
                       QStringLiteral("X-ABUID: 5AD3BC3E-1234-4F7A-8F2D-0C3E4B6F7A10:ABPerson")};

    QTest::newRow("mail client 4.0, data: photo, tel: URIs")
        << mailClientFile()
        << Rows{Row{{"FAM", "Иванова"},
                    {"FIRST_NAME", "Ольга"},
                    {"BITHDAY", "1990-02-15"},
                    {"JOB_ST", "Тверская ул., 7, офис 12"},
                    {"JOB_CITY", "Москва"},
                    {"JOB_ZIP", "125009"},
                    {"COUNTRY", "Россия"},
                    {"JOB_TEL1", "+74957770000"},
                    {"JOB_TEL2", "+74957770001"},
                    {"HOME_TEL1", "+74951234567"},
                    {"CELLULAR", "+79035556677"},
                    {"JOB_EMAIL", "o.ivanova@firm.ru"},
                    {"HOME_EMAIL", "olga@mail.ru"},
                    {"JOB_WWW", "https://firm.ru"},
                    {"NOTES", "Бухгалтерия"},
                    {"FOTOLINK", QString::fromLatin1(png().toHex())}}}
        << QStringList();
}

void TestVCardProducers::producerFileStoredColumnByColumn() {
    QFETCH(QByteArray, file);
    QFETCH(Rows, expected);
    QFETCH(QStringList, notStored);
    Db db;
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.count(CardStatus::Refused), 0);
    QCOMPARE(plan.count(CardStatus::New), int(expected.size()));
    QStringList notes = plan.cards.front().contact.notes;
    notes.sort();
    QCOMPARE(notes, notStored);
    runImport(*db.dm->IBPhones, plan, db.photoFolder());
    const Rows stored = db.rows();
    QCOMPARE(stored.size(), expected.size());
    for (qsizetype i = 0; i < stored.size(); ++i)
        for (int c = 1; c < ColumnCount; ++c) {
            const QString field = QString::fromLatin1(mapping(Column(c)).field);
            QCOMPARE(field + u'=' + stored[i].value(field), field + u'=' + expected[i].value(field));
        }
}

void TestVCardProducers::serverGroupCardsPlaceTheirMembers_data() {
    QTest::addColumn<QByteArray>("file");
    // A server's group card, the card it names by UID without categories, a card it names that has
    // categories of its own, and a card it does not name.
    QTest::newRow("3.0 X-ADDRESSBOOKSERVER")
        << crlf("BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//iOS 17.0//EN\nN:Соседи;;;;\nFN:Соседи\n"
                "X-ADDRESSBOOKSERVER-KIND:group\n"
                "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:8F1C2D3E-0001-4A5B-9C8D-112233445566\n"
                "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:8F1C2D3E-0002-4A5B-9C8D-112233445566\n"
                "UID:8F1C2D3E-0000-4A5B-9C8D-112233445566\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:3.0\nN:Орлов;Игорь;;;\nFN:Игорь Орлов\nTEL;type=CELL:+79160000001\n"
                "UID:8F1C2D3E-0001-4A5B-9C8D-112233445566\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:3.0\nN:Соколова;Вера;;;\nFN:Вера Соколова\nCATEGORIES:Работа\n"
                "UID:8f1c2d3e-0002-4a5b-9c8d-112233445566\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:3.0\nN:Чужой;;;;\nFN:Чужой\nUID:8F1C2D3E-0003-4A5B-9C8D-112233445566\n"
                "END:VCARD\n");
    QTest::newRow("4.0 KIND:group MEMBER")
        << crlf("BEGIN:VCARD\nVERSION:4.0\nKIND:group\nFN:Соседи\nUID:urn:uuid:0f000000-0000-4000-8000-000000000000\n"
                "MEMBER:urn:uuid:0f000000-0000-4000-8000-000000000001\n"
                "MEMBER:urn:uuid:0f000000-0000-4000-8000-000000000002\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:4.0\nKIND:individual\nN:Орлов;Игорь;;;\nFN:Игорь Орлов\n"
                "TEL;VALUE=uri;TYPE=cell:tel:+79160000001\nUID:urn:uuid:0f000000-0000-4000-8000-000000000001\n"
                "END:VCARD\n"
                "BEGIN:VCARD\nVERSION:4.0\nN:Соколова;Вера;;;\nFN:Вера Соколова\nCATEGORIES:Работа\n"
                "UID:urn:uuid:0f000000-0000-4000-8000-000000000002\nEND:VCARD\n"
                "BEGIN:VCARD\nVERSION:4.0\nN:Чужой;;;;\nFN:Чужой\nUID:urn:uuid:0f000000-0000-4000-8000-000000000003\n"
                "END:VCARD\n");
}

void TestVCardProducers::serverGroupCardsPlaceTheirMembers() {
    QFETCH(QByteArray, file);
    Db db;
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.count(CardStatus::Group), 1);
    QCOMPARE(plan.count(CardStatus::New), 3);
    QCOMPARE(plan.newGroups, QStringList{QStringLiteral("Соседи")});
    // The card's own CATEGORIES win; the group card that named it is kept to show the disagreement.
    QCOMPARE(plan.cards[2].contact.row.groupPath, QStringLiteral("Работа"));
    QCOMPARE(plan.cards[2].contact.memberOf, QStringList{QStringLiteral("Соседи")});
    runImport(*db.dm->IBPhones, plan, db.photoFolder());
    const Rows stored = db.rows();
    QCOMPARE(stored.size(), 3);
    QCOMPARE(stored[0],
             (Row{{"FAM", "Орлов"}, {"FIRST_NAME", "Игорь"}, {"CELLULAR", "+79160000001"}, {"GR_NUM", "Соседи"}}));
    QCOMPARE(stored[1], (Row{{"FAM", "Соколова"}, {"FIRST_NAME", "Вера"}, {"GR_NUM", "Работа"}}));
    QCOMPARE(stored[2], (Row{{"FAM", "Чужой"}}));
}

QTEST_GUILESS_MAIN(TestVCardProducers)
#include "tst_vcard_producers.moc"
