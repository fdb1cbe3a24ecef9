#pragma once

// A fresh database for every test: the schema is run once per test program into a template file,
// and each test gets its own copy in a temporary folder that also serves as the program folder.

#include "DMUnit.h"
#include "DbError.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "SchemaScript.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace testdb {

inline QString templateFile() {
    static QTemporaryDir dir;
    static QString file;
    if (file.isEmpty()) {
        file = dir.path() + QStringLiteral("/template.gdb");
        schema::createDatabase(file, schema::readScript(QStringLiteral(":/data/schema.sql")));
    }
    return file;
}

// Messages the data module would show, recorded instead.
struct RecordedUi {
    QStringList messages;
    QStringList errors;
    int logins = 0;
    bool cancelLogin = false;
    QString loginUser, loginPassword; // typed into the login dialog when set

    DMUserInterface make() {
        DMUserInterface ui;
        ui.message = [this](const QString& m) { messages << m; };
        ui.error = [this](const QString& m) { errors << m; };
        ui.login = [this](const QString&, QString& user, QString& password) {
            ++logins;
            if (!loginUser.isEmpty())
                user = loginUser;
            if (!loginPassword.isEmpty())
                password = loginPassword;
            return !cancelLogin;
        };
        ui.serverWaitMs = 0;
        return ui;
    }
};

// A program folder with db/phones.gdb and a Phones.ini that opens it without a login.
class Folder {
public:
    Folder() {
        QDir().mkpath(path() + QStringLiteral("db"));
        QFile::copy(templateFile(), databasePath());
        QFile(databasePath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        IniFile ini(path() + QStringLiteral("Phones.ini"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Server"), QString());
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("db"), QString());
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("user"), QStringLiteral("SYSDBA"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("pass"), QStringLiteral("masterkey"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Promt"), QStringLiteral("0"));
        ini.save();
        programfolder::setPath(path());
        programfolder::setPlacementFilePath(path() + QStringLiteral("korvane.INI"));
    }
    QString path() const { return dir_.path() + u'/'; }
    QString databasePath() const { return path() + QStringLiteral("db/phones.gdb"); }
    QString iniPath() const { return path() + QStringLiteral("Phones.ini"); }
    // Replaces the settings file with the given bytes, exactly as written.
    bool writeIni(const QByteArray& text) const {
        QFile file(iniPath());
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
    }

    std::unique_ptr<TDM> openDM(RecordedUi& ui) const { return std::make_unique<TDM>(path(), ui.make()); }

private:
    QTemporaryDir dir_;
};

} // namespace testdb
