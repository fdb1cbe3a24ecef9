#pragma once

#include "SyncService.h"
#include "SyncTypes.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <functional>

namespace cardsync {
class SyncRun;
} // namespace cardsync

namespace syncui {

// The window's view of the sync library (sync/): the account and the conflict list in the database's
// sync tables, discovery and the run. Column titles are the grids' titles in the current language.
class EngineSyncService : public SyncService {
public:
    // db: how the program's connection was opened (the library opens connections of its own).
    // columnTitles: the grids' titles in the exchange columns' order, asked each time the conflicts are
    // read, so they follow the language loaded.
    EngineSyncService(cardsync::DbLogin db, std::function<QStringList()> columnTitles);
    ~EngineSyncService() override;

    Account account() override;
    void saveAccount(const Account& account) override;
    FoundBooks findBooks(const Account& account, const QString& password, const std::atomic_bool& cancel) override;
    SyncOutcome sync(const Account& account, const QString& password, const ProgressFn& progress,
                     const std::atomic_bool& cancel) override;
    QList<Conflict> conflicts() override;
    void choose(const QString& key, Choice choice, const QHash<int, Choice>& columns = {}) override;
    void cancel() override;

private:
    const cardsync::DbLogin& login() const { return db_; }

    cardsync::DbLogin db_;
    std::function<QStringList()> columnTitles_;
    QHash<QString, Choice> chosen_; // the sides chosen in this run, by card address
    QMutex runLock_;
    cardsync::SyncRun* run_ = nullptr; // the run in progress, for cancel()
};

} // namespace syncui
