// Every row of contacts and groups carries the transaction that last wrote it, an older database
// gains the stamps when the data module opens it, and the watermark read before a snapshot is at or
// below the stamp of every change that snapshot cannot see.
#include "ChangeStamps.h"
#include "FbClient.h"
#include "TestDatabase.h"

#include <QTest>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

void attach(fb::Attachment& db, const Folder& folder) {
    db.attach(folder.databasePath(), QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
}

void exec(fb::Attachment& db, fb::Transaction& tr, const QString& sql) {
    fb::executeImmediate(db, tr, sql);
}

void execCommitted(fb::Attachment& db, const QString& sql) {
    fb::Transaction tr;
    tr.start(db);
    exec(db, tr, sql);
    tr.commit();
}

// One number a select gives; -1 for NULL or no row.
qint64 number(fb::Attachment& db, fb::Transaction& tr, const QString& sql) {
    fb::Statement st(db, tr, sql);
    st.execute();
    const qint64 n = st.fetch() && !st.isNull(0) ? st.integer(0) : -1;
    st.close();
    return n;
}

qint64 committedNumber(fb::Attachment& db, const QString& sql) {
    fb::Transaction tr;
    tr.start(db);
    return number(db, tr, sql);
}

// The database as a version before the stamps left it.
void removeStamps(const Folder& folder) {
    fb::Attachment db;
    attach(db, folder);
    for (const char* table : {"MAIN", "GROUPS"}) {
        const QString t = QLatin1String(table);
        execCommitted(db, QStringLiteral("DROP TRIGGER %1_CHANGE_TX").arg(t));
        execCommitted(db, QStringLiteral("DROP INDEX %1_CHANGE_TX").arg(t));
        execCommitted(db, QStringLiteral("ALTER TABLE \"%1\" DROP CHANGE_TX").arg(t));
    }
}

const QString kInsertContact = QStringLiteral("insert into MAIN (NUM_MAIN, FAM, GR_NUM) values (%1, 'Петров', 1)");

} // namespace

class TstChangeStamps : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWriteStampsItsTransaction() {
        Folder folder;
        fb::Attachment db;
        attach(db, folder);
        QVERIFY(changestamps::present(db));

        fb::Transaction tr;
        tr.start(db);
        exec(db, tr, kInsertContact.arg(1));
        exec(db, tr, QStringLiteral("insert into GROUPS (GR_NUM, PARENT_GROUP, GROUP_NAME) values (50, 1, 'Клуб')"));
        const qint64 writer = number(db, tr, QStringLiteral("select CURRENT_TRANSACTION from RDB$DATABASE"));
        tr.commit();
        QCOMPARE(committedNumber(db, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 1")), writer);
        QCOMPARE(committedNumber(db, QStringLiteral("select CHANGE_TX from GROUPS where GR_NUM = 50")), writer);

        // A value written by hand does not stick: the trigger has the last word.
        tr.start(db);
        exec(db, tr, QStringLiteral("update MAIN set FAM = 'Сидоров', CHANGE_TX = 1 where NUM_MAIN = 1"));
        const qint64 updater = number(db, tr, QStringLiteral("select CURRENT_TRANSACTION from RDB$DATABASE"));
        tr.commit();
        QVERIFY(updater > writer);
        QCOMPARE(committedNumber(db, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 1")), updater);
    }

    void anOlderDatabaseGainsTheStampsWhenOpened() {
        Folder folder;
        {
            fb::Attachment db;
            attach(db, folder);
            execCommitted(db, kInsertContact.arg(7));
        }
        removeStamps(folder);
        {
            fb::Attachment db;
            attach(db, folder);
            QVERIFY(!changestamps::present(db));
        }

        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY2(ui.errors.isEmpty(), qPrintable(ui.errors.join(u'\n')));
        QCOMPARE(dm->TabMain->rowCount(), 1);
        dm.reset();

        fb::Attachment db;
        attach(db, folder);
        QVERIFY(changestamps::present(db));
        QCOMPARE(committedNumber(db, QStringLiteral("select count(*) from RDB$INDICES where RDB$INDEX_NAME in "
                                                    "('MAIN_CHANGE_TX', 'GROUPS_CHANGE_TX')")),
                 2);
        // A row from before the upgrade has no stamp until it is written again.
        QCOMPARE(committedNumber(db, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 7")), -1);
        execCommitted(db, QStringLiteral("update MAIN set FAM = 'Иванов' where NUM_MAIN = 7"));
        QVERIFY(committedNumber(db, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 7")) > 0);
        // Asking again changes nothing.
        QVERIFY(changestamps::ensure(db));
    }

    // A writer that started before the watermark was read and commits after it: a snapshot started
    // after the watermark cannot see its change, so the change must be at or above the watermark.
    // So must every change made after it.
    void watermarkCoversChangesTheSnapshotCannotSee() {
        Folder folder;
        fb::Attachment writer, reader;
        attach(writer, folder);
        attach(reader, folder);
        execCommitted(writer, kInsertContact.arg(1));
        execCommitted(writer, kInsertContact.arg(2));

        fb::Transaction early;
        early.start(writer);
        exec(writer, early, QStringLiteral("update MAIN set FAM = 'Ранний' where NUM_MAIN = 1"));

        const qint64 mark = changestamps::watermark(reader);

        execCommitted(writer, QStringLiteral("update MAIN set FAM = 'Поздний' where NUM_MAIN = 2"));
        early.commit();

        QVERIFY(committedNumber(reader, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 1")) >= mark);
        QVERIFY(committedNumber(reader, QStringLiteral("select CHANGE_TX from MAIN where NUM_MAIN = 2")) >= mark);
        // Once those writers are done, a later watermark leaves their rows behind: the next reader
        // looks again only at what is newer.
        execCommitted(writer, kInsertContact.arg(3));
        const qint64 next = changestamps::watermark(reader);
        QCOMPARE(committedNumber(reader, QStringLiteral("select count(*) from MAIN where NUM_MAIN in (1, 2) and "
                                                        "CHANGE_TX >= %1")
                                             .arg(next)),
                 0);
    }
};

QTEST_GUILESS_MAIN(TstChangeStamps)
#include "tst_changestamps.moc"
