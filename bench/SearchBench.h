#pragma once

#include <QString>

class TDM;

// Builds the search index of the database in FILE on a thread of its own, as the program does in
// the background, and prints how long that took (search_index_build_ms).
void benchSearchIndexBuild(const QString& file, const QString& user, const QString& password);

// The search window's searches with the index ready: a text in one contact (search_selective_*)
// and a surname in one contact in 28 (search_surname_*), from the command to the first rows and to
// every row.
void benchSelectiveSearch(TDM& dm, int contacts);
