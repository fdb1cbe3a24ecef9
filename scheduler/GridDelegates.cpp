#include "GridDelegates.h"

#include "DbControls.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QLocale>

PickListDelegate::PickListDelegate(QStringList items, QObject* parent)
    : QStyledItemDelegate(parent), items_(std::move(items)) {}

QWidget* PickListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("PickList"));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items_);
    combo->setMaxVisibleItems(12);
    combo->lineEdit()->setValidator(new QIntValidator(-32768, 32767, combo));
    // Picking a value is the end of the edit, as typing Enter is.
    connect(combo, &QComboBox::activated, this, [this, combo] {
        auto* self = const_cast<PickListDelegate*>(this);
        Q_EMIT self->commitData(combo);
        Q_EMIT self->closeEditor(combo);
    });
    return combo;
}

void PickListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* combo = static_cast<QComboBox*>(editor);
    const QString text = index.data(Qt::DisplayRole).toString();
    const int at = combo->findText(text);
    combo->setCurrentIndex(at);
    combo->setEditText(text);
}

void PickListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    const QString text = static_cast<QComboBox*>(editor)->currentText().trimmed();
    if (text == index.data(Qt::DisplayRole).toString())
        return;
    model->setData(index, text, Qt::EditRole);
}

QWidget* DateCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("DateCell"));
    edit->setPlaceholderText(QLocale::system().dateFormat(QLocale::ShortFormat));
    return edit;
}

void DateCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QDate d = index.data(Qt::EditRole).toDate();
    static_cast<QLineEdit*>(editor)->setText(d.isValid() ? QLocale::system().toString(d, DateBox::format())
                                                         : QString());
}

void DateCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    const QString text = static_cast<QLineEdit*>(editor)->text().trimmed();
    const QDate d = DateBox::parse(text);
    if (!text.isEmpty() && !d.isValid()) {
        if (onError)
            onError(QStringLiteral("'%1' is not a valid date").arg(text));
        return;
    }
    if (d == index.data(Qt::EditRole).toDate())
        return;
    model->setData(index, d.isValid() ? QVariant(d) : QVariant(), Qt::EditRole);
}
