// INI files with the Windows private-profile rules, and window placement values.
#include "Cp1251.h"
#include "IniFile.h"
#include "WindowPlacement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.path() + QStringLiteral("/t.ini");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}
} // namespace

class TstIniFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QByteArray("[DataBase]\nServer=abc\n") << "DataBase"
                               << "Server"
                               << "abc";
        QTest::newRow("case of section and key") << QByteArray("[database]\nSERVER=abc\n") << "DataBase"
                                                 << "Server"
                                                 << "abc";
        QTest::newRow("blanks dropped") << QByteArray("[DataBase]\n  Server  =  abc  \n") << "DataBase"
                                        << "Server"
                                        << "abc";
        QTest::newRow("quotes dropped") << QByteArray("[A]\nk=\"x y\"\n") << "A"
                                        << "k"
                                        << "x y";
        QTest::newRow("single quotes dropped") << QByteArray("[A]\nk='x'\n") << "A"
                                               << "k"
                                               << "x";
        QTest::newRow("first key wins") << QByteArray("[A]\nk=1\nk=2\n") << "A"
                                        << "k"
                                        << "1";
        QTest::newRow("first section wins") << QByteArray("[A]\nk=1\n[A]\nk=2\n") << "A"
                                            << "k"
                                            << "1";
        QTest::newRow("empty value") << QByteArray("[A]\nk=\n") << "A"
                                     << "k"
                                     << "";
        QTest::newRow("missing key") << QByteArray("[A]\nj=1\n") << "A"
                                     << "k"
                                     << "<default>";
        QTest::newRow("comment line") << QByteArray("[A]\n;k=1\n") << "A"
                                      << "k"
                                      << "<default>";
        QTest::newRow("CR line ends") << QByteArray("[A]\rk=1\r") << "A"
                                      << "k"
                                      << "1";
        QTest::newRow("garbled lines skipped") << QByteArray("[A\n=x\ngarbage\n[A]\nk=ok\n") << "A"
                                               << "k"
                                               << "ok";
        QTest::newRow("cp1251 value") << QByteArray("[A]\nk=\xcd\xe5 \xef\xf0\xe0\xe2\xe8\xeb\xfc\xed\xee\n") << "A"
                                      << "k" << QStringLiteral("Не правильно");
        QTest::newRow("UTF-8 mark: first section kept")
            << QByteArray("\xEF\xBB\xBF[DataBase]\r\nServer=abc\r\n") << "DataBase"
            << "Server"
            << "abc";
        QTest::newRow("UTF-8 mark: UTF-8 text")
            << QByteArray("\xEF\xBB\xBF[A]\nk=") + QStringLiteral("Не правильно").toUtf8() << "A"
            << "k" << QStringLiteral("Не правильно");
        QTest::newRow("mark bytes later are cp1251") << QByteArray("[A]\nk=\xEF\xBB\xBF\n") << "A"
                                                     << "k" << QStringLiteral("п»ї");
    }
    void reading() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const IniFile ini(writeFile(dir, file));
        QCOMPARE(ini.readString(section, key, QStringLiteral("<default>")), expected);
    }

    void integers_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << QByteArray("1") << 1;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("any non-zero") << QByteArray("7") << 7;
        QTest::newRow("leading number") << QByteArray("12abc") << 12;
        QTest::newRow("not a number") << QByteArray("yes") << 0;
        QTest::newRow("negative") << QByteArray("-3") << -3;
    }
    void integers() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const IniFile ini(writeFile(dir, "[A]\nk=" + value + "\n"));
        QCOMPARE(ini.readInteger(QStringLiteral("A"), QStringLiteral("k"), 99), expected);
        QCOMPARE(ini.readBool(QStringLiteral("A"), QStringLiteral("k"), false), expected != 0);
        QCOMPARE(ini.readInteger(QStringLiteral("A"), QStringLiteral("missing"), 99), 99);
    }

    void writingKeepsOrderAndOtherLines() {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "; comment\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
        IniFile ini(path);
        ini.writeString(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("10"));
        ini.writeString(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("Ёж"));
        ini.writeString(QStringLiteral("C"), QStringLiteral("k"), QStringLiteral("v"));
        QVERIFY(ini.save());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(cp1251::decode(f.readAll()),
                 QStringLiteral("; comment\r\n[A]\r\nx=10\r\ny=2\r\nnew=Ёж\r\n\r\n[B]\r\nz=3\r\n[C]\r\nk=v\r\n"));
    }

    void unwritableFileIsReported() {
        IniFile ini(QStringLiteral("/proc/no-such-folder/x.ini"));
        ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
        QVERIFY(!ini.save());
    }

    void placementRules_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("isMain");
        QTest::addColumn<QRect>("normal"); // null: not applied
        QTest::addColumn<int>("state");    // 0 normal, 1 minimised, 2 maximised
        const QByteArray good = "FormVersion=0\nFlags=0\nShowCmd=1\nPixelsPerInch=96\nMinMaxPos=-1,-1,-1,-1\n"
                                "NormPos=10,20,410,320\nVisible=0\n";
        QTest::newRow("applied") << good << false << QRect(10, 20, 400, 300) << 0;
        QTest::newRow("other dpi keeps position") << QByteArray(good).replace("=96", "=120") << false << QRect() << 0;
        QTest::newRow("left not less than right")
            << QByteArray(good).replace("410,320", "10,320") << false << QRect() << 0;
        QTest::newRow("garbled rectangle") << QByteArray(good).replace("410,320", "x,320") << false << QRect() << 0;
        QTest::newRow("negative version ignored")
            << QByteArray(good).replace("FormVersion=0", "FormVersion=-1") << true << QRect() << 2;
        QTest::newRow("minimised") << QByteArray(good).replace("ShowCmd=1", "ShowCmd=2") << true
                                   << QRect(10, 20, 400, 300) << 1;
        QTest::newRow("show 6 minimised")
            << QByteArray(good).replace("ShowCmd=1", "ShowCmd=6") << false << QRect(10, 20, 400, 300) << 1;
        QTest::newRow("maximised") << QByteArray(good).replace("ShowCmd=1", "ShowCmd=3") << false
                                   << QRect(10, 20, 400, 300) << 2;
        QTest::newRow("unknown show main")
            << QByteArray(good).replace("ShowCmd=1", "ShowCmd=42") << true << QRect(10, 20, 400, 300) << 2;
        QTest::newRow("unknown show other")
            << QByteArray(good).replace("ShowCmd=1", "ShowCmd=42") << false << QRect(10, 20, 400, 300) << 0;
        QTest::newRow("no positions") << QByteArray("ShowCmd=9\nPixelsPerInch=96\n") << false << QRect() << 0;
    }
    void placementRules() {
        QFETCH(QByteArray, section);
        QFETCH(bool, isMain);
        QFETCH(QRect, normal);
        QFETCH(int, state);
        QTemporaryDir dir;
        const IniFile ini(writeFile(dir, "[TFormX]\n" + section));
        const placement::Restored r = placement::read(ini, QStringLiteral("TFormX"), 96, isMain);
        QCOMPARE(r.normal.value_or(QRect()), normal);
        QCOMPARE(static_cast<int>(r.state), state);
    }

    void placementRoundTrip() {
        QTemporaryDir dir;
        IniFile ini(dir.path() + QStringLiteral("/p.ini"));
        placement::Saved s;
        s.showCmd = 2;
        s.normal = QRect(5, 6, 300, 200);
        placement::write(ini, QStringLiteral("TFormMain"), s);
        QVERIFY(ini.save());
        const IniFile back(dir.path() + QStringLiteral("/p.ini"));
        QCOMPARE(back.keys(QStringLiteral("TFormMain")),
                 QStringList({"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos", "Visible"}));
        QCOMPARE(back.readString(QStringLiteral("TFormMain"), QStringLiteral("NormPos")),
                 QStringLiteral("5,6,305,206"));
        const auto r = placement::read(back, QStringLiteral("TFormMain"), 96, true);
        QCOMPARE(r.normal.value_or(QRect()), QRect(5, 6, 300, 200));
        QCOMPARE(r.state, placement::ShowState::Minimized);
    }

    // The settings file holds the password: written, it is readable by its owner only, also when
    // it was readable by everyone before; other INI files keep the usual mode.
    void settingsFileIsPrivate_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("existedReadableByAll");
        QTest::addColumn<bool>("ownerOnly");
        QTest::newRow("new Phones.ini") << "Phones.ini" << false << true;
        QTest::newRow("Phones.ini readable by all") << "Phones.ini" << true << true;
        QTest::newRow("other case") << "PHONES.INI" << true << true;
        QTest::newRow("Grid.ini") << "Grid.ini" << true << false;
    }
    void settingsFileIsPrivate() {
        QFETCH(QString, name);
        QFETCH(bool, existedReadableByAll);
        QFETCH(bool, ownerOnly);
        QTemporaryDir dir;
        const QString path = dir.path() + u'/' + name;
        if (existedReadableByAll) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[DataBase]\r\npass=old\r\n");
            f.close();
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        IniFile ini(path);
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("pass"), QStringLiteral("secret"));
        QVERIFY(ini.save());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        const QFile::Permissions p = QFile(path).permissions();
        QVERIFY(p & QFile::ReadOwner);
        QVERIFY(p & QFile::WriteOwner);
        QCOMPARE(bool(p & others), !ownerOnly);
        QCOMPARE(IniFile(path).readString(QStringLiteral("DataBase"), QStringLiteral("pass")),
                 QStringLiteral("secret"));
    }
};

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
