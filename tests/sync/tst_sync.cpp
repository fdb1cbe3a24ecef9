// Two-way sync against real servers on loopback, each case on Radicale and on Xandikos.

#include "Discovery.h"
#include "SyncFixture.h"

#include <QtTest>

using namespace synctest;

namespace {

QString sync(Setup& s) {
    const cardsync::SyncResult r = s.sync();
    return r.ok ? QString() : r.error.message;
}

#define SYNCED(s)                                                                                                      \
    do {                                                                                                               \
        const QString failure = sync(s);                                                                               \
        QVERIFY2(failure.isEmpty(), qPrintable(failure));                                                              \
    } while (false)

} // namespace

class SyncTest : public QObject {
    Q_OBJECT
private:
    static void servers() {
        QTest::addColumn<ServerKind>("kind");
        QTest::newRow("Radicale") << ServerKind::Radicale;
        QTest::newRow("Xandikos") << ServerKind::Xandikos;
    }

private Q_SLOTS:
    void discoveryFindsTheBook_data() { servers(); }
    void discoveryFindsTheBook() {
        QFETCH(ServerKind, kind);
        Setup s(kind);
        QVERIFY(s.started);
        const cardsync::ServerLogin login{s.server.user(), QStringLiteral("pw"), {}, 10000};
        // From the server's root, through the principal and its address-book home.
        cardsync::DiscoveryResult fromRoot = cardsync::discoverAddressBooks(s.server.root().toString(), login);
        QVERIFY2(!fromRoot.error.failed(), qPrintable(fromRoot.error.message));
        QCOMPARE(fromRoot.books.size(), size_t(1));
        QCOMPARE(fromRoot.books.front().url.path(), s.server.bookPath());
        // A book's own address is taken as it is.
        cardsync::DiscoveryResult direct = cardsync::discoverAddressBooks(s.server.bookUrl().toString(), login);
        QVERIFY2(!direct.error.failed(), qPrintable(direct.error.message));
        QCOMPARE(direct.books.size(), size_t(1));
        QCOMPARE(direct.books.front().url, s.server.bookUrl());
        // A bare host and port.
        cardsync::DiscoveryResult bare =
            cardsync::discoverAddressBooks(QStringLiteral("127.0.0.1:%1").arg(s.server.port()), login);
        QVERIFY2(!bare.error.failed(), qPrintable(bare.error.message));
        QCOMPARE(bare.books.size(), size_t(1));
    }

    void initialSyncBothWays_data() { servers(); }
    void initialSyncBothWays() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                      QStringLiteral("Anton"), QStringLiteral("+7 495 111-11-11"))},
                       {QStringLiteral("b.vcf"), card(QStringLiteral("uid-b"), QStringLiteral("Belov"),
                                                      QStringLiteral("Boris"), QString(), QStringLiteral("note b"))}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("+7 495 333-33-33"));
        s.desk.add(QStringLiteral("Gromov"), QStringLiteral("Gleb"), QString(), QStringLiteral("note g"));
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));
        QCOMPARE(first.counts.createdDesk, 2);
        QCOMPARE(first.counts.createdServer, 2);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|+7 495 111-11-11|"),
                                      QStringLiteral("Belov|Boris||note b"), QStringLiteral("Gromov|Gleb||note g"),
                                      QStringLiteral("Vetrov|Viktor|+7 495 333-33-33|")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        // Nothing changed: nothing moves.
        const cardsync::SyncResult second = s.sync();
        QVERIFY2(second.ok, qPrintable(second.error.message));
        QCOMPARE(second.counts.fetched + second.counts.createdDesk + second.counts.updatedDesk +
                     second.counts.createdServer + second.counts.updatedServer + second.counts.deletedDesk +
                     second.counts.deletedServer,
                 0);
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "tst_sync.moc"
