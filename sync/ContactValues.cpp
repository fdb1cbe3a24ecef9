#include "ContactValues.h"

#include "DeskPhotos.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace cardsync {

using namespace exchange;

bool synced(int column) {
    return column != NUM_MAIN;
}

Values valuesOf(const ContactRow& row) {
    Values v;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!synced(c))
            continue;
        if (c == GR_NUM)
            v[c] = row.groupPath;
        else if (c == FOTOLINK)
            v[c] = photoDigest(row.photo); // a desk row's file is read by LocalContacts
        else if (c == BITHDAY)
            v[c] = row.values[c].toDate().isValid() ? row.values[c].toDate().toString(Qt::ISODate) : QString();
        else
            v[c] = row.values[c].toString();
    }
    return v;
}

ContactRow rowOf(const Values& values) {
    ContactRow row;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!synced(c) || c == FOTOLINK || values[c].isEmpty())
            continue; // the photograph's digest names no file
        if (c == GR_NUM)
            row.groupPath = values[c];
        else if (c == BITHDAY)
            row.values[c] = QDate::fromString(values[c], Qt::ISODate);
        else
            row.values[c] = values[c];
    }
    return row;
}

QString toText(const Values& values) {
    QJsonObject o;
    for (int c = 0; c < ColumnCount; ++c)
        if (!values[c].isEmpty())
            o.insert(QString::fromLatin1(mapping(Column(c)).field), values[c]);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

Values fromText(const QString& text) {
    Values v;
    const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const int c = columnOfField(it.key());
        if (c >= 0 && synced(c))
            v[c] = it.value().toString();
    }
    return v;
}

std::vector<int> differences(const Values& a, const Values& b) {
    std::vector<int> out;
    for (int c = 0; c < ColumnCount; ++c)
        if (synced(c) && a[c] != b[c])
            out.push_back(c);
    return out;
}

QByteArray cardOf(const Values& values, const QString& uid, const QByteArray& photo) {
    QByteArray card;
    ContactRow row = rowOf(values);
    row.photo = photo;
    row.photoSuffix = pictureSuffix(photo);
    appendCard(card, row, VCardVersion::V3);
    // The writer names a card by the desk's key; a synced card keeps the UID it has on the server.
    QByteArray uidLine;
    vcard::appendLine(uidLine, "UID", vcard::escape(uid));
    const QByteArray version = "VERSION:3.0\r\n";
    const qsizetype at = card.indexOf(version);
    card.insert(at < 0 ? 0 : at + version.size(), uidLine);
    return card;
}

QString titleOf(const Values& values) {
    return rowOf(values).title();
}

} // namespace cardsync
