#include "SyncCommands.h"

#include "FormSync.h"
#include "PasswordKeeper.h"
#include "PeriodicSync.h"
#include "SecretStore.h"
#include "SyncRunner.h"
#include "SyncWindowTexts.h"

#include <exception>

namespace syncui {

SyncCommands::SyncCommands(std::unique_ptr<SyncService> service, std::unique_ptr<SecretStore> store, QWidget* window)
    : QObject(window), main_(window), service_(std::move(service)), store_(std::move(store)),
      passwords_(std::make_unique<PasswordKeeper>(*store_)), runner_(new SyncRunner(*service_, this)),
      periodic_(new PeriodicSync(*passwords_, *runner_, this)), status_(new SyncStatusLabel(window)) {
    setObjectName(QStringLiteral("SyncCommands"));
    status_->hide(); // shown once there is something to tell
    connect(runner_, &SyncRunner::synced, this, &SyncCommands::onSynced);
    connect(periodic_, &PeriodicSync::message, status_, &SyncStatusLabel::setLine);
    try {
        periodic_->setAccount(service_->account());
    } catch (const std::exception& e) {
        // A database that cannot tell its account syncs by hand only; the window shows why.
        status_->setLine(text("M333", "Синхронизация не удалась: %1").arg(QString::fromUtf8(e.what())));
    }
}

SyncCommands::~SyncCommands() {
    // The runner's thread uses the service: it ends before the service goes.
    delete form_;
    delete periodic_;
    delete runner_; // cancels and waits
}

TFormSync* SyncCommands::openWindow() {
    if (form_.isNull()) {
        form_ = new TFormSync(*service_, *passwords_, *runner_, main_);
        form_->setAttribute(Qt::WA_DeleteOnClose);
        connect(form_, &TFormSync::accountSaved, periodic_, &PeriodicSync::setAccount);
        if (last_)
            form_->showOutcome(*last_);
    }
    form_->show();
    form_->raise();
    form_->activateWindow();
    return form_;
}

void SyncCommands::languageChanged() {
    if (last_)
        status_->setLine(outcomeText(*last_));
    if (form_)
        form_->languageChanged();
}

void SyncCommands::onSynced(const SyncOutcome& outcome) {
    last_ = outcome;
    const QString line = outcomeText(outcome);
    status_->setLine(line);
    if (outcome.fromServer > 0 || outcome.deleted > 0 || outcome.failure.kind != Failure::None) {
        // A failed or cancelled run may have stored some cards before it stopped.
        if (onContactsChanged)
            onContactsChanged();
    }
}

} // namespace syncui
