#pragma once

#include "ContactMapping.h"

#include <vector>

// Group cards of server address books name their members by UID (3.0 X-ADDRESSBOOKSERVER-MEMBER,
// 4.0 MEMBER); here those names are turned into the members' group paths.
namespace exchange {

// The UID a member reference names: "urn:uuid:" taken off, letter case ignored.
QString memberKey(const QString& uidOrReference);

// Puts every card that a group card names into that group. A card's own CATEGORIES win; every group
// card that names a card is kept in its memberOf, so a disagreement can be shown.
void assignGroupMembers(std::vector<ImportedContact>& cards);

} // namespace exchange
