#include "LanguageCoverage.h"

#include "IniLang.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <optional>

namespace langcoverage {

namespace {

bool isOwnWindow(const QWidget* widget) {
    return widget->isWindow() && qobject_cast<const QMenu*>(widget) == nullptr;
}

bool insideNavigator(const QObject* component) {
    for (const QObject* o = component; o != nullptr; o = o->parent())
        if (o->inherits("DBNavigator"))
            return true;
    return false;
}

bool isDataText(const QObject* component) {
    for (const QObject* o = component; o != nullptr; o = o->parent()) {
        if (o->property(kDataTextProperty).toBool())
            return true;
        if (auto* w = qobject_cast<const QWidget*>(o); w != nullptr && isOwnWindow(w))
            break;
    }
    return false;
}

QTabWidget* tabWidgetOfPage(const QWidget* widget) {
    const QWidget* stack = qobject_cast<const QStackedWidget*>(widget->parentWidget());
    auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs != nullptr && tabs->indexOf(const_cast<QWidget*>(widget)) >= 0 ? tabs : nullptr;
}

// The caption as the language file's "Caption" reaches it; nothing for a kind without one.
std::optional<QString> captionOf(QObject* component) {
    if (auto* action = qobject_cast<QAction*>(component)) {
        if (action->isSeparator())
            return std::nullopt;
        return action->text();
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr)
        return std::nullopt;
    if (QTabWidget* tabs = tabWidgetOfPage(widget))
        return tabs->tabText(tabs->indexOf(widget));
    if (auto* menu = qobject_cast<QMenu*>(widget))
        return menu->title();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget))
        return box->title();
    if (auto* dock = qobject_cast<QDockWidget*>(widget))
        return dock->windowTitle();
    return std::nullopt;
}

// An action without a tooltip of its own answers its text; that is no hint to translate.
QString hintOf(QObject* component) {
    if (auto* action = qobject_cast<QAction*>(component)) {
        QString plain = action->text();
        plain.remove(u'&');
        const QString tip = action->toolTip();
        return tip == plain || tip == action->text() || tip == plain.trimmed() ? QString() : tip;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr)
        return {};
    if (QTabWidget* tabs = tabWidgetOfPage(widget))
        return tabs->tabToolTip(tabs->indexOf(widget));
    return widget->toolTip();
}

std::optional<QStringList> memoLines(QObject* component) {
    QString text;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(component))
        text = plain->toPlainText();
    else if (auto* rich = qobject_cast<QTextEdit*>(component))
        text = rich->toPlainText();
    else
        return std::nullopt;
    if (text.isEmpty())
        return QStringList();
    QStringList lines = text.split(u'\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::optional<QStringList> itemsOf(QObject* component) {
    if (auto* combo = qobject_cast<QComboBox*>(component)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    QList<QAbstractButton*> buttons;
    if (auto* group = qobject_cast<QButtonGroup*>(component)) {
        buttons = group->buttons();
    } else if (auto* widget = qobject_cast<QWidget*>(component);
               widget != nullptr && widget->property(kRadioGroupProperty).toBool()) {
        for (QRadioButton* radio : widget->findChildren<QRadioButton*>())
            buttons << radio;
    } else {
        return std::nullopt;
    }
    QStringList items;
    for (QAbstractButton* b : buttons)
        items << b->text();
    return items;
}

bool hasLetter(const QString& text) {
    for (const QChar c : text)
        if (c.isLetter())
            return true;
    return false;
}

} // namespace

QWidget* owningWindow(const QObject* component) {
    if (auto* w = qobject_cast<const QWidget*>(component); w != nullptr && isOwnWindow(w))
        return const_cast<QWidget*>(w);
    for (QObject* o = component->parent(); o != nullptr; o = o->parent())
        if (auto* w = qobject_cast<QWidget*>(o); w != nullptr && isOwnWindow(w))
            return w;
    return nullptr;
}

QList<QObject*> ownedComponents(QWidget* window) {
    QList<QObject*> components;
    for (QObject* child : window->findChildren<QObject*>()) {
        if (child->objectName().isEmpty() || owningWindow(child) != window || insideNavigator(child))
            continue;
        // Qt's own helpers inside standard widgets carry names of the form "qt_...".
        if (child->objectName().startsWith(QLatin1String("qt_")))
            continue;
        components << child;
    }
    return components;
}

QList<TextEntry> translatableTexts(QWidget* window) {
    QList<TextEntry> entries;
    const QString w = window->objectName();
    // A text that only repeats the component's own name is a placeholder, not interface text.
    auto add = [&](const QString& key, const QString& text) {
        if (hasLetter(text) && text != key.section(u'.', 1, 1))
            entries.append({key, text});
    };
    add(w + QStringLiteral(".Caption"), window->windowTitle());
    for (QObject* component : ownedComponents(window)) {
        if (isDataText(component))
            continue;
        const QString prefix = w + u'.' + component->objectName() + u'.';
        if (const std::optional<QString> caption = captionOf(component))
            add(prefix + QStringLiteral("Caption"), *caption);
        add(prefix + QStringLiteral("Hint"), hintOf(component));
        if (const std::optional<QStringList> lines = memoLines(component))
            for (qsizetype i = 0; i < lines->size(); ++i)
                add(prefix + QStringLiteral("lines[%1]").arg(i), lines->at(i));
        if (const std::optional<QStringList> items = itemsOf(component))
            for (qsizetype i = 0; i < items->size(); ++i)
                add(prefix + QStringLiteral("items[%1]").arg(i), items->at(i));
    }
    return entries;
}

bool hasProperty(QWidget* window, const QString& component, const QString& property) {
    for (QObject* c : ownedComponents(window)) {
        if (c->objectName().compare(component, Qt::CaseInsensitive) != 0)
            continue;
        if (property.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0)
            return captionOf(c).has_value();
        if (property.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0)
            return qobject_cast<QWidget*>(c) != nullptr || qobject_cast<QAction*>(c) != nullptr;
        static const QRegularExpression indexed(QStringLiteral("^(lines|items)\\[(\\d+)\\]$"),
                                                QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = indexed.match(property);
        if (!m.hasMatch())
            return false;
        // Entries past the present count are ignored by the translation, not wrong.
        return m.captured(1).compare(QLatin1String("lines"), Qt::CaseInsensitive) == 0 ? memoLines(c).has_value()
                                                                                       : itemsOf(c).has_value();
    }
    return false;
}

} // namespace langcoverage
