// Phone numbers compared as numbers of the world's numbering plans, with the digits as the fallback.
#include "PhoneNumbers.h"

#include <QTest>

using namespace exchange;

class TestPhoneNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameNumber_data();
    void sameNumber();
    void regionOfTheLocale();
};

void TestPhoneNumbers::sameNumber_data() {
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("national trunk prefix 8") << "RU"
                                             << "+7 (495) 123-45-67"
                                             << "84951234567" << true;
    QTest::newRow("no country code") << "RU"
                                     << "+7 495 123 45 67"
                                     << "(495) 123-45-67" << true;
    QTest::newRow("mobile written two ways") << "RU"
                                             << "8 (916) 000-00-01"
                                             << "+79160000001" << true;
    QTest::newRow("another number") << "RU"
                                    << "+7 495 123 45 67"
                                    << "+7 495 123 45 68" << false;
    QTest::newRow("another country, same digits after the code") << "RU"
                                                                 << "+7 495 123 45 67"
                                                                 << "+375 495 123 45 67" << false;
    QTest::newRow("Belarus and Russia") << "RU"
                                        << "+375 29 123-45-67"
                                        << "8 029 123-45-67" << false;
    QTest::newRow("London written for its own country") << "RU"
                                                        << "+44 20 7946 0958"
                                                        << "020 7946 0958" << false;
    QTest::newRow("the region reads national numbers") << "GB"
                                                       << "+44 20 7946 0958"
                                                       << "020 7946 0958" << true;
    QTest::newRow("US number at home") << "US"
                                       << "(202) 555-0100"
                                       << "+1 202 555 0100" << true;
    QTest::newRow("extension kept") << "RU"
                                    << "+7 495 123-45-67 доб. 1234"
                                    << "84951234567 ext. 1234" << true;
    QTest::newRow("another extension") << "RU"
                                       << "+7 495 123-45-67 доб. 1234"
                                       << "+7 495 123-45-67 доб. 1235" << false;
    QTest::newRow("short office number: digits") << "RU"
                                                 << "12-34"
                                                 << "1234" << true;
    QTest::newRow("unreadable: digits") << "RU"
                                        << "tel 22 33"
                                        << "22-33" << true;
    QTest::newRow("unreadable, other digits") << "RU"
                                              << "tel 22 33"
                                              << "22-34" << false;
}

void TestPhoneNumbers::sameNumber() {
    QFETCH(QString, region);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    const PhoneNumbers numbers(region);
    QCOMPARE(numbers.same(a, b), same);
    QCOMPARE(numbers.same(b, a), same);
}

void TestPhoneNumbers::regionOfTheLocale() {
    const QString region = PhoneNumbers::defaultRegion();
    QCOMPARE(region.size(), 2);
    if (QLocale::system().territory() == QLocale::AnyTerritory)
        QCOMPARE(region, QStringLiteral("RU"));
}

QTEST_GUILESS_MAIN(TestPhoneNumbers)
#include "tst_phone_numbers.moc"
