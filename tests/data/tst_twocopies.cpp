// Two copies of the program on one database: a save never overwrites unseen what the other copy
// saved, both copies can open one embedded file at once, a change still pending is saved before the
// program ends, and credentials beyond ASCII reach the server intact.
#include "FirebirdServer.h"
#include "TestDatabase.h"

#include <QProcess>
#include <QTest>
#include <cstdio>
#include <iostream>
#include <string>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

// The row as the database holds it, read through a third attachment.
QStringList storedRow(const QString& databaseName, int key) {
    fb::Attachment db;
    db.attach(databaseName, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("select FAM, FIRST_NAME, NOTES from MAIN where NUM_MAIN = ?"));
    st.setParam(0, key);
    st.execute();
    if (!st.fetch())
        return {};
    return {st.value(0).toString(), st.value(1).toString(), st.value(2).toString()};
}

} // namespace

class TstTwoCopies : public QObject {
    Q_OBJECT

    testdb::FirebirdServer* server_ = nullptr;

    // A program folder whose Phones.ini opens the embedded file or a database on the server.
    bool prepare(Folder& folder, const QString& path, QString* databaseName) {
        if (path == QLatin1String("embedded")) {
            *databaseName = folder.databasePath();
            return true;
        }
        if (!server_->available())
            return false;
        QString error;
        const QString file = server_->createDatabase(&error);
        if (file.isEmpty()) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        // A settings file that cannot be written fails the test (QVERIFY without its return).
        if (!QTest::qVerify(folder.writeIni("[DataBase]\nServer=localhost:\ndb=" + file.toUtf8() +
                                            "\nuser=SYSDBA\npass=masterkey\nPromt=0\n"),
                            "folder.writeIni", "", __FILE__, __LINE__))
            return false;
        *databaseName = QStringLiteral("localhost:") + file;
        return true;
    }

    static void addPaths() {
        QTest::addColumn<QString>("path");
        QTest::newRow("embedded") << QStringLiteral("embedded");
        QTest::newRow("server") << QStringLiteral("server");
    }

private Q_SLOTS:
    void initTestCase() { server_ = new testdb::FirebirdServer; }
    void cleanupTestCase() { delete server_; }

    void saveRefusedWhenAnotherCopyChangedTheRow_data() { addPaths(); }
    void saveRefusedWhenAnotherCopyChangedTheRow() {
        QFETCH(QString, path);
        Folder folder;
        QString databaseName;
        if (!prepare(folder, path, &databaseName))
            QSKIP("no Firebird server to use here");
        RecordedUi uiA, uiB;
        auto a = folder.openDM(uiA);
        auto b = folder.openDM(uiB);
        QVERIFY2(uiA.errors.isEmpty() && uiB.errors.isEmpty(), qPrintable((uiA.errors + uiB.errors).join('\n')));
        Dataset& ta = *a->TabMain;
        Dataset& tb = *b->TabMain;
        ta.append();
        ta.setValue(QStringLiteral("FAM"), QStringLiteral("Jones"));
        ta.setValue(QStringLiteral("FIRST_NAME"), QStringLiteral("Bob"));
        ta.post();
        const int key = ta.value(QStringLiteral("NUM_MAIN")).toInt();
        tb.refresh();
        QVERIFY(tb.locate(QStringLiteral("NUM_MAIN"), key));

        // Copy B renames and saves; copy A, without re-reading, changes only the first name.
        tb.setValue(QStringLiteral("FAM"), QStringLiteral("Jones-B"));
        tb.post();
        ta.setValue(QStringLiteral("FIRST_NAME"), QStringLiteral("Robert"));
        try {
            ta.post();
            QFAIL("the save overwrote the other copy's change");
        } catch (const RowConflictError& e) {
            QVERIFY(!e.rowDeleted());
            QVERIFY2(e.message().contains(QStringLiteral("changed by another user")), qPrintable(e.message()));
        }
        // Nothing was written; the typed value is still pending.
        QCOMPARE(storedRow(databaseName, key), QStringList({"Jones-B", "Bob", ""}));
        QCOMPARE(ta.state(), Dataset::State::Edit);
        QCOMPARE(ta.text(QStringLiteral("FIRST_NAME")), QStringLiteral("Robert"));

        // A re-read shows the other copy's values and keeps the typed one; saving again works.
        ta.refresh();
        QCOMPARE(ta.state(), Dataset::State::Edit);
        QCOMPARE(ta.text(QStringLiteral("FAM")), QStringLiteral("Jones-B"));
        QCOMPARE(ta.text(QStringLiteral("FIRST_NAME")), QStringLiteral("Robert"));
        ta.post();
        QCOMPARE(storedRow(databaseName, key), QStringList({"Jones-B", "Robert", ""}));

        // Only changed columns are written: B, still holding the old first name, changes the notes.
        tb.setValue(QStringLiteral("NOTES"), QStringLiteral("from B"));
        QVERIFY_THROWS_EXCEPTION(RowConflictError, tb.post());
        tb.refresh();
        tb.post();
        QCOMPARE(storedRow(databaseName, key), QStringList({"Jones-B", "Robert", "from B"}));
        a->Disconnect();
        b->Disconnect();
    }

    void saveRefusedWhenAnotherCopyDeletedTheRow_data() { addPaths(); }
    void saveRefusedWhenAnotherCopyDeletedTheRow() {
        QFETCH(QString, path);
        Folder folder;
        QString databaseName;
        if (!prepare(folder, path, &databaseName))
            QSKIP("no Firebird server to use here");
        RecordedUi uiA, uiB;
        auto a = folder.openDM(uiA);
        auto b = folder.openDM(uiB);
        Dataset& ta = *a->TabMain;
        Dataset& tb = *b->TabMain;
        ta.append();
        ta.setValue(QStringLiteral("FAM"), QStringLiteral("Smith"));
        ta.post();
        const int key = ta.value(QStringLiteral("NUM_MAIN")).toInt();
        tb.refresh();
        QVERIFY(tb.locate(QStringLiteral("NUM_MAIN"), key));
        tb.deleteCurrent();
        ta.setValue(QStringLiteral("FAM"), QStringLiteral("Smyth"));
        try {
            ta.post();
            QFAIL("a deleted row was saved");
        } catch (const RowConflictError& e) {
            QVERIFY(e.rowDeleted());
            QVERIFY2(e.message().contains(QStringLiteral("deleted by another user")), qPrintable(e.message()));
        }
        QCOMPARE(ta.state(), Dataset::State::Edit);
        QVERIFY(storedRow(databaseName, key).isEmpty());
        ta.refresh();
        QCOMPARE(ta.state(), Dataset::State::Browse);
        QVERIFY(!ta.locate(QStringLiteral("NUM_MAIN"), key));
        a->Disconnect();
        b->Disconnect();
    }

    // Another connection holds an unsaved change of the row: the same clear refusal, not the
    // server's lock text, and the change goes through once the other side is done.
    void saveRefusedWhileAnotherConnectionHoldsTheRow_data() { addPaths(); }
    void saveRefusedWhileAnotherConnectionHoldsTheRow() {
        QFETCH(QString, path);
        Folder folder;
        QString databaseName;
        if (!prepare(folder, path, &databaseName))
            QSKIP("no Firebird server to use here");
        RecordedUi ui;
        auto a = folder.openDM(ui);
        Dataset& ta = *a->TabMain;
        ta.append();
        ta.setValue(QStringLiteral("FAM"), QStringLiteral("Brown"));
        ta.post();
        const int key = ta.value(QStringLiteral("NUM_MAIN")).toInt();
        {
            fb::Attachment other;
            other.attach(databaseName, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            fb::Transaction tr;
            tr.start(other);
            fb::executeImmediate(other, tr,
                                 QStringLiteral("update MAIN set MID_NAME = 'x' where NUM_MAIN = %1").arg(key));
            ta.setValue(QStringLiteral("FAM"), QStringLiteral("Browne"));
            try {
                ta.post();
                QFAIL("saved over a row held by another connection");
            } catch (const RowConflictError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("another user")), qPrintable(e.message()));
            }
            QCOMPARE(ta.text(QStringLiteral("FAM")), QStringLiteral("Browne"));
            tr.rollback();
        }
        ta.post();
        QCOMPARE(storedRow(databaseName, key).first(), QStringLiteral("Browne"));
        a->Disconnect();
    }

    // Two programs on one embedded file: each opens it without a word and sees the other's saved
    // rows after a re-read.
    void twoProcessesShareOneEmbeddedFile() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY2(ui.messages.isEmpty() && ui.errors.isEmpty(), qPrintable((ui.messages + ui.errors).join('\n')));
        dm->TabMain->append();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Первый"));
        dm->TabMain->post();

        QProcess copy;
        copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--copy"), folder.path()});
        auto ask = [&copy](const QByteArray& command) {
            copy.write(command + '\n');
            while (!copy.canReadLine())
                if (!copy.waitForReadyRead(30000))
                    return QByteArray("timeout");
            return copy.readLine().trimmed();
        };
        QVERIFY(copy.waitForStarted());
        QCOMPARE(ask("count"), QByteArray("rows=1 errors=0"));
        QCOMPARE(ask("add"), QByteArray("ok"));
        dm->TabMain->refresh();
        QCOMPARE(dm->TabMain->rowCount(), 2);
        QVERIFY(dm->TabMain->locate(QStringLiteral("FAM"), QStringLiteral("Второй")));
        dm->TabMain->append();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Третий"));
        dm->TabMain->post();
        QCOMPARE(ask("count"), QByteArray("rows=3 errors=0"));
        copy.write("quit\n");
        QVERIFY(copy.waitForFinished(30000));
        QCOMPARE(copy.exitCode(), 0);
        dm->Disconnect();
    }

    // At the end of a run every dataset's pending change is saved as a move of the cursor would
    // save it; an unchanged new row is dropped.
    void pendingChangesOfEveryDatasetAreSaved() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        dm->TabMain->append();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Old"));
        dm->TabMain->post();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("New"));
        dm->TabScheduler->append();
        dm->TabScheduler->setValue(QStringLiteral("Contact"), QStringLiteral("Task"));
        dm->TabJobPost->append();
        dm->TabJobPost->setValue(QStringLiteral("JpDesc"), QStringLiteral("Инженер"));
        dm->TabBusinessLine->append(); // nothing typed: dropped
        int failures = 0;
        QVERIFY(dm->IBPhones->savePendingChanges([&failures](Dataset&, const DbError&) {
            ++failures;
            return false;
        }));
        QCOMPARE(failures, 0);
        dm->Disconnect();
        auto again = folder.openDM(ui);
        QCOMPARE(again->TabMain->text(QStringLiteral("FAM")), QStringLiteral("New"));
        QCOMPARE(again->TabScheduler->rowCount(), 1);
        QCOMPARE(again->TabScheduler->text(QStringLiteral("Contact")), QStringLiteral("Task"));
        QCOMPARE(again->TabJobPost->rowCount(), 1);
        QCOMPARE(again->TabBusinessLine->rowCount(), 0);
        again->Disconnect();
    }

    void failedPendingSaveIsDecidedByTheCaller_data() {
        QTest::addColumn<bool>("discard");
        QTest::newRow("go back") << false;
        QTest::newRow("discard") << true;
    }
    void failedPendingSaveIsDecidedByTheCaller() {
        QFETCH(bool, discard);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        dm->TabMain->append();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Кот"));
        dm->TabMain->post();
        dm->TabMain->setValue(QStringLiteral("FAM"), QString::fromUtf8("Кот \xF0\x9F\x90\x88")); // not storable
        QStringList asked;
        const bool done = dm->IBPhones->savePendingChanges([&](Dataset& d, const DbError& e) {
            asked << d.objectName() + u':' + e.message();
            return discard;
        });
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().startsWith(QStringLiteral("TabMain:")));
        QCOMPARE(done, discard);
        QCOMPARE(dm->TabMain->isEditing(), !discard);
        dm->TabMain->cancel();
        dm->Disconnect();
    }

    // The service manager takes the credentials in the same form (backup of the embedded file).
    void serviceManagerAttachesWithUtf8Credentials() {
        Folder folder;
        const QString backup = folder.path() + QStringLiteral("копия.gbk");
        fb::Service svc;
        try {
            svc.attach(QStringLiteral("service_mgr"), QStringLiteral("SYSDBA"), QStringLiteral("пароль"));
            svc.startBackup(folder.databasePath(), backup, true);
            bool finished = false;
            for (int i = 0; i < 100000 && !finished; ++i)
                svc.queryLine(&finished);
            svc.detach();
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QVERIFY(QFileInfo(backup).size() > 0);
    }

    // Credentials beyond ASCII, set on the server, connect.
    void nonAsciiCredentialsConnectToTheServer_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("cyrillic password") << QStringLiteral("KORVANE_PW") << QStringLiteral("пароль");
        QTest::newRow("cyrillic user") << QStringLiteral("ИВАНОВ") << QStringLiteral("Ёлка-2");
    }
    void nonAsciiCredentialsConnectToTheServer() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        Folder folder;
        QString databaseName;
        if (!prepare(folder, QStringLiteral("server"), &databaseName))
            QSKIP("no Firebird server to use here");
        {
            fb::Attachment admin;
            admin.attach(databaseName, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            // User management takes effect at commit: one transaction per statement.
            auto run = [&admin](const QString& sql) {
                fb::Transaction tr;
                tr.start(admin);
                fb::executeImmediate(admin, tr, sql);
                tr.commit();
            };
            try {
                run(QStringLiteral("drop user \"%1\"").arg(user));
            } catch (const DbError&) {
            }
            try {
                run(QStringLiteral("create user \"%1\" password '%2'").arg(user, password));
                run(QStringLiteral("grant all on MAIN to user \"%1\"").arg(user));
            } catch (const DbError& e) {
                QFAIL(qPrintable(e.message()));
            }
        }
        IniFile ini(folder.iniPath());
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("user"), user);
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("pass"), password);
        QVERIFY(ini.save());
        fb::Attachment db;
        try {
            db.attach(databaseName, user, password);
        } catch (const DbError& e) {
            QFAIL(qPrintable(e.message()));
        }
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr, QStringLiteral("select CURRENT_USER from RDB$DATABASE"));
        st.execute();
        QVERIFY(st.fetch());
        QCOMPARE(st.value(0).toString().trimmed(), user);
        tr.commit();
        db.detach();
        // A wrong password is still refused.
        fb::Attachment wrong;
        QVERIFY_THROWS_EXCEPTION(DbError, wrong.attach(databaseName, user, password + u'x'));
    }
};

// The second copy of twoProcessesShareOneEmbeddedFile: answers one line per command.
static int secondCopy(const QString& folderPath) {
    RecordedUi ui;
    TDM dm(folderPath, ui.make());
    std::string line;
    while (std::getline(std::cin, line)) {
        try {
            if (line == "count") {
                dm.TabMain->refresh();
                std::printf("rows=%d errors=%d\n", dm.TabMain->rowCount(),
                            static_cast<int>(ui.errors.size() + ui.messages.size()));
            } else if (line == "add") {
                dm.TabMain->append();
                dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Второй"));
                dm.TabMain->post();
                std::printf("ok\n");
            } else if (line == "quit") {
                break;
            }
        } catch (const DbError& e) {
            std::printf("error %s\n", e.what());
        }
        std::fflush(stdout);
    }
    dm.Disconnect();
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--copy")
        return secondCopy(QString::fromLocal8Bit(argv[2]));
    TstTwoCopies t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_twocopies.moc"
