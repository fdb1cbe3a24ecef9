#pragma once

#include <QString>

// The file a reminder plays: the wave file named by [Path] OnTaskSound in Phones.ini when it names
// one that exists (a relative name counts from the program folder), else "Sounds/Notify.wav" in the
// program folder, however the program was started.
namespace remindersound {

inline constexpr char kDefaultSound[] = "Sounds/Notify.wav";

QString resolve(const QString& programFolder, const QString& onTaskSound);
// True for a readable file that starts as a RIFF wave file does.
bool isWaveFile(const QString& path);

} // namespace remindersound
