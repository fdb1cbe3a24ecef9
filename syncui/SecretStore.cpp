#include "SecretStore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace syncui {

namespace {

// A secret store that does not answer within this time is taken as absent for the rest of the run,
// so that a hung D-Bus service never freezes the window twice.
constexpr int kStoreTimeoutMs = 5000;

// Runs a keychain job to its end; false when it failed for want of a store or did not answer.
bool runJob(QKeychain::Job& job, bool& reachable) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kStoreTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        reachable = false;
        return false;
    }
    switch (job.error()) {
    case QKeychain::NoError:
        return true;
    case QKeychain::EntryNotFound:
        return false;
    default:
        // No backend, access denied, D-Bus missing: the store is not there for this run.
        reachable = false;
        return false;
    }
}

} // namespace

KeychainSecretStore::KeychainSecretStore(QString service) : service_(std::move(service)) {}

std::optional<QString> KeychainSecretStore::read(const QString& key) {
    if (!reachable_)
        return std::nullopt;
    QKeychain::ReadPasswordJob job(service_);
    job.setKey(key);
    if (!runJob(job, reachable_))
        return std::nullopt;
    return job.textData();
}

bool KeychainSecretStore::write(const QString& key, const QString& secret) {
    if (!reachable_)
        return false;
    QKeychain::WritePasswordJob job(service_);
    job.setKey(key);
    job.setTextData(secret);
    return runJob(job, reachable_);
}

void KeychainSecretStore::remove(const QString& key) {
    if (!reachable_)
        return;
    QKeychain::DeletePasswordJob job(service_);
    job.setKey(key);
    runJob(job, reachable_);
}

std::unique_ptr<SecretStore> desktopSecretStore() {
    // Without a session bus QtKeychain has nothing to talk to, and Qt would try to start one.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return std::make_unique<NoSecretStore>();
    return std::make_unique<KeychainSecretStore>(QStringLiteral("Korvane CardDAV"));
}

} // namespace syncui
