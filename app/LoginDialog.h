#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;

// "Database Login": asks for the user name and password of one connect.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(const QString& databaseName, const QString& user, const QString& password, QWidget* parent = nullptr);
    QString userName() const;
    QString password() const;

    // The prompt the data module calls; false on Cancel.
    static bool ask(const QString& databaseName, QString& user, QString& password);

    // Tests answer the prompt instead of the dialog; an empty function means the dialog.
    using Responder = std::function<bool(const QString& databaseName, QString& user, QString& password)>;
    static void setResponder(Responder responder);

private:
    QLineEdit* userEdit_;
    QLineEdit* passwordEdit_;
};
