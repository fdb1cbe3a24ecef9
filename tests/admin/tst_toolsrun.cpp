// Backup and restore through the service manager with the data module closing and reopening the
// connection: round trips, a restore over the live database, damaged backups, files in use.
#include "FirebirdServer.h"
#include "RunLeftovers.h"
#include "SchemaScript.h"
#include "TestDatabase.h"
#include "ToolsRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

// Surnames in MAIN, read through an attachment of its own.
QStringList surnames(const QString& databaseFile) {
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

void addContact(TDM& dm, const QString& surname) {
    dm.TabMain->append();
    dm.TabMain->setValue(QStringLiteral("FAM"), surname);
    dm.TabMain->post();
}

QStringList datasetSurnames(Dataset& d) {
    QStringList names;
    const int fam = d.fieldByName(QStringLiteral("FAM")).index();
    for (int r = 0; r < d.rowCount(); ++r)
        names << d.value(r, fam).toString();
    return names;
}

QByteArray readAll(const QString& path) {
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
void serveFolder(const Folder& folder) {
    QVERIFY(QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("-R"), QStringLiteral("firebird:firebird"), folder.path()}) == 0);
    IniFile ini(folder.iniPath());
    ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Server"), QStringLiteral("localhost:"));
    ini.writeString(QStringLiteral("DataBase"), QStringLiteral("db"), folder.databasePath());
    ini.save();
}

// Opens the connection through the server, waiting for a server that has just been started.
std::unique_ptr<TDM> openServedDM(LoopbackServer& server, const Folder& folder, RecordedUi& ui) {
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

QStringList leftoverFiles(const Folder& folder) {
    return QDir(folder.path() + QStringLiteral("db")).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

// Writes a small file (a leftover stands in for the real thing by its name alone).
void touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("left over");
}

// The process id of a process that has ended.
qint64 endedProcess() {
    QProcess p;
    p.start(QStringLiteral("/bin/true"));
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}

class TstToolsRun : public QObject {
    Q_OBJECT
    std::unique_ptr<LoopbackServer> server_;
    QTemporaryDir config_; // the user's configuration folder: the notes of server restores

    // A test folder's database opened through the server, which is started at the first use.
    std::unique_ptr<TDM> openServed(const Folder& folder, RecordedUi& ui) {
        if (!server_)
            server_ = std::make_unique<LoopbackServer>();
        serveFolder(folder);
        return openServedDM(*server_, folder, ui);
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
    void cleanupTestCase() { server_.reset(); }

    // Files that runs cut short left beside the database and beside backups go at the next backup
    // or restore; a file some process still has open stays, and so does anything not of a run's
    // naming.
    void leftoversOfEarlierRunsGo_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("backup") << false;
        QTest::newRow("restore") << true;
    }
    void leftoversOfEarlierRunsGo() {
        QFETCH(bool, restore);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        addContact(*dm, QStringLiteral("Kept"));
        const QString db = folder.path() + QStringLiteral("db/");
        const QString backup = folder.path() + QStringLiteral("copy.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        const QStringList gone{db + QStringLiteral(".phones.gdb.0123abcd.new"),
                               folder.path() + QStringLiteral(".copy.gbk.89abcdef.new")};
        const QStringList stay{db + QStringLiteral(".phones.gdb.new"), db + QStringLiteral(".other.gdb.0123abcd.new"),
                               db + QStringLiteral("phones.gdb.0123abcd.new"),
                               db + QStringLiteral(".phones.gdb.0123abcd.new.keep")};
        for (const QString& f : gone + stay)
            touch(f);
        const QString held = db + QStringLiteral(".phones.gdb.fedcba98.new");
        touch(held);
        QFile holder(held);
        QVERIFY(holder.open(QIODevice::ReadOnly)); // a run still writing it
        QVERIFY(servicerun::fileOpenAnywhere(held));
        QVERIFY(!servicerun::fileOpenAnywhere(gone[0]));

        if (restore)
            ToolsRun(*dm).restore(backup, folder.databasePath(), {});
        else
            ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        for (const QString& f : gone)
            QVERIFY2(!QFile::exists(f), qPrintable(f));
        for (const QString& f : stay)
            QVERIFY2(QFile::exists(f), qPrintable(f));
        QVERIFY(QFile::exists(held));
        QCOMPARE(surnames(folder.databasePath()), QStringList{QStringLiteral("Kept")});
        holder.close();
        ToolsRun(*dm).removeLeftovers();
        QVERIFY(!QFile::exists(held));
    }

    // Every message of a failed run names the user's own file, readable, never the hidden name of
    // the run's new file, whatever the characters of the path.
    void messagesNameTheUsersPath_data() {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("database"); // under the test folder; empty: the connection's
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("named"); // the file the message must name
        QTest::newRow("backup into a missing folder")
            << false << QString() << QStringLiteral("нет папки/файл.gbk") << QStringLiteral("нет папки/файл.gbk");
        QTest::newRow("restore from a missing backup")
            << true << QStringLiteral("база данных/новая.gdb") << QStringLiteral("копии/нет.gbk")
            << QStringLiteral("копии/нет.gbk");
        QTest::newRow("restore into a missing folder")
            << true << QStringLiteral("нет папки/база.gdb") << QStringLiteral("копия.gbk")
            << QStringLiteral("нет папки/база.gdb");
    }
    void messagesNameTheUsersPath() {
        QFETCH(bool, restore);
        QFETCH(QString, database);
        QFETCH(QString, backup);
        QFETCH(QString, named);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QDir().mkpath(folder.path() + QStringLiteral("база данных"));
        ToolsRun(*dm).backup(folder.databasePath(), folder.path() + QStringLiteral("копия.gbk"), {});
        const QString databaseFile = database.isEmpty() ? folder.databasePath() : folder.path() + database;
        QStringList lines;
        const auto sink = [&lines](const QString& l) { lines << l; };
        try {
            if (restore)
                ToolsRun(*dm).restore(folder.path() + backup, databaseFile, sink);
            else
                ToolsRun(*dm).backup(databaseFile, folder.path() + backup, sink);
            QFAIL("the run did not fail");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(folder.path() + named), qPrintable(e.message()));
            QVERIFY2(!e.message().contains(QStringLiteral(".new")), qPrintable(e.message()));
        }
        for (const QString& l : lines)
            QVERIFY2(!l.contains(QStringLiteral(".new")), qPrintable(l));
    }

    // The progress lines of a run that succeeds name the user's files too.
    void progressNamesTheUsersPath() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        const QString backup = folder.path() + QStringLiteral("копии/файл.gbk");
        QDir().mkpath(folder.path() + QStringLiteral("копии"));
        QStringList lines;
        ToolsRun(*dm).backup(folder.databasePath(), backup, [&lines](const QString& l) { lines << l; });
        const QString restored = folder.path() + QStringLiteral("копии/база.gdb");
        ToolsRun(*dm).restore(backup, restored, [&lines](const QString& l) { lines << l; });
        QVERIFY(!lines.isEmpty());
        for (const QString& l : lines) {
            QVERIFY2(!l.contains(QStringLiteral(".new")), qPrintable(l));
            QVERIFY2(!l.contains(QStringLiteral("Рє")) && !l.contains(QStringLiteral("Р°")), qPrintable(l));
        }
        QVERIFY2(!lines.filter(restored).isEmpty() || !lines.filter(backup).isEmpty(), qPrintable(lines.join(u'\n')));
    }

    void serviceManagerOfTheConnectionsKind_data() {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("service");
        QTest::newRow("embedded") << QString() << "service_mgr";
        QTest::newRow("host") << "localhost:"
                              << "localhost:service_mgr";
        QTest::newRow("host and port") << "db.example.org/3051:"
                                       << "db.example.org/3051:service_mgr";
    }
    void serviceManagerOfTheConnectionsKind() {
        QFETCH(QString, prefix);
        QFETCH(QString, service);
        QCOMPARE(servicerun::serviceManagerName(prefix), service);
    }

    // Edits of the run are in the backup (the disconnect commits them); a restore to a new path gives
    // the same rows, and the connection is open again afterwards.
    void backupThenRestoreToNewPath() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY(dm->TabMain->isOpen());
        addContact(*dm, QStringLiteral("Иванов"));
        addContact(*dm, QStringLiteral("O'Brien \"quoted\""));
        dm->TabMain->edit();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Петров"));
        const QString backup = folder.path() + QStringLiteral("copy.gbk");
        QStringList lines;
        ToolsRun(*dm).backup(folder.databasePath(), backup, [&](const QString& l) { lines << l; });
        QVERIFY(QFileInfo(backup).size() > 0);
        QVERIFY2(!lines.isEmpty(), "the service's progress lines reach the window");
        QVERIFY(dm->IBPhones->connected());
        QVERIFY(dm->TabMain->isOpen());
        // No file of our own naming is left behind.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".new")),
                 QStringList());

        const QString copy = folder.path() + QStringLiteral("restored.gdb");
        ToolsRun(*dm).restore(backup, copy, {});
        QCOMPARE(surnames(copy), surnames(folder.databasePath()));
        QCOMPARE(surnames(copy), (QStringList{QStringLiteral("Иванов"), QStringLiteral("Петров")}));
        QVERIFY(dm->TabMain->isOpen());
    }

    // A restore over the database the connection uses replaces it; the reconnect reads the
    // restored rows into the shared datasets.
    void restoreOverTheLiveDatabase() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        addContact(*dm, QStringLiteral("Backed up"));
        const QString backup = folder.path() + QStringLiteral("live.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        addContact(*dm, QStringLiteral("Added later"));
        QCOMPARE(datasetSurnames(*dm->TabMain),
                 (QStringList{QStringLiteral("Backed up"), QStringLiteral("Added later")}));
        const auto permissions = QFile::permissions(folder.databasePath());

        ToolsRun(*dm).restore(backup, folder.databasePath(), {});
        QVERIFY(dm->TabMain->isOpen());
        QCOMPARE(datasetSurnames(*dm->TabMain), QStringList{QStringLiteral("Backed up")});
        QCOMPARE(QFile::permissions(folder.databasePath()), permissions);
        QCOMPARE(ui.errors, QStringList());
    }

    // A damaged backup: the restore fails with the server's text, the connection stays closed, and
    // the old database is still there and opens with its rows.
    void damagedBackupLeavesTheDatabase_data() {
        QTest::addColumn<int>("keepPercent");
        QTest::newRow("truncated to a half") << 50;
        QTest::newRow("truncated to a tenth") << 10;
        QTest::newRow("empty file") << 0;
        QTest::newRow("not a backup at all") << -1;
    }
    void damagedBackupLeavesTheDatabase() {
        QFETCH(int, keepPercent);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        addContact(*dm, QStringLiteral("Kept"));
        const QString backup = folder.path() + QStringLiteral("damaged.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        {
            QFile f(backup);
            if (keepPercent >= 0) {
                QVERIFY(f.resize(f.size() * keepPercent / 100));
            } else {
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QByteArray junk;
                for (int i = 0; i < 20000; ++i)
                    junk.append(char((i * 7919) % 251));
                f.write(junk);
            }
        }
        addContact(*dm, QStringLiteral("Also kept"));
        try {
            ToolsRun(*dm).restore(backup, folder.databasePath(), {});
            QFAIL("a damaged backup was restored");
        } catch (const DbError& e) {
            QVERIFY(!e.message().isEmpty());
            QVERIFY2(!e.message().contains(QStringLiteral(".new")), qPrintable(e.message()));
        }
        QVERIFY(!dm->IBPhones->connected());
        QVERIFY(!dm->TabMain->isOpen());
        QCOMPARE(surnames(folder.databasePath()), (QStringList{QStringLiteral("Kept"), QStringLiteral("Also kept")}));
        QCOMPARE(QDir(folder.path() + QStringLiteral("db")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("phones.gdb")});
        // A later command opens the connection again.
        dm->DBConnect();
        QCOMPARE(datasetSurnames(*dm->TabMain), (QStringList{QStringLiteral("Kept"), QStringLiteral("Also kept")}));
    }

    // Empty boxes fail with the server's message and leave the connection closed.
    void emptyBoxes_data() {
        QTest::addColumn<bool>("restore");
        QTest::addColumn<bool>("emptyDatabase");
        QTest::newRow("backup, empty backup box") << false << false;
        QTest::newRow("backup, empty database box") << false << true;
        QTest::newRow("restore, empty backup box") << true << false;
        QTest::newRow("restore, empty database box") << true << true;
    }
    void emptyBoxes() {
        QFETCH(bool, restore);
        QFETCH(bool, emptyDatabase);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        const QString database = emptyDatabase ? QStringLiteral("  ") : folder.databasePath();
        const QString backup = emptyDatabase ? folder.path() + QStringLiteral("x.gbk") : QString();
        try {
            if (restore)
                ToolsRun(*dm).restore(backup, database, {});
            else
                ToolsRun(*dm).backup(database, backup, {});
            QFAIL("the run went through with an empty box");
        } catch (const DbError& e) {
            QVERIFY2(!e.message().isEmpty(), "the server's message");
            qInfo() << e.message();
        }
        QVERIFY(!dm->IBPhones->connected());
        QVERIFY(!dm->TabMain->isOpen());
        QVERIFY(QFileInfo(folder.databasePath()).size() > 0);
    }

    // A database file that another attachment holds is never replaced: the embedded engine would
    // truncate it under the other program.
    void targetInUseIsLeftUntouched() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        addContact(*dm, QStringLiteral("Old"));
        const QString backup = folder.path() + QStringLiteral("b.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        addContact(*dm, QStringLiteral("Newer"));
        dm->Disconnect();
        fb::Attachment other;
        other.attach(folder.databasePath(), QStringLiteral("SYSDBA"), QString());
        QVERIFY(servicerun::fileInUse(folder.databasePath()));
        const QByteArray before = readAll(folder.databasePath());
        try {
            ToolsRun(*dm).restore(backup, folder.databasePath(), {});
            QFAIL("a database in use was replaced");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("in use")), qPrintable(e.message()));
        }
        other.detach();
        QVERIFY(!servicerun::fileInUse(folder.databasePath()));
        QCOMPARE(surnames(folder.databasePath()), (QStringList{QStringLiteral("Old"), QStringLiteral("Newer")}));
        Q_UNUSED(before);
    }

    // A backup that fails does not spoil an older backup of the same name.
    void failedBackupKeepsTheOldBackup() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        const QString backup = folder.path() + QStringLiteral("keep.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        const QByteArray good = readAll(backup);
        QVERIFY(!good.isEmpty());
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 ToolsRun(*dm).backup(folder.path() + QStringLiteral("missing.gdb"), backup, {}));
        QCOMPARE(readAll(backup), good);
    }

    // A backup named like the database it reads is refused; the database stays whole.
    void backupOverTheDatabaseItself() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        addContact(*dm, QStringLiteral("Safe"));
        const QString sameFile = folder.path() + QStringLiteral("db/../db/phones.gdb");
        QVERIFY_THROWS_EXCEPTION(DbError, ToolsRun(*dm).backup(folder.databasePath(), sameFile, {}));
        QCOMPARE(surnames(folder.databasePath()), QStringList{QStringLiteral("Safe")});
    }

    // Through a server: a damaged backup restored over the database the connection uses fails
    // while the database is still whole (it stays as it was and opens with its rows); a good one
    // replaces it and the reconnect shows the backup's rows. No file of the run is left behind.
    void restoreOverTheLiveDatabaseOnTheServer_data() {
        QTest::addColumn<int>("keepPercent");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("whole backup") << 100 << true;
        QTest::newRow("truncated to nine tenths") << 90 << false;
        QTest::newRow("truncated to a half") << 50 << false;
        QTest::newRow("truncated to a tenth") << 10 << false;
        QTest::newRow("empty file") << 0 << false;
        QTest::newRow("not a backup at all") << -1 << false;
    }
    void restoreOverTheLiveDatabaseOnTheServer() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        QFETCH(int, keepPercent);
        QFETCH(bool, replaced);
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        const QString served = QStringLiteral("localhost:") + folder.databasePath();
        for (int i = 0; i < 300; ++i) // enough rows that a cut falls inside the data
            addContact(*dm, QStringLiteral("Backed up %1").arg(i));
        const QStringList backedUp = surnames(served);
        const QString backup = folder.path() + QStringLiteral("served.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        QVERIFY(QFileInfo(backup).size() > 0);
        if (keepPercent < 100) {
            QFile f(backup);
            if (keepPercent >= 0) {
                QVERIFY(f.resize(f.size() * keepPercent / 100));
            } else {
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QByteArray junk;
                for (int i = 0; i < 20000; ++i)
                    junk.append(char((i * 7919) % 251));
                f.write(junk);
            }
        }
        addContact(*dm, QStringLiteral("Added later"));
        const QStringList live = surnames(served);
        QCOMPARE(live.size(), backedUp.size() + 1);

        QStringList lines;
        try {
            ToolsRun(*dm).restore(backup, folder.databasePath(), [&](const QString& l) { lines << l; });
            QVERIFY2(replaced, "a damaged backup was restored");
        } catch (const DbError& e) {
            QVERIFY2(!replaced, qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("left as it was")), qPrintable(e.message()));
            QVERIFY2(!e.message().contains(QStringLiteral(".new")), qPrintable(e.message()));
            qInfo() << e.message();
        }
        QCOMPARE(leftoverFiles(folder), QStringList{QStringLiteral("phones.gdb")});
        if (replaced) {
            QVERIFY(dm->TabMain->isOpen());
            QCOMPARE(datasetSurnames(*dm->TabMain), backedUp);
            QCOMPARE(surnames(served), backedUp);
        } else {
            QVERIFY(!dm->IBPhones->connected());
            QCOMPARE(surnames(served), live);
            dm->DBConnect();
            QVERIFY(dm->TabMain->isOpen());
            QCOMPARE(datasetSurnames(*dm->TabMain), live);
        }
        dm->Disconnect();
    }

    // Through a server: the trial database of a restore cut short (its process gone) is dropped by
    // the next backup or restore; one whose run may still go on is left. Each run notes its trial
    // before it starts and crosses it out when done.
    void serverTrialsOfEarlierRunsGo() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        addContact(*dm, QStringLiteral("Served"));
        const QString backup = folder.path() + QStringLiteral("s.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        const servicerun::ServiceLogin login{servicerun::serviceManagerName(QStringLiteral("localhost:")),
                                             QStringLiteral("SYSDBA"), QStringLiteral("masterkey")};
        const QString db = folder.path() + QStringLiteral("db/");
        const QString cut = db + QStringLiteral(".phones.gdb.0badf00d.new");
        const QString going = db + QStringLiteral(".phones.gdb.600d600d.new");
        for (const QString& trial : {cut, going})
            servicerun::runService(login, servicerun::restoreRequest(backup, trial, servicerun::kRestoreCreate),
                                   servicerun::RunKind::Restore, {});
        {
            QFile notes(servicerun::trialNotesPath());
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write(QByteArray::number(endedProcess()) + "\tlocalhost:\t" + cut.toUtf8() + '\n');
            notes.write("1\tlocalhost:\t" + going.toUtf8() + '\n'); // a process that lives
        }
        QVERIFY(QFile::exists(cut) && QFile::exists(going));
        int notedDuringRun = 0;
        ToolsRun(*dm).restore(backup, folder.databasePath(), [&](const QString&) {
            notedDuringRun = std::max(notedDuringRun, int(servicerun::notedTrials().size()));
        });
        QVERIFY(!QFile::exists(cut));
        QVERIFY(QFile::exists(going));
        QCOMPARE(notedDuringRun, 2); // the live one and this run's own
        QCOMPARE(servicerun::notedTrials().size(), 1);
        QCOMPARE(servicerun::notedTrials().front().path, going);
        QCOMPARE(datasetSurnames(*dm->TabMain), QStringList{QStringLiteral("Served")});
        // Once its process is gone, the next backup drops it too.
        {
            QFile notes(servicerun::trialNotesPath());
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write(QByteArray::number(endedProcess()) + "\tlocalhost:\t" + going.toUtf8() + '\n');
        }
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        QVERIFY(!QFile::exists(going));
        QVERIFY(servicerun::notedTrials().isEmpty());
        QCOMPARE(leftoverFiles(folder), QStringList{QStringLiteral("phones.gdb")});
        dm->Disconnect();
    }

    // Through a server too, the messages name the user's paths readably: the server hands back
    // the bytes of the names it was given, in UTF-8.
    void serverMessagesNameTheUsersPath() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        const QString backup = folder.path() + QStringLiteral("нет папки/файл.gbk");
        const QString missing = folder.path() + QStringLiteral("копии/нет.gbk");
        for (const bool restore : {false, true}) {
            QStringList lines;
            try {
                if (restore)
                    ToolsRun(*dm).restore(missing, folder.databasePath(), [&lines](const QString& l) { lines << l; });
                else
                    ToolsRun(*dm).backup(folder.databasePath(), backup, [&lines](const QString& l) { lines << l; });
                QFAIL("the run did not fail");
            } catch (const DbError& e) {
                QVERIFY2(e.message().contains(restore ? missing : backup), qPrintable(e.message()));
                QVERIFY2(!e.message().contains(QStringLiteral(".new")), qPrintable(e.message()));
            }
            for (const QString& l : lines)
                QVERIFY2(!l.contains(QStringLiteral(".new")), qPrintable(l));
            dm->DBConnect();
        }
        QCOMPARE(leftoverFiles(folder), QStringList{QStringLiteral("phones.gdb")});
        dm->Disconnect();
    }

    // The README's server steps: a user of the server creates a database through it (as
    // korvane-mkdb does) once SYSDBA has granted it CREATE DATABASE, given while connected to any
    // database of the server; before the grant the server refuses.
    void serverUserCreatesADatabaseAfterTheGrant() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        dm->Disconnect();
        const QString user = QStringLiteral("KORVANE_MKDB");
        const QString password = QStringLiteral("secret");
        fb::Attachment admin;
        admin.attach(QStringLiteral("localhost:") + folder.databasePath(), QStringLiteral("SYSDBA"),
                     QStringLiteral("masterkey"));
        const auto run = [&admin](const QString& sql) {
            fb::Transaction tr;
            tr.start(admin);
            fb::executeImmediate(admin, tr, sql);
            tr.commit();
        };
        try {
            run(QStringLiteral("drop user %1").arg(user));
        } catch (const DbError&) {
        }
        run(QStringLiteral("create user %1 password '%2'").arg(user, password));
        const QString target = QStringLiteral("localhost:") + folder.path() + QStringLiteral("db/own.gdb");
        const QString script = schema::readScript(QStringLiteral(":/data/schema.sql"));
        try {
            schema::createDatabase(target, script, user, password);
            QFAIL("the server created a database without the grant");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("no permission for CREATE access to DATABASE")),
                     qPrintable(e.message()));
        }
        run(QStringLiteral("grant create database to user %1").arg(user));
        try {
            schema::createDatabase(target, script, user, password);
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.message()));
        }
        {
            fb::Attachment own;
            own.attach(target, user, password);
            fb::Transaction tr;
            tr.start(own);
            {
                fb::Statement st(own, tr, QStringLiteral("select MON$OWNER from MON$DATABASE"));
                st.execute();
                QVERIFY(st.fetch());
                QCOMPARE(st.value(0).toString().trimmed(), user); // the user owns the database
            }
            tr.commit();
            own.drop();
        }
        run(QStringLiteral("revoke create database from user %1").arg(user));
        run(QStringLiteral("drop user %1").arg(user));
        admin.detach();
    }

    // Through a server: a database that another connection uses is not replaced, the failure says
    // so, and no file of the run is left behind.
    void restoreOnTheServerOverADatabaseInUse() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        const QString served = QStringLiteral("localhost:") + folder.databasePath();
        addContact(*dm, QStringLiteral("Old"));
        const QString backup = folder.path() + QStringLiteral("b.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        addContact(*dm, QStringLiteral("Newer"));
        {
            fb::Attachment other;
            other.attach(served, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            try {
                ToolsRun(*dm).restore(backup, folder.databasePath(), {});
                QFAIL("a database in use was replaced");
            } catch (const DbError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("in use")), qPrintable(e.message()));
                qInfo() << e.message();
            }
            QCOMPARE(surnames(served), (QStringList{QStringLiteral("Old"), QStringLiteral("Newer")}));
            other.detach();
        }
        QCOMPARE(leftoverFiles(folder), QStringList{QStringLiteral("phones.gdb")});
        dm->DBConnect();
        QCOMPARE(datasetSurnames(*dm->TabMain), (QStringList{QStringLiteral("Old"), QStringLiteral("Newer")}));
        dm->Disconnect();
    }

    // What the server path leans on when another connection arrives between the trial run and the
    // replace: the server refuses to replace a database in use, says so, and leaves it whole.
    void serverRefusesToReplaceADatabaseInUse() {
        if (!LoopbackServer::available())
            QSKIP("no Firebird server to start here");
        Folder folder;
        RecordedUi ui;
        auto dm = openServed(folder, ui);
        QVERIFY2(dm->IBPhones->connected(), qPrintable((ui.messages + ui.errors).join(u'\n')));
        const QString served = QStringLiteral("localhost:") + folder.databasePath();
        addContact(*dm, QStringLiteral("Held"));
        const QString backup = folder.path() + QStringLiteral("h.gbk");
        ToolsRun(*dm).backup(folder.databasePath(), backup, {});
        addContact(*dm, QStringLiteral("Still held"));
        dm->Disconnect();
        fb::Attachment other;
        other.attach(served, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        const servicerun::ServiceLogin login{servicerun::serviceManagerName(QStringLiteral("localhost:")),
                                             QStringLiteral("SYSDBA"), QStringLiteral("masterkey")};
        try {
            servicerun::runService(
                login, servicerun::restoreRequest(backup, folder.databasePath(), servicerun::kRestoreReplace),
                servicerun::RunKind::Restore, {});
            QFAIL("the server replaced a database in use");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("in use")), qPrintable(e.message()));
        }
        QCOMPARE(surnames(served), (QStringList{QStringLiteral("Held"), QStringLiteral("Still held")}));
        other.detach();
    }

    // Names beside a path on a server keep its folder and notation; an alias has no folder.
    void newNamesBesideAServerPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("unix") << "/var/lib/db/phones.gdb"
                              << "/var/lib/db/.phones.gdb.";
        QTest::newRow("windows") << "C:\\Data\\Phones.gdb"
                                 << "C:\\Data\\.Phones.gdb.";
        QTest::newRow("alias") << "phones" << QString();
        QTest::newRow("folder only") << "/var/lib/db/" << QString();
    }
    void newNamesBesideAServerPath() {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        const QString name = servicerun::newNameBeside(path);
        if (folder.isEmpty()) {
            QCOMPARE(name, QString());
            return;
        }
        QVERIFY2(name.startsWith(folder) && name.endsWith(QStringLiteral(".new")), qPrintable(name));
        QVERIFY(name != servicerun::newNameBeside(path));
    }

    // The progress lines reach the calling thread in order while it keeps its events going.
    void runOffThreadDeliversLinesAndFailures() {
        QStringList got;
        runOffThread(
            [](const servicerun::LineSink& sink) {
                for (int i = 0; i < 5; ++i)
                    sink(QString::number(i));
            },
            [&](const QString& l) { got << l; });
        QCOMPARE(got, (QStringList{"0", "1", "2", "3", "4"}));
        QVERIFY_THROWS_EXCEPTION(DbError, runOffThread([](const servicerun::LineSink&) { throw DbError("x"); }, {}));
    }
};

QTEST_GUILESS_MAIN(TstToolsRun)
#include "tst_toolsrun.moc"
