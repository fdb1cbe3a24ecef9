#pragma once

#include <QString>

class Database;

// What the search window puts into the contact list's filter: the terms (the typed text in any
// searched field, by the server's Like), narrowed through the search index when it covers the
// database to the contacts that can match: those the index names and those changed since it read
// them, by their change stamps, which the server evaluates every time the list is read, so a
// refresh sees what another copy saved after the search.
namespace indexedsearch {

struct Search {
    QString condition;
    // A select of the candidates' keys when there are more of them than the condition's key list
    // holds (Dataset::setFilterState's driving keys); empty otherwise.
    QString drivingKeys;
};

Search prepare(Database& db, const QString& text);

} // namespace indexedsearch
