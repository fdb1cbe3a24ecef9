#pragma once

#include "ImportPlan.h"

#include <QString>

// The texts of the exchange windows and messages: each under a message key of the language file,
// with its Russian text while the file has none.
namespace exchange {

QString text(const char* key, const char* russian);

// The reason a card is refused, naming the column by its title in the current language.
QString refusalText(const Refusal& r, const QStringList& columnTitles);
// Why a card looks like a stored contact.
QString duplicateText(const DuplicateMatch& m);
QString actionText(Action a);
// The name of a CSV layout.
QString layoutText(csv::Layout layout);
// What the preview says of a CSV file's header: its layout and the columns without a place.
QString csvFactsText(const CsvFacts& facts);

} // namespace exchange
