// Backup and restore through the service manager with the data module closing and reopening the
// connection: round trips, a restore over the live database, damaged backups, files in use.
#include "ToolsRunFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

class TstToolsRun : public QObject {
    Q_OBJECT
    ServedFolders served_;
    QTemporaryDir config_; // the user's configuration folder: the notes of server restores

    std::unique_ptr<TDM> openServed(const Folder& folder, RecordedUi& ui) { return served_.open(folder, ui); }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
    void cleanupTestCase() { served_.reset(); }

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
