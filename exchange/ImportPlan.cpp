#include "ImportPlan.h"

#include "Csv.h"
#include "Database.h"
#include "GroupMembers.h"
#include "PhoneNumbers.h"
#include "ValueFit.h"

#include <QSet>

namespace exchange {

GroupPaths::GroupPaths(const std::vector<GroupRow>& rows) {
    for (const GroupRow& r : rows)
        add(r);
}

void GroupPaths::add(const GroupRow& row) {
    if (!rows_.contains(row.num)) {
        order_.push_back(row.num);
    } else {
        const GroupRow& old = rows_[row.num];
        if (children_.value({old.parent, old.name}) == row.num)
            children_.remove({old.parent, old.name});
    }
    rows_.insert(row.num, row);
    if (row.num != kRoot && !children_.contains({row.parent, row.name}))
        children_.insert({row.parent, row.name}, row.num); // the first of two same-named siblings wins
    depths_.clear();
}

int GroupPaths::parent(int num) const {
    const auto it = rows_.constFind(num);
    return it == rows_.constEnd() || num == kRoot ? 0 : it->parent;
}

QString GroupPaths::path(int num) const {
    if (!rows_.contains(num))
        return {};
    if (num == kRoot)
        return joinGroupPath({rows_.value(num).name});
    QStringList names;
    QSet<int> seen;
    int g = num;
    while (rows_.contains(g) && g != kRoot && !seen.contains(g)) {
        seen.insert(g);
        const GroupRow& r = rows_[g];
        names << r.name;
        if (r.parent == 0)
            break;
        g = r.parent;
    }
    std::reverse(names.begin(), names.end());
    return joinGroupPath(names);
}

int GroupPaths::child(int parentNum, const QString& name) const {
    const auto it = children_.constFind({parentNum, name});
    return it == children_.constEnd() ? -1 : *it;
}

std::optional<int> GroupPaths::ensure(const QString& path,
                                      const std::function<int(int parent, const QString& name)>& create) {
    if (splitGroupPath(path).isEmpty())
        return std::nullopt;
    int parent = 0;
    QStringList missing;
    const int found = find(path, &parent, &missing);
    if (found >= 0)
        return found;
    for (const QString& name : missing) {
        const int num = create(parent, name);
        add({num, parent, name});
        parent = num;
    }
    return parent;
}

int GroupPaths::find(const QString& p, int* parent, QStringList* missing) const {
    QStringList names = splitGroupPath(p);
    if (names.isEmpty())
        return -1;
    const bool hasRoot = rows_.contains(kRoot);
    // The root's own name at the start stands for the root.
    if (hasRoot && names.front() == rows_[kRoot].name && child(kRoot, names.front()) < 0 &&
        child(0, names.front()) < 0) {
        names.removeFirst();
        if (names.isEmpty())
            return kRoot;
    }
    int current = hasRoot ? kRoot : 0;
    for (qsizetype i = 0; i < names.size(); ++i) {
        int next = child(current, names[i]);
        if (next < 0 && i == 0)
            next = child(0, names[i]);
        if (next < 0) {
            if (parent)
                *parent = current;
            if (missing)
                *missing = names.mid(i);
            return -1;
        }
        current = next;
    }
    return current;
}

std::vector<int> GroupPaths::allGroups() const {
    // Parents first: a group sorts after its parent when sorted by depth.
    std::vector<std::pair<int, int>> byDepth; // depth, number
    for (int num : order_)
        if (num != kRoot)
            byDepth.push_back({depth(num), num});
    std::stable_sort(byDepth.begin(), byDepth.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> out;
    out.reserve(byDepth.size());
    for (const auto& [d, num] : byDepth)
        out.push_back(num);
    return out;
}

int GroupPaths::depth(int num) const {
    // Walks up to a group whose depth is known (or the top), then numbers the walked chain downwards:
    // every group is walked once however deep the tree.
    std::vector<int> chain;
    QSet<int> seen;
    int known = 0;
    for (int g = num; rows_.contains(g) && g != kRoot && !seen.contains(g); g = rows_[g].parent) {
        if (const auto it = depths_.constFind(g); it != depths_.constEnd()) {
            known = *it;
            break;
        }
        seen.insert(g);
        chain.push_back(g);
        if (rows_[g].parent == 0)
            break;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        depths_.insert(*it, ++known);
    return known;
}

QStringList GroupPaths::allPaths() const {
    QStringList out;
    for (int num : allGroups())
        out << path(num);
    return out;
}

const std::vector<Column>& phoneColumns() {
    static const std::vector<Column> c = {JOB_TEL1,  JOB_TEL2,  JOB_TEL3, JOB_TEL4, JOB_FAX,
                                          HOME_TEL1, HOME_TEL2, HOME_FAX, CELLULAR, PAGER};
    return c;
}

namespace {
QString nameKey(const QString& fam, const QString& first) {
    return fam.trimmed().toCaseFolded() + u'\x1f' + first.trimmed().toCaseFolded();
}
} // namespace

StoredContact DuplicateFinder::fromRow(int num, const ContactRow& row) {
    StoredContact c;
    c.num = num;
    c.fam = row.text(FAM);
    c.first = row.text(FIRST_NAME);
    c.title = row.title();
    for (Column p : phoneColumns()) {
        const QString phone = row.text(p).trimmed();
        if (!phoneDigits(phone).isEmpty())
            c.phones << phone;
    }
    for (Column e : {JOB_EMAIL, HOME_EMAIL})
        if (!row.text(e).trimmed().isEmpty())
            c.emails << row.text(e).trimmed().toCaseFolded();
    return c;
}

void DuplicateFinder::add(const StoredContact& c) {
    const int index = static_cast<int>(stored_.size());
    stored_.push_back(c);
    if (!c.fam.trimmed().isEmpty() || !c.first.trimmed().isEmpty())
        byName_[nameKey(c.fam, c.first)].push_back(index);
    for (const QString& e : c.emails)
        if (!byEmail_.contains(e))
            byEmail_.insert(e, index);
}

std::optional<DuplicateMatch> DuplicateFinder::find(const ContactRow& row) const {
    const StoredContact card = fromRow(0, row);
    for (const QString& e : card.emails) {
        const auto it = byEmail_.constFind(e);
        if (it != byEmail_.constEnd()) {
            const StoredContact& s = stored_[*it];
            return DuplicateMatch{s.num, s.title, DuplicateMatch::Email, e};
        }
    }
    if (card.fam.trimmed().isEmpty() && card.first.trimmed().isEmpty())
        return std::nullopt;
    const auto it = byName_.constFind(nameKey(card.fam, card.first));
    if (it == byName_.constEnd() || card.phones.isEmpty())
        return std::nullopt;
    // Numbers are read only for the contacts of the same name: few, and parsing is the costly part.
    QStringList cardKeys;
    for (const QString& phone : card.phones)
        cardKeys << phones_.key(phone);
    for (int index : *it) {
        const StoredContact& s = stored_[index];
        for (const QString& storedPhone : s.phones) {
            const qsizetype i = cardKeys.indexOf(phones_.key(storedPhone));
            if (i >= 0)
                return DuplicateMatch{s.num, s.title, DuplicateMatch::Phone, card.phones[i]};
        }
    }
    return std::nullopt;
}

int ImportPlan::count(CardStatus s) const {
    return static_cast<int>(
        std::count_if(cards.begin(), cards.end(), [s](const PlannedCard& c) { return c.status == s; }));
}

Snapshot readSnapshot(Database& db) {
    Snapshot s;
    Query groups(db, QStringLiteral("select GR_NUM, PARENT_GROUP, GROUP_NAME from \"GROUPS\" order by GR_NUM"));
    for (const auto& r : groups.run({}))
        s.groups.push_back({r[0].toInt(), r[1].isNull() ? 0 : r[1].toInt(), r[2].toString()});
    QStringList cols = {QStringLiteral("NUM_MAIN"),  QStringLiteral("FAM"),     QStringLiteral("FIRST_NAME"),
                        QStringLiteral("MID_NAME"),  QStringLiteral("JOB_ORG"), QStringLiteral("JOB_EMAIL"),
                        QStringLiteral("HOME_EMAIL")};
    for (Column p : phoneColumns())
        cols << QString::fromLatin1(mapping(p).field);
    Query contacts(db, QStringLiteral("select %1 from \"MAIN\"").arg(cols.join(QStringLiteral(", "))));
    for (const auto& r : contacts.run({})) {
        ContactRow row;
        for (int i = 1; i < cols.size(); ++i)
            row.values[columnOfField(cols[i])] = r[i];
        s.contacts.push_back(DuplicateFinder::fromRow(r[0].toInt(), row));
    }
    return s;
}

std::vector<ImportedContact> readFile(const QByteArray& bytes, const QStringList& extraTitles,
                                      const QString& groupTitle, QStringList* fileNotes, bool* recognised,
                                      CsvFacts* csvFacts) {
    std::vector<ImportedContact> out;
    if (vcard::looksLikeVCard(bytes)) {
        int n = 0;
        for (const vcard::Card& card : vcard::parse(bytes)) {
            ImportedContact ic = contactFromCard(card);
            ic.source = ++n;
            out.push_back(std::move(ic));
        }
        assignGroupMembers(out);
        if (recognised)
            *recognised = true;
        return out;
    }
    csv::Import imported = csv::readContacts(bytes, extraTitles, groupTitle);
    if (fileNotes)
        *fileNotes = imported.unknownColumns;
    if (recognised)
        *recognised = imported.header;
    if (csvFacts) {
        csvFacts->csv = true;
        csvFacts->layout = imported.layout;
        csvFacts->unknownFilled = imported.unknownFilled;
        csvFacts->unknownEmpty =
            std::max(0, static_cast<int>(imported.unknownColumns.size() - imported.unknownFilled.size()));
        csvFacts->filledColumns = imported.filledColumns;
    }
    return std::move(imported.contacts);
}

QString photoFileName(const QString& photoFolder, int num, const QString& suffix) {
    return photoFolder + QStringLiteral("/contact-%1.%2").arg(num).arg(suffix);
}

ImportPlan makePlan(std::vector<ImportedContact> contacts, const Snapshot& stored, const QString& photoFolder) {
    ImportPlan plan;
    GroupPaths groups(stored.groups);
    DuplicateFinder finder;
    for (const StoredContact& c : stored.contacts)
        finder.add(c);
    QSet<QString> planned;
    auto planGroup = [&](const QString& path) {
        int parent = 0;
        QStringList missing;
        if (path.isEmpty() || groups.find(path, &parent, &missing) >= 0)
            return;
        // Every missing level, parents first; each prefix grows from the one before.
        const QStringList names = splitGroupPath(path);
        const qsizetype existing = names.size() - missing.size();
        QString prefix = joinGroupPath(names.mid(0, existing));
        for (qsizetype i = existing; i < names.size(); ++i) {
            if (!prefix.isEmpty())
                prefix += u'/';
            prefix += joinGroupPath({names[i]});
            if (!planned.contains(prefix)) {
                planned.insert(prefix);
                plan.newGroups << prefix;
            }
        }
    };
    const int longestPhoto = static_cast<int>(photoFileName(photoFolder, 2147483647, QStringLiteral("jpeg")).size());
    for (ImportedContact& ic : contacts) {
        PlannedCard pc;
        fitToColumns(ic);
        if (ic.refusal.kind == Refusal::None) {
            const Refusal r = checkRow(ic.row);
            if (r.kind != Refusal::None)
                ic.refusal = r;
        }
        if (ic.refusal.kind == Refusal::None && !ic.row.photo.isEmpty() && longestPhoto > columnLimit(FOTOLINK)) {
            ic.refusal.kind = Refusal::TooLong;
            ic.refusal.column = FOTOLINK;
            ic.refusal.length = longestPhoto;
            ic.refusal.limit = columnLimit(FOTOLINK);
        }
        if (ic.refusal.kind == Refusal::None && !ic.groupOnly && ic.row.blank()) {
            ic.refusal.kind = Refusal::Empty;
        }
        if (ic.refusal.kind != Refusal::None) {
            pc.status = CardStatus::Refused;
            pc.action = Action::Skip;
        } else if (ic.groupOnly) {
            pc.status = CardStatus::Group;
            planGroup(ic.row.groupPath);
        } else if (const auto dup = finder.find(ic.row)) {
            pc.status = CardStatus::Duplicate;
            pc.duplicate = *dup;
            pc.action = Action::Skip;
            planGroup(ic.row.groupPath);
        } else {
            pc.status = CardStatus::New;
            pc.action = Action::Add;
            planGroup(ic.row.groupPath);
        }
        pc.contact = std::move(ic);
        plan.cards.push_back(std::move(pc));
    }
    return plan;
}

} // namespace exchange
