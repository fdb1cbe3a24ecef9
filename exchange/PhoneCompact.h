#pragma once

#include <QString>

// The compact form of a phone number, as dialers write it: a leading '+' when the number has one, its
// digits, and an extension after a comma ("+7 (495) 123-45-67 доб. 1234" -> "+74951234567,1234").
// An extension is recognised after "доб", "вн", "ext", "x", "#", a ',' or ';' (a dialer's pause), and
// the ";ext=" of a tel: URI.
namespace exchange {

QString compactPhone(const QString& phone);

// The number of a tel: URI as written, its extension in the compact form and its other parameters left
// out ("tel:+7-495-987-65-00;ext=12" -> "+7-495-987-65-00,12"); a value without the "tel:" scheme is
// returned as it stands.
QString phoneFromTelUri(const QString& value);

} // namespace exchange
