// Window placement: restored windows land where the user can reach them, and every way of closing a
// window saves its placement at once.
#include "FormStorage.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "WindowPlacement.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

QRect area() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// A window of its own class, as every window of the program is, with a value of its own in the section.
class Window : public QDialog {
    Q_OBJECT
public:
    explicit Window(bool main = false) {
        resize(427, 506);
        storage = new FormStorage(this, QStringLiteral("TFormX"), main);
        storage->saveProperties = [this](IniFile& f) {
            f.writeString(QStringLiteral("TFormX"), QStringLiteral("Own"), own);
        };
    }
    FormStorage* storage;
    QString own = QStringLiteral("mine");
};

QByteArray section(const QString& normPos, int showCmd = 1, int ppi = 96) {
    return QStringLiteral("[TFormX]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=%1\r\nPixelsPerInch=%2\r\n"
                          "MinMaxPos=-1,-1,-1,-1\r\nNormPos=%3\r\nVisible=0\r\n")
        .arg(showCmd)
        .arg(ppi)
        .arg(normPos)
        .toLatin1();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int screenPpi() {
    return qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

} // namespace

class TestFormStorage : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString file_;

    void writePlacement(const QByteArray& bytes) {
        QFile f(file_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        // A configuration folder that does not exist yet.
        file_ = dir_->path() + QStringLiteral("/config/deeper/korvane.INI");
        programfolder::setPlacementFilePath(file_);
    }
    void cleanup() { dir_.reset(); }

    void fitOnScreen_data() {
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QList<QRect>>("areas");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("fitted");
        const QList<QRect> one{QRect(0, 0, 1024, 768)};
        const QList<QRect> two{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
        QTest::newRow("fits") << QRect(100, 100, 400, 300) << one << QSize() << QRect(100, 100, 400, 300);
        QTest::newRow("32767 square") << QRect(0, 0, 32767, 32767) << one << QSize() << QRect(0, 0, 1024, 768);
        QTest::newRow("off left and top") << QRect(-900, -450, 400, 300) << one << QSize() << QRect(0, 0, 400, 300);
        QTest::newRow("off right and bottom")
            << QRect(2000, 1500, 400, 300) << one << QSize() << QRect(624, 468, 400, 300);
        QTest::newRow("partly off") << QRect(900, 700, 400, 300) << one << QSize() << QRect(624, 468, 400, 300);
        QTest::newRow("huge and off") << QRect(-5000, 300, 9000, 200) << one << QSize() << QRect(0, 300, 1024, 200);
        QTest::newRow("minimum wider than the area")
            << QRect(50, 0, 1300, 200) << one << QSize(1200, 100) << QRect(0, 0, 1200, 200);
        QTest::newRow("on the second screen")
            << QRect(1100, 100, 400, 300) << two << QSize() << QRect(1100, 100, 400, 300);
        QTest::newRow("mostly on the second screen")
            << QRect(900, 900, 400, 300) << two << QSize() << QRect(1024, 724, 400, 300);
        QTest::newRow("on no screen: the first")
            << QRect(3000, 100, 400, 300) << two << QSize() << QRect(624, 100, 400, 300);
        QTest::newRow("no screens known")
            << QRect(-900, -450, 400, 300) << QList<QRect>{} << QSize() << QRect(-900, -450, 400, 300);
    }
    void fitOnScreen() {
        QFETCH(QRect, wanted);
        QFETCH(QList<QRect>, areas);
        QFETCH(QSize, minimum);
        QFETCH(QRect, fitted);
        QCOMPARE(placement::fitOnScreen(wanted, areas, minimum), fitted);
    }

    void fitSplit_data() {
        QTest::addColumn<int>("wanted");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("width");
        QTest::newRow("designed") << 120 << 1000 << 120;
        QTest::newRow("99999") << 99999 << 1000 << 800;
        QTest::newRow("zero") << 0 << 1000 << 20;
        QTest::newRow("window narrower than both") << 120 << 150 << 20;
    }
    void fitSplit() {
        QFETCH(int, wanted);
        QFETCH(int, total);
        QFETCH(int, width);
        QCOMPARE(placement::fitSplit(wanted, total, 20, 200), width);
    }

    // What a show makes of the saved values.
    void restore_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("fixedSize");
        QTest::addColumn<QRect>("expected"); // null: the whole available area
        QTest::newRow("sound") << section(QStringLiteral("10,20,410,320")) << false << QRect(10, 20, 400, 300);
        QTest::newRow("32767 square") << section(QStringLiteral("0,0,32767,32767")) << false << QRect();
        QTest::newRow("65534 square") << section(QStringLiteral("0,0,65534,65534")) << false << QRect();
        QTest::newRow("65534 square far off") << section(QStringLiteral("65000,65000,130534,130534")) << false
                                              << QRect();
        QTest::newRow("off-screen") << section(QStringLiteral("-900,-450,-500,-150")) << false << QRect(0, 0, 400, 300);
        QTest::newRow("not sizeable keeps its size")
            << section(QStringLiteral("-900,-450,32767,32767")) << true << QRect(0, 0, 427, 506);
        QTest::newRow("left not less than right: ignored")
            << section(QStringLiteral("10,20,10,320")) << false << QRect(-1, -1, 427, 506);
        QTest::newRow("garbled: ignored") << section(QStringLiteral("a,b,c,d")) << false << QRect(-1, -1, 427, 506);
        QTest::newRow("other screen density: ignored")
            << section(QStringLiteral("10,20,410,320"), 1, 33) << false << QRect(-1, -1, 427, 506);
    }
    void restore() {
        QFETCH(QByteArray, file);
        QFETCH(bool, fixedSize);
        QFETCH(QRect, expected);
        QVERIFY(area().width() >= 427 && area().height() >= 506);
        QDir().mkpath(QFileInfo(file_).absolutePath());
        writePlacement(
            file.replace("PixelsPerInch=96", QByteArray("PixelsPerInch=") + QByteArray::number(screenPpi())));
        Window w;
        if (fixedSize)
            w.setFixedSize(427, 506);
        w.show();
        // The frame, as far as the platform tells it, lands on the available area too.
        const QMargins frame = w.windowHandle()->frameMargins();
        const QRect usable = area().marginsRemoved(frame);
        QVERIFY(usable.contains(w.geometry()));
        QVERIFY(area().contains(w.frameGeometry()));
        if (expected.isNull())
            QCOMPARE(w.geometry(), usable);
        else if (expected.left() == -1)
            QCOMPARE(w.size(), expected.size()); // placed by the dialog's own centring
        else if (expected.left() == 0)
            QCOMPARE(w.geometry(), expected.translated(usable.topLeft()));
        else
            QCOMPARE(w.geometry(), expected.translated(area().topLeft()));
        // Brought into view, the window is saved back where it is.
        w.close();
        const IniFile saved(file_);
        const placement::Restored back = placement::read(saved, QStringLiteral("TFormX"), screenPpi(), false);
        QVERIFY(back.normal);
        QVERIFY(area().contains(*back.normal));
    }

    // Maximised by the window manager (not by the program), then closed: the normal rectangle saved
    // is the one the window had before, not the maximised one.
    void maximisedByTheWindowManagerSavesTheNormalRectangle() {
        Window w;
        const QRect normal(area().topLeft() + QPoint(30, 40), QSize(414, 417));
        w.setGeometry(normal);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.windowHandle()->setWindowStates(Qt::WindowMaximized);
        QTRY_VERIFY(w.isMaximized());
        QVERIFY(w.geometry() != normal);
        w.close();
        const IniFile saved(file_);
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("ShowCmd")), QStringLiteral("3"));
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("NormPos")),
                 QStringLiteral("%1,%2,%3,%4")
                     .arg(normal.left())
                     .arg(normal.top())
                     .arg(normal.left() + normal.width())
                     .arg(normal.top() + normal.height()));
        // Shown again, it opens maximised.
        Window again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(again.isMaximized());
    }

    // A window placed before the window manager has framed it does not yet know its frame: a
    // stored size beyond the screen still leaves room for the frame of the windows already framed,
    // so the title bar and the buttons at the bottom stay on the screen.
    void hugeSizeFitsWithTheFrameBeforeTheWindowIsFramed() {
        QDir().mkpath(QFileInfo(file_).absolutePath());
        writePlacement(section(QStringLiteral("0,0,65534,65534"), 1, screenPpi()));
        QDialog framed;
        framed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&framed));
        const QMargins frame = framed.windowHandle()->frameMargins();
        QVERIFY(!frame.isNull());
        Window w;
        QVERIFY(!w.windowHandle() || w.windowHandle()->frameMargins().isNull());
        w.storage->restore();
        QCOMPARE(w.geometry(), area().marginsRemoved(frame));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(area().contains(w.frameGeometry()));
    }

    void minimisedShowCmdHonouredByOtherWindows() {
        QDir().mkpath(QFileInfo(file_).absolutePath());
        writePlacement(section(QStringLiteral("10,20,410,320"), 2, screenPpi()));
        Window w;
        w.show();
        QVERIFY(w.windowState() & Qt::WindowMinimized);
    }

    // Whichever way a window closes, its placement is in the file at once, the same each way.
    void savedOnEveryWayOfClosing_data() {
        QTest::addColumn<QString>("way");
        for (const char* way : {"close()", "close box", "OK (done Accepted)", "Cancel (done Rejected)", "Esc"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    void savedOnEveryWayOfClosing() {
        QFETCH(QString, way);
        Window w;
        w.setGeometry(QRect(area().topLeft() + QPoint(30, 40), QSize(500, 400)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (way == u"close()")
            w.close();
        else if (way == u"close box")
            w.windowHandle()->close(); // as the window system's close box: a spontaneous close event
        else if (way.startsWith(u"OK"))
            w.done(QDialog::Accepted);
        else if (way.startsWith(u"Cancel"))
            w.done(QDialog::Rejected);
        else
            QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        // In the file before the window goes, and not written again when it goes.
        const QByteArray written = readAll(file_);
        const IniFile saved(file_);
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("Visible")), QStringLiteral("0"));
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("NormPos")), QStringLiteral("%1,%2,%3,%4")
                                                                                            .arg(area().left() + 30)
                                                                                            .arg(area().top() + 40)
                                                                                            .arg(area().left() + 530)
                                                                                            .arg(area().top() + 440));
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("Own")), QStringLiteral("mine"));
        QVERIFY(!w.storage->shownSinceSave());
        w.storage->saveIfShown();
        QCOMPARE(readAll(file_), written);
    }

    void closeBoxAndCloseLeaveIdenticalFiles() {
        QByteArray files[2];
        for (int i = 0; i < 2; ++i) {
            QFile::remove(file_);
            Window w(true);
            w.setGeometry(QRect(area().topLeft() + QPoint(5, 5), QSize(600, 450)));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            if (i == 0)
                w.close();
            else
                w.windowHandle()->close();
            files[i] = readAll(file_);
        }
        QVERIFY(!files[0].isEmpty());
        QCOMPARE(files[1], files[0]);
    }

    // A window destroyed while shown saves itself as destroyed, without asking the gone window for its values.
    void destroyedWhileShown() {
        auto w = std::make_unique<Window>();
        w->show();
        w->own = QStringLiteral("changed");
        w.reset();
        const IniFile saved(file_);
        QCOMPARE(saved.readString(QStringLiteral("TFormX"), QStringLiteral("Visible")), QStringLiteral("1"));
        QVERIFY(!saved.hasKey(QStringLiteral("TFormX"), QStringLiteral("Own")));
    }

    void neverShownNeverSaved() {
        { Window w; }
        QVERIFY(!QFile::exists(file_));
    }
};

QTEST_MAIN(TestFormStorage)
#include "tst_formstorage.moc"
