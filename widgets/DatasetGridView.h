#pragma once

#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <functional>

#include "Dataset.h"

class DatasetTableModel;

// A grid over a data source's dataset whose selected row is the dataset's current row: clicking a
// row moves the shared cursor, and moving the cursor elsewhere moves the grid. Without a field list
// it shows the dataset's visible fields.
class DatasetGridView : public QTableView {
    Q_OBJECT
public:
    explicit DatasetGridView(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }
    // Binds to a dataset with the given fields, in this order.
    void bindDataset(Dataset* dataset, const QStringList& fieldNames);
    Dataset* dataset() const;
    DatasetTableModel* tableModel() const { return model_; }

    // Cells can be typed into; typing edits the current row.
    void setEditable(bool editable);
    // Hands an open cell editor's text to the dataset and closes the editor.
    void commitOpenEditor();
    // Closes an open cell editor without handing its text on.
    void discardOpenEditor();

    // Where a refused move or value is reported; the standard error box unless replaced.
    std::function<void(const QString&)> onError;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Ctrl+End goes to the list's last row: the rows still coming are read first.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    // Puts the grid's current row on the dataset's current row, keeping the column when it shows.
    void followCursor();
    int firstVisibleColumn() const;

private:
    void attach();

    QPointer<DataSource> source_;
    QPointer<Dataset> dataset_; // bound directly, without a data source
    QStringList fieldNames_;
    DatasetTableModel* model_;
    QList<QMetaObject::Connection> connections_;
    bool following_ = false;
};
