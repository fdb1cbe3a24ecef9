#include "SyncEngine.h"

#include "CardDavClient.h"
#include "CardIndex.h"
#include "ContactImporter.h"
#include "ContactValues.h"
#include "ForeignLines.h"
#include "GroupCards.h"
#include "LocalContacts.h"
#include "OwnWrites.h"
#include "ServerListing.h"
#include "SyncState.h"
#include "SyncTexts.h"

#include <QCoreApplication>
#include <QSet>
#include <QUuid>
#include <algorithm>

namespace cardsync {

using namespace exchange;

namespace {

// A failed step: the run ends with this error; what each card stored before stays consistent.
struct RunFailure {
    SyncError error;
};

// The ETag kept when the server answered an upload without one: never equal to a real ETag, so the
// next listing shows the card as changed and its values, equal to the ones synced, fix the ETag.
const QString kUnknownEtag = QStringLiteral("?");

// The sync's page cache: 64 MB of 4 KB pages holds what a first sync of tens of thousands of cards
// writes in its one transaction, which the engine's small default would write out page by page.
constexpr int kPageBuffers = 16384;

// Server changes are stored in one transaction, committed once: the token is saved only at the end,
// so a run that stops before finds them all again at the next sync. Each commit costs synchronous
// page writes, which a first sync of thousands of cards must not pay per card.

// One phone number written two ways ("8 495 111-22-33", "+7 (495) 111 22 33"): the same last ten digits.
bool samePhone(const QString& a, const QString& b) {
    const QString da = phoneDigits(a), db = phoneDigits(b);
    return da.size() >= 7 && da.right(10) == db.right(10);
}

// The values both sides agree on, as the base of a first linking: a column the two sides fill
// differently has no common value, so a change on one side only is taken and a change on both is a
// conflict. A phone number both hold, written differently, counts as agreed: the server's way of
// writing it is taken rather than asking the user about every contact of an earlier import.
Values commonBase(const Values& desk, const Values& server) {
    Values base;
    const std::vector<Column>& phones = phoneColumns();
    for (int c = 0; c < ColumnCount; ++c)
        if (desk[c] == server[c] ||
            (std::find(phones.begin(), phones.end(), Column(c)) != phones.end() && samePhone(desk[c], server[c])))
            base[c] = desk[c];
    return base;
}

class Engine {
public:
    Engine(const DbLogin& login, const QString& password, const ProgressFn& progress, const std::atomic_bool* cancel)
        : login_(login), password_(password), progress_(progress), cancel_(cancel) {}

    SyncResult run() {
        try {
            execute();
            result_.ok = true;
        } catch (const RunFailure& f) {
            result_.ok = false;
            result_.error = f.error;
        } catch (const DbError& e) {
            result_.ok = false;
            result_.error.kind = SyncError::Database;
            result_.error.message = texts::errorText(SyncError::Database, e.message());
        }
        return result_;
    }

private:
    void execute() {
        conn_ = std::make_unique<Connection>(login_, kPageBuffers);
        if (!stateTablesExist(conn_->db(), conn_->tr()))
            fail(SyncError::NotAddressBook, texts::noAccount());
        state_ = std::make_unique<SyncState>(conn_->db(), conn_->tr());
        const std::optional<SyncAccount> account = state_->account();
        if (!account || !account->complete())
            fail(SyncError::NotAddressBook, texts::noAccount());
        RunLock lock(login_);
        if (!lock.taken())
            fail(SyncError::Busy, texts::errorText(SyncError::Busy));
        // Read before the snapshot that reads the contacts (see DeskMark).
        watermark_ = deskWatermark(conn_->db());
        // The state as it stands now, after the lock: a run that ended meanwhile has stored its own.
        conn_->commit();

        book_ = QUrl(account->bookUrl);
        if (!book_.path().endsWith(u'/'))
            book_.setPath(book_.path() + u'/');
        client_ = std::make_unique<CardDavClient>(
            ServerLogin{account->userName, password_, account->certificateSha256, 30000}, cancel_);

        step(0, 1, texts::phaseReading());
        upgradeStateTables(conn_->db(), conn_->tr());
        OwnWrites::ensureTable(conn_->db(), conn_->tr());
        own_ = std::make_unique<OwnWrites>(conn_->db(), conn_->tr());
        own_->load();
        ServerListing listing = listServer(*client_, book_, state_->token(), true);
        if (listing.error.failed() || !own_->completeListing(listing, *client_, book_, listing.error))
            throw RunFailure{listing.error};
        loadDesk(listing);
        if (listing.full)
            for (const CardState& c : index_->all())
                if (!c.etag.isEmpty() && !listing.changed.contains(c.href))
                    listing.removed.insert(c.href); // gone from the full listing
        fetchMissing(listing);
        groups_ = std::make_unique<GroupCards>(conn_->db(), conn_->tr(), *index_, *local_, *client_, book_,
                                               [this] { commitNow(); });
        groups_->setWriteObserver([this](const QString& href) { wroteCard(href); });

        storeServerChanges(listing);
        applyChoices();
        groups_->applyMembers();
        uploadDeskChanges();
        uploadGroupCards();

        if (clean_) {
            // The token of this run's listing: this run's own writes come after it, and the next
            // listing shows them again with the ETags the state holds (see OwnWrites).
            state_->setToken(listing.token);
            own_->settled();
            state_->setGroupsSignature(local_->groupsSignature());
            local_->beforeCommit();
            state_->setDeskMark(watermark_ ? std::optional<DeskMark>({*watermark_, local_->ownTransactions()})
                                           : std::nullopt);
        }
        result_.conflicts = int(state_->conflicts().size());
        conn_->commit();
        step(1, 1, texts::phaseStoring());
    }

    // What the run needs of the desk and the state. After a full listing, or when the group tree
    // changed (which changes paths without touching rows), everything; otherwise only the cards the
    // server listed, the cards still unsettled, and the contacts the database finds changed since their
    // last sync, so that a sync with nothing changed reads next to nothing.
    void loadDesk(const ServerListing& listing) {
        local_ = std::make_unique<LocalContacts>(conn_->db(), conn_->tr());
        local_->photos().setFolder(photoFolderFor(login_.databaseName, QCoreApplication::applicationDirPath()));
        if (watermark_)
            local_->setChangesSince(state_->deskMark());
        local_->loadSome({});
        index_ = std::make_unique<CardIndex>(*state_);
        if (listing.full || local_->groupsSignature() != state_->groupsSignature()) {
            index_->loadAll();
            local_->load();
        } else {
            index_->loadPart(listing, *local_);
        }
    }

    // A desk contact by key, read when the run has not read it yet.
    bool onDesk(int num) { return local_->contains(num) || (index_->partial() && local_->loadOne(num)); }

    [[noreturn]] void fail(SyncError::Kind kind, const QString& message) {
        SyncError e;
        e.kind = kind;
        e.message = message;
        throw RunFailure{e};
    }

    void checkCancel() {
        if (cancel_ && cancel_->load())
            fail(SyncError::Cancelled, texts::errorText(SyncError::Cancelled));
    }

    void step(int done, int total, const QString& phase) {
        if (progress_)
            progress_(done, total, phase);
    }

    QUrl urlOf(const QString& href) const {
        QUrl u = book_;
        u.setPath(href, QUrl::DecodedMode);
        return u;
    }

    // Cards whose data the listing did not carry, fetched with addressbook-multiget in batches.
    void fetchMissing(ServerListing& listing) {
        QStringList wanted;
        for (auto it = listing.changed.begin(); it != listing.changed.end(); ++it) {
            const CardState* known = findCard(it.key());
            if (it->data.isEmpty() && !(known && known->etag == it->etag))
                wanted << it.key();
        }
        constexpr int kBatch = 100;
        for (int i = 0; i < wanted.size(); i += kBatch) {
            checkCancel();
            step(i, int(wanted.size()), texts::phaseFetching());
            const QStringList batch = wanted.mid(i, kBatch);
            DavResponse r = client_->multiget(book_, batch);
            if (!r.ok())
                throw RunFailure{r.error};
            for (const DavEntry& e : parseMultiStatus(r.body).entries)
                if (listing.changed.contains(e.href) && !e.addressData.isEmpty()) {
                    listing.changed[e.href].data = e.addressData;
                    if (!e.etag.isEmpty())
                        listing.changed[e.href].etag = e.etag;
                }
        }
    }

    CardState* findCard(const QString& href) { return index_->find(href); }
    // A card written to the server: kept with the card's state, committed with it.
    void wroteCard(const QString& href) { own_->wrote(href); }
    void writeCard(const CardState& c) { index_->write(c); }
    void forgetCard(const QString& href) { index_->forget(href); }

    // A desk row stored from the server: committed with the others (see above).
    void rowWritten() { ++uncommitted_; }

    void commitNow() {
        local_->beforeCommit();
        conn_->commit();
        uncommitted_ = 0;
    }

    // --- server to desk -------------------------------------------------------------------------

    void storeServerChanges(const ServerListing& listing) {
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

    void serverCard(const QString& href, const QString& etag, const QString& data) {
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
    void newServerCard(const QString& href, const QString& etag, const QString& uid, const Values& server) {
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

    int matchOnDesk(const QString& uid, const Values& server) {
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
    void merge(CardState c, const Values& base, const Values& desk, const Values& server, const QString& etag) {
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
    Values deskValues(const CardState& c, const Values* server = nullptr) {
        Values v = local_->value(c.num);
        if (v[FOTOLINK] == kUnreadablePhoto)
            v[FOTOLINK] = !c.synced.isEmpty() ? fromText(c.synced)[FOTOLINK] : server ? (*server)[FOTOLINK] : QString();
        return v;
    }

    // The bytes of a desk contact's photograph file when it holds the photograph these values name.
    QByteArray deskPhoto(int num, const Values& values) {
        return local_->photos().bytesOf(local_->photoPath(num), values[FOTOLINK]);
    }

    QString uidOf(CardState& c) {
        if (c.uid.isEmpty())
            c.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        return c.uid;
    }

    void toConflict(CardState c, const QString& etag, const Values& server, bool serverDeleted) {
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

    void serverRemoved(const QString& href) {
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

    // --- the user's choices ---------------------------------------------------------------------

    void applyChoices() {
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
    void holdServerPhoto(const CardState& c, const Values& values) {
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
    void settle(CardState c, const Values& values, const QString& etag) {
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

    // --- desk to server -------------------------------------------------------------------------

    void uploadGroupCards() {
        checkCancel();
        bool clean = true;
        SyncError error;
        const int written = groups_->upload(clean, error);
        if (error.failed())
            throw RunFailure{error};
        clean_ = clean_ && clean;
        result_.counts.groupCards += written;
    }

    void deleteOnServer(const CardState& c, const QString& etag) {
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

    void uploadDeskChanges() {
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
    QByteArray uploadCard(CardState& c, const Values& values) {
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
    void uploadNew(CardState c) {
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

} // namespace

SyncResult runSync(const DbLogin& db, const QString& password, const ProgressFn& progress,
                   const std::atomic_bool* cancel) {
    return Engine(db, password, progress, cancel).run();
}

} // namespace cardsync
