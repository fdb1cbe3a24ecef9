#include "ValueFit.h"

#include "PhoneCompact.h"

namespace exchange {

QString cutAtCharacter(const QString& text, int limit) {
    if (text.size() <= limit)
        return text;
    qsizetype end = limit;
    if (end > 0 && text[end - 1].isHighSurrogate())
        --end;
    return text.left(end);
}

void fitToColumns(ImportedContact& ic) {
    ContactRow& row = ic.row;
    for (int c = 0; c < ColumnCount; ++c) {
        const int limit = columnLimit(c);
        // A photograph's path is no text to cut: a path too long for its column refuses the card.
        if (limit <= 0 || c == FOTOLINK || row.values[c].isNull() || row.values[c].typeId() != QMetaType::QString)
            continue;
        const QString value = row.values[c].toString();
        if (value.size() <= limit)
            continue;
        if (qstrcmp(mapping(Column(c)).property, "TEL") == 0) {
            const QString compact = compactPhone(value);
            if (compact.size() <= limit) {
                row.set(Column(c), compact);
            } else {
                row.set(Column(c), QString());
                ic.notes << QStringLiteral("TEL: %1").arg(value);
            }
            continue;
        }
        row.set(Column(c), cutAtCharacter(value, limit));
        ic.cuts.push_back({c, static_cast<int>(value.size()), limit});
    }
}

} // namespace exchange
