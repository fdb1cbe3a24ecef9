#include "SyncStore.h"

#include "LocalContacts.h"
#include "SyncState.h"

namespace cardsync {

void ensureSyncTables(const DbLogin& login) {
    Connection c(login);
    createStateTables(c.db(), c.tr());
    c.commit();
}

bool hasSyncTables(const DbLogin& login) {
    Connection c(login);
    return stateTablesExist(c.db(), c.tr());
}

std::optional<SyncAccount> readAccount(const DbLogin& login) {
    Connection c(login);
    if (!stateTablesExist(c.db(), c.tr()))
        return std::nullopt;
    return SyncState(c.db(), c.tr()).account();
}

void writeAccount(const DbLogin& login, const SyncAccount& account) {
    Connection c(login);
    createStateTables(c.db(), c.tr());
    c.commit();
    SyncState state(c.db(), c.tr());
    const std::optional<SyncAccount> old = state.account();
    if (old && (old->bookUrl != account.bookUrl || old->userName != account.userName))
        state.dropCards();
    state.writeAccount(account);
    c.commit();
}

void removeAccount(const DbLogin& login) {
    Connection c(login);
    if (!stateTablesExist(c.db(), c.tr()))
        return;
    SyncState state(c.db(), c.tr());
    state.dropCards();
    state.removeAccount();
    c.commit();
}

std::vector<SyncConflict> readConflicts(const DbLogin& login) {
    Connection c(login);
    if (!stateTablesExist(c.db(), c.tr()))
        return {};
    LocalContacts local(c.db(), c.tr());
    local.load();
    std::vector<SyncConflict> out;
    for (const CardState& s : SyncState(c.db(), c.tr()).conflicts()) {
        SyncConflict k;
        k.href = s.href;
        k.deletedOnDesk = s.num < 0 || !local.contains(s.num);
        k.contact = k.deletedOnDesk ? -1 : s.num;
        k.deletedOnServer = s.serverDeleted;
        k.resolved = !s.choice.isEmpty();
        const Values desk = k.deletedOnDesk ? Values() : local.value(s.num);
        const Values server = s.serverDeleted ? Values() : fromText(s.serverValues);
        const Values base = fromText(s.synced);
        k.title = titleOf(k.deletedOnDesk ? (s.serverDeleted ? base : server) : desk);
        for (int col : differences(desk, server))
            k.columns.push_back({col, desk[col], server[col], base[col]});
        out.push_back(std::move(k));
    }
    return out;
}

void resolveConflict(const DbLogin& login, const QString& href, Side side, const QHash<int, Side>& perColumn) {
    Connection c(login);
    SyncState(c.db(), c.tr()).setChoice(href, choiceText(side, perColumn));
    c.commit();
}

} // namespace cardsync
