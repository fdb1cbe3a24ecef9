// Sync in the running program: the exchange menu's entry opens the sync window, a sync started there
// brings the server's cards into the main window's list, and the status bar tells the result.
#include "App.h"
#include "DMUnit.h"
#include "ExchangeMenu.h"
#include "FormMain.h"
#include "FormSync.h"
#include "LanguageSelection.h"
#include "MessageBoxes.h"
#include "RadicaleProcess.h"
#include "SyncCommands.h"
#include "SyncRunner.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

class TestSyncMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuOpensTheWindowAndTheListShowsTheCards() {
        synctest::RadicaleProcess server;
        server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                       {"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:m-1\r\nN:Main;Mila;;;\r\nFN:Mila Main\r\n"
                        "TEL;TYPE=CELL:+79035550108\r\nEND:VCARD\r\n"});
        QVERIFY(server.start());
        QStringList boxes;
        msgbox::setResponder([&boxes](const msgbox::Shown& s) {
            boxes << s.text;
            return QMessageBox::Ok;
        });
        testdb::Folder folder;
        for (const char* file : {"English.ini", "Custom.ini", "DBgrids.en", "DBgrids.ru"})
            QFile::copy(QStringLiteral(KORVANE_BIN_DIR "/") + QLatin1String(file), folder.path() + QLatin1String(file));
        KorvaneApp app;
        TFormMain& main = app.main();
        main.show();
        const int before = app.dm().TabMain->rowCount();

        auto* exchange = main.findChild<ExchangeCommands*>();
        QVERIFY(exchange != nullptr);
        exchange->menu()->findChild<QAction*>(QStringLiteral("acSync"))->trigger();
        auto* sync = main.findChild<syncui::SyncCommands*>();
        QVERIFY(sync != nullptr);
        TFormSync* w = sync->window();
        QVERIFY(w != nullptr && w->isVisible());
        QVERIFY(main.statusBar()->isAncestorOf(sync->statusLabel()));
        QVERIFY(!sync->statusLabel()->isVisible()); // nothing to tell yet

        w->EditServer->setText(server.url());
        w->EditUser->setText(QStringLiteral("anna"));
        w->EditPassword->setText(QStringLiteral("pw"));
        QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!sync->runner().busy(), 60000);
        QCOMPARE(w->ComboBooks->count(), 1);
        QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!sync->runner().busy(), 60000);
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(u'\n')));
        // The list is read again: the server's card is there without a refresh by hand.
        QCOMPARE(app.dm().TabMain->rowCount(), before + 1);
        QVERIFY(sync->statusLabel()->isVisible());
        QCOMPARE(sync->statusLabel()->line(), w->LabelResult->text());
        // The status line follows a switch of the interface language.
        main.language()->LoadLanguage(LanguageChoice::English);
        QVERIFY(sync->statusLabel()->line().startsWith(QStringLiteral("Last sync")));
        QVERIFY(w->LabelResult->text().startsWith(QStringLiteral("Last sync")));
        QCOMPARE(w->BtnSyncNow->text(), QStringLiteral("Sync now"));
        main.language()->LoadLanguage(LanguageChoice::Russian);
        QVERIFY(sync->statusLabel()->line().startsWith(QStringLiteral("Последняя")));
        // The same entry raises the open window instead of making a second one.
        exchange->menu()->findChild<QAction*>(QStringLiteral("acSync"))->trigger();
        QCOMPARE(sync->window(), w);
        QCOMPARE(main.findChildren<TFormSync*>().size(), 1);
        msgbox::clearResponder();
    }
};

QTEST_MAIN(TestSyncMain)
#include "tst_sync_main.moc"
