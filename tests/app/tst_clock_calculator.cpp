// The clock panel's text and the calculator's arithmetic.
#include "Calculator.h"
#include "Clock.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

class TstClockCalculator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void timeZoneTakenOut_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24 hours") << "HH:mm:ss t"
                                  << "HH:mm:ss";
        QTest::newRow("12 hours") << "h:mm:ss AP t"
                                  << "h:mm:ss AP";
        QTest::newRow("long zone name") << "HH:mm:ss tttt"
                                        << "HH:mm:ss";
        QTest::newRow("zone first") << "t HH:mm:ss"
                                    << "HH:mm:ss";
        QTest::newRow("no zone") << "H:mm:ss"
                                 << "H:mm:ss";
        QTest::newRow("quoted t kept") << "HH 'at' mm t"
                                       << "HH 'at' mm";
        QTest::newRow("Russian locale") << QLocale(QLocale::Russian).timeFormat(QLocale::LongFormat) << "HH:mm:ss";
    }
    void timeZoneTakenOut() {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(statusclock::withoutTimeZone(format), expected);
    }

    void clockText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("C") << QLocale::c() << "13:05:09";
        QTest::newRow("ru") << QLocale(QLocale::Russian) << "13:05:09";
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "1:05:09 PM";
    }
    void clockText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QCOMPARE(statusclock::text(QTime(13, 5, 9), locale), expected);
    }

    // Keys as typed, and what the display shows after them.
    void calculator_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("display");
        QTest::newRow("digits") << "123"
                                << "123";
        QTest::newRow("leading zero") << "007"
                                      << "7";
        QTest::newRow("add") << "12+30="
                             << "42";
        QTest::newRow("keyed order") << "2+3*4="
                                     << "20";
        QTest::newRow("subtract below zero") << "3-5="
                                             << "-2";
        QTest::newRow("divide") << "7/2="
                                << "3.5";
        QTest::newRow("decimal") << ".5+.25="
                                 << "0.75";
        QTest::newRow("one point only") << "1..5"
                                        << "1.5";
        QTest::newRow("operation replaced") << "5+*2="
                                            << "10";
        QTest::newRow("equals repeats") << "5+="
                                        << "10";
        QTest::newRow("shows running result") << "2+3+"
                                              << "5";
        QTest::newRow("divide by zero") << "1/0="
                                        << "Cannot divide by zero";
        QTest::newRow("after failure") << "1/0=4"
                                       << "4";
        QTest::newRow("clear") << "12+3C"
                               << "0";
        QTest::newRow("backspace") << "123<"
                                   << "12";
        QTest::newRow("negate") << "5~*2="
                                << "-10";
        QTest::newRow("floating noise hidden") << ".1+.2="
                                               << "0.3";
        QTest::newRow("new number after result") << "2+2=7"
                                                 << "7";
    }
    void calculator() {
        QFETCH(QString, keys);
        QFETCH(QString, display);
        CalcEngine e;
        for (QChar k : keys) {
            if (k.isDigit())
                e.digit(k.digitValue());
            else if (k == u'.')
                e.point();
            else if (k == u'=')
                e.equals();
            else if (k == u'C')
                e.clear();
            else if (k == u'<')
                e.backspace();
            else if (k == u'~')
                e.negate();
            else
                e.operation(k.toLatin1());
        }
        QCOMPARE(e.display(QLocale::c()), display);
    }

    // The locale's decimal separator is shown.
    void decimalSeparator() {
        CalcEngine e;
        e.digit(1);
        e.point();
        e.digit(5);
        QCOMPARE(e.display(QLocale(QLocale::Russian)), QStringLiteral("1,5"));
        QCOMPARE(e.display(QLocale(QLocale::English)), QStringLiteral("1.5"));
    }

    // Keyboard entry in the dialog, the comma included.
    void dialogKeyboard() {
        TFormCalculator dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Calculator"));
        QTest::keyClicks(&dialog, "12*3");
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(dialog.engine().display(QLocale::c()), QStringLiteral("36"));
        QTest::keyClicks(&dialog, "1,5+1=");
        QCOMPARE(dialog.engine().display(QLocale::c()), QStringLiteral("2.5"));
        QTest::keyClick(&dialog, Qt::Key_Delete);
        QCOMPARE(dialog.engine().display(QLocale::c()), QStringLiteral("0"));
        auto* seven = dialog.findChild<QAbstractButton*>(QStringLiteral("btn7"));
        QVERIFY(seven);
        QTest::mouseClick(seven, Qt::LeftButton);
        QCOMPARE(dialog.Display->text(), QStringLiteral("7"));
    }
};

QTEST_MAIN(TstClockCalculator)
#include "tst_clock_calculator.moc"
