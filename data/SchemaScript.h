#pragma once

#include <QString>
#include <QStringList>

namespace fb {
class Attachment;
}

// Runs an SQL script of the kind isql reads: statements end with the terminator, which
// "SET TERM" changes; comments and quoted texts are respected.
namespace schema {

QStringList splitStatements(const QString& script);

// Creates a database file and runs the script in it; throws DbError.
void createDatabase(const QString& path, const QString& script, const QString& user = QStringLiteral("SYSDBA"),
                    const QString& password = QStringLiteral("masterkey"));

// The script from a file (UTF-8).
QString readScript(const QString& file);

} // namespace schema
