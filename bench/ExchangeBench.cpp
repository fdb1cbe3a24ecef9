// The exchange figures of korvane-bench: vCard export of every contact against the bare fetch, and the
// import of 10,000 of them as vCard cards and as a Google Contacts CSV file into an empty database.
#include "ExchangeBench.h"

#include "ContactExport.h"
#include "ContactImporter.h"
#include "Csv.h"
#include "DMUnit.h"
#include "Database.h"
#include "ImportPlan.h"
#include "SchemaScript.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <ctime>

namespace {

double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The contacts as Google Contacts writes them: its 2024 header, numbered groups of label and value,
// several values of one kind in one cell joined by " ::: ", its own label on every contact.
QByteArray googleCsv(const std::vector<exchange::ImportedContact>& contacts) {
    using namespace exchange;
    QByteArray out;
    csv::appendRecord(out, {"First Name",
                            "Middle Name",
                            "Last Name",
                            "Phonetic First Name",
                            "Name Prefix",
                            "Nickname",
                            "File As",
                            "Organization Name",
                            "Organization Title",
                            "Organization Department",
                            "Birthday",
                            "Notes",
                            "Photo",
                            "Labels",
                            "E-mail 1 - Label",
                            "E-mail 1 - Value",
                            "E-mail 2 - Label",
                            "E-mail 2 - Value",
                            "Phone 1 - Label",
                            "Phone 1 - Value",
                            "Phone 2 - Label",
                            "Phone 2 - Value",
                            "Phone 3 - Label",
                            "Phone 3 - Value",
                            "Phone 4 - Label",
                            "Phone 4 - Value",
                            "Address 1 - Label",
                            "Address 1 - Formatted",
                            "Address 1 - Street",
                            "Address 1 - City",
                            "Address 1 - PO Box",
                            "Address 1 - Region",
                            "Address 1 - Postal Code",
                            "Address 1 - Country",
                            "Address 1 - Extended Address",
                            "Address 2 - Label",
                            "Address 2 - Street",
                            "Address 2 - City",
                            "Address 2 - Postal Code",
                            "Website 1 - Label",
                            "Website 1 - Value",
                            "Website 2 - Label",
                            "Website 2 - Value"});
    auto joined = [](const ContactRow& r, std::initializer_list<Column> columns) {
        QStringList v;
        for (Column c : columns)
            if (!r.isEmpty(c))
                v << r.text(c);
        return v.join(QStringLiteral(" ::: "));
    };
    for (const ImportedContact& ic : contacts) {
        if (ic.groupOnly)
            continue;
        const ContactRow& r = ic.row;
        const QString labels =
            r.groupPath.isEmpty() ? QStringLiteral("* myContacts") : QStringLiteral("* myContacts ::: ") + r.groupPath;
        const QDate birthday = r.values[BITHDAY].toDate();
        csv::appendRecord(out, {r.text(FIRST_NAME),
                                r.text(MID_NAME),
                                r.text(FAM),
                                QString(),
                                QString(),
                                r.text(NICKNAME),
                                QString(),
                                r.text(JOB_ORG),
                                r.text(JOB_POST),
                                r.text(DEPARTAMENT),
                                birthday.isValid() ? birthday.toString(Qt::ISODate) : QString(),
                                r.text(NOTES),
                                QString(),
                                labels,
                                QStringLiteral("* Work"),
                                r.text(JOB_EMAIL),
                                QStringLiteral("Home"),
                                r.text(HOME_EMAIL),
                                QStringLiteral("Mobile"),
                                r.text(CELLULAR),
                                QStringLiteral("Work"),
                                joined(r, {JOB_TEL1, JOB_TEL2, JOB_TEL3, JOB_TEL4}),
                                QStringLiteral("Home"),
                                joined(r, {HOME_TEL1, HOME_TEL2}),
                                QStringLiteral("Work Fax"),
                                r.text(JOB_FAX),
                                QStringLiteral("Work"),
                                QString(),
                                r.text(JOB_ST),
                                r.text(JOB_CITY),
                                QString(),
                                QString(),
                                r.text(JOB_ZIP),
                                r.text(COUNTRY),
                                r.text(JOB_ADDRESS),
                                QStringLiteral("Home"),
                                r.text(HOME_ST),
                                r.text(HOME_CITY),
                                r.text(HOME_ZIP),
                                QStringLiteral("Work"),
                                r.text(JOB_WWW),
                                QStringLiteral("Home"),
                                r.text(HOME_WWW)});
    }
    return out;
}

// 10,000 contacts in the Google Contacts layout read, planned against an empty database and imported.
void benchCsvImport(const std::vector<exchange::ImportedContact>& contacts, const QString& folder) {
    const QByteArray file = googleCsv(contacts);
    const QString target = folder + QStringLiteral("import-csv.gdb");
    schema::createDatabase(target, schema::readScript(QStringLiteral(":/data/schema.sql")));
    Database db(QStringLiteral("IBImportCsv"));
    db.databaseName = target;
    db.userName = QStringLiteral("SYSDBA");
    db.connect();
    const double cpuStart = cpuMs();
    QElapsedTimer t;
    t.start();
    exchange::CsvFacts facts;
    auto read = exchange::readFile(file, {}, {}, nullptr, nullptr, &facts);
    const double readMs = t.nsecsElapsed() / 1e6;
    const exchange::ImportPlan plan =
        exchange::makePlan(std::move(read), exchange::readSnapshot(db), folder + QStringLiteral("photos"));
    const double planMs = t.nsecsElapsed() / 1e6 - readMs;
    const exchange::ImportResult result = exchange::runImport(db, plan, folder + QStringLiteral("photos"));
    const double ms = t.nsecsElapsed() / 1e6;
    const double cpu = cpuMs() - cpuStart;
    std::printf("csv_import_layout=%s\ncsv_import_rows=%d\ncsv_import_added=%d\ncsv_import_ms=%.1f\n",
                facts.layout == csv::Layout::Google ? "google" : "other", plan.count(exchange::CardStatus::New),
                result.added, ms);
    std::printf("csv_import_read_ms=%.1f\ncsv_import_plan_ms=%.1f\ncsv_import_write_ms=%.1f\n", readMs, planMs,
                ms - readMs - planMs);
    std::printf("csv_import_cpu_ms=%.1f\n", cpu);
    db.disconnect();
}

// Exchange: the whole list written as vCard 4.0 against the bare fetch of the same rows, and 10,000
// cards read, planned against an empty database and imported in one transaction.
} // namespace

void benchExchange(TDM& dm, const QString& file, const QString& folder, RawFetch rawFetch, MainSelect mainSelect) {
    Dataset& m = *dm.TabMain;
    m.setFilterState(QString(), false);
    m.fetchAll(); // the whole list, as the export of a list already read
    const exchange::GroupPaths groups = exchange::groupPathsOf(*dm.TabContactGroups);
    QFile out(folder + QStringLiteral("export.vcf"));
    out.open(QIODevice::WriteOnly);
    QElapsedTimer t;
    t.start();
    const int written = exchange::exportContacts(m, groups, exchange::ExportFormat::VCard4, out);
    out.close();
    const double exportMs = t.nsecsElapsed() / 1e6;
    qint64 bytes = 0;
    const QString order = m.sortField().isEmpty() ? QStringLiteral("NUM_MAIN") : m.sortField();
    const double raw = rawFetch(file, mainSelect(m, {}, order), &bytes);
    std::printf("vcard_export_contacts=%d\nvcard_export_mb=%.1f\n", written, out.size() / 1048576.0);
    std::printf("vcard_export_ms=%.1f\nvcard_export_ratio=%.2f\n", exportMs, exportMs / raw);

    // 10,000 cards of the generated contacts.
    m.setFilterState(QStringLiteral("NUM_MAIN <= 10000"), true);
    QBuffer cards;
    cards.open(QIODevice::WriteOnly);
    const int cardCount = exchange::exportContacts(m, groups, exchange::ExportFormat::VCard4, cards);
    m.setFilterState(QString(), false);
    const QString target = folder + QStringLiteral("import.gdb");
    schema::createDatabase(target, schema::readScript(QStringLiteral(":/data/schema.sql")));
    Database db(QStringLiteral("IBImport"));
    db.databaseName = target;
    db.userName = QStringLiteral("SYSDBA");
    db.connect();
    const double cpuStart = cpuMs();
    t.restart();
    auto contacts = exchange::readFile(cards.data(), {}, {}, nullptr, nullptr);
    const double readMs = t.nsecsElapsed() / 1e6;
    const double readCpu = cpuMs() - cpuStart;
    const exchange::ImportPlan plan =
        exchange::makePlan(std::move(contacts), exchange::readSnapshot(db), folder + QStringLiteral("photos"));
    const double planMs = t.nsecsElapsed() / 1e6 - readMs;
    const exchange::ImportResult result = exchange::runImport(db, plan, folder + QStringLiteral("photos"));
    const double importMs = t.nsecsElapsed() / 1e6;
    const double importCpuMs = cpuMs() - cpuStart;
    std::printf("vcard_import_cards=%d\nvcard_import_added=%d\nvcard_import_ms=%.1f\n", cardCount, result.added,
                importMs);
    std::printf("vcard_import_read_ms=%.1f\nvcard_import_plan_ms=%.1f\nvcard_import_write_ms=%.1f\n", readMs, planMs,
                importMs - readMs - planMs);
    // The processor time of the same work (the embedded engine runs in this process): the elapsed time
    // above also holds the waits for a processor on a shared machine and for the disk, which the
    // database's synchronous writes of the one commit meet.
    std::printf("vcard_import_cpu_ms=%.1f\nvcard_import_read_cpu_ms=%.1f\n", importCpuMs, readCpu);
    db.disconnect();
    benchCsvImport(exchange::readFile(cards.data(), {}, {}, nullptr, nullptr), folder);
}
