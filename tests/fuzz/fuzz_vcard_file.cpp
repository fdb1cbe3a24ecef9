// libFuzzer target: a whole vCard file through the reader and the contact mapping.
#include "ContactMapping.h"
#include "VCard.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)vcard::looksLikeVCard(bytes);
    for (const vcard::Card& card : vcard::parse(bytes)) {
        const exchange::ImportedContact ic = exchange::contactFromCard(card);
        (void)exchange::checkRow(ic.row);
        (void)ic.row.title();
    }
    return 0;
}
