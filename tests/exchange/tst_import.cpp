// The import against a real database: round trips through vCard 4.0 and CSV into an empty database,
// duplicates across phone formats, refused cards, merges, and an import that fails part-way keeps
// nothing.
#include "ContactExport.h"
#include "ContactImporter.h"
#include "FbClient.h"
#include "MergeConflicts.h"
#include "TestDatabase.h"

#include <QBuffer>
#include <QProcess>
#include <QTest>

using namespace exchange;

namespace {

struct Db {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm = folder.openDM(ui);

    int addGroup(int parent, const QString& name) {
        Dataset& g = *dm->TabContactGroups;
        g.append();
        g.setValue(QStringLiteral("PARENT_GROUP"), parent);
        g.setValue(QStringLiteral("GROUP_NAME"), name);
        const int num = g.value(QStringLiteral("GR_NUM")).toInt();
        g.post();
        return num;
    }
    void addContact(const QMap<QString, QVariant>& values) {
        Dataset& m = *dm->TabMain;
        m.append();
        for (auto it = values.begin(); it != values.end(); ++it)
            m.setValue(it.key(), it.value());
        m.post();
    }
    QString photoFolder() const { return folder.path() + QStringLiteral("db/photos"); }

    // Every stored row in key order, the group as its path, the photograph as its bytes.
    QList<QStringList> rows() {
        const GroupPaths groups(readSnapshot(*dm->IBPhones).groups);
        QStringList cols;
        for (int c = 0; c < ColumnCount; ++c)
            cols << QString::fromLatin1(mapping(Column(c)).field).toUpper();
        Query q(*dm->IBPhones, QStringLiteral("select %1 from \"MAIN\" order by NUM_MAIN").arg(cols.join(u',')));
        QList<QStringList> out;
        for (const auto& r : q.run({})) {
            QStringList row;
            for (int c = 1; c < ColumnCount; ++c) {
                if (c == GR_NUM)
                    row << (r[c].isNull() ? QString() : groups.path(r[c].toInt()));
                else if (c == FOTOLINK && !r[c].isNull()) {
                    QFile f(r[c].toString());
                    row << (f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().toHex()) : r[c].toString());
                } else
                    row << (r[c].isNull() ? QString() : r[c].toString());
            }
            out << row;
        }
        return out;
    }
    QStringList groupPaths() {
        QStringList p = GroupPaths(readSnapshot(*dm->IBPhones).groups).allPaths();
        p.sort();
        return p;
    }
    int contactCount() {
        return static_cast<int>(
            Query(*dm->IBPhones, QStringLiteral("select count(*) from \"MAIN\"")).run({})[0][0].toInt());
    }

    ImportPlan plan(const QByteArray& bytes) {
        QStringList notes;
        bool recognised = false;
        auto contacts = readFile(bytes, {}, {}, &notes, &recognised);
        ImportPlan p = makePlan(std::move(contacts), readSnapshot(*dm->IBPhones), photoFolder());
        p.fileNotes = notes;
        p.recognised = recognised;
        return p;
    }
};

void fillSample(Db& db, const QString& photoPath) {
    const int work = 2; // the built-in "Работа"
    const int clients = db.addGroup(work, QStringLiteral("Клиенты"));
    const int vip = db.addGroup(clients, QStringLiteral("VIP, важные"));
    db.addGroup(work, QStringLiteral("Пустая группа")); // no contact in it
    db.addGroup(3, QStringLiteral("Школа/лицей"));      // a slash in a name
    QMap<QString, QVariant> full;
    for (int c = 1; c < ColumnCount; ++c)
        if (c != GR_NUM && c != BITHDAY && c != FOTOLINK)
            full.insert(QString::fromLatin1(mapping(Column(c)).field), QStringLiteral("%1;,\"ё").arg(c));
    full[QStringLiteral("BITHDAY")] = QDate(1980, 1, 31);
    full[QStringLiteral("GR_NUM")] = vip;
    full[QStringLiteral("NOTES")] = QStringLiteral("Две\nстроки");
    full[QStringLiteral("FOTOLINK")] = photoPath;
    db.addContact(full);
    db.addContact({{QStringLiteral("FAM"), QStringLiteral("Иванов")},
                   {QStringLiteral("FIRST_NAME"), QStringLiteral("Иван")},
                   {QStringLiteral("CELLULAR"), QStringLiteral("+7 916 000-00-01")},
                   {QStringLiteral("GR_NUM"), clients}});
    db.addContact({{QStringLiteral("JOB_ORG"), QStringLiteral("ООО «Ромашка»")},
                   {QStringLiteral("JOB_TEL3"), QStringLiteral("222")},
                   {QStringLiteral("GR_NUM"), 1}});
    db.addContact({{QStringLiteral("HOME_EMAIL"), QStringLiteral("only@mail.ru")}});
}

QByteArray exported(Db& db, ExportFormat format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exportContacts(*db.dm->TabMain, groupPathsOf(*db.dm->TabContactGroups), format, buffer);
    return buffer.data();
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTripIntoEmptyDatabase_data();
    void roundTripIntoEmptyDatabase();
    void duplicatesAcrossPhoneFormats_data();
    void duplicatesAcrossPhoneFormats();
    void refusedCardsNameFieldAndCharacter();
    void mergeFillsOnlyEmptyColumns();
    void failedRowRollsBackTheWholeImport();
    void exportFollowsFilterAndSort();
    void exportHoldsRowsStillComing();
    void longValuesDoNotCostTheContact();
    void exportWritesEachGroupCardOnce_data();
    void exportWritesEachGroupCardOnce();
    void exportedGroupCardsCarryTheTree_data();
    void exportedGroupCardsCarryTheTree();
    void mergeListsAndChoosesWhatIsDropped();
    void mergeConflictsCompareWhatAReaderSees();
};

void TestImport::roundTripIntoEmptyDatabase_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("vCard 4.0") << int(ExportFormat::VCard4);
    QTest::newRow("vCard 3.0") << int(ExportFormat::VCard3);
    QTest::newRow("CSV") << int(ExportFormat::Csv);
}

void TestImport::roundTripIntoEmptyDatabase() {
    QFETCH(int, format);
    Db source;
    const QString photo = source.folder.path() + QStringLiteral("face.jpg");
    {
        QFile f(photo);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(500, '\x11'));
    }
    fillSample(source, photo);
    source.dm->TabMain->refresh();
    source.dm->TabContactGroups->refresh();
    const QByteArray file = exported(source, ExportFormat(format));

    Db target;
    const ImportPlan plan = target.plan(file);
    QVERIFY(plan.recognised);
    QCOMPARE(plan.count(CardStatus::New), 4);
    QCOMPARE(plan.count(CardStatus::Refused), 0);
    const ImportResult result = runImport(*target.dm->IBPhones, plan, target.photoFolder());
    QCOMPARE(result.added, 4);

    QCOMPARE(target.groupPaths(), source.groupPaths());
    QList<QStringList> expected = source.rows();
    if (format == int(ExportFormat::Csv))
        QCOMPARE(target.rows(), expected); // the path itself travels
    else {
        QCOMPARE(target.rows(), expected); // the picture travels: compared by content
        QVERIFY(QFileInfo(target.photoFolder()).isDir());
    }
}

void TestImport::duplicatesAcrossPhoneFormats_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("card");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("8 and +7 are one number") << "+7 (495) 123-45-67"
                                             << "84951234567" << true;
    QTest::newRow("other country") << "+7 (495) 123-45-67"
                                   << "+375 (495) 123-45-67" << false;
    QTest::newRow("unreadable numbers by digits") << "доб. 12-34"
                                                  << "1234" << true;
    QTest::newRow("spaces and brackets match") << "+7 495 111 22 33"
                                               << "+7(495)1112233" << true;
    QTest::newRow("dashes match") << "495-111-22-33"
                                  << "4951112233" << true;
    QTest::newRow("other number") << "+7 495 111 22 33"
                                  << "+7 495 111 22 34" << false;
}

void TestImport::duplicatesAcrossPhoneFormats() {
    QFETCH(QString, stored);
    QFETCH(QString, card);
    QFETCH(bool, duplicate);
    Db db;
    db.addContact({{QStringLiteral("FAM"), QStringLiteral("Петров")},
                   {QStringLiteral("FIRST_NAME"), QStringLiteral("Пётр")},
                   {QStringLiteral("HOME_TEL2"), stored}});
    const QByteArray file = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:петров;ПЁТР;;;\r\nTEL;TYPE=CELL:%1\r\n"
                                           "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Сидоров;Пётр;;;\r\n"
                                           "TEL;TYPE=CELL:%1\r\nEND:VCARD\r\n")
                                .arg(card)
                                .toUtf8();
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.cards.size(), size_t(2));
    QCOMPARE(plan.cards[0].status == CardStatus::Duplicate, duplicate);
    QCOMPARE(plan.cards[1].status, CardStatus::New); // another surname never matches by phone
    if (duplicate) {
        QCOMPARE(plan.cards[0].duplicate.by, DuplicateMatch::Phone);
        QCOMPARE(plan.cards[0].action, Action::Skip);
    }
}

void TestImport::refusedCardsNameFieldAndCharacter() {
    Db db;
    db.addContact(
        {{QStringLiteral("FAM"), QStringLiteral("X")}, {QStringLiteral("JOB_EMAIL"), QStringLiteral("Ann@Mail.RU")}});
    const QByteArray file =
        QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Ωmega;;;;\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Ok;;;;\r\nTITLE:") +
        QByteArray(31, 'a') +
        "\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Другая;;;;\r\nEMAIL:ann@mail.ru\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Ok;;;;\r\nCATEGORIES:Работа/\xF0\x9F\x98\x80\r\nEND:VCARD\r\n";
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.cards.size(), size_t(5));
    QCOMPARE(plan.cards[0].status, CardStatus::Refused);
    QCOMPARE(plan.cards[0].contact.refusal.kind, Refusal::Character);
    QCOMPARE(plan.cards[0].contact.refusal.column, int(FAM));
    QCOMPARE(plan.cards[0].contact.refusal.character, QChar(0x03A9));
    // A value longer than its column no longer refuses the card: it is cut and listed.
    QCOMPARE(plan.cards[1].status, CardStatus::New);
    QCOMPARE(plan.cards[1].contact.row.text(JOB_POST), QString(30, u'a'));
    QCOMPARE(plan.cards[1].contact.cuts.size(), size_t(1));
    QCOMPARE(plan.cards[1].contact.cuts[0].column, int(JOB_POST));
    QCOMPARE(plan.cards[1].contact.cuts[0].length, 31);
    QCOMPARE(plan.cards[1].contact.cuts[0].limit, 30);
    QCOMPARE(plan.cards[2].status, CardStatus::Duplicate); // the same e-mail in another letter case
    QCOMPARE(plan.cards[2].duplicate.by, DuplicateMatch::Email);
    QCOMPARE(plan.cards[3].contact.refusal.kind, Refusal::Empty);
    QCOMPARE(plan.cards[4].contact.refusal.kind, Refusal::GroupCharacter);
    QVERIFY(plan.newGroups.isEmpty());
    // Refused and skipped cards write nothing; the card with the cut value goes in.
    const ImportResult r = runImport(*db.dm->IBPhones, plan, db.photoFolder());
    QCOMPARE(r.added, 1);
    QCOMPARE(r.skipped, 1);
    QCOMPARE(db.contactCount(), 2);
}

void TestImport::mergeFillsOnlyEmptyColumns() {
    Db db;
    db.addContact({{QStringLiteral("FAM"), QStringLiteral("Петров")},
                   {QStringLiteral("FIRST_NAME"), QStringLiteral("Пётр")},
                   {QStringLiteral("CELLULAR"), QStringLiteral("+7 916 1")},
                   {QStringLiteral("JOB_POST"), QStringLiteral("Директор")}});
    ImportPlan plan = db.plan("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Петров;Пётр;;;\r\nTEL;TYPE=cell:+79161\r\n"
                              "TITLE:Дворник\r\nNOTE:Новое\r\nCATEGORIES:Друзья/Дача\r\nEND:VCARD\r\n");
    QCOMPARE(plan.cards[0].status, CardStatus::Duplicate);
    plan.cards[0].action = Action::Merge;
    const ImportResult r = runImport(*db.dm->IBPhones, plan, db.photoFolder());
    QCOMPARE(r.merged, 1);
    QCOMPARE(r.groupsCreated, 1);
    QCOMPARE(db.contactCount(), 1);
    const QStringList row = db.rows().front();
    QCOMPARE(row[JOB_POST - 1], QStringLiteral("Директор"));
    QCOMPARE(row[NOTES - 1], QStringLiteral("Новое"));
    QCOMPARE(row[GR_NUM - 1], QStringLiteral("Друзья/Дача"));
}

void TestImport::failedRowRollsBackTheWholeImport() {
    Db db;
    // The server refuses one row, as a check constraint or trigger of a real database would.
    {
        fb::Transaction tr;
        tr.start(db.dm->IBPhones->attachment());
        fb::executeImmediate(db.dm->IBPhones->attachment(), tr,
                             QStringLiteral("CREATE EXCEPTION E_REFUSED 'row refused'"));
        tr.commit();
        tr.start(db.dm->IBPhones->attachment());
        fb::executeImmediate(db.dm->IBPhones->attachment(), tr,
                             QStringLiteral("CREATE TRIGGER MAIN_REFUSE FOR \"MAIN\" BEFORE INSERT AS BEGIN "
                                            "IF (NEW.FAM = 'Сбой') THEN EXCEPTION E_REFUSED; END"));
        tr.commit();
    }
    const int groupsBefore = static_cast<int>(db.groupPaths().size());
    const QByteArray file = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Первый;;;;\r\nCATEGORIES:Новая/Ветка\r\n"
                            "PHOTO:data:image/png;base64,iVBORw0KGgo=\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Второй;;;;\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Сбой;;;;\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Четвёртый;;;;\r\nEND:VCARD\r\n";
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.count(CardStatus::New), 4);
    try {
        runImport(*db.dm->IBPhones, plan, db.photoFolder());
        QFAIL("the import should fail");
    } catch (const ImportError& e) {
        QCOMPARE(e.source(), 3);
        QVERIFY(e.message().contains(QStringLiteral("row refused")));
    }
    QCOMPARE(db.contactCount(), 0);
    QCOMPARE(static_cast<int>(db.groupPaths().size()), groupsBefore);
    QVERIFY(QDir(db.photoFolder()).entryList(QDir::Files).isEmpty());
    // The program's own transaction goes on working.
    db.addContact({{QStringLiteral("FAM"), QStringLiteral("После")}});
    QCOMPARE(db.contactCount(), 1);
}

void TestImport::exportFollowsFilterAndSort() {
    Db db;
    for (const char* fam : {"Яковлев", "Андреев", "Борисов"})
        db.addContact({{QStringLiteral("FAM"), QString::fromUtf8(fam)}});
    Dataset& m = *db.dm->TabMain;
    m.setSortField(QStringLiteral("FAM"));
    m.setFilterState(QStringLiteral("FAM <> 'Борисов'"), true);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(exportContacts(m, groupPathsOf(*db.dm->TabContactGroups), ExportFormat::VCard4, buffer), 2);
    const auto cards = vcard::parse(buffer.data());
    QStringList order;
    for (const auto& c : cards) {
        const ImportedContact ic = contactFromCard(c);
        if (!ic.groupOnly)
            order << ic.row.text(FAM);
    }
    QCOMPARE(order, (QStringList{QStringLiteral("Андреев"), QStringLiteral("Яковлев")}));
}

// A list and a group tree still coming from the server a row at a time: the file holds every contact
// and every group path all the same.
void TestImport::exportHoldsRowsStillComing() {
    Db db;
    fillSample(db, QString());
    for (int i = 0; i < 5; ++i)
        db.addContact({{QStringLiteral("FAM"), QStringLiteral("Фамилия %1").arg(i)}});
    const QByteArray whole = exported(db, ExportFormat::VCard4);
    Dataset& m = *db.dm->TabMain;
    Dataset& groups = *db.dm->TabContactGroups;
    m.setFetchStep(1, 1);
    groups.setFetchStep(1, 1);
    m.refresh();
    groups.refresh();
    QVERIFY(m.fetching());
    QVERIFY(groups.fetching());
    QCOMPARE(exported(db, ExportFormat::VCard4), whole);
}

void TestImport::longValuesDoNotCostTheContact() {
    Db db;
    const QString surname = QStringLiteral("Константинопольский-Черноморский-Задунайский-Рымникский-о");
    QCOMPARE(surname.size(), 57);
    // A phone's export in version 3.0 with a long note and a phone written with its extension.
    const QByteArray file = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + surname.toUtf8() +
                            ";Иван;;;\r\nFN:Иван\r\nTEL;TYPE=WORK,VOICE:+7 (495) 123-45-67 доб. 1234\r\n"
                            "TEL;TYPE=CELL:+7 916 000-00-01\r\nEMAIL;TYPE=INTERNET:ivan@example.org\r\nNOTE:" +
                            QByteArray(1 << 20, 'n') + "\r\nEND:VCARD\r\n";
    const ImportPlan plan = db.plan(file);
    QCOMPARE(plan.count(CardStatus::New), 1);
    const ImportResult r = runImport(*db.dm->IBPhones, plan, db.photoFolder());
    QCOMPARE(r.added, 1);
    const QStringList row = db.rows().front();
    QCOMPARE(row[FAM - 1], surname.left(30));
    QCOMPARE(row[FIRST_NAME - 1], QStringLiteral("Иван"));
    QCOMPARE(row[JOB_TEL1 - 1], QStringLiteral("+74951234567,1234"));
    QCOMPARE(row[CELLULAR - 1], QStringLiteral("+7 916 000-00-01"));
    QCOMPARE(row[JOB_EMAIL - 1], QStringLiteral("ivan@example.org"));
    QCOMPARE(row[NOTES - 1], QString(240, u'n'));
}

void TestImport::exportWritesEachGroupCardOnce_data() {
    QTest::addColumn<int>("depth");
    QTest::newRow("4 levels") << 4;
    QTest::newRow("300 levels") << 300;
}

// A contact in the middle of a deep branch: the groups above it travel with it in CATEGORIES, and every
// group of the tree has its group card, each once.
void TestImport::exportWritesEachGroupCardOnce() {
    QFETCH(int, depth);
    Db db;
    int parent = 2; // the built-in "Работа"
    int middle = 0;
    for (int level = 1; level <= depth; ++level) {
        parent = db.addGroup(parent, QStringLiteral("g%1").arg(level));
        if (level == depth / 2)
            middle = parent;
    }
    db.addContact({{QStringLiteral("FAM"), QStringLiteral("Средний")}, {QStringLiteral("GR_NUM"), middle}});
    QStringList contactPath, groupCards;
    for (const vcard::Card& c : vcard::parse(exported(db, ExportFormat::VCard4))) {
        const ImportedContact ic = contactFromCard(c);
        (ic.groupOnly ? groupCards : contactPath) << ic.row.groupPath;
    }
    QCOMPARE(contactPath.size(), 1);
    const QStringList named = splitGroupPath(contactPath.front());
    QCOMPARE(named.size(), depth / 2 + 1);
    QStringList expected = db.groupPaths();
    expected.sort();
    groupCards.sort();
    QCOMPARE(groupCards.size(), expected.size());
    QCOMPARE(groupCards, expected);
    QCOMPARE(groupCards.filter(QStringLiteral("g%1").arg(depth)).size(), 1);
}

void TestImport::exportedGroupCardsCarryTheTree_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("vCard 4.0") << int(ExportFormat::VCard4);
    QTest::newRow("vCard 3.0") << int(ExportFormat::VCard3);
}

// Servers and programs that read groups from group cards instead of CATEGORIES see the same tree.
void TestImport::exportedGroupCardsCarryTheTree() {
    QFETCH(int, format);
    Db source;
    fillSample(source, QString());
    source.dm->TabMain->refresh();
    source.dm->TabContactGroups->refresh();
    const QByteArray file = exported(source, ExportFormat(format));
    const QByteArray again = exported(source, ExportFormat(format));
    QCOMPARE(again, file); // the UIDs stay the same from one export to the next

    // An independent reader: every member a group card names is a card of the file, in that group.
    const QString path = source.folder.path() + QStringLiteral("out.vcf");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import sys, vobject
cards = list(vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()))
uids = {c.uid.value: c for c in cards if hasattr(c, 'uid')}
for c in cards:
    kind = (c.contents.get('kind') or c.contents.get('x-addressbookserver-kind') or [None])[0]
    if kind is None or kind.value != 'group':
        continue
    for m in c.contents.get('member', []) + c.contents.get('x-addressbookserver-member', []):
        uid = m.value[len('urn:uuid:'):] if m.value.startswith('urn:uuid:') and m.value[9:] in uids else m.value
        print(c.fn.value + ' <- ' + uids[uid].uid.value)
)"),
                                                      path});
    QVERIFY(python.waitForFinished(30000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    QStringList members = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    members.sort();
    QStringList expectedMembers;
    const GroupPaths groups(readSnapshot(*source.dm->IBPhones).groups);
    for (const auto& r : Query(*source.dm->IBPhones, QStringLiteral("select NUM_MAIN, GR_NUM from \"MAIN\" where "
                                                                    "GR_NUM <> 1"))
                             .run({}))
        expectedMembers << groups.path(r[1].toInt()) + QStringLiteral(" <- ") + contactUid(r[0].toInt());
    expectedMembers.sort();
    QCOMPARE(expectedMembers.size(), 2);
    QCOMPARE(members, expectedMembers);

    // Without CATEGORIES on the contact cards the group cards alone rebuild the tree.
    QByteArray withoutCategories;
    bool group = false;
    for (const QByteArray& line : file.split('\n')) {
        if (line.startsWith("BEGIN:VCARD"))
            group = false;
        if (line.startsWith("KIND:group") || line.startsWith("X-ADDRESSBOOKSERVER-KIND:group"))
            group = true;
        if (!line.isEmpty())
            withoutCategories += line + '\n';
        if (!group && line.startsWith("CATEGORIES:"))
            withoutCategories.chop(line.size() + 1);
    }
    QVERIFY(withoutCategories.size() < file.size());
    Db target;
    const ImportPlan plan = target.plan(withoutCategories);
    QCOMPARE(plan.count(CardStatus::New), 4);
    runImport(*target.dm->IBPhones, plan, target.photoFolder());
    QCOMPARE(target.groupPaths(), source.groupPaths());
    QList<QStringList> expected = source.rows();
    QList<QStringList> stored = target.rows();
    for (QList<QStringList>* rows : {&expected, &stored})
        for (QStringList& row : *rows)
            if (row[GR_NUM - 1] == groups.path(1))
                row[GR_NUM - 1].clear(); // the root has no group card: a contact there stays without group
    QCOMPARE(stored, expected);
}

void TestImport::mergeListsAndChoosesWhatIsDropped() {
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Петров;Пётр;;;\r\nTEL;TYPE=cell:+7 (916) 1\r\n"
                            "TEL;TYPE=home:222\r\nTITLE:Дворник\r\nEMAIL;TYPE=work:PETROV@A.RU\r\nNOTE:Новое\r\n"
                            "CATEGORIES:Друзья/Дача\r\nEND:VCARD\r\n";
    for (const MergeMode mode : {MergeMode::FillEmpty, MergeMode::TakeIncoming}) {
        Db db;
        const int work = 2;
        db.addContact({{QStringLiteral("FAM"), QStringLiteral("Петров")},
                       {QStringLiteral("FIRST_NAME"), QStringLiteral("Пётр")},
                       {QStringLiteral("CELLULAR"), QStringLiteral("+79161")},
                       {QStringLiteral("JOB_EMAIL"), QStringLiteral("petrov@a.ru")},
                       {QStringLiteral("HOME_TEL1"), QStringLiteral("111")},
                       {QStringLiteral("JOB_POST"), QStringLiteral("Директор")},
                       {QStringLiteral("GR_NUM"), work}});
        ImportPlan plan = db.plan(card);
        QCOMPARE(plan.cards[0].status, CardStatus::Duplicate);
        findMergeConflicts(*db.dm->IBPhones, plan);
        // The same phone in another form and the same e-mail in another letter case are no conflict.
        QStringList conflicts;
        for (const MergeConflict& m : plan.cards[0].conflicts)
            conflicts << QStringLiteral("%1: %2 | %3").arg(mapping(Column(m.column)).field, m.stored, m.incoming);
        QCOMPARE(conflicts,
                 (QStringList{QStringLiteral("JOB_POST: Директор | Дворник"),
                              QStringLiteral("GR_NUM: Работа | Друзья/Дача"), QStringLiteral("HOME_TEL1: 111 | 222")}));
        plan.cards[0].action = Action::Merge;
        plan.cards[0].mergeMode = mode;
        runImport(*db.dm->IBPhones, plan, db.photoFolder());
        const QStringList row = db.rows().front();
        const bool take = mode == MergeMode::TakeIncoming;
        QCOMPARE(row[JOB_POST - 1], take ? QStringLiteral("Дворник") : QStringLiteral("Директор"));
        QCOMPARE(row[HOME_TEL1 - 1], take ? QStringLiteral("222") : QStringLiteral("111"));
        QCOMPARE(row[GR_NUM - 1], take ? QStringLiteral("Друзья/Дача") : QStringLiteral("Работа"));
        QCOMPARE(row[NOTES - 1], QStringLiteral("Новое")); // an empty column is filled either way
        QCOMPARE(row[FAM - 1], QStringLiteral("Петров"));
    }
}

void TestImport::mergeConflictsCompareWhatAReaderSees() {
    ContactRow stored, card;
    stored.set(CELLULAR, QStringLiteral("+7 (916) 111-22-33"));
    card.set(CELLULAR, QStringLiteral("+79161112233")); // the same number written otherwise
    stored.set(JOB_EMAIL, QStringLiteral("Ann@Mail.ru"));
    card.set(JOB_EMAIL, QStringLiteral("ann@mail.ru "));
    card.set(NOTES, QStringLiteral("new")); // an empty stored column takes it: no conflict
    stored.values[BITHDAY] = QDate(1980, 1, 31);
    card.values[BITHDAY] = QDate(1980, 1, 30);
    stored.set(FOTOLINK, QStringLiteral("/photos/contact-1.jpg"));
    card.photo = QByteArray("\x89PNG", 4) + QByteArray(96, 'x');
    card.photoSuffix = QStringLiteral("png");
    stored.groupPath = QStringLiteral("Работа/Клиенты");
    card.groupPath = QStringLiteral("Работа/Клиенты/");
    const std::vector<MergeConflict> c = mergeConflicts(stored, card);
    QCOMPARE(c.size(), size_t(2));
    QCOMPARE(c[0].column, int(BITHDAY));
    QCOMPARE(c[0].stored, QStringLiteral("1980-01-31"));
    QCOMPARE(c[0].incoming, QStringLiteral("1980-01-30"));
    QCOMPARE(c[1].column, int(FOTOLINK));
    QCOMPARE(c[1].incoming, QStringLiteral("png"));
    QCOMPARE(c[1].pictureBytes, qsizetype(100));
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
