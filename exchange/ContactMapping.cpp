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

bool placeFirstFree(ContactRow& r, std::initializer_list<Column> candidates, const QString& v) {
    for (Column c : candidates)
        if (r.isEmpty(c)) {
            r.set(c, v);
            return true;
        }
    return false;
}

AddressSlot addressSlotFor(const ContactRow& r, bool saysHome, bool saysWork) {
    const bool workFree = r.isEmpty(JOB_ADDRESS) && r.isEmpty(JOB_CITY) && r.isEmpty(JOB_ST) && r.isEmpty(JOB_ZIP);
    const bool homeFree = r.isEmpty(HOME_ADDRESS) && r.isEmpty(HOME_CITY) && r.isEmpty(HOME_ST) && r.isEmpty(HOME_ZIP);
    if (saysHome && homeFree)
        return AddressSlot::Home;
    if (saysWork && workFree)
        return AddressSlot::Work;
    if (workFree)
        return AddressSlot::Work;
    if (homeFree)
        return AddressSlot::Home;
    return AddressSlot::None;
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
