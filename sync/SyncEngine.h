#pragma once

#include "SyncTypes.h"

#include <atomic>
#include <functional>

// The sync itself: server changes by sync-collection or ETags, desk changes against the values last
// synced, merged by columns, conflicts kept for the user.
namespace cardsync {

using ProgressFn = std::function<void(int done, int total, const QString& phase)>;

SyncResult runSync(const DbLogin& db, const QString& password, const ProgressFn& progress,
                   const std::atomic_bool* cancel);

} // namespace cardsync
