#pragma once

#include "SyncTypes.h"

// The texts of the sync that a user reads, looked up in the language files by message key.
namespace cardsync::texts {

QString errorText(SyncError::Kind kind, const QString& detail = {}, const QString& detail2 = {});
QString phaseReading();
QString phaseFetching();
QString phaseStoring();
QString noAccount();
QString countsText(const SyncCounts& c);
QString conflictsText(int n);
// Said when a bare host did not answer over HTTPS and is not tried without TLS.
QString plainHttpHint(const QString& host);

} // namespace cardsync::texts
