#include "Telephony.h"

#include "Shell.h"

#include <QUrl>

namespace {

Telephony* installedTelephony = nullptr;

Telephony& desktopTelephony() {
    static DesktopTelephony telephony;
    return telephony;
}

} // namespace

Telephony& Telephony::current() {
    return installedTelephony ? *installedTelephony : desktopTelephony();
}

Telephony* Telephony::setCurrent(Telephony* telephony) {
    Telephony* previous = installedTelephony;
    installedTelephony = telephony;
    return previous;
}

QString DesktopTelephony::telUri(const QString& number) {
    // Unreserved characters are never encoded; the sub-delimiters, ':', '@' and '/' may stand in
    // the body of an address and are kept, so the number reads as it was typed.
    static const QByteArray keep = QByteArrayLiteral("!$&'()*+,;=:@/");
    return QStringLiteral("tel:") + QString::fromLatin1(QUrl::toPercentEncoding(number, keep));
}

void DesktopTelephony::tapiRequestMakeCall(const QString& destAddress, const QString&, const QString&, const QString&) {
    Shell::current().ShellExecute(telUri(destAddress));
}
