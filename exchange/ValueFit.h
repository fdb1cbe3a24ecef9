#pragma once

#include "ContactMapping.h"

// Makes the values of a card fit the database's columns before the card is checked, so that one long
// value never costs the whole contact.
namespace exchange {

// A text value beyond its column's limit is cut at a character boundary and listed in ic.cuts. A phone
// that does not fit as written takes its compact form ("+74951234567,1234"); one that does not fit even
// so is left out and listed among the values not stored.
void fitToColumns(ImportedContact& ic);

// The first `limit` characters of the text, one fewer when the cut would split a surrogate pair.
QString cutAtCharacter(const QString& text, int limit);

} // namespace exchange
