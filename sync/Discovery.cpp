#include "Discovery.h"

#include "CardDavClient.h"
#include "SyncTexts.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace cardsync {

namespace {

const QByteArray kProps = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                          "<d:resourcetype/><d:displayname/><d:current-user-principal/><c:addressbook-home-set/>"
                          "</d:prop></d:propfind>";

QUrl resolved(const QUrl& base, const QString& href) {
    return base.resolved(QUrl(href));
}

// The address books among the entries of a Depth 1 listing.
std::vector<AddressBook> booksOf(const QUrl& base, const MultiStatus& ms) {
    std::vector<AddressBook> books;
    for (const DavEntry& e : ms.entries)
        if (e.addressBook) {
            QUrl url = resolved(base, e.href);
            books.push_back({url, e.displayName.isEmpty() ? url.path().section(u'/', -2, -2) : e.displayName});
        }
    return books;
}

class Finder {
public:
    Finder(const ServerLogin& login, const std::atomic_bool* cancel) : client_(login, cancel) {}

    DiscoveryResult find(const QUrl& start) {
        DiscoveryResult out;
        // The address given: a book as it is, or a principal or home set that names the books.
        DavResponse r = client_.propfind(start, 0, kProps);
        if (r.error.kind != SyncError::None && r.error.kind != SyncError::NotFound &&
            r.error.kind != SyncError::Forbidden && r.error.kind != SyncError::Protocol) {
            out.error = r.error;
            return out;
        }
        MultiStatus ms = parseMultiStatus(r.body);
        if (r.ok()) {
            for (const DavEntry& e : ms.entries)
                if (e.addressBook) {
                    out.books.push_back({start, e.displayName.isEmpty() ? start.path() : e.displayName});
                    return out;
                }
        }
        QString principal = r.ok() ? firstOf(ms, &DavEntry::principal) : QString();
        QString home = r.ok() ? firstOf(ms, &DavEntry::homeSet) : QString();
        QUrl base = r.url.isValid() ? r.url : start;
        if (principal.isEmpty() && home.isEmpty()) {
            // RFC 6764: the server names the context path of its CardDAV service.
            QUrl wellKnown = start;
            wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
            DavResponse w = client_.propfind(wellKnown, 0, kProps);
            if (w.error.kind == SyncError::Unauthorized || w.error.kind == SyncError::UntrustedCertificate ||
                w.error.kind == SyncError::CertificateChanged || w.error.kind == SyncError::Network ||
                w.error.kind == SyncError::Timeout || w.error.kind == SyncError::Cancelled) {
                out.error = w.error;
                return out;
            }
            if (w.ok()) {
                MultiStatus wm = parseMultiStatus(w.body);
                base = w.url;
                principal = firstOf(wm, &DavEntry::principal);
                home = firstOf(wm, &DavEntry::homeSet);
            }
        }
        if (home.isEmpty() && !principal.isEmpty()) {
            const QUrl p = resolved(base, principal);
            DavResponse pr = client_.propfind(p, 0, kProps);
            if (pr.ok()) {
                home = firstOf(parseMultiStatus(pr.body), &DavEntry::homeSet);
                base = pr.url;
            } else if (pr.error.kind == SyncError::Unauthorized) {
                out.error = pr.error;
                return out;
            }
        }
        const QUrl homeUrl = home.isEmpty() ? start : resolved(base, home);
        DavResponse list = client_.propfind(homeUrl, 1, kProps);
        if (list.ok())
            out.books = booksOf(list.url, parseMultiStatus(list.body));
        if (out.books.empty()) {
            if (list.error.failed() && list.error.kind != SyncError::NotFound) {
                out.error = list.error;
            } else {
                out.error.kind = SyncError::NotAddressBook;
                out.error.url = start;
                out.error.message = texts::errorText(SyncError::NotAddressBook, start.toDisplayString());
            }
        }
        return out;
    }

private:
    static QString firstOf(const MultiStatus& ms, QString DavEntry::*member) {
        for (const DavEntry& e : ms.entries)
            if (!(e.*member).isEmpty())
                return e.*member;
        return {};
    }
    CardDavClient client_;
};

} // namespace

QUrl serverUrlOf(const QString& text, bool https) {
    const QString t = text.trimmed();
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (scheme.match(t).hasMatch())
        return QUrl(t);
    QUrl url(QStringLiteral("%1://%2").arg(https ? QStringLiteral("https") : QStringLiteral("http"), t));
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

DiscoveryResult discoverAddressBooks(const QString& serverOrUrl, const ServerLogin& login,
                                     const std::atomic_bool* cancel) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const bool bare = !scheme.match(serverOrUrl.trimmed()).hasMatch();
    Finder finder(login, cancel);
    const QUrl secure = serverUrlOf(serverOrUrl, true);
    DiscoveryResult r = finder.find(secure);
    const bool unanswered =
        r.books.empty() && (r.error.kind == SyncError::Network || r.error.kind == SyncError::Protocol);
    if (!bare || !unanswered)
        return r;
    // The password goes with every request. A bare host is tried without TLS only on this machine,
    // where nobody can listen in; elsewhere a blocked HTTPS port must not make the program send it in
    // clear, so the user is told to type http:// for a server that has no TLS.
    const QHostAddress host(secure.host());
    if (secure.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 || host.isLoopback())
        return finder.find(serverUrlOf(serverOrUrl, false));
    r.error.message += u'\n' + texts::plainHttpHint(serverOrUrl.trimmed());
    return r;
}

} // namespace cardsync
