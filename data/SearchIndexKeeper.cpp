#include "SearchIndexKeeper.h"

#include "DbError.h"
#include "FbClient.h"
#include "SchemaScript.h"
#include "SearchIndexBuild.h"

#include <chrono>

SearchIndexKeeper::SearchIndexKeeper(QString databaseName, QString user, QString password, QObject* parent)
    : QThread(parent), databaseName_(std::move(databaseName)), user_(std::move(user)), password_(std::move(password)) {}

SearchIndexKeeper::~SearchIndexKeeper() {
    cancel_ = true;
    wake();
    wait();
}

void SearchIndexKeeper::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeUp_.notify_all();
}

bool SearchIndexKeeper::pause() {
    std::unique_lock lock(mutex_);
    wakeUp_.wait_for(lock, std::chrono::milliseconds(pauseMs_.load()), [this] { return woken_ || cancel_.load(); });
    woken_ = false;
    return !cancel_;
}

void SearchIndexKeeper::run() {
    // The window's thread must not wait for this one: it works below the window's priority.
    setPriority(QThread::LowPriority);
    const QString script = schema::readScript(QStringLiteral(":/data/schema.sql"));
    do {
        try {
            fb::Attachment db;
            db.attach(databaseName_, user_, password_);
            searchindex::IndexBuilder builder(db, script, &cancel_);
            // A database that cannot hold the index (yet) is searched the plain way meanwhile.
            builder.runToEnd();
        } catch (const DbError& e) {
            // The database busy or gone for a moment: tried again after the pause.
            qWarning("search index: %s", qPrintable(e.message()));
        }
        Q_EMIT passFinished();
    } while (pause());
}
