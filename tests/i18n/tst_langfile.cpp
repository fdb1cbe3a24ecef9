// Reading a language file: what a translator may write and what the program then finds.
#include "IniLang.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kDefault = QStringLiteral("<default>");

// Cyrillic letters as the file holds them (cp1251): "Привет", "форма".
const QByteArray kPrivetBytes("\xCF\xF0\xE8\xE2\xE5\xF2");
const QByteArray kFormaBytes("\xF4\xEE\xF0\xEC\xE0");

} // namespace

class LangFileTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { programfolder::setPath({}); }

    void readingRules_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("crlf lines") << QByteArray("[S]\r\nA=1\r\nB=2\r\n") << "S"
                                    << "B"
                                    << "2";
        QTest::newRow("lf lines") << QByteArray("[S]\nA=1\nB=2") << "S"
                                  << "B"
                                  << "2";
        QTest::newRow("cr lines") << QByteArray("[S]\rA=1\rB=2\r") << "S"
                                  << "B"
                                  << "2";
        QTest::newRow("mixed line ends") << QByteArray("[S]\r\nA=1\rB=2\nC=3") << "S"
                                         << "C"
                                         << "3";
        QTest::newRow("crlf is one break") << QByteArray("[S]\r\nA=1\r\n") << "S"
                                           << "A"
                                           << "1";
        QTest::newRow("section in small letters, key in capitals")
            << QByteArray("[formmain]\nFORMMAIN.CAPTION=Main") << "FormMain"
            << "FormMain.Caption"
            << "Main";
        QTest::newRow("blank before = belongs to the key") << QByteArray("[S]\nKey =v") << "S"
                                                           << "Key" << kDefault;
        QTest::newRow("key with its blank matches") << QByteArray("[S]\nKey =v") << "S"
                                                    << "Key "
                                                    << "v";
        QTest::newRow("blank after = is kept") << QByteArray("[S]\nKey= v") << "S"
                                               << "Key"
                                               << " v";
        QTest::newRow("trailing blank is kept") << QByteArray("[S]\nKey=v  ") << "S"
                                                << "Key"
                                                << "v  ";
        QTest::newRow("leading blank of key") << QByteArray("[S]\n Key=v") << "S"
                                              << "Key" << kDefault;
        QTest::newRow("split at first =") << QByteArray("[S]\nKey=a=b") << "S"
                                          << "Key"
                                          << "a=b";
        QTest::newRow("empty value is a value") << QByteArray("[S]\nKey=") << "S"
                                                << "Key"
                                                << "";
        QTest::newRow("empty key") << QByteArray("[S]\n=v") << "S"
                                   << ""
                                   << "v";
        QTest::newRow("comment line") << QByteArray("[S]\n;Key=v") << "S"
                                      << "Key" << kDefault;
        QTest::newRow("comment key by its full text") << QByteArray("[S]\n;Key=v") << "S"
                                                      << ";Key" << kDefault;
        QTest::newRow("semicolon after a blank is no comment") << QByteArray("[S]\n ;Key=v") << "S"
                                                               << " ;Key"
                                                               << "v";
        QTest::newRow("line without =") << QByteArray("[S]\nnothing here\nKey=v") << "S"
                                        << "Key"
                                        << "v";
        QTest::newRow("above the first section") << QByteArray("Key=v\n[S]\n") << "S"
                                                 << "Key" << kDefault;
        QTest::newRow("section name keeps blanks") << QByteArray("[ S ]\nKey=v") << "S"
                                                   << "Key" << kDefault;
        QTest::newRow("section name with its blanks") << QByteArray("[ S ]\nKey=v") << " S "
                                                      << "Key"
                                                      << "v";
        QTest::newRow("empty section name") << QByteArray("[]\nKey=v") << ""
                                            << "Key"
                                            << "v";
        QTest::newRow("no ] at end: not a section") << QByteArray("[S]\n[T] \nKey=v") << "S"
                                                    << "Key"
                                                    << "v";
        QTest::newRow("no [ at start: not a section") << QByteArray("[S]\n [T]\nKey=v") << "S"
                                                      << "Key"
                                                      << "v";
        QTest::newRow("brackets inside a section name") << QByteArray("[a]b]\nKey=v") << "a]b"
                                                        << "Key"
                                                        << "v";
        QTest::newRow("entry that looks like a section") << QByteArray("[S]\n[x=y]\nKey=v") << "x=y"
                                                         << "Key"
                                                         << "v";
        QTest::newRow("second section of a name is ignored") << QByteArray("[S]\nA=1\n[s]\nA=2\nB=3") << "S"
                                                             << "A"
                                                             << "1";
        QTest::newRow("keys of second section are unseen") << QByteArray("[S]\nA=1\n[S]\nB=3") << "S"
                                                           << "B" << kDefault;
        QTest::newRow("other section between") << QByteArray("[S]\nA=1\n[T]\nB=2\n[S]\nB=3") << "S"
                                               << "B" << kDefault;
        QTest::newRow("first key wins") << QByteArray("[S]\nA=1\na=2") << "S"
                                        << "A"
                                        << "1";
        QTest::newRow("keys of another section") << QByteArray("[S]\nA=1\n[T]\nA=2") << "T"
                                                 << "A"
                                                 << "2";
        QTest::newRow("missing section") << QByteArray("[S]\nA=1") << "Misc"
                                         << "A" << kDefault;
        QTest::newRow("missing key") << QByteArray("[S]\nA=1") << "S"
                                     << "B" << kDefault;
        QTest::newRow("empty file") << QByteArray() << "S"
                                    << "A" << kDefault;
        QTest::newRow("cp1251 value") << QByteArray("[S]\nA=" + kPrivetBytes) << "S"
                                      << "A"
                                      << "Привет";
        QTest::newRow("cp1251 section in other case") << QByteArray("[" + kFormaBytes + "]\nA=1") << "ФОРМА"
                                                      << "A"
                                                      << "1";
        QTest::newRow("memo line key") << QByteArray("[W]\nW.Memo1.lines[0]=x") << "w"
                                       << "W.MEMO1.LINES[0]"
                                       << "x";
    }

    void readingRules() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const LangFile file(bytes);
        QCOMPARE(file.read(section, key, kDefault), expected);
    }

    // A file saved as UTF-8 with its byte-order mark keeps its Cyrillic texts and its first section.
    void utf8WithByteOrderMark() {
        const LangFile file(QByteArray("\xEF\xBB\xBF[Misc]\r\nM004=") + QStringLiteral("Привет").toUtf8() + "\r\n");
        QCOMPARE(file.read(QStringLiteral("Misc"), QStringLiteral("M004"), kDefault), QStringLiteral("Привет"));
        // Without the mark the same bytes are cp1251.
        const LangFile plain(QByteArray("[Misc]\r\nM004=") + kPrivetBytes + "\r\n");
        QCOMPARE(plain.read(QStringLiteral("Misc"), QStringLiteral("M004"), kDefault), QStringLiteral("Привет"));
    }

    void openMissingFileGivesNone() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        programfolder::setPath(dir.path());
        QVERIFY(OpenLangFile(QStringLiteral("English.ini")) == nullptr);
    }

    void openReadsFromProgramFolder() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile out(dir.filePath(QStringLiteral("English.ini")));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("; English texts\r\n[Misc]\r\nM003=Done\r\nM004=" + kPrivetBytes + "\r\n");
        out.close();

        programfolder::setPath(dir.path());
        const std::unique_ptr<LangFile> file = OpenLangFile(QStringLiteral("English.ini"));
        QVERIFY(file != nullptr);
        QCOMPARE(file->read(QStringLiteral("Misc"), QStringLiteral("M003"), kDefault), QStringLiteral("Done"));
        QCOMPARE(file->read(QStringLiteral("Misc"), QStringLiteral("M004"), kDefault), QStringLiteral("Привет"));

        // The file is read once: later changes on disk are not seen.
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("[Misc]\r\nM003=Changed\r\n");
        out.close();
        QCOMPARE(file->read(QStringLiteral("Misc"), QStringLiteral("M003"), kDefault), QStringLiteral("Done"));
    }

    void openUnreadableFileThrows() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // A folder of that name exists but cannot be read as a file, whoever runs the test.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Custom.ini")));
        programfolder::setPath(dir.path());
        const QString path = QDir::toNativeSeparators(dir.filePath(QStringLiteral("Custom.ini")));
        try {
            OpenLangFile(QStringLiteral("Custom.ini"));
            QFAIL("no error for an unreadable file");
        } catch (const FileOpenError& error) {
            QCOMPARE(error.message(), QStringLiteral("Cannot open file ") + path);
            QCOMPARE(error.path(), path);
            QCOMPARE(QString::fromUtf8(error.what()), error.message());
        }
    }
};

QTEST_GUILESS_MAIN(LangFileTest)
#include "tst_langfile.moc"
