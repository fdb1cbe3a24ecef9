#pragma once

#include <QString>
#include <QStringList>

// The desktop's opener: hands a text (a "mailto:" address, a web address, a program path, a
// document) to whatever program the desktop associates with it, and returns at once. Nothing is
// reported when the text cannot be opened: callers never look at the outcome.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens a document or an address; never starts a program.
    virtual void ShellExecute(const QString& text) = 0;
    // Starts a program that the user configured (the messenger). A stand-in that does not care
    // about the difference records it as one more request.
    virtual void StartProgram(const QString& program) { ShellExecute(program); }

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

// Linux: texts come from contact data, so they open documents and addresses only, never a program.
// A text with a scheme ("mailto:", "https:", "tel:") is an address; "file:" and an absolute path
// must name an existing document or folder, and an executable file or a desktop entry is refused.
// Relative names are never looked up in the current folder: "www." and "ftp." addresses get
// "http://" or "ftp://" in front (Windows' shell takes them without a scheme, xdg-open does not),
// any other word with a dot and no blanks is taken for a web address. Nothing that the opener
// could read as an option (a leading "-") reaches it. Everything else starts nothing.
class DesktopShell : public Shell {
public:
    void ShellExecute(const QString& text) override;
    void StartProgram(const QString& program) override;
    static ShellCommand commandFor(const QString& text);
};
