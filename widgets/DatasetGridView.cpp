#include "DatasetGridView.h"

#include "DatasetTableModel.h"
#include "DbError.h"
#include "MessageBoxes.h"

#include <QApplication>
#include <QHeaderView>

DatasetGridView::DatasetGridView(QWidget* parent) : QTableView(parent), model_(new DatasetTableModel(this)) {
    onError = [](const QString& message) { msgbox::showError(message); };
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide(); // row numbers mean nothing to the user
    horizontalHeader()->setStretchLastSection(true);
    connect(model_, &DatasetTableModel::editFailed, this, [this](const QString& m) { onError(m); });
    // A rebuilt or refilled model loses the current index: put it back on the dataset's row.
    connect(model_, &QAbstractItemModel::modelReset, this, &DatasetGridView::followCursor);
    // While rows come and go the view shifts its current index by itself; that is no move of the
    // user's, so the dataset is not moved until the change is done and the grid follows it.
    auto holdCursor = [this] { following_ = true; };
    connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, holdCursor);
    connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, holdCursor);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &DatasetGridView::followCursor);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &DatasetGridView::followCursor);
}

Dataset* DatasetGridView::dataset() const {
    return source_ ? source_->dataset() : dataset_.data();
}

void DatasetGridView::bindDataset(Dataset* dataset, const QStringList& fieldNames) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = nullptr;
    dataset_ = dataset;
    fieldNames_ = fieldNames;
    attach();
}

void DatasetGridView::setDataSource(DataSource* source) {
    if (source_ == source) {
        attach();
        return;
    }
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    dataset_ = nullptr;
    fieldNames_.clear();
    if (source_)
        connect(source_, &DataSource::datasetChanged, this, &DatasetGridView::attach);
    attach();
}

void DatasetGridView::attach() {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    // The model connects to the dataset first, so a re-read resets it before the cursor follows.
    model_->setDataset(dataset(), fieldNames_);
    if (Dataset* d = dataset())
        connections_ << connect(d, &Dataset::currentChanged, this, &DatasetGridView::followCursor);
    followCursor();
}

void DatasetGridView::setEditable(bool editable) {
    model_->setEditable(editable);
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked
                             : QAbstractItemView::NoEditTriggers);
}

void DatasetGridView::commitOpenEditor() {
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return;
    if (QWidget* editor = indexWidget(index)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DatasetGridView::discardOpenEditor() {
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void DatasetGridView::followCursor() {
    Dataset* d = dataset();
    const int row = d ? d->currentRow() : -1;
    following_ = true;
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    } else if (currentIndex().row() != row) {
        int column = currentIndex().column();
        if (column < 0 || column >= model_->columnCount() || isColumnHidden(column))
            column = firstVisibleColumn();
        const QModelIndex index = model_->index(row, column);
        setCurrentIndex(index);
        scrollTo(index);
    }
    following_ = false;
}

int DatasetGridView::firstVisibleColumn() const {
    const QHeaderView* titles = horizontalHeader();
    for (int v = 0; v < titles->count(); ++v) {
        const int logical = titles->logicalIndex(v);
        if (!isColumnHidden(logical))
            return logical;
    }
    return 0;
}

void DatasetGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid() || current.row() == previous.row())
        return;
    Dataset* d = dataset();
    if (!d || d->currentRow() == current.row())
        return;
    try {
        d->moveTo(current.row());
    } catch (const DbError& e) {
        onError(e.message());
    }
    // A refused move (the pending change could not be saved) leaves the cursor where it was.
    if (d->currentRow() != current.row())
        QMetaObject::invokeMethod(this, &DatasetGridView::followCursor, Qt::QueuedConnection);
}

QModelIndex DatasetGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    Dataset* d = dataset();
    if (d && d->fetching() && action == MoveEnd && (modifiers & Qt::ControlModifier)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            d->fetchAll();
        } catch (const DbError& e) {
            if (onError)
                onError(e.message());
        }
        QApplication::restoreOverrideCursor();
    }
    return QTableView::moveCursor(action, modifiers);
}
