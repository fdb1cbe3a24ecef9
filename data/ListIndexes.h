#pragma once

class Database;

// The indexes that the contact list's orders and filters read through, so that the first rows of a
// sort by surname or organisation, or of a group, come without reading every contact first. A new
// database gets them from the schema; an older one gets the missing ones when it is opened.
namespace listindexes {

// Creates the missing indexes, each committed on its own. A database that refuses (another copy
// holds the table, a read-only file) keeps working without them and is tried again next time.
void ensure(Database& db);

} // namespace listindexes
