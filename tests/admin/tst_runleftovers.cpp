// What runs cut short leave behind and what the messages of a run name: the leftovers of earlier
// runs removed by the next one, on the embedded path and on a server, and the user's own paths,
// readable, in every message. Also the server steps of the README.
#include "RunLeftovers.h"
#include "SchemaScript.h"
#include "ToolsRunFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TstRunLeftovers : public QObject {
    Q_OBJECT
    ServedFolders served_;
    QTemporaryDir config_; // the user's configuration folder: the notes of server restores

    std::unique_ptr<TDM> openServed(const Folder& folder, RecordedUi& ui) { return served_.open(folder, ui); }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }
    void cleanupTestCase() { served_.reset(); }

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
};

QTEST_GUILESS_MAIN(TstRunLeftovers)
#include "tst_runleftovers.moc"
