#include "PeriodicSync.h"

#include "PasswordKeeper.h"
#include "SyncRunner.h"
#include "SyncWindowTexts.h"

#include <QTimer>

namespace syncui {

PeriodicSync::PeriodicSync(PasswordKeeper& passwords, SyncRunner& runner, QObject* parent)
    : QObject(parent), passwords_(passwords), runner_(runner), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("PeriodicSync"));
    timer_->setObjectName(QStringLiteral("TimerSync"));
    connect(timer_, &QTimer::timeout, this, &PeriodicSync::runDue);
}

void PeriodicSync::setAccount(const Account& account) {
    account_ = account;
    if (account.isSetUp() && account.everyMinutes > 0)
        timer_->start(account.everyMinutes * 60 * 1000);
    else
        timer_->stop();
}

bool PeriodicSync::active() const {
    return timer_->isActive();
}

int PeriodicSync::intervalMs() const {
    return timer_->interval();
}

bool PeriodicSync::runDue() {
    if (!account_.isSetUp() || runner_.busy())
        return false;
    const auto password = passwords_.known(accountKey(account_.server, account_.user));
    if (!password) {
        // Asked once per run in the window; until then the periodic sync waits without a box.
        Q_EMIT message(text("M339", "Синхронизация ждёт пароля: откройте окно синхронизации в меню «Обмен»."));
        return false;
    }
    return runner_.startSync(account_, *password);
}

} // namespace syncui
