// libFuzzer target: one content line inside a card, then the value decoders on what it gave.
#include "ContactMapping.h"
#include "PhoneCompact.h"
#include "VCard.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bytes.append("\r\nEND:VCARD\r\n");
    for (const vcard::Card& card : vcard::parse(bytes)) {
        for (const vcard::Property& p : card.properties) {
            (void)p.types();
            (void)vcard::unescape(p.value);
            for (const QChar separator : {QChar(u';'), QChar(u',')})
                (void)vcard::splitValue(p.value, separator);
            (void)exchange::compactPhone(p.value);
            (void)exchange::phoneFromTelUri(p.value);
            (void)exchange::splitGroupPath(p.value);
            // What is read must write back as a line.
            QByteArray out;
            vcard::appendLine(out, p.name.toLatin1(), vcard::escape(vcard::unescape(p.value)));
        }
        (void)exchange::contactFromCard(card);
    }
    return 0;
}
