#include "Dataset.h"

#include "Database.h"
#include "DatasetSql.h"
#include "FbClient.h"

#include <cstring>

// Fetching: the select that reads the list, and reading it again with the current row kept.

using datasetsql::quoted;

QString Dataset::selectSql() const {
    QStringList columns;
    for (int fi : storedFields_)
        columns << quoted(fields_[fi]->column());
    QString sql =
        QStringLiteral("select %1, RDB$DB_KEY from %2").arg(columns.join(QStringLiteral(", ")), quoted(table_));
    if (filtered_ && !filter_.trimmed().isEmpty())
        sql += QStringLiteral(" where (") + filter_ + u')';
    const Field* order = sort_.isEmpty() ? nullptr : findField(sort_);
    if (order && order->isLookup())
        order = nullptr;
    sql += QStringLiteral(" order by ") + quoted((order ? *order : keyField()).column());
    return sql;
}

void Dataset::readRows() {
    fb::Statement st(db_.attachment(), db_.transaction(), selectSql());
    st.execute();
    const int n = static_cast<int>(storedFields_.size());
    std::vector<Row> rows;
    rows.reserve(4096);
    std::vector<quint16> offsets(n + 1);
    std::vector<char> payload;
    payload.reserve(4096);
    while (st.fetch()) {
        payload.clear();
        for (int c = 0; c < n; ++c) {
            offsets[c] = static_cast<quint16>(payload.size());
            if (st.isNull(c)) {
                offsets[c] |= Row::kNull;
                continue;
            }
            switch (fields_[storedFields_[c]]->type()) {
            case FieldType::Text: {
                int len = 0;
                const char* p = st.textData(c, &len);
                payload.insert(payload.end(), p, p + len);
                break;
            }
            case FieldType::Integer:
            case FieldType::SmallInt: {
                const qint32 v = static_cast<qint32>(st.integer(c));
                payload.insert(payload.end(), reinterpret_cast<const char*>(&v), reinterpret_cast<const char*>(&v) + 4);
                break;
            }
            case FieldType::Date: {
                const ISC_DATE d = st.rawDate(c);
                payload.insert(payload.end(), reinterpret_cast<const char*>(&d), reinterpret_cast<const char*>(&d) + 4);
                break;
            }
            }
        }
        offsets[n] = static_cast<quint16>(payload.size());
        int keyLen = 0;
        const char* key = st.textData(n, &keyLen);
        const size_t header = Row::kKeySize + 2 * (n + 1);
        Row row;
        row.bytes = std::make_unique_for_overwrite<char[]>(header + payload.size());
        std::memset(row.bytes.get(), 0, Row::kKeySize);
        std::memcpy(row.bytes.get(), key, std::min(keyLen, Row::kKeySize));
        std::memcpy(row.bytes.get() + Row::kKeySize, offsets.data(), 2 * (n + 1));
        if (!payload.empty())
            std::memcpy(row.bytes.get() + header, payload.data(), payload.size());
        rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    invalidateLookupCache();
}

void Dataset::readAndKeep(const QVariant& key) {
    try {
        readRows();
    } catch (...) {
        // The list is left closed; a later command opens it again.
        rows_.clear();
        current_ = -1;
        state_ = State::Inactive;
        emitReset();
        Q_EMIT stateChanged();
        throw;
    }
    current_ = rows_.empty() ? -1 : 0;
    if (!key.isNull()) {
        for (int r = 0; r < rowCount(); ++r) {
            if (value(r, 0) == key) {
                current_ = r;
                break;
            }
        }
    }
    emitReset();
}
