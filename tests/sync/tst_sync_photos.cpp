// Photographs in the two-way sync, each case on Radicale and on Xandikos: a server card's picture
// becomes the contact's photograph file on the desk, a desk photograph goes up inline, both compared
// by their bytes, and what the desk cannot take or has lost is never taken from the server.

#include "SyncFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace synctest;

namespace {

// A picture as the reader and the export know one: by its first bytes.
QByteArray png(char tag) {
    return QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(24, tag);
}

enum class PhotoForm { Inline30, DataUri40 };

// A card of a phone with a photograph, written the way the form says.
QByteArray photoCard(const QString& fam, const QByteArray& photo, PhotoForm form, const QString& note = {}) {
    QByteArray c = form == PhotoForm::Inline30 ? "BEGIN:VCARD\r\nVERSION:3.0\r\n" : "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    c += "UID:uid-" + fam.toUtf8() + "\r\nFN:" + fam.toUtf8() + "\r\nN:" + fam.toUtf8() + ";Anna;;;\r\n";
    if (!note.isEmpty())
        c += "NOTE:" + note.toUtf8() + "\r\n";
    if (!photo.isEmpty())
        c += form == PhotoForm::Inline30 ? "PHOTO;ENCODING=b;TYPE=PNG:" + photo.toBase64() + "\r\n"
                                         : "PHOTO:data:image/png;base64," + photo.toBase64() + "\r\n";
    c += "END:VCARD\r\n";
    return c;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

int moved(const cardsync::SyncResult& r) {
    return r.counts.createdDesk + r.counts.updatedDesk + r.counts.deletedDesk + r.counts.createdServer +
           r.counts.updatedServer + r.counts.deletedServer;
}

} // namespace

Q_DECLARE_METATYPE(PhotoForm)

class SyncPhotosTest : public QObject {
    Q_OBJECT
private:
    static void serversAndForms() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<PhotoForm>("form");
        QTest::newRow("Radicale, 3.0 inline") << ServerKind::Radicale << PhotoForm::Inline30;
        // Radicale keeps no data: URI of a 4.0 card: it stores "data:image/png\;base64" without the picture.
        QTest::newRow("Xandikos, 3.0 inline") << ServerKind::Xandikos << PhotoForm::Inline30;
        QTest::newRow("Xandikos, 4.0 data URI") << ServerKind::Xandikos << PhotoForm::DataUri40;
    }
    static void servers() { addServerRows(); }
    static QByteArray serverPhoto(Setup& s, const QString& fam) {
        for (const Phone::Card& c : s.phone->cards())
            if (c.contact.row.text(exchange::FAM) == fam)
                return c.contact.row.photo;
        return {};
    }

private Q_SLOTS:
    // The whole life of one photograph: down, unchanged, up, down again, lost on the desk, removed.
    void photographTravelsBothWays_data() { serversAndForms(); }
    void photographTravelsBothWays() {
        QFETCH(ServerKind, kind);
        QFETCH(PhotoForm, form);
        const QString fam = QStringLiteral("Arbuzova");
        Setup s(kind, {{QStringLiteral("a.vcf"), photoCard(fam, png('1'), form)}});
        QVERIFY(s.started);
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));
        QCOMPARE(first.counts.createdDesk, 1);
        // Written where the vCard import writes photographs: beside the database.
        const QString stored = s.desk.value(fam, "FOTOLINK");
        QCOMPARE(QFileInfo(stored).absolutePath(),
                 QFileInfo(s.folder.databasePath()).absolutePath() + QStringLiteral("/photos"));
        QCOMPARE(fileBytes(stored), png('1'));

        // The same bytes in another file are no change: nothing goes up.
        s.desk.set(fam, "FOTOLINK", writeFile(s.folder.path() + QStringLiteral("copy.png"), png('1')));
        const cardsync::SyncResult same = s.sync();
        QVERIFY2(same.ok, qPrintable(same.error.message));
        QCOMPARE(moved(same), 0);

        // A new photograph on the desk goes up inline.
        s.desk.set(fam, "FOTOLINK", writeFile(s.folder.path() + QStringLiteral("new.png"), png('2')));
        const cardsync::SyncResult up = s.sync();
        QVERIFY2(up.ok, qPrintable(up.error.message));
        QCOMPARE(up.counts.updatedServer, 1);
        QCOMPARE(serverPhoto(s, fam), png('2'));
        QByteArray body = s.phone->body(fam);
        QCOMPARE(body.count("PHOTO"), 1);

        // A new photograph on the phone comes down into a file of its own.
        QVERIFY(s.phone->replace(fam, photoCard(fam, png('3'), form)));
        const cardsync::SyncResult down = s.sync();
        QVERIFY2(down.ok, qPrintable(down.error.message));
        QCOMPARE(down.counts.updatedDesk, 1);
        QCOMPARE(fileBytes(s.desk.value(fam, "FOTOLINK")), png('3'));
        QCOMPARE(fileBytes(s.folder.path() + QStringLiteral("new.png")), png('2')); // the user's file stays

        // The desk's file is gone: an edit of the desk goes up, the server's photograph stays.
        QVERIFY(QFile::remove(s.desk.value(fam, "FOTOLINK")));
        s.desk.set(fam, "NOTES", QStringLiteral("edited on the desk"));
        const cardsync::SyncResult lost = s.sync();
        QVERIFY2(lost.ok, qPrintable(lost.error.message));
        QCOMPARE(lost.counts.updatedServer, 1);
        QCOMPARE(serverPhoto(s, fam), png('3'));
        QCOMPARE(s.phone->cards().first().contact.row.text(exchange::NOTES), QStringLiteral("edited on the desk"));
        const cardsync::SyncResult quiet = s.sync();
        QVERIFY2(quiet.ok, qPrintable(quiet.error.message));
        QCOMPARE(moved(quiet), 0);

        // The desk removes the photograph: the server's goes too.
        s.desk.set(fam, "FOTOLINK", QString());
        const cardsync::SyncResult removed = s.sync();
        QVERIFY2(removed.ok, qPrintable(removed.error.message));
        QCOMPARE(removed.counts.updatedServer, 1);
        QVERIFY(serverPhoto(s, fam).isEmpty());
        QVERIFY2(!s.phone->body(fam).contains("PHOTO"), s.phone->body(fam).constData());
    }

    // A desk contact with a photograph goes up with it at the first sync, and a photograph the
    // phone removes is removed from the desk.
    void deskPhotographGoesUpWithANewContact_data() { servers(); }
    void deskPhotographGoesUpWithANewContact() {
        QFETCH(ServerKind, kind);
        Setup s(kind);
        QVERIFY(s.started);
        s.desk.add(QStringLiteral("Belova"), QStringLiteral("Berta"), QStringLiteral("222"));
        s.desk.set(QStringLiteral("Belova"), "FOTOLINK",
                   writeFile(s.folder.path() + QStringLiteral("berta.png"), png('b')));
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));
        QCOMPARE(first.counts.createdServer, 1);
        QCOMPARE(serverPhoto(s, QStringLiteral("Belova")), png('b'));

        QByteArray without = s.phone->body(QStringLiteral("Belova"));
        without.replace("\r\n ", "").replace("\n ", "");
        const qsizetype at = without.indexOf("PHOTO");
        QVERIFY(at >= 0);
        without.remove(at, without.indexOf('\n', at) - at + 1);
        QVERIFY(s.phone->replace(QStringLiteral("Belova"), without));
        const cardsync::SyncResult down = s.sync();
        QVERIFY2(down.ok, qPrintable(down.error.message));
        QCOMPARE(down.counts.updatedDesk, 1);
        QVERIFY(s.desk.value(QStringLiteral("Belova"), "FOTOLINK").isEmpty());
        QCOMPARE(fileBytes(s.folder.path() + QStringLiteral("berta.png")), png('b')); // never deleted
    }

    // A photograph changed on both sides waits for the user; the side chosen wins on both sides.
    void photographChangedOnBothSidesWaits_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<bool>("keepServer");
        QTest::newRow("Radicale, keep the server's") << ServerKind::Radicale << true;
        QTest::newRow("Radicale, keep the desk's") << ServerKind::Radicale << false;
        QTest::newRow("Xandikos, keep the server's") << ServerKind::Xandikos << true;
        QTest::newRow("Xandikos, keep the desk's") << ServerKind::Xandikos << false;
    }
    void photographChangedOnBothSidesWaits() {
        QFETCH(ServerKind, kind);
        QFETCH(bool, keepServer);
        const QString fam = QStringLiteral("Gromova");
        Setup s(kind, {{QStringLiteral("g.vcf"), photoCard(fam, png('1'), PhotoForm::Inline30)}});
        QVERIFY(s.started);
        QVERIFY(s.sync().ok);
        s.desk.set(fam, "FOTOLINK", writeFile(s.folder.path() + QStringLiteral("desk.png"), png('d')));
        QVERIFY(s.phone->replace(fam, photoCard(fam, png('s'), PhotoForm::Inline30)));
        const cardsync::SyncResult r = s.sync();
        QVERIFY2(r.ok, qPrintable(r.error.message));
        QCOMPARE(r.conflicts, 1);
        // Neither side overwritten meanwhile.
        QCOMPARE(fileBytes(s.desk.value(fam, "FOTOLINK")), png('d'));
        QCOMPARE(serverPhoto(s, fam), png('s'));
        const std::vector<cardsync::SyncConflict> conflicts = cardsync::readConflicts(s.desk.login());
        QCOMPARE(conflicts.size(), size_t(1));
        QCOMPARE(conflicts[0].columns.size(), size_t(1));
        QCOMPARE(conflicts[0].columns[0].column, int(exchange::FOTOLINK));
        cardsync::resolveConflict(s.desk.login(), conflicts[0].href,
                                  keepServer ? cardsync::Side::Server : cardsync::Side::Desk);
        const cardsync::SyncResult resolved = s.sync();
        QVERIFY2(resolved.ok, qPrintable(resolved.error.message));
        QCOMPARE(resolved.conflicts, 0);
        const QByteArray kept = keepServer ? png('s') : png('d');
        QCOMPARE(fileBytes(s.desk.value(fam, "FOTOLINK")), kept);
        QCOMPARE(serverPhoto(s, fam), kept);
        QCOMPARE(moved(s.sync()), 0);
    }

    // A server photograph the desk cannot take (no picture, a link) is not written on the desk and
    // stays on the server, as written, through the desk's edits.
    void photographTheDeskCannotTakeStays_data() {
        QTest::addColumn<ServerKind>("kind");
        QTest::addColumn<QByteArray>("photoLine");
        const QByteArray notPicture = "PHOTO;ENCODING=b;TYPE=JPEG:" + QByteArray("plain text, no picture").toBase64();
        const QByteArray link = "PHOTO;VALUE=uri:https://example.org/anna.jpg";
        QTest::newRow("Radicale, no picture") << ServerKind::Radicale << notPicture;
        QTest::newRow("Radicale, a link") << ServerKind::Radicale << link;
        QTest::newRow("Xandikos, no picture") << ServerKind::Xandikos << notPicture;
        QTest::newRow("Xandikos, a link") << ServerKind::Xandikos << link;
    }
    void photographTheDeskCannotTakeStays() {
        QFETCH(ServerKind, kind);
        QFETCH(QByteArray, photoLine);
        const QString fam = QStringLiteral("Vetrova");
        QByteArray phoneCard = photoCard(fam, {}, PhotoForm::Inline30);
        phoneCard.replace("END:VCARD", photoLine + "\r\nEND:VCARD");
        Setup s(kind, {{QStringLiteral("v.vcf"), phoneCard}});
        QVERIFY(s.started);
        const cardsync::SyncResult first = s.sync();
        QVERIFY2(first.ok, qPrintable(first.error.message));
        QVERIFY(s.desk.value(fam, "FOTOLINK").isEmpty());
        QVERIFY(!QFileInfo::exists(s.folder.path() + QStringLiteral("db/photos")) ||
                QDir(s.folder.path() + QStringLiteral("db/photos")).isEmpty());
        s.desk.set(fam, "NOTES", QStringLiteral("edited on the desk"));
        const cardsync::SyncResult edit = s.sync();
        QVERIFY2(edit.ok, qPrintable(edit.error.message));
        QCOMPARE(edit.counts.updatedServer, 1);
        QByteArray body = s.phone->body(fam);
        body.replace("\r\n ", "").replace("\n ", "");
        QVERIFY2(body.contains(photoLine.mid(photoLine.indexOf(':') + 1)), body.constData());
        QVERIFY2(body.contains("edited on the desk"), body.constData());
        QCOMPARE(moved(s.sync()), 0);
    }
};

QTEST_GUILESS_MAIN(SyncPhotosTest)
#include "tst_sync_photos.moc"
