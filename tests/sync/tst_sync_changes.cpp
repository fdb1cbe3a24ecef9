// What a sync reads and asks to find the changes of both sides, against real servers on loopback:
// the cards it wrote itself, and the contacts changed on the desk since the last sync.

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

QByteArray arbuzov(const QString& note = {}) {
    return card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"),
                note);
}

} // namespace

class SyncChangesTest : public QObject {
    Q_OBJECT
private:
    static void servers() {
        QTest::addColumn<ServerKind>("kind");
        QTest::newRow("Radicale") << ServerKind::Radicale;
        QTest::newRow("Xandikos") << ServerKind::Xandikos;
    }

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
};

QTEST_GUILESS_MAIN(SyncChangesTest)
#include "tst_sync_changes.moc"
