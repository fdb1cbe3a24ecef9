#pragma once

#include <QString>

class Dataset;

// What becomes of a pending change that a command is about to read over (a new list filter, "ВСЁ",
// a letter): it is saved as a move would save it; when the save is refused, the user chooses
// between going back to the change and discarding it. Nothing typed is ever dropped without a word.
namespace pendingchange {

// True when the command may go on: nothing was pending, the change was saved, or the user chose to
// discard it (then it is discarded). False when the user goes back: the change stays pending and
// the command must leave the list as it is.
bool settleBeforeReread(Dataset& dataset);

// The question asked when a save is refused; the reason is the refusal's own text.
QString discardQuestion(const QString& reason);

} // namespace pendingchange
