// Import files that are hostile by size or shape: a deep group path, many unknown properties, a note of
// many lines, and values longer than their columns. Each big case is read at two sizes and its result
// checked; the time it takes belongs to korvane-bench --import-file.
#include "ContactMapping.h"
#include "ImportPlan.h"
#include "PhoneCompact.h"
#include "ValueFit.h"

#include <QRegularExpression>
#include <QTest>

using namespace exchange;

namespace {

ImportPlan planOf(const QByteArray& bytes) {
    bool recognised = false;
    return makePlan(readFile(bytes, {}, {}, nullptr, &recognised), Snapshot(), QStringLiteral("/tmp/photos"));
}

QByteArray card(const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Иван;;;\r\n" + body + "END:VCARD\r\n";
}

QString repeatedPath(int depth) {
    QStringList names;
    for (int i = 0; i < depth; ++i)
        names << QStringLiteral("a");
    return names.join(u'/');
}

// A file with the card of the path first and a card of an ordinary group after it.
QByteArray groupFile(const QString& source, int depth) {
    const QByteArray path = repeatedPath(depth).toUtf8() + '/';
    if (source == u"vCard")
        return card("CATEGORIES:" + path + "\r\n") + card("CATEGORIES:Работа/Клиенты\r\n");
    return "FAM,GROUP_NAME\r\nПетров," + path + "\r\nСидоров,Работа/Клиенты\r\n";
}

const CutValue* cutOf(const ImportedContact& ic, Column c) {
    for (const CutValue& cut : ic.cuts)
        if (cut.column == c)
            return &cut;
    return nullptr;
}

} // namespace

class TestImportLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deepGroupPath_data();
    void deepGroupPath();
    void manyUnknownProperties_data();
    void manyUnknownProperties();
    void manyNoteLines_data();
    void manyNoteLines();
    void longValuesAreCut_data();
    void longValuesAreCut();
    void compactPhone_data();
    void compactPhone();
};

void TestImportLimits::deepGroupPath_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("depth");
    for (const char* source : {"vCard", "CSV"}) {
        for (int depth : {64, 65, 15000})
            QTest::addRow("%s, %d levels", source, depth) << QString::fromLatin1(source) << depth;
    }
}

void TestImportLimits::deepGroupPath() {
    QFETCH(QString, source);
    QFETCH(int, depth);
    const ImportPlan plan = planOf(groupFile(source, depth));
    QCOMPARE(plan.cards.size(), size_t(2));
    const PlannedCard& deep = plan.cards[0];
    QStringList expected;
    if (depth <= kMaxGroupDepth) {
        QCOMPARE(deep.status, CardStatus::New);
        // Every level once, parents first, each the path of the one before with one more name.
        for (int d = 1; d <= depth; ++d)
            expected << repeatedPath(d);
    } else {
        QCOMPARE(deep.status, CardStatus::Refused);
        QCOMPARE(deep.contact.refusal.kind, Refusal::GroupTooDeep);
        QCOMPARE(deep.contact.refusal.length, depth);
        QCOMPARE(deep.contact.refusal.limit, kMaxGroupDepth);
    }
    // The refusal concerns that card only.
    QCOMPARE(plan.cards[1].status, CardStatus::New);
    expected << QStringLiteral("Работа") << QStringLiteral("Работа/Клиенты");
    QCOMPARE(plan.newGroups, expected);
}

void TestImportLimits::manyUnknownProperties_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("1,000") << 1000;
    QTest::newRow("80,000") << 80000;
}

void TestImportLimits::manyUnknownProperties() {
    QFETCH(int, count);
    QByteArray body;
    for (int i = 1; i <= count; ++i)
        body += "X-P" + QByteArray::number(i) + ":v\r\n";
    // The same property with the same value is listed once; another value of it is listed too.
    body += "X-P1:v\r\nX-P1:again\r\nX-P" + QByteArray::number(count) + ":v\r\n";
    const ImportPlan plan = planOf(card(body));
    QCOMPARE(plan.cards.size(), size_t(1));
    QCOMPARE(plan.cards[0].status, CardStatus::New);
    QStringList listed;
    for (const QString& note : plan.cards[0].contact.notes)
        if (note.startsWith(QStringLiteral("X-P")))
            listed << note;
    QCOMPARE(listed.size(), count + 1);
    QCOMPARE(listed.front(), QStringLiteral("X-P1: v"));
    QCOMPARE(listed[count - 1], QStringLiteral("X-P%1: v").arg(count));
    QCOMPARE(listed.back(), QStringLiteral("X-P1: again"));
    QCOMPARE(listed.removeDuplicates(), 0);
}

void TestImportLimits::manyNoteLines_data() {
    QTest::addColumn<int>("lines");
    QTest::newRow("20 lines") << 20;
    QTest::newRow("160,000 lines") << 160000;
}

void TestImportLimits::manyNoteLines() {
    QFETCH(int, lines);
    QByteArray body;
    QStringList whole;
    for (int i = 0; i < lines; ++i) {
        body += "NOTE:some text\r\n";
        whole << QStringLiteral("some text");
    }
    const QString note = whole.join(u'\n');
    const ImportPlan plan = planOf(card(body));
    QCOMPARE(plan.cards.size(), size_t(1));
    const PlannedCard& c = plan.cards[0];
    QCOMPARE(c.status, CardStatus::New);
    const int limit = columnLimit(NOTES);
    QCOMPARE(c.contact.row.text(NOTES), note.left(limit));
    const CutValue* cut = cutOf(c.contact, NOTES);
    if (note.size() <= limit) {
        QVERIFY(!cut);
        return;
    }
    QVERIFY(cut);
    QCOMPARE(cut->length, int(note.size()));
    QCOMPARE(cut->limit, limit);
}

void TestImportLimits::longValuesAreCut_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("cutFrom"); // the length listed as cut; 0 when nothing is listed
    QTest::addColumn<QString>("notStored");

    const QByteArray megabyte(1 << 20, 'n');
    QTest::newRow("1 MB note") << card("NOTE:" + megabyte + "\r\n") << int(NOTES) << QString(240, u'n') << (1 << 20)
                               << QString();
    const QString surname57 = QString(57, QChar(0x0416)); // "Ж"
    QTest::newRow("57-letter surname") << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + surname57.toUtf8() +
                                              ";Иван;;;\r\nTEL:+7 916 000-00-01\r\nEND:VCARD\r\n"
                                       << int(FAM) << surname57.left(30) << 57 << QString();
    QTest::newRow("57-letter surname, CSV") << "FAM,FIRST_NAME\r\n" + surname57.toUtf8() + ",Иван\r\n"
                                            << int(FAM) << surname57.left(30) << 57 << QString();
    // A letter outside cp1251 beyond the cut is no reason to refuse: it is not stored.
    QTest::newRow("cut before a pair of surrogates")
        << "FAM,FIRST_NAME\r\n" + QByteArray(29, 'a') + "\xF0\x9F\x98\x80tail,x\r\n"
        << int(FAM) << QString(29, u'a') << 35 << QString();
    QTest::newRow("phone with an extension") << card("TEL;TYPE=WORK:+7 (495) 123-45-67 доб. 1234\r\n") << int(JOB_TEL1)
                                             << QStringLiteral("+74951234567,1234") << 0 << QString();
    QTest::newRow("phone with an extension, CSV")
        << QByteArray("FAM,CELLULAR\r\nПетров,+7 (495) 123-45-67 доб. 1234\r\n") << int(CELLULAR)
        << QStringLiteral("+74951234567,1234") << 0 << QString();
    QTest::newRow("phone that fits as written") << card("TEL;TYPE=WORK:+7 (495) 123-45-67\r\n") << int(JOB_TEL1)
                                                << QStringLiteral("+7 (495) 123-45-67") << 0 << QString();
    QTest::newRow("phone too long even compact")
        << card("TEL;TYPE=WORK:+7 495 123 45 67 89 01 23 45 ext. 678\r\n") << int(JOB_TEL1) << QString() << 0
        << QStringLiteral("TEL: +7 495 123 45 67 89 01 23 45 ext. 678");
    QTest::newRow("tel: URI with an extension") << card("TEL;VALUE=uri;TYPE=work:tel:+74959876500;ext=12\r\n")
                                                << int(JOB_TEL1) << QStringLiteral("+74959876500,12") << 0 << QString();
}

void TestImportLimits::longValuesAreCut() {
    QFETCH(QByteArray, file);
    QFETCH(int, column);
    QFETCH(QString, stored);
    QFETCH(int, cutFrom);
    QFETCH(QString, notStored);
    const ImportPlan plan = planOf(file);
    QCOMPARE(plan.cards.size(), size_t(1));
    const PlannedCard& c = plan.cards[0];
    QCOMPARE(c.status, CardStatus::New); // the contact goes in with everything else it has
    QCOMPARE(c.contact.row.text(Column(column)), stored);
    const CutValue* cut = cutOf(c.contact, Column(column));
    if (cutFrom == 0) {
        QVERIFY(c.contact.cuts.empty());
    } else {
        QVERIFY(cut);
        QCOMPARE(cut->length, cutFrom);
        QCOMPARE(cut->limit, columnLimit(column));
    }
    if (!notStored.isEmpty())
        QVERIFY2(c.contact.notes.contains(notStored), qPrintable(c.contact.notes.join(u'|')));
}

void TestImportLimits::compactPhone_data() {
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("compact");
    QTest::newRow("Russian extension") << QStringLiteral("+7 (495) 123-45-67 доб. 1234")
                                       << QStringLiteral("+74951234567,1234");
    QTest::newRow("extension word in full")
        << QStringLiteral("8 (495) 123-45-67 добавочный 12") << QStringLiteral("84951234567,12");
    QTest::newRow("ext.") << QStringLiteral("+1 (555) 010-0199 ext. 42") << QStringLiteral("+15550100199,42");
    QTest::newRow("x") << QStringLiteral("555-0199 x42") << QStringLiteral("5550199,42");
    QTest::newRow("dialer's pause") << QStringLiteral("+7 495 123 45 67,1234") << QStringLiteral("+74951234567,1234");
    QTest::newRow("no extension") << QStringLiteral(" +7 (916) 000-00-01 ") << QStringLiteral("+79160000001");
    QTest::newRow("no digits") << QStringLiteral("доб.") << QString();
}

void TestImportLimits::compactPhone() {
    QFETCH(QString, phone);
    QFETCH(QString, compact);
    QCOMPARE(exchange::compactPhone(phone), compact);
}

QTEST_GUILESS_MAIN(TestImportLimits)
#include "tst_import_limits.moc"
