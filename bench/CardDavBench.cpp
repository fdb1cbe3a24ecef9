#include "CardDavBench.h"

#include "CardDavClient.h"
#include "FbClient.h"
#include "SchemaScript.h"
#include "SyncEngine.h"
#include "SyncStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <signal.h>

namespace {

// A card of about 560 bytes, like the ones of a phone's address book.
QByteArray benchCard(int i) {
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-%1\r\nFN:Name%1 Surname%1\r\nN:Surname%1;Name%1;"
                          "Middle;;\r\nORG:Company %2;Department %3\r\nTITLE:Engineer\r\nTEL;TYPE=WORK,VOICE:+7 495 "
                          "%4\r\nTEL;TYPE=CELL:+7 916 %4\r\nEMAIL;TYPE=INTERNET,WORK:person%1@company%2.example."
                          "org\r\nADR;TYPE=WORK:;;Lenina street %3, office %1;Moscow;;101000;Russia\r\nURL:https://"
                          "company%2.example.org/people/%1\r\nNOTE:Met at the exhibition, interested in the second "
                          "offer; call back in spring about the contract number %1.\r\nCATEGORIES:Clients/Moscow\r\n"
                          "END:VCARD\r\n")
        .arg(i)
        .arg(i % 97)
        .arg(i % 13)
        .arg(1000000 + i)
        .toUtf8();
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Radicale in a folder of its own, stopped by its PID when done.
class Radicale {
public:
    bool start(const QString& folder, quint16 port) {
        const QString conf = folder + QStringLiteral("/radicale.conf");
        writeFile(conf, QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = none\n[rights]\ntype = "
                                       "owner_only\n[storage]\nfilesystem_folder = %2\n[web]\ntype = none\n")
                            .arg(port)
                            .arg(folder)
                            .toUtf8());
        process_.start(QStringLiteral("radicale"), {QStringLiteral("--config"), conf});
        if (!process_.waitForStarted())
            return false;
        for (int waited = 0; waited < 20000; waited += 100) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    ~Radicale() {
        if (process_.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process_.processId()), SIGTERM);
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
};

qint64 timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}

} // namespace

int benchCardDav(int cards, const QString& user, const QString& password) {
    QTemporaryDir dir;
    const QString book = dir.path() + QStringLiteral("/collection-root/test/book");
    QDir().mkpath(book);
    writeFile(book + QStringLiteral("/.Radicale.props"), "{\"tag\": \"VADDRESSBOOK\"}");
    for (int i = 0; i < cards; ++i)
        writeFile(book + QStringLiteral("/bench-%1.vcf").arg(i), benchCard(i));
    const quint16 port = freePort();
    Radicale radicale;
    if (!radicale.start(dir.path(), port)) {
        std::fprintf(stderr, "radicale did not start\n");
        return 1;
    }
    const QUrl bookUrl(QStringLiteral("http://127.0.0.1:%1/test/book/").arg(port));
    const QString file = dir.path() + QStringLiteral("/phones.gdb");
    const cardsync::DbLogin login{file, user, password};
    try {
        schema::createDatabase(file, schema::readScript(QStringLiteral(":/data/schema.sql")), user, password);
        cardsync::SyncAccount account;
        account.serverUrl = bookUrl.toString();
        account.userName = QStringLiteral("test");
        account.bookUrl = bookUrl.toString();
        cardsync::writeAccount(login, account);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("carddav_cards=%d\n", cards);

    // The bare report: the least any sync must wait for. Once to warm the server's cache, as the sync's
    // own first request will find it warm too.
    cardsync::CardDavClient client({QStringLiteral("test"), QStringLiteral("pw"), {}, 600000});
    client.syncCollection(bookUrl, QString(), true);
    qint64 bareBytes = 0;
    const qint64 bare = timed([&] { bareBytes = client.syncCollection(bookUrl, QString(), true).body.size(); });

    auto sync = [&](const char* name) {
        cardsync::SyncResult r;
        const qint64 ms = timed([&] { r = cardsync::runSync(login, QStringLiteral("pw"), {}, nullptr); });
        if (!r.ok)
            std::fprintf(stderr, "%s: %s\n", name, qPrintable(r.error.message));
        std::printf("%s=%lld\n", name, static_cast<long long>(ms));
        std::fflush(stdout);
        return std::make_pair(ms, r);
    };
    const auto initial = sync("carddav_initial_sync_ms");
    std::printf("carddav_bare_sync_ms=%lld\n", static_cast<long long>(bare));
    std::printf("carddav_bare_sync_bytes=%lld\n", static_cast<long long>(bareBytes));
    std::printf("carddav_initial_contacts=%d\n", initial.second.counts.createdDesk);
    std::printf("carddav_initial_ratio=%.2f\n", bare > 0 ? double(initial.first) / double(bare) : 0.0);
    sync("carddav_noop_sync_ms");

    // One card changed on the server, as a phone would change it.
    const QUrl one = bookUrl.resolved(QUrl(QStringLiteral("bench-%1.vcf").arg(cards / 2)));
    const cardsync::DavResponse got = client.get(one);
    QByteArray changed = benchCard(cards / 2);
    changed.replace("TITLE:Engineer", "TITLE:Chief engineer");
    if (!client.putChanged(one, changed, got.etag).ok())
        std::fprintf(stderr, "the server change failed\n");
    const auto serverChange = sync("carddav_one_change_sync_ms");
    if (serverChange.second.counts.updatedDesk != 1)
        std::fprintf(stderr, "the server change reached %d contacts\n", serverChange.second.counts.updatedDesk);

    // One contact changed on the desk.
    {
        fb::Attachment db;
        db.attach(file, user, password);
        fb::Transaction tr;
        tr.start(db);
        fb::executeImmediate(
            db, tr,
            QStringLiteral("update MAIN set NOTES = 'changed on the desk' where NUM_MAIN = %1").arg(cards / 3 + 1));
        tr.commit();
    }
    const auto deskChange = sync("carddav_one_local_change_sync_ms");
    if (deskChange.second.counts.updatedServer != 1)
        std::fprintf(stderr, "the desk change reached %d cards\n", deskChange.second.counts.updatedServer);
    return 0;
}
