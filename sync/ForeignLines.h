#pragma once

#include "ContactValues.h"

#include <QByteArray>

namespace cardsync {

// The desk's version of a card with the lines of the server's version that the desk has no column
// for (a phone's own fields, labels and properties of other programs) put back before
// its end, as the server wrote them. A contact edited on the desk is uploaded this way, so that the
// edit does not strip what only the phone holds. What the desk's columns carry always comes from the
// desk: a value cleared there stays cleared.
//
// lastSynced, when given, holds what the desk's columns held at the last sync: a phone number, e-mail,
// web or messenger address of the server's card that none of them held found no free slot on the
// desk, and is kept too; one the desk held and holds no more was removed there and stays removed.
//
// The server's photograph is the desk's too and goes with the desk's card; keepServerPhoto keeps the
// server's PHOTO line as written instead (a photograph the desk cannot take, or has no file of).
QByteArray withForeignLines(const QByteArray& deskCard, const QByteArray& serverCard,
                            const Values* lastSynced = nullptr, bool keepServerPhoto = false);

// Whether the desk's card for these values must keep the server's photograph: the desk has no file of
// the photograph the values name (the server's own, or a file gone on the desk), or names none while
// the server's is one the desk cannot take (no picture, too big, a link), which the desk never deletes.
bool keepsServerPhoto(const Values& values, const QByteArray& deskPhoto, const QByteArray& serverCard);

} // namespace cardsync
