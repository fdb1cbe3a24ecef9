#include "MainActions.h"

#include <QAction>
#include <QDir>
#include <QKeySequence>
#include <QPixmap>
#include <QStandardPaths>

namespace mainactions {
namespace {

struct ActionDef {
    const char* name;
    const char* category;
    const char* caption;
    const char* shortcut;
};

// The action list: name, category, caption, shortcut.
const ActionDef kActions[] = {
    {"EditCopy1", "Edit", "Копировать", "Ctrl+C"},
    {"EditPaste1", "Edit", "Вставить", "Ctrl+V"},
    {"EditCut1", "Edit", "Вырезать", "Ctrl+X"},
    {"EditSelectAll1", "Edit", "Выделить всё", "Ctrl+A"},
    {"EditDelete1", "Edit", "Удалить", "Del"},
    {"EditUndo1", "Edit", "Отменить", "Alt+Backspace"},
    {"acAdd", "", "Добавить запись", ""},
    {"acEdit", "", "Изменить запись", ""},
    {"acDelete", "", "Удалить запись", ""},
    {"acDel", "Records", "Delete record", ""},
    {"acShowAll", "", "Все записи", ""},
    {"acHideCurColumn", "", "Скрыть столбец", ""},
    {"acShowAllColumns", "", "Показать все столбцы", ""},
    {"acSearch", "", "Поиск", ""},
    {"acScheduler", "", "Планировщик", ""},
    {"acSchedulerAdd", "", "Добавить", ""},
    {"acSchedulerEdit", "", "Редактировать", ""},
    {"acMessage", "", "Задача", ""},
    {"acJobPostShow", "", "Должность", ""},
    {"acBusinessLineShow", "", "Род деятельности", ""},
    {"acRefBookOrgFormShow", "", "Организационно-правовая форма", ""},
    {"acRing", "", "Звонок", ""},
    {"acToExcel", "", "Excel", ""},
    {"acToHTML", "", "HTML", ""},
    {"acPrint", "", "Печать", ""},
    {"acSetLanguageEng", "Language", "Английский", ""},
    {"acSetLanguageRu", "Language", "Русский", ""},
    {"acOptionsShow", "", "Настройки", ""},
    {"acTools", "", "Инструменты", ""},
    {"acStickyMarks", "", "Липкие заметки", ""},
    {"acHelp", "", "Справка", ""},
    {"acAbout", "", "О программе", ""},
    {"acClose", "", "Закрыть", ""},
};

const char* const kToolbar[] = {"acAdd",     "acEdit",   "acDelete",      "acSearch", "acPrint", "acRing",
                                "acToExcel", "acToHTML", "acOptionsShow", "acAbout",  "acHelp",  "acClose"};

// Full-colour pictures of the theme, one per toolbar command.
const std::map<QString, QString>& iconNames() {
    static const std::map<QString, QString> names = {
        {QStringLiteral("acAdd"), QStringLiteral("contact-new")},
        {QStringLiteral("acEdit"), QStringLiteral("accessories-text-editor")},
        {QStringLiteral("acDelete"), QStringLiteral("edit-delete")},
        {QStringLiteral("acSearch"), QStringLiteral("edit-find")},
        {QStringLiteral("acPrint"), QStringLiteral("document-print")},
        {QStringLiteral("acRing"), QStringLiteral("call-start")},
        {QStringLiteral("acToExcel"), QStringLiteral("x-office-spreadsheet")},
        {QStringLiteral("acToHTML"), QStringLiteral("text-html")},
        {QStringLiteral("acOptionsShow"), QStringLiteral("preferences-system")},
        {QStringLiteral("acAbout"), QStringLiteral("help-about")},
        {QStringLiteral("acHelp"), QStringLiteral("help-browser")},
        {QStringLiteral("acClose"), QStringLiteral("application-exit")},
    };
    return names;
}

} // namespace

std::map<QString, QAction*> create(QObject* owner) {
    std::map<QString, QAction*> actions;
    for (const ActionDef& def : kActions) {
        auto* a = new QAction(QString::fromUtf8(def.caption), owner);
        a->setObjectName(QString::fromLatin1(def.name));
        a->setProperty("Category", QString::fromLatin1(def.category));
        if (*def.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(def.shortcut)));
        a->setIconVisibleInMenu(false);
        actions[a->objectName()] = a;
    }
    actions[QStringLiteral("EditCopy1")]->setToolTip(QStringLiteral("Copy"));
    actions[QStringLiteral("EditPaste1")]->setToolTip(QStringLiteral("Paste"));
    actions[QStringLiteral("EditCut1")]->setToolTip(QStringLiteral("Cut"));
    return actions;
}

const char* const* toolbarActions(int* count) {
    *count = static_cast<int>(std::size(kToolbar));
    return kToolbar;
}

void useIconTheme() {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString icons = QDir(dir).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons))
            paths << icons;
    }
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QString::fromLatin1(kIconTheme));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QString toolbarIconName(const QString& action) {
    auto it = iconNames().find(action);
    return it == iconNames().end() ? QString() : it->second;
}

QIcon toolbarIcon(const QString& action) {
    const QString name = toolbarIconName(action);
    if (name.isEmpty())
        return {};
    const QIcon themed = QIcon::fromTheme(name);
    // The theme holds some pictures at 24 and 48 pixels only and others at 32 as well; Qt never
    // enlarges a picture, so the bar would mix sizes. Every button gets its picture at the bar's
    // 32 pixels: the theme's own where it has one, else its 48-pixel one made smaller. Smaller
    // sizes (menus) stay the theme's.
    QIcon icon;
    for (const int size : {16, 22, 24})
        if (const QPixmap p = themed.pixmap(QSize(size, size)); !p.isNull())
            icon.addPixmap(p);
    if (const QPixmap exact = themed.pixmap(QSize(32, 32)); exact.width() == 32) {
        icon.addPixmap(exact);
        return icon;
    }
    const QPixmap large = themed.pixmap(QSize(48, 48));
    if (large.isNull())
        return themed;
    icon.addPixmap(large.scaled(QSize(32, 32), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return icon;
}

} // namespace mainactions
