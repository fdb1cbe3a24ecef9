// The connection settings as the options dialog reads and writes them.
#include "ConnectOptions.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class TstConnectOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("texts"); // server, db, user, pass
        QTest::addColumn<bool>("prompt");
        const QString m = kOptionsMissing, p = kOptionsMissingPass;
        QTest::newRow("no file") << QByteArray() << QStringList{m, m, m, p} << true;
        QTest::newRow("all keys") << QByteArray("[DataBase]\r\nServer=localhost:\r\ndb=/srv/p.gdb\r\nuser=SYSDBA\r\n"
                                                "pass=masterkey\r\nPromt=0\r\n")
                                  << QStringList{"localhost:", "/srv/p.gdb", "SYSDBA", "masterkey"} << false;
        QTest::newRow("password read while prompting")
            << QByteArray("[DataBase]\nServer=\ndb=\nuser=u\npass=secret\nPromt=1\n")
            << QStringList{"", "", "u", "secret"} << true;
        QTest::newRow("prompt any non-zero") << QByteArray("[DataBase]\nPromt=7\n") << QStringList{m, m, m, p} << true;
        QTest::newRow("prompt not a number")
            << QByteArray("[DataBase]\nPromt=no\n") << QStringList{m, m, m, p} << false;
        QTest::newRow("cp1251 text") << QByteArray("[DataBase]\nuser=\xcf\xe5\xf2\xf0\n") // Петр
                                     << QStringList{m, m, QStringLiteral("Петр"), p} << true;
    }
    void read() {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, texts);
        QFETCH(bool, prompt);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Phones.ini"));
        if (!ini.isEmpty())
            writeFile(path, ini);
        const ConnectOptionsValues v = readConnectOptions(path);
        QCOMPARE((QStringList{v.server, v.db, v.user, v.pass}), texts);
        QCOMPARE(v.prompt, prompt);
    }

    // OK without changes writes the defaults of missing keys as values, keeps the other lines, and
    // writes the texts exactly as they stand.
    void writeAsShown() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Phones.ini"));
        writeFile(path, "[Language]\r\nAutoloadlng=EN\r\n[DataBase]\r\nuser=SYSDBA\r\n");
        ConnectOptionsValues v = readConnectOptions(path);
        v.server = QStringLiteral(" host: ");
        v.prompt = false;
        QVERIFY(writeConnectOptions(path, v));
        const IniFile ini(path);
        QCOMPARE(ini.readString("Language", "Autoloadlng"), QStringLiteral("EN"));
        QCOMPARE(readFile(path).contains("Server= host: \r\n"), true);
        QCOMPARE(ini.readString("DataBase", "db"), kOptionsMissing);
        QCOMPARE(ini.readString("DataBase", "pass"), kOptionsMissingPass);
        QCOMPARE(ini.readString("DataBase", "Promt"), QStringLiteral("0"));
        v.prompt = true;
        QVERIFY(writeConnectOptions(path, v));
        QCOMPARE(IniFile(path).readString("DataBase", "Promt"), QStringLiteral("1"));
    }

    // The file holds a password: a new one is private, an existing private one stays private.
    void permissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Phones.ini"));
        QVERIFY(writeConnectOptions(path, readConnectOptions(path)));
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
        QVERIFY(QFile::permissions(path) & QFile::WriteOwner);
        QVERIFY(writeConnectOptions(path, readConnectOptions(path)));
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
        // It holds the password: a file opened to others is made private again when written.
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(writeConnectOptions(path, readConnectOptions(path)));
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
    }

    void unwritable() {
        if (geteuid() == 0)
            QSKIP("root writes anywhere");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Phones.ini"));
        writeFile(path, "[DataBase]\r\nuser=a\r\n");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        QFile::setPermissions(path, QFile::ReadOwner);
        QVERIFY(!writeConnectOptions(path, readConnectOptions(path)));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void missingFolder() {
        QTemporaryDir dir;
        QVERIFY(!writeConnectOptions(dir.filePath(QStringLiteral("no/such/Phones.ini")), ConnectOptionsValues{}));
    }
};

QTEST_GUILESS_MAIN(TstConnectOptions)
#include "tst_connectoptions.moc"
