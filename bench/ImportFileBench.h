#pragma once

#include <QString>

// korvane-bench --import-file FILE: reads a vCard or CSV file and plans its import against a fresh, empty
// database without writing anything, and prints the times and counts as name=value lines. Returns the
// process exit code.
int benchImportFile(const QString& path, const QString& user, const QString& password);
