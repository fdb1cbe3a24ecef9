#include "ChangeStamps.h"

#include "DbError.h"
#include "FbClient.h"

namespace changestamps {

namespace {

struct StampedTable {
    const char* table;
    const char* trigger; // also the index's name
};

// The same names as the schema's.
constexpr StampedTable kTables[] = {
    {"MAIN", "MAIN_CHANGE_TX"},
    {"GROUPS", "GROUPS_CHANGE_TX"},
};

bool found(fb::Attachment& db, const QString& sql, const char* name) {
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, sql);
    st.setParam(0, QString::fromLatin1(name));
    st.execute();
    const bool any = st.fetch();
    st.close();
    return any;
}

bool hasColumn(fb::Attachment& db, const StampedTable& t) {
    return found(db,
                 QStringLiteral("select 1 from RDB$RELATION_FIELDS where RDB$RELATION_NAME = ? and "
                                "RDB$FIELD_NAME = 'CHANGE_TX'"),
                 t.table);
}

bool hasTrigger(fb::Attachment& db, const StampedTable& t) {
    return found(db,
                 QStringLiteral("select 1 from RDB$TRIGGERS where RDB$TRIGGER_NAME = ? and "
                                "coalesce(RDB$TRIGGER_INACTIVE, 0) = 0"),
                 t.trigger);
}

bool hasIndex(fb::Attachment& db, const StampedTable& t) {
    return found(db, QStringLiteral("select 1 from RDB$INDICES where RDB$INDEX_NAME = ?"), t.trigger);
}

void run(fb::Attachment& db, const QString& sql) {
    fb::Transaction tr;
    tr.start(db);
    fb::executeImmediate(db, tr, sql);
    tr.commit();
}

} // namespace

bool present(fb::Attachment& db) {
    for (const StampedTable& t : kTables) {
        if (!hasColumn(db, t) || !hasTrigger(db, t))
            return false;
    }
    return true;
}

bool ensure(fb::Attachment& db) {
    if (!db.attached())
        return false;
    try {
        for (const StampedTable& t : kTables) {
            const QString table = QLatin1String(t.table);
            const QString name = QLatin1String(t.trigger);
            if (!hasColumn(db, t))
                run(db, QStringLiteral("ALTER TABLE \"%1\" ADD CHANGE_TX BIGINT").arg(table));
            if (!hasTrigger(db, t))
                run(db, QStringLiteral("CREATE OR ALTER TRIGGER %1 FOR \"%2\" ACTIVE BEFORE INSERT OR UPDATE "
                                       "POSITION 0 AS BEGIN NEW.CHANGE_TX = CURRENT_TRANSACTION; END")
                            .arg(name, table));
            if (!hasIndex(db, t))
                run(db, QStringLiteral("CREATE INDEX %1 ON \"%2\" (CHANGE_TX)").arg(name, table));
        }
        return present(db);
    } catch (const DbError&) {
        // Without the stamps every reader compares all rows, as before.
        try {
            return present(db);
        } catch (const DbError&) {
            return false;
        }
    }
}

qint64 watermark(fb::Attachment& db) {
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("select MON$OLDEST_ACTIVE from MON$DATABASE"));
    st.execute();
    const qint64 oldest = st.fetch() ? st.integer(0) : 0;
    st.close();
    tr.commit();
    return oldest;
}

} // namespace changestamps
