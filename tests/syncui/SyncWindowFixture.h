#pragma once

// What the sync window's tests share: a database with the main window's sync, message boxes recorded
// and answered, the account typed as a user would, and cards changed on the server as a phone would.
#include "CardDavServer.h"
#include "ContactMapping.h"
#include "DMUnit.h"
#include "EngineSyncService.h"
#include "FormSync.h"
#include "IniLang.h"
#include "MessageBoxes.h"
#include "PasswordKeeper.h"
#include "PeriodicSync.h"
#include "RadicaleProcess.h"
#include "SecretStore.h"
#include "SyncCommands.h"
#include "SyncRunner.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>

using namespace syncui;
using synctest::RadicaleProcess;

namespace syncwindowtest {

constexpr int kWaitMs = 60000;

inline QByteArray card(const char* uid, const char* surname, const char* given, const char* phone) {
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nN:%2;%3;;;\r\nFN:%3 %2\r\nTEL;TYPE=CELL:%4\r\n"
                          "END:VCARD\r\n")
        .arg(QString::fromUtf8(uid), QString::fromUtf8(surname), QString::fromUtf8(given), QString::fromUtf8(phone))
        .toUtf8();
}

// Message boxes recorded; questions answered with the answer set.
struct Boxes {
    QList<msgbox::Shown> shown;
    bool answerYes = false;
    Boxes() {
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown << s;
            return answerYes ? QMessageBox::Yes : QMessageBox::No;
        });
    }
    ~Boxes() { msgbox::clearResponder(); }
    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown)
            t << s.text;
        return t;
    }
};

// The program's side: a fresh database, the main window and its sync, no secret store.
struct Desk {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm;
    QMainWindow main;
    SyncCommands* sync = nullptr;
    Desk() {
        dm = folder.openDM(ui);
        // The titles as the grids give them in the language loaded.
        auto titles = [] {
            const bool english = LangMessage(QString(), QStringLiteral("M301")).startsWith(u'S');
            QStringList t;
            for (int c = 0; c < exchange::ColumnCount; ++c)
                t << (english ? QString::fromLatin1(exchange::mapping(exchange::Column(c)).english)
                              : exchange::russianTitle(c));
            return t;
        };
        sync = new SyncCommands(std::make_unique<EngineSyncService>(cardsync::DbLogin::of(*dm->IBPhones), titles),
                                std::make_unique<NoSecretStore>(), &main);
    }
    ~Desk() { delete sync; }
    int contacts() {
        return Query(*dm->IBPhones, QStringLiteral("select count(*) from \"MAIN\"")).run({})[0][0].toInt();
    }
    QString surnameOf(const QString& given) {
        const auto rows =
            Query(*dm->IBPhones, QStringLiteral("select FAM from \"MAIN\" where FIRST_NAME = ?")).run({given});
        return rows.empty() ? QString() : rows[0][0].toString();
    }
    bool waitIdle() {
        QElapsedTimer t;
        t.start();
        while (sync->runner().busy() && t.elapsed() < kWaitMs)
            QTest::qWait(20);
        return !sync->runner().busy();
    }
};

inline void typeAccount(TFormSync& w, const QString& server, const QString& password) {
    w.EditServer->setText(server);
    w.EditUser->setText(QStringLiteral("anna"));
    w.EditPassword->setText(password);
}

// Every file under the folder whose bytes hold the text.
inline QStringList filesHolding(const QString& folder, const QString& text) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(text.toUtf8()))
            found << f.fileName();
    }
    return found;
}

// Changes a card on the server as a phone would: a PUT of the whole card, or a DELETE.
inline int sendToCard(const QByteArray& verb, const QString& url, const QByteArray& body = {}) {
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/vcard; charset=utf-8"));
    request.setRawHeader("Authorization", "Basic " + QByteArray("anna:x").toBase64());
    QNetworkReply* reply = net.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    reply->deleteLater();
    return status;
}

} // namespace syncwindowtest
