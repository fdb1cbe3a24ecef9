#pragma once

#include "SyncService.h"

#include <QObject>
#include <atomic>
#include <memory>

class QThread;

namespace syncui {

// Runs the server's work off the window's thread, one job at a time for the whole program: the window's
// "Sync now", its search for address books and the periodic sync all go through one runner, so a sync
// already running is never started twice. Results come back as signals on the window's thread.
class SyncRunner : public QObject {
    Q_OBJECT
public:
    SyncRunner(SyncService& service, QObject* parent = nullptr);
    ~SyncRunner() override; // cancels a job still running and waits for it

    bool busy() const { return thread_ != nullptr; }
    bool syncing() const { return busy() && syncing_; }
    // False (and nothing started) while a job runs.
    bool startSync(const Account& account, const QString& password);
    bool startFind(const Account& account, const QString& password);
    void cancel();
    // Blocks until the job running ends (tests, the program's end).
    void wait();

Q_SIGNALS:
    void started();
    void progressed(const syncui::Progress& progress);
    void synced(const syncui::SyncOutcome& outcome);
    void found(const syncui::FoundBooks& books);
    void idle();

private:
    bool start(std::function<void(const std::atomic_bool& cancel)> work, bool syncing);
    void finish();

    SyncService& service_;
    QThread* thread_ = nullptr;
    bool syncing_ = false;
    std::shared_ptr<std::atomic_bool> cancel_;
};

} // namespace syncui
