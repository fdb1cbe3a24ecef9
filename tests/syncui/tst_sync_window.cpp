// The sync window against a real Radicale on loopback, driven as a user would: the books found, a sync
// that brings the server's cards in, the password in no file, an untrusted certificate refused with its
// fingerprint and accepted on the user's yes, a conflict shown with both values and the choice applied,
// the periodic sync that neither runs twice nor shows a box. Message boxes are recorded and answered.
#include "SyncWindowFixture.h"

using namespace syncwindowtest;

class TestSyncWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (home_.path() + QStringLiteral("/data")).toUtf8());
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    void findBooksThenSyncBringsCardsIn();
    void xandikosBookFoundAndSynced();
    void conflictShowsBothSidesAndChoiceIsApplied();
    void deletedOnServerChangedOnDeskWaits();
    void columnTakesTheOtherSide();
    void untrustedCertificateRefusedThenAccepted();
    void periodicSyncNeverTwiceAndNoBox();
    void stopEndsTheSyncAsCancelled();
    void stopEndsTheSearchForBooks();
    void windowSpeaksTheLanguageLoaded_data();
    void windowSpeaksTheLanguageLoaded();

private:
    QTemporaryDir home_;
};

void TestSyncWindow::findBooksThenSyncBringsCardsIn() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Phone contacts"),
                   {card("u-1", "Петров", "Пётр", "+79161112233"), card("u-2", "Smith", "Anna", "+442071234567")});
    const QString secret = QStringLiteral("Pw-window-%1").arg(QCoreApplication::applicationPid());
    server.requireLogin(QStringLiteral("anna"), secret);
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    // A wrong password: the server's refusal in plain words, nothing found.
    typeAccount(*w, server.url(), QStringLiteral("wrong"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].kind, msgbox::Kind::Error);
    QVERIFY2(w->LabelResult->text().contains(boxes.shown[0].text), qPrintable(w->LabelResult->text()));
    QCOMPARE(w->ComboBooks->count(), 0);
    boxes.shown.clear();

    w->EditPassword->setText(secret);
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QCOMPARE(w->ComboBooks->count(), 1);
    QCOMPARE(w->ComboBooks->currentText(), QStringLiteral("Phone contacts"));
    QVERIFY(w->ComboBooks->currentData().toString().endsWith(QStringLiteral("/anna/contacts/")));

    w->RadioEvery->setChecked(true);
    w->SpinMinutes->setValue(7);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.sync->runner().busy());
    QVERIFY(!w->BtnSyncNow->isEnabled());
    QVERIFY(w->BtnCancel->isEnabled());
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QCOMPARE(desk.contacts(), 2);
    QCOMPARE(desk.surnameOf(QStringLiteral("Пётр")), QStringLiteral("Петров"));
    QVERIFY2(w->LabelResult->text().contains(QStringLiteral("2")), qPrintable(w->LabelResult->text()));
    QCOMPARE(desk.sync->statusLabel()->line(), w->LabelResult->text());
    // The interval chosen runs the periodic sync.
    QVERIFY(desk.sync->periodic().active());
    QCOMPARE(desk.sync->periodic().intervalMs(), 7 * 60 * 1000);
    // The account is kept with the database, the password is not: not in the database, the settings,
    // the program folder or the home folder.
    const Account kept = desk.sync->service().account();
    QCOMPARE(kept.user, QStringLiteral("anna"));
    QCOMPARE(kept.everyMinutes, 7);
    // Asked once per run: the window opened again knows the password typed.
    w->close();
    QTest::qWait(0);
    QCOMPARE(desk.sync->openWindow()->EditPassword->text(), secret);
    desk.dm->IBPhones->disconnect(); // everything written reaches the file
    QStringList holding = filesHolding(desk.folder.path(), secret) + filesHolding(home_.path(), secret);
    QVERIFY2(holding.isEmpty(), qPrintable(holding.join(u' ')));
}

// The same flow against Xandikos, whose discovery and answers differ from Radicale's.
void TestSyncWindow::xandikosBookFoundAndSynced() {
    carddavtest::CardDavServer server(carddavtest::ServerKind::Xandikos);
    server.seed({{QStringLiteral("x-1.vcf"), card("x-1", "Xandikos", "Xena", "+79035550109")},
                 {QStringLiteral("x-2.vcf"), card("x-2", "Second", "Sven", "+79035550110")}});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    w->EditServer->setText(server.root().toString());
    w->EditUser->setText(server.user());
    w->EditPassword->setText(QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QVERIFY(w->ComboBooks->count() >= 1);
    const int book = w->ComboBooks->findData(server.bookUrl().toString());
    QVERIFY2(book >= 0, qPrintable(w->ComboBooks->itemData(0).toString()));
    w->ComboBooks->setCurrentIndex(book);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QCOMPARE(desk.contacts(), 2);
    QCOMPARE(desk.surnameOf(QStringLiteral("Xena")), QStringLiteral("Xandikos"));
}

void TestSyncWindow::conflictShowsBothSidesAndChoiceIsApplied() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("c-1", "Orlov", "Ivan", "+79035550101")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url(), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.surnameOf(QStringLiteral("Ivan")), QStringLiteral("Orlov"));

    // The same column changed on both sides.
    Query(*desk.dm->IBPhones, QStringLiteral("update \"MAIN\" set FAM = 'Orlov-Desk' where FIRST_NAME = 'Ivan'"))
        .run({});
    desk.dm->IBPhones->commitRetaining();
    QCOMPARE(sendToCard("PUT", w->ComboBooks->currentData().toString() + QStringLiteral("card0.vcf"),
                        card("c-1", "Orlov-Server", "Ivan", "+79035550101")) /
                 100,
             2);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    // Neither side overwritten; the contact waits with both values side by side.
    QCOMPARE(desk.surnameOf(QStringLiteral("Ivan")), QStringLiteral("Orlov-Desk"));
    QCOMPARE(w->GridConflicts->rowCount(), 1);
    QVERIFY(w->GridConflicts->item(0, 0)->text().contains(QStringLiteral("Ivan")));
    int row = -1;
    for (int r = 0; r < w->GridColumns->rowCount(); ++r)
        if (w->GridColumns->item(r, 2)->text() == QStringLiteral("Orlov-Desk"))
            row = r;
    QVERIFY2(row >= 0, "the desk's value is shown");
    QCOMPARE(w->GridColumns->item(row, 3)->text(), QStringLiteral("Orlov-Server"));
    QCOMPARE(w->GridColumns->item(row, 4)->text(), QStringLiteral("Orlov"));
    QVERIFY(w->GridColumns->item(row, 2)->font().bold()); // changed on both sides: marked
    if (const QString dir = qEnvironmentVariable("KORVANE_SHOTS"); !dir.isEmpty())
        w->grab().save(dir + QStringLiteral("/sync-window-conflict.png"));

    // The choice is shown at once and applied by the next sync.
    w->GridConflicts->setCurrentCell(0, 0);
    QTest::mouseClick(w->BtnKeepServer, Qt::LeftButton);
    QCOMPARE(w->GridConflicts->item(0, 1)->text(), QStringLiteral("Оставить как на сервере"));
    QCOMPARE(desk.surnameOf(QStringLiteral("Ivan")), QStringLiteral("Orlov-Desk"));
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.surnameOf(QStringLiteral("Ivan")), QStringLiteral("Orlov-Server"));
    QCOMPARE(w->GridConflicts->rowCount(), 0);
    QCOMPARE(desk.contacts(), 1);
}

// Two columns changed on both sides: one of them may take the other side than the contact.
void TestSyncWindow::columnTakesTheOtherSide() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("c-2", "Sokolov", "Oleg", "+79035550102")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url(), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    Query(*desk.dm->IBPhones, QStringLiteral("update \"MAIN\" set FAM = 'Sokolov-Desk', CELLULAR = '+79990000001' "
                                             "where FIRST_NAME = 'Oleg'"))
        .run({});
    desk.dm->IBPhones->commitRetaining();
    QCOMPARE(sendToCard("PUT", w->ComboBooks->currentData().toString() + QStringLiteral("card0.vcf"),
                        card("c-2", "Sokolov-Server", "Oleg", "+79990000002")) /
                 100,
             2);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->GridConflicts->rowCount(), 1);
    w->GridConflicts->setCurrentCell(0, 0);
    // The surname as on the server, the rest (the mobile number) as on this computer.
    int surname = -1, mobile = -1;
    for (int r = 0; r < w->GridColumns->rowCount(); ++r) {
        if (w->GridColumns->item(r, 2)->text() == u"Sokolov-Desk")
            surname = r;
        if (w->GridColumns->item(r, 2)->text() == u"+79990000001")
            mobile = r;
    }
    QVERIFY(surname >= 0 && mobile >= 0);
    auto* keep = qobject_cast<QComboBox*>(w->GridColumns->cellWidget(surname, 1));
    QVERIFY(keep);
    keep->setCurrentIndex(keep->findData(int(Choice::KeepServer)));
    if (const QString dir = qEnvironmentVariable("KORVANE_SHOTS"); !dir.isEmpty())
        w->grab().save(dir + QStringLiteral("/sync-window-column-choice.png"));
    QTest::mouseClick(w->BtnKeepDesk, Qt::LeftButton);
    QCOMPARE(w->GridConflicts->item(0, 1)->text(), QStringLiteral("Оставить как на компьютере, кроме полей: 1"));
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->GridConflicts->rowCount(), 0);
    QCOMPARE(desk.surnameOf(QStringLiteral("Oleg")), QStringLiteral("Sokolov-Server"));
    const auto mobileNow =
        Query(*desk.dm->IBPhones, QStringLiteral("select CELLULAR from \"MAIN\" where FIRST_NAME = 'Oleg'")).run({});
    QCOMPARE(mobileNow[0][0].toString(), QStringLiteral("+79990000001"));
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
}

// The server deleted what the desk changed: the contact waits, the server's side shown as deleted;
// keeping the desk's contact puts it back on the server.
void TestSyncWindow::deletedOnServerChangedOnDeskWaits() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("d-1", "Deleted", "Dina", "+79035550107")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url() + QStringLiteral("anna/contacts/"), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.contacts(), 1);

    Query(*desk.dm->IBPhones, QStringLiteral("update \"MAIN\" set FAM = 'Kept' where FIRST_NAME = 'Dina'")).run({});
    desk.dm->IBPhones->commitRetaining();
    QCOMPARE(sendToCard("DELETE", w->ComboBooks->currentData().toString() + QStringLiteral("card0.vcf")) / 100, 2);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.contacts(), 1); // not deleted on the desk while it waits
    QCOMPARE(w->GridConflicts->rowCount(), 1);
    QVERIFY(w->GridColumns->rowCount() > 0);
    bool shownDeleted = true;
    for (int r = 0; r < w->GridColumns->rowCount(); ++r)
        shownDeleted = shownDeleted && w->GridColumns->item(r, 3)->text() == QStringLiteral("(удалён)");
    QVERIFY(shownDeleted);
    w->GridConflicts->setCurrentCell(0, 0);
    QTest::mouseClick(w->BtnKeepDesk, Qt::LeftButton);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->GridConflicts->rowCount(), 0);
    QCOMPARE(desk.surnameOf(QStringLiteral("Dina")), QStringLiteral("Kept"));
    QVERIFY2(w->LabelResult->text().contains(QStringLiteral("на сервер: 1")), qPrintable(w->LabelResult->text()));
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
}

void TestSyncWindow::untrustedCertificateRefusedThenAccepted() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("t-1", "Tls", "Tom", "+79035550102")});
    const QString fingerprint = server.makeCertificate();
    QVERIFY(fingerprint.count(u':') == 31);
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url(), QStringLiteral("pw"));

    // Refused: the question shows the fingerprint; no book is found.
    boxes.answerYes = false;
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY2(boxes.shown[0].text.contains(fingerprint, Qt::CaseInsensitive), qPrintable(boxes.shown[0].text));
    QCOMPARE(w->ComboBooks->count(), 0);

    // Accepted: the books are found and the fingerprint is kept with the account.
    boxes.shown.clear();
    boxes.answerYes = true;
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(w->ComboBooks->count(), 1);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(boxes.shown.size(), 1); // the accepted certificate is not asked about again
    QCOMPARE(desk.contacts(), 1);
    QCOMPARE(desk.sync->service().account().acceptedFingerprint.toUpper(), fingerprint);

    // Another certificate later: refused again, with the question that says it changed.
    server.stop();
    const QString other = server.makeCertificate();
    QVERIFY(other != fingerprint);
    QVERIFY(server.start());
    boxes.shown.clear();
    boxes.answerYes = false;
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY(boxes.shown[0].text.contains(other, Qt::CaseInsensitive));
    QVERIFY2(boxes.shown[0].text.contains(QStringLiteral("изменился")), qPrintable(boxes.shown[0].text));
    QCOMPARE(desk.sync->service().account().acceptedFingerprint.toUpper(), fingerprint);
    // The periodic sync meets the same certificate: refused without a question, told in the status bar.
    boxes.shown.clear();
    desk.sync->passwords().remember(accountKey(w->EditServer->text(), QStringLiteral("anna")), QStringLiteral("pw"));
    desk.sync->periodic().setAccount(desk.sync->service().account());
    QVERIFY(desk.sync->periodic().runDue());
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QVERIFY2(desk.sync->statusLabel()->line().startsWith(QStringLiteral("Синхронизация не удалась")),
             qPrintable(desk.sync->statusLabel()->line()));

    // Another server typed: the book and the certificate of the old one are not carried over.
    boxes.shown.clear();
    w->EditServer->clear();
    QTest::keyClicks(w->EditServer, QStringLiteral("https://127.0.0.1:1/"));
    QCOMPARE(w->ComboBooks->count(), 0);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(!desk.sync->runner().busy());
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY2(boxes.shown[0].text.contains(QStringLiteral("Найти адресные книги")), qPrintable(boxes.shown[0].text));
    QCOMPARE(w->accountFromFields().acceptedFingerprint, QString());
    // Nothing answers there: the old server's book is still not synced under the new name.
    boxes.shown.clear();
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->ComboBooks->count(), 0);
    QCOMPARE(w->accountFromFields().bookUrl, QString());
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(!desk.sync->runner().busy());
    QVERIFY(boxes.shown.last().text.contains(QStringLiteral("Найти адресные книги")));
}

void TestSyncWindow::periodicSyncNeverTwiceAndNoBox() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("p-1", "Periodic", "Paul", "+79035550103")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    Account account;
    account.server = server.url();
    account.user = QStringLiteral("anna");
    account.bookUrl = server.url() + QStringLiteral("anna/contacts/");
    account.everyMinutes = 1;
    desk.sync->service().saveAccount(account);
    desk.sync->periodic().setAccount(account);
    // The password was not asked in this run: the periodic sync waits and says so in the status bar.
    QVERIFY(!desk.sync->periodic().runDue());
    QVERIFY(desk.sync->statusLabel()->line().contains(QStringLiteral("пароля")));
    desk.sync->passwords().remember(accountKey(account.server, account.user), QStringLiteral("pw"));
    QVERIFY(desk.sync->periodic().runDue());
    QVERIFY(!desk.sync->periodic().runDue()); // one sync at a time
    QVERIFY(!desk.sync->runner().startSync(account, QStringLiteral("pw")));
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.contacts(), 1);
    // The window opened afterwards tells the result of that sync.
    QCOMPARE(desk.sync->openWindow()->LabelResult->text(), desk.sync->statusLabel()->line());

    // A periodic sync that fails tells the status bar, never a box.
    server.stop();
    QVERIFY(desk.sync->periodic().runDue());
    QVERIFY(desk.waitIdle());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
    QVERIFY2(desk.sync->statusLabel()->line().startsWith(QStringLiteral("Синхронизация не удалась")),
             qPrintable(desk.sync->statusLabel()->line()));
}

void TestSyncWindow::stopEndsTheSyncAsCancelled() {
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("s-1", "Stop", "Sam", "+79035550104")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url() + QStringLiteral("anna/contacts/"), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->ComboBooks->count(), 1); // a full address book URL is taken as it is
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QTest::mouseClick(w->BtnCancel, Qt::LeftButton); // before the run's first step
    QVERIFY(desk.waitIdle());
    QVERIFY2(w->LabelResult->text().startsWith(QStringLiteral("Синхронизация отменена")),
             qPrintable(w->LabelResult->text()));
    QVERIFY(!w->BtnCancel->isEnabled());
    // Nothing half-done counted: the next sync brings the card in, once.
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(desk.contacts(), 1);
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
}

// A server that takes the connection and never answers: the search for its books waits for the
// request's timeout unless the user stops it, which ends it at once with nothing found and no box.
void TestSyncWindow::stopEndsTheSearchForBooks() {
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort()), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.sync->runner().busy());
    QVERIFY(w->BtnCancel->isEnabled());
    QTRY_VERIFY(silent.hasPendingConnections()); // the request is under way
    QTest::mouseClick(w->BtnCancel, Qt::LeftButton);
    QElapsedTimer stopped;
    stopped.start();
    while (desk.sync->runner().busy() && stopped.elapsed() < 10000) // the request's own timeout is 30 s
        QTest::qWait(20);
    QVERIFY(!desk.sync->runner().busy());
    QCOMPARE(w->LabelResult->text(), QStringLiteral("Поиск адресных книг прерван"));
    if (const QString dir = qEnvironmentVariable("KORVANE_SHOTS"); !dir.isEmpty())
        w->grab().save(dir + QStringLiteral("/sync-window-search-stopped.png"));
    QCOMPARE(w->ComboBooks->count(), 0);
    QVERIFY(w->BtnFindBooks->isEnabled());
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join(u'\n')));
}

void TestSyncWindow::windowSpeaksTheLanguageLoaded_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("en") << QStringLiteral("English.ini");
    QTest::newRow("ru") << QStringLiteral("Custom.ini");
}

// Every text of the window from the language file loaded while the window is open, a conflict on show;
// KORVANE_SHOTS=DIR writes the window's picture in each language for looking at.
void TestSyncWindow::windowSpeaksTheLanguageLoaded() {
    QFETCH(QString, file);
    QFile lang(QStringLiteral(KORVANE_BIN_DIR "/") + file);
    QVERIFY(lang.open(QIODevice::ReadOnly));
    SetCurrentLangFile(nullptr); // the window is opened in the program's own language
    RadicaleProcess server;
    server.addBook(QStringLiteral("anna"), QStringLiteral("contacts"), QStringLiteral("Contacts"),
                   {card("l-1", "Lang", "Lena", "+79035550105"), card("l-2", "Other", "Olga", "+79035550106")});
    QVERIFY(server.start());
    Boxes boxes;
    Desk desk;
    TFormSync* w = desk.sync->openWindow();
    typeAccount(*w, server.url(), QStringLiteral("pw"));
    QTest::mouseClick(w->BtnFindBooks, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    Query(*desk.dm->IBPhones, QStringLiteral("update \"MAIN\" set FAM = 'Lang-Desk' where FIRST_NAME = 'Lena'"))
        .run({});
    desk.dm->IBPhones->commitRetaining();
    QVERIFY(sendToCard("PUT", w->ComboBooks->currentData().toString() + QStringLiteral("card0.vcf"),
                       card("l-1", "Lang-Phone", "Lena", "+79035550105")) /
                100 ==
            2);
    QTest::mouseClick(w->BtnSyncNow, Qt::LeftButton);
    QVERIFY(desk.waitIdle());
    QCOMPARE(w->GridConflicts->rowCount(), 1);
    w->GridConflicts->setCurrentCell(0, 0);
    // The language is switched while the window is open.
    SetCurrentLangFile(std::make_unique<LangFile>(lang.readAll()));
    desk.sync->languageChanged();
    QCOMPARE(w->GridConflicts->rowCount(), 1);
    QVERIFY2(w->LabelResult->text().contains(QStringLiteral(": 1.")), qPrintable(w->LabelResult->text()));

    static const QRegularExpression cyrillic(QStringLiteral("\\p{Cyrillic}"));
    const bool english = file == QStringLiteral("English.ini");
    QStringList texts{w->windowTitle()};
    for (QLabel* l : w->findChildren<QLabel*>())
        texts << l->text();
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        texts << b->text();
    for (QGroupBox* g : w->findChildren<QGroupBox*>())
        texts << g->title();
    for (QTableWidget* t : {w->GridConflicts, w->GridColumns})
        for (int c = 0; c < t->columnCount(); ++c)
            texts << t->horizontalHeaderItem(c)->text();
    texts << w->GridConflicts->item(0, 1)->text() << w->GridColumns->item(0, 0)->text() << w->LabelResult->text();
    for (const QString& t : texts)
        QVERIFY2(cyrillic.match(t).hasMatch() != english || t.isEmpty(), qPrintable(t));
    SetCurrentLangFile(nullptr);
    if (const QString dir = qEnvironmentVariable("KORVANE_SHOTS"); !dir.isEmpty()) {
        QDir().mkpath(dir);
        w->grab().save(dir + QStringLiteral("/sync-window-%1.png").arg(english ? u"en" : u"ru"));
    }
}

QTEST_MAIN(TestSyncWindow)
#include "tst_sync_window.moc"
