#include "Csv.h"

#include "Cp1251.h"
#include "CsvLayouts.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace csv {
namespace {

QString decode(const QByteArray& input) {
    if (input.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(input.mid(3));
    if (input.startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE);
        return d.decode(input.mid(2));
    }
    if (input.startsWith("\xFE\xFF")) {
        QStringDecoder d(QStringConverter::Utf16BE);
        return d.decode(input.mid(2));
    }
    QStringDecoder d(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString s = d.decode(input);
    return d.hasError() ? cp1251::decode(input) : s;
}

QChar separatorOf(const QString& text) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u',')
            ++comma;
        else if (!quoted && c == u';')
            ++semicolon;
        else if (!quoted && c == u'\t')
            ++tab;
    }
    if (semicolon > comma && semicolon >= tab)
        return u';';
    if (tab > comma && tab > semicolon)
        return u'\t';
    return u',';
}

QDate parseDate(const QString& s) {
    for (const char* f : {"yyyy-MM-dd", "dd.MM.yyyy", "yyyyMMdd", "d.M.yyyy"}) {
        const QDate d = QDate::fromString(s, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    return {};
}

QString fold(const QString& s) {
    return s.trimmed().toCaseFolded();
}

constexpr int kGroupColumn = exchange::ColumnCount; // the group path in the column maps below

// Which columns hold a value in some record, and which of those have no place (known[i] false).
// Outlook's "0/0/00" for a date it does not have holds nothing.
void countFilled(const Table& table, const std::vector<bool>& known, Import& result) {
    static const QRegularExpression noDate(QStringLiteral("^0+[./-]0+[./-]0+$"));
    const QStringList& header = table.records.front();
    std::vector<bool> filled(header.size(), false);
    for (size_t r = 1; r < table.records.size(); ++r) {
        const QStringList& rec = table.records[r];
        for (qsizetype i = 0; i < rec.size() && i < header.size(); ++i)
            if (!filled[i] && !rec[i].trimmed().isEmpty() && !noDate.match(rec[i].trimmed()).hasMatch())
                filled[i] = true;
    }
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (!filled[i])
            continue;
        ++result.filledColumns;
        if (!known[i])
            result.unknownFilled << (header[i].trimmed().isEmpty() ? QStringLiteral("#%1").arg(i + 1)
                                                                   : header[i].trimmed());
    }
}

} // namespace

Table parse(const QByteArray& bytes) {
    const QString text = decode(bytes);
    const QChar sep = separatorOf(text);
    Table t;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int recordLine = 1;
    auto endField = [&] {
        record << field;
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&] {
        endField();
        if (!(record.size() == 1 && record.front().isEmpty())) {
            t.records.push_back(record);
            t.lines.push_back(recordLine);
        }
        record.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
                continue;
            }
            // The text up to the next quote at once: a file of thousands of records is read quickly.
            qsizetype end = text.indexOf(u'"', i);
            if (end < 0)
                end = n;
            const QStringView run = QStringView(text).mid(i, end - i);
            line += static_cast<int>(run.count(u'\n'));
            field += run;
            i = end - 1;
            continue;
        }
        if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            continue;
        }
        if (c == sep) {
            endField();
            continue;
        }
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            endRecord();
            ++line;
            recordLine = line;
            continue;
        }
        // The rest of an unquoted field at once; a quote inside it is an ordinary character.
        qsizetype end = i + 1;
        while (end < n && text[end] != sep && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        field += QStringView(text).mid(i, end - i);
        fieldStarted = true;
        i = end - 1;
    }
    if (fieldStarted || !record.isEmpty() || !field.isEmpty())
        endRecord();
    return t;
}

void appendRecord(QByteArray& out, const QStringList& fields) {
    bool first = true;
    for (const QString& f : fields) {
        if (!first)
            out += ',';
        first = false;
        const bool quote = f.contains(u',') || f.contains(u'"') || f.contains(u'\n') || f.contains(u'\r') ||
                           f.contains(u';') || (!f.isEmpty() && (f.front().isSpace() || f.back().isSpace()));
        if (!quote) {
            out += f.toUtf8();
            continue;
        }
        QString q = f;
        q.replace(u'"', QStringLiteral("\"\""));
        out += '"';
        out += q.toUtf8();
        out += '"';
    }
    out += "\r\n";
}

QStringList exportTitles(const QStringList& columnTitles, const QString& groupTitle) {
    QStringList out;
    for (int c = 0; c < exchange::ColumnCount; ++c) {
        const QString t = columnTitles.value(c);
        out << (t.isEmpty() ? QString::fromLatin1(exchange::mapping(exchange::Column(c)).field) : t);
        if (c == exchange::GR_NUM)
            out << (groupTitle.isEmpty() ? QString::fromUtf8(exchange::kGroupTitleRussian) : groupTitle);
    }
    return out;
}

QStringList exportFields(const exchange::ContactRow& row) {
    QStringList out;
    for (int c = 0; c < exchange::ColumnCount; ++c) {
        const QVariant& v = row.values[c];
        if (v.isNull())
            out << QString();
        else if (c == exchange::BITHDAY)
            out << v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        else
            out << v.toString();
        if (c == exchange::GR_NUM)
            out << row.groupPath;
    }
    return out;
}

Import readContacts(const QByteArray& bytes, const QStringList& extraTitles, const QString& extraGroupTitle) {
    using namespace exchange;
    Import result;
    const Table table = parse(bytes);
    if (table.records.empty())
        return result;

    // Each title names the columns that carry it, in field order.
    QHash<QString, std::vector<int>> byTitle;
    auto addTitle = [&](const QString& title, int column) {
        if (title.trimmed().isEmpty())
            return;
        std::vector<int>& list = byTitle[fold(title)];
        if (std::find(list.begin(), list.end(), column) == list.end())
            list.push_back(column);
    };
    for (int c = 0; c < ColumnCount; ++c) {
        addTitle(russianTitle(c), c);
        addTitle(QString::fromUtf8(mapping(Column(c)).english), c);
        addTitle(extraTitles.value(c), c);
    }
    addTitle(QString::fromUtf8(kGroupTitleRussian), kGroupColumn);
    addTitle(QString::fromUtf8(kGroupTitleEnglish), kGroupColumn);
    addTitle(extraGroupTitle, kGroupColumn);

    const QStringList& header = table.records.front();
    std::vector<int> columnOf(header.size(), -1);
    QHash<QString, int> seen;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString h = header[i].trimmed();
        if (h.compare(QLatin1String(kGroupField), Qt::CaseInsensitive) == 0) {
            columnOf[i] = kGroupColumn;
            continue;
        }
        // Field names first: they are unique.
        const int byName = columnOfField(h);
        if (byName >= 0) {
            columnOf[i] = byName;
            continue;
        }
        const auto it = byTitle.constFind(fold(h));
        if (it == byTitle.constEnd()) {
            if (!h.isEmpty())
                result.unknownColumns << h;
            continue;
        }
        const int nth = seen[fold(h)]++;
        if (nth < static_cast<int>(it->size()))
            columnOf[i] = (*it)[nth];
        else
            result.unknownColumns << h;
    }
    int ownKnown = 0;
    for (int c : columnOf)
        ownKnown += c >= 0 ? 1 : 0;
    // Another address book's layout is taken when it knows more of the header than our own titles.
    const LayoutMatch layout = recogniseLayout(header);
    if (layout.known > ownKnown) {
        result.layout = layout.layout;
        result.header = true;
        result.unknownColumns.clear();
        std::vector<bool> known;
        for (qsizetype i = 0; i < header.size(); ++i) {
            known.push_back(layout.roles[i].kind != Role::Unknown);
            if (!known.back() && !header[i].trimmed().isEmpty())
                result.unknownColumns << header[i].trimmed();
        }
        countFilled(table, known, result);
        result.contacts = readLayoutRows(table, layout);
        return result;
    }
    result.header = ownKnown > 0;
    if (!result.header)
        return result;
    std::vector<bool> known;
    for (int c : columnOf)
        known.push_back(c >= 0);
    countFilled(table, known, result);

    for (size_t r = 1; r < table.records.size(); ++r) {
        const QStringList& rec = table.records[r];
        ImportedContact ic;
        ic.source = table.lines[r];
        for (qsizetype i = 0; i < rec.size() && i < static_cast<qsizetype>(columnOf.size()); ++i) {
            const int c = columnOf[i];
            const QString v = rec[i];
            if (c < 0 || v.isEmpty() || c == NUM_MAIN || c == GR_NUM)
                continue;
            if (c == kGroupColumn) {
                ic.row.groupPath = v.trimmed();
                continue;
            }
            if (c == BITHDAY) {
                const QDate d = parseDate(v.trimmed());
                if (d.isValid()) {
                    ic.row.values[BITHDAY] = d;
                } else if (ic.refusal.kind == Refusal::None) {
                    ic.refusal.kind = Refusal::BadDate;
                    ic.refusal.column = BITHDAY;
                    ic.refusal.value = v;
                }
                continue;
            }
            ic.row.set(Column(c), v);
        }
        if (rec.size() > static_cast<qsizetype>(columnOf.size()))
            ic.notes << QStringLiteral("+%1").arg(rec.size() - columnOf.size());
        if (ic.row.blank() && ic.refusal.kind == Refusal::None) {
            if (ic.row.groupPath.isEmpty())
                continue; // an empty line of a spreadsheet
            ic.groupOnly = true;
        }
        result.contacts.push_back(std::move(ic));
    }
    return result;
}

} // namespace csv
