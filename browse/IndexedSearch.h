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

// Where one way of narrowing gives way to the next.
struct Limits {
    int maxListed = 6000;       // candidates listed in the condition (a statement holds 64 KB)
    int maxSharePercent = 10;   // beyond this share of the book the plain read is as quick, and its
                                // first rows come sooner
    int maxCandidates = 300000; // read by key from SEARCH_PICKS
};

Search prepare(Database& db, const QString& text, const Limits& limits = {});

} // namespace indexedsearch
