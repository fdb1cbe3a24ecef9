#include "MultiStatus.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace cardsync {

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

QString decodedHref(const QString& text) {
    return QUrl::fromPercentEncoding(text.trimmed().toUtf8());
}

// Reads one <response> element; the reader stands on its start.
DavEntry readResponse(QXmlStreamReader& xml) {
    DavEntry e;
    int propstatStatus = 0;
    DavEntry props; // properties of the propstat being read; kept when its status is 200
    QStringList path = {QStringLiteral("response")};
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            const QString ns = xml.namespaceUri().toString();
            const QString parent = path.value(path.size() - 1);
            if (ns == kDav && name == u"href" && parent == u"response") {
                e.href = decodedHref(xml.readElementText());
                continue;
            }
            if (ns == kDav && name == u"status" && parent == u"response") {
                e.status = statusCode(xml.readElementText());
                continue;
            }
            if (ns == kDav && name == u"status" && parent == u"propstat") {
                propstatStatus = statusCode(xml.readElementText());
                continue;
            }
            if (ns == kDav && name == u"getetag") {
                props.etag = xml.readElementText().trimmed();
                continue;
            }
            if (ns == kDav && name == u"displayname") {
                props.displayName = xml.readElementText().trimmed();
                continue;
            }
            if (ns == kCardDav && name == u"address-data") {
                props.addressData = xml.readElementText();
                continue;
            }
            if (ns == kCardDav && name == u"addressbook" && parent == u"resourcetype") {
                props.addressBook = true;
                xml.skipCurrentElement();
                continue;
            }
            if (ns == kDav && name == u"href" && parent == u"current-user-principal") {
                props.principal = decodedHref(xml.readElementText());
                continue;
            }
            if (ns == kDav && name == u"href" && parent == u"addressbook-home-set") {
                props.homeSet = decodedHref(xml.readElementText());
                continue;
            }
            if (name == u"propstat") {
                propstatStatus = 0;
                props = DavEntry();
            }
            path << name;
        } else if (token == QXmlStreamReader::EndElement) {
            const QString name = xml.name().toString();
            if (name == u"response")
                return e;
            if (name == u"propstat" && (propstatStatus == 200 || propstatStatus == 0)) {
                if (!props.etag.isEmpty())
                    e.etag = props.etag;
                if (!props.addressData.isEmpty())
                    e.addressData = props.addressData;
                if (!props.displayName.isEmpty())
                    e.displayName = props.displayName;
                e.addressBook = e.addressBook || props.addressBook;
                if (!props.principal.isEmpty())
                    e.principal = props.principal;
                if (!props.homeSet.isEmpty())
                    e.homeSet = props.homeSet;
            }
            if (!path.isEmpty())
                path.removeLast();
        }
    }
    return e;
}

} // namespace

int statusCode(const QString& line) {
    const QStringList parts = line.simplified().split(u' ');
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

MultiStatus parseMultiStatus(const QByteArray& bytes) {
    MultiStatus out;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (xml.namespaceUri() != kDav)
            continue;
        if (name == u"multistatus")
            out.valid = true;
        else if (name == u"response")
            out.entries.push_back(readResponse(xml));
        else if (name == u"sync-token")
            out.syncToken = xml.readElementText().trimmed();
    }
    if (xml.hasError())
        out.valid = false;
    return out;
}

} // namespace cardsync
