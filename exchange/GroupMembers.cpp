#include "GroupMembers.h"

#include <QHash>

namespace exchange {

QString memberKey(const QString& reference) {
    QString key = reference.trimmed();
    if (key.startsWith(QLatin1String("urn:uuid:"), Qt::CaseInsensitive))
        key = key.mid(9);
    return key.toCaseFolded();
}

void assignGroupMembers(std::vector<ImportedContact>& cards) {
    QHash<QString, size_t> byUid;
    bool anyMembers = false;
    for (size_t i = 0; i < cards.size(); ++i) {
        const ImportedContact& c = cards[i];
        anyMembers = anyMembers || (c.groupOnly && !c.members.isEmpty());
        if (!c.groupOnly && !c.uid.isEmpty())
            byUid.insert(memberKey(c.uid), i); // a UID given twice: the last card holds it
    }
    if (!anyMembers)
        return;
    for (const ImportedContact& group : cards) {
        if (!group.groupOnly || group.row.groupPath.isEmpty())
            continue;
        for (const QString& member : group.members) {
            const auto it = byUid.constFind(memberKey(member));
            if (it == byUid.constEnd())
                continue;
            ImportedContact& card = cards[*it];
            if (card.memberOf.contains(group.row.groupPath))
                continue;
            card.memberOf << group.row.groupPath;
            if (card.row.groupPath.isEmpty())
                card.row.groupPath = group.row.groupPath;
        }
    }
}

} // namespace exchange
