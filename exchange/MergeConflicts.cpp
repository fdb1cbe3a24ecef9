#include "MergeConflicts.h"

#include "Database.h"

#include <QHash>

namespace exchange {
namespace {

// Values that differ only in what a reader does not see are no conflict: phone numbers by their
// digits, e-mail addresses by letter case, texts by surrounding blanks.
bool sameValue(int c, const QString& a, const QString& b) {
    for (Column p : phoneColumns())
        if (p == c)
            return phoneDigits(a) == phoneDigits(b);
    if (c == JOB_EMAIL || c == HOME_EMAIL)
        return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
    return a.trimmed() == b.trimmed();
}

QString shown(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(Qt::ISODate);
    return v.toString();
}

} // namespace

std::vector<MergeConflict> mergeConflicts(const ContactRow& stored, const ContactRow& incoming) {
    std::vector<MergeConflict> out;
    for (int c = 0; c < ColumnCount; ++c) {
        if (c == NUM_MAIN)
            continue;
        if (c == GR_NUM) {
            const QString a = joinGroupPath(splitGroupPath(stored.groupPath));
            const QString b = joinGroupPath(splitGroupPath(incoming.groupPath));
            if (!a.isEmpty() && !b.isEmpty() && a != b)
                out.push_back({c, stored.groupPath, incoming.groupPath, 0});
            continue;
        }
        if (stored.isEmpty(Column(c)))
            continue;
        if (c == FOTOLINK && !incoming.photo.isEmpty()) {
            out.push_back({c, stored.text(FOTOLINK), incoming.photoSuffix, incoming.photo.size()});
            continue;
        }
        if (incoming.isEmpty(Column(c)))
            continue;
        const QString a = shown(stored.values[c]);
        const QString b = shown(incoming.values[c]);
        if (!sameValue(c, a, b))
            out.push_back({c, a, b, 0});
    }
    return out;
}

void findMergeConflicts(Database& db, ImportPlan& plan) {
    QHash<int, std::vector<size_t>> cardsOf; // stored key -> duplicate cards
    for (size_t i = 0; i < plan.cards.size(); ++i)
        if (plan.cards[i].status == CardStatus::Duplicate)
            cardsOf[plan.cards[i].duplicate.num].push_back(i);
    if (cardsOf.isEmpty())
        return;
    std::vector<GroupRow> groupRows;
    Query groups(db, QStringLiteral("select GR_NUM, PARENT_GROUP, GROUP_NAME from \"GROUPS\" order by GR_NUM"));
    for (const auto& r : groups.run({}))
        groupRows.push_back({r[0].toInt(), r[1].isNull() ? 0 : r[1].toInt(), r[2].toString()});
    const GroupPaths paths(groupRows);

    QStringList cols;
    for (int c = 0; c < ColumnCount; ++c)
        cols << QString::fromLatin1(mapping(Column(c)).field).toUpper();
    const QList<int> keys = cardsOf.keys();
    // Keys go into the statement as numbers, a few hundred at a time (Firebird takes at most 1,500 in IN).
    constexpr qsizetype kBatch = 500;
    for (qsizetype from = 0; from < keys.size(); from += kBatch) {
        QStringList numbers;
        for (qsizetype i = from; i < std::min(keys.size(), from + kBatch); ++i)
            numbers << QString::number(keys[i]);
        Query q(db, QStringLiteral("select %1 from \"MAIN\" where NUM_MAIN in (%2)")
                        .arg(cols.join(QStringLiteral(", ")), numbers.join(QStringLiteral(", "))));
        for (const auto& r : q.run({})) {
            ContactRow stored;
            for (int c = 0; c < ColumnCount; ++c)
                stored.values[c] = r[c];
            if (!r[GR_NUM].isNull())
                stored.groupPath = paths.path(r[GR_NUM].toInt());
            for (size_t card : cardsOf.value(r[NUM_MAIN].toInt()))
                plan.cards[card].conflicts = mergeConflicts(stored, plan.cards[card].contact.row);
        }
    }
}

} // namespace exchange
