#include "ImportFileBench.h"

#include "Database.h"
#include "DbError.h"
#include "ImportPlan.h"
#include "SchemaScript.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

// The processor time of this process: on a shared machine the elapsed time also holds the waits for a
// processor.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

} // namespace

int benchImportFile(const QString& path, const QString& user, const QString& password) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(f.errorString()));
        return 1;
    }
    const QByteArray bytes = f.readAll();
    QTemporaryDir dir;
    const QString target = dir.path() + QStringLiteral("/import.gdb");
    try {
        schema::createDatabase(target, schema::readScript(QStringLiteral(":/data/schema.sql")), user, password);
        Database db(QStringLiteral("IBImportFile"));
        db.databaseName = target;
        db.userName = user;
        db.password = password;
        db.connect();

        QElapsedTimer t;
        t.start();
        const double cpuStart = cpuMs();
        QStringList unknownColumns;
        bool recognised = false;
        auto contacts = exchange::readFile(bytes, {}, {}, &unknownColumns, &recognised);
        const double readMs = t.nsecsElapsed() / 1e6;
        const double readCpuMs = cpuMs() - cpuStart;
        t.restart();
        const exchange::ImportPlan plan =
            exchange::makePlan(std::move(contacts), exchange::readSnapshot(db), dir.path() + QStringLiteral("/photos"));
        const double planMs = t.nsecsElapsed() / 1e6;
        const double planCpuMs = cpuMs() - cpuStart - readCpuMs;
        db.disconnect();

        size_t cut = 0;
        for (const exchange::PlannedCard& c : plan.cards)
            if (c.status != exchange::CardStatus::Refused)
                cut += c.contact.cuts.size();
        std::printf("import_file=%s\nimport_bytes=%lld\nimport_recognised=%d\n", qPrintable(path),
                    static_cast<long long>(bytes.size()), recognised ? 1 : 0);
        std::printf("import_read_ms=%.1f\nimport_plan_ms=%.1f\n", readMs, planMs);
        std::printf("import_read_cpu_ms=%.1f\nimport_plan_cpu_ms=%.1f\n", readCpuMs, planCpuMs);
        std::printf("import_cards=%zu\nimport_new=%d\nimport_duplicates=%d\nimport_refused=%d\n", plan.cards.size(),
                    plan.count(exchange::CardStatus::New), plan.count(exchange::CardStatus::Duplicate),
                    plan.count(exchange::CardStatus::Refused));
        std::printf("import_cut=%zu\nimport_groups=%lld\n", cut, static_cast<long long>(plan.newGroups.size()));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
