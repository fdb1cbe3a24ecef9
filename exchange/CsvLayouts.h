#pragma once

#include "Csv.h"

#include <vector>

// The CSV layouts of other address books, recognised by their header: Google Contacts, Outlook with
// English or Russian titles, Thunderbird. Each column title gets a role: a column of the contact, one
// of several phones, e-mails, web pages or messengers placed by their kind, a part of an address, of
// the birthday or the group names; columns without a place in a contact are listed.
namespace csv {

// What one column of a known layout holds.
struct Role {
    enum Kind {
        Unknown,  // no place in a contact
        Ignored,  // a detail of another column (Outlook's "E-mail Type"): known, not stored
        Value,    // one column of the contact
        FullName, // the whole name, taken when no part of the name is given
        Groups,   // group names
        Phone,    // a phone, e-mail, web page or messenger, placed by its kind
        Email,
        Web,
        Messenger,
        Label,     // the kind of the values of its slot (Google's "Phone 1 - Label")
        Address,   // a part of an address
        Birthday,  // a date
        BirthYear, // parts of a date (Thunderbird)
        BirthMonth,
        BirthDay,
    };
    enum AddressPart { PoBox, Extended, Street, City, Region, PostalCode, Country, Formatted };
    Kind kind = Unknown;
    int column = -1; // Value: the column
    QString types;   // the kind of a phone, e-mail, web page, messenger or address: "work", "home,fax", ...
    QString slot;    // values and labels of one numbered group, the parts of one address
    int part = -1;   // Address: an AddressPart
};

// The layout a header is in and the role of each of its columns. Layout::Own when no other layout
// knows more of its columns than our own titles do.
struct LayoutMatch {
    Layout layout = Layout::Own;
    std::vector<Role> roles;
    int known = 0; // columns with a role other than Unknown
};
LayoutMatch recogniseLayout(const QStringList& header);

// The contacts of the records after the header (records[1...]) of a file in a known layout.
std::vector<exchange::ImportedContact> readLayoutRows(const Table& table, const LayoutMatch& match);

} // namespace csv
