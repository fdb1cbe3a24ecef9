#include "FirstStart.h"

#include "ConnectionSettings.h"
#include "DbError.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "SchemaScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace firststart {
namespace {

QString makeFolder(const QString& folder) {
    if (QDir().mkpath(folder))
        return {};
    return QStringLiteral("Cannot create the folder %1").arg(folder);
}

QString makeSettings(const QString& target, const QString& languageValue) {
    if (QFileInfo::exists(target))
        return {};
    const QString shipped = programfolder::sharedPath() + QString::fromLatin1(IniFile::kSettingsFileName);
    if (!QFile::copy(shipped, target))
        return QStringLiteral("Cannot copy %1 to %2").arg(shipped, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    IniFile ini(target);
    ini.writeString(QStringLiteral("Language"), QStringLiteral("Autoloadlng"), languageValue);
    if (!ini.save())
        return QStringLiteral("Cannot write %1").arg(target);
    return {};
}

QString makeDatabase(const QString& settingsFolder) {
    const ConnectionSettings s = LoadSettings(settingsFolder);
    // Only the default embedded database is ours to create; a server's or a named file is the user's.
    if (!s.serverPrefix.isEmpty() || s.databasePath != programfolder::defaultDatabasePath(settingsFolder) ||
        QFileInfo::exists(s.databasePath))
        return {};
    if (QString failed = makeFolder(QFileInfo(s.databasePath).absolutePath()); !failed.isEmpty())
        return failed;
    // Made under a name of its own and put in place whole: a start ended half-way (killed, power
    // lost) leaves no database without tables for the next start to open.
    const QString building = s.databasePath + QStringLiteral(".new");
    QFile::remove(building);
    try {
        schema::createDatabase(building, schema::readScript(QStringLiteral(":/data/schema.sql")), s.userName,
                               s.password);
    } catch (const DbError& e) {
        QFile::remove(building);
        return e.message();
    }
    if (!QFile::rename(building, s.databasePath))
        return QStringLiteral("Cannot rename %1 to %2").arg(building, s.databasePath);
    return {};
}

} // namespace

QString prepareUserFiles(const QString& languageValue) {
    if (!programfolder::installed())
        return {};
    const QString settings = programfolder::userSettingsPath();
    QString failed = makeFolder(settings);
    if (failed.isEmpty())
        failed = makeSettings(settings + QString::fromLatin1(IniFile::kSettingsFileName), languageValue);
    if (failed.isEmpty())
        failed = makeDatabase(settings);
    return failed;
}

} // namespace firststart
