#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

} // namespace

QString path() {
    if (!overridePath().isEmpty())
        return overridePath();
    return withSlash(QCoreApplication::applicationDirPath());
}

void setPath(const QString& folder) { overridePath() = folder.isEmpty() ? QString() : withSlash(folder); }

QString userConfigPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return withSlash(base);
}

QString placementFilePath() {
    if (!overridePlacement().isEmpty())
        return overridePlacement();
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("korvane");
    return userConfigPath() + name + QStringLiteral(".INI");
}

void setPlacementFilePath(const QString& file) { overridePlacement() = file; }

} // namespace programfolder
