#pragma once

#include "ContactMapping.h"

#include <QString>
#include <array>

// A contact as the sync compares it: one text per column, the group path in the GR_NUM slot and the
// digest of the photograph in the FOTOLINK slot (see DeskPhotos.h). The key and the photograph's file
// path are the desk's own business and never compared or sent.
namespace cardsync {

using Values = std::array<QString, exchange::ColumnCount>;

// Whether a column travels between desk and server.
bool synced(int column);

Values valuesOf(const exchange::ContactRow& row);
exchange::ContactRow rowOf(const Values& values);

// The form kept in the sync state (a JSON object of the columns that hold a value).
QString toText(const Values& values);
Values fromText(const QString& text);

// The columns where two contacts differ.
std::vector<int> differences(const Values& a, const Values& b);

// The card uploaded for a contact: version 3.0 with the given UID, and the photograph inline when
// photo holds its bytes.
QByteArray cardOf(const Values& values, const QString& uid, const QByteArray& photo = {});

// A short name for lists.
QString titleOf(const Values& values);

} // namespace cardsync
