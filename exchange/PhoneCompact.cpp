#include "PhoneCompact.h"

#include <QStringList>

namespace exchange {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Where the extension starts: the index of its marker and the index just after it; -1 when none.
qsizetype extensionMarker(const QString& phone, qsizetype* after) {
    static const QStringList words = {QStringLiteral("доб"), QStringLiteral("вн"), QStringLiteral("ext"),
                                      QStringLiteral("x")};
    bool seenDigit = false;
    for (qsizetype i = 0; i < phone.size(); ++i) {
        const QChar c = phone[i];
        if (isDigit(c)) {
            seenDigit = true;
            continue;
        }
        if (!seenDigit)
            continue; // a marker before the number is no extension
        if (c == u'#' || c == u',' || c == u';') {
            *after = i + 1;
            return i;
        }
        for (const QString& w : words)
            if (phone.mid(i, w.size()).compare(w, Qt::CaseInsensitive) == 0 && (i == 0 || !phone[i - 1].isLetter())) {
                qsizetype j = i + w.size();
                while (j < phone.size() && phone[j].isLetter())
                    ++j; // "добавочный", "extension"
                *after = j;
                return i;
            }
    }
    return -1;
}

QString digitsOf(QStringView s) {
    QString d;
    for (const QChar c : s)
        if (isDigit(c))
            d += c;
    return d;
}

} // namespace

QString compactPhone(const QString& phone) {
    const QString p = phone.trimmed();
    qsizetype after = 0;
    const qsizetype marker = extensionMarker(p, &after);
    const QString number = digitsOf(QStringView(p).left(marker < 0 ? p.size() : marker));
    const QString extension = marker < 0 ? QString() : digitsOf(QStringView(p).mid(after));
    QString out = p.startsWith(u'+') && !number.isEmpty() ? QStringLiteral("+") + number : number;
    if (!extension.isEmpty())
        out += u',' + extension;
    return out;
}

QString phoneFromTelUri(const QString& value) {
    if (!value.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive))
        return value;
    const QStringList parts = value.mid(4).split(u';');
    QString number = parts.front().trimmed();
    for (qsizetype i = 1; i < parts.size(); ++i)
        if (parts[i].startsWith(QStringLiteral("ext="), Qt::CaseInsensitive)) {
            const QString extension = digitsOf(QStringView(parts[i]).mid(4));
            if (!extension.isEmpty())
                number += u',' + extension;
        }
    return number;
}

} // namespace exchange
