#include "ContactMapping.h"

#include "Cp1251.h"
#include "DMUnit.h"
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

// clang-format off
const std::array<ColumnMapping, ColumnCount> kTable = {{
    {NUM_MAIN,     "NUM_MAIN",     "Key",               "UID",                    "",          -1, "written as urn:korvane:contact:N; an import draws a new key"},
    {JOB_ORG,      "JOB_ORG",      "Organisation",      "ORG",                    "",           0, "first component"},
    {FAM,          "FAM",          "Surname",           "N",                      "",           0, "family name"},
    {FIRST_NAME,   "FIRST_NAME",   "First name",        "N",                      "",           1, "given name"},
    {MID_NAME,     "MID_NAME",     "Patronymic",        "N",                      "",           2, "additional names"},
    {JOB_POST,     "JOB_POST",     "Job post",          "TITLE",                  "",          -1, ""},
    {DEPARTAMENT,  "Departament",  "Department",        "ORG",                    "",           1, "second component (organisational unit)"},
    {GR_NUM,       "GR_NUM",       "Group number",      "CATEGORIES",             "",          -1, "the group path from the tree's root, e.g. Работа/Клиенты"},
    {NICKNAME,     "NICKNAME",     "Nickname",          "NICKNAME",               "",          -1, ""},
    {OCCUPATION,   "OCCUPATION",   "Business line",     "ROLE",                   "",          -1, ""},
    {JOBRIGHTFORM, "JOBRIGHTFORM", "Legal form",        "X-KORVANE-LEGAL-FORM",   "",          -1, "no standard property"},
    {BITHDAY,      "BITHDAY",      "Birthday",          "BDAY",                   "",          -1, "date; 4.0 writes 19800131, 3.0 writes 1980-01-31"},
    {FOTOLINK,     "FOTOLINK",     "Photograph",        "PHOTO",                  "",          -1, "the picture inline (base64); a missing file as a file: URI"},
    {COUNTRY,      "COUNTRY",      "Country",           "ADR",                    "",           6, "country of both addresses"},
    {JOB_ADDRESS,  "JOB_ADDRESS",  "Work address",      "ADR",                    "work",       1, "extended address"},
    {JOB_CITY,     "JOB_CITY",     "Work city",         "ADR",                    "work",       3, "locality"},
    {JOB_ST,       "JOB_ST",       "Work street",       "ADR",                    "work",       2, "street address"},
    {JOB_ZIP,      "JOB_ZIP",      "Work postal code",  "ADR",                    "work",       5, "postal code"},
    {HOME_ADDRESS, "HOME_ADDRESS", "Home address",      "ADR",                    "home",       1, "extended address"},
    {HOME_CITY,    "HOME_CITY",    "Home city",         "ADR",                    "home",       3, "locality"},
    {HOME_ST,      "HOME_ST",      "Home street",       "ADR",                    "home",       2, "street address"},
    {HOME_ZIP,     "HOME_ZIP",     "Home postal code",  "ADR",                    "home",       5, "postal code"},
    {AREA_CODE,    "AREA_CODE",    "Area code",         "X-KORVANE-AREA-CODE",    "",          -1, "no standard property"},
    {JOB_TEL1,     "JOB_TEL1",     "Work phone",        "TEL",                    "work,voice", -1, ""},
    {JOB_TEL2,     "JOB_TEL2",     "Work phone 2",      "TEL",                    "work,voice", -1, ""},
    {JOB_TEL3,     "JOB_TEL3",     "Work phone 3",      "TEL",                    "work,voice", -1, ""},
    {JOB_TEL4,     "JOB_TEL4",     "Work phone 4",      "TEL",                    "work,voice", -1, ""},
    {JOB_FAX,      "JOB_FAX",      "Work fax",          "TEL",                    "work,fax",   -1, ""},
    {HOME_TEL1,    "HOME_TEL1",    "Home phone",        "TEL",                    "home,voice", -1, ""},
    {HOME_TEL2,    "HOME_TEL2",    "Home phone 2",      "TEL",                    "home,voice", -1, ""},
    {HOME_FAX,     "HOME_FAX",     "Home fax",          "TEL",                    "home,fax",   -1, ""},
    {CELLULAR,     "CELLULAR",     "Mobile phone",      "TEL",                    "cell",       -1, ""},
    {PAGER,        "PAGER",        "Pager",             "TEL",                    "pager",      -1, ""},
    {JOB_EMAIL,    "JOB_EMAIL",    "Work e-mail",       "EMAIL",                  "work",       -1, ""},
    {HOME_EMAIL,   "HOME_EMAIL",   "Home e-mail",       "EMAIL",                  "home",       -1, ""},
    {JOB_WWW,      "JOB_WWW",      "Work web page",     "URL",                    "work",       -1, ""},
    {HOME_WWW,     "HOME_WWW",     "Home web page",     "URL",                    "home",       -1, ""},
    {JOB_ICQ,      "JOB_ICQ",      "Work messenger",    "IMPP",                   "work",       -1, "a bare number is written as icq:N"},
    {HOME_ICQ,     "HOME_ICQ",     "Home messenger",    "IMPP",                   "home",       -1, "a bare number is written as icq:N"},
    {OTHER_COMMUN, "OTHER_COMMUN", "Other contacts",    "X-KORVANE-OTHER-CONTACT","",          -1, "no standard property"},
    {NOTES,        "NOTES",        "Notes",             "NOTE",                   "",          -1, ""},
}};
// clang-format on

struct FieldFacts {
    std::array<int, ColumnCount> limits{};
    std::array<QString, ColumnCount> titles;
};

const FieldFacts& facts() {
    static const FieldFacts f = [] {
        FieldFacts out;
        for (const FieldDef& d : tables::mainFields(nullptr)) {
            const int c = columnOfField(d.name);
            if (c < 0)
                continue;
            out.limits[c] = d.type == FieldType::Text ? d.size : 0;
            out.titles[c] = d.displayLabel.isEmpty() ? d.name : d.displayLabel;
        }
        return out;
    }();
    return f;
}

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

bool placeFirstFree(ContactRow& r, std::initializer_list<Column> candidates, const QString& v) {
    for (Column c : candidates)
        if (r.isEmpty(c)) {
            r.set(c, v);
            return true;
        }
    return false;
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
        for (const ColumnMapping& m : kTable) {
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
        const QString magic = pictureSuffix(bytes);
        if (!magic.isEmpty())
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
        const bool workFree =
            r_.isEmpty(JOB_ADDRESS) && r_.isEmpty(JOB_CITY) && r_.isEmpty(JOB_ST) && r_.isEmpty(JOB_ZIP);
        const bool homeFree =
            r_.isEmpty(HOME_ADDRESS) && r_.isEmpty(HOME_CITY) && r_.isEmpty(HOME_ST) && r_.isEmpty(HOME_ZIP);
        bool home;
        if (t.contains(QStringLiteral("home")) && homeFree)
            home = true;
        else if (t.contains(QStringLiteral("work")) && workFree)
            home = false;
        else if (workFree)
            home = false;
        else if (homeFree)
            home = true;
        else {
            ic_.notes << QStringLiteral("ADR: %1").arg(parts.join(QStringLiteral(", ")));
            return;
        }
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

// Property name with TYPE parameter, in the letter case each version prefers.
QByteArray head(const char* property, const char* types, VCardVersion v, const char* field = nullptr) {
    QByteArray h(property);
    if (field) {
        h += ";" + QByteArray(kFieldParam) + "=";
        h += field;
    }
    if (*types) {
        QByteArray t(types);
        if (v == VCardVersion::V3) {
            t = t.toUpper();
            if (qstrcmp(property, "EMAIL") == 0)
                t = "INTERNET," + t;
        }
        h += ";TYPE=" + t;
    }
    return h;
}

QString structured(std::initializer_list<QString> parts) {
    QString out;
    bool first = true;
    for (const QString& p : parts) {
        if (!first)
            out += u';';
        first = false;
        out += vcard::escape(p);
    }
    return out;
}

} // namespace

const std::array<ColumnMapping, ColumnCount>& mappingTable() {
    return kTable;
}
const ColumnMapping& mapping(Column c) {
    return kTable[c];
}
int columnLimit(int c) {
    return c >= 0 && c < ColumnCount ? facts().limits[c] : 0;
}
QString russianTitle(int c) {
    return c >= 0 && c < ColumnCount ? facts().titles[c] : QString();
}

int columnOfField(const QString& name) {
    for (const ColumnMapping& m : kTable)
        if (name.compare(QLatin1String(m.field), Qt::CaseInsensitive) == 0)
            return m.column;
    if (name.compare(QLatin1String("DEPARTAMENT"), Qt::CaseInsensitive) == 0)
        return DEPARTAMENT;
    return -1;
}

bool ContactRow::blank() const {
    for (int c = 0; c < ColumnCount; ++c)
        if (c != NUM_MAIN && c != GR_NUM && !isEmpty(Column(c)))
            return false;
    return photo.isEmpty();
}

QString ContactRow::title() const {
    QStringList name;
    for (Column c : {FAM, FIRST_NAME, MID_NAME})
        if (!isEmpty(c))
            name << text(c);
    if (!name.isEmpty())
        return name.join(u' ');
    for (Column c : {JOB_ORG, NICKNAME, CELLULAR, JOB_TEL1, HOME_TEL1, JOB_EMAIL, HOME_EMAIL})
        if (!isEmpty(c))
            return text(c);
    return {};
}

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

void appendCard(QByteArray& out, const ContactRow& r, VCardVersion v) {
    const bool v4 = v == VCardVersion::V4;
    out += "BEGIN:VCARD\r\n";
    out += v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
    const bool names = !r.isEmpty(FAM) || !r.isEmpty(FIRST_NAME) || !r.isEmpty(MID_NAME);
    if (v4)
        out += (!names && !r.isEmpty(JOB_ORG)) ? "KIND:org\r\n" : "KIND:individual\r\n";
    if (!r.values[NUM_MAIN].isNull())
        vcard::appendLine(out, "UID", contactUid(r.values[NUM_MAIN].toInt()));
    QStringList fn;
    for (Column c : {FAM, FIRST_NAME, MID_NAME})
        if (!r.isEmpty(c))
            fn << r.text(c);
    if (fn.isEmpty() && !r.isEmpty(JOB_ORG))
        fn << r.text(JOB_ORG);
    vcard::appendLine(out, "FN", vcard::escape(fn.join(u' ')));
    vcard::appendLine(out, "N", structured({r.text(FAM), r.text(FIRST_NAME), r.text(MID_NAME), QString(), QString()}));
    if (!r.isEmpty(JOB_ORG) || !r.isEmpty(DEPARTAMENT)) {
        QString org = vcard::escape(r.text(JOB_ORG));
        if (!r.isEmpty(DEPARTAMENT))
            org += u';' + vcard::escape(r.text(DEPARTAMENT));
        vcard::appendLine(out, "ORG", org);
    }
    for (Column c : {NICKNAME, JOB_POST, OCCUPATION, JOBRIGHTFORM, AREA_CODE, OTHER_COMMUN})
        if (!r.isEmpty(c))
            vcard::appendLine(out, kTable[c].property, vcard::escape(r.text(c)));
    const QDate birthday = r.values[BITHDAY].toDate();
    if (birthday.isValid())
        vcard::appendLine(out, "BDAY",
                          birthday.toString(v4 ? QStringLiteral("yyyyMMdd") : QStringLiteral("yyyy-MM-dd")));

    const bool work = !r.isEmpty(JOB_ADDRESS) || !r.isEmpty(JOB_CITY) || !r.isEmpty(JOB_ST) || !r.isEmpty(JOB_ZIP);
    const bool home = !r.isEmpty(HOME_ADDRESS) || !r.isEmpty(HOME_CITY) || !r.isEmpty(HOME_ST) || !r.isEmpty(HOME_ZIP);
    if (work || (!home && !r.isEmpty(COUNTRY)))
        vcard::appendLine(out, head("ADR", "work", v),
                          structured({QString(), r.text(JOB_ADDRESS), r.text(JOB_ST), r.text(JOB_CITY), QString(),
                                      r.text(JOB_ZIP), r.text(COUNTRY)}));
    if (home)
        vcard::appendLine(out, head("ADR", "home", v),
                          structured({QString(), r.text(HOME_ADDRESS), r.text(HOME_ST), r.text(HOME_CITY), QString(),
                                      r.text(HOME_ZIP), r.text(COUNTRY)}));
    for (const ColumnMapping& m : kTable) {
        const bool slot = qstrcmp(m.property, "TEL") == 0 || qstrcmp(m.property, "EMAIL") == 0 ||
                          qstrcmp(m.property, "URL") == 0 || qstrcmp(m.property, "IMPP") == 0;
        if (!slot || r.isEmpty(m.column))
            continue;
        QString value = r.text(m.column);
        if (qstrcmp(m.property, "IMPP") == 0 && !value.contains(u':'))
            value = QStringLiteral("icq:") + value;
        vcard::appendLine(out, head(m.property, m.types, v, m.field), vcard::escape(value));
    }
    if (!r.isEmpty(NOTES))
        vcard::appendLine(out, "NOTE", vcard::escape(r.text(NOTES)));
    if (!r.photo.isEmpty()) {
        const QString suffix = r.photoSuffix.isEmpty() ? pictureSuffix(r.photo) : r.photoSuffix;
        const QByteArray mime = suffix == u"jpg" ? QByteArray("jpeg") : suffix.toLatin1();
        if (v4)
            vcard::appendRawLine(out, "PHOTO:data:image/" + mime + ";base64," + r.photo.toBase64());
        else
            vcard::appendRawLine(out, "PHOTO;ENCODING=b;TYPE=" + mime.toUpper() + ":" + r.photo.toBase64());
    } else if (!r.isEmpty(FOTOLINK)) {
        const QString uri = QString::fromUtf8(QUrl::fromLocalFile(r.text(FOTOLINK)).toEncoded());
        vcard::appendLine(out, v4 ? "PHOTO" : "PHOTO;VALUE=uri", uri);
    }
    if (!r.groupPath.isEmpty())
        vcard::appendLine(out, "CATEGORIES", vcard::escape(r.groupPath));
    out += "END:VCARD\r\n";
}

QString contactUid(int num) {
    return QStringLiteral("urn:korvane:contact:%1").arg(num);
}

QString groupUid(int num) {
    return QStringLiteral("urn:korvane:group:%1").arg(num);
}

void appendGroupCard(QByteArray& out, const QString& path, VCardVersion v, const QStringList& memberUids,
                     const QString& uid) {
    const bool v4 = v == VCardVersion::V4;
    out += "BEGIN:VCARD\r\n";
    out += v4 ? "VERSION:4.0\r\nKIND:group\r\n" : "VERSION:3.0\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n";
    if (!uid.isEmpty())
        vcard::appendLine(out, "UID", uid);
    vcard::appendLine(out, "FN", vcard::escape(path));
    if (!v4)
        vcard::appendLine(out, "N", vcard::escape(path) + QStringLiteral(";;;;"));
    vcard::appendLine(out, "CATEGORIES", vcard::escape(path));
    // 3.0 servers name a member by "urn:uuid:" and its UID; 4.0 takes the UID as a URI.
    for (const QString& member : memberUids) {
        if (v4)
            vcard::appendLine(out, "MEMBER", member.contains(u':') ? member : QStringLiteral("urn:uuid:") + member);
        else
            vcard::appendLine(out, "X-ADDRESSBOOKSERVER-MEMBER", QStringLiteral("urn:uuid:") + member);
    }
    out += "END:VCARD\r\n";
}

QString pictureSuffix(const QByteArray& b) {
    if (b.startsWith("\xFF\xD8"))
        return QStringLiteral("jpg");
    if (b.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (b.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (b.startsWith("BM"))
        return QStringLiteral("bmp");
    return {};
}

QString phoneDigits(const QString& phone) {
    QString d;
    for (const QChar c : phone)
        if (c >= u'0' && c <= u'9')
            d += c;
    return d;
}

namespace {
// The whole code point that begins with the character: both halves of a surrogate pair together.
char32_t codePointAt(const QString& s, QChar first) {
    const qsizetype i = s.indexOf(first);
    if (first.isHighSurrogate() && i >= 0 && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(first, s[i + 1]);
    return first.unicode();
}
} // namespace

Refusal checkRow(const ContactRow& row) {
    Refusal f;
    for (int c = 0; c < ColumnCount; ++c) {
        if (c == NUM_MAIN || c == GR_NUM || c == BITHDAY)
            continue;
        const QVariant& v = row.values[c];
        if (v.isNull())
            continue;
        const QString s = v.toString();
        if (const auto bad = cp1251::firstUnencodable(s)) {
            f.kind = Refusal::Character;
            f.column = c;
            f.character = *bad;
            f.codePoint = codePointAt(s, *bad);
            return f;
        }
        if (columnLimit(c) > 0 && s.size() > columnLimit(c)) {
            f.kind = Refusal::TooLong;
            f.column = c;
            f.length = static_cast<int>(s.size());
            f.limit = columnLimit(c);
            return f;
        }
    }
    const QStringList groupNames = splitGroupPath(row.groupPath);
    if (groupNames.size() > kMaxGroupDepth) {
        f.kind = Refusal::GroupTooDeep;
        f.column = GR_NUM;
        f.length = static_cast<int>(groupNames.size());
        f.limit = kMaxGroupDepth;
        return f;
    }
    for (const QString& name : groupNames) {
        if (const auto bad = cp1251::firstUnencodable(name)) {
            f.kind = Refusal::GroupCharacter;
            f.column = GR_NUM;
            f.character = *bad;
            f.codePoint = codePointAt(name, *bad);
            f.value = name;
            return f;
        }
        if (name.size() > 30) {
            f.kind = Refusal::GroupNameTooLong;
            f.column = GR_NUM;
            f.length = static_cast<int>(name.size());
            f.limit = 30;
            f.value = name;
            return f;
        }
    }
    return f;
}

QStringList splitGroupPath(const QString& path) {
    QStringList names;
    QString cur;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path[i];
        if (c == u'\\' && i + 1 < path.size() && path[i + 1] == u'/') {
            cur += u'/';
            ++i;
            continue;
        }
        if (c == u'/') {
            if (!cur.trimmed().isEmpty())
                names << cur.trimmed();
            cur.clear();
            continue;
        }
        cur += c;
    }
    if (!cur.trimmed().isEmpty())
        names << cur.trimmed();
    return names;
}

QString joinGroupPath(const QStringList& names) {
    QStringList escaped;
    for (QString n : names)
        escaped << n.replace(u'/', QStringLiteral("\\/"));
    return escaped.join(u'/');
}

} // namespace exchange
