#pragma once

#include <QIcon>
#include <QString>
#include <map>

class QAction;
class QObject;

// The main window's action list: every command with its name, category, caption and shortcut.
namespace mainactions {

// Creates the actions, owned by the owner, keyed by name.
std::map<QString, QAction*> create(QObject* owner);

// The actions of the main toolbar, from the left.
const char* const* toolbarActions(int* count);

// The icon theme every desktop shows the toolbar in, installed with the program's packages and
// set explicitly so that the desktop's own theme does not mix in.
inline constexpr const char* kIconTheme = "Adwaita";
void useIconTheme();

// The toolbar picture of an action, from that theme; null for actions without one.
QIcon toolbarIcon(const QString& action);
// The theme's name of that picture; empty for actions without one.
QString toolbarIconName(const QString& action);

} // namespace mainactions
