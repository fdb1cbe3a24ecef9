#pragma once

#include <QString>
#include <functional>

// The texts of the data layer that a user reads (in the messages of its errors). The data layer knows
// no language files: the language layer installs its message lookup here, and each text is looked up
// by its message key when the error is raised. Without a lookup, or for a key the lookup lacks, the
// English text given with the key stands.
namespace datatexts {

// Returns the text of a message key, or an empty text when it has none.
using Lookup = std::function<QString(const QString& key)>;

void setLookup(Lookup lookup);
QString text(const char* key, const char* english);

} // namespace datatexts
