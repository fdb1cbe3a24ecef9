// Start-up with a database that cannot be reached or a client library that cannot be loaded: the
// user sees the messages of the connection once, and nothing else tries to connect behind them.
#include "App.h"
#include "DbError.h"
#include "FbClient.h"
#include "FormMain.h"
#include "LoginDialog.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QWindow>

namespace {

struct Recorded {
    QList<msgbox::Shown> boxes;
    int logins = 0;

    Recorded() {
        msgbox::setResponder([this](const msgbox::Shown& s) {
            boxes << s;
            return QMessageBox::Ok;
        });
        LoginDialog::setResponder([this](const QString&, QString&, QString&) {
            ++logins;
            return true;
        });
    }
    ~Recorded() {
        msgbox::clearResponder();
        LoginDialog::setResponder({});
    }
    Recorded(const Recorded&) = delete;
    Recorded& operator=(const Recorded&) = delete;

    QStringList texts() const {
        QStringList list;
        for (const auto& s : boxes)
            list << s.text;
        return list;
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unreachableDatabaseIsReportedOnce_data() {
        QTest::addColumn<bool>("prompt");
        QTest::addColumn<int>("logins");
        // The first connect, its one retry, and the table opening that follows (Cancel or not).
        QTest::newRow("no login prompt") << false << 0;
        QTest::newRow("login prompt") << true << 3;
    }
    void unreachableDatabaseIsReportedOnce() {
        QFETCH(bool, prompt);
        QFETCH(int, logins);
        testdb::Folder folder;
        IniFile ini(folder.iniPath());
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("db"), folder.path() + QStringLiteral("gone/x.gdb"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Promt"),
                        prompt ? QStringLiteral("1") : QStringLiteral("0"));
        QVERIFY(ini.save());
        Recorded recorded;
        {
            KorvaneApp app;
            app.main().show();
            QTest::qWait(300); // the tree's change delay and anything queued at the first show
            QCOMPARE(recorded.logins, logins);
            QCOMPARE(recorded.boxes.size(), 2);
            QCOMPARE(recorded.boxes.at(0).kind, msgbox::Kind::Plain);
            QCOMPARE(recorded.boxes.at(0).text, QStringLiteral("Error connect to server"));
            QCOMPARE(recorded.boxes.at(1).kind, msgbox::Kind::Error);
            QVERIFY(!app.dm().IBPhones->connected());
            app.main().close();
        }
        QCOMPARE(recorded.logins, logins);
        QCOMPARE(recorded.boxes.size(), 2);
    }

    // A copy that a restore cut short (kill -9) left beside the database goes at the next start;
    // other files beside it stay.
    void leftoversBesideTheDatabaseGoAtStart() {
        testdb::Folder folder;
        const QString leftover = folder.path() + QStringLiteral("db/.phones.gdb.0123abcd.new");
        const QString other = folder.path() + QStringLiteral("db/notes.new");
        for (const QString& path : {leftover, other}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("cut short");
        }
        Recorded recorded;
        {
            KorvaneApp app;
            QVERIFY(app.dm().IBPhones->connected());
            app.main().close();
        }
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(QFile::exists(other));
        QVERIFY(recorded.boxes.isEmpty());
    }

    // The main window at its designed size, for a person to look at: all four tree buttons show.
    void screenshotOfTheMainWindow() {
        testdb::Folder folder;
        Recorded recorded;
        KorvaneApp app;
        TFormMain& main = app.main();
        main.setWindowState(Qt::WindowNoState);
        main.show();
        main.setWindowState(Qt::WindowNoState);
        main.resize(1024, 700);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::qWait(200);
        QDir().mkpath(QStringLiteral("/tmp/korvane-shots-windows"));
        QVERIFY(main.grab().save(QStringLiteral("/tmp/korvane-shots-windows/main-window.png")));
        QVERIFY(recorded.boxes.isEmpty());
        main.close();
    }

    // "Закрыть" closes the main window exactly as its close box does: the same files are left.
    void closeCommandAndCloseBoxLeaveIdenticalFiles() {
        QByteArray placements[2];
        for (int i = 0; i < 2; ++i) {
            testdb::Folder folder;
            Recorded recorded;
            {
                KorvaneApp app;
                app.main().show();
                QVERIFY(QTest::qWaitForWindowExposed(&app.main()));
                if (i == 0)
                    app.main().action(QStringLiteral("acClose"))->trigger();
                else
                    app.main().windowHandle()->close(); // the window system's close box
                QVERIFY(!app.main().isVisible());
            }
            QFile f(folder.path() + QStringLiteral("korvane.INI"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            placements[i] = f.readAll();
            QVERIFY(recorded.boxes.isEmpty());
        }
        QVERIFY(placements[0].contains("Visible=0"));
        QVERIFY(placements[0].contains("PanelLeft_Width="));
        QCOMPARE(placements[1], placements[0]);
    }

    // Saved values that would put the main window or its grids out of reach are brought back.
    void mainWindowOutOfReachIsBroughtBack() {
        testdb::Folder folder;
        Recorded recorded;
        IniFile placementFile(folder.path() + QStringLiteral("korvane.INI"));
        const QString s = QStringLiteral("TFormMain");
        placementFile.writeString(s, QStringLiteral("FormVersion"), QStringLiteral("0"));
        placementFile.writeString(s, QStringLiteral("ShowCmd"), QStringLiteral("1"));
        placementFile.writeInteger(s, QStringLiteral("PixelsPerInch"),
                                   qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
        placementFile.writeString(s, QStringLiteral("NormPos"), QStringLiteral("-900,-450,-100,150"));
        placementFile.writeString(s, QStringLiteral("PanelLeft_Width"), QStringLiteral("99999"));
        QVERIFY(placementFile.save());
        KorvaneApp app;
        TFormMain& main = app.main();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.intersects(main.geometry()));
        QVERIFY(main.geometry().left() >= area.left() && main.geometry().top() >= area.top());
        const auto* splitter = main.findChild<QSplitter*>(QStringLiteral("Splitter1"));
        QVERIFY(splitter);
        QVERIFY(splitter->sizes().value(1) >= 200);
        QVERIFY(recorded.boxes.isEmpty());
        main.close();
    }

    void missingClientLibraryStopsStartUp() {
        testdb::Folder folder;
        Recorded recorded;
        const QString name = fb::libraryName();
        fb::setLibraryName(QStringLiteral("libno-such-client.so.9"));
        const QString expected = fb::libraryMissingMessage() + u'.';
        bool stopped = false;
        try {
            KorvaneApp app;
        } catch (const DbError&) {
            stopped = true;
        }
        fb::setLibraryName(name);
        QVERIFY(stopped);
        QCOMPARE(recorded.texts(), QStringList{expected});
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
