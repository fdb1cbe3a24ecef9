#include "ListIndexes.h"

#include "Database.h"
#include "DbError.h"
#include "FbClient.h"

namespace listindexes {

namespace {

struct ListIndex {
    const char* name;
    const char* table;
    const char* column;
};

// The same indexes as the schema's.
constexpr ListIndex kIndexes[] = {
    {"MAIN_FAM", "MAIN", "FAM"},
    {"MAIN_JOB_ORG", "MAIN", "JOB_ORG"},
    {"MAIN_GR_NUM", "MAIN", "GR_NUM"},
};

bool exists(fb::Attachment& db, const ListIndex& index) {
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("select 1 from RDB$INDICES where RDB$INDEX_NAME = ?"));
    st.setParam(0, QString::fromLatin1(index.name));
    st.execute();
    const bool found = st.fetch();
    st.close();
    return found;
}

} // namespace

void ensure(Database& db) {
    if (!db.connected())
        return;
    fb::Attachment& a = db.attachment();
    for (const ListIndex& index : kIndexes) {
        try {
            if (exists(a, index))
                continue;
            fb::Transaction tr;
            tr.start(a);
            fb::executeImmediate(
                a, tr,
                QStringLiteral("CREATE INDEX %1 ON \"%2\" (%3)")
                    .arg(QLatin1String(index.name), QLatin1String(index.table), QLatin1String(index.column)));
            tr.commit();
        } catch (const DbError&) {
            // Without the index the list reads the same rows, only its first rows come later.
        }
    }
}

} // namespace listindexes
