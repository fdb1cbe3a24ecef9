// Creates an empty Korvane database with the six tables, key procedures and built-in groups.
#include "DbError.h"
#include "SchemaScript.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: korvane-mkdb DATABASE-FILE\n");
        return 2;
    }
    if (QFile::exists(args[1])) {
        std::fprintf(stderr, "%s exists already; it is left as it is\n", qPrintable(args[1]));
        return 1;
    }
    try {
        schema::createDatabase(args[1], schema::readScript(QStringLiteral(":/data/schema.sql")));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
