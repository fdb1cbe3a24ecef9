#pragma once

#include "ContactValues.h"
#include "FbClient.h"
#include "ImportPlan.h"
#include "SyncTypes.h"

#include <QHash>
#include <memory>

// The contacts of the database as the sync sees them, read and written on the sync's own
// connection and transaction.
namespace cardsync {

class LocalContacts {
public:
    LocalContacts(fb::Attachment& db, fb::Transaction& tr);
    ~LocalContacts();

    // Reads every contact and the group tree.
    void load();
    const QHash<int, Values>& all() const { return contacts_; }
    bool contains(int num) const { return contacts_.contains(num); }
    Values value(int num) const { return contacts_.value(num); }
    // The group tree as paths.
    const exchange::GroupPaths& groups() const { return groups_; }

    // Stores a contact; a missing group path is created level by level. Returns the new key.
    int insert(const Values& values);
    void update(int num, const Values& values);
    void remove(int num);
    // Creates the groups of a path that are missing (a group card of the server).
    void ensureGroup(const QString& path);

private:
    QVariant groupOf(const QString& path);
    fb::Attachment& db_;
    fb::Transaction& tr_;
    QHash<int, Values> contacts_;
    exchange::GroupPaths groups_;
};

// A connection of the sync's own with one transaction, rolled back unless committed.
class Connection {
public:
    explicit Connection(const DbLogin& login);
    fb::Attachment& db() { return db_; }
    fb::Transaction& tr() { return tr_; }
    // Commits and starts the next transaction.
    void commit();

private:
    fb::Attachment db_;
    fb::Transaction tr_;
};

} // namespace cardsync
