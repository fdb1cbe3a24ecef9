// The records of a file in another address book's layout, turned into contacts by the roles of their
// columns (CsvLayouts.cpp).
#include "CsvLayouts.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace csv {
namespace {

using namespace exchange;

// Google joins several values of one cell with this.
const QString kJoint = QStringLiteral(" ::: ");

// Words of a label, decoded once: labels are read for every value of every record.
struct LabelWords {
    QStringList fax, cell, pager, home, work;
    LabelWords() {
        auto words = [](std::initializer_list<const char*> list) {
            QStringList out;
            for (const char* w : list)
                out << QString::fromUtf8(w);
            return out;
        };
        fax = words({"fax", "факс"});
        cell = words({"mobile", "cell", "iphone", "моб", "сот"});
        pager = words({"pager", "пейдж"});
        home = words({"home", "personal", "дом", "личн"});
        work = words({"work", "business", "раб", "служ"});
    }
};

// Kinds a label speaks of: "Mobile", "* Work", "Work Fax", "Homepage", "Рабочий".
QString typesOfLabel(const QString& label) {
    if (label.isEmpty())
        return {};
    static const LabelWords words;
    const QString l = label.toCaseFolded();
    auto has = [&](const QStringList& list) {
        for (const QString& w : list)
            if (l.contains(w))
                return true;
        return false;
    };
    QStringList t;
    if (has(words.fax))
        t << QStringLiteral("fax");
    else if (has(words.cell))
        t << QStringLiteral("cell");
    else if (has(words.pager))
        t << QStringLiteral("pager");
    if (has(words.home))
        t << QStringLiteral("home");
    if (has(words.work))
        t << QStringLiteral("work");
    return t.join(u',');
}

// Google's own labels that are no groups of the user: every contact carries "myContacts".
bool systemLabel(const QString& name) {
    QString n = name.toCaseFolded();
    n.remove(u' ');
    return n == u"mycontacts" || n == u"starred";
}

QString oneLine(QString s) {
    if (!s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = s.split(u'\n');
    for (QString& l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines.join(QStringLiteral(", "));
}

QString joined(const QString& a, const QString& b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + QStringLiteral(", ") + b;
}

QDate parseDate(const QString& s) {
    // Google's and Thunderbird's 1980-05-14 without the cost of a format string.
    if (s.size() == 10 && s[4] == u'-' && s[7] == u'-') {
        bool y = false, m = false, d = false;
        const QDate date(QStringView(s).left(4).toInt(&y), QStringView(s).mid(5, 2).toInt(&m),
                         QStringView(s).mid(8, 2).toInt(&d));
        if (y && m && d && date.isValid())
            return date;
    }
    for (const char* f : {"yyyy-MM-dd", "d.M.yyyy", "M/d/yyyy", "yyyyMMdd", "yyyy/M/d"}) {
        const QDate d = QDate::fromString(s, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    return {};
}

class RowBuilder {
public:
    RowBuilder(ImportedContact& ic, bool google) : ic_(ic), r_(ic.row), google_(google) {}

    void add(const Role& role, const QString& title, const QString& cell) {
        if (role.kind == Role::Unknown || role.kind == Role::Ignored || cell.isEmpty())
            return;
        const QString text = cell.trimmed();
        if (text.isEmpty())
            return;
        switch (role.kind) {
        case Role::Unknown:
        case Role::Ignored:
            return;
        case Role::Value:
            return addValue(Column(role.column), title, text);
        case Role::FullName:
            fullName_ = text;
            return;
        case Role::Groups:
            return addGroups(title, text);
        case Role::Phone:
        case Role::Email:
        case Role::Web:
        case Role::Messenger:
            for (const QString& v : split(text))
                items_.push_back({role.kind, v, role.types, role.slot, title, countOf(role.slot)});
            return;
        case Role::Label:
            labels_[role.slot] = split(text);
            return;
        case Role::Address:
            return addAddressPart(role, title, text);
        case Role::Birthday:
            birthday_ = text;
            birthdayTitle_ = title;
            return;
        case Role::BirthYear:
            year_ = text;
            return;
        case Role::BirthMonth:
            month_ = text;
            return;
        case Role::BirthDay:
            day_ = text;
            return;
        }
    }

    void finish() {
        // Values whose kind is known take their columns first; the others, and those of a known kind
        // whose columns are taken, fill what is left in the order of the file.
        std::vector<const Item*> rest;
        for (const Item& item : items_)
            if (!placeTyped(item, typesOf(item)))
                rest.push_back(&item);
        for (const Item* item : rest)
            placeAny(*item, typesOf(*item));
        for (bool typed : {true, false})
            for (const Address& a : addresses_) {
                const QString types = a.types.isEmpty() ? typesOfLabel(labels_.value(a.slot).value(0)) : a.types;
                if (types.isEmpty() != typed)
                    placeAddress(a, types);
            }
        readBirthday();
        const bool noName = r_.isEmpty(FAM) && r_.isEmpty(FIRST_NAME) && r_.isEmpty(MID_NAME);
        if (noName && r_.isEmpty(JOB_ORG) && !fullName_.isEmpty())
            r_.set(FAM, fullName_);
    }

private:
    struct Item {
        Role::Kind kind;
        QString value;
        QString types;
        QString slot;
        QString title;
        int index; // the value's place in its cell, for the label of the same place
    };
    struct Address {
        QString slot;
        QString types;
        QString title;
        std::array<QString, Role::Formatted + 1> parts;
    };

    QStringList split(const QString& text) const {
        QStringList values = google_ ? text.split(kJoint) : QStringList{text};
        for (QString& v : values)
            v = v.trimmed();
        values.removeAll(QString());
        return values;
    }

    int countOf(const QString& slot) { return slot.isEmpty() ? 0 : slotCount_[slot]++; }

    void note(const QString& title, const QString& v) { ic_.notes << QStringLiteral("%1: %2").arg(title, v); }

    void addValue(Column c, const QString& title, const QString& text) {
        QStringList values = split(text);
        if (c == NOTES) {
            const QString all = values.join(u'\n');
            r_.set(NOTES, r_.isEmpty(NOTES) ? all : r_.text(NOTES) + u'\n' + all);
            return;
        }
        for (const QString& v : values) {
            const QString line = oneLine(v);
            if (r_.isEmpty(c))
                r_.set(c, line);
            else if (r_.text(c) != line)
                note(title, line);
        }
    }

    void addGroups(const QString& title, const QString& text) {
        // Outlook separates categories by the list separator of its system: ";" or ",".
        static const QRegularExpression listSeparator(QStringLiteral("[;,]"));
        const QStringList names = google_ ? text.split(kJoint) : text.split(listSeparator);
        for (QString name : names) {
            name = name.trimmed();
            if (name.startsWith(QStringLiteral("* ")))
                name = name.mid(2).trimmed();
            if (name.isEmpty() || (google_ && systemLabel(name)))
                continue;
            // A slash inside a label is part of its name, not a level of the tree.
            if (r_.groupPath.isEmpty())
                r_.groupPath = joinGroupPath({name});
            else
                note(title, name);
        }
    }

    void addAddressPart(const Role& role, const QString& title, const QString& text) {
        auto it =
            std::find_if(addresses_.begin(), addresses_.end(), [&](const Address& a) { return a.slot == role.slot; });
        if (it == addresses_.end()) {
            addresses_.push_back({role.slot, role.types, title, {}});
            it = addresses_.end() - 1;
        }
        QString& part = it->parts[role.part];
        part = joined(part, oneLine(google_ ? QString(text).replace(kJoint, QStringLiteral("; ")) : text));
    }

    QString typesOf(const Item& item) const {
        if (!item.types.isEmpty() || item.slot.isEmpty())
            return item.types;
        const QStringList labels = labels_.value(item.slot);
        return typesOfLabel(labels.size() == 1 ? labels.front() : labels.value(item.index));
    }

    // Into a column of the value's own kind; false when it has no kind or its columns are taken.
    bool placeTyped(const Item& item, const QString& types) {
        const QStringList t = types.split(u',', Qt::SkipEmptyParts);
        const bool home = t.contains(QStringLiteral("home"));
        const bool work = t.contains(QStringLiteral("work"));
        const QString& v = item.value;
        switch (item.kind) {
        case Role::Phone:
            if (t.contains(QStringLiteral("fax")))
                return home ? placeFirstFree(r_, {HOME_FAX, JOB_FAX}, v) : placeFirstFree(r_, {JOB_FAX, HOME_FAX}, v);
            if (t.contains(QStringLiteral("pager")))
                return placeFirstFree(r_, {PAGER}, v);
            if (t.contains(QStringLiteral("cell")))
                return placeFirstFree(r_, {CELLULAR}, v);
            if (home)
                return placeFirstFree(r_, {HOME_TEL1, HOME_TEL2}, v);
            if (work)
                return placeFirstFree(r_, {JOB_TEL1, JOB_TEL2, JOB_TEL3, JOB_TEL4}, v);
            return false;
        case Role::Email:
            return (home && placeFirstFree(r_, {HOME_EMAIL}, v)) || (work && placeFirstFree(r_, {JOB_EMAIL}, v));
        case Role::Web:
            return (home && placeFirstFree(r_, {HOME_WWW}, v)) || (work && placeFirstFree(r_, {JOB_WWW}, v));
        case Role::Messenger:
            return (home && placeFirstFree(r_, {HOME_ICQ}, v)) || (work && placeFirstFree(r_, {JOB_ICQ}, v));
        default:
            return false;
        }
    }

    // Into any free column of its sort; listed as not stored when none is free.
    void placeAny(const Item& item, const QString& types) {
        const bool home = types.contains(QStringLiteral("home"));
        const QString& v = item.value;
        bool placed = false;
        switch (item.kind) {
        case Role::Phone:
            placed =
                placeFirstFree(r_, {JOB_TEL1, JOB_TEL2, JOB_TEL3, JOB_TEL4, HOME_TEL1, HOME_TEL2, CELLULAR, PAGER}, v);
            break;
        case Role::Email:
            placed =
                home ? placeFirstFree(r_, {HOME_EMAIL, JOB_EMAIL}, v) : placeFirstFree(r_, {JOB_EMAIL, HOME_EMAIL}, v);
            break;
        case Role::Web:
            placed = home ? placeFirstFree(r_, {HOME_WWW, JOB_WWW}, v) : placeFirstFree(r_, {JOB_WWW, HOME_WWW}, v);
            break;
        case Role::Messenger:
            placed = home ? placeFirstFree(r_, {HOME_ICQ, JOB_ICQ}, v) : placeFirstFree(r_, {JOB_ICQ, HOME_ICQ}, v);
            break;
        default:
            break;
        }
        if (!placed)
            note(item.title, v);
    }

    void placeAddress(const Address& a, const QString& types) {
        const auto& p = a.parts;
        const bool onlyCountry = p[Role::PoBox].isEmpty() && p[Role::Extended].isEmpty() && p[Role::Street].isEmpty() &&
                                 p[Role::City].isEmpty() && p[Role::Region].isEmpty() && p[Role::PostalCode].isEmpty();
        // Google writes the whole address once more as one text; it stands in for missing parts only.
        const QString street = onlyCountry ? p[Role::Formatted] : p[Role::Street];
        if (onlyCountry && street.isEmpty()) {
            if (r_.isEmpty(COUNTRY))
                r_.set(COUNTRY, p[Role::Country]);
            return;
        }
        const AddressSlot slot =
            addressSlotFor(r_, types.contains(QStringLiteral("home")), types.contains(QStringLiteral("work")));
        if (slot == AddressSlot::None) {
            QStringList all;
            for (const QString& s : p)
                if (!s.isEmpty() && !all.contains(s))
                    all << s;
            note(a.title, all.join(QStringLiteral(", ")));
            return;
        }
        const bool home = slot == AddressSlot::Home;
        r_.set(home ? HOME_ADDRESS : JOB_ADDRESS, joined(p[Role::PoBox], p[Role::Extended]));
        r_.set(home ? HOME_ST : JOB_ST, street);
        r_.set(home ? HOME_CITY : JOB_CITY, joined(p[Role::City], p[Role::Region]));
        r_.set(home ? HOME_ZIP : JOB_ZIP, p[Role::PostalCode]);
        if (r_.isEmpty(COUNTRY))
            r_.set(COUNTRY, p[Role::Country]);
        else if (!p[Role::Country].isEmpty() && r_.text(COUNTRY) != p[Role::Country])
            note(a.title, p[Role::Country]);
    }

    void refuseDate(const QString& text) {
        if (ic_.refusal.kind != Refusal::None)
            return;
        ic_.refusal.kind = Refusal::BadDate;
        ic_.refusal.column = BITHDAY;
        ic_.refusal.value = text;
    }

    void readBirthday() {
        if (!year_.isEmpty() || !month_.isEmpty() || !day_.isEmpty()) {
            const QString text = QStringLiteral("%1-%2-%3").arg(year_, month_, day_);
            if (year_.isEmpty() || year_.toInt() == 0) {
                note(QStringLiteral("Birth Month, Birth Day"), QStringLiteral("%1.%2").arg(day_, month_));
                return;
            }
            const QDate d(year_.toInt(), month_.toInt(), day_.toInt());
            if (d.isValid())
                r_.values[BITHDAY] = d;
            else
                refuseDate(text);
            return;
        }
        if (birthday_.isEmpty())
            return;
        // Outlook writes "0/0/00" for no birthday.
        if (std::all_of(birthday_.begin(), birthday_.end(),
                        [](QChar c) { return c == u'0' || c == u'.' || c == u'/' || c == u'-'; }))
            return;
        if (birthday_.startsWith(QStringLiteral("--"))) {
            note(birthdayTitle_, birthday_); // a birthday without a year has no date to hold it
            return;
        }
        const QDate d = parseDate(birthday_);
        if (d.isValid())
            r_.values[BITHDAY] = d;
        else
            refuseDate(birthday_);
    }

    ImportedContact& ic_;
    ContactRow& r_;
    bool google_;
    std::vector<Item> items_;
    std::vector<Address> addresses_;
    QHash<QString, QStringList> labels_;
    QHash<QString, int> slotCount_;
    QString fullName_, birthday_, birthdayTitle_, year_, month_, day_;
};

} // namespace

std::vector<ImportedContact> readLayoutRows(const Table& table, const LayoutMatch& match) {
    std::vector<ImportedContact> out;
    out.reserve(table.records.size());
    QStringList header = table.records.front();
    for (QString& title : header)
        title = title.trimmed();
    const bool google = match.layout == Layout::Google;
    for (size_t r = 1; r < table.records.size(); ++r) {
        const QStringList& rec = table.records[r];
        ImportedContact ic;
        ic.source = table.lines[r];
        RowBuilder builder(ic, google);
        for (qsizetype i = 0; i < rec.size() && i < static_cast<qsizetype>(match.roles.size()); ++i)
            builder.add(match.roles[i], header[i], rec[i]);
        builder.finish();
        // Thunderbird ends every line with a separator: an empty cell past the header is no value.
        qsizetype extra = 0;
        for (qsizetype i = header.size(); i < rec.size(); ++i)
            extra += rec[i].trimmed().isEmpty() ? 0 : 1;
        if (extra > 0)
            ic.notes << QStringLiteral("+%1").arg(extra);
        if (ic.row.blank() && ic.refusal.kind == Refusal::None) {
            if (ic.row.groupPath.isEmpty())
                continue; // an empty line of a spreadsheet
            ic.groupOnly = true;
        }
        out.push_back(std::move(ic));
    }
    return out;
}

} // namespace csv
