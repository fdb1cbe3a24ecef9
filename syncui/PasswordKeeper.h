#pragma once

#include "SecretStore.h"

#include <QHash>
#include <QString>

namespace syncui {

// The sync password of an account for this run: from the secret store when one answers, else asked
// once and kept in this object's memory until the program ends. Never written to a file.
class PasswordKeeper {
public:
    explicit PasswordKeeper(SecretStore& store) : store_(store) {}

    // The password known for the account (possibly empty, as typed); nothing when it must be asked.
    std::optional<QString> known(const QString& account);
    // Keeps the password the user typed: in the store when it answers, in memory for this run always.
    // True when the store keeps it for later runs.
    bool remember(const QString& account, const QString& password);
    void forget(const QString& account);
    // True when passwords survive the run (a store answered).
    bool storeReachable() const { return store_.reachable(); }

private:
    SecretStore& store_;
    QHash<QString, QString> memory_;
};

// The key under which an account's password is kept: the user at the server.
QString accountKey(const QString& server, const QString& user);

} // namespace syncui
