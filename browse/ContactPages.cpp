#include "ContactPages.h"

#include "DBGridEh.h"
#include "Dataset.h"
#include "DbError.h"
#include "IniFile.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "PendingChange.h"

#include <QApplication>
#include <QVBoxLayout>

namespace {

// Builders for the column lists below.
GridColumnDef key() {
    return {QStringLiteral("NUM_MAIN"), false, false, 0, true};
}

void add(std::vector<GridColumnDef>& to, std::initializer_list<const char*> fields, bool sortable,
         bool titleLeft = false) {
    for (const char* f : fields)
        to.push_back({QString::fromLatin1(f), sortable, titleLeft, 0, false});
}

void setWidth(std::vector<GridColumnDef>& columns, const char* field, int width) {
    for (GridColumnDef& c : columns)
        if (c.field == QLatin1String(field))
            c.width = width;
}

std::vector<GridColumnDef> columnsMain() {
    std::vector<GridColumnDef> c{key()};
    add(c, {"JOB_ORG", "FAM", "FIRST_NAME", "MID_NAME"}, true);
    add(c, {"GROUP_NAME"}, false);
    add(c, {"DEPARTAMENT", "JOB_POST",  "OCCUPATION", "BITHDAY",   "AREA_CODE", "JOB_TEL1", "JOB_TEL2",
            "JOB_TEL3",    "JOB_TEL4",  "JOB_FAX",    "HOME_TEL1", "HOME_TEL2", "HOME_FAX", "CELLULAR",
            "PAGER",       "JOB_EMAIL", "HOME_EMAIL", "JOB_WWW",   "HOME_WWW",  "JOB_ICQ",  "OTHER_COMMUN"},
        true);
    return c;
}

std::vector<GridColumnDef> columnsWork() {
    std::vector<GridColumnDef> c{key()};
    add(c, {"JOB_ORG", "FAM", "FIRST_NAME", "MID_NAME", "DEPARTAMENT", "JOB_POST", "OCCUPATION"}, true);
    add(c, {"JOB_ADDRESS", "JOB_CITY", "JOB_ST", "JOB_ZIP"}, false, true);
    add(c,
        {"AREA_CODE", "JOB_TEL1", "JOB_TEL2", "JOB_TEL3", "JOB_TEL4", "JOB_FAX", "CELLULAR", "PAGER", "JOB_EMAIL",
         "JOB_WWW", "JOB_ICQ", "BITHDAY", "OTHER_COMMUN"},
        true);
    return c;
}

std::vector<GridColumnDef> columnsHome() {
    std::vector<GridColumnDef> c{key()};
    add(c, {"FAM", "FIRST_NAME", "MID_NAME", "NICKNAME", "BITHDAY"}, true);
    add(c, {"HOME_ADDRESS", "HOME_CITY", "HOME_ST", "HOME_ZIP"}, false, true);
    add(c,
        {"AREA_CODE", "HOME_TEL1", "HOME_TEL2", "HOME_FAX", "CELLULAR", "PAGER", "HOME_EMAIL", "HOME_WWW", "HOME_ICQ",
         "OTHER_COMMUN"},
        true);
    setWidth(c, "BITHDAY", 99);
    return c;
}

std::vector<GridColumnDef> columnsOther() {
    std::vector<GridColumnDef> c{key()};
    add(c, {"FAM", "FIRST_NAME", "MID_NAME", "NICKNAME", "BITHDAY", "OTHER_COMMUN", "NOTES"}, true);
    setWidth(c, "BITHDAY", 95);
    setWidth(c, "NOTES", 250);
    return c;
}

std::vector<GridColumnDef> columnsAll() {
    std::vector<GridColumnDef> c{key()};
    add(c, {"JOB_ORG",     "FAM",       "FIRST_NAME", "MID_NAME",     "JOB_POST",     "DEPARTAMENT", "GR_NUM",
            "GROUP_NAME",  "NICKNAME",  "OCCUPATION", "JOBRIGHTFORM", "BITHDAY",      "FOTOLINK",    "COUNTRY",
            "JOB_ADDRESS", "JOB_CITY",  "JOB_ST",     "JOB_ZIP",      "HOME_ADDRESS", "HOME_CITY",   "HOME_ST",
            "HOME_ZIP",    "AREA_CODE", "JOB_TEL1",   "JOB_TEL2",     "JOB_TEL3",     "JOB_TEL4",    "JOB_FAX",
            "HOME_TEL1",   "HOME_TEL2", "HOME_FAX",   "CELLULAR",     "PAGER",        "JOB_EMAIL",   "HOME_EMAIL",
            "JOB_WWW",     "HOME_WWW",  "JOB_ICQ",    "HOME_ICQ",     "OTHER_COMMUN", "NOTES"},
        false);
    return c;
}

} // namespace

ContactPages::ContactPages(Dataset& tabMain, QWidget* parent) : QTabWidget(parent), tabMain_(tabMain) {
    setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 =
        addGridPage(QStringLiteral("TabSheet1"), QStringLiteral("Основные"), DBGridEh1, QStringLiteral("DBGridEh1"));
    TabSheet2 =
        addGridPage(QStringLiteral("TabSheet2"), QStringLiteral("Работа"), DBGridEh2, QStringLiteral("DBGridEh2"));
    TabSheet3 = addGridPage(QStringLiteral("TabSheet3"), QStringLiteral("Дом"), DBGridEh3, QStringLiteral("DBGridEh3"));
    TabSheet4 =
        addGridPage(QStringLiteral("TabSheet4"), QStringLiteral("Друзья"), DBGridEh4, QStringLiteral("DBGridEh4"));
    TabSheet5 =
        addGridPage(QStringLiteral("TabSheet5"), QStringLiteral("Разное"), DBGridEh5, QStringLiteral("DBGridEh5"));
    TabSheet6 = addGridPage(QStringLiteral("TabSheet6"), QStringLiteral("Всё"), DBGridEh6, QStringLiteral("DBGridEh6"));
    const int hiddenPage = indexOf(TabSheet4);
    setTabVisible(hiddenPage, false);
    setTabEnabled(hiddenPage, false);

    DBGridEh1->setColumns(&tabMain_, columnsMain());
    DBGridEh2->setColumns(&tabMain_, columnsWork());
    DBGridEh3->setColumns(&tabMain_, columnsHome());
    DBGridEh5->setColumns(&tabMain_, columnsOther());
    DBGridEh6->setColumns(&tabMain_, columnsAll());

    connect(DBGridEh1, &DBGridEh::titleBtnClick, this, &ContactPages::DBGridEh1TitleBtnClick);
    connect(DBGridEh2, &DBGridEh::titleBtnClick, this, &ContactPages::DBGridEh2TitleBtnClick);
    connect(DBGridEh3, &DBGridEh::titleBtnClick, this, &ContactPages::DBGridEh3TitleBtnClick);
    connect(DBGridEh5, &DBGridEh::titleBtnClick, this, &ContactPages::DBGridEh5TitleBtnClick);
    connect(DBGridEh6, &DBGridEh::titleBtnClick, this, &ContactPages::DBGridEh6TitleBtnClick);
    connect(DBGridEh1, &DBGridEh::dblClick, this, &ContactPages::DBGridEh1DblClick);
    connect(DBGridEh2, &DBGridEh::dblClick, this, &ContactPages::DBGridEh2DblClick);
    connect(DBGridEh3, &DBGridEh::dblClick, this, &ContactPages::DBGridEh3DblClick);
    connect(DBGridEh5, &DBGridEh::dblClick, this, &ContactPages::editRequested);
    connect(DBGridEh6, &DBGridEh::dblClick, this, &ContactPages::editRequested);

    setCurrentWidget(TabSheet6);
}

QWidget* ContactPages::addGridPage(const QString& pageName, const QString& caption, DBGridEh*& grid,
                                   const QString& gridName) {
    auto* page = new QWidget(this);
    page->setObjectName(pageName);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    grid = new DBGridEh(gridName, page);
    layout->addWidget(grid);
    addTab(page, caption);
    return page;
}

DBGridEh* ContactPages::focusedGrid() const {
    QWidget* focus = window()->focusWidget();
    if (!focus)
        focus = QApplication::focusWidget();
    for (DBGridEh* g : grids())
        if (focus == g || (focus && g->isAncestorOf(focus)))
            return g;
    return nullptr;
}

void ContactPages::SortInGrid(const QString& fieldName) {
    try {
        tabMain_.setSortField(fieldName);
    } catch (const std::exception&) {
        // The list stays closed until a later command opens it again.
    }
}

void ContactPages::DBGridEh1TitleBtnClick(int, const QString& fieldName) {
    SortInGrid(fieldName);
}
void ContactPages::DBGridEh2TitleBtnClick(int, const QString& fieldName) {
    SortInGrid(fieldName);
}
void ContactPages::DBGridEh3TitleBtnClick(int, const QString& fieldName) {
    SortInGrid(fieldName);
}
void ContactPages::DBGridEh5TitleBtnClick(int, const QString& fieldName) {
    SortInGrid(fieldName);
}
void ContactPages::DBGridEh6TitleBtnClick(int, const QString& fieldName) {
    SortInGrid(fieldName);
}

void ContactPages::DBGridEh1DblClick() {
    Q_EMIT editRequested();
}
void ContactPages::DBGridEh2DblClick() {
    Q_EMIT editRequested();
}
void ContactPages::DBGridEh3DblClick() {
    Q_EMIT editRequested();
}

void ContactPages::acHideCurColumnExecute() {
    if (DBGridEh* g = focusedGrid())
        g->hideCurrentColumn();
}

void ContactPages::acShowAllColumnsExecute() {
    if (DBGridEh* g = focusedGrid())
        g->showAllColumns();
}

void ContactPages::acDeleteExecute() {
    if (!msgbox::confirm(LangMessage(QStringLiteral("M002"), QStringLiteral("M002"))))
        return;
    try {
        tabMain_.deleteCurrent();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}

void ContactPages::acDelExecute() {
    try {
        tabMain_.open();
        tabMain_.deleteCurrent();
    } catch (const std::exception&) {
    }
}

void ContactPages::acShowAllExecute() {
    if (tabMain_.filtered() && !pendingchange::settleBeforeReread(tabMain_))
        return;
    try {
        tabMain_.setFiltered(false);
    } catch (const std::exception&) {
    }
}

void ContactPages::SaveGridLayout(const DBGridEh& grid, IniFile& file, const QString& section) {
    ::SaveGridLayout(grid.columnState(), file, section, grid.objectName());
}

void ContactPages::RestoreGridLayout(DBGridEh& grid, const IniFile& file, const QString& section, LayoutParts parts) {
    GridColumns state = grid.columnState();
    ::RestoreGridLayout(state, file, section, grid.objectName(), parts);
    grid.setColumnState(state);
}

void ContactPages::saveGridLayouts(IniFile& file, const QString& section) const {
    for (DBGridEh* g : grids())
        SaveGridLayout(*g, file, section);
}

void ContactPages::restoreGridLayouts(const IniFile& file, const QString& section, LayoutParts parts) {
    for (DBGridEh* g : grids())
        RestoreGridLayout(*g, file, section, parts);
}
