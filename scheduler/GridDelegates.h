#pragma once

#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

// In-place editors of the task grid.

// A box that can be typed into with a drop-down of values to pick (the hour and minute columns);
// the list only offers values, any small integer can be typed.
class PickListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PickListDelegate(QStringList items, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    const QStringList& items() const { return items_; }

private:
    QStringList items_;
};

// A date cell: typed in the locale's short format; an empty cell holds no date. A text that is no
// date is reported and the cell keeps its date.
class DateCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DateCellDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    std::function<void(const QString&)> onError;
};
