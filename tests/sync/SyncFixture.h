#pragma once

// What the sync tests share: a fresh contact database with a sync account on a server started for
// the test, the desk side changed through SQL as the program's windows would store it, and the
// server side changed as a phone would, through plain CardDAV requests.

#include "CardDavClient.h"
#include "CardDavServer.h"
#include "ContactMapping.h"
#include "FbClient.h"
#include "SyncEngine.h"
#include "SyncStore.h"
#include "TestDatabase.h"

#include <QMap>
#include <memory>

namespace synctest {

// The rows of a case run on each server.
inline void addServerRows() {
    QTest::addColumn<carddavtest::ServerKind>("kind");
    QTest::newRow("Radicale") << carddavtest::ServerKind::Radicale;
    QTest::newRow("Xandikos") << carddavtest::ServerKind::Xandikos;
}

using carddavtest::CardDavServer;
using carddavtest::ServerKind;

inline QByteArray card(const QString& uid, const QString& fam, const QString& first, const QString& tel,
                       const QString& note = {}) {
    QByteArray c = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    c += "UID:" + uid.toUtf8() + "\r\n";
    c += "FN:" + (first + u' ' + fam).toUtf8() + "\r\n";
    c += "N:" + fam.toUtf8() + ";" + first.toUtf8() + ";;;\r\n";
    if (!tel.isEmpty())
        c += "TEL;TYPE=WORK,VOICE:" + tel.toUtf8() + "\r\n";
    if (!note.isEmpty())
        c += "NOTE:" + note.toUtf8() + "\r\n";
    c += "END:VCARD\r\n";
    return c;
}

// The desk: the contact database, read and written with SQL on a connection of its own per call (a
// copy of the program in another process must be able to open the file in between).
class Desk {
public:
    explicit Desk(QString path) : path_(std::move(path)) {}
    cardsync::DbLogin login() const { return {path_, QStringLiteral("SYSDBA"), QStringLiteral("masterkey")}; }

    int add(const QString& fam, const QString& first, const QString& tel, const QString& notes = {}) {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement key(db, tr, QStringLiteral("execute procedure SETMAINPRIMARYKEY"));
        key.execute();
        const int num = int(key.integer(0));
        fb::Statement st(
            db, tr,
            QStringLiteral("insert into MAIN (NUM_MAIN, FAM, FIRST_NAME, JOB_TEL1, NOTES) values (?, ?, ?, ?, ?)"));
        st.setParam(0, num);
        st.setParam(1, fam);
        st.setParam(2, first);
        st.setParam(3, tel.isEmpty() ? QVariant() : QVariant(tel));
        st.setParam(4, notes.isEmpty() ? QVariant() : QVariant(notes));
        st.execute();
        tr.commit();
        return num;
    }
    void set(const QString& fam, const char* field, const QString& value) {
        run(QStringLiteral("update MAIN set %1 = ? where FAM = ?").arg(QLatin1String(field)), {value, fam});
    }
    void remove(const QString& fam) { run(QStringLiteral("delete from MAIN where FAM = ?"), {fam}); }
    QString value(const QString& fam, const char* field) const {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr, QStringLiteral("select %1 from MAIN where FAM = ?").arg(QLatin1String(field)));
        st.setParam(0, fam);
        st.execute();
        return st.fetch() ? st.value(0).toString() : QString();
    }

    // "FAM|FIRST_NAME|JOB_TEL1|NOTES" of every contact, sorted.
    QStringList contacts() const {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr, QStringLiteral("select FAM, FIRST_NAME, JOB_TEL1, NOTES from MAIN"));
        st.execute();
        QStringList out;
        while (st.fetch())
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(st.value(0).toString(), st.value(1).toString(), st.value(2).toString(),
                            st.value(3).toString());
        out.sort();
        return out;
    }

private:
    void run(const QString& sql, const std::vector<QVariant>& params) {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr, sql);
        for (size_t i = 0; i < params.size(); ++i)
            st.setParam(int(i), params[i]);
        st.execute();
        tr.commit();
    }
    QString path_;
};

// The server as a phone sees it.
class Phone {
public:
    explicit Phone(const CardDavServer& server)
        : server_(server), client_(cardsync::ServerLogin{server.user(), QStringLiteral("pw"), {}, 10000}) {}

    struct Card {
        QString etag;
        exchange::ImportedContact contact;
    };
    // Every card of a contact: path -> (ETag, contact); group cards with groups set.
    QMap<QString, Card> cards(bool groups = false) {
        QMap<QString, Card> out;
        const cardsync::DavResponse list = client_.propfind(
            server_.bookUrl(), 1,
            "<?xml version=\"1.0\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>");
        for (const cardsync::DavEntry& e : cardsync::parseMultiStatus(list.body).entries) {
            if (e.href.endsWith(u'/'))
                continue;
            const cardsync::DavResponse got = client_.get(urlOf(e.href));
            const auto parsed = vcard::parse(got.body);
            if (parsed.empty())
                continue;
            exchange::ImportedContact c = exchange::contactFromCard(parsed.front());
            if (c.groupOnly == groups)
                out.insert(e.href, {got.etag, std::move(c)});
        }
        return out;
    }
    // Every group card: path -> (ETag, card), its members in contact.members.
    QMap<QString, Card> groupCards() { return cards(true); }
    // "FAM|FIRST_NAME|JOB_TEL1|NOTES" of every card, sorted, as the desk lists its contacts.
    QStringList contacts() {
        QStringList out;
        for (const Card& c : cards()) {
            const exchange::ContactRow& r = c.contact.row;
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(r.text(exchange::FAM), r.text(exchange::FIRST_NAME), r.text(exchange::JOB_TEL1),
                            r.text(exchange::NOTES));
        }
        out.sort();
        return out;
    }
    QString hrefOf(const QString& fam) {
        const auto all = cards();
        for (auto it = all.begin(); it != all.end(); ++it)
            if (it->contact.row.text(exchange::FAM) == fam)
                return it.key();
        return {};
    }
    bool add(const QString& name, const QByteArray& vcard) {
        return client_.putNew(server_.bookUrl().resolved(QUrl(name)), vcard).ok();
    }
    // Replaces the card of the contact with that surname.
    bool replace(const QString& fam, const QByteArray& vcard) {
        const QString href = hrefOf(fam);
        const cardsync::DavResponse got = client_.get(urlOf(href));
        return client_.putChanged(urlOf(href), vcard, got.etag).ok();
    }
    // Replaces the card at that path.
    bool replaceAt(const QString& href, const QByteArray& vcard) {
        const cardsync::DavResponse got = client_.get(urlOf(href));
        return client_.putChanged(urlOf(href), vcard, got.etag).ok();
    }
    bool remove(const QString& fam) {
        const QString href = hrefOf(fam);
        const cardsync::DavResponse got = client_.get(urlOf(href));
        return client_.remove(urlOf(href), got.etag).ok();
    }
    // The card of the contact with that surname as the server keeps it.
    QByteArray body(const QString& fam) { return client_.get(urlOf(hrefOf(fam))).body; }
    // The UID of the card of the contact with that surname.
    QString uidOf(const QString& fam) {
        for (const Card& c : cards())
            if (c.contact.row.text(exchange::FAM) == fam)
                return c.contact.uid;
        return {};
    }

private:
    QUrl urlOf(const QString& href) const {
        QUrl u = server_.root();
        u.setPath(href, QUrl::DecodedMode);
        return u;
    }
    const CardDavServer& server_;
    cardsync::CardDavClient client_;
};

// A database with an account on a server of the kind given.
class Setup {
public:
    // loginRequired: Radicale asks for the password the sync gives ("pw").
    explicit Setup(ServerKind kind, const QList<QPair<QString, QByteArray>>& seed = {}, bool loginRequired = false)
        : server(kind), desk(folder.databasePath()) {
        if (!seed.isEmpty())
            server.seed(seed);
        if (loginRequired)
            server.requireLogin(QStringLiteral("pw"));
        started = server.start();
        setAccount(server.bookUrl());
        phone = std::make_unique<Phone>(server);
    }
    void setAccount(const QUrl& book) {
        cardsync::SyncAccount a;
        a.serverUrl = server.root().toString();
        a.userName = server.user();
        a.bookUrl = book.toString();
        cardsync::writeAccount(desk.login(), a);
    }
    cardsync::SyncResult sync() { return cardsync::runSync(desk.login(), QStringLiteral("pw"), {}, nullptr); }

    testdb::Folder folder;
    CardDavServer server;
    Desk desk;
    std::unique_ptr<Phone> phone;
    bool started = false;
};

} // namespace synctest
