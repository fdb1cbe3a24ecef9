#include "ConnectionSettings.h"

#include "IniFile.h"
#include "ProgramFolder.h"

ConnectionSettings LoadSettings(const QString& programFolder) {
    ConnectionSettings s;
    s.programFolder = programFolder;
    const IniFile ini(programFolder + QStringLiteral("Phones.ini"));
    // A file that is there but cannot be read ends the reading: the values stay empty.
    if (!ini.readable()) {
        s.loginPrompt = false;
        return s;
    }
    const QString db = QStringLiteral("DataBase");
    s.serverPrefix = ini.readString(db, QStringLiteral("Server"), kNotConfigured);
    s.databasePath = ini.readString(db, QStringLiteral("db"));
    if (s.databasePath.isEmpty())
        s.databasePath = programfolder::defaultDatabasePath(programFolder);
    s.userName = ini.readString(db, QStringLiteral("user"), kNotConfigured);
    s.loginPrompt = ini.readBool(db, QStringLiteral("Promt"), true);
    if (!s.loginPrompt)
        s.password = ini.readString(db, QStringLiteral("pass"), kNotConfigured);
    s.icqPath = ini.readString(QStringLiteral("Path"), QStringLiteral("ICQPath"));
    s.onTaskSound = ini.readString(QStringLiteral("Path"), QStringLiteral("OnTaskSound"));
    return s;
}
