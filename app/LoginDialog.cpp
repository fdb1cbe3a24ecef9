#include "LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString& databaseName, const QString& user, const QString& password, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("Database Login"));
    auto* form = new QFormLayout;
    auto* db = new QLabel(databaseName, this);
    db->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Database:"), db);
    userEdit_ = new QLineEdit(user, this);
    userEdit_->setMaxLength(31);
    passwordEdit_ = new QLineEdit(password, this);
    passwordEdit_->setMaxLength(31);
    passwordEdit_->setEchoMode(QLineEdit::Password);
    auto* userLabel = new QLabel(QStringLiteral("&User Name:"), this);
    userLabel->setBuddy(userEdit_);
    auto* passLabel = new QLabel(QStringLiteral("&Password:"), this);
    passLabel->setBuddy(passwordEdit_);
    form->addRow(userLabel, userEdit_);
    form->addRow(passLabel, passwordEdit_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(buttons);
    passwordEdit_->setFocus();
}

QString LoginDialog::userName() const {
    return userEdit_->text();
}
QString LoginDialog::password() const {
    return passwordEdit_->text();
}

namespace {
LoginDialog::Responder& responder() {
    static LoginDialog::Responder r;
    return r;
}
} // namespace

void LoginDialog::setResponder(Responder r) {
    responder() = std::move(r);
}

bool LoginDialog::ask(const QString& databaseName, QString& user, QString& password) {
    if (responder())
        return responder()(databaseName, user, password);
    LoginDialog d(databaseName, user, password);
    if (d.exec() != QDialog::Accepted)
        return false;
    user = d.userName();
    password = d.password();
    return true;
}
