// korvane-bench: fills a fresh database with generated contacts and tasks and measures how the contact list
// loads against the same select fetched through the bare client API, export, printing, vCard exchange and
// one reminder check over the tasks. Prints name=value lines. With --import-file FILE it only reads and plans
// the import of that file (ImportFileBench.cpp).
#include "CardDavBench.h"
#include "ContactExport.h"
#include "ContactPages.h"
#include "DBGridEh.h"
#include "DMUnit.h"
#include "DbError.h"
#include "ExchangeBench.h"
#include "FirstRowsBench.h"
#include "FormScheduler.h"
#include "GridExport.h"
#include "GridPrintJob.h"
#include "GridSnapshot.h"
#include "ImportFileBench.h"
#include "IndexedSearch.h"
#include "IniFile.h"
#include "MainWindowOutput.h"
#include "PreviewForm.h"
#include "PreviewPageView.h"
#include "ReminderEngine.h"
#include "SchemaScript.h"
#include "SearchBench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const char* const kSurnames[] = {"Иванов",  "Петров",  "Сидоров", "Кузнецов", "Смирнов",  "Попов",    "Васильев",
                                 "Ёлкин",   "Новиков", "Фёдоров", "Морозов",  "Волков",   "Алексеев", "Лебедев",
                                 "Семёнов", "Егоров",  "Павлов",  "Козлов",   "Степанов", "Николаев", "Smith",
                                 "Johnson", "Brown",   "O'Brien", "Miller",   "Davis",    "Garcia",   "Wilson"};
const char* const kNames[] = {"Иван",  "Пётр",    "Анна",    "Мария", "Сергей", "Ольга", "Алексей",
                              "Елена", "Дмитрий", "Наталья", "John",  "Mary",   "Peter", "Linda"};
const char* const kMids[] = {"Иванович", "Петрович", "Сергеевна", "Алексеевич", "Дмитриевна", ""};
const char* const kOrgs[] = {"ООО «Ромашка»", "ЗАО «Вектор»", "ОАО «Северсталь»", "ИП Сидоров",
                             "Acme Corp.",    "Globex",       "НИИ «Прибор»",     "Торговый дом «Восток»"};
const char* const kCities[] = {"Москва", "Санкт-Петербург", "Новосибирск", "Екатеринбург",
                               "Казань", "London",          "Berlin"};
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

// Who the bench connects as: any name for the embedded engine, a real login for a server.
QString gUser = QStringLiteral("SYSDBA");
QString gPassword = QStringLiteral("masterkey");

void fill(const QString& file, int contacts) {
    fb::Attachment db;
    db.attach(file, gUser, gPassword);
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

// Tasks spread over a year, a few of them due at the measured minute.
void fillTasks(const QString& file, int tasks, const QDate& day) {
    fb::Attachment db;
    db.attach(file, gUser, gPassword);
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr,
                     QStringLiteral("insert into \"SCHEDULER\" (\"SH_NUM\", \"Contact\", \"ContactDate\", "
                                    "\"ContactHour\", \"ContactMin\", \"NotyfiBehindDays\", \"NotyfiBehindHours\", "
                                    "\"NotyfiBehindMin\", \"ContactDesc\") values (?,?,?,?,?,?,?,?,?)"));
    QRandomGenerator r(20261210);
    for (int i = 1; i <= tasks; ++i) {
        const QVariant values[] = {i,
                                   QStringLiteral("Задача %1").arg(i),
                                   day.addDays(static_cast<int>(r.bounded(365))),
                                   static_cast<int>(r.bounded(24)),
                                   static_cast<int>(r.bounded(12)) * 5,
                                   static_cast<int>(r.bounded(2)),
                                   static_cast<int>(r.bounded(3)),
                                   static_cast<int>(r.bounded(4)) * 5,
                                   r.bounded(3) == 0 ? QVariant(QStringLiteral("Позвонить и договориться"))
                                                     : QVariant()};
        for (int p = 0; p < 9; ++p)
            st.setParam(p, values[p]);
        st.execute();
    }
    fb::executeImmediate(db, tr, QStringLiteral("ALTER SEQUENCE GEN_SCHEDULER RESTART WITH %1").arg(tasks));
    tr.commit();
}

// One reminder check over every task with the scheduler window open, and how often its grid paints.
void measureReminderCheck(TDM& dm) {
    TFormScheduler scheduler(dm);
    int raised = 0;
    scheduler.engine->onReminder = [&](const Reminder&) { ++raised; };
    scheduler.show();
    QApplication::processEvents();
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } spy;
    scheduler.DBGridEh1->viewport()->installEventFilter(&spy);
    QApplication::processEvents();
    spy.paints = 0;
    // The minute at which the first task that reminds at all is due, so the check finds some.
    QDateTime when(QDate(2026, 6, 1), QTime(12, 0));
    const Dataset& tk = *dm.TabScheduler;
    auto v = [&tk](int row, const char* field) {
        return tk.value(row, tk.fieldByName(QString::fromLatin1(field)).index());
    };
    for (int row = 0; row < tk.rowCount(); ++row) {
        const auto key = reminder::notifyKey(reminder::TaskTiming::fromValues(
            v(row, "ContactDate"), v(row, "ContactHour"), v(row, "ContactMin"), v(row, "NotyfiBehindDays"),
            v(row, "NotyfiBehindHours"), v(row, "NotyfiBehindMin")));
        if (key) {
            when = QDateTime(QDate::fromJulianDay(*key / 1440), QTime(int(*key % 1440 / 60), int(*key % 60)));
            break;
        }
    }
    scheduler.engine->setClock([when] { return when; });
    QElapsedTimer t;
    t.start();
    scheduler.engine->CheckReminders();
    const double ms = t.nsecsElapsed() / 1e6;
    QApplication::processEvents();
    std::printf("tasks=%d\nreminder_check_ms=%.1f\nreminder_check_due=%d\nreminder_check_grid_paints=%d\n",
                dm.TabScheduler->rowCount(), ms, raised, spy.paints);
}

// The same select through the bare client API, every value read, nothing kept.
double rawFetch(const QString& file, const QString& sql, qint64* bytes) {
    fb::Attachment db;
    db.attach(file, gUser, gPassword);
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

double statusMb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray k(key);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(k))
            return line.mid(k.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}
double rssMb() {
    return statusMb("VmRSS:");
}
// The highest RSS so far; a growth of it is what a run of something cost at its peak.
double peakRssMb() {
    return statusMb("VmHWM:");
}

// Export and printing of the main grid: the two files against the bare fetch of the same rows, and
// the preview's first page.
void measureOutput(Dataset& m, const QString& file, const QString& keepXls, const QString& keepHtml,
                   double (*rawFetchOf)(const QString&, const QString&, qint64*),
                   QString (*selectOf)(const Dataset&, const QString&, const QString&)) {
    QTemporaryDir out;
    ContactPages pages(m);
    pages.resize(1000, 700);
    pages.show();
    QApplication::processEvents();
    m.setFilterState(QString(), false);
    m.fetchAll(); // the whole list before the clock starts
    qint64 bytes = 0;
    const double peakBefore = peakRssMb();
    {
        const QString html = keepHtml.isEmpty() ? out.path() + QStringLiteral("/contacts.html") : keepHtml;
        QElapsedTimer t;
        t.start();
        gridexport::writeHtml(gridsnapshot::of(*pages.DBGridEh1), html);
        const double ms = t.nsecsElapsed() / 1e6;
        const double raw = rawFetchOf(file, selectOf(m, {}, QStringLiteral("NUM_MAIN")), &bytes);
        std::printf("export_html_rows=%d\nexport_html_mb=%.1f\n", m.rowCount(), QFileInfo(html).size() / 1048576.0);
        std::printf("export_html_ms=%.1f\nexport_html_ratio=%.2f\n", ms, ms / raw);
    }
    {
        const QString where = QStringLiteral("NUM_MAIN <= 65535");
        m.setFilterState(where, true);
        m.fetchAll(); // the whole list before the clock starts
        const QString xls = keepXls.isEmpty() ? out.path() + QStringLiteral("/contacts.xls") : keepXls;
        QElapsedTimer t;
        t.start();
        gridexport::writeXls(gridsnapshot::of(*pages.DBGridEh1), xls);
        const double ms = t.nsecsElapsed() / 1e6;
        const double raw = rawFetchOf(file, selectOf(m, where, QStringLiteral("NUM_MAIN")), &bytes);
        std::printf("export_xls_rows=%d\n", m.rowCount());
        std::printf("export_xls_ms=%.1f\nexport_xls_ratio=%.2f\n", ms, ms / raw);
        m.setFilterState(QString(), false);
        m.fetchAll(); // the whole list before the clock starts
    }
    std::printf("export_rss_growth_mb=%.1f\n", peakRssMb() - peakBefore);

    // Printing from the first tab with optimal widths, up to the first page drawn in the preview.
    TPreviewForm preview;
    preview.printerInstalled = [] { return false; };
    QWidget window;
    MainWindowOutput output(pages, preview, &window);
    pages.setCurrentWidget(pages.TabSheet1);
    struct PaintSpy : QObject {
        TPreviewForm* preview = nullptr;
        bool painted = false;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && preview->job() && preview->job()->pageCount() > 0)
                painted = true;
            return false;
        }
    } spy;
    spy.preview = &preview;
    preview.pageView()->viewport()->installEventFilter(&spy);
    const double printPeakBefore = peakRssMb();
    QElapsedTimer t;
    t.start();
    double firstPage = -1;
    output.acPrintExecute();
    while (!spy.painted && t.elapsed() < 60000)
        QApplication::processEvents();
    firstPage = t.nsecsElapsed() / 1e6;
    // Paging through the whole document draws every page once.
    const int count = preview.job() ? preview.job()->pageCount() : 0;
    double pageMax = 0;
    for (int p = 0; p < count; p += std::max(1, count / 50)) {
        QElapsedTimer pt;
        pt.start();
        preview.pageView()->setPage(p);
        preview.pageView()->viewport()->repaint();
        pageMax = std::max(pageMax, pt.nsecsElapsed() / 1e6);
    }
    std::printf("print_first_page_ms=%.1f\nprint_pages=%d\n", firstPage, count);
    std::printf("print_page_draw_max_ms=%.1f\n", pageMax);
    std::printf("print_rss_growth_mb=%.1f\n", peakRssMb() - printPeakBefore);
    preview.close();
}

// Excel 2007+ export of the whole main grid (no row limit below a million) against the bare fetch of
// the same rows, and what it cost at its peak in memory: the writer streams rows to disk.
void measureXlsxExport(Dataset& m, const QString& file, const QString& keepXlsx,
                       double (*rawFetchOf)(const QString&, const QString&, qint64*),
                       QString (*selectOf)(const Dataset&, const QString&, const QString&)) {
    QTemporaryDir out;
    ContactPages pages(m);
    pages.resize(1000, 700);
    pages.show();
    QApplication::processEvents();
    m.setFilterState(QString(), false);
    m.fetchAll(); // the whole list before the clock starts
    const QString xlsx = keepXlsx.isEmpty() ? out.path() + QStringLiteral("/contacts.xlsx") : keepXlsx;
    const double peakBefore = peakRssMb();
    QElapsedTimer t;
    t.start();
    gridexport::writeXlsx(gridsnapshot::of(*pages.DBGridEh1), xlsx);
    const double ms = t.nsecsElapsed() / 1e6;
    const double growth = peakRssMb() - peakBefore;
    qint64 bytes = 0;
    const double raw = rawFetchOf(file, selectOf(m, {}, QStringLiteral("NUM_MAIN")), &bytes);
    std::printf("export_xlsx_rows=%d\nexport_xlsx_mb=%.1f\n", m.rowCount(), QFileInfo(xlsx).size() / 1048576.0);
    std::printf("export_xlsx_ms=%.1f\nexport_xlsx_ratio=%.2f\n", ms, ms / raw);
    std::printf("export_xlsx_rss_growth_mb=%.1f\n", growth);
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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int contacts = 100000;
    // --server HOST: the same figures over TCP through a Firebird server that the caller started;
    // the database is made in a folder the server's account can reach (--server-folder, as the
    // server sees it; by default a fresh folder under /tmp, for a server on this machine).
    QString server, serverFolder;
    QString keepXls, keepHtml, keepXlsx, importFile;
    // --database FILE: the embedded database kept in FILE, made and filled at the first run only, so
    // that a million contacts are generated once and measured many times.
    QString keptDatabase;
    int tasks = 10000;
    int carddavCards = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QStringLiteral("--contacts") && hasValue)
            contacts = args[++i].toInt();
        else if (args[i] == QStringLiteral("--server") && hasValue)
            server = args[++i];
        else if (args[i] == QStringLiteral("--server-folder") && hasValue)
            serverFolder = args[++i];
        else if (args[i] == QStringLiteral("--user") && hasValue)
            gUser = args[++i];
        else if (args[i] == QStringLiteral("--password") && hasValue)
            gPassword = args[++i];
        else if (args[i] == QStringLiteral("--tasks") && hasValue)
            tasks = args[++i].toInt();
        else if (args[i] == QStringLiteral("--export-xls") && hasValue)
            keepXls = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--export-html") && hasValue)
            keepHtml = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--import-file") && hasValue)
            importFile = args[++i];
        else if (args[i] == QStringLiteral("--export-xlsx") && hasValue)
            keepXlsx = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--database") && hasValue)
            keptDatabase = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--carddav-contacts") && hasValue)
            carddavCards = args[++i].toInt();
        else {
            std::fprintf(stderr,
                         "usage: korvane-bench [--contacts N] [--tasks N] [--server HOST [--server-folder FOLDER] "
                         "[--user NAME] [--password TEXT]] [--export-xls FILE] [--export-html FILE] "
                         "[--export-xlsx FILE] [--database FILE] | --import-file FILE | --carddav-contacts N\n");
            return 2;
        }
    }
    if (!importFile.isEmpty())
        return benchImportFile(importFile, gUser, gPassword);
    if (carddavCards > 0)
        return benchCardDav(carddavCards, gUser, gPassword);
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    QTemporaryDir serverDir(QStringLiteral("/tmp/korvane-bench-XXXXXX"));
    if (!server.isEmpty() && serverFolder.isEmpty()) {
        serverFolder = serverDir.path();
        // The server runs under an account of its own, which must create the file here.
        QFile(serverFolder)
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                            QFile::WriteOther | QFile::ExeOther | QFile::ReadGroup | QFile::WriteGroup |
                            QFile::ExeGroup);
    }
    const QString serverPath = serverFolder + QStringLiteral("/phones.gdb");
    const bool reuse = !keptDatabase.isEmpty() && server.isEmpty() && QFileInfo::exists(keptDatabase);
    const QString file = !keptDatabase.isEmpty() && server.isEmpty() ? keptDatabase
                         : server.isEmpty()                          ? folder + QStringLiteral("db/phones.gdb")
                                                                     : server + u':' + serverPath;
    try {
        QDir().mkpath(folder + QStringLiteral("db"));
        if (!reuse) {
            schema::createDatabase(file, schema::readScript(QStringLiteral(":/data/schema.sql")), gUser, gPassword);
            fill(file, contacts);
            fillTasks(file, tasks, QDate(2026, 1, 1));
        }
        IniFile ini(folder + QStringLiteral("Phones.ini"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Server"),
                        server.isEmpty() ? QString() : server + u':');
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("db"),
                        !server.isEmpty() ? serverPath : (keptDatabase.isEmpty() ? QString() : keptDatabase));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("user"), gUser);
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("Promt"), QStringLiteral("0"));
        ini.writeString(QStringLiteral("DataBase"), QStringLiteral("pass"), gPassword);
        ini.save();
        std::printf("path=%s\n", server.isEmpty() ? "embedded" : qPrintable(QStringLiteral("server ") + server));

        qint64 rawBytes = 0;
        // Warm the file cache so both measurements read from memory.
        rawFetch(file, QStringLiteral("select * from \"MAIN\""), &rawBytes);

        // The list as a user meets it: first rows first, the rest while the window answers.
        const QString letter = QStringLiteral("FAM Like 'К%' or FAM Like 'к%'");
        // The search index is built (or caught up) first, as the program does in the background.
        benchSearchIndexBuild(file, gUser, gPassword);
        benchFirstRows(folder, letter);

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
            // The server's caches are warmed for this query first, so that the list and the bare
            // fetch both read what a second run would read.
            qint64 warm = 0;
            rawFetch(file, mainSelect(m, where, order), &warm);
            QElapsedTimer tt;
            tt.start();
            action();
            m.fetchAll(); // every row of the new list, as before rows came in steps
            const double ms = tt.nsecsElapsed() / 1e6;
            qint64 b = 0;
            const double raw = rawFetch(file, mainSelect(m, where, order), &b);
            std::printf("%s_ms=%.1f\n%s_ratio=%.2f\n", name, ms, name, ms / raw);
        };
        measure("letter_filter", letter, QStringLiteral("NUM_MAIN"), [&] { m.setFilterState(letter, true); });
        // The search window's condition for "ов", with the index ready.
        const indexedsearch::Search search = indexedsearch::prepare(*dm.IBPhones, QStringLiteral("ов"));
        measure("search", search.condition, QStringLiteral("NUM_MAIN"),
                [&] { m.setFilterState(search.condition, true, search.drivingKeys); });
        benchSelectiveSearch(dm, contacts);
        m.setFilterState(QString(), false);
        measure("sort", {}, QStringLiteral("FAM"), [&] { m.setSortField(QStringLiteral("FAM")); });
        m.setSortField(QString());
        // The outputs are measured on the whole list, as a user meets it once the rest has come in;
        // an output started earlier waits for the rest first (first_rows_ms and fetch_all_ms above).
        m.fetchAll();
        std::printf("peak_rss_mb=%.1f\n", peakRssMb());
        measureOutput(m, file, keepXls, keepHtml, &rawFetch, &mainSelect);
        measureXlsxExport(m, file, keepXlsx, &rawFetch, &mainSelect);
        measureReminderCheck(dm);
        benchExchange(dm, file, folder, &rawFetch, &mainSelect);
        dm.Disconnect();
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
