#pragma once

#include <QString>
#include <QStringList>

// SQL text helpers shared by the parts of Dataset.
namespace datasetsql {

// A table or column name as a quoted identifier.
inline QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

// The select of a table's rows read by key from the keys a select names, for a filter whose
// candidates are known: the server looks each key up instead of reading the whole table. The key
// column is renamed in the derived table so that the table's own columns stay unambiguous.
inline QString drivenSelect(const QStringList& quotedColumns, const QString& table, const QString& keyColumn,
                            const QString& drivingKeys) {
    return QStringLiteral("select %1, %2.RDB$DB_KEY from %2 join (%3) DRIVING (DRIVING_KEY) on "
                          "DRIVING.DRIVING_KEY = %2.%4")
        .arg(quotedColumns.join(QStringLiteral(", ")), quoted(table), drivingKeys, quoted(keyColumn));
}

} // namespace datasetsql
