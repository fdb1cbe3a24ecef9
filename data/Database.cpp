#include "Database.h"

#include "Dataset.h"

#include <algorithm>

Database::Database(QString objectName, QObject* parent) : QObject(parent) {
    setObjectName(objectName);
}

Database::~Database() {
    // Leaving without disconnect() keeps nothing open: the transaction rolls back and the
    // attachment detaches in their own destructors.
    transaction_.rollback();
}

void Database::connect() {
    if (connected())
        return;
    QString user = userName;
    QString pass = password;
    if (loginPrompt && prompt_) {
        if (!prompt_(databaseName, user, pass))
            throw DbError(QStringLiteral("Operation cancelled at user's request"));
    }
    attachment_.attach(databaseName, user, pass);
    Q_EMIT connectedChanged(true);
}

void Database::disconnect() {
    if (!connected())
        return;
    for (Dataset* d : datasets_)
        d->close();
    std::optional<DbError> failure;
    try {
        transaction_.commit();
    } catch (const DbError& e) {
        failure = e;
        transaction_.rollback();
    }
    try {
        attachment_.detach();
    } catch (const DbError& e) {
        if (!failure)
            failure = e;
    }
    Q_EMIT connectedChanged(false);
    if (failure)
        throw *failure;
}

fb::Transaction& Database::transaction() {
    if (!connected())
        connect();
    if (!transaction_.active())
        transaction_.start(attachment_);
    return transaction_;
}

void Database::commitRetaining() {
    transaction().commitRetaining();
}

bool Database::savePendingChanges(const SaveFailure& onFailure) {
    for (Dataset* d : datasets_) {
        if (!d->isEditing())
            continue;
        try {
            d->checkBrowseMode();
        } catch (const DbError& e) {
            if (!onFailure || !onFailure(*d, e))
                return false;
            try {
                d->cancel();
            } catch (...) {
            }
        }
    }
    return true;
}

void Database::registerDataset(Dataset* dataset) {
    datasets_.push_back(dataset);
}

void Database::unregisterDataset(Dataset* dataset) {
    std::erase(datasets_, dataset);
}

std::optional<int> KeyProcedure::execute() {
    fb::Statement st(db_.attachment(), db_.transaction(), QStringLiteral("Execute Procedure %1").arg(name_));
    st.execute();
    // Keys drawn are never given back: they are made durable at once.
    db_.commitRetaining();
    if (st.columnCount() < 1 || st.isNull(0))
        return std::nullopt;
    return static_cast<int>(st.integer(0));
}

std::vector<std::vector<QVariant>> Query::run(const std::vector<QVariant>& params) {
    fb::Statement st(db_.attachment(), db_.transaction(), sql_);
    for (int i = 0; i < static_cast<int>(params.size()) && i < st.paramCount(); ++i)
        st.setParam(i, params[i]);
    st.execute();
    std::vector<std::vector<QVariant>> rows;
    while (st.fetch()) {
        std::vector<QVariant> row;
        row.reserve(st.columnCount());
        for (int c = 0; c < st.columnCount(); ++c)
            row.push_back(st.value(c));
        rows.push_back(std::move(row));
    }
    return rows;
}
