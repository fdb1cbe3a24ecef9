#pragma once

// Contacts written straight into a fresh database before the data module opens it, and an
// independent look at the files that export writes.

#include "FbClient.h"
#include "OutputGrid.h"
#include "TestDatabase.h"

#include <QDate>
#include <QProcess>
#include <QVariant>
#include <vector>

namespace outputtest {

struct Contact {
    int num;
    QString org = {}, fam = {}, name = {};
    int group = 1;
    QVariant birthday = {};
    QString notes = {};
};

inline void insertContacts(const QString& databasePath, const std::vector<Contact>& contacts) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr,
                     QStringLiteral("insert into \"MAIN\" (NUM_MAIN, JOB_ORG, FAM, FIRST_NAME, GR_NUM, BITHDAY, NOTES) "
                                    "values (?,?,?,?,?,?,?)"));
    for (const Contact& c : contacts) {
        const QVariant values[] = {c.num,
                                   c.org.isEmpty() ? QVariant() : QVariant(c.org),
                                   c.fam.isEmpty() ? QVariant() : QVariant(c.fam),
                                   c.name.isEmpty() ? QVariant() : QVariant(c.name),
                                   c.group,
                                   c.birthday,
                                   c.notes.isEmpty() ? QVariant() : QVariant(c.notes)};
        for (int p = 0; p < 7; ++p)
            st.setParam(p, values[p]);
        st.execute();
    }
    tr.commit();
}

// Many plain contacts at once.
inline void insertMany(const QString& databasePath, int count) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("insert into \"MAIN\" (NUM_MAIN, FAM, GR_NUM) values (?,?,1)"));
    for (int i = 1; i <= count; ++i) {
        st.setParam(0, i);
        st.setParam(1, QStringLiteral("Фамилия %1").arg(i));
        st.execute();
    }
    tr.commit();
}

// A grid over the dataset's fields, as export and printing take it, with a plain 8-point font.
inline OutputGrid gridOf(Dataset& d, const QStringList& fields) {
    OutputGrid g;
    g.dataset = &d;
    g.font = QFont(QStringLiteral("MS Sans Serif"), 8);
    g.titleFont = g.font;
    g.fixedColor = QColor(0xD4, 0xD0, 0xC8);
    for (const QString& name : fields) {
        OutputColumn c;
        c.field = name;
        Field* f = d.findField(name);
        c.title = f ? f->displayName() : QString();
        c.width = 64;
        c.alignment = f ? f->alignment() : Qt::AlignLeft;
        c.titleAlignment = Qt::AlignHCenter;
        c.font = g.font;
        c.titleFont = g.titleFont;
        g.columns.push_back(c);
    }
    return g;
}

// Every cell of the first sheet of an XLS file as python3-xlrd reads it: one line per row, cells
// separated by a tab, numbers as Python prints them, texts as they are. Empty when xlrd fails.
inline QStringList readXls(const QString& path, QString* error = nullptr) {
    const QString script = QStringLiteral("import sys, xlrd\n"
                                          "b = xlrd.open_workbook(sys.argv[1], encoding_override=None)\n"
                                          "s = b.sheet_by_index(0)\n"
                                          "for r in range(s.nrows):\n"
                                          "    cells = []\n"
                                          "    for c in range(s.ncols):\n"
                                          "        v = s.cell_value(r, c)\n"
                                          "        cells.append(repr(v) if isinstance(v, float) else v.replace('\\t', "
                                          "'\\\\t').replace('\\r', '\\\\r').replace('\\n', '\\\\n'))\n"
                                          "    sys.stdout.buffer.write(('\\t'.join(cells) + '\\n').encode('utf-8'))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    p.waitForFinished(60000);
    if (error)
        *error = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The rows of the first worksheet of an XLSX file as python3-openpyxl reads them: cells joined by
// tabs, numbers as Python writes them, an empty cell as nothing, line breaks as "\\r" and "\\n".
inline QStringList readXlsx(const QString& path, QString* error = nullptr) {
    const QString script = QStringLiteral("import sys, openpyxl\n"
                                          "b = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                                          "s = b.worksheets[0]\n"
                                          "for row in s.iter_rows(values_only=True):\n"
                                          "    cells = []\n"
                                          "    for v in row:\n"
                                          "        if v is None: v = ''\n"
                                          "        elif not isinstance(v, str): v = repr(v)\n"
                                          "        cells.append(v.replace('\\t', '\\\\t').replace('\\r', "
                                          "'\\\\r').replace('\\n', '\\\\n'))\n"
                                          "    sys.stdout.buffer.write(('\\t'.join(cells) + '\\n').encode('utf-8'))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    p.waitForFinished(300000);
    if (error)
        *error = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace outputtest
