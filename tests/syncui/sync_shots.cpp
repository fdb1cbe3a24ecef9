// Pictures of the sync entry in the exchange menu, of the sync window opened from it after a sync
// with a loopback Radicale, and of the main window's status line afterwards, for looking at: writes
// /tmp/sync-shots/main-*.png. Run under xvfb-run -a.
#include "App.h"
#include "ExchangeMenu.h"
#include "FormMain.h"
#include "FormSync.h"
#include "MessageBoxes.h"
#include "RadicaleProcess.h"
#include "SyncCommands.h"
#include "SyncRunner.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {
void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = QDir::tempPath() + QStringLiteral("/sync-shots/");
    QDir().mkpath(out);
    synctest::RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Телефон"),
                   {"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:s-1\r\nN:Петров;Пётр;;;\r\nFN:Пётр Петров\r\n"
                    "TEL;TYPE=CELL:+79161112233\r\nCATEGORIES:Работа\r\nEND:VCARD\r\n"});
    if (!server.start())
        return 1;
    testdb::Folder folder;
    msgbox::setResponder([](const msgbox::Shown& s) {
        std::printf("box: %s\n", qPrintable(s.text));
        return QMessageBox::Ok;
    });
    KorvaneApp korvane;
    TFormMain& main = korvane.main();
    main.resize(1100, 600);
    main.show();
    pause(400);

    QMenu* menu = main.findChild<ExchangeCommands*>()->menu();
    const QRect item = main.menuBar()->actionGeometry(menu->menuAction());
    menu->popup(main.menuBar()->mapToGlobal(item.bottomLeft()));
    pause(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + QStringLiteral("main-exchange-menu.png"));
    menu->hide();

    menu->findChild<QAction*>(QStringLiteral("acSync"))->trigger();
    auto* sync = main.findChild<syncui::SyncCommands*>();
    TFormSync* w = sync->window();
    w->EditServer->setText(server.url());
    w->EditUser->setText(QStringLiteral("anna"));
    w->EditPassword->setText(QStringLiteral("pw"));
    w->findBooks();
    while (sync->runner().busy())
        pause(50);
    w->syncNow();
    while (sync->runner().busy())
        pause(50);
    pause(300);
    w->grab().save(out + QStringLiteral("main-sync-window.png"));
    w->close();
    pause(300);
    main.grab().save(out + QStringLiteral("main-after-sync.png"));
    return 0;
}
