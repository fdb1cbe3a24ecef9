#pragma once

#include <QString>

class DBNavigator;
class DataSource;
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
