#pragma once

#include "SyncTypes.h"

#include <optional>

// The account, the state of every synced card and the conflict list, kept in tables of their own in
// the contact database (SYNC_ACCOUNT, SYNC_CARD), so every copy of the program and every machine on a
// server database shares one state. Each function opens a connection of its own and commits before
// it returns; a DbError is thrown when the database fails.
namespace cardsync {

// Creates the sync tables when they are missing (the first set-up of sync); nothing else changes.
void ensureSyncTables(const DbLogin& db);
bool hasSyncTables(const DbLogin& db);

// The account; nothing when none is set up.
std::optional<SyncAccount> readAccount(const DbLogin& db);
// Stores the account. A different address book than before drops the state of the old one (the
// next sync then matches what exists on both sides instead of doubling it).
void writeAccount(const DbLogin& db, const SyncAccount& account);
// Removes the account and every state of it; the contacts stay.
void removeAccount(const DbLogin& db);

// The contacts waiting for a choice.
std::vector<SyncConflict> readConflicts(const DbLogin& db);
// Chooses the side of one contact; perColumn overrides the side for single columns (an
// exchange::Column, GR_NUM for the group path). The choice is carried out by the next sync, which the
// window may start at once.
void resolveConflict(const DbLogin& db, const QString& href, Side side, const QHash<int, Side>& perColumn = {});

} // namespace cardsync
