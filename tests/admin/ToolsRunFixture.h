#pragma once

// Helpers of the backup and restore tests: rows read through attachments of their own, the files
// left in a test folder, and the Firebird server on the loopback address for the server path.
#include "FirebirdServer.h"
#include "TestDatabase.h"
#include "ToolsRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <memory>

using testdb::Folder;
using testdb::RecordedUi;

namespace toolsruntest {
// Surnames in MAIN, read through an attachment of its own.
inline QStringList surnames(const QString& databaseFile) {
    fb::Attachment db;
    db.attach(databaseFile, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    fb::Transaction tr;
    tr.start(db);
    QStringList names;
    {
        fb::Statement st(db, tr, QStringLiteral("select FAM from MAIN order by NUM_MAIN"));
        st.execute();
        while (st.fetch())
            names << st.value(0).toString();
    }
    tr.commit();
    db.detach();
    return names;
}

inline void addContact(TDM& dm, const QString& surname) {
    dm.TabMain->append();
    dm.TabMain->setValue(QStringLiteral("FAM"), surname);
    dm.TabMain->post();
}

// Every row of the list: the rows still coming are read first.
inline QStringList datasetSurnames(Dataset& d) {
    d.fetchAll();
    QStringList names;
    const int fam = d.fieldByName(QStringLiteral("FAM")).index();
    for (int r = 0; r < d.rowCount(); ++r)
        names << d.value(r, fam).toString();
    return names;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The Firebird server on the loopback address, started as its own user when none runs (another
// program's server is used as it is) and stopped again when this object goes; tests of the server
// path skip when this machine has none.
class LoopbackServer {
public:
    static bool available() { return testdb::canStartServer(); }
    // Starts the server unless one runs (or is still shutting down).
    void ensureRunning() {
        if (process_.state() != QProcess::NotRunning || testdb::serverRunning())
            return;
        testdb::startServer(process_);
    }
    ~LoopbackServer() { testdb::stopServer(process_); }

private:
    QProcess process_;
};

// A test folder whose database the connection opens through the server: the folder belongs to the
// server's user, and the settings name the "localhost:" prefix.
inline void serveFolder(const Folder& folder) {
    QVERIFY(QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("-R"), QStringLiteral("firebird:firebird"), folder.path()}) == 0);
    IniFile ini(folder.iniPath());
    ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Server"), QStringLiteral("localhost:"));
    ini.writeString(QStringLiteral("DataBase"), QStringLiteral("db"), folder.databasePath());
    ini.save();
}

// Opens the connection through the server, waiting for a server that has just been started.
inline std::unique_ptr<TDM> openServedDM(LoopbackServer& server, const Folder& folder, RecordedUi& ui) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        server.ensureRunning();
        auto dm = folder.openDM(ui);
        if (dm->IBPhones->connected())
            return dm;
        dm.reset();
        ui.messages.clear();
        ui.errors.clear();
        QTest::qWait(200);
    }
    return folder.openDM(ui);
}

inline QStringList leftoverFiles(const Folder& folder) {
    return QDir(folder.path() + QStringLiteral("db")).entryList(QDir::Files | QDir::Hidden);
}

// Writes a small file (a leftover stands in for the real thing by its name alone).
inline void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("left over");
}

// The process id of a process that has ended.
inline qint64 endedProcess() {
    QProcess p;
    p.start(QStringLiteral("/bin/true"));
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}

// The served test folders of a test program: the server is started at the first use and stopped
// when this object goes.
class ServedFolders {
public:
    // A test folder's database opened through the server.
    std::unique_ptr<TDM> open(const Folder& folder, RecordedUi& ui) {
        if (!server_)
            server_ = std::make_unique<LoopbackServer>();
        serveFolder(folder);
        return openServedDM(*server_, folder, ui);
    }
    void reset() { server_.reset(); }

private:
    std::unique_ptr<LoopbackServer> server_;
};

} // namespace toolsruntest

using namespace toolsruntest;
