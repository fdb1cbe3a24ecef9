#include "PrintSettings.h"

#include <QLocale>

namespace {

QFont bandFont() {
    QFont f;
    f.setPointSize(8);
    return f;
}

} // namespace

PrintSettings PrintSettings::forContacts() {
    PrintSettings s;
    s.optimalWidths = true;
    s.title = QStringList{QStringLiteral("Список координат организаций и частных лиц")};
    s.header.font = bandFont();
    s.footer.font = bandFont();
    s.footer.line = true;
    return s;
}

PrintSettings PrintSettings::forTasks() {
    PrintSettings s;
    s.header.font = bandFont();
    s.footer.font = bandFont();
    return s;
}

QString PrintSettings::stamp(const QDateTime& when) {
    return QLocale::system().toString(when.date(), QLocale::LongFormat) + u' ' +
           when.time().toString(QStringLiteral("hh:mm"));
}

void PrintSettings::addFooterStamp(const QDateTime& when) {
    if (footer.right.isEmpty())
        footer.right = stamp(when);
    else
        footer.right += u'\n' + stamp(when);
}
