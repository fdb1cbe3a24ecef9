#include "DatasetTableModel.h"

#include "Dataset.h"
#include "DbError.h"

DatasetTableModel::DatasetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DatasetTableModel::setDataset(Dataset* dataset, const QStringList& fieldNames) {
    beginResetModel();
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    dataset_ = dataset;
    requested_ = fieldNames;
    rebuildColumns();
    rows_ = dataset_ ? dataset_->rowCount() : 0;
    endResetModel();
    connectDataset();
}

void DatasetTableModel::rebuildColumns() {
    names_.clear();
    fieldIndexes_.clear();
    if (!dataset_)
        return;
    if (requested_.isEmpty()) {
        for (int i = 0; i < dataset_->fieldCount(); ++i) {
            if (dataset_->field(i).visible()) {
                names_ << dataset_->field(i).name();
                fieldIndexes_.push_back(i);
            }
        }
        return;
    }
    for (const QString& name : requested_) {
        if (Field* f = dataset_->findField(name)) {
            names_ << f->name();
            fieldIndexes_.push_back(f->index());
        }
    }
}

void DatasetTableModel::connectDataset() {
    if (!dataset_)
        return;
    Dataset* d = dataset_;
    connections_ << connect(d, &Dataset::dataReset, this, [this] {
        beginResetModel();
        rows_ = dataset_->rowCount();
        endResetModel();
    });
    connections_ << connect(d, &Dataset::rowAboutToBeInserted, this,
                            [this](int row) { beginInsertRows({}, row, row); });
    connections_ << connect(d, &Dataset::rowInserted, this, [this](int) {
        rows_ = dataset_->rowCount();
        endInsertRows();
    });
    connections_ << connect(d, &Dataset::rowsAboutToBeAppended, this,
                            [this](int first, int last) { beginInsertRows({}, first, last); });
    connections_ << connect(d, &Dataset::rowsAppended, this, [this](int, int) {
        rows_ = dataset_->rowCount();
        endInsertRows();
    });
    connections_ << connect(d, &Dataset::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connections_ << connect(d, &Dataset::rowRemoved, this, [this](int) {
        rows_ = dataset_->rowCount();
        endRemoveRows();
    });
    connections_ << connect(d, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rows_ && !fieldIndexes_.empty())
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connections_ << connect(d, &Dataset::lookupsChanged, this, [this] {
        if (rows_ > 0 && !fieldIndexes_.empty())
            Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    });
    connections_ << connect(d, &Dataset::fieldsChanged, this, [this] {
        if (requested_.isEmpty()) {
            // The visible fields decide the columns of a grid without a list of its own.
            beginResetModel();
            rebuildColumns();
            endResetModel();
        } else if (columnCount() > 0) {
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        }
    });
    connections_ << connect(d, &QObject::destroyed, this, [this] {
        beginResetModel();
        rows_ = 0;
        names_.clear();
        fieldIndexes_.clear();
        endResetModel();
    });
}

Field* DatasetTableModel::field(int column) const {
    if (!dataset_ || column < 0 || column >= static_cast<int>(fieldIndexes_.size()))
        return nullptr;
    return &dataset_->field(fieldIndexes_[column]);
}

int DatasetTableModel::columnOf(const QString& fieldName) const {
    for (int c = 0; c < names_.size(); ++c)
        if (names_[c].compare(fieldName, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

int DatasetTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DatasetTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fieldIndexes_.size());
}

QVariant DatasetTableModel::data(const QModelIndex& index, int role) const {
    if (!dataset_ || !index.isValid() || index.row() >= rows_)
        return {};
    const int fi = fieldIndexes_[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return dataset_->displayText(index.row(), fi);
    case Qt::EditRole:
        return dataset_->value(index.row(), fi);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(dataset_->field(fi).alignment() | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DatasetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return {}; // row numbers mean nothing to the user
    if (role == Qt::TextAlignmentRole && titleAlignments_.contains(section))
        return QVariant::fromValue(titleAlignments_.value(section));
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (Field* f = field(section))
        return f->displayName();
    return {};
}

Qt::ItemFlags DatasetTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || role != Qt::EditRole || !dataset_ || !index.isValid())
        return false;
    try {
        dataset_->moveTo(index.row());
        const int fi = fieldIndexes_[index.column()];
        if (dataset_->value(index.row(), fi) == value)
            return true;
        dataset_->setValue(fi, value);
        return true;
    } catch (const DbError& e) {
        Q_EMIT editFailed(e.message());
        return false;
    }
}
