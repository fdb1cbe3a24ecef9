#include "Clock.h"

namespace statusclock {

QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted && c == u't') {
            // Drop the field and the blanks before it; a separator after it stays only if text follows.
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            while (i + 1 < format.size() && format.at(i + 1) == u't')
                ++i;
            while (i + 1 < format.size() && format.at(i + 1).isSpace() && out.isEmpty())
                ++i;
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

QString text(const QTime& time, const QLocale& locale) {
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

} // namespace statusclock
