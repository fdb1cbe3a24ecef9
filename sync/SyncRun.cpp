#include "SyncRun.h"

#include "SyncEngine.h"
#include "SyncTexts.h"

namespace cardsync {

SyncRun::SyncRun(DbLogin db, QString password, QObject* parent)
    : QObject(parent), db_(std::move(db)), password_(std::move(password)) {
    qRegisterMetaType<cardsync::SyncResult>();
    qRegisterMetaType<cardsync::SyncError>();
}

SyncRun::~SyncRun() = default;

void SyncRun::cancel() {
    cancel_ = true;
}

SyncResult SyncRun::runBlocking() {
    return runSync(
        db_, password_, [this](int done, int total, const QString& phase) { Q_EMIT progress(done, total, phase); },
        &cancel_);
}

void SyncRun::run() {
    const SyncResult r = runBlocking();
    Q_EMIT finished(r);
}

QString resultText(const SyncResult& r) {
    if (!r.ok)
        return r.error.message;
    QString text = texts::countsText(r.counts);
    if (r.conflicts > 0)
        text += QStringLiteral("; ") + texts::conflictsText(r.conflicts);
    return text;
}

} // namespace cardsync
