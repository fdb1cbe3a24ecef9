#pragma once

// A CardDAV server on 127.0.0.1 for the sync tests: Radicale or Xandikos, started in a temporary
// folder on a free port and stopped by its PID. Cards can be written into its storage before it
// starts (the fast way to fill a book; one PUT a card gets slow as a book grows).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <signal.h>
#include <sys/prctl.h>

namespace carddavtest {

enum class ServerKind { Radicale, Xandikos };

inline quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class CardDavServer {
public:
    explicit CardDavServer(ServerKind kind) : kind_(kind) {
        if (kind_ == ServerKind::Radicale) {
            const QString book = dir_.path() + QStringLiteral("/collection-root/test/book");
            QDir().mkpath(book);
            writeFile(book + QStringLiteral("/.Radicale.props"), "{\"tag\": \"VADDRESSBOOK\"}");
        }
    }
    ~CardDavServer() { stop(); }
    CardDavServer(const CardDavServer&) = delete;
    CardDavServer& operator=(const CardDavServer&) = delete;

    ServerKind kind() const { return kind_; }
    QString name() const {
        return kind_ == ServerKind::Radicale ? QStringLiteral("Radicale") : QStringLiteral("Xandikos");
    }

    // Radicale only: serves HTTPS with a self-signed certificate made for the test (openssl); call
    // before start(). Returns the certificate file (PEM); empty when it could not be made.
    QString useTls() {
        const QString cert = dir_.path() + QStringLiteral("/cert.pem"), key = dir_.path() + QStringLiteral("/key.pem");
        const int rc = QProcess::execute(QStringLiteral("openssl"),
                                         {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                                          QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                                          QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                                          QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
        if (rc != 0)
            return {};
        tls_ = QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n").arg(cert, key);
        return cert;
    }

    // Radicale only: asks for the user name and this password (htpasswd, plain); call before start().
    void requireLogin(const QString& password) {
        writeFile(dir_.path() + QStringLiteral("/users"), (user() + u':' + password + u'\n').toUtf8());
        auth_ =
            QStringLiteral("type = htpasswd\nhtpasswd_filename = %1/users\nhtpasswd_encryption = plain\ndelay = 0\n")
                .arg(dir_.path());
    }

    // Puts cards straight into the storage; call before start().
    void seed(const QList<QPair<QString, QByteArray>>& cards) {
        if (kind_ == ServerKind::Radicale) {
            for (const auto& c : cards)
                writeFile(dir_.path() + QStringLiteral("/collection-root/test/book/") + c.first, c.second);
            return;
        }
        // Xandikos keeps a book as a git repository; its layout is made by a first start.
        if (!start())
            return;
        stop();
        const QString repo = dir_.path() + QStringLiteral("/user/contacts/addressbook");
        for (const auto& c : cards)
            writeFile(repo + u'/' + c.first, c.second);
        QProcess::execute(QStringLiteral("git"),
                          {QStringLiteral("-C"), repo, QStringLiteral("add"), QStringLiteral(".")});
        QProcess::execute(QStringLiteral("git"),
                          {QStringLiteral("-C"), repo, QStringLiteral("-c"), QStringLiteral("user.name=test"),
                           QStringLiteral("-c"), QStringLiteral("user.email=test@localhost"), QStringLiteral("commit"),
                           QStringLiteral("-qm"), QStringLiteral("seed")});
    }

    bool start() {
        port_ = freePort();
        // A test that crashes takes its server with it instead of leaving it running.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        if (kind_ == ServerKind::Radicale) {
            const QString conf = dir_.path() + QStringLiteral("/radicale.conf");
            writeFile(conf, QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n%3[auth]\n%4[rights]\ntype = "
                                           "owner_only\n[storage]\nfilesystem_folder = %2\n[web]\ntype = none\n")
                                .arg(port_)
                                .arg(dir_.path(), tls_, auth_)
                                .toUtf8());
            process_.start(QStringLiteral("radicale"), {QStringLiteral("--config"), conf});
        } else {
            process_.start(QStringLiteral("xandikos"),
                           {QStringLiteral("--defaults"), QStringLiteral("-d"), dir_.path(), QStringLiteral("-l"),
                            QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port_)});
        }
        if (!process_.waitForStarted())
            return false;
        for (int waited = 0; waited < 15000; waited += 50) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            if (probe.waitForConnected(200))
                return true;
            if (process_.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(5000)) {
            ::kill(pid_t(process_.processId()), SIGKILL);
            process_.waitForFinished(5000);
        }
    }

    quint16 port() const { return port_; }
    QUrl root() const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2/")
                        .arg(tls_.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
                        .arg(port_));
    }
    QString bookPath() const {
        return kind_ == ServerKind::Radicale ? QStringLiteral("/test/book/")
                                             : QStringLiteral("/user/contacts/addressbook/");
    }
    QUrl bookUrl() const { return root().resolved(QUrl(bookPath())); }
    QString user() const { return QStringLiteral("test"); }
    QString storage() const { return dir_.path(); }

private:
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    ServerKind kind_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString tls_;                                    // the [server] lines of HTTPS
    QString auth_ = QStringLiteral("type = none\n"); // the [auth] lines
};

} // namespace carddavtest
