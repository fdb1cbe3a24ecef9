#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

// Every message box of the program goes through here, so that tests can answer them without a
// window blocking: a test sets a responder that records the box and returns the button to press.
namespace msgbox {

enum class Kind { Error, Plain, Question, Warning, Information, YesNoCancel };

struct Shown {
    Kind kind;
    QString caption;
    QString text;
};

using Responder = std::function<QMessageBox::StandardButton(const Shown&)>;
// Installs a responder (nothing restores the real boxes).
void setResponder(Responder responder);
void clearResponder();

// The standard error box: application title, error icon, OK; a full stop is appended.
void showError(const QString& message);
// The error-report convention: the operating system's text for the last error, plain box.
void showLastOsError();
// A plain box with OK and no icon.
void showPlain(const QString& text);
void showWarning(const QString& text);
void showInformation(const QString& text);
// Yes/No with the question icon; true on Yes.
bool confirm(const QString& text);
// Yes/No with the question icon and No as the default button, for questions whose Yes loses work.
bool confirmDefaultNo(const QString& text);
// Yes/No/Cancel; the button pressed.
QMessageBox::StandardButton askYesNoCancel(const QString& text);
// OK/Cancel (the navigators' "Delete record?"); true on OK.
bool confirmOkCancel(const QString& text);

} // namespace msgbox
