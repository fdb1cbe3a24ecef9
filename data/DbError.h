#pragma once

#include <QString>
#include <exception>

// A failure of the database layer, carrying the text the user is shown (for server errors the
// server's own text) and the server's SQLCODE (0 for failures of our own).
class DbError : public std::exception {
public:
    explicit DbError(QString message, long sqlCode = 0, long gdsCode = 0)
        : message_(std::move(message)), utf8_(message_.toUtf8()), sqlCode_(sqlCode), gdsCode_(gdsCode) {}

    const QString& message() const { return message_; }
    long sqlCode() const { return sqlCode_; }
    long gdsCode() const { return gdsCode_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
    long sqlCode_;
    long gdsCode_;
};

// A save refused because another connection changed or deleted the row after it was read. The
// change stays pending, so nothing typed is lost.
class RowConflictError : public DbError {
public:
    RowConflictError(QString message, bool deleted) : DbError(std::move(message)), deleted_(deleted) {}
    bool rowDeleted() const { return deleted_; }

private:
    bool deleted_;
};
