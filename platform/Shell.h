#pragma once

#include <QString>
#include <QStringList>

// The desktop's opener: hands a text (a "mailto:" address, a web address, a program path, a
// document) to whatever program the desktop associates with it, and returns at once. Nothing is
// reported when the text cannot be opened: callers never look at the outcome.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void ShellExecute(const QString& text) = 0;

    // The process-wide opener: the desktop's unless a test installed another one.
    static Shell& current();
    // Installs an opener (not owned); nullptr brings the desktop's back. Returns the one replaced.
    static Shell* setCurrent(Shell* shell);
};

// What the desktop opener runs for a text; an empty program means nothing is started.
struct ShellCommand {
    QString program;
    QStringList arguments;
    bool operator==(const ShellCommand&) const = default;
};

// Linux: an executable file is started directly; anything else goes to xdg-open. Windows' shell
// takes "www." and "ftp." addresses without a scheme, xdg-open does not (it takes them for missing
// files), so such an address that names no existing file gets "http://" or "ftp://" in front.
// An empty text and an absolute path that names nothing start nothing: no opener could use them.
class DesktopShell : public Shell {
public:
    void ShellExecute(const QString& text) override;
    static ShellCommand commandFor(const QString& text);
};
