#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace programfolder {
namespace {

QString withSlash(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString& overridePath() {
    static QString p;
    return p;
}

QString& overridePlacement() {
    static QString p;
    return p;
}

QString executableFolder() {
    return withSlash(QCoreApplication::applicationDirPath());
}

// PREFIX/share/korvane/ for a program in PREFIX/bin.
QString installedSharePath() {
    return withSlash(QDir::cleanPath(executableFolder() + QStringLiteral("../share/korvane")));
}

// The shipped files lie beside the program in a build folder or a portable copy.
bool shippedBesideProgram() {
    const QString folder = executableFolder();
    return QFileInfo::exists(folder + QStringLiteral("English.ini")) ||
           !QFileInfo::exists(installedSharePath() + QStringLiteral("English.ini"));
}

bool programFolderWritable() {
    return ::access(QFile::encodeName(executableFolder()).constData(), W_OK) == 0;
}

QString xdgFolder(const char* variable, const char* fallback) {
    QString base = qEnvironmentVariable(variable);
    // A relative value is invalid and ignored, as the XDG rules say.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QString::fromLatin1(fallback);
    return withSlash(base);
}

} // namespace

QString path() {
    if (!overridePath().isEmpty())
        return overridePath();
    return executableFolder();
}

void setPath(const QString& folder) {
    overridePath() = folder.isEmpty() ? QString() : withSlash(folder);
}

bool installed() {
    if (!overridePath().isEmpty())
        return false;
    return !shippedBesideProgram() || !programFolderWritable();
}

QString sharedPath() {
    if (!overridePath().isEmpty() || shippedBesideProgram())
        return path();
    return installedSharePath();
}

QString userSettingsPath() {
    return installed() ? userConfigPath() + QStringLiteral("korvane/") : path();
}

QString userDataPath() {
    return xdgFolder("XDG_DATA_HOME", "/.local/share") + QStringLiteral("korvane/");
}

QString defaultDatabasePath(const QString& settingsFolder) {
    if (installed() && withSlash(settingsFolder) == userSettingsPath())
        return userDataPath() + QStringLiteral("phones.gdb");
    return withSlash(settingsFolder) + QStringLiteral("db/phones.gdb");
}

QString documentsPath() {
    return installed() ? withSlash(QDir::homePath()) : path();
}

QString userConfigPath() {
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

QString placementFilePath() {
    if (!overridePlacement().isEmpty())
        return overridePlacement();
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("korvane");
    return userConfigPath() + name + QStringLiteral(".INI");
}

void setPlacementFilePath(const QString& file) {
    overridePlacement() = file;
}

} // namespace programfolder
