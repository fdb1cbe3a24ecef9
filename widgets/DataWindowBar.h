#pragma once

#include <QString>

class DBNavigator;
class DataSource;
class Dataset;
class QPushButton;
class QWidget;

// The bottom bar of a window that edits rows: the record navigator at the left, "&Ok" and "Отмена"
// at the right. The buttons are never the default button, so Enter in a box or a cell does not
// close the window.
struct DataWindowBar {
    QWidget* panel = nullptr;
    DBNavigator* navigator = nullptr; // named "DBNavigator1"
    QPushButton* ok = nullptr;        // named "BitBtn1"
    QPushButton* cancel = nullptr;    // named "BitBtn2"
};

// Makes the bar as a child of parent; the caller lays it out. A buttonWidth of 0 keeps the
// buttons' natural width.
DataWindowBar makeDataWindowBar(QWidget* parent, const QString& panelName, int height, DataSource* source,
                                int buttonWidth = 0);

// What the bar's OK does to the window's dataset: a pending change is saved. When the save is
// refused the user is told why and the change stays pending; the result is then false and the
// window stays open with the typed values, so that they can be mended, refreshed or cancelled.
[[nodiscard]] bool postClosingWindow(Dataset& dataset);
// What its Cancel does: a pending change is discarded; a failed discard is of no interest, since
// the window closes.
void cancelClosingWindow(Dataset& dataset);
