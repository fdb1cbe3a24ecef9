#include "IniLang.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>

namespace {

// The default of a memo line entry: any other value, the empty one included, replaces the line.
const QString kKeepLine = QStringLiteral("fsdef");

// A page of a QTabWidget lives in the tab widget's inner stack; its caption is the tab text.
QTabWidget* tabWidgetOfPage(const QWidget* widget) {
    const QWidget* stack = qobject_cast<const QStackedWidget*>(widget->parentWidget());
    auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs != nullptr && tabs->indexOf(const_cast<QWidget*>(widget)) >= 0 ? tabs : nullptr;
}

bool setCaption(QObject* component, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(component)) {
        action->setText(value);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr)
        return false;
    if (QTabWidget* tabs = tabWidgetOfPage(widget)) {
        tabs->setTabText(tabs->indexOf(widget), value);
        return true;
    }
    // A menu is a popup window, so it must be caught before the window title.
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        menu->setTitle(value);
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
        return true;
    }
    if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        box->setTitle(value);
        return true;
    }
    if (qobject_cast<QDockWidget*>(widget) != nullptr || widget->isWindow()) {
        widget->setWindowTitle(value);
        return true;
    }
    return false;
}

bool setHint(QObject* component, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(component)) {
        action->setToolTip(value);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr)
        return false;
    if (QTabWidget* tabs = tabWidgetOfPage(widget))
        tabs->setTabToolTip(tabs->indexOf(widget), value);
    else
        widget->setToolTip(value);
    return true;
}

// Only declared properties: setProperty() with an unknown name would add a dynamic one.
bool setQtProperty(QObject* component, const QString& name, const QString& value) {
    const QMetaObject* meta = component->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index < 0)
        return false;
    QMetaProperty property = meta->property(index);
    if (!property.isWritable() || property.metaType().id() != QMetaType::QString)
        return false;
    return property.write(component, value);
}

// The lines of a memo as a text box shows them: an empty text has none, and a final line break ends
// the last line rather than starting another.
struct MemoLines {
    QStringList lines;
    bool endsWithBreak = false;

    explicit MemoLines(const QString& text) {
        if (text.isEmpty())
            return;
        lines = text.split(u'\n');
        if (lines.size() > 1 && lines.last().isEmpty()) {
            lines.removeLast();
            endsWithBreak = true;
        }
    }
    QString text() const { return lines.join(u'\n') + (endsWithBreak ? QStringLiteral("\n") : QString()); }
};

// Reads "<prefix>lines[i]" for each current line; "fsdef" keeps a line, anything else replaces it.
void translateMemo(QObject* component, const LangFile& file, const QString& section, const QString& prefix) {
    auto* plain = qobject_cast<QPlainTextEdit*>(component);
    auto* rich = qobject_cast<QTextEdit*>(component);
    if (plain == nullptr && rich == nullptr)
        return;
    MemoLines memo(plain != nullptr ? plain->toPlainText() : rich->toPlainText());
    bool changed = false;
    for (qsizetype i = 0; i < memo.lines.size(); ++i) {
        const QString value = file.read(section, prefix + QStringLiteral("lines[%1]").arg(i), kKeepLine);
        if (value != kKeepLine && value != memo.lines.at(i)) {
            memo.lines[i] = value;
            changed = true;
        }
    }
    if (!changed)
        return; // leaves the cursor and the undo history alone
    if (plain != nullptr)
        plain->setPlainText(memo.text());
    else
        rich->setPlainText(memo.text());
}

QList<QAbstractButton*> radioItems(QObject* component) {
    if (auto* group = qobject_cast<QButtonGroup*>(component))
        return group->buttons();
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr || !widget->property(kRadioGroupProperty).toBool())
        return {};
    QList<QAbstractButton*> items;
    for (QRadioButton* radio : widget->findChildren<QRadioButton*>())
        items.append(radio);
    return items;
}

// Reads "<prefix>items[i]" for each current item; an empty value keeps the item.
void translateItems(QObject* component, const LangFile& file, const QString& section, const QString& prefix) {
    auto itemText = [&](qsizetype i) { return file.read(section, prefix + QStringLiteral("items[%1]").arg(i), {}); };
    if (auto* combo = qobject_cast<QComboBox*>(component)) {
        for (int i = 0; i < combo->count(); ++i) {
            const QString value = itemText(i);
            if (!value.isEmpty())
                combo->setItemText(i, value);
        }
        return;
    }
    const QList<QAbstractButton*> items = radioItems(component);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString value = itemText(i);
        if (!value.isEmpty())
            items.at(i)->setText(value);
    }
}

// Another window inside this one (a dialog or window created with this one as its parent) has a
// section of its own; menus and other popups belong to the window that shows them.
bool isOtherWindow(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget == nullptr || !widget->isWindow())
        return false;
    switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::SplashScreen:
        return true;
    default:
        return false;
    }
}

// The components the window owns, in creation order, without entering the windows it holds.
void collectComponents(const QObject* parent, QList<QPointer<QObject>>& components) {
    for (QObject* child : parent->children()) {
        if (isOtherWindow(child))
            continue;
        components.append(child);
        collectComponents(child, components);
    }
}

void translateWindow(QWidget* window, const LangFile& file) {
    const QString section = window->objectName();
    const QString title = file.read(section, section + QStringLiteral(".Caption"), {});
    if (!title.isEmpty())
        window->setWindowTitle(title);

    // Setting a text may delete helper objects further down the list (a QLabel drops its rich-text
    // control), so the walk holds guarded pointers.
    QList<QPointer<QObject>> components;
    collectComponents(window, components);
    for (const QPointer<QObject>& component : components) {
        if (component.isNull())
            continue;
        const QString name = component->objectName();
        if (name.isEmpty())
            continue;
        const QString prefix = section + u'.' + name + u'.';
        SetTextProperty(component, QStringLiteral("Caption"),
                        file.read(section, prefix + QStringLiteral("Caption"), {}));
        SetTextProperty(component, QStringLiteral("Hint"), file.read(section, prefix + QStringLiteral("Hint"), {}));
        translateMemo(component, file, section, prefix);
        translateItems(component, file, section, prefix);
    }
}

} // namespace

bool SetTextProperty(QObject* component, const QString& propertyName, const QString& value) {
    if (component == nullptr || value.isEmpty())
        return false;
    if (propertyName.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0)
        return setCaption(component, value);
    if (propertyName.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0)
        return setHint(component, value);
    return setQtProperty(component, propertyName, value);
}

void TranslateForms(const QList<QWidget*>& windows, const LangFile& file) {
    for (QWidget* window : windows) {
        if (window != nullptr)
            translateWindow(window, file);
    }
}
