#include "servis.h"

#include "IniLang.h"
#include "MessageBoxes.h"
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
            OpenWebAddress(controlText(control));
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

QString mailAddressOnly(const QString& value) {
    QString address = value;
    address.replace(u'\r', u' ').replace(u'\n', u' ');
    address = address.trimmed();
    if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        address = address.mid(7);
    if (const qsizetype query = address.indexOf(u'?'); query >= 0)
        address.truncate(query);
    return address.trimmed();
}

void OpenMailTo(const QString& address) {
    ShellOpen(QStringLiteral("mailto:") + mailAddressOnly(address));
}

namespace {

// The scheme in front of a value ("https" of "https://x"), empty when there is none. A host with a
// port ("localhost:8080") and a single letter (a drive) are no scheme.
QString schemeOf(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 2)
        return {};
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = text.at(i);
        const bool ok =
            (c.unicode() < 128 && c.isLetter()) || (i > 0 && (c.isDigit() || c == u'+' || c == u'-' || c == u'.'));
        if (!ok)
            return {};
    }
    qsizetype end = colon + 1;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    const bool port = end > colon + 1 && (end == text.size() || text.at(end) == u'/');
    return port ? QString() : text.left(colon);
}

} // namespace

WebTarget webTarget(const QString& value) {
    const QString text = value.trimmed();
    if (text.isEmpty())
        return {};
    const QString scheme = schemeOf(text);
    if (scheme.isEmpty()) {
        const bool ftp = text.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive);
        return {(ftp ? QStringLiteral("ftp://") : QStringLiteral("http://")) + text, {}};
    }
    static const QStringList allowed{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp")};
    if (allowed.contains(scheme, Qt::CaseInsensitive))
        return {text, {}};
    return {{}, scheme};
}

void OpenWebAddress(const QString& value) {
    const WebTarget target = webTarget(value);
    if (!target.address.isEmpty()) {
        ShellOpen(target.address);
        return;
    }
    if (target.refusedScheme.isEmpty())
        return;
    QString text = LangMessage(QStringLiteral("M230"), QStringLiteral("M230"));
    if (text.isEmpty() || text == QStringLiteral("M230"))
        text = QStringLiteral("Адрес «%1» не открыт: открываются только адреса http, https и ftp, а «%2:» — нет.");
    msgbox::showWarning(text.arg(value.trimmed(), target.refusedScheme));
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
