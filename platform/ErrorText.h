#pragma once

#include <QString>

namespace errortext {

// The application title, the caption of every message box.
inline const QString kAppTitle = QStringLiteral("Korvane Personal");

// A failure's message as the standard error box shows it: a full stop is appended when the last
// character's code is above that of the full stop.
QString withFullStop(const QString& message);

// The operating system's description of the calling thread's last error code.
QString lastOsError();

} // namespace errortext
