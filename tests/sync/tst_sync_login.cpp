// A refused login (401), on Radicale asking for a password (htpasswd) and on Xandikos, which asks for
// none, through a proxy that answers 401 in its place: the run fails with the clear message, stores no
// token and uploads nothing after the refusal, and the next sync with the right password completes
// without a duplicate and without a lost change.

#include "HttpFaultProxy.h"
#include "SyncFixture.h"
#include "SyncTexts.h"

#include <QtTest>

using namespace synctest;
using carddavtest::HttpFaultProxy;

namespace {

enum class Refusal { WrongPassword, EveryRequest, UploadsOnly };

QUrl throughProxy(const CardDavServer& server, const HttpFaultProxy& proxy) {
    QUrl u = server.bookUrl();
    u.setPort(proxy.port());
    return u;
}

} // namespace

Q_DECLARE_METATYPE(Refusal)

class SyncLoginTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedLoginLeavesNothingHalfDone_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<Refusal>("refusal");
        QTest::newRow("Radicale, wrong password") << ServerKind::Radicale << Refusal::WrongPassword;
        QTest::newRow("Xandikos, 401 to every request") << ServerKind::Xandikos << Refusal::EveryRequest;
        // The password changed on the server between the listing and the uploads.
        QTest::newRow("Xandikos, 401 to the uploads") << ServerKind::Xandikos << Refusal::UploadsOnly;
    }
    void refusedLoginLeavesNothingHalfDone() {
        QFETCH(ServerKind, kind);
        QFETCH(Refusal, refusal);
        Setup s(kind,
                {{QStringLiteral("a.vcf"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                QStringLiteral("Anton"), QStringLiteral("111"))}},
                kind == ServerKind::Radicale);
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        bool armed = false;
        HttpFaultProxy proxy(s.server.port(), [&](const QByteArray& method, const QByteArray&, int) {
            const bool refused =
                armed && (refusal == Refusal::EveryRequest || (refusal == Refusal::UploadsOnly && method == "PUT"));
            return refused ? HttpFaultProxy::Action::Answer401 : HttpFaultProxy::Action::Forward;
        });
        s.setAccount(throughProxy(s.server, proxy));
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));

        // A change on each side, then the refusal.
        s.desk.set(QStringLiteral("Belov"), "NOTES", QStringLiteral("from the desk"));
        QVERIFY(s.phone->add(QStringLiteral("c.vcf"), card(QStringLiteral("uid-c"), QStringLiteral("Chernov"),
                                                           QStringLiteral("Cyril"), QStringLiteral("333"))));
        const QStringList deskBefore = s.desk.contacts();
        armed = true;
        const cardsync::SyncResult refused = cardsync::runSync(
            s.desk.login(), refusal == Refusal::WrongPassword ? QStringLiteral("wrong") : QStringLiteral("pw"), {},
            nullptr);
        QVERIFY(!refused.ok);
        QCOMPARE(refused.error.kind, cardsync::SyncError::Unauthorized);
        QCOMPARE(refused.error.message, cardsync::texts::errorText(cardsync::SyncError::Unauthorized));
        QCOMPARE(refused.counts.createdServer + refused.counts.updatedServer + refused.counts.deletedServer, 0);
        const QStringList server = {QStringLiteral("Arbuzov|Anton|111|"), QStringLiteral("Belov|Boris|222|"),
                                    QStringLiteral("Chernov|Cyril|333|")};
        armed = false;
        QCOMPARE(s.phone->contacts(), server); // the desk's edit did not go up
        if (refusal != Refusal::UploadsOnly)
            QCOMPARE(s.desk.contacts(), deskBefore); // nothing read past the refusal

        // The right password: everything once.
        const cardsync::SyncResult again = s.sync();
        QVERIFY2(again.ok, qPrintable(again.error.message));
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|111|"),
                                      QStringLiteral("Belov|Boris|222|from the desk"),
                                      QStringLiteral("Chernov|Cyril|333|")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        const cardsync::SyncResult quiet = s.sync();
        QVERIFY(quiet.ok);
        QCOMPARE(quiet.counts.createdDesk + quiet.counts.createdServer + quiet.counts.updatedDesk +
                     quiet.counts.updatedServer,
                 0);
    }
};

QTEST_GUILESS_MAIN(SyncLoginTest)
#include "tst_sync_login.moc"
