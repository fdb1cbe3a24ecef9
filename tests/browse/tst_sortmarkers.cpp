#include "SortMarkers.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "0 1 2 0" -> four columns with those markers.
GridColumns gridWithMarkers(const QString& markers, const QString& sortIndexes) {
    GridColumns grid;
    const QStringList m = markers.split(u' ');
    const QStringList s = sortIndexes.split(u' ');
    for (qsizetype i = 0; i < m.size(); ++i)
        grid.columns.push_back(ColumnState{u"F%1"_s.arg(i), 80, m[i].toInt(), true, s.value(i).toInt()});
    return grid;
}

QString markersOf(const GridColumns& grid) {
    QStringList out;
    for (const ColumnState& c : grid.columns)
        out << QString::number(c.marker);
    return out.join(u' ');
}

QString sortIndexesOf(const GridColumns& grid) {
    QStringList out;
    for (const ColumnState& c : grid.columns)
        out << QString::number(c.sortIndex);
    return out.join(u' ');
}

} // namespace

class SortMarkersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nextMarker_data();
    void nextMarker();
    void clicks_data();
    void clicks();
    void clickOutsideGridChangesNothing();
};

void SortMarkersTest::nextMarker_data() {
    QTest::addColumn<int>("marker");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("expected");

    QTest::newRow("none -> down") << 0 << false << 1;
    QTest::newRow("down -> up") << 1 << false << 2;
    QTest::newRow("up -> down") << 2 << false << 1;
    QTest::newRow("ctrl none -> down") << 0 << true << 1;
    QTest::newRow("ctrl down -> up") << 1 << true << 2;
    QTest::newRow("ctrl up -> none") << 2 << true << 0;
}

void SortMarkersTest::nextMarker() {
    QFETCH(int, marker);
    QFETCH(bool, ctrl);
    QFETCH(int, expected);
    QCOMPARE(nextSortMarker(marker, ctrl), expected);
}

void SortMarkersTest::clicks_data() {
    QTest::addColumn<QString>("markers");     // before, one per column
    QTest::addColumn<QString>("sortIndexes"); // before
    QTest::addColumn<QString>("clicks");      // column numbers, "c" for Ctrl held
    QTest::addColumn<QString>("expectedMarkers");
    QTest::addColumn<QString>("expectedSortIndexes");
    const auto row = [](const char* name, const char* markers, const char* sortIndexes, const char* clicks,
                        const char* expectedMarkers, const char* expectedSortIndexes) {
        QTest::newRow(name) << QString::fromLatin1(markers) << QString::fromLatin1(sortIndexes)
                            << QString::fromLatin1(clicks) << QString::fromLatin1(expectedMarkers)
                            << QString::fromLatin1(expectedSortIndexes);
    };

    row("one click", "0 0 0 0", "0 0 0 0", "1", "0 1 0 0", "0 1 0 0");
    row("two clicks", "0 0 0 0", "0 0 0 0", "1 1", "0 2 0 0", "0 1 0 0");
    row("three clicks: down, up, down", "0 0 0 0", "0 0 0 0", "1 1 1", "0 1 0 0", "0 1 0 0");
    row("three ctrl clicks: down, up, none", "0 0 0 0", "0 0 0 0", "1c 1c 1c", "0 0 0 0", "0 0 0 0");
    row("plain click clears the others", "2 0 1 1", "1 0 2 3", "1", "0 1 0 0", "0 1 0 0");
    row("plain click on a marked title clears the others", "1 2 1 0", "1 2 3 0", "1", "0 1 0 0", "0 1 0 0");
    row("ctrl click keeps the first marker", "0 0 0 0", "0 0 0 0", "0 2c", "1 0 1 0", "1 0 2 0");
    row("ctrl click on up removes only that marker", "1 2 1 0", "1 2 3 0", "1c", "1 0 1 0", "1 0 2 0");
    row("ctrl click on down keeps the rank", "1 1 0 0", "1 2 0 0", "0c", "2 1 0 0", "1 2 0 0");
    row("ctrl marking three, then a plain click", "0 0 0 0", "0 0 0 0", "3 0c 2c 0", "2 0 0 0", "1 0 0 0");
    row("ctrl numbering continues after a removal", "0 0 0 0", "0 0 0 0", "0 1c 1c 1c 2c", "1 0 1 0", "1 0 2 0");
    row("plain click after ctrl removal starts over", "2 1 0 0", "1 2 0 0", "0c 3", "0 0 0 1", "0 0 0 1");
}

void SortMarkersTest::clicks() {
    QFETCH(QString, markers);
    QFETCH(QString, sortIndexes);
    QFETCH(QString, clicks);
    QFETCH(QString, expectedMarkers);
    QFETCH(QString, expectedSortIndexes);

    GridColumns grid = gridWithMarkers(markers, sortIndexes);
    for (QString click : clicks.split(u' ')) {
        const bool ctrl = click.endsWith(u'c');
        if (ctrl)
            click.chop(1);
        clickSortTitle(grid, click.toUInt(), ctrl);
    }
    QCOMPARE(markersOf(grid), expectedMarkers);
    QCOMPARE(sortIndexesOf(grid), expectedSortIndexes);
    for (const ColumnState& c : grid.columns)
        QCOMPARE(c.width, 80); // nothing but the markers changes
}

void SortMarkersTest::clickOutsideGridChangesNothing() {
    GridColumns grid = gridWithMarkers(u"1 0"_s, u"1 0"_s);
    const GridColumns before = grid;
    clickSortTitle(grid, 2, false);
    QCOMPARE(grid == before, true);
}

QTEST_APPLESS_MAIN(SortMarkersTest)
#include "tst_sortmarkers.moc"
