// Reading one vCard into a contact row: which property goes into which column, typed values first,
// labels of item groups, photographs, notes and what has no place.
#include "ContactMapping.h"

#include "Cp1251.h"
#include "PhoneCompact.h"
#include "PlacingOrder.h"
#include "ValueFit.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <climits>

namespace exchange {
namespace {

// Types a label of an item group speaks of ("_$!<Mobile>!$_", "work fax", "Сотовый").
QStringList labelTypes(const QString& label) {
    QString l = label.toLower();
    l.remove(QStringLiteral("_$!<")).remove(QStringLiteral(">!$_"));
    QStringList t;
    auto has = [&](const char* w) { return l.contains(QString::fromUtf8(w)); };
    if (has("mobile") || has("cell") || has("iphone") || has("моб") || has("сот"))
        t << QStringLiteral("cell");
    if (has("fax") || has("факс"))
        t << QStringLiteral("fax");
    if (has("pager") || has("пейдж") || has("пэйдж"))
        t << QStringLiteral("pager");
    if (has("home") || has("дом"))
        t << QStringLiteral("home");
    if (has("work") || has("раб"))
        t << QStringLiteral("work");
    return t;
}

QString photoSuffixFromType(const QString& type) {
    const QString t = type.toLower();
    if (t.contains(u"jpeg") || t.contains(u"jpg"))
        return QStringLiteral("jpg");
    if (t.contains(u"png"))
        return QStringLiteral("png");
    if (t.contains(u"gif"))
        return QStringLiteral("gif");
    if (t.contains(u"bmp"))
        return QStringLiteral("bmp");
    return {};
}

constexpr qsizetype kMaxPhoto = 16 * 1024 * 1024;

// An address component written over several lines goes into a one-line column with ", " between them.
QString oneLine(const QString& s) {
    if (!s.contains(u'\n') && !s.contains(u'\r'))
        return s.trimmed();
    QStringList lines;
    for (const QString& line : s.split(QRegularExpression(QStringLiteral("\r\n|\n|\r"))))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines.join(QStringLiteral(", "));
}

class CardReader {
public:
    explicit CardReader(ImportedContact& out) : ic_(out), r_(out.row) {}

    void read(const vcard::Card& card) {
        for (const vcard::Property& p : card.properties)
            if (p.name == u"X-ABLABEL" && !p.group.isEmpty())
                labels_.insert(p.group.toLower(), vcard::unescape(p.value));
        for (const vcard::Property* p :
             placingOrder(card.properties, [this](const vcard::Property& p) { return typesOf(p); }))
            readProperty(*p);
        finish();
    }

private:
    QStringList typesOf(const vcard::Property& p) const {
        QStringList t = p.types();
        if (!p.group.isEmpty()) {
            const auto it = labels_.constFind(p.group.toLower());
            if (it != labels_.constEnd())
                t << labelTypes(*it);
        }
        return t;
    }

    // The column that the value names through the field parameter, if it belongs to this property.
    int namedColumn(const vcard::Property& p) const {
        const QStringList named = p.param(QString::fromLatin1(kFieldParam));
        if (named.isEmpty())
            return -1;
        const int c = columnOfField(named.front());
        if (c < 0 || QString::fromLatin1(mapping(Column(c)).property) != p.name)
            return -1;
        return r_.isEmpty(Column(c)) ? c : -1;
    }

    void setOnce(Column c, const QString& v, const QString& propertyName) {
        if (v.isEmpty())
            return;
        if (r_.isEmpty(c))
            r_.set(c, v);
        else if (r_.text(c) != v)
            ic_.notes << QStringLiteral("%1: %2").arg(propertyName, v);
    }

    void readProperty(const vcard::Property& p) {
        const QString& n = p.name;
        if (n == u"BEGIN" || n == u"END" || n == u"VERSION" || n == u"PRODID" || n == u"REV" || n == u"X-ABLABEL" ||
            n == u"CLIENTPIDMAP")
            return;
        if (n == u"UID") {
            if (ic_.uid.isEmpty())
                ic_.uid = vcard::unescape(p.value).trimmed();
            return;
        }
        if (n == u"MEMBER" || n == u"X-ADDRESSBOOKSERVER-MEMBER") {
            const QString member = vcard::unescape(p.value).trimmed();
            if (!member.isEmpty())
                ic_.members << member;
            return;
        }
        if (n == u"KIND" || n == u"X-ADDRESSBOOKSERVER-KIND") {
            const QString k = p.value.trimmed().toLower();
            kindGroup_ = kindGroup_ || k == u"group";
            kindOrg_ = kindOrg_ || k == u"org";
            return;
        }
        if (n == u"FN") {
            if (fn_.isEmpty())
                fn_ = vcard::unescape(p.value).trimmed();
            return;
        }
        if (n == u"N") {
            const QStringList parts = vcard::splitValue(p.value, u';');
            haveN_ = true;
            setOnce(FAM, parts.value(0).trimmed(), n);
            setOnce(FIRST_NAME, parts.value(1).trimmed(), n);
            setOnce(MID_NAME, parts.value(2).trimmed(), n);
            for (int i = 3; i < parts.size(); ++i)
                if (!parts[i].trimmed().isEmpty())
                    ic_.notes << QStringLiteral("N: %1").arg(parts[i].trimmed());
            return;
        }
        if (n == u"ORG") {
            const QStringList parts = vcard::splitValue(p.value, u';');
            setOnce(JOB_ORG, parts.value(0).trimmed(), n);
            QStringList units;
            for (int i = 1; i < parts.size(); ++i)
                if (!parts[i].trimmed().isEmpty())
                    units << parts[i].trimmed();
            setOnce(DEPARTAMENT, units.join(QStringLiteral(", ")), n);
            return;
        }
        if (n == u"NOTE")
            return readNote(p);
        if (n == u"BDAY")
            return readBirthday(p);
        if (n == u"PHOTO")
            return readPhoto(p);
        if (n == u"ADR")
            return readAddress(p);
        if (n == u"TEL")
            return readPhone(p);
        if (n == u"EMAIL")
            return readSlot(p, JOB_EMAIL, HOME_EMAIL, vcard::unescape(p.value).trimmed());
        if (n == u"URL")
            return readSlot(p, JOB_WWW, HOME_WWW, vcard::unescape(p.value).trimmed());
        if (n == u"IMPP" || n == u"X-ICQ" || n == u"X-JABBER" || n == u"X-SKYPE" || n == u"X-SKYPE-USERNAME" ||
            n == u"X-AIM" || n == u"X-MSN" || n == u"X-YAHOO" || n == u"X-GOOGLE-TALK") {
            QString v = vcard::unescape(p.value).trimmed();
            if (v.startsWith(QStringLiteral("icq:"), Qt::CaseInsensitive))
                v = v.mid(4);
            return readSlot(p, JOB_ICQ, HOME_ICQ, v);
        }
        if (n == u"CATEGORIES") {
            for (const QString& c : vcard::splitValue(p.value, u','))
                if (!c.trimmed().isEmpty())
                    categories_ << c.trimmed();
            return;
        }
        // The simple ones: one property, one column.
        for (const ColumnMapping& m : mappingTable()) {
            if (m.component >= 0 || *m.types || n != QLatin1String(m.property))
                continue;
            if (m.column == NUM_MAIN || m.column == GR_NUM || m.column == BITHDAY || m.column == FOTOLINK ||
                m.column == NOTES)
                continue;
            setOnce(m.column, vcard::unescape(p.value), n);
            return;
        }
        // Nothing holds it: listed as not stored, with its value where it has one.
        const QString v = p.isBinary ? QString() : vcard::unescape(p.value).simplified();
        const QString shown = v.isEmpty() ? n : QStringLiteral("%1: %2").arg(n, v.size() > 60 ? v.left(59) + u'…' : v);
        if (!ignoredSeen_.contains(shown)) {
            ignoredSeen_.insert(shown);
            ignored_ << shown;
        }
    }

    // Notes of many lines are gathered up to the column's limit only; the rest is counted for the cut list.
    void readNote(const vcard::Property& p) {
        const QString v = vcard::unescape(p.value);
        if (v.isEmpty())
            return;
        const qsizetype room = columnLimit(NOTES) + 1; // one more, so that the cut finds a character boundary
        if (noteLength_ > 0) {
            ++noteLength_;
            if (note_.size() < room)
                note_ += u'\n';
        }
        noteLength_ += v.size();
        if (note_.size() < room)
            note_ += QStringView(v).left(room - note_.size());
    }

    void readBirthday(const vcard::Property& p) {
        QString v = vcard::unescape(p.value).trimmed();
        if (v.isEmpty())
            return;
        if (!r_.isEmpty(BITHDAY))
            return;
        if (v.startsWith(QStringLiteral("--"))) {
            ic_.notes << QStringLiteral("BDAY: %1").arg(v); // a birthday without a year has no date to hold it
            return;
        }
        const qsizetype t = v.indexOf(u'T');
        if (t > 0)
            v = v.left(t);
        QDate d = QDate::fromString(v, QStringLiteral("yyyyMMdd"));
        if (!d.isValid())
            d = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid()) {
            if (ic_.refusal.kind == Refusal::None) {
                ic_.refusal.kind = Refusal::BadDate;
                ic_.refusal.column = BITHDAY;
                ic_.refusal.value = v;
            }
            return;
        }
        r_.values[BITHDAY] = d;
    }

    void readPhoto(const vcard::Property& p) {
        if (!r_.photo.isEmpty() || !r_.isEmpty(FOTOLINK))
            return;
        QByteArray bytes;
        QString suffix;
        if (p.isBinary) {
            bytes = p.binary;
            const QStringList type = p.types();
            suffix = photoSuffixFromType(type.join(u','));
        } else {
            const QString v = p.value.trimmed();
            if (v.startsWith(QStringLiteral("data:"), Qt::CaseInsensitive)) {
                const qsizetype comma = v.indexOf(u',');
                if (comma < 0)
                    return;
                const QString meta = v.mid(5, comma - 5);
                const QByteArray payload = v.mid(comma + 1).toLatin1();
                bytes = meta.contains(QStringLiteral(";base64"), Qt::CaseInsensitive)
                            ? QByteArray::fromBase64(payload)
                            : QByteArray::fromPercentEncoding(payload);
                suffix = photoSuffixFromType(meta);
            } else if (v.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
                const QString path = QUrl(v).toLocalFile();
                if (!path.isEmpty())
                    r_.set(FOTOLINK, path);
                return;
            } else {
                ic_.notes << QStringLiteral("PHOTO: %1").arg(v.left(80));
                return;
            }
        }
        if (bytes.isEmpty())
            return;
        if (bytes.size() > kMaxPhoto) {
            ic_.notes << QStringLiteral("PHOTO: %1 bytes").arg(bytes.size());
            return;
        }
        // A picture is known by its first bytes; a type the card claims does not make one.
        const QString magic = pictureSuffix(bytes);
        suffix = magic;
        if (suffix.isEmpty()) {
            ic_.notes << QStringLiteral("PHOTO: ?");
            return;
        }
        r_.photo = bytes;
        r_.photoSuffix = suffix;
    }

    void readAddress(const vcard::Property& p) {
        QStringList parts = vcard::splitValue(p.value, u';');
        while (parts.size() < 7)
            parts << QString();
        for (QString& s : parts)
            s = oneLine(s);
        const QStringList t = typesOf(p);
        const AddressSlot slot =
            addressSlotFor(r_, t.contains(QStringLiteral("home")), t.contains(QStringLiteral("work")));
        if (slot == AddressSlot::None) {
            ic_.notes << QStringLiteral("ADR: %1").arg(parts.join(QStringLiteral(", ")));
            return;
        }
        const bool home = slot == AddressSlot::Home;
        auto joined = [](const QString& a, const QString& b) {
            if (a.isEmpty())
                return b;
            if (b.isEmpty())
                return a;
            return a + QStringLiteral(", ") + b;
        };
        r_.set(home ? HOME_ADDRESS : JOB_ADDRESS, joined(parts[0], parts[1]));
        r_.set(home ? HOME_ST : JOB_ST, parts[2]);
        r_.set(home ? HOME_CITY : JOB_CITY, joined(parts[3], parts[4]));
        r_.set(home ? HOME_ZIP : JOB_ZIP, parts[5]);
        setOnce(COUNTRY, parts[6], p.name);
    }

    void readPhone(const vcard::Property& p) {
        const QString v = phoneFromTelUri(vcard::unescape(p.value).trimmed());
        if (v.isEmpty())
            return;
        const int named = namedColumn(p);
        if (named >= 0) {
            r_.set(Column(named), v);
            return;
        }
        const QStringList t = typesOf(p);
        const bool fax = t.contains(QStringLiteral("fax"));
        const bool home = t.contains(QStringLiteral("home"));
        const bool work = t.contains(QStringLiteral("work"));
        bool placed = false;
        if (fax)
            placed = home ? placeFirstFree(r_, {HOME_FAX, JOB_FAX}, v) : placeFirstFree(r_, {JOB_FAX, HOME_FAX}, v);
        else if (t.contains(QStringLiteral("pager")))
            placed = placeFirstFree(r_, {PAGER}, v);
        else if (t.contains(QStringLiteral("cell")) || t.contains(QStringLiteral("iphone")))
            placed = placeFirstFree(r_, {CELLULAR}, v);
        else if (home)
            placed = placeFirstFree(r_, {HOME_TEL1, HOME_TEL2}, v);
        else if (work)
            placed = placeFirstFree(r_, {JOB_TEL1, JOB_TEL2, JOB_TEL3, JOB_TEL4}, v);
        if (!placed)
            placed =
                placeFirstFree(r_, {JOB_TEL1, JOB_TEL2, JOB_TEL3, JOB_TEL4, HOME_TEL1, HOME_TEL2, CELLULAR, PAGER}, v);
        if (!placed)
            ic_.notes << QStringLiteral("TEL: %1").arg(v);
    }

    void readSlot(const vcard::Property& p, Column work, Column home, const QString& v) {
        if (v.isEmpty())
            return;
        const int named = namedColumn(p);
        if (named >= 0) {
            r_.set(Column(named), v);
            return;
        }
        const QStringList t = typesOf(p);
        const bool placed = t.contains(QStringLiteral("home")) ? placeFirstFree(r_, {home, work}, v)
                                                               : placeFirstFree(r_, {work, home}, v);
        if (!placed)
            ic_.notes << QStringLiteral("%1: %2").arg(p.name, v);
    }

    void finish() {
        if (kindGroup_) {
            ic_.groupOnly = true;
            const QString path = categories_.isEmpty() ? fn_ : categories_.front();
            ic_.row = ContactRow();
            ic_.row.groupPath = path;
            return;
        }
        if (!note_.isEmpty()) {
            const int limit = columnLimit(NOTES);
            r_.set(NOTES, cutAtCharacter(note_, limit));
            if (noteLength_ > limit)
                ic_.cuts.push_back({NOTES, static_cast<int>(std::min<qsizetype>(noteLength_, INT_MAX)), limit});
        }
        // Members belong to group cards; a contact that names some has no place for them.
        for (const QString& member : ic_.members)
            ic_.notes << QStringLiteral("MEMBER: %1").arg(member);
        ic_.members.clear();
        const bool noName = r_.isEmpty(FAM) && r_.isEmpty(FIRST_NAME) && r_.isEmpty(MID_NAME);
        if (noName && r_.isEmpty(JOB_ORG) && !fn_.isEmpty())
            r_.set(kindOrg_ ? JOB_ORG : FAM, fn_);
        if (!categories_.isEmpty()) {
            r_.groupPath = categories_.front();
            for (int i = 1; i < categories_.size(); ++i)
                ic_.notes << QStringLiteral("CATEGORIES: %1").arg(categories_[i]);
        }
        ic_.notes << ignored_;
        (void)haveN_;
    }

    ImportedContact& ic_;
    ContactRow& r_;
    QHash<QString, QString> labels_;
    QStringList categories_;
    QStringList ignored_;       // in the order first met
    QSet<QString> ignoredSeen_; // the same entries, for a look-up that does not grow with the list
    QString note_;
    qsizetype noteLength_ = 0; // the length of the whole note in the file
    QString fn_;
    bool haveN_ = false;
    bool kindGroup_ = false;
    bool kindOrg_ = false;
};

} // namespace

ImportedContact contactFromCard(const vcard::Card& card) {
    ImportedContact ic;
    CardReader(ic).read(card);
    if (card.badTextLine > 0) {
        // Text that is no text in its charset would be stored garbled: the card is refused instead.
        ic.refusal = Refusal();
        ic.refusal.kind = Refusal::BadText;
        ic.refusal.line = card.badTextLine;
        ic.refusal.value = card.badTextCharset;
    }
    if (!card.closed)
        ic.notes << QStringLiteral("END:VCARD?");
    return ic;
}

} // namespace exchange
