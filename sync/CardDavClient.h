#pragma once

#include "MultiStatus.h"
#include "SyncTypes.h"

#include <QByteArray>
#include <QUrl>
#include <atomic>
#include <memory>
#include <vector>

class QNetworkAccessManager;

// The CardDAV requests the sync makes, on QNetworkAccessManager. Each call blocks on an event loop of
// its own, so the client belongs to one thread (the sync's).
namespace cardsync {

struct DavResponse {
    int status = 0; // the HTTP status; 0 when no answer came
    QByteArray body;
    QString etag;    // the ETag header
    QUrl url;        // the address the answer came from, after redirects
    SyncError error; // set for a failed transfer and for every status of 400 and above
    bool ok() const { return status >= 200 && status < 300 && !error.failed(); }
};

class CardDavClient {
public:
    // cancel: a flag another thread may set; a request under way is then aborted.
    explicit CardDavClient(ServerLogin login, const std::atomic_bool* cancel = nullptr);
    ~CardDavClient();

    DavResponse propfind(const QUrl& url, int depth, const QByteArray& body);
    DavResponse report(const QUrl& url, int depth, const QByteArray& body);
    DavResponse get(const QUrl& url);
    // A new card: If-None-Match: *; a changed one: If-Match with the ETag it replaces.
    DavResponse putNew(const QUrl& url, const QByteArray& card);
    DavResponse putChanged(const QUrl& url, const QByteArray& card, const QString& etag);
    DavResponse remove(const QUrl& url, const QString& etag);

    // sync-collection (RFC 6578): the cards changed since the token (all of them for an empty token)
    // with their ETags and, where the server gives it, their data.
    DavResponse syncCollection(const QUrl& book, const QString& token, bool withData);
    // addressbook-multiget of the cards named (paths on the server).
    DavResponse multiget(const QUrl& book, const QStringList& hrefs);

    const ServerLogin& login() const { return login_; }

private:
    DavResponse send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                     const std::vector<std::pair<QByteArray, QByteArray>>& headers);
    ServerLogin login_;
    const std::atomic_bool* cancel_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};

// The error a status of 400 and above means, with a clear message.
SyncError errorOfStatus(int status, const QUrl& url, const QByteArray& reason);

// The SHA-256 fingerprint as shown to the user: "AB:CD:...".
QString fingerprintOf(const QByteArray& derOrDigest, bool isDigest = false);

} // namespace cardsync
