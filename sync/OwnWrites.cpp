#include "OwnWrites.h"

#include "CardDavClient.h"

namespace cardsync {

void OwnWrites::ensureTable(fb::Attachment& db, fb::Transaction& tr) {
    fb::Statement st(db, tr, QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'SYNC_OWN'"));
    st.execute();
    if (!st.fetch() || st.value(0).toInt() > 0)
        return;
    st.close();
    fb::executeImmediate(db, tr, QStringLiteral("CREATE TABLE SYNC_OWN (HREF VARCHAR(500) NOT NULL PRIMARY KEY)"));
    tr.commit();
    tr.start(db);
}

void OwnWrites::load() {
    before_.clear();
    now_.clear();
    fb::Statement st(db_, tr_, QStringLiteral("select HREF from SYNC_OWN"));
    st.execute();
    while (st.fetch())
        before_.insert(st.value(0).toString());
}

bool OwnWrites::completeListing(ServerListing& listing, CardDavClient& client, const QUrl& book, SyncError& error) {
    if (listing.full)
        return true; // every card is listed, and what is not is gone
    QStringList unlisted;
    for (const QString& href : before_)
        if (!listing.changed.contains(href) && !listing.removed.contains(href))
            unlisted << href;
    constexpr int kBatch = 100;
    for (int i = 0; i < unlisted.size(); i += kBatch) {
        const QStringList batch = unlisted.mid(i, kBatch);
        const DavResponse r = client.multiget(book, batch);
        if (!r.ok()) {
            error = r.error;
            return false;
        }
        QSet<QString> answered;
        for (const DavEntry& e : parseMultiStatus(r.body).entries) {
            if (!batch.contains(e.href))
                continue;
            if (e.status == 404) {
                listing.removed.insert(e.href);
                answered.insert(e.href);
            } else if (!e.etag.isEmpty()) {
                listing.changed.insert(e.href, {e.etag, e.addressData});
                answered.insert(e.href);
            }
        }
        // A card the answer does not name is asked for on its own.
        for (const QString& href : batch) {
            if (answered.contains(href))
                continue;
            QUrl url = book;
            url.setPath(href, QUrl::DecodedMode);
            const DavResponse got = client.get(url);
            if (got.status == 404 || got.status == 410) {
                listing.removed.insert(href);
            } else if (got.ok()) {
                listing.changed.insert(href, {got.etag, QString::fromUtf8(got.body)});
            } else {
                error = got.error;
                return false;
            }
        }
    }
    return true;
}

void OwnWrites::wrote(const QString& href) {
    if (now_.contains(href))
        return;
    if (!insert_)
        insert_ = std::make_unique<fb::Statement>(
            db_, tr_, QStringLiteral("update or insert into SYNC_OWN (HREF) values (?) matching (HREF)"));
    insert_->setParam(0, href);
    insert_->execute();
    now_.insert(href);
}

void OwnWrites::settled() {
    fb::Statement st(db_, tr_, QStringLiteral("delete from SYNC_OWN where HREF = ?"));
    for (const QString& href : before_) {
        if (now_.contains(href))
            continue;
        st.setParam(0, href);
        st.execute();
    }
    before_.clear();
}

} // namespace cardsync
