#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace syncui {

// Where the sync password lives between runs: the desktop's secret store. Windows and tests see only
// this interface; a store that cannot be reached says so and the password stays in memory.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // The secret kept under the key; nothing when none is kept or the store cannot be reached.
    virtual std::optional<QString> read(const QString& key) = 0;
    // True when the store now keeps the secret.
    virtual bool write(const QString& key, const QString& secret) = 0;
    virtual void remove(const QString& key) = 0;
    // False once the store has failed to answer: later calls are not tried again in this run.
    virtual bool reachable() const = 0;
};

// The desktop's secret store through QtKeychain (Secret Service or KWallet over D-Bus). Never falls
// back to a plain file: QtKeychain's insecure fallback stays off.
class KeychainSecretStore : public SecretStore {
public:
    explicit KeychainSecretStore(QString service);
    std::optional<QString> read(const QString& key) override;
    bool write(const QString& key, const QString& secret) override;
    void remove(const QString& key) override;
    bool reachable() const override { return reachable_; }

private:
    QString service_;
    bool reachable_ = true;
};

// A store that is never there: the password is asked once per run. Used where no D-Bus session
// exists, and by tests.
class NoSecretStore : public SecretStore {
public:
    std::optional<QString> read(const QString&) override { return std::nullopt; }
    bool write(const QString&, const QString&) override { return false; }
    void remove(const QString&) override {}
    bool reachable() const override { return false; }
};

// The desktop's secret store when a D-Bus session is there, else none (the password is then asked once
// per run).
std::unique_ptr<SecretStore> desktopSecretStore();

} // namespace syncui
