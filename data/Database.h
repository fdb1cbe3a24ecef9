#pragma once

#include "FbClient.h"

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class Dataset;

// The one connection and its one transaction. Datasets register here so that a disconnect closes
// them; every save commits with retaining, so the transaction and its cursors stay open while a
// killed program loses at most the row being typed.
class Database : public QObject {
    Q_OBJECT
public:
    // Asks for user name and password before a connect; false means the user cancelled.
    using LoginPrompt = std::function<bool(const QString& databaseName, QString& user, QString& password)>;

    explicit Database(QString objectName, QObject* parent = nullptr);
    ~Database() override;

    QString databaseName;
    QString userName;
    QString password;
    bool loginPrompt = false;
    void setLoginPromptHandler(LoginPrompt prompt) { prompt_ = std::move(prompt); }

    // Connects with the values as they stand (asking first when the prompt is on).
    void connect();
    // Commits and detaches; every registered dataset closes first. A failed commit rolls back,
    // detaches and is then thrown, so the caller can tell the user.
    void disconnect();
    bool connected() const { return attachment_.attached(); }

    // The transaction, started at the first use after a connect.
    fb::Transaction& transaction();
    fb::Attachment& attachment() { return attachment_; }
    bool inTransaction() const { return transaction_.active(); }
    void commitRetaining();

    // Saves the pending change of every dataset, as a move of its cursor would (an unchanged new
    // row is dropped). When a save fails, onFailure decides: true discards that change and goes on,
    // false stops and leaves the change pending. True when nothing is left pending.
    using SaveFailure = std::function<bool(Dataset& dataset, const DbError& error)>;
    bool savePendingChanges(const SaveFailure& onFailure);

    void registerDataset(Dataset* dataset);
    void unregisterDataset(Dataset* dataset);
    const std::vector<Dataset*>& datasets() const { return datasets_; }

Q_SIGNALS:
    void connectedChanged(bool connected);

private:
    fb::Attachment attachment_;
    fb::Transaction transaction_;
    LoginPrompt prompt_;
    std::vector<Dataset*> datasets_;
};

// A stored procedure without input whose first output is a new key.
class KeyProcedure {
public:
    KeyProcedure(Database& db, QString procedureName) : db_(db), name_(std::move(procedureName)) {}
    const QString& name() const { return name_; }
    // The new key; nothing when the procedure returned no value.
    std::optional<int> execute();

private:
    Database& db_;
    QString name_;
};

// A select with parameters whose rows are read at once.
class Query {
public:
    Query(Database& db, QString sql) : db_(db), sql_(std::move(sql)) {}
    const QString& sql() const { return sql_; }
    std::vector<std::vector<QVariant>> run(const std::vector<QVariant>& params);

private:
    Database& db_;
    QString sql_;
};
