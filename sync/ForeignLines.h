#pragma once

#include "ContactValues.h"

#include <QByteArray>

namespace cardsync {

// The desk's version of a card with the lines of the server's version that the desk has no column
// for (a phone's own fields, its photograph, labels and properties of other programs) put back before
// its end, as the server wrote them. A contact edited on the desk is uploaded this way, so that the
// edit does not strip what only the phone holds. What the desk's columns carry always comes from the
// desk: a value cleared there stays cleared.
//
// lastSynced, when given, holds what the desk's columns held at the last sync: a phone number, e-mail,
// web or messenger address of the server's card that none of them held found no free slot on the
// desk, and is kept too; one the desk held and holds no more was removed there and stays removed.
QByteArray withForeignLines(const QByteArray& deskCard, const QByteArray& serverCard,
                            const Values* lastSynced = nullptr);

} // namespace cardsync
