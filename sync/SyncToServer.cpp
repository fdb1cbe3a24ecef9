// Desk to server: the desk's changes, deletes and group cards uploaded.
#include "SyncEngineRun.h"

#include "ForeignLines.h"
#include "SyncTexts.h"

#include <QUuid>
#include <algorithm>

namespace cardsync::engine {

void Engine::uploadGroupCards() {
    checkCancel();
    bool clean = true;
    SyncError error;
    const int written = groups_->upload(clean, error);
    if (error.failed())
        throw RunFailure{error};
    clean_ = clean_ && clean;
    result_.counts.groupCards += written;
}

void Engine::deleteOnServer(const CardState& c, const QString& etag) {
    DavResponse r = client_->remove(urlOf(c.href), etag);
    if (r.status == 412) {
        clean_ = false;
        return;
    }
    if (!r.ok() && r.status != 404)
        throw RunFailure{r.error};
    forgetCard(c.href);
    ++result_.counts.deletedServer;
    wroteCard(c.href);
    commitNow();
}

void Engine::uploadDeskChanges() {
    // Cards whose server change was stored above were merged with the desk's change there.
    std::vector<CardState> work;
    for (const CardState& c : index_->all())
        if (!c.conflict && !c.group && c.num >= 0 && !handled_.contains(c.href))
            work.push_back(c);
    std::vector<int> fresh;
    for (auto it = local_->all().begin(); it != local_->all().end(); ++it)
        if (!index_->linked(it.key()))
            fresh.push_back(it.key());
    std::sort(fresh.begin(), fresh.end());
    const int total = int(work.size() + fresh.size());
    int done = 0;
    for (CardState& c : work) {
        if (++done % 200 == 0)
            step(done, total, texts::phaseStoring());
        if (c.synced.isEmpty()) {
            if (local_->contains(c.num))
                uploadNew(c); // an upload a stopped run had begun
            else
                forgetCard(c.href);
            continue;
        }
        if (!local_->contains(c.num)) {
            checkCancel();
            deleteOnServer(c, c.etag);
            continue;
        }
        const Values desk = deskValues(c);
        if (differences(fromText(c.synced), desk).empty())
            continue;
        checkCancel();
        DavResponse r = client_->putChanged(urlOf(c.href), uploadCard(c, desk), c.etag);
        if (r.status == 412) {
            clean_ = false;
            continue;
        }
        if (!r.ok())
            throw RunFailure{r.error};
        settle(c, desk, r.etag.isEmpty() ? kUnknownEtag : r.etag);
        wroteCard(c.href);
        commitNow();
        ++result_.counts.updatedServer;
    }
    for (int num : fresh) {
        if (++done % 200 == 0)
            step(done, total, texts::phaseStoring());
        CardState c;
        c.num = num;
        // The UID a file export gives the contact too, so an account set up again (or a phone that
        // imported such a file) finds it by UID; the address is made from it.
        c.uid = contactUid(num);
        c.href = book_.path() + QString(c.uid).replace(u':', u'-') + QStringLiteral(".vcf");
        uploadNew(c);
    }
}

// The card that replaces one the server has: the desk's values with the lines of the server's
// card that no column holds, so that an edit on the desk does not strip what only the phone keeps
// (its photograph, its own fields). The If-Match of the upload still guards against a change in
// between; a card gone meanwhile gets the desk's card and meets that guard.
QByteArray Engine::uploadCard(CardState& c, const Values& values) {
    const QByteArray photo = deskPhoto(c.num, values);
    const QByteArray desk = cardOf(values, uidOf(c), photo);
    const DavResponse got = client_->get(urlOf(c.href));
    if (got.status == 404)
        return desk;
    if (!got.ok())
        throw RunFailure{got.error};
    if (c.synced.isEmpty())
        return withForeignLines(desk, got.body, nullptr, keepsServerPhoto(values, photo, got.body));
    const Values lastSynced = fromText(c.synced);
    return withForeignLines(desk, got.body, &lastSynced, keepsServerPhoto(values, photo, got.body));
}

// A new card: its UID and address are stored before the request, so that a retry after a lost
// answer finds the card (412) and links it instead of uploading a second one.
void Engine::uploadNew(CardState c) {
    checkCancel();
    writeCard(c);
    commitNow();
    const Values desk = deskValues(c);
    DavResponse r = client_->putNew(urlOf(c.href), cardOf(desk, c.uid, deskPhoto(c.num, desk)));
    if (r.status == 412) {
        DavResponse got = client_->get(urlOf(c.href));
        if (!got.ok())
            throw RunFailure{got.error};
        const std::vector<vcard::Card> parsed = vcard::parse(got.body);
        const ImportedContact ic = parsed.empty() ? ImportedContact() : contactFromCard(parsed.front());
        local_->photos().hold(ic.row.photo, ic.row.photoSuffix);
        const Values server = valuesOf(ic.row);
        ++result_.counts.fetched;
        merge(c, commonBase(desk, server), desk, server, got.etag);
        return;
    }
    if (!r.ok())
        throw RunFailure{r.error};
    settle(c, desk, r.etag.isEmpty() ? kUnknownEtag : r.etag);
    wroteCard(c.href);
    commitNow();
    ++result_.counts.createdServer;
}

} // namespace cardsync::engine
