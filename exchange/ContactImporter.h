#pragma once

#include "DbError.h"
#include "ImportPlan.h"

class Database;

namespace exchange {

struct ImportResult {
    int added = 0;
    int merged = 0;
    int skipped = 0;
    int groupsCreated = 0;
};

// A failed import: nothing of it was kept. source is the card or line that failed (0 when none did).
class ImportError : public DbError {
public:
    ImportError(const DbError& cause, int source) : DbError(cause), source_(source) {}
    int source() const { return source_; }

private:
    int source_;
};

// Writes a plan in a transaction of its own on the program's connection, so that either every row of
// the import is stored or none is: the missing groups under their parents, new contacts with keys
// from the key procedure, merges that fill the empty columns of stored contacts. Inline photographs
// are written into photoFolder and linked; a failed import removes them again.
ImportResult runImport(Database& db, const ImportPlan& plan, const QString& photoFolder);

// The folder for inline photographs: "photos" beside a local database file, else beside the program.
QString photoFolderFor(const QString& databaseName, const QString& programFolder);

} // namespace exchange
