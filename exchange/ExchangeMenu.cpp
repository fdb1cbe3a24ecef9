#include "ExchangeMenu.h"

#include "ContactImporter.h"
#include "DMUnit.h"
#include "ExchangeTexts.h"
#include "FormImportPreview.h"
#include "IniLang.h"
#include "MergeConflicts.h"
#include "MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>
#include <stdexcept>

using namespace exchange;

namespace {
constexpr qint64 kMaxImportFile = 256 * 1024 * 1024;
}

ExchangeCommands::ExchangeCommands(TDM& dm, QWidget* window) : QObject(window), dm_(dm), window_(window) {
    setObjectName(QStringLiteral("ExchangeCommands"));
    menu_ = new QMenu(text("M100", "Обмен"), window);
    menu_->setObjectName(QStringLiteral("NExchange"));
    menu_->menuAction()->setObjectName(QStringLiteral("NExchangeItem"));
    auto add = [this](const char* name, const char* key, const char* caption, void (ExchangeCommands::*slot)()) {
        QAction* a = menu_->addAction(text(key, caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
    };
    add("acExportVCard4", "M101", "Экспорт в vCard 4.0...", &ExchangeCommands::acExportVCard4Execute);
    add("acExportVCard3", "M102", "Экспорт в vCard 3.0 (для старых программ)...",
        &ExchangeCommands::acExportVCard3Execute);
    add("acExportCSV", "M103", "Экспорт в CSV...", &ExchangeCommands::acExportCSVExecute);
    menu_->addSeparator();
    add("acImportContacts", "M104", "Импорт из vCard или CSV...", &ExchangeCommands::acImportContactsExecute);
    menu_->addSeparator();
    // The sync window lives above this library; the main window opens it on this signal.
    add("acSync", "M300", "Синхронизация с сервером CardDAV...", &ExchangeCommands::syncRequested);

    chooseSaveFile = [this](const QString& filter, const QString& suggested) {
        return QFileDialog::getSaveFileName(window_, QString(), suggested, filter);
    };
    chooseOpenFile = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(window_, QString(), QString(), filter);
    };
    preview = [this](ImportPlan& plan, const QString& fileName) {
        TFormImportPreview form(plan, QFileInfo(fileName).fileName(), columnTitles(), window_);
        if (const LangFile* lang = CurrentLangFile())
            TranslateForms({&form}, *lang);
        return form.exec() == QDialog::Accepted;
    };
}

QStringList ExchangeCommands::columnTitles() const {
    QStringList titles;
    for (int c = 0; c < ColumnCount; ++c) {
        const Field* f = dm_.TabMain->findField(QString::fromLatin1(mapping(Column(c)).field));
        titles << (f ? f->displayName() : QString());
    }
    return titles;
}

QString ExchangeCommands::groupTitle() const {
    const Field* f = dm_.TabMain->findField(QStringLiteral("GROUP_NAME"));
    return f ? f->displayName() : QString();
}

void ExchangeCommands::exportTo(ExportFormat format) {
    const bool csvFile = format == ExportFormat::Csv;
    const QString filter = csvFile ? QStringLiteral("CSV (*.csv)") : QStringLiteral("vCard (*.vcf)");
    const QString suggested = csvFile ? QStringLiteral("contacts.csv") : QStringLiteral("contacts.vcf");
    const QString name = chooseSaveFile(filter, suggested);
    if (!name.isEmpty())
        exportToFile(format, name);
}

bool ExchangeCommands::exportToFile(ExportFormat format, const QString& fileName) {
    try {
        Dataset& contacts = *dm_.TabMain;
        if (!contacts.isOpen())
            contacts.open();
        contacts.checkBrowseMode(); // a contact being typed is saved first, as on any move
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error(file.errorString().toStdString());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        int written = 0;
        try {
            contacts.fetchAll(); // every contact, the ones still coming too
            written = exportContacts(contacts, groupPathsOf(*dm_.TabContactGroups), format, file, columnTitles(),
                                     groupTitle());
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        if (!file.commit())
            throw std::runtime_error(file.errorString().toStdString());
        msgbox::showInformation(text("M105", "Записано контактов: %2 в файл %1").arg(fileName).arg(written));
        return true;
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    } catch (const std::exception& e) {
        msgbox::showError(text("M137", "Не удалось записать файл %1: %2").arg(fileName, QString::fromUtf8(e.what())));
    }
    return false;
}

void ExchangeCommands::acImportContactsExecute() {
    const QString name =
        chooseOpenFile(QStringLiteral("vCard, CSV (*.vcf *.vcard *.csv *.txt);;vCard (*.vcf *.vcard);;CSV (*.csv)"));
    if (!name.isEmpty())
        importFile(name);
}

bool ExchangeCommands::importFile(const QString& fileName) {
    QFile file(fileName);
    if (file.size() > kMaxImportFile || !file.open(QIODevice::ReadOnly)) {
        msgbox::showError(
            text("M138", "Не удалось прочитать файл %1: %2")
                .arg(fileName, file.error() == QFile::NoError ? QStringLiteral(">256 MB") : file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    try {
        Dataset& contacts = *dm_.TabMain;
        contacts.checkBrowseMode();
        QStringList notes;
        bool recognised = false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ImportPlan plan;
        try {
            CsvFacts csvFacts;
            auto read = readFile(bytes, columnTitles(), groupTitle(), &notes, &recognised, &csvFacts);
            const QString photos = photoFolderFor(dm_.IBPhones->databaseName, dm_.programFolder());
            plan = makePlan(std::move(read), readSnapshot(*dm_.IBPhones), photos);
            findMergeConflicts(*dm_.IBPhones, plan);
            plan.fileNotes = notes;
            plan.recognised = recognised;
            plan.csv = csvFacts;
        } catch (...) {
            QApplication::restoreOverrideCursor();
            throw;
        }
        QApplication::restoreOverrideCursor();
        if (!plan.recognised || plan.cards.empty()) {
            msgbox::showWarning(
                text("M139", "В файле %1 нет карточек vCard и нет таблицы CSV с известными столбцами.").arg(fileName));
            return false;
        }
        if (!preview(plan, fileName))
            return false;
        ImportResult result;
        try {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            result = runImport(*dm_.IBPhones, plan, photoFolderFor(dm_.IBPhones->databaseName, dm_.programFolder()));
            QApplication::restoreOverrideCursor();
        } catch (const ImportError& e) {
            QApplication::restoreOverrideCursor();
            QString where = e.source() > 0 ? text("M140", "Карточка или строка %1: ").arg(e.source()) : QString();
            msgbox::showError(text("M141", "Импорт отменён, ничего не записано. %1%2").arg(where, e.message()));
            return false;
        }
        dm_.TabContactGroups->refresh();
        contacts.refresh();
        if (onImported)
            onImported();
        msgbox::showInformation(text("M142", "Импорт завершён: добавлено %1, объединено %2, пропущено %3, "
                                             "создано групп %4.")
                                    .arg(result.added)
                                    .arg(result.merged)
                                    .arg(result.skipped)
                                    .arg(result.groupsCreated));
        return true;
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
    return false;
}
