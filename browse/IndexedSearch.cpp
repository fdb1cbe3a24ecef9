#include "IndexedSearch.h"

#include "Cp1251.h"
#include "Database.h"
#include "DbError.h"
#include "FilterConditions.h"
#include "SearchIndex.h"

namespace indexedsearch {

namespace {
// The server reads a statement of at most 64 KB; the select list around the condition takes a
// little of that.
constexpr qsizetype kMaxConditionBytes = 60000;

// Writes the candidates for this connection, replacing an earlier search's; the select of their
// keys and of every contact changed since the index read them.
QString writePicks(Database& db, const std::vector<int>& keys, qint64 changedFrom) {
    static int lastPick = 0;
    const int pick = ++lastPick;
    fb::Transaction tr;
    tr.start(db.attachment());
    fb::executeImmediate(db.attachment(), tr, QStringLiteral("delete from SEARCH_PICKS"));
    fb::Statement insert(db.attachment(), tr,
                         QStringLiteral("insert into SEARCH_PICKS (PICK, NUM_MAIN) values (?, ?)"));
    for (int key : keys) {
        insert.setParam(0, pick);
        insert.setParam(1, key);
        insert.execute();
    }
    tr.commit();
    return QStringLiteral("select NUM_MAIN from SEARCH_PICKS where PICK = %1 union "
                          "select NUM_MAIN from \"MAIN\" where CHANGE_TX >= %2")
        .arg(pick)
        .arg(changedFrom);
}
} // namespace

Search prepare(Database& db, const QString& text, const Limits& limits) {
    const QStringList& fields = FilterConditions::searchedFieldNames();
    Search plain{FilterConditions::searchCondition(text, fields), {}};
    if (plain.condition.isEmpty())
        return plain;
    try {
        const std::optional<searchindex::Candidates> found =
            searchindex::candidates(db.attachment(), db.transaction(), cp1251::encode(text), limits.maxCandidates);
        if (!found)
            return plain;
        if (found->keys.size() > size_t(limits.maxListed)) {
            if (found->keys.size() * 100 > size_t(found->rows) * limits.maxSharePercent)
                return plain;
            return {plain.condition, writePicks(db, found->keys, found->watermark)};
        }
        const QString narrowed = FilterConditions::narrowedSearchCondition(text, fields, found->keys, found->watermark);
        return {narrowed.size() <= kMaxConditionBytes ? narrowed : plain.condition, {}};
    } catch (const DbError&) {
        // A database without a usable index is searched the plain way, which reports its own errors.
        return plain;
    }
}

} // namespace indexedsearch
