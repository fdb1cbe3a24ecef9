#include "RecordingComm.h"
#include "Shell.h"
#include "Telephony.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ShellCommand)

namespace {
ShellCommand opener(const QString& argument) {
    return {u"xdg-open"_s, {argument}};
}
} // namespace

class ShellTelephonyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shellCommand_data();
    void shellCommand();
    void programsNeverStartFromContactText();
    void documentGoesToOpener();
    void telUri_data();
    void telUri();
    void callRequestGoesToShellAsTelAddress();
    void recordingFakesRestoreThePrevious();
};

void ShellTelephonyTest::shellCommand_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<ShellCommand>("command");
    QTest::newRow("empty") << QString() << ShellCommand{};
    QTest::newRow("mailto alone") << u"mailto:"_s << opener(u"mailto:"_s);
    QTest::newRow("mailto") << u"mailto:ivanov@example.ru"_s << opener(u"mailto:ivanov@example.ru"_s);
    QTest::newRow("http") << u"http://example.ru/a b"_s << opener(u"http://example.ru/a b"_s);
    QTest::newRow("www without scheme") << u"www.example.ru"_s << opener(u"http://www.example.ru"_s);
    QTest::newRow("WWW any case") << u"WWW.Example.ru/Page"_s << opener(u"http://WWW.Example.ru/Page"_s);
    QTest::newRow("ftp without scheme") << u"ftp.example.ru"_s << opener(u"ftp://ftp.example.ru"_s);
    QTest::newRow("bare host is a web address") << u"example.ru"_s << opener(u"http://example.ru"_s);
    QTest::newRow("tel") << u"tel:+7%20(495)"_s << opener(u"tel:+7%20(495)"_s);
    QTest::newRow("missing absolute path") << u"/nonexistent/korvane/icq"_s << ShellCommand{};
    QTest::newRow("windows path opens nothing") << u"C:\\Program Files\\ICQ\\Icq.exe"_s << ShellCommand{};
    // Nothing a contact holds reaches the opener as an option, and a bare word names no file.
    QTest::newRow("leading hyphen") << u"--help"_s << ShellCommand{};
    QTest::newRow("leading hyphen with dot") << u"-x.html"_s << ShellCommand{};
    QTest::newRow("blank then hyphen") << u" -v"_s << ShellCommand{};
    QTest::newRow("bare word") << u"korvane"_s << ShellCommand{};
    QTest::newRow("relative path") << u"bin/korvane"_s << ShellCommand{};
    QTest::newRow("system program") << u"/bin/sh"_s << ShellCommand{};
    QTest::newRow("system program as file url") << u"file:///bin/sh"_s << ShellCommand{};
}

void ShellTelephonyTest::shellCommand() {
    QFETCH(QString, text);
    QFETCH(ShellCommand, command);
    const ShellCommand got = DesktopShell::commandFor(text);
    QCOMPARE(got.program, command.program);
    QCOMPARE(got.arguments, command.arguments);
}

// A program named by a contact is never started, whether by its path, a file address, a desktop
// entry or a name that happens to exist in the current folder; the configured messenger is.
void ShellTelephonyTest::programsNeverStartFromContactText() {
    QTemporaryDir dir;
    const QString program = dir.filePath(u"messenger"_s);
    QFile f(program);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile entry(dir.filePath(u"run.desktop"_s));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nExec=/bin/sh\n");
    entry.close();
    QFile local(dir.filePath(u"notes.txt"_s));
    QVERIFY(local.open(QIODevice::WriteOnly));
    local.close();
    QCOMPARE(DesktopShell::commandFor(program), ShellCommand{});
    QCOMPARE(DesktopShell::commandFor(u"file://"_s + program), ShellCommand{});
    QCOMPARE(DesktopShell::commandFor(entry.fileName()), ShellCommand{});
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const ShellCommand bare = DesktopShell::commandFor(u"messenger"_s);
    const ShellCommand dotted = DesktopShell::commandFor(u"notes.txt"_s);
    QDir::setCurrent(saved);
    QCOMPARE(bare, ShellCommand{});
    QCOMPARE(dotted, opener(u"http://notes.txt"_s)); // an address, not the file beside us
    // A document by its full path still opens.
    QCOMPARE(DesktopShell::commandFor(local.fileName()), opener(local.fileName()));
    QCOMPARE(DesktopShell::commandFor(u"file://"_s + local.fileName()), opener(u"file://"_s + local.fileName()));
}

void ShellTelephonyTest::documentGoesToOpener() {
    QTemporaryDir dir;
    const QString document = dir.filePath(u"help.html"_s);
    QFile f(document);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(DesktopShell::commandFor(document), opener(document));
}

void ShellTelephonyTest::telUri_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("uri");
    QTest::newRow("empty") << QString() << u"tel:"_s;
    QTest::newRow("digits") << u"1234567"_s << u"tel:1234567"_s;
    QTest::newRow("plus blanks brackets hyphens") << u"+7 (495) 123-45-67"_s << u"tel:+7%20(495)%20123-45-67"_s;
    QTest::newRow("dots star comma") << u"8.800*2,3"_s << u"tel:8.800*2,3"_s;
    QTest::newRow("extension") << u"+74951234567;ext=12"_s << u"tel:+74951234567;ext=12"_s;
    QTest::newRow("hash percent question") << u"#21# 5%?"_s << u"tel:%2321%23%205%25%3F"_s;
    QTest::newRow("cyrillic") << u"доб. 5"_s << u"tel:%D0%B4%D0%BE%D0%B1.%205"_s;
}

void ShellTelephonyTest::telUri() {
    QFETCH(QString, number);
    QFETCH(QString, uri);
    QCOMPARE(DesktopTelephony::telUri(number), uri);
    // A handler that decodes the address gets the number back as typed.
    QCOMPARE(QUrl::fromPercentEncoding(uri.mid(4).toUtf8()), number);
}

void ShellTelephonyTest::callRequestGoesToShellAsTelAddress() {
    RecordingShell shell;
    DesktopTelephony telephony;
    telephony.tapiRequestMakeCall(u"+7 (495) 123-45-67"_s, u"Korvane"_s, QString(), QString());
    telephony.tapiRequestMakeCall(QString(), u"Korvane"_s, QString(), QString());
    QCOMPARE(shell.executed, (QStringList{u"tel:+7%20(495)%20123-45-67"_s, u"tel:"_s}));
}

void ShellTelephonyTest::recordingFakesRestoreThePrevious() {
    Shell* desktopShell = &Shell::current();
    Telephony* desktopTelephony = &Telephony::current();
    QVERIFY(dynamic_cast<DesktopShell*>(desktopShell));
    QVERIFY(dynamic_cast<DesktopTelephony*>(desktopTelephony));
    {
        RecordingShell outer;
        {
            RecordingShell inner;
            RecordingTelephony telephony;
            QCOMPARE(&Shell::current(), &inner);
            QCOMPARE(&Telephony::current(), &telephony);
        }
        QCOMPARE(&Shell::current(), &outer);
    }
    QCOMPARE(&Shell::current(), desktopShell);
    QCOMPARE(&Telephony::current(), desktopTelephony);
}

QTEST_GUILESS_MAIN(ShellTelephonyTest)
#include "tst_shelltelephony.moc"
