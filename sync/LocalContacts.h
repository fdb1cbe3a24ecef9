#pragma once

#include "ContactValues.h"
#include "DeskPhotos.h"
#include "FbClient.h"
#include "ImportPlan.h"
#include "SyncState.h"
#include "SyncTypes.h"

#include <QHash>
#include <memory>
#include <optional>
#include <utility>

// The contacts of the database as the sync sees them, read and written on the sync's own
// connection and transaction.
namespace cardsync {

class LocalContacts {
public:
    LocalContacts(fb::Attachment& db, fb::Transaction& tr);
    ~LocalContacts();

    // Reads every contact and the group tree.
    void load();
    // Reads the group tree and only the contacts named (the ones a sync with few changes needs).
    void loadSome(const QList<int>& nums);
    // Reads one more contact; false when there is none with that key.
    bool loadOne(int num);
    const QHash<int, Values>& all() const { return contacts_; }
    bool contains(int num) const { return contacts_.contains(num); }
    Values value(int num) const { return contacts_.value(num); }
    // The group tree as paths.
    const exchange::GroupPaths& groups() const { return groups_; }

    // Stores a contact; a missing group path is created level by level. Returns the new key.
    int insert(const Values& values);
    void update(int num, const Values& values);
    // Keeps the values a contact was synced with in SYNC_DESK, in the columns of the contact itself,
    // so the database can compare them with the contact (changedSinceSync); forgetSynced drops them.
    void rememberSynced(int num, const Values& values);
    void forgetSynced(int num);
    // The contacts that differ from the values last synced, new ones among them, as the database
    // finds them column by column: a sync with nothing changed reads none of them.
    QList<int> changedSinceSync();
    // Limits changedSinceSync to the contacts the database stamped from the mark on; none compares
    // every contact (a database without the stamps, the first sync after they came).
    void setChangesSince(const std::optional<DeskMark>& mark) { since_ = mark; }
    // The transactions of this sync that wrote contacts or groups: their rows hold the values stored
    // as synced, so the next sync leaves them out.
    // Called before each commit of the sync's transaction: notes it as the sync's own when it wrote
    // a contact or a group.
    void beforeCommit();
    // A write of this transaction leaves a contact other than its values stored as synced (a group card
    // moved it): the transaction is then not the sync's own, and the next sync compares its rows.
    void wroteUnsynced() { unsynced_ = true; }
    const QList<qint64>& ownTransactions() const { return ownTransactions_; }
    // The cards whose contact is gone from the desk.
    QStringList cardsOfDeletedContacts();
    // A digest of the group tree as read, with the groups this run created: a renamed or moved group
    // changes the paths of its contacts without touching their rows, and anyone else's change to the
    // tree makes the next sync compare every contact.
    QString groupsSignature() const;
    void remove(int num);
    // Creates the groups of a path that are missing (a group card of the server).
    void ensureGroup(const QString& path);
    // The photograph files: a contact's FOTOLINK slot holds the digest of its file's picture.
    DeskPhotos& photos() { return photos_; }
    QString photoPath(int num) const { return photoPaths_.value(num); }

private:
    QVariant groupOf(const QString& path);
    fb::Statement& prepared(std::unique_ptr<fb::Statement>& slot, const QString& sql);
    fb::Attachment& db_;
    fb::Transaction& tr_;
    QHash<int, Values> contacts_;
    exchange::GroupPaths groups_;
    // Prepared once: the first sync of a large book stores thousands of rows.
    std::unique_ptr<fb::Statement> mainKey_, insert_, update_, selectOne_, remember_;
    void loadGroups();
    Values valuesOfStatement(fb::Statement& st);
    std::vector<exchange::GroupRow> groupRows_;
    DeskPhotos photos_;
    QHash<int, QString> photoPaths_; // FOTOLINK of the contacts read or written
    QVariant photoColumn(int num, const Values& values);
    std::optional<DeskMark> since_;
    bool written_ = false;
    bool unsynced_ = false;
    QList<qint64> ownTransactions_;
};

// The watermark of the database's change stamps, read before the sync's snapshot starts; the stamps
// are added to an older database first. None when the database has no stamps (it refused them): the
// sync then compares every contact.
std::optional<qint64> deskWatermark(fb::Attachment& db);

// A connection of the sync's own with one transaction, rolled back unless committed.
class Connection {
public:
    // pageBuffers: the page cache of the connection (see fb::Attachment::setPageBuffers).
    explicit Connection(const DbLogin& login, int pageBuffers = 0);
    fb::Attachment& db() { return db_; }
    fb::Transaction& tr() { return tr_; }
    // Commits and starts the next transaction.
    void commit();

private:
    fb::Attachment db_;
    fb::Transaction tr_;
};

} // namespace cardsync
