#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QUrl>
#include <vector>

class Database;

// The plain values the sync library and its window exchange. The library knows Qt Core, Qt Network,
// the data layer and the exchange core only; nothing here is a widget.
namespace cardsync {

// How to open the contact database. The sync opens connections of its own (it works on a thread of
// its own), so it takes the values the program's connection was opened with.
struct DbLogin {
    QString databaseName;
    QString userName;
    QString password;
    static DbLogin of(const Database& db);
};

// The one account of a database, kept in its sync tables. The server's password is never stored
// here: the window keeps it and hands it to every request.
struct SyncAccount {
    QString serverUrl;         // what the user typed: a bare host or a full URL
    QString userName;          // the server's user name
    QString bookUrl;           // the address book chosen, a full URL
    int intervalMinutes = 0;   // 0: synced by hand only
    QString certificateSha256; // the accepted fingerprint of a certificate the system does not trust
    bool complete() const { return !bookUrl.isEmpty(); }
};

// What a failed request or run tells the user.
struct SyncError {
    enum Kind {
        None,
        Network,              // no connection, connection dropped, name not found
        Timeout,              // the server did not answer in time
        Unauthorized,         // 401: user name or password wrong
        Forbidden,            // 403
        NotFound,             // 404: the address is no address book
        PreconditionFailed,   // 412: the card changed on the server meanwhile
        Server,               // 5xx
        UntrustedCertificate, // the system does not trust the certificate: see certificateSha256
        CertificateChanged,   // the server shows another certificate than the accepted one
        NotAddressBook,       // the address answers, but holds no address book
        Busy,                 // another copy of the program is syncing this database
        Database,             // the contact database failed
        Protocol,             // an answer that is no CardDAV
        Cancelled,
    };
    Kind kind = None;
    int httpStatus = 0;
    QString message;           // a clear sentence in the user's language
    QString certificateSha256; // for the certificate kinds: the server's fingerprint, "AB:CD:..."
    QUrl url;                  // the request that failed
    bool failed() const { return kind != None; }
};

// One address book found on a server.
struct AddressBook {
    QUrl url;
    QString displayName;
};

// What a request needs to reach the server.
struct ServerLogin {
    QString userName;
    QString password;
    QString acceptedSha256; // an accepted fingerprint; empty when none was accepted
    int timeoutMs = 30000;  // a request that gets no byte for this long fails with Timeout
};

// What a sync did, counted per side.
struct SyncCounts {
    int fetched = 0;     // cards read from the server
    int createdDesk = 0; // contacts added to the database
    int updatedDesk = 0;
    int deletedDesk = 0;
    int createdServer = 0; // cards uploaded
    int updatedServer = 0;
    int deletedServer = 0;
    int linked = 0;  // contacts found on both sides at the first sync and linked, not doubled
    int refused = 0; // server cards the database cannot hold (a character outside cp1251, ...)

    int groupCards = 0; // group cards uploaded, changed or deleted on the server
};

struct SyncResult {
    bool ok = false; // the run completed (conflicts may still wait)
    SyncCounts counts;
    int conflicts = 0; // contacts waiting in the conflict list
    SyncError error;   // when !ok: why, and nothing half-done was counted as done
};

// Which side a conflict is resolved to.
enum class Side { Desk, Server };

// One column of a contact changed on both sides. column: an exchange::Column; GR_NUM stands for the
// group path.
struct ConflictColumn {
    int column = -1;
    QString desk;   // the value in the database now
    QString server; // the value on the server now
    QString synced; // the value both sides had at the last sync
};

// A contact that waits for the user: changed on both sides in the same column, or deleted on one
// side and changed on the other. Until resolved neither side is overwritten.
struct SyncConflict {
    QString href;     // the card on the server
    int contact = -1; // NUM_MAIN; -1 when deleted on the desk
    QString title;    // a short name for the list
    bool deletedOnDesk = false;
    bool deletedOnServer = false;
    std::vector<ConflictColumn> columns; // every column that differs between desk and server
    bool resolved = false;               // a choice is made and waits for the next sync
};

} // namespace cardsync

Q_DECLARE_METATYPE(cardsync::SyncResult)
Q_DECLARE_METATYPE(cardsync::SyncError)
