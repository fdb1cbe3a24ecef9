#pragma once

#include <QString>

// The first start of an installed program: the user's Phones.ini is made from the shipped one,
// speaking the language of the locale, and the empty database it names by default is created from
// the schema. Files the user has already are never replaced. Does nothing for a build folder or a
// portable copy, whose files lie in the program folder.
namespace firststart {

// Makes what is missing, a new Phones.ini remembering the interface language languageValue ("EN",
// "CU"); returns a text saying what failed, empty when all is there.
QString prepareUserFiles(const QString& languageValue);

} // namespace firststart
