#pragma once

#include <QString>

// Where the program finds its files.
//
// A build folder or a portable copy keeps everything in the program folder, as it always has. An
// installed program (PREFIX/bin beside PREFIX/share/korvane) reads its shipped files from
// PREFIX/share/korvane and keeps the user's own files in the XDG folders: Phones.ini and Grid.ini
// in $XDG_CONFIG_HOME/korvane, the database in $XDG_DATA_HOME/korvane. So does a portable copy in
// a folder its user cannot write. Every reader and writer of these files asks here.
namespace programfolder {

// The folder of the program file, ending with '/'. Tests may point it elsewhere; a folder set
// here holds everything, as a portable copy does.
QString path();
void setPath(const QString& folder);

// True when the user's files live in the XDG folders rather than in the program folder.
bool installed();

// The shipped files: language files, grid texts, help, sounds and the default Phones.ini.
QString sharedPath();

// Phones.ini and Grid.ini.
QString userSettingsPath();

// The user's database folder when installed: $XDG_DATA_HOME/korvane/, else ~/.local/share/korvane/.
QString userDataPath();

// The database Phones.ini names when its "db" is empty, for a Phones.ini in settingsFolder: the
// user's data folder for the installed settings, else "db/phones.gdb" beside the settings.
QString defaultDatabasePath(const QString& settingsFolder);

// Where a save dialog opens first: the program folder of a portable copy, the home folder when installed.
QString documentsPath();

// The folder of the user's settings: $XDG_CONFIG_HOME, else ~/.config, ending with '/'.
QString userConfigPath();

// The placement file: named after the program file with ".INI", in the user's configuration folder.
QString placementFilePath();
void setPlacementFilePath(const QString& file);

} // namespace programfolder
