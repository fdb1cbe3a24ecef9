// Export of a grid to XLS and HTML: the records and lines as written, and the files read back by an
// independent reader (python3-xlrd for XLS, a parse of the HTML), cell by cell.

#include "BiffWriter.h"
#include "Cp1251.h"
#include "GridExport.h"
#include "HtmlWriter.h"
#include "OutputFixture.h"
#include "OutputStream.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace outputtest;

namespace {

struct Record {
    quint16 type;
    QByteArray data;
};

std::vector<Record> records(const QByteArray& file) {
    std::vector<Record> out;
    qsizetype at = 0;
    while (at + 4 <= file.size()) {
        const auto u16 = [&](qsizetype i) {
            return static_cast<quint16>(static_cast<uchar>(file[i]) | static_cast<uchar>(file[i + 1]) << 8);
        };
        const quint16 type = u16(at), length = u16(at + 2);
        out.push_back({type, file.mid(at + 4, length)});
        at += 4 + length;
    }
    return out;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

quint16 u16(const QByteArray& d, int i) {
    return static_cast<quint16>(static_cast<uchar>(d[i]) | static_cast<uchar>(d[i + 1]) << 8);
}

// The cells of an HTML table as a browser would show them: tags dropped, the entities read.
QList<QStringList> htmlCells(const QByteArray& cp1251) {
    const QString text = cp1251::decode(cp1251);
    QList<QStringList> rows;
    static const QRegularExpression row(u"<TR>(.*?)</TR>"_s, QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cell(u"<TD[^>]*>(.*?)</TD>"_s, QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(u"<[^>]*>"_s);
    for (auto r = row.globalMatch(text); r.hasNext();) {
        QStringList cells;
        const QString inside = r.next().captured(1);
        for (auto c = cell.globalMatch(inside); c.hasNext();) {
            QString t = c.next().captured(1);
            t.remove(tag);
            t.replace(u"&nbsp"_s, QString());
            t.replace(u"&lt"_s, u"<"_s).replace(u"&gt"_s, u">"_s).replace(u"&quot"_s, u"\""_s);
            t.replace(u"&amp"_s, u"&"_s);
            cells << t;
        }
        rows << cells;
    }
    return rows;
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<testdb::Folder> folder_;
    testdb::RecordedUi ui_;
    std::unique_ptr<TDM> dm_;
    QTemporaryDir out_;

    void open(const std::vector<Contact>& contacts) {
        folder_ = std::make_unique<testdb::Folder>();
        insertContacts(folder_->databasePath(), contacts);
        dm_ = folder_->openDM(ui_);
    }
    Dataset& main() { return *dm_->TabMain; }
    QString file(const QString& name) const { return out_.path() + u'/' + name; }

    std::vector<Contact> sample() const {
        return {{1, u"ООО «Ромашка»"_s, u"Иванов"_s, u"Иван"_s, 2, QDate(1970, 5, 17), u"Позвонить"_s},
                {2, u"A&B <x>"_s, u"O'Brien \"Bob\""_s, QString(), 3, QVariant(), QString()},
                {3, QString(), u"Ёлкина"_s, u"Мария"_s, 2, QDate(2001, 1, 2), u"Строка 1\r\nСтрока 2"_s}};
    }

private Q_SLOTS:
    void cleanup() {
        dm_.reset();
        folder_.reset();
    }

    void threeByTwoIsNineCellsBetweenBeginningAndEnd() {
        open({{1, u"Орг"_s, u"Петров"_s, u"Пётр"_s}, {2, u"Org"_s, u"Smith"_s, u"John"_s}});
        const QString path = file(u"a.xls"_s);
        gridexport::writeXls(gridOf(main(), {u"JOB_ORG"_s, u"FAM"_s, u"FIRST_NAME"_s}), path);
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.left(12), QByteArray::fromHex("090808000000100000000000"));
        QCOMPARE(bytes.mid(12, 6), QByteArray::fromHex("42000200e304")); // the code page, 1251
        QCOMPARE(bytes.right(4), QByteArray::fromHex("0a000000"));
        const std::vector<Record> recs = records(bytes);
        QCOMPARE(recs.size(), size_t(2 + 9 + 1));
        for (int i = 0; i < 9; ++i) {
            const Record& r = recs[static_cast<size_t>(2 + i)];
            QCOMPARE(r.type, quint16(0x0204));
            QCOMPARE(u16(r.data, 0), quint16(i / 3)); // row
            QCOMPARE(u16(r.data, 2), quint16(i % 3)); // column
            QCOMPARE(u16(r.data, 4), quint16(0));     // format
        }
    }

    void cellRecords_data() {
        QTest::addColumn<int>("num");
        QTest::addColumn<QByteArray>("expected"); // the data row's integer cell, whole record
        QTest::newRow("five") << 5 << QByteArray::fromHex("7e020a0001000000000016000000");
        QTest::newRow("largest integer record") << 536870911 << QByteArray::fromHex("7e020a00010000000000feffff7f");
        // Outside the 30 bits of the integer record the value goes into a number record whole.
        QTest::newRow("beyond the integer record")
            << 536870912 << (QByteArray::fromHex("03020e0001000000000000000000") + QByteArray::fromHex("0000c041"));
    }
    void cellRecords() {
        QFETCH(int, num);
        QFETCH(QByteArray, expected);
        open({{num, QString(), u"Фамилия"_s, QString()}});
        const QString path = file(u"n.xls"_s);
        gridexport::writeXls(gridOf(main(), {u"NUM_MAIN"_s}), path);
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.contains(expected));
        const QStringList cells = readXls(path);
        QCOMPARE(cells.value(1), QString::number(double(num), 'f', 1));
    }

    void cyrillicTitleIsFifteenBytes() {
        open({});
        const QString path = file(u"t.xls"_s);
        gridexport::writeXls(gridOf(main(), {u"FAM"_s}), path);
        const std::vector<Record> recs = records(readAll(path));
        QCOMPARE(recs.size(), size_t(4)); // beginning, code page, the title, end: an empty list
        QCOMPARE(recs[2].type, quint16(0x0204));
        QCOMPARE(recs[2].data.size(), 15);
        QCOMPARE(recs[2].data.mid(6, 2), QByteArray::fromHex("0700"));
        QCOMPARE(recs[2].data.mid(8), cp1251::encode(u"Фамилия"_s));
    }

    void xlrdReadsEveryCell() {
        open(sample());
        const QStringList fields{u"NUM_MAIN"_s,   u"JOB_ORG"_s, u"FAM"_s,   u"FIRST_NAME"_s,
                                 u"GROUP_NAME"_s, u"BITHDAY"_s, u"NOTES"_s, u"GR_NUM"_s};
        const OutputGrid grid = gridOf(main(), fields);
        const QString path = file(u"all.xls"_s);
        gridexport::writeXls(grid, path);
        QString error;
        const QStringList lines = readXls(path, &error);
        QVERIFY2(!lines.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), main().rowCount() + 1);
        QStringList titles;
        for (const OutputColumn& c : grid.columns)
            titles << c.title;
        QCOMPARE(lines[0], titles.join(u'\t'));
        for (int r = 0; r < main().rowCount(); ++r) {
            QStringList expected;
            for (const QString& f : fields) {
                const Field& field = main().fieldByName(f);
                if (field.type() == FieldType::Integer || field.type() == FieldType::SmallInt) {
                    expected << QString::number(main().value(r, field.index()).toDouble(), 'f', 1);
                } else {
                    QString t = main().displayText(r, field.index());
                    expected << t.replace(u"\r"_s, u"\\r"_s).replace(u"\n"_s, u"\\n"_s);
                }
            }
            QCOMPARE(lines[r + 1], expected.join(u'\t'));
        }
        QVERIFY(lines[1].contains(u"ООО «Ромашка»"_s));
        QVERIFY(lines[1].contains(u"Работа"_s)); // the looked-up group name
    }

    // The Excel 2007+ file as an independent reader sees it: every cell, Cyrillic and line breaks
    // intact, integers as numbers, the titles first.
    void xlsxReadsBackInOpenpyxl() {
        open(sample());
        const QStringList fields{u"NUM_MAIN"_s,   u"JOB_ORG"_s, u"FAM"_s,   u"FIRST_NAME"_s,
                                 u"GROUP_NAME"_s, u"BITHDAY"_s, u"NOTES"_s, u"GR_NUM"_s};
        const OutputGrid grid = gridOf(main(), fields);
        const QString path = file(u"all.xlsx"_s);
        gridexport::writeXlsx(grid, path);
        QString error;
        const QStringList lines = readXlsx(path, &error);
        QVERIFY2(!lines.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), main().rowCount() + 1);
        QStringList titles;
        for (const OutputColumn& c : grid.columns)
            titles << c.title;
        QCOMPARE(lines[0], titles.join(u'\t'));
        for (int r = 0; r < main().rowCount(); ++r) {
            QStringList expected;
            for (const QString& f : fields) {
                const Field& field = main().fieldByName(f);
                if (field.type() == FieldType::Integer || field.type() == FieldType::SmallInt) {
                    expected << QString::number(main().value(r, field.index()).toLongLong());
                } else {
                    // A cell's line break is a line feed, as Excel makes it.
                    QString t = main().displayText(r, field.index());
                    expected << t.replace(u"\r\n"_s, u"\\n"_s);
                }
            }
            QCOMPARE(lines[r + 1], expected.join(u'\t'));
        }
        QVERIFY(lines[1].contains(u"ООО «Ромашка»"_s));
        QVERIFY(lines[3].contains(u"Ёлкина"_s));
        QVERIFY(lines[3].contains(u"Строка 1\\nСтрока 2"_s));
    }

    // The sheet is packed at the fastest level (the export of a large list is mostly packing): the
    // entry's deflate option bits in the ZIP directory say so, as any ZIP reader sees them.
    void xlsxIsPackedAtTheFastestLevel() {
        open(sample());
        const QString path = file(u"fast.xlsx"_s);
        gridexport::writeXlsx(gridOf(main(), {u"FAM"_s, u"NOTES"_s}), path);
        QProcess p;
        p.start(u"/usr/bin/python3"_s, {u"-c"_s,
                                        u"import sys, zipfile\n"
                                        "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                                        "    print(i.filename, i.compress_type, i.flag_bits & 6)\n"_s,
                                        path});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString listing = QString::fromUtf8(p.readAllStandardOutput());
        // 8: deflated; 6: the "super fast" option that a packer at level 1 sets.
        QVERIFY2(listing.contains(u"xl/worksheets/sheet1.xml 8 6\n"_s), qPrintable(listing));
    }

    // Past the 65,535 rows of XLS an Excel 2007+ file takes the whole list, and its last row is in
    // its place.
    void xlsxHoldsListsLongerThanXls() {
        folder_ = std::make_unique<testdb::Folder>();
        insertMany(folder_->databasePath(), 70000);
        dm_ = folder_->openDM(ui_);
        const OutputGrid grid = gridOf(main(), {u"NUM_MAIN"_s, u"FAM"_s});
        QVERIFY(!gridexport::fitsXls(grid));
        QVERIFY(gridexport::fitsXlsx(grid));
        QCOMPARE(gridexport::maxXlsxDataRows(grid), 1048575);
        const QString path = file(u"long.xlsx"_s);
        gridexport::writeXlsx(grid, path);
        QString error;
        const QStringList lines = readXlsx(path, &error);
        QVERIFY2(!lines.isEmpty(), qPrintable(error));
        QCOMPARE(lines.size(), 70001);
        QVERIFY2(lines[0].endsWith(u"\tФамилия"_s), qPrintable(lines[0]));
        QCOMPARE(lines[70000], u"70000\tФамилия 70000"_s);
        QCOMPARE(lines[16385], u"16385\tФамилия 16385"_s);
    }

    void xlsxThatCannotBeCreated() {
        open({});
        const QString path = file(u"missing/folder/x.xlsx"_s);
        try {
            gridexport::writeXlsx(gridOf(main(), {u"FAM"_s}), path);
            QFAIL("no failure");
        } catch (const OutputError& e) {
            QCOMPARE(e.message(), u"Cannot create file "_s + path);
        }
    }

    void exportFollowsTheListFilter() {
        open(sample());
        main().setFilterState(u"GR_NUM = 2"_s, true);
        const QString path = file(u"g.xls"_s);
        gridexport::writeXls(gridOf(main(), {u"FAM"_s}), path);
        QCOMPARE(readXls(path), (QStringList{u"Фамилия"_s, u"Иванов"_s, u"Ёлкина"_s}));
        const QString html = file(u"g.html"_s);
        gridexport::writeHtml(gridOf(main(), {u"FAM"_s}), html);
        const QList<QStringList> cells = htmlCells(readAll(html));
        QCOMPARE(cells.size(), 3);
        QCOMPARE(cells[2], QStringList{u"Ёлкина"_s});
    }

    void tooManyRowsAreRefusedBeforeTheFileIsCreated() {
        folder_ = std::make_unique<testdb::Folder>();
        insertMany(folder_->databasePath(), 65536);
        dm_ = folder_->openDM(ui_);
        const OutputGrid grid = gridOf(main(), {u"FAM"_s});
        QVERIFY(!gridexport::fitsXls(grid));
        const QString path = file(u"big.xls"_s);
        try {
            gridexport::writeXls(grid, path);
            QFAIL("an export of 65,536 rows was written");
        } catch (const OutputError& e) {
            QVERIFY(e.message().contains(u"65535"_s));
            QVERIFY(e.message().contains(u"HTML"_s));
            QVERIFY(e.message().contains(u"XLSX"_s)); // the file type that holds the list
        }
        QVERIFY(!QFile::exists(path));
        // One row less fits, the last row at the last place the counter can name.
        main().setFilterState(u"NUM_MAIN <= 65535"_s, true);
        gridexport::writeXls(grid, path);
        // xlrd stops at row 16,384 in files of this BIFF version, so the records are read here.
        const std::vector<Record> recs = records(readAll(path));
        QCOMPARE(recs.size(), size_t(2 + 65536 + 1));
        QCOMPARE(u16(recs[2].data, 0), quint16(0));
        QCOMPARE(recs[2].data.mid(8), cp1251::encode(u"Фамилия"_s));
        const Record& last = recs[recs.size() - 2];
        QCOMPARE(u16(last.data, 0), quint16(65535));
        QCOMPARE(last.data.mid(8), cp1251::encode(u"Фамилия 65535"_s));
    }

    void fileThatCannotBeCreated() {
        open({});
        const QString path = file(u"missing/folder/x.xls"_s);
        try {
            gridexport::writeXls(gridOf(main(), {u"FAM"_s}), path);
            QFAIL("no error");
        } catch (const OutputError& e) {
            QCOMPARE(e.message(), u"Cannot create file "_s + path);
        }
        try {
            gridexport::writeHtml(gridOf(main(), {u"FAM"_s}), path);
            QFAIL("no error");
        } catch (const OutputError& e) {
            QCOMPARE(e.message(), u"Cannot create file "_s + path);
        }
    }

    void writeErrorIsReported() {
        if (!QFile::exists(u"/dev/full"_s))
            QSKIP("no /dev/full here");
        open(sample());
        try {
            gridexport::writeHtml(gridOf(main(), {u"FAM"_s}), u"/dev/full"_s);
            QFAIL("a full disk went unnoticed");
        } catch (const OutputError& e) {
            QVERIFY(!e.message().isEmpty());
        }
    }

    void escaping_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("markup") << u"A&B <x>"_s << QByteArray("A&ampB &ltx&gt");
        QTest::newRow("quote") << u"say \"hi\""_s << QByteArray("say &quothi&quot");
        QTest::newRow("empty") << QString() << QByteArray("&nbsp");
        QTest::newRow("cyrillic") << u"Ёж"_s << QByteArray("\xA8\xE6");
        QTest::newRow("ampersand first") << u"&lt;"_s << QByteArray("&amplt;");
    }
    void escaping() {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(html::escaped(text), expected);
    }

    void htmlLinesAsWritten() {
        open({{1, u"A&B <x>"_s, u"Иванов"_s, QString()}});
        OutputGrid grid = gridOf(main(), {u"JOB_ORG"_s, u"FIRST_NAME"_s});
        grid.columns[0].titleFont.setBold(true);
        grid.columns[0].color = Qt::white;
        grid.columns[0].fontColor = Qt::black;
        const QString path = file(u"l.html"_s);
        gridexport::writeHtml(grid, path, false);
        const QList<QByteArray> lines = readAll(path).split('\n');
        QList<QByteArray> expected = {
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">",
            "<HTML>",
            "<HEAD>",
            "<TITLE>",
            "DBGridEh1",
            "</TITLE>",
            "</HEAD>",
            "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#D4D0C8>",
            "",
            "<TR>",
            "  <TD WIDTH=64 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; color: "
            "#000000\"><B>" +
                cp1251::encode(u"Организация"_s) + "</B></FONT></TD>",
            "  <TD WIDTH=64 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; color: "
            "#000000\">" +
                cp1251::encode(u"Имя"_s) + "</FONT></TD>",
            "</TR>",
            "<TR>",
            "  <TD WIDTH=64 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF><FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; "
            "color: #000000\">A&ampB &ltx&gt</FONT></TD>",
            "  <TD WIDTH=64 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF><FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; "
            "color: #000000\">&nbsp</FONT></TD>",
            "</TR>",
            "</TABLE>",
            "</BODY>",
            "</HTML>",
            ""};
        QCOMPARE(lines.size(), expected.size());
        for (int i = 0; i < lines.size(); ++i) {
            if (i + 1 < lines.size())
                QVERIFY2(lines[i].endsWith('\r'), qPrintable(QString::number(i)));
            QCOMPARE(lines[i].chopped(i + 1 < lines.size() ? 1 : 0), expected[i]);
        }
    }

    void htmlCharsetLineIsInTheHead() {
        open({});
        const QString path = file(u"c.html"_s);
        gridexport::writeHtml(gridOf(main(), {u"FAM"_s}), path);
        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.indexOf("charset=windows-1251") > bytes.indexOf("<HEAD>"));
        QVERIFY(bytes.indexOf("charset=windows-1251") < bytes.indexOf("</HEAD>"));
        QCOMPARE(htmlCells(bytes).size(), 1); // the title row of an empty list
    }

    void htmlParsesBackToEveryCell() {
        open(sample());
        const QStringList fields{u"NUM_MAIN"_s,   u"JOB_ORG"_s, u"FAM"_s,  u"FIRST_NAME"_s,
                                 u"GROUP_NAME"_s, u"BITHDAY"_s, u"NOTES"_s};
        const OutputGrid grid = gridOf(main(), fields);
        const QString path = file(u"all.html"_s);
        gridexport::writeHtml(grid, path);
        const QList<QStringList> cells = htmlCells(readAll(path));
        QCOMPARE(cells.size(), main().rowCount() + 1);
        for (int c = 0; c < fields.size(); ++c)
            QCOMPARE(cells[0][c], grid.columns[static_cast<size_t>(c)].title);
        for (int r = 0; r < main().rowCount(); ++r)
            for (int c = 0; c < fields.size(); ++c)
                QCOMPARE(cells[r + 1][c], main().displayText(r, main().fieldByName(fields[c]).index()));
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
