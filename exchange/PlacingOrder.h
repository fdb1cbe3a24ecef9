#pragma once

#include "VCard.h"

#include <functional>
#include <vector>

namespace exchange {

// The order in which the properties of a card take their columns. Phones, e-mails, web pages and
// messengers that say where they belong (a column named by the field parameter first, then a type or
// item label) take their columns before the untyped ones fill what is left; PREF=n (4.0) and
// TYPE=pref (3.0) order values of the same kind. Every other property keeps its place in the file.
// typesOf: the lower-case types of a property, item labels included.
std::vector<const vcard::Property*> placingOrder(const std::vector<vcard::Property>& properties,
                                                 const std::function<QStringList(const vcard::Property&)>& typesOf);

} // namespace exchange
