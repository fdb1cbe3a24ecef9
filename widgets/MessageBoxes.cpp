#include "MessageBoxes.h"

#include "ErrorText.h"

#include <QApplication>

namespace msgbox {
namespace {

Responder& responder() {
    static Responder r;
    return r;
}

QMessageBox::StandardButton show(Kind kind, const QString& text, QMessageBox::Icon icon,
                                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton def) {
    const Shown shown{kind, errortext::kAppTitle, text};
    if (responder())
        return responder()(shown);
    QMessageBox box(icon, errortext::kAppTitle, text, buttons, QApplication::activeWindow());
    box.setDefaultButton(def);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void setResponder(Responder r) {
    responder() = std::move(r);
}
void clearResponder() {
    responder() = nullptr;
}

void showError(const QString& message) {
    show(Kind::Error, errortext::withFullStop(message), QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok);
}

void showLastOsError() {
    showPlain(errortext::lastOsError());
}

void showPlain(const QString& text) {
    show(Kind::Plain, text, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok);
}

void showWarning(const QString& text) {
    show(Kind::Warning, text, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok);
}

void showInformation(const QString& text) {
    show(Kind::Information, text, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok);
}

bool confirm(const QString& text) {
    return show(Kind::Question, text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

bool confirmDefaultNo(const QString& text) {
    return show(Kind::Question, text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

QMessageBox::StandardButton askYesNoCancel(const QString& text) {
    return show(Kind::YesNoCancel, text, QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}

bool confirmOkCancel(const QString& text) {
    return show(Kind::Question, text, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
}

} // namespace msgbox
