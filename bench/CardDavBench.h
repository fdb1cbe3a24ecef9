#pragma once

#include <QString>

// korvane-bench --carddav-contacts N: starts a Radicale on loopback filled with N generated cards
// (written into its storage), and prints the times of the first sync into an empty database, of a
// bare sync-collection report with card data, of a sync with nothing changed and of a sync after one
// change on the server and one on the desk, as name=value lines. Returns the process exit code.
int benchCardDav(int cards, const QString& user, const QString& password);
