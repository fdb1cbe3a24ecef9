#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <Qt>

class OutputStream;

// The lines of an HTML 3.2 table document, each ended by CR LF, in cp1251.
namespace html {

// "&" -> "&amp", "<" -> "&lt", ">" -> "&gt", '"' -> "&quot" (no closing semicolons); empty -> "&nbsp".
QByteArray escaped(QStringView text);
// Six upper-case hexadecimal digits, red green blue; an invalid colour is "000000".
QByteArray colour(const QColor& c);
// "LEFT", "RIGHT" or "CENTER".
QByteArray alignmentWord(Qt::Alignment a);
// The opening of a font run: the FONT tag and the style tags.
QByteArray fontRunStart(const QFont& font, const QColor& colour);
// The end of a font run: the closing style tags and "</FONT>".
QByteArray fontRunEnd(const QFont& font);
// A font's size in whole points.
int pointSize(const QFont& font);

// The document's frame. The charset line, when asked for, names windows-1251 in the HEAD.
void writeHead(OutputStream& out, const QString& title, bool charsetLine);
// "<TABLE BORDER=... CELLPADDING=... BGCOLOR=#...>" and an empty line.
void writeTableStart(OutputStream& out, bool lines, bool ctl3d, bool flat, const QColor& fixedColour);
void writeTail(OutputStream& out);

} // namespace html
