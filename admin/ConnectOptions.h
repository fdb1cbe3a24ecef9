#pragma once

#include <QString>

// The connection settings as the options dialog shows and writes them: section DataBase of
// Phones.ini, read from the file as it stands (not from the running connection).
struct ConnectOptionsValues {
    QString server;
    QString db;
    QString user;
    QString pass;
    bool prompt = true;
};

// What the dialog shows for a missing text key; the password's default keeps its other spelling.
inline const QString kOptionsMissing = QStringLiteral("Неправильно сконфигурировано подключение");
inline const QString kOptionsMissingPass = QStringLiteral("Не правильно сконфигурировано подключение");

ConnectOptionsValues readConnectOptions(const QString& iniPath);

// Writes the four texts exactly as they stand and the prompt as "1" or "0", keeping every other
// line of the file. A new file is made readable by its owner only, since it holds a password; an
// existing file keeps its permissions. False when the file cannot be written.
bool writeConnectOptions(const QString& iniPath, const ConnectOptionsValues& values);
