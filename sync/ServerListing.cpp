#include "ServerListing.h"

namespace cardsync {

namespace {

const QByteArray kEtags = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/><d:resourcetype/></d:prop></d:propfind>";

bool isCard(const QString& href, const QUrl& book) {
    return !href.endsWith(u'/') && href != book.path();
}

void take(ServerListing& out, const MultiStatus& ms, const QUrl& book) {
    for (const DavEntry& e : ms.entries) {
        if (!isCard(e.href, book))
            continue;
        if (e.status == 404)
            out.removed.insert(e.href);
        else if (!e.etag.isEmpty())
            out.changed.insert(e.href, {e.etag, e.addressData});
    }
}

} // namespace

ServerListing listServer(CardDavClient& client, const QUrl& book, const QString& token, bool withData) {
    ServerListing out;
    DavResponse r = client.syncCollection(book, token, withData);
    bool full = token.isEmpty();
    if (!full && (r.status == 403 || r.status == 409 || r.status >= 500)) {
        // The token is refused (403 valid-sync-token; some servers answer 500): one full sync.
        r = client.syncCollection(book, QString(), withData);
        full = true;
    }
    if (r.ok()) {
        const MultiStatus ms = parseMultiStatus(r.body);
        if (!ms.valid) {
            out.error.kind = SyncError::Protocol;
            out.error.message = errorOfStatus(0, book, "sync-collection").message;
            return out;
        }
        take(out, ms, book);
        out.token = ms.syncToken;
        out.full = full;
        return out;
    }
    if (r.error.kind != SyncError::Forbidden && r.error.kind != SyncError::Protocol && r.status != 501 &&
        r.status != 400 && r.status != 405) {
        out.error = r.error;
        return out;
    }
    // No sync-collection: every card with its ETag, compared with the ones kept.
    DavResponse p = client.propfind(book, 1, kEtags);
    if (!p.ok()) {
        out.error = p.error;
        return out;
    }
    take(out, parseMultiStatus(p.body), book);
    out.full = true;
    return out;
}

} // namespace cardsync
