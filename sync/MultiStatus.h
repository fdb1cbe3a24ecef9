#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The WebDAV multistatus answers of PROPFIND and REPORT, read with the properties CardDAV needs.
namespace cardsync {

struct DavEntry {
    QString href;        // as the server wrote it, percent-decoded
    int status = 0;      // the response's own status (sync-collection: 404 for a removed card); 0 when none
    QString etag;        // getetag, quotes kept
    QString addressData; // address-data: the card itself, when asked for and given
    QString displayName;
    bool addressBook = false; // resourcetype holds addressbook
    QString principal;        // current-user-principal/href
    QString homeSet;          // addressbook-home-set/href
};

struct MultiStatus {
    std::vector<DavEntry> entries;
    QString syncToken;
    bool valid = false; // a multistatus document was read
};

MultiStatus parseMultiStatus(const QByteArray& xml);

// The status code of a status line ("HTTP/1.1 404 Not Found" -> 404); 0 when none.
int statusCode(const QString& line);

} // namespace cardsync
