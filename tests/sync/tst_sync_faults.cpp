// The sync when things go wrong in the middle: an answer lost after the server stored the card, a
// server failing with 503, a connection cut, a copy of the program killed with SIGKILL. The next sync
// completes without a duplicate and without a lost change; a failed run never reports success.

#include "HttpFaultProxy.h"
#include "SyncFixture.h"
#include "SyncState.h"

#include <QtTest>

using namespace synctest;
using carddavtest::HttpFaultProxy;
using Action = HttpFaultProxy::Action;

Q_DECLARE_METATYPE(HttpFaultProxy::Action)

namespace {

// The book as seen through the proxy.
QUrl throughProxy(const CardDavServer& server, const HttpFaultProxy& proxy) {
    QUrl u = server.bookUrl();
    u.setPort(proxy.port());
    return u;
}

int movedCount(const cardsync::SyncResult& r) {
    return r.counts.createdServer + r.counts.createdDesk + r.counts.deletedDesk + r.counts.deletedServer +
           r.counts.updatedDesk + r.counts.updatedServer;
}

} // namespace

class SyncFaultsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void faultMidSyncLosesNothing_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("atPut"); // the first upload that fails; the ones after it (a retry) too
        for (ServerKind k : {ServerKind::Radicale, ServerKind::Xandikos}) {
            const char* name = k == ServerKind::Radicale ? "Radicale" : "Xandikos";
            QTest::addRow("%s, answer of a stored upload lost", name) << k << Action::DropAnswer << 3;
            QTest::addRow("%s, server answers 503", name) << k << Action::Answer503 << 3;
            QTest::addRow("%s, connection cut", name) << k << Action::CutConnection << 3;
        }
    }
    void faultMidSyncLosesNothing() {
        QFETCH(ServerKind, kind);
        QFETCH(Action, action);
        QFETCH(int, atPut);
        Setup s(kind, {{QStringLiteral("b.vcf"), card(QStringLiteral("uid-b"), QStringLiteral("Belov"),
                                                      QStringLiteral("Boris"), QStringLiteral("222"))}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        bool armed = false;
        HttpFaultProxy proxy(s.server.port(), [&](const QByteArray& method, const QByteArray&, int n) {
            if (armed && method == "PUT" && n >= atPut)
                return action;
            return Action::Forward;
        });
        s.setAccount(throughProxy(s.server, proxy));
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));

        // Changes on both sides wait while the faulty sync runs.
        s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QStringLiteral("desk note"));
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("333"));
        s.desk.add(QStringLiteral("Gromov"), QStringLiteral("Gleb"), QStringLiteral("444"));
        QVERIFY(s.phone->replace(QStringLiteral("Belov"), card(QStringLiteral("uid-b"), QStringLiteral("Belov"),
                                                               QStringLiteral("Boris"), QStringLiteral("999"))));
        armed = true;
        const cardsync::SyncResult faulty = s.sync();
        QVERIFY(!faulty.ok); // never reported as done
        QVERIFY(!faulty.error.message.isEmpty());
        if (action == Action::Answer503) {
            QCOMPARE(faulty.error.kind, cardsync::SyncError::Server);
            QVERIFY2(faulty.error.message.contains(QStringLiteral("503")), qPrintable(faulty.error.message));
        }

        armed = false;
        const cardsync::SyncResult next = s.sync();
        QVERIFY2(next.ok, qPrintable(next.error.message));
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|111|desk note"), QStringLiteral("Belov|Boris|999|"),
                                      QStringLiteral("Gromov|Gleb|444|"), QStringLiteral("Vetrov|Viktor|333|")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        const cardsync::SyncResult quiet = s.sync();
        QVERIFY2(quiet.ok, qPrintable(quiet.error.message));
        QCOMPARE(movedCount(quiet), 0);
    }

    void killedSyncIsCompletedByTheNext_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::newRow("Radicale") << ServerKind::Radicale;
        QTest::newRow("Xandikos") << ServerKind::Xandikos;
    }
    void killedSyncIsCompletedByTheNext() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("p.vcf"), card(QStringLiteral("uid-p"), QStringLiteral("Petrov"),
                                                      QStringLiteral("Pavel"), QStringLiteral("555"))}});
        QVERIFY(s.started);
        QStringList expected = {QStringLiteral("Petrov|Pavel|555|")};
        for (int i = 0; i < 20; ++i) {
            const QString fam = QStringLiteral("Surname%1").arg(i, 2, 10, QLatin1Char('0'));
            s.desk.add(fam, QStringLiteral("Name"), QStringLiteral("100%1").arg(i));
            expected << QStringLiteral("%1|Name|100%2|").arg(fam).arg(i);
        }
        expected.sort();
        HttpFaultProxy proxy(s.server.port(), {});
        proxy.setDelayMs(100); // slow enough to be killed in the middle of the uploads
        s.setAccount(throughProxy(s.server, proxy));

        QProcess helper;
        helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/sync_helper"),
                     {s.folder.databasePath()});
        QVERIFY(helper.waitForStarted());
        for (int waited = 0; proxy.count("PUT") < 5 && waited < 30000; waited += 20)
            QTest::qWait(20);
        QVERIFY(proxy.count("PUT") >= 5);
        helper.kill(); // SIGKILL: no cleanup of any kind
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);
        QVERIFY(s.phone->contacts().size() < expected.size());

        proxy.setDelayMs(0);
        const cardsync::SyncResult next = s.sync();
        QVERIFY2(next.ok, qPrintable(next.error.message));
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        const cardsync::SyncResult quiet = s.sync();
        QVERIFY2(quiet.ok, qPrintable(quiet.error.message));
        QCOMPARE(movedCount(quiet), 0);
    }

    void secondSyncOfOneDatabaseIsRefused() {
        Setup s(ServerKind::Radicale);
        QVERIFY(s.started);
        // Another copy of the program is syncing: it holds the lock.
        cardsync::RunLock other(s.desk.login());
        QVERIFY(other.taken());
        const cardsync::SyncResult r = s.sync();
        QVERIFY(!r.ok);
        QCOMPARE(r.error.kind, cardsync::SyncError::Busy);
    }
};

QTEST_GUILESS_MAIN(SyncFaultsTest)
#include "tst_sync_faults.moc"
