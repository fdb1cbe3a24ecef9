#include "LanguageChoice.h"

#include "GridTexts.h"
#include "IniFile.h"
#include "ProgramFolder.h"

#include <QDir>

namespace language {

namespace {

QString settingsPath() {
    return programfolder::userSettingsPath() + QStringLiteral("Phones.ini");
}

const QString kSection = QStringLiteral("Language");
const QString kKey = QStringLiteral("Autoloadlng");

} // namespace

QString fileName(LanguageChoice choice) {
    return choice == LanguageChoice::English ? QStringLiteral("English.ini") : QStringLiteral("Custom.ini");
}

QString code(LanguageChoice choice) {
    return choice == LanguageChoice::English ? QStringLiteral("en") : QStringLiteral("ru");
}

QString storedValue(LanguageChoice choice) {
    return choice == LanguageChoice::English ? QStringLiteral("EN") : QStringLiteral("CU");
}

std::optional<LanguageChoice> fromStoredValue(const QString& value) {
    const QString upper = value.toUpper();
    if (upper == QLatin1String("EN"))
        return LanguageChoice::English;
    if (upper == QLatin1String("CU"))
        return LanguageChoice::Russian;
    return std::nullopt;
}

QString readStoredValue() {
    const IniFile settings(settingsPath());
    return settings.readString(kSection, kKey);
}

void writeStoredValue(LanguageChoice choice) {
    IniFile settings(settingsPath());
    // An unreadable file is not rewritten from nothing: the connection settings in it would be lost.
    if (!settings.readable())
        throw UnableToWriteError(QDir::toNativeSeparators(settings.path()));
    settings.writeString(kSection, kKey, storedValue(choice));
    if (!settings.save())
        throw UnableToWriteError(QDir::toNativeSeparators(settings.path()));
}

QString valueForLocale(const QString& localeName) {
    return localeName.startsWith(QLatin1String("ru"), Qt::CaseInsensitive) ? QStringLiteral("CU")
                                                                           : QStringLiteral("EN");
}

QString valueForUserLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const QString locale = qEnvironmentVariable(variable); !locale.isEmpty())
            return valueForLocale(locale);
    return valueForLocale(QString());
}

} // namespace language
