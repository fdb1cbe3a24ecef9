#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// An INI file with the rules of the Windows private-profile functions: sections in square brackets,
// key=value lines, section and key names compared without regard to case, blanks around keys and
// values dropped, a value in one pair of quotes loses them, the first section and the first key of a
// name win, order kept on writing, cp1251 on disk (a file that starts with the UTF-8 mark is read as
// UTF-8). The file is read when the object is made and written by save().
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return path_; }
    // False when the file exists but could not be read; a missing file is simply empty.
    bool readable() const { return readable_; }
    bool exists() const { return exists_; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Like GetPrivateProfileInt: the leading decimal number of the value (0 when there is none);
    // the default only when the key is missing.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // Booleans are integers; any non-zero value means true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Replaces the value in place, or adds the key at the end of its section, or the section at the end.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void eraseSection(const QString& section);
    void eraseKey(const QString& section, const QString& key);

    // Writes the file; false when it cannot be written. The settings file (Phones.ini, which holds
    // the password) is written readable and writable by its owner only.
    bool save() const;
    bool holdsSecrets() const;
    static constexpr const char* kSettingsFileName = "Phones.ini";

private:
    struct Line {
        QString text; // the raw line for comments and anything unparsed
        QString key;  // empty for a non-entry
        QString value;
        bool isEntry = false;
    };
    struct Section {
        QString name; // empty name with header=false: lines above the first section
        bool header = true;
        std::vector<Line> lines;
    };

    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    const Line* findEntry(const QString& section, const QString& key) const;

    QString path_;
    bool readable_ = true;
    bool exists_ = false;
    std::vector<Section> sections_;
};
