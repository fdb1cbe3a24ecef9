#pragma once

#include "ContactMapping.h"
#include "Csv.h"
#include "PhoneNumbers.h"

#include <QHash>
#include <functional>
#include <optional>
#include <vector>

class Database;

namespace exchange {

struct GroupRow {
    int num = 0;
    int parent = 0;
    QString name;
};

// The group tree as paths of names from the tree's root (the root group itself is left out).
class GroupPaths {
public:
    GroupPaths() = default;
    explicit GroupPaths(const std::vector<GroupRow>& rows);

    // The path of a group; the root group gives its own name, an unknown group nothing.
    QString path(int num) const;
    // The group a path names. When part of it is missing: -1, the deepest existing group in *parent
    // and the names still to create in *missing.
    int find(const QString& path, int* parent = nullptr, QStringList* missing = nullptr) const;
    // The group a path names, its missing levels made by create(parent, name), which stores a group
    // and returns its number; each is added here too. Nothing for an empty path.
    std::optional<int> ensure(const QString& path, const std::function<int(int parent, const QString& name)>& create);
    // Every group but the root, parents before children.
    QStringList allPaths() const;
    std::vector<int> allGroups() const;
    // The parent of a group; 0 for the root, a top group without parent and an unknown group.
    int parent(int num) const;
    void add(const GroupRow& row);
    static constexpr int kRoot = 1;

private:
    int child(int parent, const QString& name) const;
    int depth(int num) const;
    QHash<int, GroupRow> rows_;
    std::vector<int> order_;
    QHash<std::pair<int, QString>, int> children_; // (parent, name) -> group, so a look-up never walks the tree
    mutable QHash<int, int> depths_;               // depths worked out so far
};

// What duplicate detection needs of a stored contact.
struct StoredContact {
    int num = 0;
    QString fam, first, title;
    QStringList phones; // as written, compared as numbers
    QStringList emails; // case-folded
};

struct DuplicateMatch {
    int num = -1;  // NUM_MAIN of the stored contact
    QString title; // its name
    enum By { Phone, Email } by = Phone;
    QString value; // the phone or e-mail they share
};

// Finds a stored contact that a card looks like: the same surname and first name with the same phone
// number (compared as numbers: "+7 (495) 123-45-67" is "84951234567"), or the same e-mail (letter case
// ignored).
class DuplicateFinder {
public:
    void add(const StoredContact& c);
    std::optional<DuplicateMatch> find(const ContactRow& row) const;
    static StoredContact fromRow(int num, const ContactRow& row);

private:
    std::vector<StoredContact> stored_;
    PhoneNumbers phones_;
    QHash<QString, std::vector<int>> byName_;
    QHash<QString, int> byEmail_;
};

// The phone and e-mail columns compared.
const std::vector<Column>& phoneColumns();

enum class CardStatus { New, Duplicate, Refused, Group };
enum class Action { Add, Skip, Merge };
// What a merge does with a column that both the stored contact and the card fill.
enum class MergeMode { FillEmpty, TakeIncoming };

// A column where the card and the stored contact it merges into hold different values.
struct MergeConflict {
    int column = -1; // GR_NUM for the group path, FOTOLINK for the photograph
    QString stored;
    QString incoming;           // for an inline photograph its type ("jpg")
    qsizetype pictureBytes = 0; // the size of an inline photograph; 0 for other values
};

struct PlannedCard {
    ImportedContact contact;
    CardStatus status = CardStatus::New;
    DuplicateMatch duplicate;
    Action action = Action::Add;
    MergeMode mergeMode = MergeMode::FillEmpty;
    std::vector<MergeConflict> conflicts; // filled by findMergeConflicts
};

// What the header of a CSV file told: the layout recognised and the columns that have no place in a
// contact. Counted over the columns that hold a value in some record: an empty column loses nothing.
struct CsvFacts {
    bool csv = false; // the file was read as CSV
    csv::Layout layout = csv::Layout::Own;
    QStringList unknownFilled; // columns with values and no place: their values are not stored
    int unknownEmpty = 0;      // columns with no place that are empty in every record
    int filledColumns = 0;
    bool mostlyUnknown() const { return csv && unknownFilled.size() * 2 > filledColumns; }
};

// What an import will do, shown before anything is written.
struct ImportPlan {
    std::vector<PlannedCard> cards;
    QStringList newGroups;  // group paths to create, parents first
    QStringList fileNotes;  // columns of a CSV file that name no column
    bool recognised = true; // false when the file is neither vCard nor CSV with a known header
    CsvFacts csv;           // of a CSV file
    int count(CardStatus s) const;
};

// What is stored now: groups and the contacts duplicates are looked for among.
struct Snapshot {
    std::vector<GroupRow> groups;
    std::vector<StoredContact> contacts;
};
Snapshot readSnapshot(Database& db);

// The contacts of a file, vCard or CSV by its content. extraTitles: the grids' column titles in
// field order (for CSV headers in the current language). csvFacts: what a CSV header told.
std::vector<ImportedContact> readFile(const QByteArray& bytes, const QStringList& extraTitles,
                                      const QString& groupTitle, QStringList* fileNotes, bool* recognised,
                                      CsvFacts* csvFacts = nullptr);

// Sorts every card into new, duplicate (action Skip until the user chooses), refused or group.
// photoFolder: where inline photographs will be stored (their path must fit FOTOLINK).
ImportPlan makePlan(std::vector<ImportedContact> contacts, const Snapshot& stored, const QString& photoFolder);

// The name a photograph of contact `num` gets in the folder.
QString photoFileName(const QString& photoFolder, int num, const QString& suffix);

} // namespace exchange
