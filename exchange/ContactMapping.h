#pragma once

#include "VCard.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>
#include <vector>

// The one table that ties every column of a contact to a vCard property and to a CSV column, and
// the conversions built on it.
namespace exchange {

// The 41 columns of a contact, in the program's field order.
enum Column : int {
    NUM_MAIN,
    JOB_ORG,
    FAM,
    FIRST_NAME,
    MID_NAME,
    JOB_POST,
    DEPARTAMENT,
    GR_NUM,
    NICKNAME,
    OCCUPATION,
    JOBRIGHTFORM,
    BITHDAY,
    FOTOLINK,
    COUNTRY,
    JOB_ADDRESS,
    JOB_CITY,
    JOB_ST,
    JOB_ZIP,
    HOME_ADDRESS,
    HOME_CITY,
    HOME_ST,
    HOME_ZIP,
    AREA_CODE,
    JOB_TEL1,
    JOB_TEL2,
    JOB_TEL3,
    JOB_TEL4,
    JOB_FAX,
    HOME_TEL1,
    HOME_TEL2,
    HOME_FAX,
    CELLULAR,
    PAGER,
    JOB_EMAIL,
    HOME_EMAIL,
    JOB_WWW,
    HOME_WWW,
    JOB_ICQ,
    HOME_ICQ,
    OTHER_COMMUN,
    NOTES,
    ColumnCount
};

struct ColumnMapping {
    Column column;
    const char* field;    // the program's field name
    const char* english;  // the English column title (the Russian one is the field's display label)
    const char* property; // vCard property
    const char* types;    // TYPE values written with it, comma-separated
    int component;        // position in a structured value (N, ORG, ADR); -1 for the whole value
    const char* note;     // how the value travels, for the README
};

// The mapping table, one entry per column in field order.
const std::array<ColumnMapping, ColumnCount>& mappingTable();
const ColumnMapping& mapping(Column c);
// The most characters the column stores (its entry limit); 0 for keys and the date.
int columnLimit(int c);
// The Russian column title: the field's display label, or its name when it has none.
QString russianTitle(int c);
// The column of a field name (any letter case; "Departament" and "DEPARTAMENT" both); -1 when none.
int columnOfField(const QString& name);

// The title the CSV file gives the group path column, and the field name it also answers to.
inline constexpr const char* kGroupTitleRussian = "Группа";
inline constexpr const char* kGroupTitleEnglish = "Group";
inline constexpr const char* kGroupField = "GROUP_NAME";

// Per-property parameter that names the column a value came from, so a round trip puts every phone,
// e-mail, web address and messenger number back into the same column.
inline constexpr const char* kFieldParam = "X-KORVANE-FIELD";

// One contact as it travels: the column values (null or QString, QDate for BITHDAY, int for the keys),
// the group path from the tree's root, and a photograph carried inline.
struct ContactRow {
    std::array<QVariant, ColumnCount> values;
    QString groupPath;
    QByteArray photo;    // picture bytes from an inline PHOTO
    QString photoSuffix; // "jpg", "png", ...

    QString text(Column c) const { return values[c].toString(); }
    bool isEmpty(Column c) const { return values[c].isNull() || values[c].toString().isEmpty(); }
    void set(Column c, const QString& v) { values[c] = v.isEmpty() ? QVariant() : QVariant(v); }
    // No value in any column, no photograph.
    bool blank() const;
    // A short name for lists: surname and first name, else the organisation, else the first phone or e-mail.
    QString title() const;
};

// Why a card cannot be taken.
// Puts the value into the first of the columns that is empty; false when none is.
bool placeFirstFree(ContactRow& r, std::initializer_list<Column> candidates, const QString& v);

// Which address of the row an incoming address takes: the one its type names while that is still
// empty, else the first empty one (work before home), else none.
enum class AddressSlot { Work, Home, None };
AddressSlot addressSlotFor(const ContactRow& r, bool saysHome, bool saysWork);

struct Refusal {
    enum Kind { None, Character, TooLong, BadDate, GroupNameTooLong, GroupCharacter, Empty, GroupTooDeep, BadText };
    Kind kind = None;
    int column = -1;        // the column concerned (GR_NUM for the group path)
    QChar character;        // Character: the first character that cp1251 lacks
    char32_t codePoint = 0; // Character: the same as a whole code point (both halves of a surrogate pair)
    int line = 0;           // BadText: the line of the value that is no text in its charset
    int length = 0;         // TooLong: the value's length; GroupTooDeep: the path's levels
    int limit = 0;          // TooLong: the column's limit; GroupTooDeep: kMaxGroupDepth
    QString value;          // BadDate: the text that is no date; group name for the group kinds; BadText: the charset
};

// The deepest group path a card may name; a deeper one refuses the card.
inline constexpr int kMaxGroupDepth = 64;

// A text value cut to its column's limit on the way in.
struct CutValue {
    int column = -1;
    int length = 0; // the value's length in the file
    int limit = 0;  // the column's limit, the length stored
};

// One card or CSV row read from a file.
struct ImportedContact {
    int source = 0; // card number (vCard) or line number (CSV), 1-based
    ContactRow row;
    bool groupOnly = false; // a card that describes a group and no contact
    QStringList notes;      // what was read but not kept, in plain words
    std::vector<CutValue> cuts;
    Refusal refusal;
    QString uid;          // the card's UID, as group cards name their members
    QStringList members;  // a group card's MEMBER and X-ADDRESSBOOKSERVER-MEMBER values
    QStringList memberOf; // group paths of the group cards that name this card (see assignGroupMembers)
};

// Reads the contact of a parsed card. The group path comes from CATEGORIES.
ImportedContact contactFromCard(const vcard::Card& card);

// Writes one contact as a card of version 3 or 4 (CR LF lines, folded, UTF-8). A photograph given as
// bytes goes inline; a path without bytes goes as a file URI.
enum class VCardVersion { V3, V4 };
void appendCard(QByteArray& out, const ContactRow& row, VCardVersion version);
// A card for a group of the tree, so an import rebuilds the whole tree. Its members are named by their
// UIDs in both forms servers use: X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:UID in 3.0, MEMBER in 4.0. uid:
// the group card's own UID; none written when empty.
void appendGroupCard(QByteArray& out, const QString& path, VCardVersion version, const QStringList& memberUids = {},
                     const QString& uid = {});
// The UIDs written for a contact and a group of the tree: the same for the same key on every export.
QString contactUid(int num);
QString groupUid(int num);

// The picture type of photograph bytes ("jpg", "png", "gif", "bmp"); empty when unknown.
QString pictureSuffix(const QByteArray& bytes);

// Digits of a phone number only ("+7 (495) 111-22-33" -> "74951112233").
QString phoneDigits(const QString& phone);

// The text column values of a row checked against the database: every character in cp1251 and no
// value longer than its column; the first fault found is returned.
Refusal checkRow(const ContactRow& row);

// Group paths: names joined with '/', a '/' inside a name written as "\/".
QStringList splitGroupPath(const QString& path);
QString joinGroupPath(const QStringList& names);

} // namespace exchange
