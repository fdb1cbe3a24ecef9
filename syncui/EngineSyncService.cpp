#include "EngineSyncService.h"

#include "ContactMapping.h"
#include "DeskPhotos.h"
#include "Sync.h"
#include "SyncWindowTexts.h"

#include <QObject>

namespace syncui {

namespace {

Failure failureOf(const cardsync::SyncError& e) {
    Failure f;
    switch (e.kind) {
    case cardsync::SyncError::None:
        return f;
    case cardsync::SyncError::UntrustedCertificate:
    case cardsync::SyncError::CertificateChanged:
        f.kind = Failure::Untrusted;
        f.offeredFingerprint = e.certificateSha256;
        break;
    case cardsync::SyncError::Cancelled:
        f.kind = Failure::Cancelled;
        break;
    default:
        f.kind = Failure::Other;
        break;
    }
    f.message = e.message;
    return f;
}

cardsync::SyncAccount engineAccount(const Account& a) {
    cardsync::SyncAccount e;
    e.serverUrl = a.server;
    e.userName = a.user;
    e.bookUrl = a.bookUrl;
    e.intervalMinutes = a.everyMinutes;
    e.certificateSha256 = a.acceptedFingerprint;
    return e;
}

// A photograph is compared by a digest of its bytes: shown as a short mark, not as the digest.
QString shownValue(int column, const QString& value) {
    if (column != exchange::FOTOLINK)
        return value;
    return value == cardsync::kUnreadablePhoto ? unreadablePhotoText() : photoText(value);
}

} // namespace

EngineSyncService::EngineSyncService(cardsync::DbLogin db, std::function<QStringList()> columnTitles)
    : db_(std::move(db)), columnTitles_(std::move(columnTitles)) {}

EngineSyncService::~EngineSyncService() = default;

Account EngineSyncService::account() {
    Account a;
    // Nothing is created before the user sets sync up: a database without sync has no sync tables.
    if (!cardsync::hasSyncTables(login()))
        return a;
    if (const auto e = cardsync::readAccount(login())) {
        a.server = e->serverUrl;
        a.user = e->userName;
        a.bookUrl = e->bookUrl;
        a.everyMinutes = e->intervalMinutes;
        a.acceptedFingerprint = e->certificateSha256;
    }
    return a;
}

void EngineSyncService::saveAccount(const Account& account) {
    cardsync::ensureSyncTables(login());
    cardsync::writeAccount(login(), engineAccount(account));
}

FoundBooks EngineSyncService::findBooks(const Account& account, const QString& password,
                                        const std::atomic_bool& cancel) {
    cardsync::ServerLogin server;
    server.userName = account.user;
    server.password = password;
    server.acceptedSha256 = account.acceptedFingerprint;
    const cardsync::DiscoveryResult found = cardsync::discoverAddressBooks(account.server, server, &cancel);
    FoundBooks result;
    result.failure = failureOf(found.error);
    if (cancel && !result.failure) {
        result.failure.kind = Failure::Cancelled;
        return result;
    }
    for (const cardsync::AddressBook& b : found.books)
        result.books.append({b.url.toString(), b.displayName});
    return result;
}

SyncOutcome EngineSyncService::sync(const Account&, const QString& password, const ProgressFn& progress,
                                    const std::atomic_bool& cancel) {
    // The run reads the account the window saved before it started.
    cardsync::SyncRun run(login(), password);
    QObject::connect(
        &run, &cardsync::SyncRun::progress, &run,
        [&progress](int done, int total, const QString& phase) {
            progress({done, total, phase});
        },
        Qt::DirectConnection);
    {
        QMutexLocker lock(&runLock_);
        run_ = &run;
        if (cancel)
            run.cancel();
    }
    const cardsync::SyncResult r = run.runBlocking();
    {
        QMutexLocker lock(&runLock_);
        run_ = nullptr;
    }
    SyncOutcome o;
    o.failure = failureOf(r.error);
    if (!r.ok && !o.failure) {
        o.failure.kind = Failure::Other;
        o.failure.message = cardsync::resultText(r);
    }
    o.fromServer = r.counts.createdDesk + r.counts.updatedDesk;
    o.toServer = r.counts.createdServer + r.counts.updatedServer;
    o.deleted = r.counts.deletedDesk + r.counts.deletedServer;
    o.conflicts = r.conflicts;
    o.finished = QDateTime::currentDateTime();
    return o;
}

void EngineSyncService::cancel() {
    QMutexLocker lock(&runLock_);
    if (run_ != nullptr)
        run_->cancel();
}

QList<Conflict> EngineSyncService::conflicts() {
    QList<Conflict> list;
    if (!cardsync::hasSyncTables(login()))
        return list;
    const QStringList titles = columnTitles_ ? columnTitles_() : QStringList();
    for (const cardsync::SyncConflict& c : cardsync::readConflicts(login())) {
        Conflict item;
        item.key = c.href;
        item.name = c.title;
        item.deletedOnDesk = c.deletedOnDesk;
        item.deletedOnServer = c.deletedOnServer;
        item.choice = c.resolved ? chosen_.value(c.href, Choice::Chosen) : Choice::Undecided;
        for (const cardsync::ConflictColumn& col : c.columns) {
            ConflictColumn shown;
            shown.column = col.column;
            const QString title = titles.value(col.column);
            shown.title = title.isEmpty() ? exchange::russianTitle(col.column) : title;
            shown.desk = shownValue(col.column, col.desk);
            shown.server = shownValue(col.column, col.server);
            shown.synced = shownValue(col.column, col.synced);
            // Changed on both sides: the value the choice decides.
            shown.changed = col.desk != col.synced && col.server != col.synced;
            item.columns.append(shown);
        }
        list.append(item);
    }
    return list;
}

void EngineSyncService::choose(const QString& key, Choice choice, const QHash<int, Choice>& columns) {
    if (choice != Choice::KeepDesk && choice != Choice::KeepServer)
        return;
    auto sideOf = [](Choice c) { return c == Choice::KeepDesk ? cardsync::Side::Desk : cardsync::Side::Server; };
    QHash<int, cardsync::Side> perColumn;
    for (auto it = columns.begin(); it != columns.end(); ++it)
        if ((it.value() == Choice::KeepDesk || it.value() == Choice::KeepServer) && it.value() != choice)
            perColumn.insert(it.key(), sideOf(it.value()));
    cardsync::resolveConflict(login(), key, sideOf(choice), perColumn);
    chosen_.insert(key, choice);
}

} // namespace syncui
