// Where printed pages break: column groups of a wide grid, bands of rows, and which page shows what.

#include "PageLayout.h"

#include <QtTest>

using namespace pagelayout;

Q_DECLARE_METATYPE(std::vector<double>)

class TestPageLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void groups_data() {
        QTest::addColumn<std::vector<double>>("widths");
        QTest::addColumn<double>("printable");
        QTest::addColumn<QString>("expected"); // first:count per group
        QTest::newRow("all fit") << std::vector<double>{10, 20, 30} << 60.0 << QStringLiteral("0:3");
        QTest::newRow("exactly full then next") << std::vector<double>{30, 30, 30} << 60.0 << QStringLiteral("0:2 2:1");
        QTest::newRow("one too wide keeps its own group")
            << std::vector<double>{10, 100, 10} << 50.0 << QStringLiteral("0:1 1:1 2:1");
        QTest::newRow("wide grid in three")
            << std::vector<double>{40, 40, 40, 40, 40} << 90.0 << QStringLiteral("0:2 2:2 4:1");
        QTest::newRow("no columns") << std::vector<double>{} << 50.0 << QStringLiteral("0:0");
    }
    void groups() {
        QFETCH(std::vector<double>, widths);
        QFETCH(double, printable);
        QFETCH(QString, expected);
        QStringList got;
        for (const ColumnGroup& g : groupColumns(widths, printable))
            got << QStringLiteral("%1:%2").arg(g.first).arg(g.count);
        QCOMPARE(got.join(u' '), expected);
    }

    void fitWidthsScalesOnlyWhenWider() {
        QCOMPARE(fitWidths({10, 20}, 60), (std::vector<double>{10, 20}));
        const std::vector<double> fitted = fitWidths({60, 60}, 60);
        QCOMPARE(fitted.size(), size_t(2));
        QCOMPARE(fitted[0] + fitted[1], 60.0);
        QCOMPARE(fitted[0], fitted[1]);
    }

    void bands_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("space");
        QTest::addColumn<double>("height");
        QTest::addColumn<QString>("starts");
        QTest::newRow("empty list: one band") << 0 << 100.0 << 10.0 << QStringLiteral("0");
        QTest::newRow("fits one page") << 10 << 100.0 << 10.0 << QStringLiteral("0");
        QTest::newRow("one row over") << 11 << 100.0 << 10.0 << QStringLiteral("0 10");
        QTest::newRow("partial rows per page") << 7 << 25.0 << 10.0 << QStringLiteral("0 2 4 6");
        QTest::newRow("row taller than a page") << 3 << 5.0 << 10.0 << QStringLiteral("0 1 2");
    }
    void bands() {
        QFETCH(int, rows);
        QFETCH(double, space);
        QFETCH(double, height);
        QFETCH(QString, starts);
        // Given one at a time and all at once, the breaks are the same.
        BandBreaker single(space), many(space);
        for (int i = 0; i < rows; ++i)
            single.addRow(height);
        many.addRows(rows, height);
        QStringList a, b;
        for (int s : single.bandStarts())
            a << QString::number(s);
        for (int s : many.bandStarts())
            b << QString::number(s);
        QCOMPARE(a.join(u' '), starts);
        QCOMPARE(b.join(u' '), starts);
    }

    // A column title never runs wider than its column: it wraps between words, and a word wider than
    // the column widens the column.
    void titles_data() {
        QTest::addColumn<std::vector<double>>("words");
        QTest::addColumn<double>("room");
        QTest::addColumn<double>("width"); // the room after widening
        QTest::addColumn<QString>("starts");
        // "Remind days ahead" in a column that showed "Remind days ahe".
        QTest::newRow("wraps the last word")
            << std::vector<double>{40, 28, 30} << 80.0 << 80.0 << QStringLiteral("0 2");
        QTest::newRow("fits on one line") << std::vector<double>{40, 28, 30} << 120.0 << 120.0 << QStringLiteral("0");
        QTest::newRow("exactly full") << std::vector<double>{40, 28} << 72.0 << 72.0 << QStringLiteral("0");
        QTest::newRow("one word per line")
            << std::vector<double>{40, 28, 30} << 45.0 << 45.0 << QStringLiteral("0 1 2");
        QTest::newRow("a long word widens")
            << std::vector<double>{20, 90, 20} << 50.0 << 90.0 << QStringLiteral("0 1 2");
        QTest::newRow("widened room takes the short words along")
            << std::vector<double>{90, 20, 20} << 50.0 << 90.0 << QStringLiteral("0 1");
        QTest::newRow("no words") << std::vector<double>{} << 30.0 << 30.0 << QStringLiteral("0");
    }
    void titles() {
        QFETCH(std::vector<double>, words);
        QFETCH(double, room);
        QFETCH(double, width);
        QFETCH(QString, starts);
        const double space = 4;
        const TitleLayout t = layTitle(words, space, room);
        QCOMPARE(t.textWidth, width);
        QStringList got;
        for (int s : t.lineStarts)
            got << QString::number(s);
        QCOMPARE(got.join(u' '), starts);
        // Whatever the case, no line is wider than the room.
        for (size_t line = 0; line < t.lineStarts.size(); ++line) {
            const size_t first = size_t(t.lineStarts[line]);
            const size_t end = line + 1 < t.lineStarts.size() ? size_t(t.lineStarts[line + 1]) : words.size();
            double w = 0;
            for (size_t i = first; i < end; ++i)
                w += (i > first ? space : 0) + words[i];
            QVERIFY2(w <= t.textWidth, qPrintable(QStringLiteral("line %1 is %2 wide").arg(line).arg(w)));
        }
    }

    void rowsOfDifferentHeights() {
        BandBreaker b(100);
        for (double h : {40.0, 40.0, 30.0, 90.0, 20.0})
            b.addRow(h);
        QCOMPARE(b.bandStarts(), (std::vector<int>{0, 2, 3, 4}));
    }

    void pagesRunBandByBand() {
        // Two bands of rows, three column groups: each band prints all its groups before the next band.
        const std::vector<int> starts{0, 50};
        QCOMPARE(pageCount(starts, 3), 6);
        const PageRef p1 = pageAt(1, starts, 80, 3);
        QCOMPARE(p1.band, 0);
        QCOMPARE(p1.group, 1);
        QCOMPARE(p1.firstRow, 0);
        QCOMPARE(p1.endRow, 50);
        const PageRef p3 = pageAt(3, starts, 80, 3);
        QCOMPARE(p3.band, 1);
        QCOMPARE(p3.group, 0);
        QCOMPARE(p3.firstRow, 50);
        QCOMPARE(p3.endRow, 80);
    }
};

QTEST_APPLESS_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
