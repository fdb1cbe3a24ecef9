// Group cards in the two-way sync, each case on Radicale and on Xandikos: a desk group goes up as a
// group card naming its contacts by UID and is kept current when contacts move; a server group card's
// MEMBER list puts the contacts it names into its group on the desk.

#include "GroupCards.h"
#include "GroupMembers.h"
#include "SyncFixture.h"

#include <QtTest>

using namespace synctest;

namespace {

// The desk's groups by name (top-level groups only, as these cases use).
class DeskGroups {
public:
    explicit DeskGroups(QString path) : path_(std::move(path)) {}
    // Puts the contact with that surname into the group of that name; none for an empty name.
    void put(const QString& fam, const QString& group) {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr,
                         QStringLiteral("update MAIN set GR_NUM = (select min(GR_NUM) from GROUPS where GROUP_NAME = "
                                        "?) where FAM = ?"));
        st.setParam(0, group);
        st.setParam(1, fam);
        st.execute();
        tr.commit();
    }
    // The name of the contact's group; empty for none.
    QString of(const QString& fam) const {
        fb::Attachment db;
        db.attach(path_, QStringLiteral("SYSDBA"), QString());
        fb::Transaction tr;
        tr.start(db);
        fb::Statement st(db, tr,
                         QStringLiteral("select g.GROUP_NAME from MAIN m left join GROUPS g on g.GR_NUM = m.GR_NUM "
                                        "where m.FAM = ?"));
        st.setParam(0, fam);
        st.execute();
        return st.fetch() ? st.value(0).toString() : QStringLiteral("?");
    }

private:
    QString path_;
};

// Group path -> the surnames of the members its card names, sorted.
QMap<QString, QStringList> membersOnServer(Phone& phone) {
    QHash<QString, QString> famOfUid;
    for (const Phone::Card& c : phone.cards())
        famOfUid.insert(exchange::memberKey(c.contact.uid), c.contact.row.text(exchange::FAM));
    QMap<QString, QStringList> out;
    for (const Phone::Card& g : phone.groupCards()) {
        QStringList names;
        for (const QString& m : g.contact.members)
            names << famOfUid.value(exchange::memberKey(m), exchange::memberKey(m));
        names.sort();
        out.insert(g.contact.row.groupPath, names);
    }
    return out;
}

QByteArray groupCard(bool v4, const QString& name, const QStringList& memberUids) {
    QByteArray c = v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\n"
                      : "BEGIN:VCARD\r\nVERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n";
    c += "UID:group-" + name.toUtf8() + "\r\nFN:" + name.toUtf8() + "\r\n";
    if (!v4)
        c += "N:" + name.toUtf8() + ";;;;\r\n";
    for (const QString& uid : memberUids)
        c += (v4 ? "MEMBER:urn:uuid:" : "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:") + uid.toUtf8() + "\r\n";
    c += "END:VCARD\r\n";
    return c;
}

QByteArray plainCard(const QString& fam, const QString& category = {}) {
    QByteArray c = card(QStringLiteral("uid-") + fam.toLower(), fam, QStringLiteral("Ivan"), QString());
    if (!category.isEmpty())
        c.replace("END:VCARD", "CATEGORIES:" + category.toUtf8() + "\r\nEND:VCARD");
    return c;
}

cardsync::SyncResult synced(Setup& s) {
    cardsync::SyncResult r = s.sync();
    if (!r.ok)
        qWarning() << r.error.message;
    return r;
}

} // namespace

class SyncGroupsTest : public QObject {
    Q_OBJECT
private:
    static void servers() { addServerRows(); }
    static void serversAndVersions() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<bool>("v4");
        QTest::newRow("Radicale, 3.0 X-ADDRESSBOOKSERVER") << ServerKind::Radicale << false;
        QTest::newRow("Radicale, 4.0 KIND:group") << ServerKind::Radicale << true;
        QTest::newRow("Xandikos, 3.0 X-ADDRESSBOOKSERVER") << ServerKind::Xandikos << false;
        QTest::newRow("Xandikos, 4.0 KIND:group") << ServerKind::Xandikos << true;
    }

private Q_SLOTS:
    // A desk group with contacts goes up as a group card; moves on the desk change its member list; a
    // group left empty loses its card.
    void deskGroupGoesUpAsGroupCard_data() { servers(); }
    void deskGroupGoesUpAsGroupCard() {
        QFETCH(ServerKind, kind);
        Setup s(kind);
        QVERIFY(s.started);
        DeskGroups groups(s.folder.databasePath());
        s.desk.add(QStringLiteral("Arbuzov"), QStringLiteral("Anton"), QStringLiteral("111"));
        s.desk.add(QStringLiteral("Belov"), QStringLiteral("Boris"), QStringLiteral("222"));
        s.desk.add(QStringLiteral("Vetrov"), QStringLiteral("Viktor"), QStringLiteral("333"));
        groups.put(QStringLiteral("Arbuzov"), QStringLiteral("Работа"));
        groups.put(QStringLiteral("Belov"), QStringLiteral("Работа"));
        const cardsync::SyncResult first = synced(s);
        QVERIFY(first.ok);
        QCOMPARE(first.counts.createdServer, 3);
        using Members = QMap<QString, QStringList>;
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("Работа"), {QStringLiteral("Arbuzov"), QStringLiteral("Belov")}}}));
        const cardsync::SyncResult quiet = synced(s);
        QVERIFY(quiet.ok);
        QCOMPARE(quiet.counts.groupCards, 0);

        // Belov moves to another group, Vetrov joins one.
        groups.put(QStringLiteral("Belov"), QStringLiteral("Друзья"));
        groups.put(QStringLiteral("Vetrov"), QStringLiteral("Работа"));
        const cardsync::SyncResult moved = synced(s);
        QVERIFY(moved.ok);
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("Друзья"), {QStringLiteral("Belov")}},
                          {QStringLiteral("Работа"), {QStringLiteral("Arbuzov"), QStringLiteral("Vetrov")}}}));
        QCOMPARE(s.phone->cards().size(), 3);

        // The group left empty loses its card.
        groups.put(QStringLiteral("Belov"), QString());
        QVERIFY(synced(s).ok);
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("Работа"), {QStringLiteral("Arbuzov"), QStringLiteral("Vetrov")}}}));
        QCOMPARE(synced(s).counts.groupCards, 0);
    }

    // A phone's group card puts the contacts it names into its group; the card is then kept current
    // by the desk; a contact the card adds later moves, one it drops leaves.
    void serverGroupCardPlacesItsMembers_data() { serversAndVersions(); }
    void serverGroupCardPlacesItsMembers() {
        QFETCH(ServerKind, kind);
        QFETCH(bool, v4);
        Setup s(kind,
                {{QStringLiteral("x.vcf"), plainCard(QStringLiteral("Xenin"))},
                 {QStringLiteral("y.vcf"), plainCard(QStringLiteral("Yakovlev"), QStringLiteral("Семья"))},
                 {QStringLiteral("z.vcf"), plainCard(QStringLiteral("Zotov"))},
                 {QStringLiteral("clients.vcf"), groupCard(v4, QStringLiteral("Clients"),
                                                           {QStringLiteral("uid-xenin"), QStringLiteral("uid-yakovlev"),
                                                            QStringLiteral("somebody-else")})}});
        QVERIFY(s.started);
        DeskGroups groups(s.folder.databasePath());
        QVERIFY(synced(s).ok);
        QCOMPARE(groups.of(QStringLiteral("Xenin")), QStringLiteral("Clients"));
        QCOMPARE(groups.of(QStringLiteral("Yakovlev")), QStringLiteral("Семья")); // its own CATEGORIES win
        QCOMPARE(groups.of(QStringLiteral("Zotov")), QString());
        QVERIFY(synced(s).ok); // Xenin's new group goes up on its own card
        using Members = QMap<QString, QStringList>;
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("Clients"), {QStringLiteral("Xenin"), QStringLiteral("somebody-else")}},
                          {QStringLiteral("Семья"), {QStringLiteral("Yakovlev")}}}));
        QCOMPARE(s.phone->cards().value(s.phone->hrefOf(QStringLiteral("Xenin"))).contact.row.groupPath,
                 QStringLiteral("Clients"));

        // The phone adds Zotov to its card and drops Xenin.
        const auto cards = s.phone->groupCards();
        QString clientsHref;
        for (auto it = cards.begin(); it != cards.end(); ++it)
            if (it->contact.row.groupPath == u"Clients")
                clientsHref = it.key();
        QVERIFY(!clientsHref.isEmpty());
        QVERIFY(
            s.phone->replaceAt(clientsHref, groupCard(v4, QStringLiteral("Clients"),
                                                      {QStringLiteral("uid-zotov"), QStringLiteral("somebody-else")})));
        const cardsync::SyncResult r = synced(s);
        QVERIFY(r.ok);
        QCOMPARE(groups.of(QStringLiteral("Zotov")), QStringLiteral("Clients"));
        QCOMPARE(groups.of(QStringLiteral("Xenin")), QString());
        QVERIFY(synced(s).ok);
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("Clients"), {QStringLiteral("Zotov"), QStringLiteral("somebody-else")}},
                          {QStringLiteral("Семья"), {QStringLiteral("Yakovlev")}}}));
        const cardsync::SyncResult quiet = synced(s);
        QVERIFY(quiet.ok);
        QCOMPARE(quiet.counts.groupCards + quiet.counts.updatedServer + quiet.counts.updatedDesk, 0);

        // A contact deleted on the desk leaves the card; the member the desk never knew stays.
        s.desk.remove(QStringLiteral("Zotov"));
        QVERIFY(synced(s).ok);
        QCOMPARE(membersOnServer(*s.phone), (Members{{QStringLiteral("Clients"), {QStringLiteral("somebody-else")}},
                                                     {QStringLiteral("Семья"), {QStringLiteral("Yakovlev")}}}));
    }

    // A contact two group cards name at once joins the group whose path comes first.
    void contactInTwoGroupCards_data() { servers(); }
    void contactInTwoGroupCards() {
        QFETCH(ServerKind, kind);
        Setup s(kind,
                {{QStringLiteral("w.vcf"), plainCard(QStringLiteral("Walter"))},
                 {QStringLiteral("b.vcf"), groupCard(false, QStringLiteral("B-team"), {QStringLiteral("uid-walter")})},
                 {QStringLiteral("a.vcf"), groupCard(true, QStringLiteral("A-team"), {QStringLiteral("uid-walter")})}});
        QVERIFY(s.started);
        DeskGroups groups(s.folder.databasePath());
        QVERIFY(synced(s).ok);
        QCOMPARE(groups.of(QStringLiteral("Walter")), QStringLiteral("A-team"));
        QVERIFY(synced(s).ok);
        // The desk's one group per contact goes back to the cards.
        using Members = QMap<QString, QStringList>;
        QCOMPARE(membersOnServer(*s.phone),
                 (Members{{QStringLiteral("A-team"), {QStringLiteral("Walter")}}, {QStringLiteral("B-team"), {}}}));
    }

    // The member lines of a card are replaced in the form its version uses; other lines stay.
    void membersAreWrittenInTheCardsForm_data() {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("3.0") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nFN:G\r\n"
                                           "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:old\r\nX-OWN:kept\r\nEND:VCARD\r\n")
                             << QByteArray(
                                    "BEGIN:VCARD\r\nVERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nFN:G\r\n"
                                    "X-OWN:kept\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:new-1\r\n"
                                    "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:urn:korvane:contact:5\r\nEND:VCARD\r\n");
        QTest::newRow("4.0, folded member") << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:G\r\n"
                                                          "MEMBER:urn:uuid:o\r\n ld\r\nEND:VCARD\r\n")
                                            << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:G\r\n"
                                                          "MEMBER:urn:uuid:new-1\r\nMEMBER:urn:korvane:contact:5\r\n"
                                                          "END:VCARD\r\n");
    }
    void membersAreWrittenInTheCardsForm() {
        QFETCH(QByteArray, card);
        QFETCH(QByteArray, expected);
        QCOMPARE(cardsync::withMembers(card, {QStringLiteral("new-1"), QStringLiteral("urn:korvane:contact:5")}),
                 expected);
    }
};

QTEST_GUILESS_MAIN(SyncGroupsTest)
#include "tst_sync_groups.moc"
