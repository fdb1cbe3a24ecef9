#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The Windows Cyrillic code page, used by the database (WIN1251) and by every INI file on disk.
namespace cp1251 {

// Decodes cp1251 bytes; every byte has a character (0x98 is U+0098).
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

// Encodes to cp1251; characters without a cp1251 byte become '?'.
QByteArray encode(const QString& text);

// Whether every character of the text has a cp1251 byte.
bool canEncode(const QString& text);

// The first character that has no cp1251 byte, if any.
std::optional<QChar> firstUnencodable(const QString& text);

// Upper and lower case as the Windows ANSI code page defines them for Cyrillic and Latin letters.
QString toUpper(const QString& text);
QString toLower(const QString& text);

} // namespace cp1251
