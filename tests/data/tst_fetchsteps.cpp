// The contact list read first rows first: the same rows in the same order as a whole read, every
// row once the fetch is done, commands that need every row getting every row, and saves, deletes,
// conflicts and other copies' changes behaving while rows are still coming. A small fetch step
// lets a few hundred contacts come in many steps.
#include "TestDatabase.h"

#include "Cp1251.h"

#include <QElapsedTimer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

constexpr int kContacts = 400;

// Surnames that repeat and come in no particular order, a few of them empty.
QString surnameOf(int i) {
    static const char* const names[] = {"Яковлев", "Агеев", "Кедров", "кит", "Ёлкин", "Елин", "Мухин", "Ким"};
    if (i % 11 == 0)
        return QString();
    return QString::fromUtf8(names[(i * 7) % 8]) + QString::number(i % 13);
}

// Writes the contacts straight into the file, as another tool would, before the program opens it.
void fillContacts(const QString& databasePath, int count) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr,
                     QStringLiteral("insert into \"MAIN\" (NUM_MAIN, FAM, GR_NUM, JOB_ORG) values (?, ?, ?, ?)"));
    for (int i = 1; i <= count; ++i) {
        st.setParam(0, i);
        const QString fam = surnameOf(i);
        st.setParam(1, fam.isEmpty() ? QVariant() : QVariant(fam));
        st.setParam(2, 1 + i % 5);
        st.setParam(3, i % 3 == 0 ? QVariant() : QVariant(QStringLiteral("ООО «Фирма %1»").arg(i % 17)));
        st.execute();
    }
    fb::executeImmediate(db, tr, QStringLiteral("ALTER SEQUENCE GEN_MAIN RESTART WITH %1").arg(count));
    tr.commit();
}

// The keys of MAIN as a select of its own gives them, read through an attachment of its own.
QList<int> keysOnDisk(const QString& databasePath, const QString& where, const QString& order) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    fb::Transaction tr;
    tr.start(db);
    QString sql = QStringLiteral("select NUM_MAIN from \"MAIN\"");
    if (!where.isEmpty())
        sql += QStringLiteral(" where ") + where;
    sql += QStringLiteral(" order by ") + order + QStringLiteral(", NUM_MAIN");
    fb::Statement st(db, tr, sql);
    st.execute();
    QList<int> keys;
    while (st.fetch())
        keys << static_cast<int>(st.integer(0));
    return keys;
}

QList<int> listedKeys(const Dataset& m) {
    QList<int> keys;
    for (int r = 0; r < m.rowCount(); ++r)
        keys << m.value(r, 0).toInt();
    return keys;
}

// Lets the event loop run the fetch steps to the end.
bool waitForAllRows(Dataset& m) {
    QElapsedTimer t;
    t.start();
    while (m.fetching() && t.elapsed() < 20000)
        QCoreApplication::processEvents();
    return !m.fetching();
}

// A data module on a folder with the contacts, its list re-read in small steps.
struct Fixture {
    Folder folder;
    RecordedUi ui;
    std::unique_ptr<TDM> dm;

    explicit Fixture(int contacts = kContacts) {
        fillContacts(folder.databasePath(), contacts);
        dm = folder.openDM(ui);
    }
    Dataset& list() const { return *dm->TabMain; }
    // Re-reads the list in steps of a few rows: the first rows are there, the rest still coming.
    void rereadInSteps() const {
        list().setFetchStep(10, 7);
        list().refresh();
    }
};

} // namespace

class TstFetchSteps : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameRowsInTheSameOrderAfterEachCommand_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("sort");
        QTest::newRow("open") << QString() << QString();
        QTest::newRow("sort by surname") << QString() << QStringLiteral("FAM");
        QTest::newRow("letter") << QStringLiteral("FAM Like 'К%' or FAM Like 'к%'") << QString();
        QTest::newRow("letter, sorted") << QStringLiteral("FAM Like 'Е%' or FAM Like 'е%'") << QStringLiteral("FAM");
        QTest::newRow("no surname") << QStringLiteral("FAM is null") << QStringLiteral("FAM");
        QTest::newRow("sort by organisation") << QString() << QStringLiteral("JOB_ORG");
        QTest::newRow("group") << QStringLiteral("GR_NUM=3") << QString();
        QTest::newRow("group, sorted") << QStringLiteral("GR_NUM=2") << QStringLiteral("JOB_ORG");
    }
    void sameRowsInTheSameOrderAfterEachCommand() {
        QFETCH(QString, where);
        QFETCH(QString, sort);
        Fixture f;
        Dataset& m = f.list();
        m.setFetchStep(10, 7);
        m.setSortField(sort);
        m.setFilterState(where, !where.isEmpty());
        QSignalSpy steps(&m, &Dataset::rowsAppended);
        QVERIFY(waitForAllRows(m));
        const QList<int> expected =
            keysOnDisk(f.folder.databasePath(), where, sort.isEmpty() ? QStringLiteral("NUM_MAIN") : sort);
        QVERIFY(expected.size() > 10);
        QVERIFY2(steps.count() > 1, "the rows came in one piece");
        const QList<int> listed = listedKeys(m);
        if (sort.isEmpty()) {
            QCOMPARE(listed, expected);
        } else {
            // Rows of one value may come in any order among themselves: the values must match.
            const int fam = m.fieldByName(sort).index();
            QCOMPARE(listed.size(), expected.size());
            QCOMPARE(QSet<int>(listed.begin(), listed.end()), QSet<int>(expected.begin(), expected.end()));
            for (int r = 1; r < m.rowCount(); ++r) {
                const QString a = m.displayText(r - 1, fam), b = m.displayText(r, fam);
                QVERIFY2(a.isEmpty() || (!b.isEmpty() && cp1251::encode(a) <= cp1251::encode(b)),
                         qPrintable(a + u'>' + b));
            }
        }
    }

    void missingListIndexesAreAddedWhenTheDatabaseIsOpened() {
        Folder folder;
        auto indexes = [&folder] {
            fb::Attachment db;
            db.attach(folder.databasePath(), QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            fb::Transaction tr;
            tr.start(db);
            fb::Statement st(db, tr,
                             QStringLiteral("select trim(RDB$INDEX_NAME) from RDB$INDICES where RDB$RELATION_NAME = "
                                            "'MAIN' and RDB$INDEX_NAME starting with 'MAIN_' and RDB$INDEX_NAME <> "
                                            "'MAIN_CHANGE_TX' order by 1"));
            st.execute();
            QStringList names;
            while (st.fetch())
                names << st.value(0).toString();
            return names;
        };
        const QStringList all{"MAIN_FAM", "MAIN_GR_NUM", "MAIN_JOB_ORG"};
        QCOMPARE(indexes(), all);
        {
            // A database made before these indexes.
            fb::Attachment db;
            db.attach(folder.databasePath(), QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            fb::Transaction tr;
            tr.start(db);
            fb::executeImmediate(db, tr, QStringLiteral("DROP INDEX MAIN_JOB_ORG"));
            fb::executeImmediate(db, tr, QStringLiteral("DROP INDEX MAIN_GR_NUM"));
            tr.commit();
        }
        QCOMPARE(indexes(), QStringList{"MAIN_FAM"});
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY2(ui.errors.isEmpty(), qPrintable(ui.errors.join('\n')));
        dm->Disconnect();
        QCOMPARE(indexes(), all);
    }

    void theListHoldsEveryContactOnceTheFetchIsDone() {
        Fixture f;
        Dataset& m = f.list();
        QVERIFY(waitForAllRows(m));
        QSignalSpy coming(&m, &Dataset::fetchingChanged);
        f.rereadInSteps();
        // The first rows are there at once, the first contact current.
        QVERIFY(m.fetching());
        QCOMPARE(m.rowCount(), 10);
        QCOMPARE(m.currentRow(), 0);
        QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), 1);
        QVERIFY(!m.eof());
        QVERIFY(waitForAllRows(m));
        QCOMPARE(m.rowCount(), kContacts);
        const QList<int> keys = listedKeys(m);
        QCOMPARE(QSet<int>(keys.begin(), keys.end()).size(), kContacts);
        QCOMPARE(coming.count(), 2);
        QCOMPARE(coming.at(0).at(0).toBool(), true);
        QCOMPARE(coming.at(1).at(0).toBool(), false);
        QCOMPARE(m.currentRow(), 0);
    }

    void theFirstContactIsCurrentAfterStartUp() {
        Fixture f;
        // The data module opened the list with its usual step: the first contact is current.
        QCOMPARE(f.list().currentRow(), 0);
        QCOMPARE(f.list().value(QStringLiteral("NUM_MAIN")).toInt(), 1);
        QVERIFY(waitForAllRows(f.list()));
        QCOMPARE(f.list().rowCount(), kContacts);
        QCOMPARE(f.list().currentRow(), 0);
    }

    void commandsThatNeedEveryRowGetEveryRow_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("last") << QStringLiteral("last");
        QTest::newRow("locate") << QStringLiteral("locate");
        QTest::newRow("walk to the end") << QStringLiteral("walk");
        QTest::newRow("fetch all") << QStringLiteral("fetchAll");
    }
    void commandsThatNeedEveryRowGetEveryRow() {
        QFETCH(QString, command);
        Fixture f;
        Dataset& m = f.list();
        f.rereadInSteps();
        QVERIFY(m.fetching());
        if (command == QLatin1String("last")) {
            m.last();
            QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), kContacts);
            QCOMPARE(m.rowCount(), kContacts);
            QVERIFY(m.eof());
        } else if (command == QLatin1String("locate")) {
            QVERIFY(m.locate(QStringLiteral("NUM_MAIN"), kContacts - 5));
            QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), kContacts - 5);
            QVERIFY(!m.locate(QStringLiteral("NUM_MAIN"), kContacts + 5));
            QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), kContacts - 5);
            QCOMPARE(m.rowCount(), kContacts);
        } else if (command == QLatin1String("walk")) {
            int seen = 1;
            for (m.first(); !m.eof(); m.next())
                ++seen;
            QCOMPARE(seen, kContacts);
            QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), kContacts);
        } else {
            QSignalSpy appended(&m, &Dataset::rowsAppended);
            m.fetchAll();
            QVERIFY(!m.fetching());
            QCOMPARE(m.rowCount(), kContacts);
            QCOMPARE(appended.count(), 1);
            QCOMPARE(appended.at(0).at(1).toInt(), kContacts - 1);
        }
        QCOMPARE(listedKeys(m), keysOnDisk(f.folder.databasePath(), {}, QStringLiteral("NUM_MAIN")));
    }

    void aSaveWhileRowsAreComingKeepsTheFetchGoing() {
        Fixture f;
        Dataset& m = f.list();
        m.setFetchStep(10, 7);
        m.setSortField(QStringLiteral("FAM"));
        QVERIFY(m.fetching());
        // The first row moves to the end of the order: it must not come a second time.
        m.moveTo(2);
        const int key = m.value(QStringLiteral("NUM_MAIN")).toInt();
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Яяя"));
        m.post();
        QVERIFY(m.fetching());
        QCOMPARE(m.currentRow(), 2);
        // A deleted row does not come back either, and a new row joins once every row is there.
        m.moveTo(5);
        const int deleted = m.value(QStringLiteral("NUM_MAIN")).toInt();
        m.deleteCurrent();
        QVERIFY(m.fetching());
        m.append();
        QVERIFY(!m.fetching());
        QCOMPARE(m.currentRow(), kContacts - 1);
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Новый"));
        m.post();
        QCOMPARE(m.rowCount(), kContacts);
        QList<int> keys = listedKeys(m);
        QCOMPARE(QSet<int>(keys.begin(), keys.end()).size(), kContacts);
        QVERIFY(!keys.contains(deleted));
        QCOMPARE(keys.count(key), 1);
        QCOMPARE(m.value(keys.indexOf(key), m.fieldByName(QStringLiteral("FAM")).index()).toString(),
                 QStringLiteral("Яяя"));
        // The database holds what the list shows.
        m.refresh();
        QVERIFY(waitForAllRows(m));
        keys = listedKeys(m);
        std::sort(keys.begin(), keys.end());
        QList<int> onDisk = keysOnDisk(f.folder.databasePath(), {}, QStringLiteral("NUM_MAIN"));
        QCOMPARE(keys, onDisk);
        QCOMPARE(keysOnDisk(f.folder.databasePath(), QStringLiteral("FAM = 'Яяя'"), QStringLiteral("FAM")),
                 QList<int>{key});
    }

    void anotherCopysChangeIsSeenAndConflictsWhileRowsAreComing() {
        Fixture f;
        Dataset& a = f.list();
        RecordedUi uiB;
        auto b = f.folder.openDM(uiB);
        Dataset& tb = *b->TabMain;
        f.rereadInSteps();
        QVERIFY(a.fetching());
        // Copy B renames contact 3 and contact 300; copy A, still fetching, changes contact 3.
        QVERIFY(tb.locate(QStringLiteral("NUM_MAIN"), 3));
        tb.setValue(QStringLiteral("FAM"), QStringLiteral("Другой"));
        tb.post();
        QVERIFY(tb.locate(QStringLiteral("NUM_MAIN"), 300));
        tb.setValue(QStringLiteral("FAM"), QStringLiteral("Дальний"));
        tb.post();
        a.moveTo(2);
        QCOMPARE(a.value(QStringLiteral("NUM_MAIN")).toInt(), 3);
        a.setValue(QStringLiteral("FIRST_NAME"), QStringLiteral("Пётр"));
        QVERIFY_THROWS_EXCEPTION(RowConflictError, a.post());
        QCOMPARE(a.state(), Dataset::State::Edit);
        a.cancel();
        // A filter shows what is in the database now.
        const QString d = QStringLiteral("FAM Like 'Д%' or FAM Like 'д%'");
        a.setFilterState(d, true);
        QVERIFY(waitForAllRows(a));
        QCOMPARE(listedKeys(a), (QList<int>{3, 300}));
        b->Disconnect();
    }

    void theCurrentRowIsKeptWhenItComesLater() {
        Fixture f;
        Dataset& m = f.list();
        QVERIFY(waitForAllRows(m));
        QVERIFY(m.locate(QStringLiteral("NUM_MAIN"), 250));
        f.rereadInSteps();
        QVERIFY(m.fetching());
        QVERIFY(waitForAllRows(m));
        QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), 250);

        // A user who moves meanwhile stays where he went.
        QVERIFY(m.locate(QStringLiteral("NUM_MAIN"), 250));
        m.refresh();
        m.moveTo(3);
        QVERIFY(waitForAllRows(m));
        QCOMPARE(m.currentRow(), 3);
    }

    void aPendingChangeSurvivesARereadInSteps() {
        Fixture f;
        Dataset& m = f.list();
        RecordedUi uiB;
        auto b = f.folder.openDM(uiB);
        QVERIFY(waitForAllRows(m));
        QVERIFY(m.locate(QStringLiteral("NUM_MAIN"), 390));
        QVERIFY(b->TabMain->locate(QStringLiteral("NUM_MAIN"), 390));
        b->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Второй"));
        b->TabMain->post();
        m.setValue(QStringLiteral("FIRST_NAME"), QStringLiteral("Иван"));
        m.setFetchStep(10, 7);
        m.refresh(); // the save is refused; the change stays pending over the values read again
        QCOMPARE(m.state(), Dataset::State::Edit);
        QCOMPARE(m.value(QStringLiteral("NUM_MAIN")).toInt(), 390);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Второй"));
        QCOMPARE(m.text(QStringLiteral("FIRST_NAME")), QStringLiteral("Иван"));
        m.post();
        QVERIFY(waitForAllRows(m));
        QCOMPARE(m.rowCount(), kContacts);
        b->Disconnect();
    }
};

QTEST_GUILESS_MAIN(TstFetchSteps)

#include "tst_fetchsteps.moc"
