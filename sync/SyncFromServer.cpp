// Server to desk: the cards the listing names stored on the desk, merged, or put in the
// conflict list; the user's choices of conflicts carried out.
#include "SyncEngineRun.h"

#include "ForeignLines.h"
#include "SyncTexts.h"

#include <QUuid>
#include <algorithm>

namespace cardsync::engine {

void Engine::storeServerChanges(const ServerListing& listing) {
    const int total = int(listing.changed.size() + listing.removed.size());
    int done = 0;
    for (auto it = listing.changed.begin(); it != listing.changed.end(); ++it) {
        if (done % 200 == 0) {
            checkCancel();
            step(done, total, texts::phaseStoring());
        }
        ++done;
        const CardState* known = findCard(it.key());
        if (known && known->etag == it->etag && !known->etag.isEmpty() && !known->conflict)
            continue;
        if (it->data.isEmpty()) {
            clean_ = false; // gone between the listing and the fetch: the next sync sees it again
            continue;
        }
        ++result_.counts.fetched;
        handled_.insert(it.key());
        serverCard(it.key(), it->etag, it->data);
    }
    for (const QString& href : listing.removed) {
        ++done;
        handled_.insert(href);
        serverRemoved(href);
    }
    commitNow();
}

void Engine::serverCard(const QString& href, const QString& etag, const QString& data) {
    const std::vector<vcard::Card> parsed = vcard::parse(data.toUtf8());
    if (parsed.empty())
        return;
    ImportedContact ic = contactFromCard(parsed.front());
    local_->photos().hold(ic.row.photo, ic.row.photoSuffix);
    CardState* known = findCard(href);
    if (ic.groupOnly) {
        groups_->serverCard(href, etag, ic);
        rowWritten();
        return;
    }
    const bool refused = ic.refusal.kind != Refusal::None || checkRow(ic.row).kind != Refusal::None;
    const Values server = valuesOf(ic.row);
    if (known && known->conflict) {
        CardState c = *known;
        c.serverEtag = etag;
        c.serverValues = toText(server);
        c.serverDeleted = false;
        writeCard(c);
        rowWritten();
        return;
    }
    if (refused) {
        ++result_.counts.refused;
        return;
    }
    if (!known || known->num < 0) {
        newServerCard(href, etag, ic.uid, server);
        return;
    }
    CardState c = *known;
    if (!local_->contains(c.num)) {
        if (c.synced.isEmpty()) {
            // Uploaded by a run that stopped, and deleted on the desk since: nothing on the desk to keep.
            deleteOnServer(c, etag);
            return;
        }
        if (differences(fromText(c.synced), server).empty()) {
            c.etag = etag; // the desk's delete goes up below
            writeCard(c);
            return;
        }
        toConflict(c, etag, server, false);
        return;
    }
    const Values desk = deskValues(c, &server);
    const Values base = c.synced.isEmpty() ? commonBase(desk, server) : fromText(c.synced);
    merge(c, base, desk, server, etag);
}

// A card the state does not know: linked to the desk contact it is (by UID, then by the duplicate
// rule of the import) or added to the desk.
void Engine::newServerCard(const QString& href, const QString& etag, const QString& uid, const Values& server) {
    CardState c;
    c.href = href;
    c.uid = uid;
    const int match = matchOnDesk(uid, server);
    if (match >= 0) {
        c.num = match;
        ++result_.counts.linked;
        const Values desk = deskValues(c, &server);
        merge(c, commonBase(desk, server), desk, server, etag);
        return;
    }
    c.num = local_->insert(server);
    local_->rememberSynced(c.num, server);
    c.etag = etag;
    c.synced = toText(server);
    writeCard(c);
    ++result_.counts.createdDesk;
    rowWritten();
}

int Engine::matchOnDesk(const QString& uid, const Values& server) {
    if (!uid.isEmpty()) {
        static const QString prefix = contactUid(0).chopped(1);
        if (uid.startsWith(prefix)) {
            bool ok = false;
            const int num = uid.mid(prefix.size()).toInt(&ok);
            if (ok && onDesk(num) && !index_->linked(num))
                return num;
        }
    }
    if (!finder_) {
        finder_ = std::make_unique<DuplicateFinder>();
        for (auto it = local_->all().begin(); it != local_->all().end(); ++it)
            if (!index_->linked(it.key()))
                finder_->add(DuplicateFinder::fromRow(it.key(), rowOf(it.value())));
    }
    // With part of the desk read, the contacts read are every one that changed since the last
    // sync, new ones among them: the only ones a new server card can be a double of.
    const std::optional<DuplicateMatch> m = finder_->find(rowOf(server));
    if (m && local_->contains(m->num) && !index_->linked(m->num))
        return m->num;
    return -1;
}

// Both sides against the values last synced: changes of different columns are merged, the same
// column changed to different values on both sides makes a conflict and nothing is written.
void Engine::merge(CardState c, const Values& base, const Values& desk, const Values& server, const QString& etag) {
    const std::vector<int> deskChanged = differences(base, desk);
    const std::vector<int> serverChanged = differences(base, server);
    Values merged = base;
    for (int col : deskChanged)
        merged[col] = desk[col];
    for (int col : serverChanged) {
        if (merged[col] != base[col] && merged[col] != server[col]) {
            toConflict(c, etag, server, false);
            return;
        }
        merged[col] = server[col];
    }
    if (merged != server) {
        DavResponse r = client_->putChanged(urlOf(c.href), uploadCard(c, merged), etag);
        if (r.status == 412) {
            clean_ = false; // changed again on the server: the next sync merges it
            return;
        }
        if (!r.ok())
            throw RunFailure{r.error};
        c.etag = r.etag.isEmpty() ? kUnknownEtag : r.etag;
        ++result_.counts.updatedServer;
        wroteCard(c.href);
    } else {
        c.etag = etag;
    }
    if (merged != desk) {
        local_->update(c.num, merged);
        ++result_.counts.updatedDesk;
    }
    local_->rememberSynced(c.num, merged);
    c.synced = toText(merged);
    writeCard(c);
    if (merged != server)
        commitNow(); // the server has the card: its state is stored before the next request
    else
        rowWritten();
}

// A desk contact's values; a photograph whose file cannot be read counts as the one last synced
// (or, before the first sync, as the server's): it is neither uploaded nor deleted on the server.
Values Engine::deskValues(const CardState& c, const Values* server) {
    Values v = local_->value(c.num);
    if (v[FOTOLINK] == kUnreadablePhoto)
        v[FOTOLINK] = !c.synced.isEmpty() ? fromText(c.synced)[FOTOLINK] : server ? (*server)[FOTOLINK] : QString();
    return v;
}

// The bytes of a desk contact's photograph file when it holds the photograph these values name.
QByteArray Engine::deskPhoto(int num, const Values& values) {
    return local_->photos().bytesOf(local_->photoPath(num), values[FOTOLINK]);
}

QString Engine::uidOf(CardState& c) {
    if (c.uid.isEmpty())
        c.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return c.uid;
}

void Engine::toConflict(CardState c, const QString& etag, const Values& server, bool serverDeleted) {
    c.conflict = true;
    if (c.num >= 0)
        local_->forgetSynced(c.num); // compared in full until resolved
    c.serverEtag = etag;
    c.serverValues = serverDeleted ? QString() : toText(server);
    c.serverDeleted = serverDeleted;
    c.choice.clear();
    writeCard(c);
    commitNow();
}

void Engine::serverRemoved(const QString& href) {
    CardState* known = findCard(href);
    if (!known)
        return;
    CardState c = *known;
    if (c.conflict) {
        c.serverDeleted = true;
        c.serverEtag.clear();
        c.serverValues.clear();
        writeCard(c);
        return;
    }
    if (c.group || c.num < 0 || !local_->contains(c.num) || c.synced.isEmpty()) {
        // A card uploaded by a stopped run and gone since: its contact is uploaded again as new.
        forgetCard(href);
        return;
    }
    const Values desk = deskValues(c);
    if (!differences(fromText(c.synced), desk).empty()) {
        toConflict(c, QString(), Values(), true);
        return;
    }
    local_->remove(c.num);
    forgetCard(href);
    ++result_.counts.deletedDesk;
    rowWritten();
}

void Engine::applyChoices() {
    for (const CardState& k : state_->conflicts()) {
        if (k.choice.isEmpty())
            continue;
        checkCancel();
        CardState c = k;
        const bool deskGone = c.num < 0 || !local_->contains(c.num);
        const bool serverGone = c.serverDeleted;
        const Values server = serverGone ? Values() : fromText(c.serverValues);
        const Values desk = deskGone ? Values() : deskValues(c, &server);
        const Side side = choiceFor(c.choice, -1);
        if (deskGone && serverGone) {
            forgetCard(c.href);
        } else if (deskGone || serverGone) {
            const bool keepDesk = side == Side::Desk;
            if (deskGone && keepDesk) {
                deleteOnServer(c, c.serverEtag);
            } else if (deskGone) {
                holdServerPhoto(c, server);
                c.num = local_->insert(server);
                ++result_.counts.createdDesk;
                settle(c, server, c.serverEtag);
            } else if (keepDesk) {
                DavResponse r = client_->putNew(urlOf(c.href), cardOf(desk, uidOf(c), deskPhoto(c.num, desk)));
                if (!r.ok()) {
                    if (r.status == 412) {
                        clean_ = false;
                        continue;
                    }
                    throw RunFailure{r.error};
                }
                ++result_.counts.createdServer;
                wroteCard(c.href);
                settle(c, desk, r.etag.isEmpty() ? kUnknownEtag : r.etag);
            } else {
                local_->remove(c.num);
                ++result_.counts.deletedDesk;
                forgetCard(c.href);
            }
        } else {
            Values merged;
            for (int col = 0; col < ColumnCount; ++col)
                merged[col] = choiceFor(c.choice, col) == Side::Desk ? desk[col] : server[col];
            QString etag = c.serverEtag;
            if (merged != server) {
                DavResponse r = client_->putChanged(urlOf(c.href), uploadCard(c, merged), c.serverEtag);
                if (r.status == 412) {
                    clean_ = false;
                    continue;
                }
                if (!r.ok())
                    throw RunFailure{r.error};
                etag = r.etag.isEmpty() ? kUnknownEtag : r.etag;
                ++result_.counts.updatedServer;
                wroteCard(c.href);
            }
            if (merged != desk) {
                holdServerPhoto(c, merged);
                local_->update(c.num, merged);
                ++result_.counts.updatedDesk;
            }
            settle(c, merged, etag);
        }
        commitNow();
    }
}

// The server's photograph of a conflict chosen for the desk: the conflict kept only its digest.
void Engine::holdServerPhoto(const CardState& c, const Values& values) {
    if (values[FOTOLINK].isEmpty() || local_->photos().holds(values[FOTOLINK]) ||
        local_->photos().digestOfFile(local_->photoPath(c.num)) == values[FOTOLINK])
        return;
    const DavResponse got = client_->get(urlOf(c.href));
    if (!got.ok())
        throw RunFailure{got.error};
    const std::vector<vcard::Card> parsed = vcard::parse(got.body);
    if (!parsed.empty()) {
        const ImportedContact ic = contactFromCard(parsed.front());
        local_->photos().hold(ic.row.photo, ic.row.photoSuffix);
    }
}

// A conflict resolved: the card is synced with these values.
void Engine::settle(CardState c, const Values& values, const QString& etag) {
    c.conflict = false;
    c.serverDeleted = false;
    c.serverEtag.clear();
    c.serverValues.clear();
    c.choice.clear();
    c.etag = etag;
    c.synced = toText(values);
    if (c.num >= 0)
        local_->rememberSynced(c.num, values);
    writeCard(c);
}

} // namespace cardsync::engine
