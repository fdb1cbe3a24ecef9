#include "Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <algorithm>

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

namespace {

// A file that opening could run: a program, or a desktop entry that names one.
bool couldRun(const QFileInfo& file) {
    if (file.isDir())
        return false;
    return file.isExecutable() || file.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
}

// A document or folder that exists and that opening cannot run.
bool isOpenableDocument(const QString& path) {
    const QFileInfo file(path);
    return file.exists() && !couldRun(file) && !(file.isSymLink() && couldRun(QFileInfo(file.canonicalFilePath())));
}

} // namespace

ShellCommand DesktopShell::commandFor(const QString& rawText) {
    const QString text = rawText.trimmed();
    if (text.isEmpty())
        return {};
    const ShellCommand open{QStringLiteral("xdg-open"), {text}};
    if (hasScheme(text)) {
        if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QString path = QUrl(text).toLocalFile();
            return !path.isEmpty() && path.startsWith(u'/') && isOpenableDocument(path) ? open : ShellCommand{};
        }
        return open;
    }
    if (text.startsWith(u'/'))
        return isOpenableDocument(text) ? open : ShellCommand{};
    // A relative text: an address, never a file of the current folder.
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return {QStringLiteral("xdg-open"), {QStringLiteral("http://") + text}};
    if (text.startsWith(QLatin1String("ftp."), Qt::CaseInsensitive))
        return {QStringLiteral("xdg-open"), {QStringLiteral("ftp://") + text}};
    const bool addressLike = text.contains(u'.') && !text.startsWith(u'-') && !text.startsWith(u'.') &&
                             !text.contains(u'\\') &&
                             std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
    if (addressLike)
        return {QStringLiteral("xdg-open"), {QStringLiteral("http://") + text}};
    return {};
}

void DesktopShell::ShellExecute(const QString& text) {
    const ShellCommand command = commandFor(text);
    if (command.program.isEmpty())
        return;
    // Detached: the opener outlives nothing of ours and we never wait for it; a failure to start
    // it is ignored like any other failure of the request.
    QProcess::startDetached(command.program, command.arguments);
}

void DesktopShell::StartProgram(const QString& program) {
    // Only a program named by its full path: nothing is looked up in the current folder.
    const QFileInfo file(program);
    if (!program.startsWith(u'/') || !file.isFile() || !file.isExecutable())
        return;
    QProcess::startDetached(program, {});
}
