#pragma once

#include <QString>

struct Reminder;

// Shows a reminder through the desktop's notification service (org.freedesktop.Notifications on
// the session bus), so that it is seen while the program's windows are hidden. Where no session bus
// or no such service runs, nothing happens and nothing is reported. The call does not wait.
namespace desktopnotify {

// The summary and body that the desktop shows for a reminder.
QString summary(const Reminder& r);
QString body(const Reminder& r);

// False when nothing could be sent (no bus, no service).
bool send(const Reminder& r);

} // namespace desktopnotify
