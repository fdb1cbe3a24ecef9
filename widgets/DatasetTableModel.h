#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QStringList>

#include "Dataset.h"
class Field;

// A table model over a shared dataset and a list of its fields. It holds no values: every cell is
// read from the dataset when a view paints it, so 100,000 rows cost nothing here.
class DatasetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetTableModel(QObject* parent = nullptr);

    // Rebinds to a dataset; an empty field list shows the dataset's visible fields in order.
    void setDataset(Dataset* dataset, const QStringList& fieldNames = {});
    Dataset* dataset() const { return dataset_; }
    // The field of a column.
    Field* field(int column) const;
    int columnOf(const QString& fieldName) const;
    const QStringList& fieldNames() const { return names_; }

    // The alignment of a column's title (the view's default when not set).
    void setTitleAlignment(int column, Qt::Alignment alignment) { titleAlignments_[column] = alignment; }

    // Cells can be typed into (the reference-book editor); typing edits the dataset's current row.
    void setEditable(bool editable) { editable_ = editable; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // A failure while typing into a cell (the dataset refused the value).
    void editFailed(const QString& message);

private:
    void connectDataset();
    void rebuildColumns();

    QPointer<Dataset> dataset_;
    QStringList requested_;
    QStringList names_;
    std::vector<int> fieldIndexes_;
    int rows_ = 0;
    bool editable_ = false;
    QHash<int, Qt::Alignment> titleAlignments_;
    QList<QMetaObject::Connection> connections_;
};
