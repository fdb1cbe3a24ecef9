#include "HtmlWriter.h"

#include "AnsiText.h"
#include "OutputStream.h"

#include <cmath>

namespace html {

QByteArray escaped(QStringView text) {
    if (text.isEmpty())
        return QByteArrayLiteral("&nbsp");
    QByteArray plain = ansitext::encode(text);
    if (plain.indexOf('&') < 0 && plain.indexOf('<') < 0 && plain.indexOf('>') < 0 && plain.indexOf('"') < 0)
        return plain;
    QByteArray out;
    out.reserve(plain.size() + 16);
    for (char c : plain) {
        switch (c) {
        case '&':
            out += "&amp";
            break;
        case '<':
            out += "&lt";
            break;
        case '>':
            out += "&gt";
            break;
        case '"':
            out += "&quot";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray colour(const QColor& c) {
    if (!c.isValid())
        return QByteArrayLiteral("000000");
    return QByteArray::number(c.red() << 16 | c.green() << 8 | c.blue(), 16).rightJustified(6, '0').toUpper();
}

QByteArray alignmentWord(Qt::Alignment a) {
    if (a & Qt::AlignRight)
        return QByteArrayLiteral("RIGHT");
    if (a & Qt::AlignHCenter)
        return QByteArrayLiteral("CENTER");
    return QByteArrayLiteral("LEFT");
}

int pointSize(const QFont& font) {
    if (font.pointSizeF() > 0)
        return static_cast<int>(std::lround(font.pointSizeF()));
    return static_cast<int>(std::lround(font.pixelSize() * 72.0 / 96.0));
}

QByteArray fontRunStart(const QFont& font, const QColor& c) {
    QByteArray s = "<FONT STYLE=\"font-family: " + ansitext::encode(font.family()) +
                   "; font-size: " + QByteArray::number(pointSize(font)) + "pt; color: #" + colour(c) + "\">";
    if (font.bold())
        s += "<B>";
    if (font.italic())
        s += "<I>";
    if (font.underline())
        s += "<U>";
    if (font.strikeOut())
        s += "<STRIKE>";
    return s;
}

QByteArray fontRunEnd(const QFont& font) {
    QByteArray s;
    if (font.bold())
        s += "</B>";
    if (font.italic())
        s += "</I>";
    if (font.underline())
        s += "</U>";
    if (font.strikeOut())
        s += "</STRIKE>";
    return s + "</FONT>";
}

void writeHead(OutputStream& out, const QString& title, bool charsetLine) {
    out.write(QByteArrayLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"));
    if (charsetLine)
        out.write(
            QByteArrayLiteral("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"));
    out.write(QByteArrayLiteral("<TITLE>\r\n"));
    out.write(ansitext::encode(title) + "\r\n");
    out.write(QByteArrayLiteral("</TITLE>\r\n</HEAD>\r\n"));
}

void writeTableStart(OutputStream& out, bool lines, bool ctl3d, bool flat, const QColor& fixedColour) {
    QByteArray s = "<TABLE ";
    if (!lines)
        s += "BORDER=0 CELLSPACING=0 CELLPADDING=";
    else if (ctl3d)
        s += "BORDER=1 CELLSPACING=0 CELLPADDING=";
    else
        s += "BORDER=0 CELLSPACING=1 CELLPADDING=";
    s += flat ? "1" : "2";
    s += " BGCOLOR=#" + colour(fixedColour) + ">\r\n\r\n";
    out.write(s);
}

void writeTail(OutputStream& out) {
    out.write(QByteArrayLiteral("</TABLE>\r\n</BODY>\r\n</HTML>\r\n"));
}

} // namespace html
