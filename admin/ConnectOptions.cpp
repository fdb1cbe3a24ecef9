#include "ConnectOptions.h"

#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kSection = QStringLiteral("DataBase");
}

ConnectOptionsValues readConnectOptions(const QString& iniPath) {
    const IniFile ini(iniPath);
    ConnectOptionsValues v;
    v.server = ini.readString(kSection, QStringLiteral("Server"), kOptionsMissing);
    v.db = ini.readString(kSection, QStringLiteral("db"), kOptionsMissing);
    v.user = ini.readString(kSection, QStringLiteral("user"), kOptionsMissing);
    v.pass = ini.readString(kSection, QStringLiteral("pass"), kOptionsMissingPass);
    v.prompt = ini.readBool(kSection, QStringLiteral("Promt"), true);
    return v;
}

bool writeConnectOptions(const QString& iniPath, const ConnectOptionsValues& values) {
    IniFile ini(iniPath);
    // A file that is there but unreadable would lose its other lines if written over.
    if (!ini.readable())
        return false;
    const bool existed = QFileInfo::exists(iniPath);
    ini.writeString(kSection, QStringLiteral("Server"), values.server);
    ini.writeString(kSection, QStringLiteral("db"), values.db);
    ini.writeString(kSection, QStringLiteral("user"), values.user);
    ini.writeString(kSection, QStringLiteral("pass"), values.pass);
    ini.writeBool(kSection, QStringLiteral("Promt"), values.prompt);
    if (!existed) {
        // Made private before anything is written into it; the save then keeps the permissions.
        const int fd = ::open(QFile::encodeName(iniPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    return ini.save();
}
