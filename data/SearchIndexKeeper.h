#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Keeps the search index of one database built and current from a thread of its own with an
// attachment of its own, so that opening the database or saving a contact never waits for it: the
// build or catch-up runs at once, then again after each pause. Destroying the keeper cancels the
// step under way (its transaction rolls back; a build goes on from its last chunk next time) and
// detaches before it returns.
class SearchIndexKeeper : public QThread {
    Q_OBJECT
public:
    SearchIndexKeeper(QString databaseName, QString user, QString password, QObject* parent = nullptr);
    ~SearchIndexKeeper() override;

    // The pause between passes once nothing is left to do.
    void setPause(int ms) { pauseMs_ = ms; }
    // Asks for a pass now rather than after the pause.
    void wake();

Q_SIGNALS:
    // A pass over the index ended (built, caught up, or nothing to do), sent from the keeper's thread.
    void passFinished();

protected:
    void run() override;

private:
    // Sleeps for the pause or until woken or cancelled; false when cancelled.
    bool pause();

    QString databaseName_, user_, password_;
    std::atomic_bool cancel_{false};
    std::atomic_int pauseMs_{30000};
    std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool woken_ = false;
};
