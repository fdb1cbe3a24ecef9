#include "GridTexts.h"

#include "Dataset.h"
#include "IniFile.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace gridtexts {

QString filePath(const QString& languageCode) {
    const QString name = QStringLiteral("DBgrids.") + languageCode;
    const QString folder = programfolder::sharedPath();
    if (QFileInfo::exists(folder + name))
        return folder + name;
    const QStringList entries = QDir(folder).entryList({QStringLiteral("DBgrids.*")}, QDir::Files | QDir::Readable);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return folder + entry;
    return folder + name;
}

} // namespace gridtexts

UnableToWriteError::UnableToWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("Unable to write to %1").arg(path).toStdString()),
      message_(QStringLiteral("Unable to write to %1").arg(path)) {}

void TranslateGrid(const std::vector<Dataset*>& tables, const QString& languageCode) {
    const IniFile file(gridtexts::filePath(languageCode));
    for (Dataset* table : tables) {
        if (table == nullptr)
            continue;
        // One notification per table instead of one per field: the grids rebuild their titles once.
        table->disableControls();
        for (int i = 0; i < table->fieldCount(); ++i) {
            Field& field = table->field(i);
            const QString label = file.readable() ? file.readString(table->objectName(), field.name()) : QString();
            field.setDisplayLabel(label.left(gridtexts::kMaxValueLength));
        }
        table->enableControls();
        table->notifyFieldsChanged();
    }
}

void ExportColumnTitles(const std::vector<Dataset*>& tables, const QString& path) {
    IniFile file(path);
    // A file that cannot be read is not replaced: the entries the export does not write would be lost.
    if (!file.readable())
        throw UnableToWriteError(QDir::toNativeSeparators(path));
    for (Dataset* table : tables) {
        if (table == nullptr)
            continue;
        for (int i = 0; i < table->fieldCount(); ++i) {
            const Field& field = table->field(i);
            file.writeString(table->objectName(), field.name(), field.displayName());
        }
    }
    if (!file.save())
        throw UnableToWriteError(QDir::toNativeSeparators(path));
}
