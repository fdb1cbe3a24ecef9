#include "SyncRunner.h"

#include <QPointer>
#include <QThread>

namespace syncui {

SyncRunner::SyncRunner(SyncService& service, QObject* parent) : QObject(parent), service_(service) {
    setObjectName(QStringLiteral("SyncRunner"));
    qRegisterMetaType<syncui::Progress>();
    qRegisterMetaType<syncui::SyncOutcome>();
    qRegisterMetaType<syncui::FoundBooks>();
}

SyncRunner::~SyncRunner() {
    cancel();
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
}

bool SyncRunner::start(std::function<void(const std::atomic_bool&)> work, bool syncing) {
    if (busy())
        return false;
    cancel_ = std::make_shared<std::atomic_bool>(false);
    syncing_ = syncing;
    thread_ = QThread::create([work = std::move(work), cancel = cancel_] { work(*cancel); });
    thread_->setObjectName(QStringLiteral("SyncWorker"));
    // A job's end reaches the runner after its result; by then a next job may run, which stays.
    connect(thread_, &QThread::finished, this, [this, thread = thread_] {
        if (thread_ == thread)
            finish();
    });
    Q_EMIT started();
    thread_->start();
    return true;
}

void SyncRunner::finish() {
    if (thread_ == nullptr)
        return;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    syncing_ = false;
    Q_EMIT idle();
}

bool SyncRunner::startSync(const Account& account, const QString& password) {
    QPointer<SyncRunner> self(this);
    return start(
        [this, self, account, password](const std::atomic_bool& cancel) {
            auto report = [this, self](const Progress& p) {
                QMetaObject::invokeMethod(
                    this,
                    [self, p] {
                        if (self)
                            Q_EMIT self->progressed(p);
                    },
                    Qt::QueuedConnection);
            };
            SyncOutcome outcome = service_.sync(account, password, report, cancel);
            if (outcome.failure.kind == Failure::None && cancel)
                outcome.failure.kind = Failure::Cancelled;
            QMetaObject::invokeMethod(
                this,
                [self, outcome] {
                    if (!self)
                        return;
                    self->finish(); // busy() is false for whoever starts the next job on this signal
                    Q_EMIT self->synced(outcome);
                },
                Qt::QueuedConnection);
        },
        true);
}

bool SyncRunner::startFind(const Account& account, const QString& password) {
    QPointer<SyncRunner> self(this);
    return start(
        [this, self, account, password](const std::atomic_bool& cancel) {
            FoundBooks books = service_.findBooks(account, password, cancel);
            QMetaObject::invokeMethod(
                this,
                [self, books] {
                    if (!self)
                        return;
                    self->finish();
                    Q_EMIT self->found(books);
                },
                Qt::QueuedConnection);
        },
        false);
}

void SyncRunner::cancel() {
    if (cancel_)
        *cancel_ = true;
    if (busy())
        service_.cancel();
}

void SyncRunner::wait() {
    if (thread_ != nullptr)
        thread_->wait();
}

} // namespace syncui
