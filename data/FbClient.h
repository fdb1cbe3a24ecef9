#pragma once

#include "DbError.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>
#include <functional>
#include <ibase.h>
#include <memory>
#include <vector>

// The Firebird client library, loaded by name at the first database use.
namespace fb {

// The library file the program looks for; tests may name another one to see the failure.
QString libraryName();
void setLibraryName(const QString& name);

// The message shown when the client library cannot be loaded.
QString libraryMissingMessage();

struct Api;
// Loads the library on first use; throws DbError with libraryMissingMessage() when it cannot.
const Api& api();

// Runs after every attach attempt (database or service, successful or not). The library sets up
// process-wide handlers of its own (SIGINT, SIGTERM) at its first attach; a program that wants its
// own handlers in force installs them again here.
void setAttachObserver(std::function<void()> observer);

// Turns a status vector into the server's text; throws DbError when it holds an error.
void check(const ISC_STATUS* status);
QString statusText(const ISC_STATUS* status);

class Transaction;

// One attachment to a database file; detached when destroyed.
class Attachment {
public:
    Attachment() = default;
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // Attaches with user_name, password and lc_ctype WIN1251.
    void attach(const QString& databaseName, const QString& user, const QString& password);
    // The page cache of the next attach, in pages; 0 keeps the engine's default. In SuperClassic
    // mode every attachment has a cache of its own, small by default (256 pages): a connection that
    // writes many rows in one transaction otherwise writes pages out, synchronously, long before its
    // commit.
    void setPageBuffers(int pages) { pageBuffers_ = pages; }
    void detach();
    // Deletes the database file of this attachment, which must be the only one; detached afterwards.
    void drop();
    bool attached() const { return handle_ != 0; }
    isc_db_handle* handle() { return &handle_; }

    // Creates a database file (dialect 3, WIN1251, page size 4096) and leaves it attached.
    void create(const QString& databaseName, const QString& user, const QString& password);

private:
    isc_db_handle handle_ = 0;
    int pageBuffers_ = 0;
};

// The one transaction: read_committed, rec_version, nowait.
class Transaction {
public:
    Transaction() = default;
    ~Transaction(); // rolls back if still active, never throws
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void start(Attachment& db);
    void commit();
    void commitRetaining();
    void rollback() noexcept;
    bool active() const { return handle_ != 0; }
    isc_tr_handle* handle() { return &handle_; }

private:
    isc_tr_handle handle_ = 0;
};

enum class ColumnType { Text, SmallInt, Integer, BigInt, Date, Timestamp, Double, Blob, Other };

// A prepared statement with its input and output descriptors.
class Statement {
public:
    Statement(Attachment& db, Transaction& tr, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int paramCount() const;
    // Parameters by position: null QVariant for NULL, int, QString (encoded to WIN1251), QDate,
    // QByteArray (octets, for RDB$DB_KEY).
    void setParam(int index, const QVariant& value);

    // Executes; for a select the rows are then read with fetch().
    void execute();
    bool fetch();
    void close();
    // Rows changed by the last execute of an update, delete or insert.
    int affectedRows() const;

    int columnCount() const;
    QString columnName(int index) const;
    ColumnType columnType(int index) const;
    bool isNull(int index) const;
    // Raw bytes of a text column (no copy); valid until the next fetch.
    const char* textData(int index, int* length) const;
    qint64 integer(int index) const;
    ISC_DATE rawDate(int index) const;
    QVariant value(int index) const;

private:
    struct Descriptor;
    Attachment& db_;
    Transaction& tr_;
    isc_stmt_handle handle_ = 0;
    std::unique_ptr<Descriptor> in_;
    std::unique_ptr<Descriptor> out_;
    bool isSelect_ = false;
    bool cursorOpen_ = false;
};

// ISC_DATE conversions.
QDate toQDate(ISC_DATE d);
ISC_DATE fromQDate(const QDate& d);

// Executes a statement that needs no parameters and returns no rows.
void executeImmediate(Attachment& db, Transaction& tr, const QString& sql);

// The service manager: backup and restore.
class Service {
public:
    Service() = default;
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    void attach(const QString& serviceName, const QString& user, const QString& password);
    void detach();
    // Starts a backup or restore run.
    void startBackup(const QString& databasePath, const QString& backupFile, bool verbose);
    void startRestore(const QString& backupFile, const QString& databasePath, bool replace, bool verbose);
    // One line of output; empty when the run has ended.
    QString queryLine(bool* finished);
    // Starts a service action from its complete request (action byte and parameters).
    void start(const QByteArray& request);

private:
    isc_svc_handle handle_ = 0;
};

} // namespace fb
