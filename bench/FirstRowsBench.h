#pragma once

#include <QString>

// Prints first_rows_ms (a fresh start of the data module to the contact grid's first paint),
// fetch_all_ms (to the last row read, the event loop running meanwhile), max_event_stall_ms (the
// longest turn of the event loop while the rest was read), and sort_first_rows_ms,
// letter_first_rows_ms and search_first_rows_ms (the command to the grid painted with the new list's
// first rows), for the program folder's database.
void benchFirstRows(const QString& folder, const QString& letterCondition);
