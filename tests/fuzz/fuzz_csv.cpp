// libFuzzer target: a CSV file through the record reader and the contact columns.
#include "Csv.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const csv::Table table = csv::parse(bytes);
    if (table.records.size() != table.lines.size())
        __builtin_trap();
    const csv::Import imported = csv::readContacts(bytes, {QStringLiteral("Фамилия")}, QStringLiteral("Папка"));
    for (const exchange::ImportedContact& ic : imported.contacts)
        (void)exchange::checkRow(ic.row);
    return 0;
}
