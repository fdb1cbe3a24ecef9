#include "DBGridEh.h"

#include "Dataset.h"
#include "DatasetTableModel.h"
#include "DbError.h"
#include "MessageBoxes.h"
#include "SortMarkers.h"

#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

// The model of a grid: the shared table model plus the grid's own title alignment. The row
// titles stay empty: the row indicator draws the only mark there.
// Column titles: sortable titles act as buttons and show their sort marker at the right edge.
class DBGridEh::TitleHeader : public QHeaderView {
public:
    explicit TitleHeader(DBGridEh* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {}

    Qt::KeyboardModifiers releaseModifiers = Qt::NoModifier;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        // The click is reported from inside the base handler; Ctrl is judged at the release.
        releaseModifiers = event->modifiers();
        QHeaderView::mouseReleaseEvent(event);
    }

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        // The base painter leaves its own clip behind; the mark is drawn with the clip we were given.
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex < 0 || logicalIndex >= grid_->columnCountDesigned())
            return;
        const int marker = grid_->sortMarker(logicalIndex);
        if (marker == SortMarkerNone || rect.width() < 16)
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal cx = rect.right() - 8.0;
        const qreal cy = rect.center().y() + 0.5;
        QPainterPath arrow;
        if (marker == SortMarkerDown) {
            arrow.moveTo(cx - 4, cy - 2);
            arrow.lineTo(cx + 4, cy - 2);
            arrow.lineTo(cx, cy + 3);
        } else {
            arrow.moveTo(cx - 4, cy + 3);
            arrow.lineTo(cx + 4, cy + 3);
            arrow.lineTo(cx, cy - 2);
        }
        arrow.closeSubpath();
        painter->fillPath(arrow, palette().color(QPalette::ButtonText));
        const int index = grid_->sortIndex(logicalIndex);
        if (index > 1) {
            // A multi-column marking numbers its titles beside the arrows.
            QFont f = painter->font();
            f.setPointSizeF(f.pointSizeF() * 0.75);
            painter->setFont(f);
            painter->drawText(QRectF(cx - 16, rect.top(), 10, rect.height()), Qt::AlignCenter, QString::number(index));
        }
        painter->restore();
    }

private:
    DBGridEh* grid_;
};

// The narrow column at the left that points at the current row.
class DBGridEh::RowIndicator : public QHeaderView {
public:
    explicit RowIndicator(DBGridEh* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
        setFixedWidth(kWidth);
    }
    // The size is fixed, so the header never measures its 100,000 sections.
    QSize sizeHint() const override { return {kWidth, defaultSectionSize()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        // The base painter leaves its own clip behind; the mark is drawn with the clip we were given.
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex != grid_->currentIndex().row())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const qreal cy = rect.center().y() + 0.5;
        const qreal left = rect.left() + 3.0;
        QPainterPath arrow;
        arrow.moveTo(left, cy - 4);
        arrow.lineTo(left + 5, cy);
        arrow.lineTo(left, cy + 4);
        arrow.closeSubpath();
        painter->fillPath(arrow, palette().color(QPalette::ButtonText));
        painter->restore();
    }

private:
    static constexpr int kWidth = 12;
    DBGridEh* grid_;
};

DBGridEh::DBGridEh(const QString& name, QWidget* parent) : DatasetGridView(parent) {
    setObjectName(name);
    titles_ = new TitleHeader(this);
    indicator_ = new RowIndicator(this);
    setHorizontalHeader(titles_);
    setVerticalHeader(indicator_);
    indicator_->show();

    // A title click sorts; it must not select the column (which would move the shared cursor).
    disconnect(titles_, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(titles_, &QHeaderView::sectionEntered, this, nullptr);
    disconnect(indicator_, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(indicator_, &QHeaderView::sectionEntered, this, nullptr);

    titles_->setSectionsClickable(true);
    titles_->setSectionsMovable(true);
    titles_->setSortIndicatorShown(false);
    titles_->setHighlightSections(false);
    titles_->setSectionResizeMode(QHeaderView::Interactive);
    titles_->setStretchLastSection(false);
    titles_->setMinimumSectionSize(8);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTextElideMode(Qt::ElideRight);

    defaultRowHeight_ = fontMetrics().height() + 4;
    indicator_->setDefaultSectionSize(defaultRowHeight_);
    indicator_->setMinimumSectionSize(std::min(defaultRowHeight_, 8));

    connect(titles_, &QHeaderView::sectionClicked, this,
            [this](int logical) { clickTitle(logical, titles_->releaseModifiers); });
    connect(titles_, &QHeaderView::sectionResized, this, &DBGridEh::onSectionResized);
    // The row indicator points at the current row.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (current.row() != previous.row())
                    indicator_->viewport()->update();
            });
}

DBGridEh::~DBGridEh() = default;

void DBGridEh::setColumns(Dataset* dataset, std::vector<GridColumnDef> columns) {
    defs_ = std::move(columns);
    QStringList names;
    for (const GridColumnDef& c : defs_)
        names << c.field;
    bindDataset(dataset, names);
    DatasetTableModel* model = tableModel();
    Q_ASSERT(model->columnCount() == columnCountDesigned()); // every designed field must exist
    for (int c = 0; c < columnCountDesigned(); ++c)
        model->setTitleAlignment(c, defs_[c].titleLeft ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                       : Qt::Alignment(Qt::AlignCenter));
    widths_.assign(defs_.size(), 0);
    markers_.assign(defs_.size(), SortMarkerNone);
    sortIndexes_.assign(defs_.size(), 0);
    for (int c = 0; c < columnCountDesigned(); ++c) {
        widths_[c] = defs_[c].width > 0 ? defs_[c].width : defaultWidth(c);
        titles_->resizeSection(c, widths_[c]);
        setColumnHidden(c, defs_[c].hidden);
    }
    followCursor();
}

int DBGridEh::defaultWidth(int column) const {
    const Field* f = tableModel()->field(column);
    const QFontMetrics cells = fontMetrics();
    int content = 0;
    if (f) {
        switch (f->type()) {
        case FieldType::Text:
            // Long texts (notes, addresses) get a useful start width; the user widens them by dragging.
            content = std::clamp(f->size(), 4, 28) * cells.averageCharWidth();
            break;
        case FieldType::Date:
            // The widest date of the user's short format (a long month name, two-digit days).
            content =
                std::max(cells.horizontalAdvance(QStringLiteral("00.00.0000")),
                         cells.horizontalAdvance(QLocale::system().toString(QDate(2000, 9, 28), QLocale::ShortFormat)));
            break;
        case FieldType::Integer:
        case FieldType::SmallInt:
            content = cells.horizontalAdvance(QStringLiteral("0000000"));
            break;
        }
    }
    const QString title = f ? f->displayName() : defs_[column].field;
    // Room for the title and its sort marker, so no title is cut at the designed width.
    const int titleWidth = titles_->fontMetrics().horizontalAdvance(title) + 24;
    return std::max(content + 10, titleWidth);
}

int DBGridEh::columnOf(const QString& fieldName) const {
    for (int c = 0; c < columnCountDesigned(); ++c)
        if (defs_[c].field.compare(fieldName, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

int DBGridEh::position(int column) const {
    return titles_->visualIndex(column);
}

void DBGridEh::setColumnVisible(int column, bool visible) {
    if (column < 0 || column >= columnCountDesigned())
        return;
    setColumnHidden(column, !visible);
    if (visible && titles_->sectionSize(column) != widths_[column] && widths_[column] > 0)
        titles_->resizeSection(column, widths_[column]);
}

void DBGridEh::onSectionResized(int logical, int, int newSize) {
    if (logical >= 0 && logical < columnCountDesigned() && newSize > 0 && !isColumnHidden(logical))
        widths_[logical] = newSize;
}

void DBGridEh::hideCurrentColumn() {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    setColumnHidden(current.column(), true);
}

void DBGridEh::showAllColumns() {
    GridColumns state = columnState();
    ::showAllColumns(state);
    for (const ColumnState& c : state.columns)
        if (c.visible)
            setColumnVisible(columnOf(c.field), true);
}

void DBGridEh::clickTitle(int column, Qt::KeyboardModifiers modifiers) {
    if (column < 0 || column >= columnCountDesigned() || !defs_[column].sortable)
        return;
    Q_EMIT titleBtnClick(column, defs_[column].field);
    // The marker is display only: the list is ascending by the last clicked column whatever it shows.
    GridColumns state = columnState();
    clickSortTitle(state, static_cast<std::size_t>(position(column)), modifiers.testFlag(Qt::ControlModifier));
    for (const ColumnState& c : state.columns) {
        const int logical = columnOf(c.field);
        markers_[logical] = c.marker;
        sortIndexes_[logical] = c.sortIndex;
    }
    titles_->viewport()->update();
}

GridColumns DBGridEh::columnState() const {
    GridColumns state;
    state.rowHeight = rowHeight_;
    state.textLines = textLines_;
    for (int v = 0; v < titles_->count(); ++v) {
        const int logical = titles_->logicalIndex(v);
        ColumnState c;
        c.field = defs_[logical].field;
        c.width = widths_[logical];
        c.marker = markers_[logical];
        c.visible = !isColumnHidden(logical);
        c.sortIndex = sortIndexes_[logical];
        state.columns.push_back(c);
    }
    return state;
}

void DBGridEh::setColumnState(const GridColumns& state) {
    int target = 0;
    for (const ColumnState& c : state.columns) {
        const int logical = columnOf(c.field);
        if (logical < 0)
            continue;
        const int from = titles_->visualIndex(logical);
        if (from != target)
            titles_->moveSection(from, target);
        ++target;
        if (c.width > 0)
            widths_[logical] = c.width;
        // A hidden section forgets its size; show it to size it, then hide it again if asked.
        setColumnHidden(logical, false);
        titles_->resizeSection(logical, widths_[logical]);
        setColumnHidden(logical, !c.visible);
        markers_[logical] = c.marker;
        sortIndexes_[logical] = c.sortIndex;
    }
    rowHeight_ = state.rowHeight;
    textLines_ = state.textLines;
    indicator_->setDefaultSectionSize(rowHeight_ > 0 ? rowHeight_ : defaultRowHeight_);
    titles_->viewport()->update();
}

void DBGridEh::mouseDoubleClickEvent(QMouseEvent* event) {
    DatasetGridView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        Q_EMIT dblClick();
}
