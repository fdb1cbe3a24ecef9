#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <stdexcept>

class QByteArray;
class QObject;
class QWidget;

// IniLang: the language files that replace the built-in Russian texts of the windows and supply the
// texts of every message.
//
// A language file is an INI-layout text file in cp1251, read whole into memory. The rules decide what
// a translator may write, so they are strict and literal:
//   - lines end with CR, LF or CR LF; empty lines and lines starting with ';' are ignored;
//   - a line whose first character is '[' and last is ']' starts a section named by everything between
//     the brackets, blanks included;
//   - any other line with '=' is an entry of the section above it: the key is everything before the
//     first '=', the value everything after it; nothing is trimmed, so a blank before '=' belongs to
//     the key and a blank after it to the value;
//   - lines above the first section are ignored;
//   - section names and keys match without regard to case; only the first section of a name is ever
//     searched and the first entry of a key in it wins.

// A language file in memory.
class LangFile {
public:
    // Parses the cp1251 bytes of a language file; a file that starts with the UTF-8 byte-order mark
    // is read as UTF-8.
    explicit LangFile(const QByteArray& cp1251Bytes);

    // The value of the key in the section, or the default when either is missing.
    QString read(const QString& section, const QString& key, const QString& defaultValue) const;

private:
    using Entries = QHash<QString, QString>; // folded key -> value

    const Entries* findSection(const QString& section) const;

    QHash<QString, Entries> sections_; // folded section name -> entries
};

// A file that exists but could not be read. what() is the UTF-8 form of message().
class FileOpenError : public std::runtime_error {
public:
    explicit FileOpenError(const QString& path);

    // "Cannot open file <path>"
    const QString& message() const { return message_; }
    const QString& path() const { return path_; }

private:
    QString path_;
    QString message_;
};

// Reads the named file of the program folder. Returns nullptr when there is no such file; throws
// FileOpenError when it exists but cannot be read.
std::unique_ptr<LangFile> OpenLangFile(const QString& fileName);

// The one language file of the program, or nullptr while no language is loaded.
const LangFile* CurrentLangFile();
// Replaces the current language file; the previous one is released. nullptr means no language.
void SetCurrentLangFile(std::unique_ptr<LangFile> file);

// The text of a message key from section "Misc" of the current language file, every "*|*" turned into
// CR LF. Leading empty pieces add nothing, but the last piece is always preceded by CR LF, so "*|*"
// alone gives one CR LF and "*|**|*a" gives CR LF and "a". Without a current file the default text
// comes back unchanged (callers pass the key itself, so a message then shows its bare key); with a
// file, a missing key yields an empty text.
QString LangMessage(const QString& defaultText, const QString& key);

// The text of a message key for a text the program builds itself: the Russian text given (the
// program's own language) while no language is loaded or when the file has no text for the key.
QString LangText(const char* key, const char* russian);

// Sets a text property of a component by its name in the language file. "Caption" and "Hint" (any
// letter case) are mapped onto Qt here and only here:
//   Caption: QAction text; tab text of a page inside a QTabWidget; QMenu title; QLabel and
//            QAbstractButton text; QGroupBox title; QDockWidget title; the title of any other window.
//   Hint:    tab tooltip of a page inside a QTabWidget; toolTip of any other QWidget or QAction.
// Any other name sets the component's own writable Qt property of that name if it holds text.
// An empty value, or a component without such a property, changes nothing. Returns whether it set.
bool SetTextProperty(QObject* component, const QString& propertyName, const QString& value);

// Marks a container widget as a radio-button group: its items are the QRadioButtons inside it, in
// creation order. A QButtonGroup counts as one too, with its buttons in the order they were added.
inline constexpr char kRadioGroupProperty[] = "radioGroup";

// Applies the language file to each window of the list in turn; nullptr entries are skipped.
// With W the window's objectName and C the objectName of any named QObject inside the window (actions,
// menus and hidden widgets included, but nothing of another window that has W as its parent, such as
// a dialog: that window has a section of its own), section W gives:
//   W.Caption        the window title, if not empty;
//   W.C.Caption      SetTextProperty(C, "Caption", value);
//   W.C.Hint         SetTextProperty(C, "Hint", value);
//   W.C.lines[i]     line i of a QPlainTextEdit or QTextEdit unless the value is "fsdef"; empty empties it
//                    (an empty text has no lines, and a final line break starts no line of its own);
//   W.C.items[i]     item i of a radio-button group or a QComboBox, if not empty.
// Lines and items are only replaced, never added.
void TranslateForms(const QList<QWidget*>& windows, const LangFile& file);
