#include "IniLang.h"

#include "DataTexts.h"

#include "Cp1251.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Section names and keys are compared in the letter case of the code page the file is written in.
QString folded(const QString& name) {
    return cp1251::toUpper(name);
}

// Splits at CR, LF or CR LF; a CR LF pair is one break.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool isSectionLine(const QString& line) {
    return line.size() >= 2 && line.front() == u'[' && line.back() == u']';
}

std::unique_ptr<LangFile>& currentFile() {
    static std::unique_ptr<LangFile> file;
    return file;
}

QString cannotOpenText(const QString& path) {
    return QStringLiteral("Cannot open file %1").arg(path);
}

const QString kLineBreakMark = QStringLiteral("*|*");
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

LangFile::LangFile(const QByteArray& cp1251Bytes) {
    // Editors that save UTF-8 often start the file with its byte-order mark; such a file is read as
    // UTF-8 rather than turned into garbage. Every other file is cp1251.
    static const QByteArray kUtf8Mark("\xEF\xBB\xBF");
    const QString text = cp1251Bytes.startsWith(kUtf8Mark) ? QString::fromUtf8(cp1251Bytes.mid(kUtf8Mark.size()))
                                                           : cp1251::decode(cp1251Bytes);
    Entries* section = nullptr; // nullptr above the first section and inside a repeated one
    for (const QString& line : splitLines(text)) {
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (isSectionLine(line)) {
            const QString name = folded(line.mid(1, line.size() - 2));
            // Only the first section of a name is searched, so a repeated one collects nothing.
            section = sections_.contains(name) ? nullptr : &sections_[name];
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (section == nullptr || eq < 0)
            continue;
        const QString key = folded(line.left(eq));
        if (!section->contains(key))
            section->insert(key, line.mid(eq + 1));
    }
}

const LangFile::Entries* LangFile::findSection(const QString& section) const {
    const auto it = sections_.constFind(folded(section));
    return it == sections_.cend() ? nullptr : &it.value();
}

QString LangFile::read(const QString& section, const QString& key, const QString& defaultValue) const {
    const Entries* entries = findSection(section);
    if (entries == nullptr)
        return defaultValue;
    const auto it = entries->constFind(folded(key));
    return it == entries->cend() ? defaultValue : it.value();
}

FileOpenError::FileOpenError(const QString& path)
    : std::runtime_error(cannotOpenText(path).toStdString()), path_(path), message_(cannotOpenText(path)) {}

std::unique_ptr<LangFile> OpenLangFile(const QString& fileName) {
    const QString path = programfolder::sharedPath() + fileName;
    if (!QFileInfo::exists(path))
        return nullptr;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileOpenError(QDir::toNativeSeparators(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileOpenError(QDir::toNativeSeparators(path));
    return std::make_unique<LangFile>(bytes);
}

const LangFile* CurrentLangFile() {
    return currentFile().get();
}

void SetCurrentLangFile(std::unique_ptr<LangFile> file) {
    currentFile() = std::move(file);
    // The data layer's messages come from the same file.
    datatexts::setLookup([](const QString& key) { return LangMessage(QString(), key); });
}

QString LangText(const char* key, const char* russian) {
    const QString text = LangMessage(QString(), QString::fromLatin1(key));
    return text.isEmpty() ? QString::fromUtf8(russian) : text;
}

QString LangMessage(const QString& defaultText, const QString& key) {
    const LangFile* file = CurrentLangFile();
    if (file == nullptr)
        return defaultText;
    const QString value = file->read(QStringLiteral("Misc"), key, QString());
    if (!value.contains(kLineBreakMark))
        return value;
    const QStringList pieces = value.split(kLineBreakMark);
    QString result;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        // Empty pieces before the first text add no break of their own.
        if (result.isEmpty())
            result = pieces.at(i);
        else
            result += kCrLf + pieces.at(i);
    }
    return result + kCrLf + pieces.last();
}
