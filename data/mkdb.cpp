// Creates an empty Korvane database with the six tables, key procedures and built-in groups.
#include "DbError.h"
#include "SchemaScript.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: korvane-mkdb DATABASE-FILE [USER [PASSWORD]]\n"
                             "  DATABASE-FILE may be HOST:PATH to create it through a Firebird server;\n"
                             "  USER and PASSWORD (default SYSDBA, masterkey) become its owner.\n");
        return 2;
    }
    const QString user = args.size() > 2 ? args[2] : QStringLiteral("SYSDBA");
    const QString password = args.size() > 3 ? args[3] : QStringLiteral("masterkey");
    if (QFile::exists(args[1])) {
        std::fprintf(stderr, "%s exists already; it is left as it is\n", qPrintable(args[1]));
        return 1;
    }
    try {
        schema::createDatabase(args[1], schema::readScript(QStringLiteral(":/data/schema.sql")), user, password);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
