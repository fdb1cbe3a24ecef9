#pragma once

#include "SyncService.h"

#include <QString>

// The texts of the sync window and of the sync's messages, each under a message key of the language
// file with its Russian text while the file has none.
namespace syncui {

QString text(const char* key, const char* russian);
// One line on a finished sync: when, what went each way, conflicts waiting; or why it failed.
QString outcomeText(const SyncOutcome& outcome);
QString choiceText(Choice choice);
// A choice for the contact with some columns taking the other side.
QString columnsChoiceText(Choice choice, int columns);
// A photograph in the conflict list: it is compared by a digest of its bytes, shown by its first digits.
QString photoText(const QString& digest);
QString unreadablePhotoText();
// The question shown for a certificate the system does not trust; changed: another one was accepted.
QString certificateQuestion(const QString& server, const QString& fingerprint, bool changed);

} // namespace syncui
