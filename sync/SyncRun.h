#pragma once

#include "SyncTypes.h"

#include <QObject>
#include <atomic>

// One run of the sync between the contact database and the chosen address book.
namespace cardsync {

// Works off the window's thread: move it to a QThread and start run() there (or call run() on any
// thread that is not the window's). Every signal is queued to the window. Only one sync runs at a
// time per database, whichever copy of the program starts it: a second one ends at once with Busy.
class SyncRun : public QObject {
    Q_OBJECT
public:
    // password: the server's password for the account's user, never stored.
    SyncRun(DbLogin db, QString password, QObject* parent = nullptr);
    ~SyncRun() override;

    // Thread-safe: the run stops at the next step and ends with Cancelled; what was done stays
    // consistent (each card's change is stored with its state, or not at all).
    void cancel();

    // The same run without signals, for code that is already on a worker thread.
    SyncResult runBlocking();

public Q_SLOTS:
    void run();

Q_SIGNALS:
    // done of total steps in the phase named.
    void progress(int done, int total, const QString& phase);
    void finished(const cardsync::SyncResult& result);

private:
    DbLogin db_;
    QString password_;
    std::atomic_bool cancel_{false};
};

// The text of a result for the window's status line: the counts, the conflicts, or the error.
QString resultText(const SyncResult& result);

} // namespace cardsync
