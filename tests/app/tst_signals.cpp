// kill, Ctrl+C and the end of the desktop session close the program through its normal close: the
// pending change is saved and committed, Grid.ini and the window placement are written, and the
// exit code is 0, also while a modal window is open.
#include "App.h"
#include "DMUnit.h"
#include "FormMain.h"
#include "MessageBoxes.h"
#include "RunningProgram.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <cstdio>

using testdb::Folder;

using runningprogram::storedSurnames;
using runningprogram::waitForOpenFile;

namespace {

// Runs a program offscreen with its placement file in a configuration folder of its own.
void startOffscreen(QProcess& process, const QString& program, const QStringList& arguments,
                    const QTemporaryDir& config) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
}

// A copy of the real program in the test folder, so that the folder is its program folder.
QString copyProgramInto(const Folder& folder) {
    const QString program = folder.path() + QStringLiteral("korvane");
    if (!QFile::copy(QStringLiteral(KORVANE_BINARY), program) ||
        !QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return {};
    return program;
}

// Sends the signal and waits for the end; a process still running after ten seconds is killed.
bool endsOnSignal(QProcess& process, int signalNumber) {
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    if (process.waitForFinished(10000))
        return true;
    process.kill();
    process.waitForFinished();
    return false;
}

int storedCount(const QString& databasePath, const QString& table) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("select count(*) from %1").arg(table));
    st.execute();
    return st.fetch() ? st.value(0).toInt() : -1;
}

void addContact(const QString& databasePath, const QString& fam) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("insert into MAIN (NUM_MAIN, FAM) values (gen_id(GEN_MAIN, 1), ?)"));
    st.setParam(0, fam);
    st.execute();
    tr.commit();
}

void addSignals() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

} // namespace

class TstSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The real program, copied into a program folder of its own.
    void realProgramEndsCleanly_data() { addSignals(); }
    void realProgramEndsCleanly() {
        QFETCH(int, signalNumber);
        Folder folder;
        const QString program = copyProgramInto(folder);
        QVERIFY(!program.isEmpty());
        QTemporaryDir config;
        QProcess korvane;
        korvane.setWorkingDirectory(folder.path());
        startOffscreen(korvane, program, {}, config);
        QVERIFY(korvane.waitForStarted());
        QVERIFY2(waitForOpenFile(korvane.processId(), folder.databasePath(), 30000), "the program did not start");
        QTest::qWait(1500); // the main window shows
        QVERIFY2(endsOnSignal(korvane, signalNumber), "still running after the signal");
        QCOMPARE(korvane.exitStatus(), QProcess::NormalExit);
        QCOMPARE(korvane.exitCode(), 0);
        const IniFile placement(config.path() + QStringLiteral("/korvane.INI"));
        QVERIFY(placement.hasKey(QStringLiteral("TFormMain"), QStringLiteral("NormPos")));
        QVERIFY(placement.hasKey(QStringLiteral("TFormMain"), QStringLiteral("PanelLeft_Width")));
        const IniFile grid(folder.path() + QStringLiteral("Grid.ini"));
        QVERIFY(grid.hasSection(QStringLiteral("TFormMain")));
    }

    // Closing the main window saves what is pending in any dataset, as a move of the cursor would.
    void closeSavesEveryPendingChange() {
        Folder folder;
        addContact(folder.databasePath(), QStringLiteral("Before"));
        msgbox::setResponder([](const msgbox::Shown& shown) {
            qWarning("unexpected box: %s", qPrintable(shown.text));
            return QMessageBox::Ok;
        });
        {
            KorvaneApp korvane;
            korvane.main().show();
            TDM& dm = korvane.dm();
            dm.TabMain->first();
            dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("After"));
            dm.TabScheduler->append();
            dm.TabScheduler->setValue(QStringLiteral("Contact"), QStringLiteral("Задача"));
            dm.TabJobPost->append();
            dm.TabJobPost->setValue(QStringLiteral("JpDesc"), QStringLiteral("Инженер"));
            QVERIFY(korvane.main().close());
        }
        msgbox::clearResponder();
        QCOMPARE(storedSurnames(folder.databasePath()), QStringList{QStringLiteral("After")});
        QCOMPARE(storedCount(folder.databasePath(), QStringLiteral("SCHEDULER")), 1);
        QCOMPARE(storedCount(folder.databasePath(), QStringLiteral("\"JobPost\"")), 1);
    }

    // A pending change that cannot be saved: the user hears why and goes back, or discards it.
    void closeWithUnsavableChangeAsks_data() {
        QTest::addColumn<bool>("discard");
        QTest::newRow("go back") << false;
        QTest::newRow("discard") << true;
    }
    void closeWithUnsavableChangeAsks() {
        QFETCH(bool, discard);
        Folder folder;
        addContact(folder.databasePath(), QStringLiteral("Before"));
        QList<msgbox::Shown> shown;
        msgbox::setResponder([&](const msgbox::Shown& s) {
            shown << s;
            return discard ? QMessageBox::Yes : QMessageBox::No;
        });
        {
            KorvaneApp korvane;
            korvane.main().show();
            Dataset& contacts = *korvane.dm().TabMain;
            contacts.first();
            contacts.setValue(QStringLiteral("FAM"), QString::fromUtf8("Кот \xF0\x9F\x90\x88"));
            QCOMPARE(korvane.main().close(), discard);
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.front().kind, msgbox::Kind::Question);
            QVERIFY2(shown.front().text.contains(QStringLiteral("could not be saved")), qPrintable(shown.front().text));
            QCOMPARE(korvane.main().isVisible(), !discard);
            QCOMPARE(contacts.isEditing(), !discard);
            if (!discard) {
                // Back in the program, the change can be mended and the close goes through.
                contacts.setValue(QStringLiteral("FAM"), QStringLiteral("Кот"));
                QVERIFY(korvane.main().close());
            }
        }
        msgbox::clearResponder();
        QCOMPARE(storedSurnames(folder.databasePath()),
                 QStringList{discard ? QStringLiteral("Before") : QStringLiteral("Кот")});
    }

    // A signal while the start-up shows its "Error connect to server" box ends the program too.
    void signalDuringStartUpBoxEndsTheProgram() {
        Folder folder;
        QFile::remove(folder.databasePath());
        const QString program = copyProgramInto(folder);
        QVERIFY(!program.isEmpty());
        QTemporaryDir config;
        QProcess korvane;
        startOffscreen(korvane, program, {}, config);
        QVERIFY(korvane.waitForStarted());
        QTest::qWait(4000); // the failed connects and the box
        QVERIFY2(endsOnSignal(korvane, SIGTERM), "still running after the signal");
        QCOMPARE(korvane.exitCode(), 0);
    }

    // The program's own run, with a change pending in the contact editor that is open modally.
    void pendingChangeInModalEditorIsSaved_data() { addSignals(); }
    void pendingChangeInModalEditorIsSaved() {
        QFETCH(int, signalNumber);
        Folder folder;
        addContact(folder.databasePath(), QStringLiteral("Before"));
        QTemporaryDir config;
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startOffscreen(run, QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), folder.path()}, config);
        QVERIFY(run.waitForStarted());
        QVERIFY2(run.waitForReadyRead(30000), "the program did not start");
        QCOMPARE(run.readLine().trimmed(), QByteArray("editing"));
        QVERIFY2(endsOnSignal(run, signalNumber), "still running after the signal");
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(storedSurnames(folder.databasePath()), QStringList{QStringLiteral("After")});
        QVERIFY(IniFile(folder.path() + QStringLiteral("Grid.ini")).hasSection(QStringLiteral("TFormMain")));
    }
};

// The program's run in a process of its own: once the main window is up, the surname of the first
// contact is typed and the contact editor opened modally, as a user would leave it.
static int runWithPendingChange(const QString& folderPath) {
    programfolder::setPath(folderPath);
    static QTimer* starter = nullptr;
    qAddPreRoutine([] {
        starter = new QTimer;
        starter->setSingleShot(true);
        starter->setInterval(1000);
        QObject::connect(starter, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* main = qobject_cast<TFormMain*>(w);
                if (!main || !main->isVisible())
                    continue;
                main->dm().TabMain->first();
                main->dm().TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("After"));
                std::printf("editing\n");
                std::fflush(stdout);
                main->openEditor();
                return;
            }
            starter->start();
        });
        starter->start();
    });
    char name[] = "korvane";
    char* argv[] = {name, nullptr};
    const int rc = runKorvane(1, argv);
    delete starter;
    return rc;
}

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--run")
        return runWithPendingChange(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TstSignals t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_signals.moc"
