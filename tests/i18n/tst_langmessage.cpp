// Message texts by their keys, with "*|*" standing for a line break.
#include "IniLang.h"

#include <QtTest>

namespace {

std::unique_ptr<LangFile> fileWithMisc(const QByteArray& entries) {
    return std::make_unique<LangFile>("[Misc]\r\n" + entries);
}

} // namespace

class LangMessageTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetCurrentLangFile(nullptr); }

    void lineBreaks_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no separator") << QByteArray("Record saved") << "Record saved";
        QTest::newRow("empty value") << QByteArray("") << "";
        QTest::newRow("three pieces") << QByteArray("a*|*b*|*c") << "a\r\nb\r\nc";
        QTest::newRow("separator alone") << QByteArray("*|*") << "\r\n";
        QTest::newRow("leading separator") << QByteArray("*|*text") << "\r\ntext";
        QTest::newRow("trailing separator") << QByteArray("text*|*") << "text\r\n";
        QTest::newRow("two leading separators") << QByteArray("*|**|*text") << "\r\ntext";
        QTest::newRow("two separators alone") << QByteArray("*|**|*") << "\r\n";
        QTest::newRow("empty piece in the middle") << QByteArray("a*|**|*b") << "a\r\n\r\nb";
        QTest::newRow("leading separator before more pieces") << QByteArray("*|*a*|*b") << "a\r\nb";
        QTest::newRow("leading and trailing separator") << QByteArray("*|*a*|*") << "a\r\n";
        QTest::newRow("stars around a separator") << QByteArray("**|**") << "*\r\n*";
        QTest::newRow("incomplete separator") << QByteArray("a*|b|*c") << "a*|b|*c";
        QTest::newRow("blanks kept") << QByteArray(" a *|* b ") << " a \r\n b ";
    }

    void lineBreaks() {
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        SetCurrentLangFile(fileWithMisc("M024=" + value + "\r\n"));
        QCOMPARE(LangMessage(QStringLiteral("M024"), QStringLiteral("M024")), expected);
    }

    void withoutFileTheDefaultIsShown() {
        SetCurrentLangFile(nullptr);
        QCOMPARE(LangMessage(QStringLiteral("M003"), QStringLiteral("M003")), QStringLiteral("M003"));
        // The default is given back as it stands, separators included.
        QCOMPARE(LangMessage(QStringLiteral("a*|*b"), QStringLiteral("M003")), QStringLiteral("a*|*b"));
    }

    void missingKeyGivesEmptyText() {
        SetCurrentLangFile(fileWithMisc("M002=Delete?\r\n"));
        QCOMPARE(LangMessage(QStringLiteral("M003"), QStringLiteral("M003")), QString());
    }

    void onlySectionMiscIsRead() {
        SetCurrentLangFile(std::make_unique<LangFile>("[FormMain]\r\nM003=Wrong\r\n[misc]\r\nm003=Saved\r\n"));
        QCOMPARE(LangMessage(QStringLiteral("M003"), QStringLiteral("M003")), QStringLiteral("Saved"));
    }

    void replacingTheFileTakesEffect() {
        SetCurrentLangFile(fileWithMisc("M030=All\r\n"));
        QCOMPARE(LangMessage(QStringLiteral("M030"), QStringLiteral("M030")), QStringLiteral("All"));
        SetCurrentLangFile(fileWithMisc("M030=\xC2\xF1\xE5\r\n")); // "Все" in cp1251
        QCOMPARE(LangMessage(QStringLiteral("M030"), QStringLiteral("M030")), QStringLiteral("Все"));
        SetCurrentLangFile(nullptr);
        QVERIFY(CurrentLangFile() == nullptr);
        QCOMPARE(LangMessage(QStringLiteral("M030"), QStringLiteral("M030")), QStringLiteral("M030"));
    }
};

QTEST_GUILESS_MAIN(LangMessageTest)
#include "tst_langmessage.moc"
