#pragma once

#include <QString>

// SQL text helpers shared by the parts of Dataset.
namespace datasetsql {

// A table or column name as a quoted identifier.
inline QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

} // namespace datasetsql
