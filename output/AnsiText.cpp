#include "AnsiText.h"

#include "Cp1251.h"

#include <array>

namespace ansitext {
namespace {

struct Table {
    std::array<unsigned char, 65536> bytes{};
    Table() {
        for (int u = 0; u < 0x80; ++u)
            bytes[static_cast<size_t>(u)] = static_cast<unsigned char>(u);
        for (int u = 0x80; u < 0x10000; ++u) {
            const QChar c(static_cast<char16_t>(u));
            if (!cp1251::canEncode(QString(c))) {
                bytes[static_cast<size_t>(u)] = '?';
                continue;
            }
            bytes[static_cast<size_t>(u)] = static_cast<unsigned char>(cp1251::encode(QString(c)).at(0));
        }
    }
};

const Table& table() {
    static const Table t;
    return t;
}

} // namespace

void append(QByteArray& out, QStringView text) {
    const auto& t = table().bytes;
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* p = out.data() + start;
    for (QChar c : text)
        *p++ = static_cast<char>(t[c.unicode()]);
}

} // namespace ansitext
