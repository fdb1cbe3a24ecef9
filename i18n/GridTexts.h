#pragma once

#include <QString>
#include <stdexcept>
#include <vector>

class Dataset;

// The grid-text files "DBgrids.<language code>" of the program folder: one section per table of the
// data module, named by the table's dataset, with one key per field giving the field's display label.
// They are INI files read by the private-profile rules (case-insensitive names, blanks around keys and
// values dropped, one pair of enclosing quotes removed), cp1251 on disk.
namespace gridtexts {

// The path of the grid-text file of a language code in the program folder. File names match
// without regard to letter case, so "dbgrids.EN" serves as "DBgrids.en"; when none exists the exact
// name is returned.
QString filePath(const QString& languageCode);

// The longest value read for one field, as the platform's profile reader returns it.
inline constexpr int kMaxValueLength = 2047;

} // namespace gridtexts

// A settings or grid-text file that could not be written: "Unable to write to <path>".
class UnableToWriteError : public std::runtime_error {
public:
    explicit UnableToWriteError(const QString& path);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Sets the display label of every field of every table, in order, from the grid-text file of the
// language code. Every field is set: a missing key or a missing file empties the label, so the column
// shows the bare field name.
void TranslateGrid(const std::vector<Dataset*>& tables, const QString& languageCode);

// Writes the current display labels (the field name where a label is empty) of every field of every
// table into the grid-text file at the path. Existing entries are replaced, other entries stay.
// Throws UnableToWriteError when the file cannot be written.
void ExportColumnTitles(const std::vector<Dataset*>& tables, const QString& path);
