// The sync password: kept in the desktop's secret store when one answers, else asked once per run and
// kept in memory only; never in a file, also when the store is missing or broken.
#include "PasswordKeeper.h"
#include "SecretStore.h"

#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace syncui;

namespace {

// Every file under the folder whose bytes hold the text (in UTF-8 or UTF-16).
QStringList filesHolding(const QString& folder, const QString& text) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        if (bytes.contains(text.toUtf8()) ||
            bytes.contains(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)))
            found << f.fileName();
    }
    return found;
}

} // namespace

class TestSyncPassword : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(home_.isValid());
        // Settings files of any kind would land here.
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (home_.path() + QStringLiteral("/data")).toUtf8());
        QStandardPaths::setTestModeEnabled(false);
    }

    void withoutStoreAskedOncePerRun() {
        NoSecretStore store;
        PasswordKeeper keeper(store);
        const QString key = accountKey(QStringLiteral("dav.example.org"), QStringLiteral("anna"));
        QVERIFY(!keeper.known(key).has_value());                  // must be asked
        QVERIFY(!keeper.remember(key, QStringLiteral("s3cret"))); // no store keeps it
        QCOMPARE(keeper.known(key).value_or(QString()), QStringLiteral("s3cret"));
        QVERIFY(!keeper.storeReachable());
        // An empty password typed is a password known: a server without login is not asked again.
        const QString open = accountKey(QStringLiteral("open.example.org"), QStringLiteral("guest"));
        keeper.remember(open, QString());
        QVERIFY(keeper.known(open).has_value());
        keeper.forget(key);
        QVERIFY(!keeper.known(key).has_value());
        // A new run knows nothing.
        PasswordKeeper nextRun(store);
        QVERIFY(!nextRun.known(open).has_value());
    }

    // No session bus: the program does not try the keychain at all.
    void noSessionBusMeansNoStore() {
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        const auto store = desktopSecretStore();
        QVERIFY(!store->reachable());
        if (!saved.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    }

    // A session bus that leads nowhere: the keychain fails, is not asked again in this run, and its
    // plain-file fallback stays off: the password is in no file afterwards.
    void brokenStoreWritesNoFile() {
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home_.path().toUtf8() + "/no-bus");
        const QString secret = QStringLiteral("Pw-keychain-%1").arg(QCoreApplication::applicationPid());
        {
            KeychainSecretStore store(QStringLiteral("Korvane CardDAV test"));
            PasswordKeeper keeper(store);
            const QString key = accountKey(QStringLiteral("127.0.0.1"), QStringLiteral("anna"));
            QVERIFY(!keeper.remember(key, secret));
            QVERIFY(!keeper.storeReachable());
            QCOMPARE(keeper.known(key).value_or(QString()), secret);
        }
        if (saved.isEmpty())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
        const QStringList holding = filesHolding(home_.path(), secret);
        QVERIFY2(holding.isEmpty(), qPrintable(holding.join(u' ')));
    }

private:
    QTemporaryDir home_;
};

QTEST_MAIN(TestSyncPassword)
#include "tst_sync_password.moc"
