#pragma once

#include <QString>
#include <optional>

// The two interface languages, each with its language file, its code (which names the grid-text file
// "DBgrids.<code>") and the value remembered under [Language] Autoloadlng of Phones.ini.
enum class LanguageChoice { English, Russian };

namespace language {

QString fileName(LanguageChoice choice);    // "English.ini", "Custom.ini"
QString code(LanguageChoice choice);        // "en", "ru"
QString storedValue(LanguageChoice choice); // "EN", "CU"

// The choice a remembered value selects, compared in capitals: "EN" English, "CU" Russian, anything
// else (empty included) none.
std::optional<LanguageChoice> fromStoredValue(const QString& value);

// The remembered value of Phones.ini in the program folder; empty when it is absent.
QString readStoredValue();
// Remembers the choice in Phones.ini of the program folder. Throws UnableToWriteError
// ("Unable to write to <path>") when the file cannot be written.
void writeStoredValue(LanguageChoice choice);

// The value a new installation starts with: "CU" for a Russian locale name ("ru", "ru_RU.UTF-8"),
// "EN" for any other.
QString valueForLocale(const QString& localeName);
// The same for the user's locale: the first of LC_ALL, LC_MESSAGES and LANG that is set.
QString valueForUserLocale();

} // namespace language
