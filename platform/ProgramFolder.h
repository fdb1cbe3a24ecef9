#pragma once

#include <QString>

// Where the program finds its files.
namespace programfolder {

// The folder of the program file, ending with '/'. Tests may point it elsewhere.
QString path();
void setPath(const QString& folder);

// The folder of the user's settings: $XDG_CONFIG_HOME, else ~/.config, ending with '/'.
QString userConfigPath();

// The placement file: named after the program file with ".INI", in the user's configuration folder.
QString placementFilePath();
void setPlacementFilePath(const QString& file);

} // namespace programfolder
