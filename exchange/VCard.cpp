#include "VCard.h"

#include "Cp1251.h"

#include <QStringDecoder>
#include <cstring>

namespace vcard {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

// The part of a content line before its value separator, found outside double quotes.
qsizetype valueColon(const QByteArray& line) {
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

// Whether the name and parameters of a content line contain the word, letter case ignored; no copies.
bool headerHas(const QByteArray& line, const char* word) {
    const qsizetype colon = valueColon(line);
    const qsizetype end = colon < 0 ? line.size() : colon;
    const qsizetype n = static_cast<qsizetype>(std::strlen(word));
    const char* p = line.constData();
    for (qsizetype i = 0; i + n <= end; ++i)
        if (qstrnicmp(p + i, word, n) == 0)
            return true;
    return false;
}

bool hasParameters(const QByteArray& line) {
    for (const char c : line) {
        if (c == ';')
            return true;
        if (c == ':')
            return false;
    }
    return false;
}

bool isQuotedPrintable(const QByteArray& line) {
    return hasParameters(line) && headerHas(line, "QUOTED-PRINTABLE");
}
bool isBase64(const QByteArray& line) {
    return hasParameters(line) && valueColon(line) >= 0 && (headerHas(line, "BASE64") || headerHas(line, "ENCODING=B"));
}

// A line that is exactly the keyword, surrounding blanks allowed.
bool isKeywordLine(const QByteArray& line, const char* keyword) {
    qsizetype b = 0, e = line.size();
    while (b < e && isSpace(line[b]))
        ++b;
    while (e > b && isSpace(line[e - 1]))
        --e;
    const qsizetype n = static_cast<qsizetype>(std::strlen(keyword));
    return e - b == n && qstrnicmp(line.constData() + b, keyword, n) == 0;
}

// Physical lines, split on CR LF, LF or CR.
std::vector<QByteArray> physicalLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(bytes.mid(start, i - start));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.push_back(bytes.mid(start));
    return lines;
}

struct LogicalLine {
    QByteArray text;
    int number = 0; // 1-based physical line where it starts
};

// Joins folded lines, quoted-printable soft breaks and the bare base64 continuation lines of 2.1.
std::vector<LogicalLine> logicalLines(const std::vector<QByteArray>& physical) {
    std::vector<LogicalLine> out;
    for (size_t i = 0; i < physical.size(); ++i) {
        const QByteArray& line = physical[i];
        if (!line.isEmpty() && isSpace(line[0]) && !out.empty()) {
            out.back().text += line.mid(1);
            continue;
        }
        {
            LogicalLine l;
            l.text = line;
            l.number = static_cast<int>(i) + 1;
            // A quoted-printable value whose line ends with '=' goes on in the next line.
            if (isQuotedPrintable(l.text)) {
                while (l.text.endsWith('=') && i + 1 < physical.size() &&
                       !isKeywordLine(physical[i + 1], "END:VCARD") && !isKeywordLine(physical[i + 1], "BEGIN:VCARD")) {
                    l.text.chop(1);
                    ++i;
                    const QByteArray& next = physical[i];
                    l.text += next;
                }
            } else if (isBase64(l.text)) {
                // 2.1 writers put base64 data on lines of their own until an empty line.
                while (i + 1 < physical.size()) {
                    const QByteArray& next = physical[i + 1];
                    if (next.isEmpty()) {
                        ++i;
                        break;
                    }
                    if (isSpace(next[0])) {
                        l.text += next.trimmed();
                        ++i;
                        continue;
                    }
                    if (valueColon(next) >= 0)
                        break;
                    l.text += next.trimmed();
                    ++i;
                }
            }
            out.push_back(std::move(l));
        }
    }
    return out;
}

QByteArray decodeQuotedPrintable(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '=' && i + 1 == in.size())
            break; // a soft line break with nothing after it
        if (c == '=' && i + 2 < in.size()) {
            const int h = hex(in[i + 1]);
            const int l = hex(in[i + 2]);
            if (h >= 0 && l >= 0) {
                out += static_cast<char>(h * 16 + l);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool isAscii(const QByteArray& bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// UTF-8 read strictly: a stray byte or a cut sequence clears *ok instead of becoming U+FFFD unseen.
QString strictUtf8(const QByteArray& bytes, bool* ok) {
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    // The card is refused; its text is shown in the preview as cp1251 would read it, which is what
    // a stray byte in a UTF-8 file most often is, rather than as replacement characters.
    *ok = false;
    return cp1251::decode(bytes);
}

// cp1251 leaves one byte, 0x98, without a character.
QString strictCp1251(const QByteArray& bytes, bool* ok) {
    if (bytes.contains('\x98'))
        *ok = false;
    return cp1251::decode(bytes);
}

// Decodes a value; *used names the charset read in, *ok is cleared when the bytes are no text in it.
QString decodeText(const QByteArray& bytes, const QString& charset, bool fileIsUtf8, QString* used, bool* ok) {
    const QString cs = charset.trimmed().toLower();
    if (cs.isEmpty()) {
        *used = fileIsUtf8 ? QStringLiteral("UTF-8") : QStringLiteral("windows-1251");
        return fileIsUtf8 ? strictUtf8(bytes, ok) : strictCp1251(bytes, ok);
    }
    *used = charset.trimmed();
    if (cs == u"utf-8" || cs == u"utf8")
        return strictUtf8(bytes, ok);
    if (cs == u"windows-1251" || cs == u"cp1251" || cs == u"win1251" || cs == u"cp-1251")
        return strictCp1251(bytes, ok);
    if (cs == u"iso-8859-1" || cs == u"latin1" || cs == u"us-ascii" || cs == u"ascii")
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(cs.toLatin1().constData(), QStringConverter::Flag::Stateless);
    if (decoder.isValid()) {
        QString s = decoder.decode(bytes);
        if (decoder.hasError())
            *ok = false;
        return s;
    }
    *used = fileIsUtf8 ? QStringLiteral("UTF-8") : QStringLiteral("windows-1251");
    return fileIsUtf8 ? strictUtf8(bytes, ok) : strictCp1251(bytes, ok);
}

// RFC 6868: ^n a line break, ^^ a caret, ^' a double quote.
QString decodeCaret(const QString& v) {
    if (!v.contains(u'^'))
        return v;
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == u'^' && i + 1 < v.size()) {
            const QChar n = v[i + 1];
            if (n == u'n' || n == u'N') {
                out += u'\n';
                ++i;
                continue;
            }
            if (n == u'^') {
                out += u'^';
                ++i;
                continue;
            }
            if (n == u'\'') {
                out += u'"';
                ++i;
                continue;
            }
        }
        out += v[i];
    }
    return out;
}

// Splits on the separator outside double quotes; the quotes themselves are dropped.
QList<QString> splitOutsideQuotes(const QString& s, QChar sep) {
    QList<QString> parts;
    if (!s.contains(u'"')) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= s.size(); ++i)
            if (i == s.size() || s[i] == sep) {
                parts << s.mid(start, i - start);
                start = i + 1;
            }
        return parts;
    }
    QString cur;
    bool quoted = false;
    for (const QChar c : s) {
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (c == sep && !quoted) {
            parts << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    parts << cur;
    return parts;
}

Parameter parseParameter(const QString& text) {
    Parameter p;
    const qsizetype eq = text.indexOf(u'=');
    QString values;
    if (eq < 0) {
        const QString bare = text.trimmed().toUpper();
        if (bare == u"QUOTED-PRINTABLE" || bare == u"BASE64" || bare == u"B" || bare == u"8BIT" || bare == u"7BIT")
            p.name = QStringLiteral("ENCODING");
        else
            p.name = QStringLiteral("TYPE");
        values = text.trimmed();
    } else {
        p.name = text.left(eq).trimmed().toUpper();
        values = text.mid(eq + 1);
    }
    for (const QString& v : splitOutsideQuotes(values, u','))
        if (!v.trimmed().isEmpty())
            p.values << decodeCaret(v.trimmed());
    return p;
}

// *badText is set when the value is no sound text in the charset it was read in, named in *charsetUsed.
bool parseProperty(const QByteArray& line, bool fileIsUtf8, Property& prop, bool* badText, QString* charsetUsed) {
    const qsizetype colon = valueColon(line);
    if (colon <= 0)
        return false;
    // The name and parameters are ASCII in every version; other bytes are read as the file's text.
    const QString head = fileIsUtf8 ? QString::fromUtf8(line.constData(), colon) : cp1251::decode(line.left(colon));
    const QList<QString> pieces = splitOutsideQuotes(head, u';');
    QString name = pieces.front().trimmed();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        prop.group = name.left(dot);
        name = name.mid(dot + 1);
    }
    prop.name = name.toUpper();
    if (prop.name.isEmpty())
        return false;
    for (qsizetype i = 1; i < pieces.size(); ++i)
        if (!pieces[i].trimmed().isEmpty())
            prop.params.push_back(parseParameter(pieces[i]));

    QByteArray raw = line.mid(colon + 1);
    const QStringList encoding = prop.param(QStringLiteral("ENCODING"));
    const QString enc = encoding.isEmpty() ? QString() : encoding.front().toUpper();
    if (enc == u"B" || enc == u"BASE64") {
        QByteArray clean;
        clean.reserve(raw.size());
        for (const char c : raw)
            if (!isSpace(c))
                clean += c;
        prop.binary = QByteArray::fromBase64(clean);
        prop.isBinary = true;
        prop.value = QString::fromLatin1(clean);
        return true;
    }
    if (enc == u"QUOTED-PRINTABLE")
        raw = decodeQuotedPrintable(raw);
    const QStringList charset = prop.param(QStringLiteral("CHARSET"));
    bool ok = true;
    prop.value = decodeText(raw, charset.isEmpty() ? QString() : charset.front(), fileIsUtf8, charsetUsed, &ok);
    *badText = !ok;
    return true;
}

QByteArray normalised(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE);
        return QString(d.decode(bytes.mid(2))).toUtf8();
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder d(QStringConverter::Utf16BE);
        return QString(d.decode(bytes.mid(2))).toUtf8();
    }
    return bytes;
}

// Sound multi-byte UTF-8 sequences and stray high bytes of a text, counted.
struct Utf8Evidence {
    qsizetype sequences = 0;
    qsizetype stray = 0;
    void add(const QByteArray& text) {
        const auto* p = reinterpret_cast<const unsigned char*>(text.constData());
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n;) {
            const unsigned char c = p[i];
            if (c < 0x80) {
                ++i;
                continue;
            }
            const int length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
            bool sound = length > 0 && i + length <= n;
            for (int k = 1; sound && k < length; ++k)
                sound = (p[i + k] & 0xC0) == 0x80;
            if (sound) {
                ++sequences;
                i += length;
            } else {
                ++stray;
                ++i;
            }
        }
    }
};

// The charset of text without a CHARSET parameter, decided on joined lines: UTF-8 unless the file's
// high bytes are mostly no UTF-8 (a cp1251 file), so one broken card does not turn a whole file to
// cp1251, and a fold inside a letter is no evidence at all.
bool decideUtf8(const std::vector<LogicalLine>& lines) {
    // The text of each line that speaks for the file: not base64, not under a CHARSET of its own.
    std::vector<QByteArray> texts;
    bool allValid = true;
    for (const LogicalLine& l : lines) {
        const bool qp = isQuotedPrintable(l.text);
        if (!qp && isAscii(l.text))
            continue;
        const qsizetype colon = valueColon(l.text);
        if (colon < 0 || isBase64(l.text) || headerHas(l.text, "CHARSET"))
            continue;
        texts.push_back(qp ? decodeQuotedPrintable(l.text.mid(colon + 1)) : l.text);
        allValid = allValid && texts.back().isValidUtf8();
    }
    if (allValid)
        return true; // the usual file: no stray byte at all, nothing to count
    Utf8Evidence e;
    for (const QByteArray& t : texts)
        e.add(t);
    return e.stray == 0 || e.sequences > e.stray;
}

} // namespace

QStringList Property::param(const QString& paramName) const {
    QStringList out;
    for (const Parameter& p : params)
        if (p.name == paramName)
            out << p.values;
    return out;
}

QStringList Property::types() const {
    QStringList out;
    for (const QString& t : param(QStringLiteral("TYPE")))
        for (const QString& piece : t.split(u','))
            if (!piece.trimmed().isEmpty())
                out << piece.trimmed().toLower();
    return out;
}

bool Property::hasType(const QString& lowerType) const {
    return types().contains(lowerType);
}

bool looksLikeVCard(const QByteArray& bytes) {
    const QByteArray head = normalised(bytes.left(4096)).toUpper();
    return head.contains("BEGIN:VCARD");
}

std::vector<Card> parse(const QByteArray& input) {
    const QByteArray bytes = normalised(input);
    const std::vector<LogicalLine> lines = logicalLines(physicalLines(bytes));
    const bool utf8 = decideUtf8(lines);
    std::vector<Card> cards;
    Card current;
    bool inCard = false;
    bool afterAgent = false;
    int nested = 0;
    for (const LogicalLine& l : lines) {
        if (isKeywordLine(l.text, "BEGIN:VCARD")) {
            if (inCard && afterAgent) {
                ++nested; // a card embedded in a 2.1 AGENT property is skipped
                continue;
            }
            if (inCard && nested == 0)
                cards.push_back(std::move(current)); // a card that was never closed ends here
            nested = 0;
            inCard = true;
            current = Card();
            current.firstLine = l.number;
            continue;
        }
        if (isKeywordLine(l.text, "END:VCARD")) {
            if (nested > 0) {
                if (--nested == 0)
                    afterAgent = false;
                continue;
            }
            if (inCard) {
                current.closed = true;
                cards.push_back(std::move(current));
                current = Card();
                inCard = false;
            }
            continue;
        }
        if (!inCard || nested > 0)
            continue;
        Property p;
        afterAgent = false;
        bool badText = false;
        QString charsetUsed;
        if (!parseProperty(l.text, utf8, p, &badText, &charsetUsed))
            continue;
        if (badText && current.badTextLine == 0) {
            current.badTextLine = l.number;
            current.badTextCharset = charsetUsed;
        }
        afterAgent = p.name == u"AGENT" && p.value.trimmed().isEmpty();
        if (p.name == u"VERSION")
            current.version = p.value.trimmed();
        current.properties.push_back(std::move(p));
    }
    if (inCard)
        cards.push_back(std::move(current));
    return cards;
}

QString unescape(const QString& text) {
    if (!text.contains(u'\\'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text[++i];
            if (n == u'n' || n == u'N')
                out += u'\n';
            else
                out += n;
            continue;
        }
        out += c;
    }
    return out;
}

QStringList splitValue(const QString& value, QChar separator) {
    QStringList parts;
    QString cur;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            cur += c;
            cur += value[++i];
            continue;
        }
        if (c == separator) {
            parts << unescape(cur);
            cur.clear();
            continue;
        }
        cur += c;
    }
    parts << unescape(cur);
    return parts;
}

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case ',':
            out += QStringLiteral("\\,");
            break;
        case ';':
            out += QStringLiteral("\\;");
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += QStringLiteral("\\n");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

void appendRawLine(QByteArray& out, const QByteArray& line) {
    // At most 75 octets per physical line; a continuation line starts with a space.
    qsizetype pos = 0;
    qsizetype room = 75;
    while (line.size() - pos > room) {
        qsizetype cut = pos + room;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut; // never inside a UTF-8 sequence
        if (cut == pos)
            cut = pos + room;
        out.append(line.constData() + pos, cut - pos);
        out.append("\r\n ");
        pos = cut;
        room = 74;
    }
    out.append(line.constData() + pos, line.size() - pos);
    out.append("\r\n");
}

void appendLine(QByteArray& out, const QByteArray& nameAndParams, const QString& value) {
    QByteArray line = nameAndParams;
    line += ':';
    line += value.toUtf8();
    appendRawLine(out, line);
}

} // namespace vcard
