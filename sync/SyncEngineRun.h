#pragma once

// The sync engine's run, shared by its three parts: the run's steps (SyncEngine.cpp), server to desk
// (SyncFromServer.cpp) and desk to server (SyncToServer.cpp). Private to the sync library.

#include "CardDavClient.h"
#include "CardIndex.h"
#include "ContactImporter.h"
#include "ContactValues.h"
#include "GroupCards.h"
#include "LocalContacts.h"
#include "OwnWrites.h"
#include "ServerListing.h"
#include "SyncEngine.h"
#include "SyncState.h"

#include <QSet>
#include <atomic>
#include <memory>
#include <optional>

namespace cardsync::engine {

using namespace exchange;

// A failed step: the run ends with this error; what each card stored before stays consistent.
struct RunFailure {
    SyncError error;
};

// The ETag kept when the server answered an upload without one: never equal to a real ETag, so the
// next listing shows the card as changed and its values, equal to the ones synced, fix the ETag.
inline const QString kUnknownEtag = QStringLiteral("?");

// The values both sides agree on, as the base of a first linking (see SyncEngine.cpp).
Values commonBase(const Values& desk, const Values& server);

class Engine {
public:
    Engine(const DbLogin& login, const QString& password, const ProgressFn& progress, const std::atomic_bool* cancel)
        : login_(login), password_(password), progress_(progress), cancel_(cancel) {}

    SyncResult run();

private:
    // The run's steps (SyncEngine.cpp).
    void execute();

    // What the run needs of the desk and the state. After a full listing, or when the group tree
    // changed (which changes paths without touching rows), everything; otherwise only the cards the
    // server listed, the cards still unsettled, and the contacts the database finds changed since their
    // last sync, so that a sync with nothing changed reads next to nothing.
    void loadDesk(const ServerListing& listing);

    // A desk contact by key, read when the run has not read it yet.
    bool onDesk(int num) { return local_->contains(num) || (index_->partial() && local_->loadOne(num)); }

    [[noreturn]] void fail(SyncError::Kind kind, const QString& message);

    void checkCancel();

    void step(int done, int total, const QString& phase);

    QUrl urlOf(const QString& href) const;

    // Cards whose data the listing did not carry, fetched with addressbook-multiget in batches.
    void fetchMissing(ServerListing& listing);

    CardState* findCard(const QString& href) { return index_->find(href); }
    // A card written to the server: kept with the card's state, committed with it.
    void wroteCard(const QString& href) { own_->wrote(href); }
    void writeCard(const CardState& c) { index_->write(c); }
    void forgetCard(const QString& href) { index_->forget(href); }

    // A desk row stored from the server: committed with the others (see above).
    void rowWritten() { ++uncommitted_; }

    void commitNow();

    // Server to desk (SyncFromServer.cpp).
    void storeServerChanges(const ServerListing& listing);

    void serverCard(const QString& href, const QString& etag, const QString& data);

    // A card the state does not know: linked to the desk contact it is (by UID, then by the duplicate
    // rule of the import) or added to the desk.
    void newServerCard(const QString& href, const QString& etag, const QString& uid, const Values& server);

    int matchOnDesk(const QString& uid, const Values& server);

    // Both sides against the values last synced: changes of different columns are merged, the same
    // column changed to different values on both sides makes a conflict and nothing is written.
    void merge(CardState c, const Values& base, const Values& desk, const Values& server, const QString& etag);

    // A desk contact's values; a photograph whose file cannot be read counts as the one last synced
    // (or, before the first sync, as the server's): it is neither uploaded nor deleted on the server.
    Values deskValues(const CardState& c, const Values* server = nullptr);

    // The bytes of a desk contact's photograph file when it holds the photograph these values name.
    QByteArray deskPhoto(int num, const Values& values);

    QString uidOf(CardState& c);

    void toConflict(CardState c, const QString& etag, const Values& server, bool serverDeleted);

    void serverRemoved(const QString& href);

    // The user's choices of conflicts (SyncFromServer.cpp).
    void applyChoices();

    // The server's photograph of a conflict chosen for the desk: the conflict kept only its digest.
    void holdServerPhoto(const CardState& c, const Values& values);

    // A conflict resolved: the card is synced with these values.
    void settle(CardState c, const Values& values, const QString& etag);

    // Desk to server (SyncToServer.cpp).
    void uploadGroupCards();

    void deleteOnServer(const CardState& c, const QString& etag);

    void uploadDeskChanges();

    // The card that replaces one the server has: the desk's values with the lines of the server's
    // card that no column holds, so that an edit on the desk does not strip what only the phone keeps
    // (its photograph, its own fields). The If-Match of the upload still guards against a change in
    // between; a card gone meanwhile gets the desk's card and meets that guard.
    QByteArray uploadCard(CardState& c, const Values& values);

    // A new card: its UID and address are stored before the request, so that a retry after a lost
    // answer finds the card (412) and links it instead of uploading a second one.
    void uploadNew(CardState c);

    DbLogin login_;
    QString password_;
    ProgressFn progress_;
    const std::atomic_bool* cancel_;
    std::unique_ptr<Connection> conn_;
    std::unique_ptr<SyncState> state_;
    std::unique_ptr<LocalContacts> local_;
    std::unique_ptr<CardDavClient> client_;
    std::unique_ptr<DuplicateFinder> finder_;
    QUrl book_;
    std::unique_ptr<CardIndex> index_;
    std::unique_ptr<GroupCards> groups_;
    SyncResult result_;
    QSet<QString> handled_; // cards whose server change this run stored
    bool clean_ = true;     // every change listed was handled: the new token may be kept
    std::unique_ptr<OwnWrites> own_;
    std::optional<qint64> watermark_; // of the change stamps; none without them
    int uncommitted_ = 0;
};

} // namespace cardsync::engine
