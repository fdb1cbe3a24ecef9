#include "SchemaScript.h"

#include "DbError.h"
#include "FbClient.h"

#include <QFile>
#include <QRegularExpression>

namespace schema {

QStringList splitStatements(const QString& script) {
    QStringList out;
    QString term = QStringLiteral(";");
    QString current;
    const qsizetype n = script.size();
    qsizetype i = 0;
    auto flush = [&] {
        const QString st = current.trimmed();
        current.clear();
        if (st.isEmpty())
            return;
        static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)\\s*$"),
                                                QRegularExpression::CaseInsensitiveOption);
        const auto m = setTerm.match(st);
        if (m.hasMatch()) {
            term = m.captured(1);
            return;
        }
        out << st;
    };
    while (i < n) {
        const QChar c = script[i];
        if (c == u'-' && i + 1 < n && script[i + 1] == u'-') {
            while (i < n && script[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && script[i + 1] == u'*') {
            const qsizetype end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            current += u' ';
            continue;
        }
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            while (j < n) {
                if (script[j] == c) {
                    if (j + 1 < n && script[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            current += script.mid(i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (script.mid(i, term.size()) == term) {
            // "SET TERM ; ^" ends with the old terminator, which is what we are reading now.
            flush();
            i += term.size();
            continue;
        }
        current += c;
        ++i;
    }
    flush();
    return out;
}

void createDatabase(const QString& path, const QString& script, const QString& user, const QString& password) {
    fb::Attachment db;
    db.create(path, user, password);
    fb::Transaction tr;
    tr.start(db);
    for (const QString& statement : splitStatements(script)) {
        fb::executeImmediate(db, tr, statement);
        // Metadata must be committed before the next statement can use it.
        tr.commitRetaining();
    }
    tr.commit();
    db.detach();
}

QString readScript(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Cannot open file %1").arg(file));
    return QString::fromUtf8(f.readAll());
}

} // namespace schema
