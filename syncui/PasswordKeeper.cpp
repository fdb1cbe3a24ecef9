#include "PasswordKeeper.h"

namespace syncui {

std::optional<QString> PasswordKeeper::known(const QString& account) {
    const auto it = memory_.constFind(account);
    if (it != memory_.constEnd())
        return *it;
    if (const auto stored = store_.read(account); stored && !stored->isEmpty()) {
        memory_.insert(account, *stored);
        return *stored;
    }
    return std::nullopt;
}

bool PasswordKeeper::remember(const QString& account, const QString& password) {
    memory_.insert(account, password);
    return store_.write(account, password);
}

void PasswordKeeper::forget(const QString& account) {
    memory_.remove(account);
    store_.remove(account);
}

QString accountKey(const QString& server, const QString& user) {
    return user + u'@' + server.trimmed();
}

} // namespace syncui
