#include "servis.h"

#include "Shell.h"
#include "Telephony.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

namespace {

QString& configuredMessengerPath() {
    static QString path;
    return path;
}

} // namespace

void DialNumber(const QString& number) {
    try {
        Telephony::current().tapiRequestMakeCall(number, QStringLiteral("Korvane"), QString(), QString());
    } catch (...) {
        // A call request that cannot be made shows nothing.
    }
}

QString controlText(const QWidget* control) {
    if (!control)
        return {};
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(control))
        return memo->toPlainText();
    if (auto* rich = qobject_cast<const QTextEdit*>(control))
        return rich->toPlainText();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (auto* spin = qobject_cast<const QAbstractSpinBox*>(control))
        return spin->text(); // date boxes too
    if (const QVariant text = control->property("text"); text.isValid())
        return text.toString();
    // A box made of a line edit and a button (the pick and date boxes) shows its line edit's text.
    if (auto* inner = control->findChild<const QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
        return inner->text();
    return {};
}

void CommunicateByTag(QWidget* control) {
    if (!control)
        return;
    try {
        switch (control->property("Tag").toInt()) {
        case commtag::Phone:
            DialNumber(controlText(control));
            break;
        case commtag::Mail:
            OpenMailTo(controlText(control));
            break;
        case commtag::Web:
            ShellOpen(controlText(control));
            break;
        case commtag::Messenger:
            StartMessenger();
            break;
        default:
            break;
        }
    } catch (...) {
        // A double-click never reports anything.
    }
}

void OpenMailTo(const QString& address) {
    ShellOpen(QStringLiteral("mailto:") + address);
}

void ShellOpen(const QString& text) {
    try {
        Shell::current().ShellExecute(text);
    } catch (...) {
        // The shell's failures are not reported.
    }
}

void setMessengerPath(const QString& path) {
    configuredMessengerPath() = path;
}

QString messengerPath() {
    const QString& configured = configuredMessengerPath();
    return configured.isEmpty() ? QString::fromLatin1(kDefaultMessengerPath) : configured;
}

void StartMessenger() {
    // The one program the contact editor starts: the configured messenger, never a contact's text.
    try {
        Shell::current().StartProgram(messengerPath());
    } catch (...) {
    }
}
