#pragma once

// A Radicale CardDAV server on loopback for the tests of the sync window: a plain process with its
// storage in a temporary folder, address books written straight into the storage before it starts,
// plain HTTP or HTTPS with a self-signed certificate made by openssl at test time.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace synctest {

class RadicaleProcess {
public:
    RadicaleProcess() {
        QTcpServer probe; // a free port of loopback
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
    }
    ~RadicaleProcess() { stop(); }

    // A book of the user with the cards given (each one whole vCard text), before start().
    void addBook(const QString& user, const QString& book, const QString& displayName, const QList<QByteArray>& cards) {
        const QString dir = storage() + QStringLiteral("/collection-root/%1/%2").arg(user, book);
        QDir().mkpath(dir);
        write(dir + QStringLiteral("/.Radicale.props"),
              QStringLiteral(R"({"tag": "VADDRESSBOOK", "D:displayname": "%1"})").arg(displayName).toUtf8());
        for (int i = 0; i < cards.size(); ++i)
            write(dir + QStringLiteral("/card%1.vcf").arg(i), cards[i]);
    }

    // A new self-signed certificate for 127.0.0.1; the next start() serves HTTPS with it. Its SHA-256
    // fingerprint as openssl prints it ("AB:CD:...").
    QString makeCertificate() {
        ++certificates_;
        const QString cert = certPath(), key = keyPath();
        QProcess make;
        make.setStandardOutputFile(QProcess::nullDevice());
        make.setStandardErrorFile(QProcess::nullDevice());
        make.start(QStringLiteral("openssl"),
                   {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                    QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), key,
                    QStringLiteral("-out"), cert, QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-batch")});
        make.waitForFinished(60000);
        QProcess p;
        p.start(QStringLiteral("openssl"),
                {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                 QStringLiteral("-sha256"), QStringLiteral("-in"), cert});
        p.waitForFinished();
        const QString out = QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        tls_ = true;
        return out.mid(out.indexOf(u'=') + 1).toUpper();
    }

    // Logins are checked against this user and password (plain htpasswd file) from the next start().
    void requireLogin(const QString& user, const QString& password) {
        write(dir_.path() + QStringLiteral("/users"), (user + u':' + password + u'\n').toUtf8());
        login_ = true;
    }

    bool start() {
        QString config = QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n").arg(port_);
        if (tls_)
            config += QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n").arg(certPath(), keyPath());
        config += login_ ? QStringLiteral("[auth]\ntype = htpasswd\nhtpasswd_filename = %1/users\n"
                                          "htpasswd_encryption = plain\ndelay = 0\n")
                               .arg(dir_.path())
                         : QStringLiteral("[auth]\ntype = none\n");
        config += QStringLiteral("[rights]\ntype = owner_only\n[storage]\nfilesystem_folder = %1\n[web]\ntype = "
                                 "none\n[logging]\nlevel = warning\n")
                      .arg(storage());
        write(dir_.path() + QStringLiteral("/config"), config.toUtf8());
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("radicale"),
                       {QStringLiteral("--config"), dir_.path() + QStringLiteral("/config")});
        if (!process_.waitForStarted())
            return false;
        for (int i = 0; i < 100; ++i) { // up to 10 s for the port to open
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port_);
            if (s.waitForConnected(100))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill(), process_.waitForFinished();
    }

    QString url() const {
        return QStringLiteral("%1://127.0.0.1:%2/")
            .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
            .arg(port_);
    }
    QString storage() const { return dir_.path() + QStringLiteral("/storage"); }
    quint16 port() const { return port_; }

private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QString certPath() const { return dir_.path() + QStringLiteral("/cert%1.pem").arg(certificates_); }
    QString keyPath() const { return dir_.path() + QStringLiteral("/key%1.pem").arg(certificates_); }

    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool tls_ = false;
    bool login_ = false;
    int certificates_ = 0;
};

} // namespace synctest
