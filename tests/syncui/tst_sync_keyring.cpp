// The sync password in a real desktop secret store: a private D-Bus session with gnome-keyring's
// Secret Service, started by the test. The password survives into the next run and stands in no
// file as plain text. Skipped where dbus-daemon or gnome-keyring-daemon is not installed.
#include "PasswordKeeper.h"
#include "SecretStore.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace syncui;

class TestSyncKeyring : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty())
            QSKIP("dbus-daemon or gnome-keyring-daemon is not installed");
        QVERIFY(home_.isValid());
        for (const char* sub : {"/data", "/config", "/run"})
            QDir().mkpath(home_.path() + QLatin1String(sub));
        QFile::setPermissions(home_.path() + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_DATA_HOME", (home_.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", (home_.path() + QStringLiteral("/run")).toUtf8());
        // The session bus, before anything in this process talks to D-Bus.
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        QVERIFY(bus_.waitForReadyRead(10000));
        const QByteArray address = bus_.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        // The keyring, unlocked with a password of its own (the desktop's login does this).
        keyring_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        keyring_.start(
            QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        QVERIFY(keyring_.waitForStarted());
        keyring_.write("keyring-unlock");
        keyring_.closeWriteChannel();
        QTest::qWait(1000);
    }
    void cleanupTestCase() {
        for (QProcess* p : {&keyring_, &bus_})
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                p->waitForFinished(3000);
            }
    }

    void desktopStoreKeepsItForTheNextRun() {
        const auto store = desktopSecretStore();
        const QString key = accountKey(QStringLiteral("dav.example.org"), QStringLiteral("anna"));
        const QString secret = QStringLiteral("Pw-desktop-%1").arg(QCoreApplication::applicationPid());
        {
            PasswordKeeper keeper(*store);
            QVERIFY2(keeper.remember(key, secret), "the desktop's store keeps it");
            QVERIFY(keeper.storeReachable());
        }
        PasswordKeeper nextRun(*store);
        QCOMPARE(nextRun.known(key).value_or(QString()), secret);
        // Stored encrypted by the keyring: the text is in no file.
        QDirIterator it(home_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly))
                QVERIFY2(!f.readAll().contains(secret.toUtf8()), qPrintable(f.fileName()));
        }
        nextRun.forget(key);
        PasswordKeeper afterForget(*store);
        QVERIFY(!afterForget.known(key).has_value());
    }

private:
    QTemporaryDir home_;
    QProcess bus_;
    QProcess keyring_;
};

QTEST_MAIN(TestSyncKeyring)
#include "tst_sync_keyring.moc"
