#include "SearchBench.h"

#include "ChangeStamps.h"
#include "DMUnit.h"
#include "FbClient.h"
#include "IndexedSearch.h"
#include "SchemaScript.h"
#include "SearchIndex.h"
#include "SearchIndexBuild.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

void benchSearchIndexBuild(const QString& file, const QString& user, const QString& password) {
    QElapsedTimer t;
    t.start();
    bool ready = false;
    QThread* thread = QThread::create([&] {
        try {
            fb::Attachment db;
            db.attach(file, user, password);
            // As the data module does on opening an older database.
            changestamps::ensure(db);
            searchindex::IndexBuilder builder(db, schema::readScript(QStringLiteral(":/data/schema.sql")));
            builder.runToEnd();
            fb::Transaction tr;
            tr.start(db);
            const auto state = searchindex::readState(db, tr);
            ready = state && state->gen != 0 && state->buildGen == 0;
        } catch (const DbError& e) {
            std::fprintf(stderr, "search index: %s\n", e.what());
        }
    });
    thread->start();
    thread->wait();
    delete thread;
    std::printf("search_index_build_ms=%.1f\nsearch_index_ready=%d\n", t.nsecsElapsed() / 1e6, ready ? 1 : 0);
}

void benchSelectiveSearch(TDM& dm, int contacts) {
    Dataset& m = *dm.TabMain;
    // An e-mail address held by one contact, and a surname held by one contact in 28.
    const QString texts[][2] = {{QStringLiteral("search_selective"), QStringLiteral("user%1@").arg(contacts / 2 + 7)},
                                {QStringLiteral("search_surname"), QStringLiteral("Кузнецов")}};
    for (const auto& [name, text] : texts) {
        const QByteArray n = name.toLatin1();
        QElapsedTimer t;
        t.start();
        const indexedsearch::Search search = indexedsearch::prepare(*dm.IBPhones, text);
        const double candidatesMs = t.nsecsElapsed() / 1e6;
        m.setFilterState(search.condition, true, search.drivingKeys);
        const double firstMs = t.nsecsElapsed() / 1e6;
        m.fetchAll();
        const double allMs = t.nsecsElapsed() / 1e6;
        std::printf("%s_first_rows_ms=%.1f\n%s_ms=%.1f\n%s_rows=%d\n%s_narrowed=%s\n%s_candidates_ms=%.1f\n",
                    n.constData(), firstMs, n.constData(), allMs, n.constData(), m.rowCount(), n.constData(),
                    !search.drivingKeys.isEmpty()       ? "by_key"
                    : search.condition.startsWith(u'(') ? "listed"
                                                        : "plain",
                    n.constData(), candidatesMs);
    }
    m.setFilterState(QString(), false);
}
