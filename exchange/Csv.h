#pragma once

#include "ContactMapping.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

// CSV files of contacts: UTF-8 with a byte-order mark, comma-separated, CR LF, a header row of
// column titles, fields quoted when they hold a comma, a quote or a line break.
namespace csv {

// The records of a CSV text. The separator is the one of comma, semicolon or tab that the first
// line uses most; a quote that is never closed ends at the end of the text. Any byte sequence is
// accepted: text that is not valid UTF-8 is read as cp1251.
struct Table {
    std::vector<QStringList> records;
    std::vector<int> lines; // 1-based line where each record starts
};
Table parse(const QByteArray& bytes);

void appendRecord(QByteArray& out, const QStringList& fields);

// The columns of an exported file: the 41 columns in field order with the group path after GR_NUM.
// Titles are given by the caller (the grids' current ones); an empty title stands for the field name.
QStringList exportTitles(const QStringList& columnTitles, const QString& groupTitle);
QStringList exportFields(const exchange::ContactRow& row);

// The layouts of a header: our own titles and field names, or another address book's export.
enum class Layout { Own, Google, OutlookEnglish, OutlookRussian, Thunderbird };

// Reads contacts from a CSV file whose header names the columns by the Russian or English titles,
// the field names, or the extra titles given (the grids' titles in the current language), or is the
// header of another address book's layout (CsvLayouts.h). Titles that two columns share ("Город") go
// to those columns in field order.
struct Import {
    std::vector<exchange::ImportedContact> contacts;
    QStringList unknownColumns; // header cells that name no column
    bool header = false;        // whether a header with at least one known column was found
    Layout layout = Layout::Own;
    QStringList unknownFilled; // the unknown columns that hold a value in some record: data left behind
    int filledColumns = 0;     // columns that hold a value in some record
    // More than half of the columns that hold values have no place in a contact.
    bool mostlyUnknown() const { return unknownFilled.size() * 2 > filledColumns; }
};
Import readContacts(const QByteArray& bytes, const QStringList& extraTitles = {}, const QString& extraGroupTitle = {});

} // namespace csv
