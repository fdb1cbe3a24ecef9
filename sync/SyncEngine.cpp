#include "SyncEngineRun.h"

#include "ForeignLines.h"
#include "SyncTexts.h"

#include <QCoreApplication>
#include <QUuid>
#include <algorithm>

namespace cardsync::engine {

namespace {

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

} // namespace

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

SyncResult Engine::run() {
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

void Engine::execute() {
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
void Engine::loadDesk(const ServerListing& listing) {
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

void Engine::fail(SyncError::Kind kind, const QString& message) {
    SyncError e;
    e.kind = kind;
    e.message = message;
    throw RunFailure{e};
}

void Engine::checkCancel() {
    if (cancel_ && cancel_->load())
        fail(SyncError::Cancelled, texts::errorText(SyncError::Cancelled));
}

void Engine::step(int done, int total, const QString& phase) {
    if (progress_)
        progress_(done, total, phase);
}

QUrl Engine::urlOf(const QString& href) const {
    QUrl u = book_;
    u.setPath(href, QUrl::DecodedMode);
    return u;
}

// Cards whose data the listing did not carry, fetched with addressbook-multiget in batches.
void Engine::fetchMissing(ServerListing& listing) {
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

void Engine::commitNow() {
    local_->beforeCommit();
    conn_->commit();
    uncommitted_ = 0;
}

} // namespace cardsync::engine

namespace cardsync {

SyncResult runSync(const DbLogin& db, const QString& password, const ProgressFn& progress,
                   const std::atomic_bool* cancel) {
    return engine::Engine(db, password, progress, cancel).run();
}

} // namespace cardsync
