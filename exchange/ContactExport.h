#pragma once

#include "ContactMapping.h"
#include "ImportPlan.h"

class Dataset;
class QIODevice;

namespace exchange {

// The group tree of the shared groups dataset; groups still coming from the server are read first.
GroupPaths groupPathsOf(Dataset& groups);

enum class ExportFormat { VCard4, VCard3, Csv };

// Writes the contact list as the grids show it (its rows in their order, under the list filter and
// sort) to the device. vCard files carry each contact's photograph inline when its file can be read
// and a card for every group that no exported contact names; CSV files carry every column with the
// column titles given (the grids' titles, in field order) and one line for each such group.
// Contacts still coming from the server are read first, so the file holds the whole list.
// Returns the number of contacts written; throws std::runtime_error when the device fails.
int exportContacts(Dataset& contacts, const GroupPaths& groups, ExportFormat format, QIODevice& out,
                   const QStringList& titles = {}, const QString& groupTitle = {});

// One row of the contacts dataset as it travels.
ContactRow rowOf(const Dataset& contacts, int row, const GroupPaths& groups, bool readPhoto);

} // namespace exchange
