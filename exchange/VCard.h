#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// The syntax of vCard files (versions 2.1, 3.0 and 4.0): content lines, parameters, escapes, folding
// and the value encodings. What the properties mean for a contact is ContactMapping's business.
namespace vcard {

struct Parameter {
    QString name;       // upper case; a bare 2.1 parameter ("WORK") is given as TYPE
    QStringList values; // comma lists split, quotes removed, ^-escapes decoded
};

struct Property {
    QString group; // "item1" of "item1.TEL"; empty when none
    QString name;  // upper case
    std::vector<Parameter> params;
    QString value;     // the text after the colon, decoded to text; escapes are still in it
    QByteArray binary; // the decoded bytes of a base64 or b value; empty otherwise
    bool isBinary = false;

    // The values of a parameter, upper case when asked; empty when it is absent.
    QStringList param(const QString& name) const;
    QStringList types() const; // TYPE values in lower case, split on commas
    bool hasType(const QString& lowerType) const;
};

struct Card {
    QString version; // "2.1", "3.0", "4.0" or what the card says
    std::vector<Property> properties;
    bool closed = false; // END:VCARD was seen
    int firstLine = 0;   // 1-based line of BEGIN:VCARD
    // The first value whose bytes are not text in the charset they were read in: its 1-based line
    // (0 when every value is sound) and that charset.
    int badTextLine = 0;
    QString badTextCharset;
};

// Reads every card of a file. Any byte sequence is accepted: lines outside a card and lines that
// are not content lines are skipped, a card that is not closed ends at the end of the file.
// Folded lines are joined on bytes first; then text without a CHARSET parameter is read as UTF-8 when
// the file's non-ASCII bytes form more sound UTF-8 sequences than stray bytes, else as cp1251. A value
// that is not sound text in its charset marks its card (badTextLine) instead of being read garbled.
std::vector<Card> parse(const QByteArray& bytes);

// Whether the bytes look like vCard at all (a BEGIN:VCARD line near the start).
bool looksLikeVCard(const QByteArray& bytes);

// Text value escapes: "\n" and "\N" are line breaks, "\," "\;" "\:" and "\\" the characters.
QString unescape(const QString& text);
// Splits on unescaped separators and unescapes each piece (structured values with ';', lists with ',').
QStringList splitValue(const QString& value, QChar separator);

// Writing: one content line, folded at 75 octets without splitting a UTF-8 sequence, ended by CR LF.
QString escape(const QString& text);
void appendLine(QByteArray& out, const QByteArray& nameAndParams, const QString& value);
void appendRawLine(QByteArray& out, const QByteArray& line);

} // namespace vcard
