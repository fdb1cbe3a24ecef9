#include "DesktopNotifier.h"

#include "ReminderEngine.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace desktopnotify {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

QString summary(const Reminder& r) {
    return r.task.isEmpty() ? QStringLiteral("Korvane Personal") : r.task;
}

QString body(const Reminder& r) {
    QString text = (r.date + u' ' + r.time).trimmed();
    if (!r.description.isEmpty())
        text += u'\n' + r.description;
    // The service reads simple markup; the task's own text is shown as typed.
    return text.toHtmlEscaped();
}

bool send(const Reminder& r) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusConnectionInterface* names = bus.interface();
    if (!names || !names->isServiceRegistered(kService).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Korvane Personal") << 0u << QStringLiteral("appointment-soon") << summary(r) << body(r)
         << QStringList() << QVariantMap() << -1;
    return bus.send(call);
}

} // namespace desktopnotify
