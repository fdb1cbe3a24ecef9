// What a date box reads from a typed text.
#include "DbControls.h"

#include <QTest>

class TestDateBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("date");
        const QDate today(2026, 12, 10);
        QTest::newRow("four-digit year") << "01.02.1985" << today << QDate(1985, 2, 1);
        QTest::newRow("short four-digit year") << "1.2.1985" << today << QDate(1985, 2, 1);
        QTest::newRow("ISO") << "1985-02-01" << today << QDate(1985, 2, 1);
        QTest::newRow("two-digit year, last century") << "1.2.85" << today << QDate(1985, 2, 1);
        QTest::newRow("two-digit year, padded") << "01.02.85" << today << QDate(1985, 2, 1);
        QTest::newRow("first year of the window") << "1.2.76" << today << QDate(1976, 2, 1);
        QTest::newRow("last year of the window") << "1.2.75" << today << QDate(2075, 2, 1);
        QTest::newRow("this century") << "1.2.05" << today << QDate(2005, 2, 1);
        QTest::newRow("leap day of 2000") << "29.2.00" << today << QDate(2000, 2, 29);
        QTest::newRow("window moves with today") << "1.2.85" << QDate(2040, 1, 1) << QDate(2085, 2, 1);
        QTest::newRow("no such day") << "31.2.85" << today << QDate();
        QTest::newRow("not a date") << "s" << today << QDate();
        QTest::newRow("half typed") << "1.2." << today << QDate();
        QTest::newRow("empty") << "" << today << QDate();
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QDate, today);
        QFETCH(QDate, date);
        QCOMPARE(DateBox::parse(text, today), date);
    }
};

QTEST_MAIN(TestDateBox)
#include "tst_datebox.moc"
