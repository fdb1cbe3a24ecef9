#pragma once

#include "FbClient.h"
#include "ServerListing.h"

#include <QHash>
#include <QSet>

// The cards this program wrote to the server (uploaded, replaced or deleted) after the sync token kept
// was taken, in a table of their own (SYNC_OWN). The next listing of the changes since that token shows
// them again, and the run finds its own ETags there. A server whose token names the book's content
// (Xandikos) gives the kept token back when the book returns to that content, say a card uploaded by
// the desk is deleted on the phone before the next sync: the listing is then empty, and only this list
// says which cards to look at. Keeping it spares every run a second listing after its own uploads.
namespace cardsync {

class CardDavClient;

class OwnWrites {
public:
    OwnWrites(fb::Attachment& db, fb::Transaction& tr) : db_(db), tr_(tr) {}

    // Creates the table when missing; commits and restarts the transaction when it does.
    static void ensureTable(fb::Attachment& db, fb::Transaction& tr);

    // Reads the cards written since the token kept.
    void load();
    // Adds to a listing of the changes since the token kept the cards written since that the listing
    // does not mention, as the server has them now (changed, or removed when it answers 404).
    // Returns false when the server could not be asked; error then holds why.
    bool completeListing(ServerListing& listing, CardDavClient& client, const QUrl& book, SyncError& error);
    // A card this run wrote; stored in the run's transaction, with the card's own state.
    void wrote(const QString& href);
    // The token the run keeps now covers every write made before its listing: those are dropped,
    // this run's own stay for the next listing.
    void settled();

private:
    fb::Attachment& db_;
    fb::Transaction& tr_;
    QSet<QString> before_; // written by earlier runs
    QSet<QString> now_;    // written by this run
    std::unique_ptr<fb::Statement> insert_;
};

} // namespace cardsync
