#include "GridSnapshot.h"

#include "DBGridEh.h"
#include "DatasetGridView.h"
#include "DatasetTableModel.h"
#include "Field.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>
#include <set>

namespace gridsnapshot {

namespace {

// The visible columns, by logical index, in the order shown.
std::vector<int> shownColumns(const DatasetGridView& grid) {
    std::vector<int> out;
    const QHeaderView* titles = grid.horizontalHeader();
    for (int v = 0; v < titles->count(); ++v) {
        const int logical = titles->logicalIndex(v);
        if (!grid.isColumnHidden(logical))
            out.push_back(logical);
    }
    return out;
}

} // namespace

OutputGrid of(const DatasetGridView& grid) {
    OutputGrid g;
    g.name = grid.objectName();
    g.dataset = grid.dataset();
    const QPalette& pal = grid.palette();
    const QHeaderView* titles = grid.horizontalHeader();
    g.font = grid.font();
    g.titleFont = titles->font();
    g.fixedColor = titles->palette().color(QPalette::Button);
    g.showTitles = !titles->isHidden();
    g.columnLines = g.rowLines = grid.showGrid();
    g.screenDpi = grid.logicalDpiY() > 0 ? grid.logicalDpiY() : 96.0;
    if (const auto* eh = qobject_cast<const DBGridEh*>(&grid)) {
        const GridColumns state = eh->columnState();
        g.rowHeight = state.rowHeight;
        g.textLines = state.textLines;
    }
    const DatasetTableModel* model = grid.tableModel();
    for (int logical : shownColumns(grid)) {
        OutputColumn c;
        const Field* f = model->field(logical);
        c.field = f ? f->name() : QString();
        c.title = model->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString();
        c.width = grid.columnWidth(logical);
        c.alignment = f ? (f->alignment() & Qt::AlignHorizontal_Mask) : Qt::AlignLeft;
        const QVariant ta = model->headerData(logical, Qt::Horizontal, Qt::TextAlignmentRole);
        c.titleAlignment = ta.isValid() ? (ta.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask) : Qt::AlignHCenter;
        if (!(c.titleAlignment & Qt::AlignHorizontal_Mask))
            c.titleAlignment = Qt::AlignHCenter;
        c.font = g.font;
        c.fontColor = pal.color(QPalette::Text);
        c.titleFont = g.titleFont;
        c.titleFontColor = titles->palette().color(QPalette::ButtonText);
        c.color = pal.color(QPalette::Base);
        g.columns.push_back(c);
    }
    return g;
}

OutputSelection selectionOf(const DatasetGridView& grid) {
    OutputSelection s;
    const QItemSelectionModel* sel = grid.selectionModel();
    if (!sel)
        return s;
    const QModelIndexList indexes = sel->selectedIndexes();
    if (indexes.size() <= 1)
        return s; // the current cell alone is no selection
    const std::vector<int> shown = shownColumns(grid);
    std::set<int> rows, columns;
    for (const QModelIndex& i : indexes) {
        if (grid.isColumnHidden(i.column()))
            continue;
        rows.insert(i.row());
        columns.insert(i.column());
    }
    if (rows.empty())
        return s;
    const int rowCount = grid.model()->rowCount();
    const bool allColumns = columns.size() == shown.size();
    const bool allRows = static_cast<int>(rows.size()) == rowCount;
    if (!allRows || allColumns) {
        s.allRows = false;
        s.rows.assign(rows.begin(), rows.end());
    }
    if (!allColumns) {
        for (size_t p = 0; p < shown.size(); ++p)
            if (columns.count(shown[p]))
                s.columns.push_back(static_cast<int>(p));
    }
    return s;
}

} // namespace gridsnapshot
