// Backup and restore through the service manager with the data module closing and reopening the
// connection: round trips, a restore over the live database, damaged backups, files in use.
#include "TestDatabase.h"
#include "ToolsRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

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

} // namespace

class TstToolsRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
