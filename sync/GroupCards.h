#pragma once

#include "CardDavClient.h"
#include "CardIndex.h"
#include "ContactMapping.h"
#include "FbClient.h"
#include "SyncTypes.h"

#include <QHash>
#include <QSet>
#include <QUrl>
#include <functional>

// Group cards of the address book (KIND:group in 4.0, X-ADDRESSBOOKSERVER-KIND:group in 3.0, their
// members named by MEMBER urn:uuid: lists), as phones that keep groups that way read and write them.
// The group tree also travels as each contact's CATEGORIES path; the cards carry who is in a group.
//
// A contact has one group on the desk. A contact a server group card names since the last sync moves
// into that group; one the card names no more leaves it (when it is still there). The first time a
// card is seen, a contact's own CATEGORIES win: only contacts without a group join it. Named anew by
// two cards in one sync, a contact joins the group whose path comes first.
//
// Each desk group with contacts on the server has a group card whose MEMBER list is the UIDs of those
// contacts: the server's own card of that path, else one the sync makes (UID urn:korvane:group:N),
// kept current when contacts move, and deleted when its group is gone or empty. Members the desk does
// not know (a card the desk refused) stay in the list.
namespace cardsync {

class LocalContacts;

class GroupCards {
public:
    GroupCards(fb::Attachment& db, fb::Transaction& tr, CardIndex& index, LocalContacts& local, CardDavClient& client,
               const QUrl& book, std::function<void()> commit);

    // A group card the server added or changed; its group is made on the desk at once, its members are
    // placed by applyMembers.
    void serverCard(const QString& href, const QString& etag, const exchange::ImportedContact& card);
    // Moves the desk contacts the changed cards name, before the desk's changes go up (so that the
    // moved contacts' cards carry their new CATEGORIES). Also learns the UIDs of the contacts linked
    // now, so that one the desk deletes in this run is still known when the group cards go up.
    void applyMembers();
    // Brings the group cards in line with the desk's groups. Returns the cards written; a failed
    // request ends with error set; a card changed meanwhile on the server clears clean.
    int upload(bool& clean, SyncError& error);
    // Told of every card this object wrote to the server (replaced, made or deleted), before the
    // write is committed to the state.
    void setWriteObserver(std::function<void(const QString& href)> wrote) { wrote_ = std::move(wrote); }

private:
    struct Incoming {
        QString href, etag, uid, path;
        QStringList members; // member keys (exchange::memberKey)
    };
    struct Known {
        QString path;
        QList<int> members;   // the desk contacts it named when last synced, when they fit the state
        QString digest;       // a digest of them, kept also when they do not
        bool listed = false;  // members holds them
        bool settled = false; // synced with the desk at least once
    };
    static QString digestOf(const QList<int>& members);
    static Known knownOf(const CardState& c);
    static QString syncedText(const QString& path, const QList<int>& members);
    QHash<QString, int> contactsByUid(); // member key -> NUM_MAIN of the linked cards
    void moveInto(int num, const QString& path);
    void leave(int num, const QString& path);
    QByteArray cardBody(const CardState& c, const QString& path, const QStringList& uids, bool& failed,
                        SyncError& error);

    fb::Attachment& db_;
    fb::Transaction& tr_;
    CardIndex& index_;
    LocalContacts& local_;
    CardDavClient& client_;
    QUrl book_;
    std::function<void()> commit_;
    std::function<void(const QString&)> wrote_;
    std::vector<Incoming> incoming_;
    QHash<QString, int> byUid_;
    bool byUidRead_ = false;
};

// The card with its member lines replaced by these UIDs, written the way its version names them.
QByteArray withMembers(const QByteArray& card, const QStringList& uids);

} // namespace cardsync
