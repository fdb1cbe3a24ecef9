// korvane-bench: fills a fresh database with generated contacts and measures how the contact list
// loads against the same select fetched through the bare client API. Prints name=value lines.
#include "ContactExport.h"
#include "ContactImporter.h"
#include "ContactPages.h"
#include "DMUnit.h"
#include "DbError.h"
#include "SchemaScript.h"

#include <QApplication>
#include <QBuffer>
#include <QEvent>
#include <QScrollBar>
#include <QTableView>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QDir>
#include <cstdio>
#include <ctime>

namespace {

const char* const kSurnames[] = {"Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов", "Попов", "Васильев",
                                 "Ёлкин", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев", "Лебедев",
                                 "Семёнов", "Егоров", "Павлов", "Козлов", "Степанов", "Николаев", "Smith",
                                 "Johnson", "Brown", "O'Brien", "Miller", "Davis", "Garcia", "Wilson"};
const char* const kNames[] = {"Иван", "Пётр", "Анна", "Мария", "Сергей", "Ольга", "Алексей", "Елена", "Дмитрий",
                              "Наталья", "John", "Mary", "Peter", "Linda"};
const char* const kMids[] = {"Иванович", "Петрович", "Сергеевна", "Алексеевич", "Дмитриевна", ""};
const char* const kOrgs[] = {"ООО «Ромашка»", "ЗАО «Вектор»", "ОАО «Северсталь»", "ИП Сидоров", "Acme Corp.",
                             "Globex", "НИИ «Прибор»", "Торговый дом «Восток»"};
const char* const kCities[] = {"Москва", "Санкт-Петербург", "Новосибирск", "Екатеринбург", "Казань", "London",
                               "Berlin"};
const char* const kStreets[] = {"ул. Ленина", "пр. Мира", "ул. Садовая", "Невский пр.", "Baker St.", "ул. Гагарина"};
const char* const kPosts[] = {"Директор", "Бухгалтер", "Менеджер", "Инженер", "Секретарь", "Manager"};

template <size_t N> QString pick(const char* const (&list)[N], QRandomGenerator& r) {
    return QString::fromUtf8(list[r.bounded(static_cast<quint32>(N))]);
}

QString phone(QRandomGenerator& r) {
    return QStringLiteral("+7 (%1) %2-%3-%4")
        .arg(r.bounded(900) + 100)
        .arg(r.bounded(900) + 100)
        .arg(r.bounded(90) + 10)
        .arg(r.bounded(90) + 10);
}

void fill(const QString& file, int contacts) {
    fb::Attachment db;
    db.attach(file, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr,
                     QStringLiteral("insert into \"MAIN\" (NUM_MAIN, JOB_ORG, FAM, FIRST_NAME, MID_NAME, JOB_POST, "
                                    "GR_NUM, DEPARTAMENT, COUNTRY, JOB_CITY, JOB_ST, JOB_ZIP, HOME_CITY, HOME_ST, "
                                    "AREA_CODE, JOB_TEL1, HOME_TEL1, CELLULAR, JOB_EMAIL, NOTES, BITHDAY) values "
                                    "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    QRandomGenerator r(20261209);
    for (int i = 1; i <= contacts; ++i) {
        const QString fam = pick(kSurnames, r);
        const QVariant values[] = {i,
                                   pick(kOrgs, r),
                                   fam,
                                   pick(kNames, r),
                                   pick(kMids, r),
                                   pick(kPosts, r),
                                   static_cast<int>(r.bounded(6)) + 1,
                                   QStringLiteral("Отдел %1").arg(r.bounded(20)),
                                   QStringLiteral("Россия"),
                                   pick(kCities, r),
                                   pick(kStreets, r) + QStringLiteral(", д. %1").arg(r.bounded(200)),
                                   QString::number(100000 + r.bounded(800000)),
                                   pick(kCities, r),
                                   pick(kStreets, r) + QStringLiteral(", кв. %1").arg(r.bounded(300)),
                                   QString::number(r.bounded(900) + 100),
                                   phone(r),
                                   phone(r),
                                   phone(r),
                                   QStringLiteral("user%1@example.org").arg(i),
                                   r.bounded(4) == 0 ? QVariant(QStringLiteral("Позвонить после обеда")) : QVariant(),
                                   QDate(1950, 1, 1).addDays(r.bounded(20000))};
        for (int p = 0; p < 21; ++p)
            st.setParam(p, values[p]);
        st.execute();
    }
    fb::executeImmediate(db, tr, QStringLiteral("ALTER SEQUENCE GEN_MAIN RESTART WITH %1").arg(contacts));
    tr.commit();
}

// The same select through the bare client API, every value read, nothing kept.
double rawFetch(const QString& file, const QString& sql, qint64* bytes) {
    fb::Attachment db;
    db.attach(file, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    QElapsedTimer t;
    t.start();
    fb::Statement st(db, tr, sql);
    st.execute();
    qint64 total = 0;
    volatile qint64 sink = 0;
    while (st.fetch()) {
        for (int c = 0; c < st.columnCount(); ++c) {
            if (st.isNull(c))
                continue;
            if (st.columnType(c) == fb::ColumnType::Text) {
                int len = 0;
                const char* p = st.textData(c, &len);
                total += len;
                sink = sink + (len ? p[0] : 0);
            } else {
                sink = sink + st.integer(c);
            }
        }
    }
    *bytes = total;
    return t.nsecsElapsed() / 1e6;
}

double rssMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

QString mainSelect(const Dataset& m, const QString& where, const QString& order) {
    QStringList columns;
    for (int i = 0; i < m.fieldCount(); ++i)
        if (!m.field(i).isLookup())
            columns << u'"' + m.field(i).column() + u'"';
    QString sql = QStringLiteral("select %1, RDB$DB_KEY from \"MAIN\"").arg(columns.join(QStringLiteral(", ")));
    if (!where.isEmpty())
        sql += QStringLiteral(" where (") + where + u')';
    return sql + QStringLiteral(" order by \"") + order + u'"';
}


double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Exchange: the whole list written as vCard 4.0 against the bare fetch of the same rows, and 10,000
// cards read, planned against an empty database and imported in one transaction.
void benchExchange(TDM& dm, const QString& file, const QString& folder) {
    Dataset& m = *dm.TabMain;
    m.setFilterState(QString(), false);
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
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int contacts = 100000;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i)
        if (args[i] == QStringLiteral("--contacts") && i + 1 < args.size())
            contacts = args[++i].toInt();
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString file = folder + QStringLiteral("db/phones.gdb");
    try {
        QDir().mkpath(folder + QStringLiteral("db"));
        schema::createDatabase(file, schema::readScript(QStringLiteral(":/data/schema.sql")));
        fill(file, contacts);
        QFile ini(folder + QStringLiteral("Phones.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[DataBase]\r\nServer=\r\ndb=\r\nuser=SYSDBA\r\nPromt=0\r\npass=x\r\n");
        ini.close();

        qint64 rawBytes = 0;
        // Warm the file cache so both measurements read from memory.
        rawFetch(file, QStringLiteral("select * from \"MAIN\""), &rawBytes);

        DMUserInterface ui;
        ui.serverWaitMs = 0;
        QElapsedTimer t;
        t.start();
        TDM dm(folder, ui);
        Dataset& m = *dm.TabMain;
        m.last();
        m.first();
        const double loadMs = t.nsecsElapsed() / 1e6;
        const double rss = rssMb();
        // From the end of the load to the first painted grid.
        double paintMs = 0;
        double scrollMaxMs = 0;
        {
            QElapsedTimer pt;
            pt.start();
            ContactPages pages(m);
            pages.resize(1000, 700);
            pages.show();
            QWidget* grid = pages.currentWidget();
            struct PaintSpy : QObject {
                bool painted = false;
                bool eventFilter(QObject*, QEvent* e) override {
                    if (e->type() == QEvent::Paint)
                        painted = true;
                    return false;
                }
            } spy;
            for (QWidget* w : grid->findChildren<QWidget*>())
                w->installEventFilter(&spy);
            while (!spy.painted && pt.elapsed() < 10000)
                QApplication::processEvents();
            paintMs = pt.nsecsElapsed() / 1e6;

            // Scrolling: the grid jumps a page at a time through the whole list and paints each step;
            // the slowest step is what a user would feel as a stutter.
            auto* view = qobject_cast<QAbstractScrollArea*>(grid->findChild<QTableView*>());
            if (view) {
                QScrollBar* bar = view->verticalScrollBar();
                const int steps = 200;
                for (int i = 1; i <= steps; ++i) {
                    QElapsedTimer st;
                    st.start();
                    bar->setValue(bar->maximum() * i / steps);
                    view->viewport()->repaint();
                    scrollMaxMs = std::max(scrollMaxMs, st.nsecsElapsed() / 1e6);
                }
            }
        }
        const double rawMs = rawFetch(file, mainSelect(m, {}, QStringLiteral("NUM_MAIN")), &rawBytes);
        std::printf("contacts=%d\n", m.rowCount());
        std::printf("load_ms=%.1f\nraw_fetch_ms=%.1f\nload_ratio=%.2f\n", loadMs, rawMs, loadMs / rawMs);
        std::printf("rss_mb=%.1f\ndata_mb=%.1f\n", rss, rawBytes / 1048576.0);
        std::printf("grid_first_paint_ms=%.1f\n", paintMs);
        std::printf("grid_scroll_max_step_ms=%.1f\n", scrollMaxMs);

        auto measure = [&](const char* name, const QString& where, const QString& order, auto action) {
            QElapsedTimer tt;
            tt.start();
            action();
            const double ms = tt.nsecsElapsed() / 1e6;
            qint64 b = 0;
            const double raw = rawFetch(file, mainSelect(m, where, order), &b);
            std::printf("%s_ms=%.1f\n%s_ratio=%.2f\n", name, ms, name, ms / raw);
        };
        const QString letter = QStringLiteral("FAM Like 'К%' or FAM Like 'к%'");
        measure("letter_filter", letter, QStringLiteral("NUM_MAIN"), [&] { m.setFilterState(letter, true); });
        QStringList terms;
        for (const char* f : {"JOB_ORG", "FAM", "FIRST_NAME", "MID_NAME", "JOB_POST", "DEPARTAMENT", "NICKNAME",
                              "OCCUPATION", "JOBRIGHTFORM", "COUNTRY", "JOB_ADDRESS", "JOB_CITY", "JOB_ST", "JOB_ZIP",
                              "HOME_ADDRESS", "HOME_CITY", "HOME_ST", "HOME_ZIP", "AREA_CODE", "JOB_TEL1", "JOB_TEL2",
                              "JOB_TEL3", "JOB_TEL4", "JOB_FAX", "HOME_TEL1", "HOME_TEL2", "HOME_FAX", "CELLULAR",
                              "PAGER", "JOB_EMAIL", "HOME_EMAIL", "JOB_WWW", "HOME_WWW", "JOB_ICQ", "HOME_ICQ",
                              "OTHER_COMMUN", "NOTES"})
            terms << QString::fromLatin1(f) + QStringLiteral(" Like '%ов%'");
        const QString search = terms.join(QStringLiteral(" or "));
        measure("search", search, QStringLiteral("NUM_MAIN"), [&] { m.setFilterState(search, true); });
        m.setFilterState(QString(), false);
        measure("sort", {}, QStringLiteral("FAM"), [&] { m.setSortField(QStringLiteral("FAM")); });
        benchExchange(dm, file, folder);
        dm.Disconnect();
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
