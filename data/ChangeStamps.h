#pragma once

#include <QtGlobal>

namespace fb {
class Attachment;
}

// Every row of MAIN and GROUPS carries CHANGE_TX, the number of the transaction that last inserted
// or updated it, set by a trigger. Whatever keeps a copy of the contacts (the sync's last synced
// values, the search index) reads "what changed since I last looked" as one range of an index
// instead of comparing every row. A delete leaves no stamp: its key is simply gone.
//
// The stamps are made by the schema for a new database and added to an older one when it is opened.
// Rows written before that hold NULL.
namespace changestamps {

// Adds what is missing (columns, triggers, indexes), each step committed on its own. A database that
// refuses (another copy holds the table, a read-only file) keeps working without stamps and is tried
// again next time. Returns whether the database has them now.
bool ensure(fb::Attachment& db);

// Whether both tables have the column and its trigger.
bool present(fb::Attachment& db);

// The oldest transaction still active in the database, read in a transaction of its own. Read it
// before starting the snapshot that reads the rows: every change that snapshot cannot see was made by
// a transaction active now or started later, so its CHANGE_TX is at least this number.
qint64 watermark(fb::Attachment& db);

} // namespace changestamps
