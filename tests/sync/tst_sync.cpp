// Two-way sync against real servers on loopback, each case on Radicale and on Xandikos.

#include "Discovery.h"
#include "SyncFixture.h"
#include "SyncRun.h"

#include <QNetworkInterface>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace synctest;
using namespace Qt::StringLiterals;

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
    static void servers() { addServerRows(); }

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

    void changeOnEachSide_data() { servers(); }
    void changeOnEachSide() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                      QStringLiteral("Anton"), QStringLiteral("111"))}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        SYNCED(s);
        s.desk.set(QStringLiteral("Belov"), "NOTES", QStringLiteral("changed on the desk"));
        QVERIFY(s.phone->replace(QStringLiteral("Arbuzov"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                                 QStringLiteral("Anton"), QStringLiteral("999"))));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.updatedDesk, 1);
        QCOMPARE(r.counts.updatedServer, 1);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|999|"),
                                      QStringLiteral("Belov|Boris|222|changed on the desk")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }

    // A contact edited on the desk keeps on the server what no column of the desk holds (the phone's
    // photograph, its own properties, a folded line as it was, an address that found no free slot),
    // while what the desk changed or cleared is the desk's.
    void deskEditKeepsThePhonesOwnLines_data() { servers(); }
    void deskEditKeepsThePhonesOwnLines() {
        QFETCH(ServerKind, kind);
        const QByteArray phoneLines = "X-PHONE-RINGTONE:bells\r\n"
                                      "RELATED;TYPE=spouse:Anna Arbuzova\r\n"
                                      "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
                                      " /2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcp\r\n"
                                      "EMAIL:one@example.org\r\n"
                                      "EMAIL:two@example.org\r\n"
                                      "EMAIL:three@example.org\r\n";
        QByteArray phoneCard = card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"), QStringLiteral("Anton"),
                                    QStringLiteral("111"), QStringLiteral("old note"));
        phoneCard.replace("END:VCARD\r\n", phoneLines + "END:VCARD\r\n");
        Setup s(kind, {{QStringLiteral("a.vcf"), phoneCard}});
        QVERIFY(s.started);
        SYNCED(s);
        s.desk.set(QStringLiteral("Arbuzov"), "FIRST_NAME", QStringLiteral("Antoine"));
        s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QString());
        // The desk has two e-mail slots: the third address found none. The desk removes the second.
        const char* slotOfTwo =
            s.desk.value(QStringLiteral("Arbuzov"), "JOB_EMAIL") == u"two@example.org" ? "JOB_EMAIL" : "HOME_EMAIL";
        QCOMPARE(s.desk.value(QStringLiteral("Arbuzov"), slotOfTwo), QStringLiteral("two@example.org"));
        s.desk.set(QStringLiteral("Arbuzov"), slotOfTwo, QString());
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.updatedServer, 1);
        QCOMPARE(s.phone->contacts(), QStringList{QStringLiteral("Arbuzov|Antoine|111|")});
        // Servers may fold and order lines their own way: compare the unfolded text.
        QByteArray stored = s.phone->body(QStringLiteral("Arbuzov"));
        stored.replace("\r\n ", "").replace("\n ", "");
        QVERIFY2(stored.contains("X-PHONE-RINGTONE:bells"), stored.constData());
        QVERIFY2(stored.contains("Anna Arbuzova"), stored.constData());
        QVERIFY2(
            stored.contains(
                "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcp"),
            stored.constData());
        QVERIFY2(!stored.contains("old note"), stored.constData());
        QVERIFY2(stored.contains("one@example.org"), stored.constData());
        QVERIFY2(stored.contains("three@example.org"), stored.constData()); // no slot on the desk: kept
        QVERIFY2(!stored.contains("two@example.org"), stored.constData());  // removed on the desk
        QCOMPARE(stored.count("PHOTO"), 1);
        // A second sync finds nothing to do: the kept lines are no change of the desk's.
        const cardsync::SyncResult again = s.sync();
        QVERIFY2(again.ok, qPrintable(again.error.message));
        QCOMPARE(again.counts.updatedServer + again.counts.updatedDesk, 0);
    }

    void deleteOnEachSide_data() { servers(); }
    void deleteOnEachSide() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                      QStringLiteral("Anton"), QStringLiteral("111"))}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("333"));
        SYNCED(s);
        s.desk.remove(QStringLiteral("Belov"));
        QVERIFY(s.phone->remove(QStringLiteral("Arbuzov")));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.deletedDesk, 1);
        QCOMPARE(r.counts.deletedServer, 1);
        const QStringList expected = {QStringLiteral("Vetrov|Viktor|333|")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }

    void differentColumnsAreMerged_data() { servers(); }
    void differentColumnsAreMerged() {
        QFETCH(ServerKind, kind);
        Setup s(kind);
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        SYNCED(s);
        const QString uid = s.phone->uidOf(QStringLiteral("Arbuzov"));
        s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QStringLiteral("desk note"));
        QVERIFY(s.phone->replace(QStringLiteral("Arbuzov"),
                                 card(uid, QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("999"))));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.conflicts, 0);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|999|desk note")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }

    void sameColumnWaitsForTheUser_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<cardsync::Side>("choice");
        QTest::addColumn<QString>("kept");
        for (ServerKind k : {ServerKind::Radicale, ServerKind::Xandikos}) {
            const char* name = k == ServerKind::Radicale ? "Radicale" : "Xandikos";
            QTest::addRow("%s, desk chosen", name) << k << cardsync::Side::Desk << QStringLiteral("desk note");
            QTest::addRow("%s, server chosen", name) << k << cardsync::Side::Server << QStringLiteral("phone note");
        }
    }
    void sameColumnWaitsForTheUser() {
        QFETCH(ServerKind, kind);
        QFETCH(cardsync::Side, choice);
        QFETCH(QString, kept);
        Setup s(kind);
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"), QStringLiteral("old"));
        SYNCED(s);
        const QString uid = s.phone->uidOf(QStringLiteral("Arbuzov"));
        s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QStringLiteral("desk note"));
        QVERIFY(
            s.phone->replace(QStringLiteral("Arbuzov"), card(uid, QStringLiteral("Arbuzov"), QStringLiteral("Anton"),
                                                             QStringLiteral("111"), QStringLiteral("phone note"))));
        for (int run = 0; run < 2; ++run) { // a second sync keeps waiting too
            const cardsync::SyncResult r = s.sync();
            QVERIFY2(r.ok, qPrintable(r.error.message));
            QCOMPARE(r.conflicts, 1);
            QCOMPARE(s.desk.contacts(), QStringList{QStringLiteral("Arbuzov|Anton|111|desk note")});
            QCOMPARE(s.phone->contacts(), QStringList{QStringLiteral("Arbuzov|Anton|111|phone note")});
        }
        const std::vector<cardsync::SyncConflict> conflicts = cardsync::readConflicts(s.desk.login());
        QCOMPARE(conflicts.size(), size_t(1));
        QCOMPARE(conflicts[0].columns.size(), size_t(1));
        QCOMPARE(conflicts[0].columns[0].column, int(exchange::NOTES));
        QCOMPARE(conflicts[0].columns[0].desk, QStringLiteral("desk note"));
        QCOMPARE(conflicts[0].columns[0].server, QStringLiteral("phone note"));
        QCOMPARE(conflicts[0].columns[0].synced, QStringLiteral("old"));
        cardsync::resolveConflict(s.desk.login(), conflicts[0].href, choice);
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.conflicts, 0);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|111|") + kept};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        QVERIFY(cardsync::readConflicts(s.desk.login()).empty());
    }

    void deleteAgainstChangeWaitsForTheUser_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<bool>("deskDeletes");
        QTest::addColumn<cardsync::Side>("choice");
        QTest::addColumn<QStringList>("expected");
        const QStringList gone;
        const QStringList changedByDesk = {QStringLiteral("Arbuzov|Anton|111|desk note")};
        const QStringList changedByPhone = {QStringLiteral("Arbuzov|Anton|999|")};
        for (ServerKind k : {ServerKind::Radicale, ServerKind::Xandikos}) {
            const char* name = k == ServerKind::Radicale ? "Radicale" : "Xandikos";
            QTest::addRow("%s, desk deletes, delete kept", name) << k << true << cardsync::Side::Desk << gone;
            QTest::addRow("%s, desk deletes, change kept", name)
                << k << true << cardsync::Side::Server << changedByPhone;
            QTest::addRow("%s, server deletes, change kept", name)
                << k << false << cardsync::Side::Desk << changedByDesk;
            QTest::addRow("%s, server deletes, delete kept", name) << k << false << cardsync::Side::Server << gone;
        }
    }
    void deleteAgainstChangeWaitsForTheUser() {
        QFETCH(ServerKind, kind);
        QFETCH(bool, deskDeletes);
        QFETCH(cardsync::Side, choice);
        QFETCH(QStringList, expected);
        Setup s(kind);
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        SYNCED(s);
        const QString uid = s.phone->uidOf(QStringLiteral("Arbuzov"));
        if (deskDeletes) {
            s.desk.remove(QStringLiteral("Arbuzov"));
            QVERIFY(s.phone->replace(QStringLiteral("Arbuzov"), card(uid, QStringLiteral("Arbuzov"),
                                                                     QStringLiteral("Anton"), QStringLiteral("999"))));
        } else {
            s.desk.set(QStringLiteral("Arbuzov"), "NOTES", QStringLiteral("desk note"));
            QVERIFY(s.phone->remove(QStringLiteral("Arbuzov")));
        }
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.conflicts, 1);
        // Neither side is overwritten while the contact waits.
        QCOMPARE(s.desk.contacts().size(), deskDeletes ? 0 : 1);
        QCOMPARE(s.phone->contacts().size(), deskDeletes ? 1 : 0);
        const std::vector<cardsync::SyncConflict> conflicts = cardsync::readConflicts(s.desk.login());
        QCOMPARE(conflicts.size(), size_t(1));
        QCOMPARE(conflicts[0].deletedOnDesk, deskDeletes);
        QCOMPARE(conflicts[0].deletedOnServer, !deskDeletes);
        QCOMPARE(conflicts[0].title, QStringLiteral("Arbuzov Anton"));
        cardsync::resolveConflict(s.desk.login(), conflicts[0].href, choice);
        const cardsync::SyncResult after = s.sync();
        QVERIFY2(after.ok, qPrintable(after.error.message));
        QCOMPARE(after.conflicts, 0);
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
        // And the next sync finds nothing to do.
        const cardsync::SyncResult quiet = s.sync();
        QVERIFY2(quiet.ok, qPrintable(quiet.error.message));
        QCOMPARE(quiet.counts.createdServer + quiet.counts.createdDesk + quiet.counts.deletedDesk +
                     quiet.counts.deletedServer + quiet.counts.updatedDesk + quiet.counts.updatedServer,
                 0);
    }

    void earlierImportIsMatched_data() { servers(); }
    void earlierImportIsMatched() {
        QFETCH(ServerKind, kind);
        // Matched by the duplicate rule: the same names and the same phone written differently.
        Setup s(kind, {{QStringLiteral("a.vcf"), card(QStringLiteral("phone-a"), QStringLiteral("Arbuzov"),
                                                      QStringLiteral("Anton"), QStringLiteral("+7 (495) 111-22-33"))},
                       {QStringLiteral("k.vcf"),
                        card(exchange::contactUid(1), QStringLiteral("Belov"), QStringLiteral("Boris"), QString())}});
        QVERIFY(s.started);
        // Matched by the UID a file exported from this database gave it (no phone to compare).
        const int belov = s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QString());
        QCOMPARE(belov, 1);
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("8 495 111 22 33"),
                   QStringLiteral("from the file"));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.linked, 2);
        QCOMPARE(r.counts.createdDesk, 0);
        QCOMPARE(r.counts.createdServer, 0);
        QCOMPARE(s.desk.contacts().size(), 2);
        QCOMPARE(s.phone->contacts().size(), 2);
        // One number written two ways is no conflict; what only one side holds travels to the other.
        QCOMPARE(r.conflicts, 0);
        const QStringList expected = {QStringLiteral("Arbuzov|Anton|+7 (495) 111-22-33|from the file"),
                                      QStringLiteral("Belov|Boris||")};
        QCOMPARE(s.desk.contacts(), expected);
        QCOMPARE(s.phone->contacts(), expected);
    }

    void accountSetUpAgainIsMatched_data() { servers(); }
    void accountSetUpAgainIsMatched() {
        QFETCH(ServerKind, kind);
        Setup s(kind, {{QStringLiteral("a.vcf"), card(QStringLiteral("phone-a"), QStringLiteral("Arbuzov"),
                                                      QStringLiteral("Anton"), QStringLiteral("111"))}});
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QString(), QStringLiteral("no phone"));
        SYNCED(s);
        const QStringList before = s.desk.contacts();
        QCOMPARE(before.size(), 3);
        cardsync::removeAccount(s.desk.login());
        QVERIFY(!cardsync::readAccount(s.desk.login()));
        s.setAccount(s.server.bookUrl());
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.linked, 3);
        QCOMPARE(r.counts.createdDesk + r.counts.createdServer, 0);
        QCOMPARE(s.desk.contacts(), before);
        QCOMPARE(s.phone->contacts(), before);
    }

    void runWorksOnAThreadOfItsOwn() {
        Setup s(ServerKind::Radicale,
                {{QStringLiteral("a.vcf"), card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"),
                                                QStringLiteral("Anton"), QStringLiteral("111"))}});
        QVERIFY(s.started);
        QThread thread;
        auto* run = new cardsync::SyncRun(s.desk.login(), QStringLiteral("pw"));
        run->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, run, &QObject::deleteLater);
        QSignalSpy progress(run, &cardsync::SyncRun::progress);
        QSignalSpy finished(run, &cardsync::SyncRun::finished);
        thread.start();
        QMetaObject::invokeMethod(run, &cardsync::SyncRun::run, Qt::QueuedConnection);
        QVERIFY(finished.wait(20000));
        const auto result = finished.at(0).at(0).value<cardsync::SyncResult>();
        QVERIFY2(result.ok, qPrintable(result.error.message));
        QCOMPARE(result.counts.createdDesk, 1);
        QVERIFY(!progress.isEmpty());
        QVERIFY(!cardsync::resultText(result).isEmpty());
        thread.quit();
        QVERIFY(thread.wait(5000));

        // A run cancelled before it reaches the server ends as cancelled and stores nothing.
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        cardsync::SyncRun cancelled(s.desk.login(), QStringLiteral("pw"));
        cancelled.cancel();
        const cardsync::SyncResult r = cancelled.runBlocking();
        QVERIFY(!r.ok);
        QCOMPARE(r.error.kind, cardsync::SyncError::Cancelled);
        QCOMPARE(s.phone->contacts().size(), 1);
    }

    void clearErrors_data() {
        QTest::addColumn<QString>("book");
        QTest::addColumn<int>("kind");
        QTest::newRow("no such book") << QStringLiteral("/test/nothing/") << int(cardsync::SyncError::NotFound);
        QTest::newRow("no server") << QStringLiteral("closed") << int(cardsync::SyncError::Network);
    }
    void clearErrors() {
        QFETCH(QString, book);
        QFETCH(int, kind);
        Setup s(ServerKind::Radicale);
        QVERIFY(s.started);
        QUrl url = s.server.root().resolved(QUrl(book));
        if (book == u"closed")
            url = QUrl(QStringLiteral("http://127.0.0.1:%1/test/book/").arg(carddavtest::freePort()));
        s.setAccount(url);
        const cardsync::SyncResult r = s.sync();
        QVERIFY(!r.ok);
        QCOMPARE(int(r.error.kind), kind);
        QVERIFY(!r.error.message.isEmpty());
    }

    // A bare host elsewhere that does not answer HTTPS is not asked again in plain HTTP, where the
    // password would travel in clear: the user is told to type http:// instead. A listener on this
    // machine's own network address stands in for such a host and records what reaches it.
    void bareHostElsewhereIsNotTriedInClear() {
        QHostAddress address;
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
                address = a;
        if (address.isNull())
            QSKIP("this machine has no network address besides loopback");
        QTcpServer listener;
        QVERIFY(listener.listen(address));
        QByteArray received;
        connect(&listener, &QTcpServer::newConnection, &listener, [&] {
            while (QTcpSocket* socket = listener.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [&received, socket] {
                    received += socket->readAll();
                    socket->close(); // no TLS here: the handshake fails
                });
            }
        });
        const QString bare = QStringLiteral("%1:%2").arg(address.toString()).arg(listener.serverPort());
        const cardsync::ServerLogin login{QStringLiteral("anna"), QStringLiteral("secret"), {}, 5000};
        const cardsync::DiscoveryResult r = cardsync::discoverAddressBooks(bare, login);
        QVERIFY(r.books.empty());
        QVERIFY(r.error.failed());
        QVERIFY2(r.error.message.contains(u"http://"_s + bare), qPrintable(r.error.message));
        QVERIFY2(!received.contains("Authorization") && !received.contains("PROPFIND") && !received.contains("GET "),
                 received.left(200).constData());
    }

    void untrustedCertificateIsRefusedWithItsFingerprint() {
        testdb::Folder folder;
        CardDavServer server(ServerKind::Radicale);
        const QString certFile = server.useTls();
        if (certFile.isEmpty())
            QSKIP("openssl cannot make a certificate here");
        QVERIFY(server.start());
        QFile pem(certFile);
        QVERIFY(pem.open(QIODevice::ReadOnly));
        const QSslCertificate cert(&pem, QSsl::Pem);
        const QString fingerprint = QString::fromLatin1(cert.digest(QCryptographicHash::Sha256).toHex(':').toUpper());

        cardsync::ServerLogin login{server.user(), QStringLiteral("pw"), {}, 10000};
        const cardsync::DiscoveryResult refused = cardsync::discoverAddressBooks(server.bookUrl().toString(), login);
        QCOMPARE(refused.error.kind, cardsync::SyncError::UntrustedCertificate);
        QCOMPARE(refused.error.certificateSha256, fingerprint);
        QVERIFY2(refused.error.message.contains(fingerprint), qPrintable(refused.error.message));

        login.acceptedSha256 = fingerprint; // the user accepted it
        const cardsync::DiscoveryResult accepted = cardsync::discoverAddressBooks(server.bookUrl().toString(), login);
        QVERIFY2(!accepted.error.failed(), qPrintable(accepted.error.message));
        QCOMPARE(accepted.books.size(), size_t(1));

        login.acceptedSha256 =
            (fingerprint.startsWith(QStringLiteral("AA")) ? QStringLiteral("BB") : QStringLiteral("AA")) +
            fingerprint.mid(2);
        const cardsync::DiscoveryResult changed = cardsync::discoverAddressBooks(server.bookUrl().toString(), login);
        QCOMPARE(changed.error.kind, cardsync::SyncError::CertificateChanged);
        QCOMPARE(changed.error.certificateSha256, fingerprint);

        // The sync takes the fingerprint kept with the account.
        Desk desk(folder.databasePath());
        desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        cardsync::SyncAccount account;
        account.serverUrl = server.root().toString();
        account.userName = server.user();
        account.bookUrl = server.bookUrl().toString();
        cardsync::writeAccount(desk.login(), account);
        const cardsync::SyncResult untrusted = cardsync::runSync(desk.login(), QStringLiteral("pw"), {}, nullptr);
        QCOMPARE(untrusted.error.kind, cardsync::SyncError::UntrustedCertificate);
        account.certificateSha256 = fingerprint;
        cardsync::writeAccount(desk.login(), account);
        QCOMPARE(cardsync::readAccount(desk.login())->certificateSha256, fingerprint);
        const cardsync::SyncResult trusted = cardsync::runSync(desk.login(), QStringLiteral("pw"), {}, nullptr);
        QVERIFY2(trusted.ok, qPrintable(trusted.error.message));
        QCOMPARE(trusted.counts.createdServer, 1);
    }

    void renamedGroupTravels_data() { servers(); }
    void renamedGroupTravels() {
        QFETCH(ServerKind, kind);
        QByteArray friendCard =
            card(QStringLiteral("uid-a"), QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        friendCard.replace("END:VCARD", "CATEGORIES:Friends\r\nEND:VCARD");
        Setup s(kind, {{QStringLiteral("a.vcf"), friendCard}});
        QVERIFY(s.started);
        SYNCED(s);
        QCOMPARE(s.phone->cards().first().contact.row.groupPath, QStringLiteral("Friends"));
        // A renamed group changes no contact's row, yet every contact in it now has another path.
        fb::Attachment db;
        db.attach(s.folder.databasePath(), QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::executeImmediate(
            db, tr, QStringLiteral("update GROUPS set GROUP_NAME = 'Colleagues' where GROUP_NAME = 'Friends'"));
        tr.commit();
        db.detach();
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.counts.updatedServer, 1);
        QCOMPARE(s.phone->cards().first().contact.row.groupPath, QStringLiteral("Colleagues"));
    }
};

QTEST_GUILESS_MAIN(SyncTest)
#include "tst_sync.moc"
