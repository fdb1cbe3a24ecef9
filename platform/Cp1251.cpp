#include "Cp1251.h"

#include <array>
#include <unordered_map>

namespace cp1251 {
namespace {

// 0x80..0xBF; 0xC0..0xFF map to U+0410..U+044F.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char16_t, unsigned char> fromUnicode;
    Tables() {
        for (int b = 0; b < 0x80; ++b)
            toUnicode[b] = char16_t(b);
        for (int b = 0x80; b < 0xC0; ++b)
            toUnicode[b] = kHigh[b - 0x80];
        for (int b = 0xC0; b < 0x100; ++b)
            toUnicode[b] = char16_t(0x0410 + (b - 0xC0));
        for (int b = 0x80; b < 0x100; ++b)
            fromUnicode.emplace(toUnicode[b], static_cast<unsigned char>(b));
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

int byteOf(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u;
    const auto& map = tables().fromUnicode;
    auto it = map.find(u);
    return it == map.end() ? -1 : it->second;
}

// Case pairs of the code page: Latin A-Z/a-z, Cyrillic А-Я/а-я, Ё/ё and the other Cyrillic letters of 0x80..0xBF.
QChar upperOf(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z')
        return QChar(u - 32);
    if (u >= 0x0430 && u <= 0x044F)
        return QChar(u - 32);
    if (u >= 0x0450 && u <= 0x045F)
        return QChar(u - 80);
    if (u == 0x0491)
        return QChar(0x0490);
    return c;
}

QChar lowerOf(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 'A' && u <= 'Z')
        return QChar(u + 32);
    if (u >= 0x0410 && u <= 0x042F)
        return QChar(u + 32);
    if (u >= 0x0400 && u <= 0x040F)
        return QChar(u + 80);
    if (u == 0x0490)
        return QChar(0x0491);
    return c;
}

} // namespace

QString decode(const char* data, qsizetype size) {
    const auto& table = tables().toUnicode;
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = QChar(table[static_cast<unsigned char>(data[i])]);
    return out;
}

QByteArray encode(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteOf(text[i]);
        out[i] = b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::optional<QChar> firstUnencodable(const QString& text) {
    for (QChar c : text)
        if (byteOf(c) < 0)
            return c;
    return std::nullopt;
}

bool canEncode(const QString& text) { return !firstUnencodable(text).has_value(); }

QString toUpper(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = upperOf(c);
    return out;
}

QString toLower(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        c = lowerOf(c);
    return out;
}

} // namespace cp1251
