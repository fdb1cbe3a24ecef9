#include "ForeignLines.h"

#include "ContactMapping.h"

#include <QSet>
#include <QString>

namespace cardsync {

namespace {

// Property names the card reader turns into columns, or reads as the card's frame, or drops on
// purpose (labels of grouped properties it does not keep). PHOTO is not among them: the sync never
// uploads a photograph, so the phone's stays.
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
        n.remove("PHOTO");
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

} // namespace

QByteArray withForeignLines(const QByteArray& deskCard, const QByteArray& serverCard) {
    // The server's first card, line by line; a folded line keeps its continuation lines as written.
    QByteArray kept;
    QByteArray physical; // the lines of the current property as written
    QByteArray logical;  // the same, unfolded, to read its name
    bool inCard = false;
    auto flush = [&] {
        if (!logical.isEmpty() && inCard && !mappedNames().contains(nameOf(logical)))
            kept += physical;
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
