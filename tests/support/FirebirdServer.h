#pragma once

// A Firebird server on 127.0.0.1 for tests of the remote path: the one already running is used,
// else /usr/sbin/firebird is started as user firebird when we may (root) and stopped at the end.

#include "DbError.h"
#include "SchemaScript.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <unistd.h>

namespace testdb {

// Whether this machine lets a test start the installed server: it is there and we may run it as its user.
inline bool canStartServer() {
    return QFile::exists(QStringLiteral("/usr/sbin/firebird")) && getuid() == 0 &&
           !QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty();
}

// Whether a Firebird server process runs, serving or still shutting down.
inline bool serverRunning() {
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-x"), QStringLiteral("firebird")});
    return pgrep.waitForFinished() && pgrep.exitStatus() == QProcess::NormalExit && pgrep.exitCode() == 0;
}

// A server that is shutting down still shows in the process list but takes no connections; the next
// test must not mistake it for a running one.
inline void waitUntilServerGone(int timeoutMs = 15000) {
    for (int waited = 0; waited < timeoutMs && serverRunning(); waited += 100)
        QThread::msleep(100);
}

// Starts the installed server as its own user, on its own configuration and lock folder (not the
// private ones this process set up for the embedded engine).
inline bool startServer(QProcess& process) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("FIREBIRD_LOCK"));
    env.remove(QStringLiteral("FIREBIRD"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("runuser"), {QStringLiteral("-u"), QStringLiteral("firebird"), QStringLiteral("--"),
                                              QStringLiteral("/usr/sbin/firebird")});
    return process.waitForStarted();
}

// Stops a server started by startServer and waits until its process is gone.
inline void stopServer(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    process.waitForFinished(10000);
    waitUntilServerGone();
}

class FirebirdServer {
public:
    FirebirdServer() {
        if (!canStartServer())
            return;
        if (!serverRunning()) {
            if (!startServer(process_))
                return;
            startedHere_ = true;
        }
        available_ = true;
    }
    ~FirebirdServer() {
        if (startedHere_)
            stopServer(process_);
    }
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    bool available() const { return available_; }

    // A fresh database from the schema in a folder the server's account can reach; the server's
    // path of the file ("localhost:" is put in front by the caller). Empty on failure.
    QString createDatabase(QString* error = nullptr) {
        if (!dir_.isValid() ||
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("firebird:firebird"), dir_.path()}) != 0)
            return {};
        const QString file = dir_.path() + QStringLiteral("/remote%1.gdb").arg(++count_);
        for (int attempt = 0; attempt < 50; ++attempt) {
            try {
                schema::createDatabase(QStringLiteral("localhost:") + file,
                                       schema::readScript(QStringLiteral(":/data/schema.sql")));
                return file;
            } catch (const DbError& e) {
                if (error)
                    *error = e.message();
                QTest::qWait(200); // the server may still be starting
            }
        }
        return {};
    }

private:
    QProcess process_;
    QTemporaryDir dir_{QStringLiteral("/tmp/korvane-remote-XXXXXX")};
    bool available_ = false;
    bool startedHere_ = false;
    int count_ = 0;
};

} // namespace testdb
