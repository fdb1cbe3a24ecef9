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
#include <unistd.h>

namespace testdb {

class FirebirdServer {
public:
    FirebirdServer() {
        const QString server = QStringLiteral("/usr/sbin/firebird");
        if (!QFile::exists(server) || getuid() != 0 ||
            QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            return;
        if (QProcess::execute(QStringLiteral("pgrep"), {QStringLiteral("-x"), QStringLiteral("firebird")}) != 0) {
            // The server keeps its locks where the firebird user can write, and its own configuration.
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("FIREBIRD_LOCK"));
            env.remove(QStringLiteral("FIREBIRD"));
            process_.setProcessEnvironment(env);
            process_.start(QStringLiteral("runuser"),
                           {QStringLiteral("-u"), QStringLiteral("firebird"), QStringLiteral("--"), server});
            if (!process_.waitForStarted())
                return;
            startedHere_ = true;
        }
        available_ = true;
    }
    ~FirebirdServer() {
        if (startedHere_) {
            process_.terminate();
            process_.waitForFinished(10000);
        }
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
