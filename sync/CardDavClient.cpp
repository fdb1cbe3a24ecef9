#include "CardDavClient.h"

#include "SyncTexts.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

namespace cardsync {

namespace {

const QByteArray kXml = "application/xml; charset=utf-8";

QString xmlEscaped(const QString& s) {
    return s.toHtmlEscaped();
}

} // namespace

QString fingerprintOf(const QByteArray& bytes, bool isDigest) {
    const QByteArray digest = isDigest ? bytes : QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

SyncError errorOfStatus(int status, const QUrl& url, const QByteArray& reason) {
    SyncError e;
    e.httpStatus = status;
    e.url = url;
    const QString where = url.toDisplayString(QUrl::RemoveUserInfo);
    if (status == 401)
        e.kind = SyncError::Unauthorized;
    else if (status == 403)
        e.kind = SyncError::Forbidden;
    else if (status == 404)
        e.kind = SyncError::NotFound;
    else if (status == 412)
        e.kind = SyncError::PreconditionFailed;
    else if (status >= 500)
        e.kind = SyncError::Server;
    else
        e.kind = SyncError::Protocol;
    if (e.kind == SyncError::Server)
        e.message = texts::errorText(e.kind, QString::number(status), QString::fromUtf8(reason) + u' ' + where);
    else if (e.kind == SyncError::Protocol)
        e.message =
            texts::errorText(e.kind, QStringLiteral("%1 %2 %3").arg(status).arg(QString::fromUtf8(reason), where));
    else
        e.message = texts::errorText(e.kind, where);
    return e;
}

CardDavClient::CardDavClient(ServerLogin login, const std::atomic_bool* cancel)
    : login_(std::move(login)), cancel_(cancel), manager_(std::make_unique<QNetworkAccessManager>()) {
    manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

CardDavClient::~CardDavClient() = default;

DavResponse CardDavClient::send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                                const std::vector<std::pair<QByteArray, QByteArray>>& headers) {
    DavResponse r;
    r.url = url;
    if (cancel_ && cancel_->load()) {
        r.error.kind = SyncError::Cancelled;
        r.error.message = texts::errorText(SyncError::Cancelled);
        return r;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!login_.userName.isEmpty())
        request.setRawHeader("Authorization",
                             "Basic " + (login_.userName + u':' + login_.password).toUtf8().toBase64());
    for (const auto& h : headers)
        request.setRawHeader(h.first, h.second);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setRawHeader("Content-Type", kXml);

    QNetworkReply* reply = manager_->sendCustomRequest(request, verb, body);
    std::unique_ptr<QNetworkReply> owner(reply);
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    bool timedOut = false;
    bool cancelled = false;
    QString untrusted; // the fingerprint of a certificate refused
    QObject::connect(&idle, &QTimer::timeout, reply, [&] {
        timedOut = true;
        reply->abort();
    });
    // Any byte moving keeps the request alive: the timeout is for a server that stopped answering.
    auto alive = [&] { idle.start(login_.timeoutMs); };
    QObject::connect(reply, &QNetworkReply::downloadProgress, &idle, alive);
    QObject::connect(reply, &QNetworkReply::uploadProgress, &idle, alive);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, reply, [&] {
        if (cancel_ && cancel_->load()) {
            cancelled = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError>& errors) {
        const QList<QSslCertificate> chain = reply->sslConfiguration().peerCertificateChain();
        QSslCertificate cert = chain.isEmpty() ? QSslCertificate() : chain.first();
        if (cert.isNull() && !errors.isEmpty())
            cert = errors.first().certificate();
        const QString fp = fingerprintOf(cert.digest(QCryptographicHash::Sha256), true);
        if (!login_.acceptedSha256.isEmpty() && fp.compare(login_.acceptedSha256, Qt::CaseInsensitive) == 0)
            reply->ignoreSslErrors();
        else
            untrusted = fp;
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    idle.start(login_.timeoutMs);
    if (cancel_)
        poll.start(100);
    if (!reply->isFinished())
        loop.exec();

    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.body = reply->readAll();
    r.etag = QString::fromUtf8(reply->rawHeader("ETag"));
    r.url = reply->url();
    const QNetworkReply::NetworkError netError = reply->error();
    if (cancelled) {
        r.status = 0;
        r.error.kind = SyncError::Cancelled;
        r.error.message = texts::errorText(SyncError::Cancelled);
    } else if (timedOut) {
        r.status = 0;
        r.error.kind = SyncError::Timeout;
        r.error.message = texts::errorText(SyncError::Timeout, QString::number(login_.timeoutMs / 1000.0));
    } else if (!untrusted.isEmpty()) {
        r.status = 0;
        r.error.certificateSha256 = untrusted;
        if (login_.acceptedSha256.isEmpty()) {
            r.error.kind = SyncError::UntrustedCertificate;
            r.error.message = texts::errorText(r.error.kind, untrusted);
        } else {
            r.error.kind = SyncError::CertificateChanged;
            r.error.message = texts::errorText(r.error.kind, login_.acceptedSha256, untrusted);
        }
    } else if (r.status >= 400) {
        r.error =
            errorOfStatus(r.status, url, reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    } else if (r.status == 0 && netError != QNetworkReply::NoError) {
        r.error.kind = SyncError::Network;
        r.error.message = texts::errorText(SyncError::Network, reply->errorString());
    }
    r.error.url = url;
    return r;
}

DavResponse CardDavClient::propfind(const QUrl& url, int depth, const QByteArray& body) {
    return send("PROPFIND", url, body, {{"Depth", QByteArray::number(depth)}});
}

DavResponse CardDavClient::report(const QUrl& url, int depth, const QByteArray& body) {
    return send("REPORT", url, body, {{"Depth", QByteArray::number(depth)}});
}

DavResponse CardDavClient::get(const QUrl& url) {
    return send("GET", url, {}, {});
}

DavResponse CardDavClient::putNew(const QUrl& url, const QByteArray& card) {
    return send("PUT", url, card, {{"If-None-Match", "*"}, {"Content-Type", "text/vcard; charset=utf-8"}});
}

DavResponse CardDavClient::putChanged(const QUrl& url, const QByteArray& card, const QString& etag) {
    return send("PUT", url, card, {{"If-Match", etag.toUtf8()}, {"Content-Type", "text/vcard; charset=utf-8"}});
}

DavResponse CardDavClient::remove(const QUrl& url, const QString& etag) {
    return send("DELETE", url, {}, {{"If-Match", etag.toUtf8()}});
}

DavResponse CardDavClient::syncCollection(const QUrl& book, const QString& token, bool withData) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<d:sync-collection xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:sync-token>" +
                      xmlEscaped(token).toUtf8() + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/>" +
                      QByteArray(withData ? "<c:address-data/>" : "") + "</d:prop></d:sync-collection>";
    return send("REPORT", book, body, {});
}

DavResponse CardDavClient::multiget(const QUrl& book, const QStringList& hrefs) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QString& h : hrefs)
        body += "<d:href>" + xmlEscaped(QString::fromLatin1(QUrl::toPercentEncoding(h, "/@:+"))).toUtf8() + "</d:href>";
    body += "</c:addressbook-multiget>";
    return report(book, 1, body);
}

} // namespace cardsync
