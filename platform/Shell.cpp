#include "Shell.h"

#include <QFileInfo>
#include <QProcess>

namespace {

Shell* installedShell = nullptr;

Shell& desktopShell() {
    static DesktopShell shell;
    return shell;
}

// "scheme:" in front, as in "mailto:x" or "https://x"; a single letter is a drive, not a scheme.
bool hasScheme(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon < 2)
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = text.at(i);
        const bool ok =
            c.isLetter() ? c.unicode() < 128 : (i > 0 && (c.isDigit() || c == u'+' || c == u'-' || c == u'.'));
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

Shell& Shell::current() {
    return installedShell ? *installedShell : desktopShell();
}

Shell* Shell::setCurrent(Shell* shell) {
    Shell* previous = installedShell;
    installedShell = shell;
    return previous;
}

ShellCommand DesktopShell::commandFor(const QString& text) {
    if (text.isEmpty())
        return {};
    const QFileInfo file(text);
    if (file.isFile() && file.isExecutable())
        return {text, {}};
    if (text.startsWith(u'/') && !file.exists())
        return {}; // a missing program or document: nothing can open it
    if (!hasScheme(text) && !file.exists()) {
        if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            return {QStringLiteral("xdg-open"), {QStringLiteral("http://") + text}};
        if (text.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive))
            return {QStringLiteral("xdg-open"), {QStringLiteral("ftp://") + text}};
    }
    return {QStringLiteral("xdg-open"), {text}};
}

void DesktopShell::ShellExecute(const QString& text) {
    const ShellCommand command = commandFor(text);
    if (command.program.isEmpty())
        return;
    // Detached: the opener outlives nothing of ours and we never wait for it; a failure to start
    // it is ignored like any other failure of the request.
    QProcess::startDetached(command.program, command.arguments);
}
