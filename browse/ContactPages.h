#pragma once

#include "GridLayout.h"

#include <QTabWidget>
#include <array>

class Dataset;
class DBGridEh;
class IniFile;

// The page control of the main window: five pages, each with one read-only grid over the shared
// contact list. The pages differ only in their columns; the list, its filter, sort and current
// contact are one for all of them.
class ContactPages : public QTabWidget {
    Q_OBJECT
public:
    explicit ContactPages(Dataset& tabMain, QWidget* parent = nullptr);

    Dataset& contacts() const { return tabMain_; }

    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr; // its tab is hidden: the page is never reachable
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet6 = nullptr;
    DBGridEh* DBGridEh1 = nullptr;
    DBGridEh* DBGridEh2 = nullptr;
    DBGridEh* DBGridEh3 = nullptr;
    DBGridEh* DBGridEh4 = nullptr;
    DBGridEh* DBGridEh5 = nullptr;
    DBGridEh* DBGridEh6 = nullptr;

    // The grids of the shown pages, in page order.
    std::array<DBGridEh*, 5> grids() const { return {DBGridEh1, DBGridEh2, DBGridEh3, DBGridEh5, DBGridEh6}; }
    // The shown grid that has the keyboard focus in this window, or nullptr.
    DBGridEh* focusedGrid() const;

    // The layout file: one grid's column state, and all five grids in page order.
    static void SaveGridLayout(const DBGridEh& grid, IniFile& file, const QString& section);
    static void RestoreGridLayout(DBGridEh& grid, const IniFile& file, const QString& section, LayoutParts parts);
    void saveGridLayouts(IniFile& file, const QString& section = QStringLiteral("TFormMain")) const;
    void restoreGridLayouts(const IniFile& file, const QString& section = QStringLiteral("TFormMain"),
                            LayoutParts parts = AllLayoutParts);

public Q_SLOTS:
    // Orders the contact list by the field; a failure leaves the list closed, without a message.
    void SortInGrid(const QString& fieldName);
    void DBGridEh1TitleBtnClick(int column, const QString& fieldName);
    void DBGridEh2TitleBtnClick(int column, const QString& fieldName);
    void DBGridEh3TitleBtnClick(int column, const QString& fieldName);
    void DBGridEh5TitleBtnClick(int column, const QString& fieldName);
    void DBGridEh6TitleBtnClick(int column, const QString& fieldName);
    void DBGridEh1DblClick();
    void DBGridEh2DblClick();
    void DBGridEh3DblClick();

    void acHideCurColumnExecute();
    void acShowAllColumnsExecute();
    // Deletes the current contact after the question M002; a failure shows the standard error box.
    void acDeleteExecute();
    // Deletes the current contact without a question; failures are ignored.
    void acDelExecute();
    // Turns the list filter off; failures are ignored.
    void acShowAllExecute();

Q_SIGNALS:
    // A double click on a grid: the contact editor opens on the current contact.
    void editRequested();

private:
    QWidget* addGridPage(const QString& pageName, const QString& caption, DBGridEh*& grid, const QString& gridName);

    Dataset& tabMain_;
};
