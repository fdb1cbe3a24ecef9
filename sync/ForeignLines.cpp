#include "ForeignLines.h"

#include "ContactMapping.h"
#include "VCard.h"

#include <QSet>
#include <QString>

namespace cardsync {

namespace {

// Property names the card reader turns into columns, or reads as the card's frame, or drops on
// purpose (labels of grouped properties it does not keep).
const QSet<QByteArray>& mappedNames() {
    static const QSet<QByteArray> names = [] {
        QSet<QByteArray> n = {"BEGIN",        "END",
                              "VERSION",      "PRODID",
                              "REV",          "X-ABLABEL",
                              "CLIENTPIDMAP", "UID",
                              "MEMBER",       "X-ADDRESSBOOKSERVER-MEMBER",
                              "KIND",         "X-ADDRESSBOOKSERVER-KIND",
                              "FN",           "N",
                              "ORG",          "NOTE",
                              "BDAY",         "ADR",
                              "TEL",          "EMAIL",
                              "URL",          "IMPP",
                              "X-ICQ",        "X-JABBER",
                              "X-SKYPE",      "X-SKYPE-USERNAME",
                              "X-AIM",        "X-MSN",
                              "X-YAHOO",      "X-GOOGLE-TALK",
                              "CATEGORIES"};
        for (const exchange::ColumnMapping& m : exchange::mappingTable())
            n.insert(QByteArray(m.property).toUpper());
        return n;
    }();
    return names;
}

// The property name of an unfolded content line, without its group ("item1.TEL" is TEL).
QByteArray nameOf(const QByteArray& line) {
    qsizetype end = 0;
    while (end < line.size() && line[end] != ':' && line[end] != ';')
        ++end;
    QByteArray name = line.left(end).trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.mid(dot + 1);
}

// Properties of which a card may hold more than the desk has slots for.
bool mayOverflow(const QByteArray& name) {
    return name == "TEL" || name == "EMAIL" || name == "URL" || name == "IMPP" || name.startsWith("X-ICQ") ||
           name == "X-JABBER" || name == "X-SKYPE" || name == "X-SKYPE-USERNAME";
}

// Whether the desk held the value of a content line at the last sync: phone numbers by their digits,
// other addresses as text without regard to case or a scheme written before them (mailto:, icq:).
bool heldBefore(const QByteArray& name, const QByteArray& line, const Values& lastSynced) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return true;
    const QString value = vcard::unescape(QString::fromUtf8(line.mid(colon + 1))).trimmed();
    if (name == "TEL") {
        const QString digits = exchange::phoneDigits(value);
        if (digits.isEmpty())
            return true;
        for (const QString& held : lastSynced)
            if (!held.isEmpty() && exchange::phoneDigits(held) == digits)
                return true;
        return false;
    }
    for (const QString& held : lastSynced) {
        if (held.isEmpty())
            continue;
        if (held.compare(value, Qt::CaseInsensitive) == 0 ||
            (value.endsWith(held, Qt::CaseInsensitive) && value.at(value.size() - held.size() - 1) == u':'))
            return true;
    }
    return false;
}

} // namespace

bool keepsServerPhoto(const Values& values, const QByteArray& deskPhoto, const QByteArray& serverCard) {
    if (!deskPhoto.isEmpty())
        return false;
    if (!values[exchange::FOTOLINK].isEmpty())
        return true;
    const std::vector<vcard::Card> parsed = vcard::parse(serverCard);
    return !parsed.empty() && exchange::contactFromCard(parsed.front()).row.photo.isEmpty();
}

QByteArray withForeignLines(const QByteArray& deskCard, const QByteArray& serverCard, const Values* lastSynced,
                            bool keepServerPhoto) {
    // The server's first card, line by line; a folded line keeps its continuation lines as written.
    QByteArray kept;
    QByteArray physical; // the lines of the current property as written
    QByteArray logical;  // the same, unfolded, to read its name
    bool inCard = false;
    auto flush = [&] {
        if (!logical.isEmpty() && inCard) {
            const QByteArray name = nameOf(logical);
            if (!mappedNames().contains(name) || (keepServerPhoto && name == "PHOTO") ||
                (lastSynced && mayOverflow(name) && !heldBefore(name, logical, *lastSynced)))
                kept += physical;
        }
        physical.clear();
        logical.clear();
    };
    for (QByteArray line : serverCard.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) {
            if (!logical.isEmpty()) {
                physical += line + "\r\n";
                logical += line.mid(1);
            }
            continue;
        }
        flush();
        if (line.isEmpty())
            continue;
        const QByteArray name = nameOf(line);
        if (name == "BEGIN")
            inCard = true;
        if (name == "END") {
            if (inCard)
                break;
            continue;
        }
        physical = line + "\r\n";
        logical = line;
    }
    if (kept.isEmpty())
        return deskCard;
    const qsizetype end = deskCard.lastIndexOf("END:VCARD");
    if (end < 0)
        return deskCard;
    QByteArray out = deskCard;
    out.insert(end, kept);
    return out;
}

} // namespace cardsync
