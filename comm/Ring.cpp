#include "Ring.h"

#include "DMUnit.h"
#include "DatasetTableModel.h"
#include "servis.h"
#include "setphone.h"

#include <QTableView>

namespace {

// The grid itself, also when the focus sits on its viewport.
QTableView* gridOf(QWidget* focused) {
    if (auto* view = qobject_cast<QTableView*>(focused))
        return view;
    if (focused)
        if (auto* view = qobject_cast<QTableView*>(focused->parentWidget()); view && view->viewport() == focused)
            return view;
    return nullptr;
}

// The number under the cursor of a contact grid, or an empty text when there is none.
QString numberUnderCursor(QWidget* focused, TDM& dm) {
    QTableView* view = gridOf(focused);
    if (!view)
        return {};
    auto* model = qobject_cast<DatasetTableModel*>(view->model());
    if (!model || !model->dataset() || model->dataset() != dm.TabMain.get())
        return {};
    const QModelIndex cell = view->currentIndex();
    if (!cell.isValid())
        return {};
    const Field* field = model->field(cell.column());
    if (!field || field->tag() != commtag::Phone)
        return {};
    // The grids share the dataset's cursor: its current row is the contact under the cursor.
    const Dataset& contacts = *model->dataset();
    const int row = contacts.currentRow();
    return row < 0 ? QString() : contacts.displayText(row, field->index());
}

} // namespace

void acRingExecute(QWidget* focused, TDM& dm, TFormSelectPhone& picker) {
    QString number;
    try {
        number = numberUnderCursor(focused, dm);
    } catch (...) {
        number.clear(); // looking failed: the picker lets the user choose
    }
    if (!number.isEmpty()) {
        DialNumber(number);
        return;
    }
    picker.showModal();
}
