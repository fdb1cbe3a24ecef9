#include "DataWindowBar.h"

#include "DBNavigator.h"
#include "Dataset.h"
#include "DbError.h"
#include "MessageBoxes.h"

#include <QHBoxLayout>
#include <QPushButton>

DataWindowBar makeDataWindowBar(QWidget* parent, const QString& panelName, int height, DataSource* source,
                                int buttonWidth) {
    DataWindowBar bar;
    bar.panel = new QWidget(parent);
    bar.panel->setObjectName(panelName);
    bar.panel->setFixedHeight(height);
    auto* row = new QHBoxLayout(bar.panel);
    row->setContentsMargins(6, 0, 6, 0);
    bar.navigator = new DBNavigator(bar.panel);
    bar.navigator->setObjectName(QStringLiteral("DBNavigator1"));
    if (source != nullptr)
        bar.navigator->setDataSource(source);
    row->addWidget(bar.navigator);
    row->addStretch(1);
    bar.ok = new QPushButton(QStringLiteral("&Ok"), bar.panel);
    bar.ok->setObjectName(QStringLiteral("BitBtn1"));
    bar.cancel = new QPushButton(QStringLiteral("Отмена"), bar.panel);
    bar.cancel->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton* b : {bar.ok, bar.cancel}) {
        b->setAutoDefault(false);
        if (buttonWidth > 0)
            b->setFixedWidth(buttonWidth);
        row->addWidget(b);
    }
    return bar;
}

bool postClosingWindow(Dataset& dataset) {
    if (!dataset.isEditing())
        return true;
    try {
        dataset.post();
        return true;
    } catch (const DbError& e) {
        msgbox::showError(e.message());
        return false;
    }
}

void cancelClosingWindow(Dataset& dataset) {
    try {
        dataset.cancel();
    } catch (...) {
    }
}
