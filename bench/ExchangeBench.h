#pragma once

#include <QString>

class Dataset;
class TDM;

using RawFetch = double (*)(const QString& file, const QString& sql, qint64* bytes);
using MainSelect = QString (*)(const Dataset& m, const QString& where, const QString& order);

// Prints vcard_export_*, vcard_import_* and csv_import_* for the contacts of dm, the database in file;
// the import databases are made in folder. rawFetch times the bare client fetch of an SQL select, and
// mainSelect gives the select of the contact list.
void benchExchange(TDM& dm, const QString& file, const QString& folder, RawFetch rawFetch, MainSelect mainSelect);
