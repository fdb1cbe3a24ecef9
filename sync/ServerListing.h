#pragma once

#include "CardDavClient.h"

#include <QHash>
#include <QSet>

// What changed in an address book since the last sync: sync-collection (RFC 6578) with the token
// kept, a full listing when there is none or the server refuses it, PROPFIND when the server has no
// sync-collection at all.
namespace cardsync {

struct ListedCard {
    QString etag;
    QString data; // the card, when the server sent it with the listing
};

struct ServerListing {
    QHash<QString, ListedCard> changed; // by path; a full listing holds every card
    QSet<QString> removed;              // paths the server reports gone
    QString token;                      // the token to keep for the next sync; empty when none
    bool full = false;                  // every card is listed: what is not listed is gone
    SyncError error;
};

// withData: ask for the cards' data too (servers that ignore it give ETags only).
ServerListing listServer(CardDavClient& client, const QUrl& book, const QString& token, bool withData);

} // namespace cardsync
