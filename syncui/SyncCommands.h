#pragma once

#include "FormSync.h"
#include "SyncService.h"
#include "SyncStatusLabel.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace syncui {
class PasswordKeeper;
class PeriodicSync;
class SecretStore;
class SyncRunner;

// Sync for the main window's lifetime: the password keeper, the one runner, the periodic sync, the
// line in the status bar that tells how the last sync went, and the sync window opened from the
// exchange menu.
class SyncCommands : public QObject {
    Q_OBJECT
public:
    SyncCommands(std::unique_ptr<SyncService> service, std::unique_ptr<SecretStore> store, QWidget* window);
    ~SyncCommands() override;

    // The status bar's line; the main window places it.
    SyncStatusLabel* statusLabel() const { return status_; }
    SyncRunner& runner() { return *runner_; }
    PeriodicSync& periodic() { return *periodic_; }
    PasswordKeeper& passwords() { return *passwords_; }
    SyncService& service() { return *service_; }
    // The window, made on first use and raised when open.
    TFormSync* openWindow();
    TFormSync* window() const { return form_; }

public Q_SLOTS:
    // The interface language was switched: the status line and the open window follow.
    void languageChanged();

public:
    // Runs after a sync changed the contact database (the main window re-reads its lists).
    std::function<void()> onContactsChanged;

private:
    void onSynced(const SyncOutcome& outcome);

    QWidget* main_;
    std::unique_ptr<SyncService> service_;
    std::unique_ptr<SecretStore> store_;
    std::unique_ptr<PasswordKeeper> passwords_;
    SyncRunner* runner_;
    PeriodicSync* periodic_;
    SyncStatusLabel* status_;
    QPointer<TFormSync> form_;
    std::optional<SyncOutcome> last_; // the last sync of this run, shown when the window opens
};

} // namespace syncui
