#pragma once

#include <QString>

// What Phones.ini says about the connection, as read at start-up.
struct ConnectionSettings {
    QString programFolder;
    QString serverPrefix;
    QString databasePath;
    QString userName;
    QString password;
    bool loginPrompt = true;
    QString icqPath;
    QString onTaskSound;

    // Server prefix and path joined with nothing between them.
    QString databaseName() const { return serverPrefix + databasePath; }
};

// The literal text a missing key of the connection section stands for.
inline const QString kNotConfigured = QStringLiteral("Не правильно сконфигурировано подключение");

// Reads Phones.ini in the program folder; a missing file or key leaves the defaults above.
ConnectionSettings LoadSettings(const QString& programFolder);
