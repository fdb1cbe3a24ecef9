// Connecting as the settings say: Phones.ini edge cases, the login prompt, the single retry, bad
// databases, a missing client library, a database shared with another program, and a Firebird server.
#include "FirebirdServer.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

using testdb::Folder;
using testdb::RecordedUi;

namespace {} // namespace

class TstConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsEdgeCases_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("databaseName"); // "<folder>" stands for the program folder
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("prompt");
        const QString nc = kNotConfigured;
        QTest::newRow("no file") << QByteArray() << nc + "<folder>db/phones.gdb" << QString() << true;
        QTest::newRow("no Server key, empty db")
            << QByteArray("[DataBase]\ndb=\nuser=SYSDBA\n") << nc + "<folder>db/phones.gdb" << QString() << true;
        QTest::newRow("empty Server and db")
            << QByteArray("[DataBase]\nServer=\ndb=\nuser=SYSDBA\nPromt=0\npass=x\n") << "<folder>db/phones.gdb"
            << "x" << false;
        QTest::newRow("Promt 0 without pass")
            << QByteArray("[DataBase]\nServer=\nuser=SYSDBA\nPromt=0\n") << "<folder>db/phones.gdb" << nc << false;
        QTest::newRow("pass ignored while prompting") << QByteArray("[DataBase]\nServer=\nPromt=1\npass=secret\n")
                                                      << "<folder>db/phones.gdb" << QString() << true;
        QTest::newRow("remote prefix") << QByteArray("[DataBase]\nServer=localhost:\ndb=/srv/p.gdb\nPromt=0\n")
                                       << "localhost:/srv/p.gdb" << nc << false;
        QTest::newRow("garbled lines") << QByteArray("garbage\n[DataBase\n[DataBase]\nServer=\n=\nPromt=zz\n")
                                       << "<folder>db/phones.gdb" << nc << false;
    }
    void settingsEdgeCases() {
        QFETCH(QByteArray, ini);
        QFETCH(QString, databaseName);
        QFETCH(QString, password);
        QFETCH(bool, prompt);
        Folder folder;
        if (ini.isEmpty())
            QFile::remove(folder.iniPath());
        else
            QVERIFY(folder.writeIni(ini));
        const ConnectionSettings s = LoadSettings(folder.path());
        QCOMPARE(s.databaseName(), QString(databaseName).replace(QStringLiteral("<folder>"), folder.path()));
        QCOMPARE(s.password, password);
        QCOMPARE(s.loginPrompt, prompt);
    }

    void missingSettingsFileStartsWithTablesClosed() {
        Folder folder;
        QFile::remove(folder.iniPath());
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QCOMPARE(ui.messages, QStringList({QStringLiteral("Error connect to server")}));
        QCOMPARE(dm->launchCount(), 1);
        // Three logins: the first connect, its retry, and the table opening that follows.
        QCOMPARE(ui.logins, 3);
        QCOMPARE(ui.errors.size(), 1);
        for (Dataset* d : dm->tables())
            QVERIFY(!d->isOpen());
    }

    void loginCancelIsReported() {
        Folder folder;
        QVERIFY(folder.writeIni("[DataBase]\nServer=\nuser=SYSDBA\nPromt=1\n"));
        RecordedUi ui;
        ui.cancelLogin = true;
        auto dm = folder.openDM(ui);
        QCOMPARE(ui.messages, QStringList({QStringLiteral("Error connect to server")}));
        QCOMPARE(ui.errors, QStringList({QStringLiteral("Operation cancelled at user's request")}));
        QVERIFY(!dm->TabMain->isOpen());
    }

    void loginDialogValuesAreUsedForThatConnect() {
        Folder folder;
        QVERIFY(folder.writeIni("[DataBase]\nServer=\nuser=nobody\nPromt=1\n"));
        RecordedUi ui;
        ui.loginUser = QStringLiteral("SYSDBA");
        auto dm = folder.openDM(ui);
        QCOMPARE(ui.logins, 1);
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(dm->TabMain->isOpen());
        QCOMPARE(dm->settings().userName, QStringLiteral("nobody"));
    }

    void badDatabasesGiveAClearMessage_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("path does not exist") << QByteArray();
        QTest::newRow("not a database") << QByteArray("this is a text file, not a database\n").repeated(200);
    }
    void badDatabasesGiveAClearMessage() {
        QFETCH(QByteArray, content);
        Folder folder;
        QFile::remove(folder.databasePath());
        if (!content.isEmpty()) {
            QFile f(folder.databasePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QCOMPARE(ui.messages, QStringList({QStringLiteral("Error connect to server")}));
        QCOMPARE(ui.errors.size(), 1);
        QVERIFY(!ui.errors.first().isEmpty());
        QVERIFY(!dm->TabMain->isOpen());
        // The file that is not a database is left as it was.
        if (!content.isEmpty()) {
            QFile f(folder.databasePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), content);
        }
    }

    // Another program holding the embedded file open does not keep this one out: both share it.
    void databaseOpenInAnotherProgramIsShared() {
        Folder folder;
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), folder.path()});
        QVERIFY(holder.waitForReadyRead(30000));
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        holder.kill();
        holder.waitForFinished();
        QVERIFY2(ui.messages.isEmpty() && ui.errors.isEmpty(), qPrintable((ui.messages + ui.errors).join('\n')));
        for (Dataset* d : dm->tables())
            QVERIFY(d->isOpen());
    }

    void reconnectAfterDisconnect() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        dm->TabMain->append();
        dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Иванов"));
        dm->TabMain->post();
        dm->Disconnect();
        QVERIFY(!dm->TabMain->isOpen());
        // A table opened while disconnected connects first.
        dm->TabMain->open();
        QCOMPARE(dm->TabMain->rowCount(), 1);
        dm->TabMain->close();
        dm->DBConnect();
        for (Dataset* d : dm->tables())
            QVERIFY(d->isOpen());
    }

    void missingClientLibrary() {
        const QString saved = fb::libraryName();
        fb::setLibraryName(QStringLiteral("libfbclient-not-here.so.2"));
        try {
            fb::api();
            fb::setLibraryName(saved);
            QFAIL("loaded");
        } catch (const DbError& e) {
            fb::setLibraryName(saved);
            QCOMPARE(e.message(), QStringLiteral("Firebird library libfbclient-not-here.so.2 not found in the path. "
                                                 "Please install Firebird to use this functionality"));
        }
    }

    // A real Firebird server on 127.0.0.1, started here when the machine has one and we may run it.
    void remoteServer() {
        if (!testdb::canStartServer())
            QSKIP("no Firebird server to start here");
        QProcess fbServer;
        if (!testdb::serverRunning())
            QVERIFY(testdb::startServer(fbServer));
        QTemporaryDir dir(QStringLiteral("/tmp/korvane-remote-XXXXXX"));
        QVERIFY(QProcess::execute(QStringLiteral("chown"), {QStringLiteral("firebird:firebird"), dir.path()}) == 0);
        const QString file = dir.path() + QStringLiteral("/remote.gdb");
        bool created = false;
        for (int attempt = 0; attempt < 50 && !created; ++attempt) {
            try {
                schema::createDatabase(QStringLiteral("localhost:") + file,
                                       schema::readScript(QStringLiteral(":/data/schema.sql")));
                created = true;
            } catch (const DbError& e) {
                if (attempt == 49)
                    QFAIL(qPrintable(e.message()));
                QTest::qWait(200);
            }
        }
        Folder folder;
        QVERIFY(folder.writeIni("[DataBase]\nServer=localhost:\ndb=" + file.toUtf8() +
                                "\nuser=SYSDBA\npass=masterkey\nPromt=0\n"));
        {
            RecordedUi ui;
            auto dm = folder.openDM(ui);
            QVERIFY2(ui.messages.isEmpty() && ui.errors.isEmpty(), qPrintable((ui.messages + ui.errors).join('\n')));
            dm->TabMain->append();
            dm->TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Удалённый"));
            dm->TabMain->post();
            dm->Disconnect();
            auto again = folder.openDM(ui);
            QCOMPARE(again->TabMain->text(QStringLiteral("FAM")), QStringLiteral("Удалённый"));
            again->Disconnect();
        }
        // A wrong password is refused by the server with its own text.
        QVERIFY(folder.writeIni("[DataBase]\nServer=localhost:\ndb=" + file.toUtf8() +
                                "\nuser=SYSDBA\npass=wrong\nPromt=0\n"));
        RecordedUi bad;
        auto refused = folder.openDM(bad);
        QCOMPARE(bad.messages, QStringList({QStringLiteral("Error connect to server")}));
        QVERIFY(!refused->TabMain->isOpen());
        refused.reset();
        testdb::stopServer(fbServer);
    }
};

// The holder process of databaseHeldByAnotherProgram: keeps the file open until killed.
static int hold(const QString& folderPath) {
    RecordedUi ui;
    TDM dm(folderPath, ui.make());
    std::printf("open\n");
    std::fflush(stdout);
    ::pause();
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--hold")
        return hold(QString::fromLocal8Bit(argv[2]));
    TstConnection t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_connection.moc"
