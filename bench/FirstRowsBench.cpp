#include "FirstRowsBench.h"

#include "ContactPages.h"
#include "DMUnit.h"
#include "FilterConditions.h"
#include "IndexedSearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTableView>
#include <algorithm>
#include <cstdio>

namespace {

// Notices the first paint of any widget it watches.
class PaintSpy : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
    void watch(QWidget* w) {
        for (QWidget* child : w->findChildren<QWidget*>())
            child->installEventFilter(this);
    }
};

// Runs the event loop until the grid has painted again; the milliseconds since the clock started.
double untilPainted(QWidget* grid, PaintSpy& spy, const QElapsedTimer& clock) {
    spy.painted = false;
    grid->update();
    if (auto* view = grid->findChild<QTableView*>())
        view->viewport()->update();
    while (!spy.painted && clock.elapsed() < 60000)
        QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

void benchFirstRows(const QString& folder, const QString& letterCondition) {
    DMUserInterface ui;
    ui.serverWaitMs = 0;
    QElapsedTimer clock;
    clock.start();
    TDM dm(folder, ui);
    Dataset& m = *dm.TabMain;
    ContactPages pages(m);
    pages.resize(1000, 700);
    pages.show();
    QWidget* grid = pages.currentWidget();
    PaintSpy spy;
    spy.watch(grid);
    const double firstRowsMs = untilPainted(grid, spy, clock);

    // The rest comes from the event loop while the grid is shown; the longest single turn of the
    // loop is the longest the window could not answer.
    double maxStallMs = 0;
    QElapsedTimer turn;
    while (m.fetching() && clock.elapsed() < 600000) {
        turn.start();
        QApplication::processEvents();
        maxStallMs = std::max(maxStallMs, turn.nsecsElapsed() / 1e6);
    }
    const double fetchAllMs = clock.nsecsElapsed() / 1e6;
    std::printf("first_rows_ms=%.1f\nfetch_all_ms=%.1f\nmax_event_stall_ms=%.1f\nfetched_rows=%d\n", firstRowsMs,
                fetchAllMs, maxStallMs, m.rowCount());

    // Sort and letter: from the command to its first rows painted.
    clock.restart();
    m.setSortField(QStringLiteral("FAM"));
    std::printf("sort_first_rows_ms=%.1f\n", untilPainted(grid, spy, clock));
    clock.restart();
    m.setSortField(QString());
    clock.restart();
    m.setFilterState(letterCondition, true);
    std::printf("letter_first_rows_ms=%.1f\n", untilPainted(grid, spy, clock));
    // The search window's condition for the text the search figures use.
    clock.restart();
    const indexedsearch::Search search = indexedsearch::prepare(*dm.IBPhones, QStringLiteral("ов"));
    m.setFilterState(search.condition, true, search.drivingKeys);
    std::printf("search_first_rows_ms=%.1f\n", untilPainted(grid, spy, clock));
    m.setFilterState(QString(), false);
    dm.Disconnect();
}
