#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

// What the sync window needs of the sync: the account, the address books a server offers, a sync run
// and the list of contacts in conflict. The window and the periodic sync know only this; the engine
// sits behind it (EngineSyncService).
namespace syncui {

struct Account {
    QString server; // a bare host or a full address book URL, as typed
    QString user;
    QString bookUrl; // the address book chosen among those found
    QString bookName;
    int everyMinutes = 0;        // 0: by hand only
    QString acceptedFingerprint; // SHA-256 of a certificate the user accepted, hex with colons
    bool isSetUp() const { return !server.trimmed().isEmpty() && !bookUrl.isEmpty(); }
};

struct Book {
    QString url;
    QString name;
};

// Why a request to the server came to nothing.
struct Failure {
    enum Kind { None, Untrusted, Cancelled, Other };
    Kind kind = None;
    QString message;            // in the current language
    QString offeredFingerprint; // Untrusted: the certificate the server showed
    explicit operator bool() const { return kind != None; }
};

struct FoundBooks {
    QList<Book> books;
    Failure failure;
};

struct SyncOutcome {
    Failure failure;
    int fromServer = 0; // contacts added or changed from the server's cards
    int toServer = 0;   // cards uploaded or changed on the server
    int deleted = 0;    // on either side
    int conflicts = 0;  // contacts waiting for the user's choice
    QDateTime finished;
};

struct Progress {
    int done = 0;
    int total = 0; // 0 while unknown
    QString stage;
};

// A contact changed on both sides since the last sync, in the same column or changed on one side and
// deleted on the other.
struct ConflictColumn {
    int column = -1; // the column's number in the sync (exchange::Column), for a choice per column
    QString title;
    QString desk;
    QString server;
    QString synced;       // the value both sides had at the last sync
    bool changed = false; // changed on both sides
};

// Chosen: a choice made earlier, side unknown to this run.
enum class Choice { Undecided, KeepDesk, KeepServer, Chosen };

struct Conflict {
    QString key; // the sync state's key of the contact (its card's address)
    QString name;
    bool deletedOnDesk = false;
    bool deletedOnServer = false;
    QList<ConflictColumn> columns;
    Choice choice = Choice::Undecided;
};

using ProgressFn = std::function<void(const Progress&)>;

class SyncService {
public:
    virtual ~SyncService() = default;
    // The account as kept with the database; empty when sync was never set up.
    virtual Account account() = 0;
    virtual void saveAccount(const Account& account) = 0;
    // Runs off the window's thread: the books of the server or of the URL typed.
    virtual FoundBooks findBooks(const Account& account, const QString& password, const std::atomic_bool& cancel) = 0;
    // Runs off the window's thread: one sync of the account's book with the contact database.
    virtual SyncOutcome sync(const Account& account, const QString& password, const ProgressFn& progress,
                             const std::atomic_bool& cancel) = 0;
    virtual QList<Conflict> conflicts() = 0;
    // Records the user's choice; the next sync applies it. columns: the columns that take another side
    // than the contact (ConflictColumn::column -> KeepDesk or KeepServer).
    virtual void choose(const QString& key, Choice choice, const QHash<int, Choice>& columns = {}) = 0;
    // Thread-safe: the job running stops at its next step; what it finished stays consistent.
    virtual void cancel() {}
};

} // namespace syncui
