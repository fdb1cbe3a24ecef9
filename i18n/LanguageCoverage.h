#pragma once

#include <QList>
#include <QString>

class QObject;
class QWidget;

// What a language file has to cover for a live window: every text of the window and of the named
// components it owns that a language file can replace, keyed as the file keys it. Used to check the
// shipped language files against the windows the program really builds.
namespace langcoverage {

// A component whose text is data rather than interface (a clock, a value shown from the database)
// carries this property set to true; it needs no entry in a language file.
inline constexpr char kDataTextProperty[] = "dataText";

struct TextEntry {
    QString key;  // "FormMain.acPrint.Caption"
    QString text; // the text the window shows now
};

// The window that owns a component: the nearest enclosing window, where menus count as part of the
// window they belong to. A window (other than a menu) owns itself.
QWidget* owningWindow(const QObject* component);

// The named components a window owns, in the window's component order; components inside a data
// navigator are left out (their hints come from the message keys).
QList<QObject*> ownedComponents(QWidget* window);

// The replaceable texts of a window that are not empty and hold at least one letter: its caption and
// the Caption, Hint, lines[i] and items[i] of its owned components.
QList<TextEntry> translatableTexts(QWidget* window);

// Whether the window owns a component of that name whose kind has the property ("Caption", "Hint",
// "lines[i]" of a memo, "items[i]" of a list; any index).
bool hasProperty(QWidget* window, const QString& component, const QString& property);

} // namespace langcoverage
