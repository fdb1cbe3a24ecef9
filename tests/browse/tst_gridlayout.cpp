#include "Cp1251.h"
#include "GridLayout.h"
#include "IniFile.h"
#include "SortMarkers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LayoutParts)

namespace {

const QString mainSection = u"TFormMain"_s;
const QString grid1 = u"DBGridEh1"_s;

// A small grid as designed: a hidden key column and a surname title already marked. The row values are not
// the usual zeros so that restoring them shows.
GridColumns designedGrid() {
    GridColumns g;
    g.columns = {
        {u"NUM_MAIN"_s, 64, 0, false, 0},  {u"JOB_ORG"_s, 100, 0, true, 0}, {u"FAM"_s, 80, 1, true, 1},
        {u"FIRST_NAME"_s, 70, 0, true, 0}, {u"NOTES"_s, 250, 0, true, 0},
    };
    g.rowHeight = 18;
    g.textLines = 2;
    return g;
}

// "FIELD:width:marker:visible:sortIndex ... | rowHeight,textLines"
QString describe(const GridColumns& g) {
    QStringList cols;
    for (const ColumnState& c : g.columns) {
        cols << u"%1:%2:%3:%4:%5"_s.arg(c.field).arg(c.width).arg(c.marker).arg(c.visible ? 1 : 0).arg(c.sortIndex);
        if (c.dropDownRows != 7 || c.dropDownWidth != 0)
            cols.last() += u"!lookup changed"_s;
    }
    return cols.join(u' ') + u" | %1,%2"_s.arg(g.rowHeight).arg(g.textLines);
}

const QString designed = u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0"_s;

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(cp1251::encode(text)) >= 0;
}

QString readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return cp1251::decode(f.readAll());
}

} // namespace

class GridLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restore_data();
    void restore();
    void restoreFromMissingFile();
    void saveWritesEveryColumnThenDefault();
    void roundTrip();
    void lastGridDecidesDefault();
    void showAll_data();
    void showAll();

private:
    QTemporaryDir dir_;
};

void GridLayoutTest::restore_data() {
    QTest::addColumn<QString>("lines"); // the body of [TFormMain]
    QTest::addColumn<LayoutParts>("parts");
    QTest::addColumn<QString>("expected");

    const LayoutParts all = AllLayoutParts;

    QTest::newRow("no keys") << QString() << all << designed + u" | 18,2"_s;
    QTest::newRow("every column, reversed")
        << u"DBGridEh1.NUM_MAIN=4,64,0,0,0,7,0\nDBGridEh1.JOB_ORG=3,101,0,1,0,7,0\nDBGridEh1.FAM=2,81,2,1,1,7,0\n"
           "DBGridEh1.FIRST_NAME=1,71,0,1,0,7,0\nDBGridEh1.NOTES=0,251,0,0,0,7,0\n(Default)=20,1"_s
        << all << u"NOTES:251:0:0:0 FIRST_NAME:71:0:1:0 FAM:81:2:1:1 JOB_ORG:101:0:1:0 NUM_MAIN:64:0:0:0 | 20,1"_s;
    QTest::newRow("two numbers: position and width only")
        << u"DBGridEh1.JOB_ORG=3,120"_s << all
        << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 JOB_ORG:120:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("words separated by spaces")
        << u"DBGridEh1.JOB_ORG=3 120"_s << all
        << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 JOB_ORG:120:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("commas followed by spaces")
        << u"DBGridEh1.JOB_ORG=3, 120, 2, 0"_s << all
        << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 JOB_ORG:120:2:0:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("empty value") << u"DBGridEh1.FAM=\nDBGridEh1.NOTES=\"\""_s << all << designed + u" | 18,2"_s;
    QTest::newRow("garbage words skipped one by one")
        << u"DBGridEh1.FAM=x,150,abc,0,zz"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:150:1:0:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("only garbage")
        << u"DBGridEh1.FAM=a,b,c,d,e,f,g"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:80:1:1:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("missing sort index counts as 0")
        << u"DBGridEh1.FAM=2,80,1,1"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:80:1:1:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("markers and sort indexes")
        << u"DBGridEh1.JOB_ORG=1,100,2,1,2\nDBGridEh1.FAM=2,80,1,1,1"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:2:1:2 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("lookup words not applied")
        << u"DBGridEh1.JOB_ORG=1,100,0,1,0,12,300"_s << all << designed + u" | 18,2"_s;
    QTest::newRow("any non-zero visibility shows")
        << u"DBGridEh1.JOB_ORG=1,100,0,5\nDBGridEh1.NUM_MAIN=0,64,0,1\nDBGridEh1.NOTES=4,250,0,-1"_s << all
        << u"NUM_MAIN:64:0:1:0 JOB_ORG:100:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("zero hides")
        << u"DBGridEh1.FIRST_NAME=3,70,0,0"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:0:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("two swapped")
        << u"DBGridEh1.JOB_ORG=2\nDBGridEh1.FAM=1"_s << all
        << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:0 JOB_ORG:100:0:1:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    // Both ask for place 2; JOB_ORG comes first in the grid and wins it. A value without a sort index clears it.
    QTest::newRow("duplicate position, first in present order wins")
        << u"DBGridEh1.JOB_ORG=2\nDBGridEh1.FAM=2"_s << all
        << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:0 JOB_ORG:100:0:1:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("duplicate position, loser left where the moves put it")
        << u"DBGridEh1.NUM_MAIN=0\nDBGridEh1.JOB_ORG=4\nDBGridEh1.FAM=1\nDBGridEh1.FIRST_NAME=4\n"
           "DBGridEh1.NOTES=2"_s
        << all << u"NUM_MAIN:64:0:0:0 FAM:80:1:1:0 NOTES:250:0:1:0 FIRST_NAME:70:0:1:0 JOB_ORG:100:0:1:0 | 18,2"_s;
    QTest::newRow("position beyond the grid")
        << u"DBGridEh1.JOB_ORG=99\nDBGridEh1.NOTES=1"_s << all
        << u"NUM_MAIN:64:0:0:0 NOTES:250:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 JOB_ORG:100:0:1:0 | 18,2"_s;
    QTest::newRow("negative position")
        << u"DBGridEh1.FAM=-1"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:1:0 FAM:80:1:1:0 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("negative width and unknown marker skipped")
        << u"DBGridEh1.FAM=2,-5,7,1,1"_s << all << designed + u" | 18,2"_s;
    QTest::newRow("number too large skipped")
        << u"DBGridEh1.FAM=2,99999999999,1,1,1"_s << all << designed + u" | 18,2"_s;
    QTest::newRow("keys compared without case")
        << u"dbgrideh1.job_org=1,130"_s << all
        << u"NUM_MAIN:64:0:0:0 JOB_ORG:130:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 NOTES:250:0:1:0 | 18,2"_s;
    QTest::newRow("other grid's keys ignored")
        << u"DBGridEh2.JOB_ORG=4,10,2,0,1\nDBGridEh1.JOB_ORGX=4,10\nDBGridEh.FAM=0,1"_s << all
        << designed + u" | 18,2"_s;

    // The same stored values, applied part by part.
    const QString stored = u"DBGridEh1.JOB_ORG=3,111,2,0,4\nDBGridEh1.NOTES=1,222,1,0,3\n(Default)=22,3"_s;
    QTest::newRow("all parts") << stored << all
                               << u"NUM_MAIN:64:0:0:0 NOTES:222:1:0:3 FAM:80:1:1:1 JOB_ORG:111:2:0:4 "
                                  "FIRST_NAME:70:0:1:0 | 22,3"_s;
    QTest::newRow("position only") << stored << LayoutParts(LayoutPart::Position)
                                   << u"NUM_MAIN:64:0:0:0 NOTES:250:0:1:0 FAM:80:1:1:1 JOB_ORG:100:0:1:0 "
                                      "FIRST_NAME:70:0:1:0 | 18,2"_s;
    QTest::newRow("width only") << stored << LayoutParts(LayoutPart::Width)
                                << u"NUM_MAIN:64:0:0:0 JOB_ORG:111:0:1:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 "
                                   "NOTES:222:0:1:0 | 18,2"_s;
    QTest::newRow("marker only") << stored << LayoutParts(LayoutPart::Marker)
                                 << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:2:1:4 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 "
                                    "NOTES:250:1:1:3 | 18,2"_s;
    QTest::newRow("visibility only") << stored << LayoutParts(LayoutPart::Visibility)
                                     << u"NUM_MAIN:64:0:0:0 JOB_ORG:100:0:0:0 FAM:80:1:1:1 FIRST_NAME:70:0:1:0 "
                                        "NOTES:250:0:0:0 | 18,2"_s;
    QTest::newRow("row height only") << stored << LayoutParts(LayoutPart::RowHeight) << designed + u" | 22,3"_s;
    QTest::newRow("nothing") << stored << LayoutParts() << designed + u" | 18,2"_s;

    QTest::newRow("row height without lines") << u"(Default)=20"_s << all << designed + u" | 20,0"_s;
    QTest::newRow("row height not a number") << u"(Default)=x,3"_s << all << designed + u" | 0,3"_s;
    QTest::newRow("row values separated by a space") << u"(Default)=20 3"_s << all << designed + u" | 20,3"_s;
    QTest::newRow("negative row values") << u"(Default)=-4,-1"_s << all << designed + u" | 0,0"_s;
    QTest::newRow("empty row values") << u"(Default)="_s << all << designed + u" | 18,2"_s;
}

void GridLayoutTest::restore() {
    QFETCH(QString, lines);
    QFETCH(LayoutParts, parts);
    QFETCH(QString, expected);

    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(u"Grid.ini"_s);
    // The scheduler's section holds keys of the same name; they must not leak into the main window's grid.
    QString text = u"[TFormScheduler]\r\nDBGridEh1.FAM=4,1,0,0,0,7,0\r\n(Default)=99,9\r\n\r\n[TFormMain]\r\n"_s;
    text += QString(lines).replace(u"\n"_s, u"\r\n"_s) + u"\r\n"_s;
    QVERIFY(writeFile(path, text));

    const IniFile file(path);
    GridColumns grid = designedGrid();
    RestoreGridLayout(grid, file, mainSection, grid1, parts);
    QCOMPARE(describe(grid), expected);
}

void GridLayoutTest::restoreFromMissingFile() {
    const IniFile file(dir_.filePath(u"missing/Grid.ini"_s));
    GridColumns grid = designedGrid();
    RestoreGridLayout(grid, file, mainSection, grid1, AllLayoutParts);
    QCOMPARE(describe(grid), describe(designedGrid()));
}

void GridLayoutTest::saveWritesEveryColumnThenDefault() {
    const QString path = dir_.filePath(u"save.ini"_s);
    // A stale key of a column that no longer exists stays; an existing key is rewritten in place.
    QVERIFY(writeFile(path, u"[TFormMain]\r\nDBGridEh1.OLD=9,9,9,9,9,7,0\r\nDBGridEh1.FAM=0,0,0,0,0,7,0\r\n"_s));
    {
        IniFile file(path);
        SaveGridLayout(designedGrid(), file, mainSection, grid1);
        QVERIFY(file.save());
    }
    QCOMPARE(readFile(path), u"[TFormMain]\r\n"
                             "DBGridEh1.OLD=9,9,9,9,9,7,0\r\n"
                             "DBGridEh1.FAM=2,80,1,1,1,7,0\r\n"
                             "DBGridEh1.NUM_MAIN=0,64,0,0,0,7,0\r\n"
                             "DBGridEh1.JOB_ORG=1,100,0,1,0,7,0\r\n"
                             "DBGridEh1.FIRST_NAME=3,70,0,1,0,7,0\r\n"
                             "DBGridEh1.NOTES=4,250,0,1,0,7,0\r\n"
                             "(Default)=18,2\r\n"_s);
}

void GridLayoutTest::roundTrip() {
    // A grid changed the ways a user can change it: dragged, resized, sorted, a column hidden.
    GridColumns changed = designedGrid();
    auto& cols = changed.columns;
    std::rotate(cols.begin() + 1, cols.begin() + 4, cols.end()); // NOTES dragged to the front
    cols[2].width = 133;
    clickSortTitle(changed, 3, false);
    clickSortTitle(changed, 1, true);
    clickSortTitle(changed, 1, true);
    cols[4].visible = false;
    changed.rowHeight = 24;
    changed.textLines = 1;
    QCOMPARE(describe(changed), u"NUM_MAIN:64:0:0:0 NOTES:250:2:1:2 JOB_ORG:133:0:1:0 FAM:80:2:1:1 "
                                "FIRST_NAME:70:0:0:0 | 24,1"_s);

    const QString path = dir_.filePath(u"roundtrip.ini"_s);
    QFile::remove(path);
    {
        IniFile file(path);
        SaveGridLayout(changed, file, mainSection, grid1);
        QVERIFY(file.save());
    }
    const IniFile file(path);
    GridColumns restored = designedGrid();
    RestoreGridLayout(restored, file, mainSection, grid1, AllLayoutParts);
    QCOMPARE(describe(restored), describe(changed));
    QVERIFY(restored == changed);
}

void GridLayoutTest::lastGridDecidesDefault() {
    GridColumns first = designedGrid();
    first.rowHeight = 20;
    first.textLines = 1;
    GridColumns last = designedGrid();
    last.columns[1].width = 55;
    last.rowHeight = 30;
    last.textLines = 3;

    const QString path = dir_.filePath(u"default.ini"_s);
    QFile::remove(path);
    {
        IniFile file(path);
        SaveGridLayout(first, file, mainSection, grid1);
        SaveGridLayout(last, file, mainSection, u"DBGridEh6"_s);
        QVERIFY(file.save());
    }
    const IniFile file(path);
    QCOMPARE(file.readString(mainSection, u"(Default)"_s), u"30,3"_s);

    GridColumns restored = designedGrid();
    RestoreGridLayout(restored, file, mainSection, grid1, AllLayoutParts);
    QCOMPARE(restored.rowHeight, 30);
    QCOMPARE(restored.textLines, 3);
    QCOMPARE(restored.columns[1].width, 100); // the other grid's columns stay its own
}

void GridLayoutTest::showAll_data() {
    QTest::addColumn<QString>("visibleBefore"); // one digit per column of the designed grid
    QTest::addColumn<QString>("visibleAfter");

    QTest::newRow("as designed") << "01111"
                                 << "01111";
    QTest::newRow("hidden columns shown") << "00101"
                                          << "01111";
    QTest::newRow("all hidden") << "00000"
                                << "01111";
    QTest::newRow("key column made visible by hand stays visible") << "10010"
                                                                   << "11111";
}

void GridLayoutTest::showAll() {
    QFETCH(QString, visibleBefore);
    QFETCH(QString, visibleAfter);
    GridColumns grid = designedGrid();
    for (std::size_t i = 0; i < grid.columns.size(); ++i)
        grid.columns[i].visible = visibleBefore[static_cast<qsizetype>(i)] == u'1';
    const GridColumns before = grid;

    showAllColumns(grid);
    QString after;
    for (const ColumnState& c : grid.columns)
        after += c.visible ? u'1' : u'0';
    QCOMPARE(after, visibleAfter);
    for (std::size_t i = 0; i < grid.columns.size(); ++i) {
        ColumnState c = grid.columns[i];
        c.visible = before.columns[i].visible;
        QVERIFY(c == before.columns[i]); // only visibility changes
    }
}

QTEST_APPLESS_MAIN(GridLayoutTest)
#include "tst_gridlayout.moc"
