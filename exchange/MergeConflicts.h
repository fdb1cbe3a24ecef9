#pragma once

#include "ImportPlan.h"

class Database;

namespace exchange {

// The values a merge would throw away: for every duplicate card of the plan, the columns where the
// stored contact already holds another value than the card. Filling only empty columns drops the
// card's values; taking the incoming ones replaces the stored values.
void findMergeConflicts(Database& db, ImportPlan& plan);

// The same for one stored row (the group as its path) and one card; used by findMergeConflicts.
std::vector<MergeConflict> mergeConflicts(const ContactRow& stored, const ContactRow& incoming);

} // namespace exchange
