#include "CsvLayouts.h"

#include <QHash>
#include <QRegularExpression>
#include <map>

namespace csv {
namespace {

using namespace exchange;

QString fold(const QString& s) {
    return s.simplified().toCaseFolded();
}

Role value(int column) {
    Role r;
    r.kind = Role::Value;
    r.column = column;
    return r;
}
Role kind(Role::Kind k, const char* types = "", const QString& slot = {}) {
    Role r;
    r.kind = k;
    r.types = QString::fromLatin1(types);
    r.slot = slot;
    return r;
}
Role addressPart(const QString& slot, const char* types, int part) {
    Role r = kind(Role::Address, types, slot);
    r.part = part;
    return r;
}

using Table_ = QHash<QString, Role>;

void put(Table_& t, std::initializer_list<const char*> titles, const Role& r) {
    for (const char* title : titles)
        t.insert(fold(QString::fromUtf8(title)), r);
}

// ---- Google Contacts: plain titles, and numbered groups "Phone 1 - Label" / "Phone 1 - Value".
const Table_& googleTitles() {
    static const Table_ t = [] {
        Table_ g;
        put(g, {"First Name", "Given Name"}, value(FIRST_NAME));
        put(g, {"Middle Name", "Additional Name"}, value(MID_NAME));
        put(g, {"Last Name", "Family Name"}, value(FAM));
        put(g, {"Name"}, kind(Role::FullName));
        put(g, {"Nickname"}, value(NICKNAME));
        put(g, {"Birthday"}, kind(Role::Birthday));
        put(g, {"Notes"}, value(NOTES));
        put(g, {"Labels", "Group Membership"}, kind(Role::Groups));
        put(g, {"Organization Name"}, value(JOB_ORG));
        put(g, {"Organization Title"}, value(JOB_POST));
        put(g, {"Organization Department"}, value(DEPARTAMENT));
        put(g, {"Occupation"}, value(OCCUPATION));
        return g;
    }();
    return t;
}

Role googleNumbered(const QString& title) {
    static const QRegularExpression re(
        QStringLiteral("^(e-?mail|phone|address|website|im|organization) (\\d+) - (.+)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(title.simplified());
    if (!m.hasMatch())
        return {};
    const QString group = fold(m.captured(1)).remove(u'-');
    const QString slot = group + m.captured(2);
    const QString field = fold(m.captured(3));
    if (field == u"label" || field == u"type")
        return group == u"organization" ? kind(Role::Ignored) : kind(Role::Label, "", slot);
    if (group == u"organization") {
        if (field == u"name")
            return value(JOB_ORG);
        if (field == u"title")
            return value(JOB_POST);
        if (field == u"department")
            return value(DEPARTAMENT);
        return {};
    }
    if (group == u"address") {
        static const QHash<QString, int> parts = {
            {QStringLiteral("po box"), Role::PoBox},    {QStringLiteral("extended address"), Role::Extended},
            {QStringLiteral("street"), Role::Street},   {QStringLiteral("city"), Role::City},
            {QStringLiteral("region"), Role::Region},   {QStringLiteral("postal code"), Role::PostalCode},
            {QStringLiteral("country"), Role::Country}, {QStringLiteral("formatted"), Role::Formatted},
        };
        const auto it = parts.constFind(field);
        return it == parts.constEnd() ? Role() : addressPart(slot, "", *it);
    }
    if (group == u"im" && field == u"service")
        return kind(Role::Ignored);
    if (field != u"value")
        return {};
    if (group == u"email")
        return kind(Role::Email, "", slot);
    if (group == u"phone")
        return kind(Role::Phone, "", slot);
    if (group == u"website")
        return kind(Role::Web, "", slot);
    return kind(Role::Messenger, "", slot);
}

// ---- Outlook with English titles.
const Table_& outlookTitles() {
    static const Table_ t = [] {
        Table_ o;
        put(o, {"First Name"}, value(FIRST_NAME));
        put(o, {"Middle Name"}, value(MID_NAME));
        put(o, {"Last Name"}, value(FAM));
        put(o, {"Nickname"}, value(NICKNAME));
        put(o, {"Company"}, value(JOB_ORG));
        put(o, {"Department"}, value(DEPARTAMENT));
        put(o, {"Job Title"}, value(JOB_POST));
        put(o, {"Profession"}, value(OCCUPATION));
        put(o, {"Business Phone", "Business Phone 2", "Company Main Phone"}, kind(Role::Phone, "work"));
        put(o, {"Home Phone", "Home Phone 2"}, kind(Role::Phone, "home"));
        put(o, {"Mobile Phone"}, kind(Role::Phone, "cell"));
        put(o, {"Pager"}, kind(Role::Phone, "pager"));
        put(o, {"Business Fax"}, kind(Role::Phone, "work,fax"));
        put(o, {"Home Fax"}, kind(Role::Phone, "home,fax"));
        put(o, {"Other Fax"}, kind(Role::Phone, "fax"));
        put(o, {"Primary Phone", "Other Phone", "Car Phone", "Callback", "Assistant's Phone", "Radio Phone", "ISDN"},
            kind(Role::Phone));
        put(o,
            {"E-mail Address", "E-mail 2 Address", "E-mail 3 Address", "Email Address", "Email 2 Address",
             "Email 3 Address", "E-mail", "E-mail 2", "E-mail 3"},
            kind(Role::Email));
        put(o,
            {"E-mail Type", "E-mail 2 Type", "E-mail 3 Type", "E-mail Display Name", "E-mail 2 Display Name",
             "E-mail 3 Display Name", "Email Type", "Email 2 Type", "Email 3 Type", "Email Display Name",
             "Email 2 Display Name", "Email 3 Display Name"},
            kind(Role::Ignored));
        put(o, {"Web Page"}, kind(Role::Web));
        put(o, {"Business Web Page"}, kind(Role::Web, "work"));
        put(o, {"Personal Web Page"}, kind(Role::Web, "home"));
        put(o, {"Birthday"}, kind(Role::Birthday));
        put(o, {"Notes"}, value(NOTES));
        put(o, {"Categories"}, kind(Role::Groups));
        // Outlook's own flags of the item, written for every contact.
        put(o, {"Priority", "Private", "Sensitivity"}, kind(Role::Ignored));
        return o;
    }();
    return t;
}

// "Business Street 2", "Home Postal Code", "Other Country/Region", "Business Address PO Box".
Role outlookAddress(const QString& title) {
    static const QRegularExpression re(
        QStringLiteral("^(business|home|other) (street|street 2|street 3|city|state|postal code|zip code|"
                       "country/region|country|address po box|po box)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(title.simplified());
    if (!m.hasMatch())
        return {};
    const QString where = fold(m.captured(1));
    const char* types = where == u"business" ? "work" : where == u"home" ? "home" : "";
    const QString field = fold(m.captured(2));
    int part = Role::Street;
    if (field == u"street 2" || field == u"street 3")
        part = Role::Extended;
    else if (field == u"city")
        part = Role::City;
    else if (field == u"state")
        part = Role::Region;
    else if (field.endsWith(u"code"))
        part = Role::PostalCode;
    else if (field.startsWith(u"country"))
        part = Role::Country;
    else if (field.endsWith(u"po box"))
        part = Role::PoBox;
    return addressPart(where, types, part);
}

// ---- Outlook with Russian titles (its Russian version writes semicolons and cp1251).
const Table_& outlookRussianTitles() {
    static const Table_ t = [] {
        Table_ o;
        put(o, {"Имя"}, value(FIRST_NAME));
        put(o, {"Отчество", "Второе имя"}, value(MID_NAME));
        put(o, {"Фамилия"}, value(FAM));
        put(o, {"Псевдоним"}, value(NICKNAME));
        put(o, {"Организация", "Компания"}, value(JOB_ORG));
        put(o, {"Отдел"}, value(DEPARTAMENT));
        put(o, {"Должность"}, value(JOB_POST));
        put(o, {"Профессия"}, value(OCCUPATION));
        put(o,
            {"Телефон (раб.)", "Телефон (раб. 2)", "Рабочий телефон", "Рабочий телефон 2", "Телефон раб. 2",
             "Основной телефон организации"},
            kind(Role::Phone, "work"));
        put(o, {"Домашний телефон", "Домашний телефон 2", "Телефон (дом.)", "Телефон (дом. 2)", "Телефон дом. 2"},
            kind(Role::Phone, "home"));
        put(o, {"Мобильный телефон", "Телефон переносной", "Сотовый телефон"}, kind(Role::Phone, "cell"));
        put(o, {"Пейджер"}, kind(Role::Phone, "pager"));
        put(o, {"Рабочий факс", "Факс (раб.)", "Факс раб."}, kind(Role::Phone, "work,fax"));
        put(o, {"Домашний факс", "Факс (дом.)", "Факс дом."}, kind(Role::Phone, "home,fax"));
        put(o, {"Другой факс", "Факс (другой)"}, kind(Role::Phone, "fax"));
        put(o,
            {"Основной телефон", "Другой телефон", "Телефон в машине", "Обратный вызов", "Телефон помощника",
             "Радиотелефон", "ISDN"},
            kind(Role::Phone));
        put(o, {"Веб-страница", "Веб-узел", "Веб страница"}, kind(Role::Web));
        put(o, {"День рождения"}, kind(Role::Birthday));
        put(o, {"Заметки"}, value(NOTES));
        put(o, {"Категории"}, kind(Role::Groups));
        put(o, {"Важность", "Частное", "Пометка", "Конфиденциальность"}, kind(Role::Ignored));
        return o;
    }();
    return t;
}

// "Адрес эл. почты", "Адрес 2 эл. почты", "Тип эл. почты", "Краткое имя эл. почты", "Эл. почта 2".
Role outlookRussianEmail(const QString& title) {
    const QString f = fold(title);
    if (!f.contains(QStringLiteral("эл. почт")) && !f.contains(QStringLiteral("электронной почт")))
        return {};
    if (f.startsWith(QStringLiteral("адрес")) || f.startsWith(QStringLiteral("эл. почта")))
        return kind(Role::Email);
    return kind(Role::Ignored);
}

// "Улица (раб. адрес)", "Улица 2 (дом. адрес)", "Индекс (раб. адрес)", "Страна или регион (дом. адрес)".
Role outlookRussianAddress(const QString& title) {
    static const QRegularExpression re(QStringLiteral("^(.+) \\((раб\\.|дом\\.|другой) адрес\\)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(fold(title));
    if (!m.hasMatch())
        return {};
    const QString where = m.captured(2);
    const char* types = where == u"раб." ? "work" : where == u"дом." ? "home" : "";
    const QString field = m.captured(1);
    int part = -1;
    if (field == u"улица")
        part = Role::Street;
    else if (field.startsWith(QStringLiteral("улица ")))
        part = Role::Extended;
    else if (field == u"город")
        part = Role::City;
    else if (field == u"область" || field == u"край" || field == u"регион")
        part = Role::Region;
    else if (field.contains(QStringLiteral("индекс")) || field.contains(QStringLiteral("код")))
        part = Role::PostalCode;
    else if (field.startsWith(QStringLiteral("страна")))
        part = Role::Country;
    else if (field.contains(QStringLiteral("ящик")))
        part = Role::PoBox;
    return part < 0 ? Role() : addressPart(where, types, part);
}

// ---- Thunderbird's address book.
const Table_& thunderbirdTitles() {
    static const Table_ t = [] {
        Table_ b;
        put(b, {"First Name"}, value(FIRST_NAME));
        put(b, {"Last Name"}, value(FAM));
        put(b, {"Display Name"}, kind(Role::FullName));
        put(b, {"Nickname", "Nick Name"}, value(NICKNAME));
        put(b, {"Primary Email", "Secondary Email"}, kind(Role::Email));
        put(b, {"Screen Name", "Chat Name"}, kind(Role::Messenger));
        put(b, {"Work Phone"}, kind(Role::Phone, "work"));
        put(b, {"Home Phone"}, kind(Role::Phone, "home"));
        put(b, {"Fax Number"}, kind(Role::Phone, "fax"));
        put(b, {"Pager Number"}, kind(Role::Phone, "pager"));
        put(b, {"Mobile Number", "Cellular Number"}, kind(Role::Phone, "cell"));
        for (const char* where : {"Home", "Work"}) {
            const QString w = QString::fromLatin1(where);
            const char* types = w == u"Home" ? "home" : "work";
            auto title = [&](const char* rest) { return fold(w + u' ' + QString::fromLatin1(rest)); };
            b.insert(title("Address"), addressPart(w, types, Role::Street));
            b.insert(title("Address 2"), addressPart(w, types, Role::Extended));
            b.insert(title("City"), addressPart(w, types, Role::City));
            b.insert(title("State"), addressPart(w, types, Role::Region));
            for (const char* zip : {"ZipCode", "Zip Code", "Postal Code"})
                b.insert(title(zip), addressPart(w, types, Role::PostalCode));
            b.insert(title("Country"), addressPart(w, types, Role::Country));
        }
        put(b, {"Job Title"}, value(JOB_POST));
        put(b, {"Department"}, value(DEPARTAMENT));
        put(b, {"Organization"}, value(JOB_ORG));
        put(b, {"Web Page 1", "Work Web Page"}, kind(Role::Web, "work"));
        put(b, {"Web Page 2", "Home Web Page"}, kind(Role::Web, "home"));
        put(b, {"Birth Year"}, kind(Role::BirthYear));
        put(b, {"Birth Month"}, kind(Role::BirthMonth));
        put(b, {"Birth Day"}, kind(Role::BirthDay));
        put(b, {"Notes"}, value(NOTES));
        return b;
    }();
    return t;
}

Role roleOf(Layout layout, const QString& title) {
    const QString f = fold(title);
    switch (layout) {
    case Layout::Google: {
        const Role plain = googleTitles().value(f);
        return plain.kind != Role::Unknown ? plain : googleNumbered(title);
    }
    case Layout::OutlookEnglish: {
        const Role plain = outlookTitles().value(f);
        return plain.kind != Role::Unknown ? plain : outlookAddress(title);
    }
    case Layout::OutlookRussian: {
        const Role plain = outlookRussianTitles().value(f);
        if (plain.kind != Role::Unknown)
            return plain;
        const Role email = outlookRussianEmail(title);
        return email.kind != Role::Unknown ? email : outlookRussianAddress(title);
    }
    case Layout::Thunderbird:
        return thunderbirdTitles().value(f);
    case Layout::Own:
        break;
    }
    return {};
}

} // namespace

LayoutMatch recogniseLayout(const QStringList& header) {
    LayoutMatch best;
    for (Layout layout : {Layout::Google, Layout::OutlookEnglish, Layout::OutlookRussian, Layout::Thunderbird}) {
        LayoutMatch m;
        m.layout = layout;
        for (const QString& title : header) {
            m.roles.push_back(roleOf(layout, title));
            m.known += m.roles.back().kind != Role::Unknown ? 1 : 0;
        }
        if (m.known > best.known)
            best = std::move(m);
    }
    return best;
}

} // namespace csv
