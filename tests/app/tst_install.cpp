// The installed program: `cmake --install` into a prefix, then the program from that prefix with a
// fresh home. It makes its settings and database in the home's XDG folders at the first start,
// keeps them at the next, never writes into the prefix, answers its command line without a
// display, and hands a vCard file to a copy that is already running.
#include "FbClient.h"
#include "FileHandoff.h"
#include "RunningProgram.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using runningprogram::storedSurnames;
using runningprogram::waitForOpenFile;

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

// Every file under a folder with its size and time of change, to see that nothing was written.
QStringList snapshot(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        out << QStringLiteral("%1 %2 %3").arg(fi.filePath()).arg(fi.size()).arg(fi.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

bool waitForFile(const QString& path, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (QFileInfo::exists(path))
            return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString prefix_, home_;
    QStringList prefixBefore_;

    QString program() const { return prefix_ + QStringLiteral("/bin/korvane"); }
    QString configFolder() const { return home_ + QStringLiteral("/.config/korvane/"); }
    QString database() const { return home_ + QStringLiteral("/.local/share/korvane/phones.gdb"); }
    // The program listens for files once its main window is up.
    QString handoffSocket() const { return QDir::tempPath() + u'/' + FileHandoff::serverName(configFolder()); }
    void waitUntilUp(QProcess& p) const {
        QVERIFY2(waitForFile(handoffSocket(), 60000), "the main window did not come up");
        QVERIFY(waitForOpenFile(p.processId(), database(), 10000));
    }

    // The user's environment: a fresh home with no XDG variables, a Russian locale, offscreen or no
    // display at all.
    QProcessEnvironment environment(bool display) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                 "LC_ALL", "LC_MESSAGES"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home_);
        env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    void start(QProcess& p, const QStringList& arguments = {}) const {
        p.setProcessEnvironment(environment(true));
        p.start(program(), arguments);
        QVERIFY(p.waitForStarted());
    }

    Run run(const QStringList& arguments, bool display) const {
        QProcess p;
        p.setProcessEnvironment(environment(display));
        p.start(program(), arguments);
        Run r;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static bool endsOnTerm(QProcess& p) {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        if (p.waitForFinished(15000))
            return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        p.kill();
        p.waitForFinished();
        return false;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(root_.isValid());
        prefix_ = root_.path() + QStringLiteral("/prefix");
        home_ = root_.path() + QStringLiteral("/home");
        QVERIFY(QDir().mkpath(home_));
        QProcess install;
        install.start(QStringLiteral(KORVANE_CMAKE), {QStringLiteral("--install"), QStringLiteral(KORVANE_BUILD_DIR),
                                                      QStringLiteral("--prefix"), prefix_});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        for (const char* file :
             {"bin/korvane", "bin/korvane-mkdb", "share/korvane/English.ini", "share/korvane/Custom.ini",
              "share/korvane/DBgrids.ru", "share/korvane/Phones.ini", "share/korvane/Help/korvane-en.html",
              "share/korvane/Sounds/Notify.wav", "share/applications/org.korvane.Korvane.desktop",
              "share/metainfo/org.korvane.Korvane.metainfo.xml", "share/icons/hicolor/scalable/apps/korvane.svg",
              "share/icons/hicolor/48x48/apps/korvane.png", "share/icons/hicolor/256x256/apps/korvane.png",
              "share/man/man1/korvane.1.gz"})
            QVERIFY2(QFileInfo::exists(prefix_ + u'/' + QString::fromLatin1(file)), file);
        // The program folder is not the user's: made read-only, and watched for any change.
        QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("a-w"), prefix_});
        prefixBefore_ = snapshot(prefix_);
    }

    void cleanupTestCase() {
        QCOMPARE(snapshot(prefix_), prefixBefore_);
        QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), prefix_});
    }

    void commandLineWithoutDisplay_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("Usage: korvane");
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                                 << QStringLiteral("korvane " KORVANE_VERSION);
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2
                                        << QStringLiteral("unknown option --frobnicate");
        QTest::newRow("two files") << QStringList{QStringLiteral("a.vcf"), QStringLiteral("b.vcf")} << 2
                                   << QStringLiteral("Usage: korvane");
        QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent/contacts.vcf")} << 2
                                      << QStringLiteral("cannot be read");
        QTest::newRow("not a contact file")
            << QStringList{QStringLiteral(KORVANE_NOT_CONTACTS)} << 2 << QStringLiteral("not a vCard or CSV file");
    }
    void commandLineWithoutDisplay() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        const Run r = run(arguments, false);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(printed), qPrintable(r.out + r.err));
        QVERIFY2(!QFileInfo::exists(configFolder()), "the command line made user files");
    }

    void firstStartMakesUserFiles() {
        QProcess korvane;
        start(korvane);
        waitUntilUp(korvane);
        QVERIFY(endsOnTerm(korvane));
        QFile ini(configFolder() + QStringLiteral("Phones.ini"));
        QVERIFY(ini.exists());
        QCOMPARE(ini.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("Autoloadlng=CU"));
        QVERIFY2(QFileInfo::exists(configFolder() + QStringLiteral("Grid.ini")), "the layouts were not written");
        QVERIFY(QFileInfo::exists(home_ + QStringLiteral("/.config/korvane.INI")));
    }

    // A contact saved in the user's database (as another copy of the program saves it) is there for
    // the next start, which opens the same database and replaces neither it nor the settings.
    void nextStartKeepsUserFiles() {
        {
            fb::Attachment db;
            db.attach(database(), QStringLiteral("SYSDBA"), QString());
            fb::Transaction tr;
            tr.start(db);
            fb::executeImmediate(db, tr,
                                 QStringLiteral("insert into MAIN (NUM_MAIN, FAM, GR_NUM) values "
                                                "(gen_id(GEN_MAIN, 1), 'Petrova', 1)"));
            tr.commit();
        }
        QFile ini(configFolder() + QStringLiteral("Phones.ini"));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("; the user's own line\n");
        ini.close();
        const QDateTime iniChanged = QFileInfo(ini).lastModified();

        QProcess korvane;
        start(korvane);
        waitUntilUp(korvane);
        QVERIFY(endsOnTerm(korvane));
        QCOMPARE(storedSurnames(database()), QStringList{QStringLiteral("Petrova")});
        QCOMPARE(QFileInfo(ini).lastModified(), iniChanged);
    }

    // A vCard opened while the program runs is handed to that copy: the second command ends at once.
    void fileGoesToRunningCopy() {
        QProcess first;
        start(first);
        waitUntilUp(first);
        QProcess second;
        start(second, {QStringLiteral(KORVANE_SAMPLE_VCARD)});
        QVERIFY2(second.waitForFinished(15000), "the second copy did not hand the file over");
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(endsOnTerm(first));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
