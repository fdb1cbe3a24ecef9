// What a sync reads and asks to find the changes of both sides, against real servers on loopback:
// the cards it wrote itself, and the contacts changed on the desk since the last sync.

#include "ChangeStamps.h"
#include "SyncFixture.h"

#include <QtTest>

using namespace synctest;

namespace {

QString failure(const cardsync::SyncResult& r) {
    return r.ok ? QString() : r.error.message;
}

#define SYNCED(s)                                                                                                      \
    do {                                                                                                               \
        const QString why = failure(s.sync());                                                                         \
        QVERIFY2(why.isEmpty(), qPrintable(why));                                                                      \
    } while (false)

// A connection of another copy of the program.
struct OtherCopy {
    explicit OtherCopy(const QString& path) {
        db.attach(path, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        tr.start(db);
    }
    void exec(const QString& sql) { fb::executeImmediate(db, tr, sql); }
    fb::Attachment db;
    fb::Transaction tr;
};

void execCommitted(const QString& path, const QString& sql) {
    OtherCopy c(path);
    c.exec(sql);
    c.tr.commit();
}

bool stamped(const QString& path) {
    fb::Attachment db;
    db.attach(path, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    return changestamps::present(db);
}

// The database as a version before the change stamps left it.
void removeStamps(const QString& path) {
    for (const char* table : {"MAIN", "GROUPS"}) {
        const QString t = QLatin1String(table);
        execCommitted(path, QStringLiteral("DROP TRIGGER %1_CHANGE_TX").arg(t));
        execCommitted(path, QStringLiteral("DROP INDEX %1_CHANGE_TX").arg(t));
        execCommitted(path, QStringLiteral("ALTER TABLE \"%1\" DROP CHANGE_TX").arg(t));
    }
}

QByteArray arbuzov(const QString& note = {}) {
    return card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"),
                note);
}

} // namespace

class SyncChangesTest : public QObject {
    Q_OBJECT
private:
    static void servers() { addServerRows(); }

private Q_SLOTS:
    // The phone deletes a card the desk has just uploaded: the book holds again what it held when the
    // token kept was given (Xandikos then gives that token back), and the delete still reaches the desk.
    void phoneDeletesWhatTheDeskUploaded_data() { servers(); }
    void phoneDeletesWhatTheDeskUploaded() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), arbuzov()}});
        QVERIFY(s.started);
        SYNCED(s);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        SYNCED(s);
        QCOMPARE(s.phone->contacts().size(), 2);
        QVERIFY(s.phone->remove(QStringLiteral("Belov")));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.deletedDesk, 1);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|111|")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }

    // The phone puts back the card the desk's edit replaced: the phone's card is the newer change.
    void phoneUndoesTheDesksEdit_data() { servers(); }
    void phoneUndoesTheDesksEdit() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), arbuzov(QStringLiteral("first"))}});
        QVERIFY(s.started);
        SYNCED(s);
        const QByteArray before = s.phone->body(QStringLiteral("Arbuzov"));
        s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QStringLiteral("second"));
        SYNCED(s);
        QCOMPARE(s.phone->contacts(), QStringList{QStringLiteral("Arbuzov|Anton|111|second")});
        QVERIFY(s.phone->replace(QStringLiteral("Arbuzov"), before));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.updatedDesk, 1);
        QCOMPARE(s.desk.contacts(), QStringList{QStringLiteral("Arbuzov|Anton|111|first")});
    }

    // Changes made on the desk by another copy of the program while no sync ran: each is found
    // through the rows' change stamps, a delete by the key that is gone.
    void deskChangesReachTheServer_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        const QStringList edited = {QStringLiteral("Arbuzov|Anton|111|"), QStringLiteral("Belov|Boris|222|edited")};
        const QStringList removed = {QStringLiteral("Arbuzov|Anton|111|")};
        const QStringList added = {QStringLiteral("Arbuzov|Anton|111|"), QStringLiteral("Belov|Boris|222|"),
                                   QStringLiteral("Vetrov|Viktor|333|")};
        for (auto [name, kind] : {std::pair{"Radicale", ServerKind::Radicale}, {"Xandikos", ServerKind::Xandikos}}) {
            QTest::addRow("%s edit", name) << kind << QStringLiteral("edit") << edited;
            QTest::addRow("%s delete", name) << kind << QStringLiteral("delete") << removed;
            QTest::addRow("%s add", name) << kind << QStringLiteral("add") << added;
        }
    }
    void deskChangesReachTheServer() {
        QFETCH(ServerKind, kind);
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        Setup s(kind, {{QStringLiteral("a.vcf"), arbuzov()}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        SYNCED(s);
        SYNCED(s); // a sync with nothing changed: the next one starts from its watermark
        if (change == u"edit")
            s.desk.set(QStringLiteral("Belov"), "NOTES", QStringLiteral("edited"));
        else if (change == u"delete")
            s.desk.remove(QStringLiteral("Belov"));
        else
            s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("333"));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.updatedServer + r.counts.deletedServer + r.counts.createdServer, 1);
        QCOMPARE(s.phone->contacts(), expected);
        QCOMPARE(s.desk.contacts(), expected);
    }

    // A change whose transaction began before a sync and was committed after it: that sync could not
    // see it, and the next one still uploads it.
    void changeCommittedAfterASyncIsUploaded_data() { servers(); }
    void changeCommittedAfterASyncIsUploaded() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), arbuzov()}});
        QVERIFY(s.started);
        SYNCED(s);
        OtherCopy late(s.folder.databasePath());
        late.exec(QStringLiteral("update MAIN set NOTES = 'late' where FAM = 'Arbuzov'"));
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        const cardsync::SyncResult before = s.sync();
        QVERIFY2(before.ok, qPrintable(before.error.message));
        QCOMPARE(before.counts.createdServer, 1);
        QCOMPARE(before.counts.updatedServer, 0);
        late.tr.commit();
        const cardsync::SyncResult after = s.sync();
        QVERIFY2(after.ok, qPrintable(after.error.message));
        QCOMPARE(after.counts.updatedServer, 1);
        QCOMPARE(s.phone->contacts(),
                 (QStringList{QStringLiteral("Arbuzov|Anton|111|late"), QStringLiteral("Belov|Boris|222|")}));
    }

    // With the stamps, a contact whose stamp is older than the last sync is not compared at all: a row
    // changed with its trigger switched off (behind the program's back) sends nothing. Without the
    // stamps every contact is compared, and the same change is uploaded.
    void unstampedRowsAreComparedOnlyWithoutStamps_data() {
        QTest::addColumn<bool>("withStamps");
        QTest::newRow("stamps") << true;
        QTest::newRow("no stamps") << false;
    }
    void unstampedRowsAreComparedOnlyWithoutStamps() {
        QFETCH(bool, withStamps);
        Setup s(ServerKind::Radicale, {{QStringLiteral("a.vcf"), arbuzov(QStringLiteral("note"))}});
        QVERIFY(s.started);
        const QString path = s.folder.databasePath();
        SYNCED(s);
        std::unique_ptr<OtherCopy> holder;
        const QString sneak = QStringLiteral("update MAIN set NOTES = 'sneaked' where FAM = 'Arbuzov'");
        if (withStamps) {
            execCommitted(path, QStringLiteral("alter trigger MAIN_CHANGE_TX inactive"));
            execCommitted(path, sneak);
            execCommitted(path, QStringLiteral("alter trigger MAIN_CHANGE_TX active"));
        } else {
            removeStamps(path);
            execCommitted(path, sneak);
            // Another copy holds the table with a change of its own: the stamps cannot be added now.
            holder = std::make_unique<OtherCopy>(path);
            holder->exec(QStringLiteral("insert into MAIN (NUM_MAIN, FAM) values (gen_id(GEN_MAIN, 1), 'Held')"));
        }
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(stamped(path), withStamps);
        QCOMPARE(r.counts.updatedServer, withStamps ? 0 : 1);
    }

    // A database without the stamps syncs as before: every contact compared with its synced values.
    void databaseWithoutStampsStillSyncs() {
        Setup s(ServerKind::Radicale, {{QStringLiteral("a.vcf"), arbuzov()}});
        QVERIFY(s.started);
        const QString path = s.folder.databasePath();
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("333"));
        SYNCED(s);
        removeStamps(path);
        OtherCopy holder(path);
        holder.exec(QStringLiteral("insert into MAIN (NUM_MAIN, FAM) values (gen_id(GEN_MAIN, 1), 'Held')"));
        s.desk.set(QStringLiteral("Belov"), "NOTES", QStringLiteral("edited"));
        s.desk.remove(QStringLiteral("Vetrov"));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QVERIFY(!stamped(path));
        QCOMPARE(r.counts.updatedServer, 1);
        QCOMPARE(r.counts.deletedServer, 1);
        QCOMPARE(s.phone->contacts(),
                 (QStringList{QStringLiteral("Arbuzov|Anton|111|"), QStringLiteral("Belov|Boris|222|edited")}));
    }
};

QTEST_GUILESS_MAIN(SyncChangesTest)
#include "tst_sync_changes.moc"
