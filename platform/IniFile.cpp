#include "IniFile.h"

#include "Cp1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(QString value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
    QFile file(path_);
    exists_ = QFileInfo(path_).isFile();
    if (!exists_)
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        readable_ = false;
        return;
    }
    const QByteArray bytes = file.readAll();
    // Many editors save with the UTF-8 mark; such a file is UTF-8, every other one cp1251.
    static const QByteArray utf8Mark("\xEF\xBB\xBF");
    const QString text =
        bytes.startsWith(utf8Mark) ? QString::fromUtf8(bytes.mid(utf8Mark.size())) : cp1251::decode(bytes);
    sections_.push_back(Section{QString(), false, {}});
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString raw = text.mid(start, end - start);
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
        if (start > text.size() && raw.isEmpty())
            break;

        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                sections_.push_back(Section{trimmed.mid(1, close - 1).trimmed(), true, {}});
                continue;
            }
        }
        Line line;
        line.text = raw;
        const qsizetype eq = raw.indexOf(u'=');
        if (!trimmed.startsWith(u';') && eq > 0 && !raw.left(eq).trimmed().isEmpty()) {
            line.isEntry = true;
            line.key = raw.left(eq).trimmed();
            line.value = raw.mid(eq + 1).trimmed();
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (auto& s : sections_)
        if (s.header && sameName(s.name, name))
            return &s;
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    return const_cast<IniFile*>(this)->findSection(name);
}

const IniFile::Line* IniFile::findEntry(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    for (const auto& line : s->lines)
        if (line.isEntry && sameName(line.key, key))
            return &line;
    return nullptr;
}

bool IniFile::hasSection(const QString& section) const {
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    return findEntry(section, key) != nullptr;
}

QStringList IniFile::sections() const {
    QStringList out;
    for (const auto& s : sections_)
        if (s.header)
            out << s.name;
    return out;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList out;
    if (const Section* s = findSection(section))
        for (const auto& line : s->lines)
            if (line.isEntry)
                out << line.key;
    return out;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Line* line = findEntry(section, key);
    return line ? unquote(line->value) : defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    const Line* line = findEntry(section, key);
    if (!line)
        return defaultValue;
    const QString v = unquote(line->value);
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) {
        negative = v[i] == u'-';
        ++i;
    }
    long long n = 0;
    for (; i < v.size() && v[i].isDigit() && v[i].unicode() < 128; ++i) {
        n = n * 10 + (v[i].unicode() - '0');
        if (n > 0x7fffffffLL)
            break;
    }
    return static_cast<int>(negative ? -n : n);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back(Section{section, true, {}});
        s = &sections_.back();
    }
    for (auto& line : s->lines) {
        if (line.isEntry && sameName(line.key, key)) {
            line.value = value;
            line.text.clear();
            return;
        }
    }
    // New keys go after the last entry, before trailing blank lines that separate sections.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && !(pos - 1)->isEntry && (pos - 1)->text.trimmed().isEmpty())
        --pos;
    Line line;
    line.isEntry = true;
    line.key = key;
    line.value = value;
    s->lines.insert(pos, std::move(line));
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::eraseSection(const QString& section) {
    std::erase_if(sections_, [&](const Section& s) { return s.header && sameName(s.name, section); });
}

void IniFile::eraseKey(const QString& section, const QString& key) {
    if (Section* s = findSection(section))
        std::erase_if(s->lines, [&](const Line& l) { return l.isEntry && sameName(l.key, key); });
}

bool IniFile::holdsSecrets() const {
    return QFileInfo(path_).fileName().compare(QLatin1String(kSettingsFileName), Qt::CaseInsensitive) == 0;
}

bool IniFile::save() const {
    QString text;
    for (const auto& s : sections_) {
        if (s.header)
            text += u'[' + s.name + QStringLiteral("]\r\n");
        for (const auto& line : s.lines)
            text += (line.isEntry && line.text.isEmpty() ? line.key + u'=' + line.value : line.text) +
                    QStringLiteral("\r\n");
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The settings file keeps the password in plain text: only its owner may read it. The mode is
    // set before the file takes its name, so it is never readable by others, not even briefly.
    if (holdsSecrets() && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    file.write(cp1251::encode(text));
    return file.commit();
}
