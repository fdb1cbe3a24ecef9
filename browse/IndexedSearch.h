#pragma once

#include <QString>

class Database;

// The condition the search window puts into the contact list's filter: the terms (the typed text in
// any searched field, by the server's Like), narrowed through the search index to the contacts that
// can match when the index covers the database: those the index names and those changed since it
// read them, by their change stamps, which the server evaluates every time the list is read, so a
// refresh sees what another copy saved after the search. Otherwise the plain terms.
namespace indexedsearch {

QString condition(Database& db, const QString& text);

} // namespace indexedsearch
