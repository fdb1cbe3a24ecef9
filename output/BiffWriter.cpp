#include "BiffWriter.h"

#include "OutputStream.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kWindowsCyrillic = 1251;
} // namespace

void BiffWriter::header(quint16 type, quint16 length) {
    out_.writeU16(type);
    out_.writeU16(length);
}

void BiffWriter::beginFile() {
    header(kBof, 8);
    out_.writeU16(0x0000); // version
    out_.writeU16(0x0010); // worksheet
    out_.writeU16(0x0000);
    out_.writeU16(0x0000);
    // Without the code page, spreadsheet programs read the cp1251 texts as Western text.
    header(kCodePage, 2);
    out_.writeU16(kWindowsCyrillic);
}

void BiffWriter::endFile() {
    header(kEof, 0);
}

void BiffWriter::cellPlace() {
    out_.writeU16(row_);
    out_.writeU16(column_);
    out_.writeU16(0); // format index
}

void BiffWriter::label(const QByteArray& text) {
    label(text.constData(), text.size());
}

void BiffWriter::label(const char* data, qsizetype size) {
    const quint16 n = static_cast<quint16>(std::min<qsizetype>(size, 65535 - 8));
    header(kLabel, static_cast<quint16>(8 + n));
    cellPlace();
    out_.writeU16(n);
    out_.write(data, n);
    ++column_;
}

void BiffWriter::integer(qint64 value) {
    if (value < kMinRkInteger || value > kMaxRkInteger) {
        number(static_cast<double>(value));
        return;
    }
    header(kRk, 10);
    cellPlace();
    out_.writeU32(static_cast<quint32>(value * 4 + 2));
    ++column_;
}

void BiffWriter::number(double value) {
    header(kNumber, 14);
    cellPlace();
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out_.writeU32(static_cast<quint32>(bits & 0xFFFFFFFFu));
    out_.writeU32(static_cast<quint32>(bits >> 32));
    ++column_;
}
