#include "GridLayout.h"

#include "IniFile.h"
#include "SortMarkers.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

const QString defaultKey = QStringLiteral("(Default)");

QStringList splitWords(const QString& value) {
    // Commas and spaces both separate words; a run of them counts as one separator.
    static const QRegularExpression separators(QStringLiteral("[, ]+"));
    return value.split(separators, Qt::SkipEmptyParts);
}

// Word n (from 1) as a decimal integer; nothing when it is missing or not a number.
std::optional<int> number(const QStringList& words, int n) {
    if (n > words.size())
        return std::nullopt;
    bool ok = false;
    const int v = words[n - 1].toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

void SaveGridLayout(const GridColumns& grid, IniFile& file, const QString& section, const QString& gridName) {
    for (std::size_t i = 0; i < grid.columns.size(); ++i) {
        const ColumnState& c = grid.columns[i];
        const QString value = QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
                                  .arg(i)
                                  .arg(c.width)
                                  .arg(c.marker)
                                  .arg(c.visible ? 1 : 0)
                                  .arg(c.sortIndex)
                                  .arg(c.dropDownRows)
                                  .arg(c.dropDownWidth);
        file.writeString(section, gridName + u'.' + c.field, value);
    }
    file.writeString(section, defaultKey, QStringLiteral("%1,%2").arg(grid.rowHeight).arg(grid.textLines));
}

void RestoreGridLayout(GridColumns& grid, const IniFile& file, const QString& section, const QString& gridName,
                       LayoutParts parts) {
    auto& columns = grid.columns;
    const std::size_t count = columns.size();

    // The position each column asks for, by its present index; a column without a usable value asks for
    // the place it has.
    std::vector<long long> target(count);
    for (std::size_t i = 0; i < count; ++i) {
        target[i] = static_cast<long long>(i);
        ColumnState& c = columns[i];
        const QString value = file.readString(section, gridName + u'.' + c.field);
        if (value.isEmpty())
            continue;
        const QStringList words = splitWords(value);
        if (const auto v = number(words, 1))
            target[i] = *v;
        // A negative width cannot be drawn.
        if (const auto v = number(words, 2); v && *v >= 0 && parts.testFlag(LayoutPart::Width))
            c.width = *v;
        if (parts.testFlag(LayoutPart::Marker)) {
            // Only the three known markers; any other value would be a marker nobody can draw.
            if (const auto v = number(words, 3); v && *v >= SortMarkerNone && *v <= SortMarkerUp)
                c.marker = *v;
            c.sortIndex = number(words, 5).value_or(0);
        }
        if (const auto v = number(words, 4); v && parts.testFlag(LayoutPart::Visibility))
            c.visible = *v != 0;
    }

    if (parts.testFlag(LayoutPart::Position)) {
        // order[p] is the present index of the column that ends at position p. For each position from 0 up,
        // the first column asking for it is moved there; a later one asking for the same place stays where
        // the moves leave it, and so does one asking for a place the grid does not have.
        std::vector<std::size_t> order(count);
        for (std::size_t k = 0; k < count; ++k)
            order[k] = k;
        for (std::size_t i = 0; i < count; ++i) {
            const auto first = std::find(target.begin(), target.end(), static_cast<long long>(i));
            if (first == target.end())
                continue;
            const auto k = static_cast<std::size_t>(first - target.begin());
            order.erase(std::find(order.begin(), order.end(), k));
            order.insert(order.begin() + static_cast<std::ptrdiff_t>(i), k);
        }
        std::vector<ColumnState> reordered;
        reordered.reserve(count);
        for (std::size_t k : order)
            reordered.push_back(std::move(columns[k]));
        columns = std::move(reordered);
    }

    // Without the key (a missing file, say) the grid keeps its designed rows.
    const QString rows = file.readString(section, defaultKey);
    if (parts.testFlag(LayoutPart::RowHeight) && !rows.isEmpty()) {
        const QStringList words = splitWords(rows);
        grid.rowHeight = std::max(0, number(words, 1).value_or(0));
        grid.textLines = std::max(0, number(words, 2).value_or(0));
    }
}

void showAllColumns(GridColumns& grid) {
    for (ColumnState& c : grid.columns)
        if (c.field != u"NUM_MAIN")
            c.visible = true;
}
