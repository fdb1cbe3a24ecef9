#pragma once

#include "SyncService.h"

#include <QObject>

class QTimer;

namespace syncui {
class PasswordKeeper;
class SyncRunner;

// The sync every N minutes while the program runs. It never asks anything: a sync already running is
// left alone, a password not known in this run and a failure are reported by message() for the status
// bar, never by a box that would pop up every N minutes.
class PeriodicSync : public QObject {
    Q_OBJECT
public:
    PeriodicSync(PasswordKeeper& passwords, SyncRunner& runner, QObject* parent = nullptr);

    // Restarts the timer for the account's interval; stops it for "by hand only".
    void setAccount(const Account& account);
    bool active() const;
    int intervalMs() const;

public Q_SLOTS:
    // What the timer does when it fires; false when no sync was started.
    bool runDue();

Q_SIGNALS:
    void message(const QString& text);

private:
    PasswordKeeper& passwords_;
    SyncRunner& runner_;
    QTimer* timer_;
    Account account_;
};

} // namespace syncui
