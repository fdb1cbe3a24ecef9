// The readers take any byte sequence: random bytes, truncated and mutated real files, all without a
// crash (run under the sanitizers in CI) and with every value they give checkable.
#include "ContactMapping.h"
#include "Csv.h"
#include "ImportPlan.h"

#include <QRandomGenerator>
#include <QTest>

using namespace exchange;

namespace {

QByteArray sample() {
    ContactRow row;
    for (int c = 1; c < ColumnCount; ++c)
        if (c != GR_NUM && c != BITHDAY && c != FOTOLINK)
            row.set(Column(c), QStringLiteral("Значение %1;,\\").arg(c));
    row.values[BITHDAY] = QDate(1990, 1, 1);
    row.photo = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(300, 'x');
    row.photoSuffix = QStringLiteral("jpg");
    row.groupPath = QStringLiteral("Работа/Клиенты");
    QByteArray out;
    appendCard(out, row, VCardVersion::V4);
    appendCard(out, row, VCardVersion::V3);
    out += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=D0=90=\r\n=D0=91;\r\n"
           "PHOTO;BASE64:\r\n AAAA\r\n\r\nitem1.TEL:1\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\nEND:VCARD\r\n";
    return out;
}

void readEverything(const QByteArray& bytes) {
    QStringList notes;
    bool recognised = false;
    std::vector<ImportedContact> contacts = readFile(bytes, {}, {}, &notes, &recognised);
    for (const ImportedContact& ic : contacts) {
        (void)checkRow(ic.row);
        (void)ic.row.title();
    }
    const ImportPlan plan = makePlan(std::move(contacts), Snapshot(), QStringLiteral("/tmp/photos"));
    (void)plan.count(CardStatus::New);
    (void)csv::readContacts(bytes);
    (void)vcard::parse(bytes);
}

} // namespace

class TestFuzz : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomBytes();
    void truncatedAtEveryLength();
    void mutatedBytes();
    void hostileShapes_data();
    void hostileShapes();
};

void TestFuzz::randomBytes() {
    QRandomGenerator r(42);
    for (int i = 0; i < 2000; ++i) {
        QByteArray b(static_cast<int>(r.bounded(600)), Qt::Uninitialized);
        for (char& c : b)
            c = static_cast<char>(r.bounded(256));
        if (i % 2)
            b.prepend("BEGIN:VCARD\r\n");
        readEverything(b);
    }
}

void TestFuzz::truncatedAtEveryLength() {
    const QByteArray s = sample();
    for (qsizetype n = 0; n <= s.size(); ++n)
        readEverything(s.left(n));
}

void TestFuzz::mutatedBytes() {
    const QByteArray s = sample();
    const char specials[] = {':', ';', '=', ',', '\\', '"', '\r', '\n', ' ', '^', '.', '\0', '\xFF', '\xD0'};
    QRandomGenerator r(7);
    for (int i = 0; i < 1500; ++i) {
        QByteArray m = s;
        const int edits = 1 + static_cast<int>(r.bounded(8));
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = r.bounded(static_cast<int>(m.size()));
            m[at] = specials[r.bounded(static_cast<int>(sizeof specials))];
        }
        readEverything(m);
    }
}

void TestFuzz::hostileShapes_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only BOM") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("UTF-16 BOM odd length") << QByteArray("\xFF\xFE"
                                                         "B\0E\0G",
                                                         7);
    QTest::newRow("nested BEGIN without END") << QByteArray("BEGIN:VCARD\nBEGIN:VCARD\nBEGIN:VCARD\nN:x\n");
    QTest::newRow("END without BEGIN") << QByteArray("END:VCARD\nEND:VCARD\n");
    QTest::newRow("QP ending in =") << QByteArray("BEGIN:VCARD\nN;ENCODING=QUOTED-PRINTABLE:=\n=");
    QTest::newRow("QP bad hex") << QByteArray("BEGIN:VCARD\nN;QUOTED-PRINTABLE:=ZZ=4\nEND:VCARD");
    QTest::newRow("lone backslash") << QByteArray("BEGIN:VCARD\nN:a\\\nNOTE:\\\nEND:VCARD");
    QTest::newRow("unclosed quote in params") << QByteArray("BEGIN:VCARD\nTEL;TYPE=\"work:1\nEND:VCARD");
    QTest::newRow("colon first") << QByteArray("BEGIN:VCARD\n:value\n;:x\n.:y\nEND:VCARD");
    QTest::newRow("caret at end") << QByteArray("BEGIN:VCARD\nTEL;TYPE=a^:1\nEND:VCARD");
    QTest::newRow("data URI without comma") << QByteArray("BEGIN:VCARD\nPHOTO:data:image/png\nEND:VCARD");
    QTest::newRow("huge folded line") << (QByteArray("BEGIN:VCARD\nNOTE:") +
                                          QByteArray(200000, 'a').replace("aaaa", "a\n a") + "\nEND:VCARD");
    QTest::newRow("many cards") << QByteArray("BEGIN:VCARD\nFN:x\nEND:VCARD\n").repeated(3000);
    QTest::newRow("group path of slashes") << QByteArray("BEGIN:VCARD\nFN:x\nCATEGORIES:///\\/\\\\//\nEND:VCARD");
    QTest::newRow("CSV quote storm") << QByteArray("\"\"\"\",\"\n\"\"\",,,\"\r\r\n\"");
    QTest::newRow("CSV header only titles") << QByteArray("Фамилия,Фамилия,Фамилия\nа,б,в,г,д\n");
}

void TestFuzz::hostileShapes() {
    QFETCH(QByteArray, data);
    readEverything(data);
}

QTEST_GUILESS_MAIN(TestFuzz)
#include "tst_fuzz.moc"
