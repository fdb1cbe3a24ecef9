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
constexpr int kMaxCandidates = 6000;
} // namespace

QString condition(Database& db, const QString& text) {
    const QStringList& fields = FilterConditions::searchedFieldNames();
    const QString plain = FilterConditions::searchCondition(text, fields);
    if (plain.isEmpty())
        return plain;
    std::optional<searchindex::Candidates> found;
    try {
        found = searchindex::candidates(db.attachment(), db.transaction(), cp1251::encode(text), kMaxCandidates);
    } catch (const DbError&) {
        // A database without a usable index is searched the plain way, which reports its own errors.
    }
    if (!found)
        return plain;
    const QString narrowed = FilterConditions::narrowedSearchCondition(text, fields, found->keys, found->watermark);
    return narrowed.size() <= kMaxConditionBytes ? narrowed : plain;
}

} // namespace indexedsearch
