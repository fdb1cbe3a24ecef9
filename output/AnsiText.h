#pragma once

#include <QByteArray>
#include <QStringView>

// Texts of exported files go out in the Windows Cyrillic code page; characters without a byte
// there become '?'. A table makes this cheap enough for every cell of a large list.
namespace ansitext {

// Appends the cp1251 bytes of the text.
void append(QByteArray& out, QStringView text);
inline QByteArray encode(QStringView text) {
    QByteArray out;
    append(out, text);
    return out;
}

} // namespace ansitext
