#pragma once

#include <QString>
#include <QStringList>

// The program's command line: `korvane [FILE]`, where FILE is a vCard or CSV file to import (as a
// file manager passes it), plus --help and --version. Qt's own options (-platform, -style, ...)
// pass through to the application. Read before any window, so that it works without a display.
struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    QString file;  // absolute path of the file to import, or empty
    QString error; // with Usage: what was wrong
};

CommandLine parseCommandLine(const QStringList& arguments);

// The text --help prints.
QString usageText();

// Whether a file can be offered to the import: a readable vCard or CSV file.
enum class ContactFileCheck { Ok, Unreadable, NotContacts };
ContactFileCheck checkContactFile(const QString& file);
