#pragma once

#include "FbClient.h"
#include "SyncTypes.h"

#include <memory>
#include <optional>

// The sync tables: the account with its sync token (SYNC_ACCOUNT), one row per card of the address
// book (SYNC_CARD), the values each contact was synced with (SYNC_DESK) and the row whose lock says a
// sync is running (SYNC_LOCK).
namespace cardsync {

// What is known of one card of the address book.
struct CardState {
    QString href; // its path on the server
    int num = -1; // the contact it is linked to; -1 for none (a group card)
    QString uid;
    QString etag;   // the ETag of the version last synced; empty while an upload is unconfirmed
    QString synced; // the values last synced (ContactValues' text); empty while never synced
    bool group = false;
    // The conflict list: the server's side kept until the user chooses.
    bool conflict = false;
    QString serverEtag;
    QString serverValues;
    bool serverDeleted = false;
    QString choice; // the user's choice (choiceText), carried out by the next sync
};

// What the last sync saw of the desk: every contact whose row was last written by a transaction older
// than the watermark (the oldest transaction active when that sync began to read), and its own writes.
// The next sync compares only the contacts stamped with a transaction from the watermark on, less the
// sync's own transactions, whose rows it stored with their synced values.
struct DeskMark {
    qint64 watermark = 0;
    QList<qint64> ownTransactions;
};

bool stateTablesExist(fb::Attachment& db, fb::Transaction& tr);
// Creates the tables when missing; commits and restarts the transaction.
void createStateTables(fb::Attachment& db, fb::Transaction& tr);
// Adds the columns later versions need to tables made by an earlier one; commits when it does.
void upgradeStateTables(fb::Attachment& db, fb::Transaction& tr);

class SyncState {
public:
    SyncState(fb::Attachment& db, fb::Transaction& tr) : db_(db), tr_(tr) {}

    std::optional<SyncAccount> account();
    void writeAccount(const SyncAccount& account);
    void removeAccount();
    QString token();
    void setToken(const QString& token);

    std::vector<CardState> cards();
    std::vector<CardState> conflicts();
    // The cards a sync must look at whatever changed: conflicts and uploads not yet confirmed.
    std::vector<CardState> unsettled();
    std::optional<CardState> card(const QString& href);
    std::optional<CardState> cardOf(int num);
    // The desk's watermark of the last sync that compared every contact it had to (see DeskMark);
    // none when the database has no change stamps or no such sync ran yet.
    std::optional<DeskMark> deskMark();
    void setDeskMark(const std::optional<DeskMark>& mark);
    // The digest of the group tree at the end of the last sync.
    QString groupsSignature();
    void setGroupsSignature(const QString& signature);
    void write(const CardState& card); // inserts or replaces the row of its href
    void remove(const QString& href);
    void dropCards(); // every card row and the token
    void setChoice(const QString& href, const QString& choice);

private:
    fb::Attachment& db_;
    fb::Transaction& tr_;
    std::unique_ptr<fb::Statement> write_; // prepared once: a first sync writes a row per card
    std::unique_ptr<fb::Statement> byHref_, byNum_;
};

// The choice of a conflict as kept: the side of the contact, then the columns that take the other.
QString choiceText(Side side, const QHash<int, Side>& perColumn);
Side choiceFor(const QString& choice, int column);

// The lock that lets one sync at a time run on a database: an update of the one SYNC_LOCK row in a
// transaction of its own, held while the run lasts. A second run's update meets the first one's and
// fails at once; a crashed run's transaction dies with its connection, so the lock never outlives it.
class RunLock {
public:
    explicit RunLock(const DbLogin& login);
    bool taken() const { return taken_; }

private:
    fb::Attachment db_;
    fb::Transaction tr_;
    bool taken_ = false;
};

} // namespace cardsync
