#pragma once

#include <QByteArray>

namespace cardsync {

// The desk's version of a card with the lines of the server's version that the desk has no column
// for (a phone's own fields, its photograph, labels and properties of other programs) put back before
// its end, as the server wrote them. A contact edited on the desk is uploaded this way, so that the
// edit does not strip what only the phone holds. What the desk's columns carry always comes from the
// desk: a value cleared there stays cleared.
QByteArray withForeignLines(const QByteArray& deskCard, const QByteArray& serverCard);

} // namespace cardsync
