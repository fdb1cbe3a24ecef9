#include "SearchIndexBuild.h"

#include "ChangeStamps.h"
#include "DbError.h"
#include "FbClient.h"
#include "SearchIndex.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>

namespace searchindex {

namespace {

// Thrown out of a step that was cancelled; its transaction rolls back.
struct Cancelled {};

QString selectRows(const QString& where) {
    return QStringLiteral("select NUM_MAIN, %1 from \"MAIN\" where %2 order by NUM_MAIN")
        .arg(searchedColumns().join(QStringLiteral(", ")), where);
}

// Reads the contacts of a select (key first, then the searched columns) into the builder; the
// last key read, or nothing when there was no row.
std::optional<int> readRows(fb::Statement& rows, PostingsBuilder& postings, int* count,
                            const std::function<bool()>& cancelled) {
    rows.execute();
    std::optional<int> last;
    while (rows.fetch()) {
        const int key = static_cast<int>(rows.integer(0));
        for (int c = 1; c < rows.columnCount(); ++c) {
            if (rows.isNull(c))
                continue;
            int length = 0;
            const char* text = rows.textData(c, &length);
            postings.add(key, text, length);
        }
        last = key;
        if ((*count)++ % 256 == 0 && cancelled())
            throw Cancelled{};
    }
    return last;
}

// The lock that lets one copy at a time write the index: an update of the one SEARCH_LOCK row in a
// transaction held through the step; another copy's update fails at once (no wait).
class IndexLock {
public:
    explicit IndexLock(fb::Attachment& db) {
        tr_.start(db);
        try {
            fb::executeImmediate(db, tr_, QStringLiteral("update SEARCH_LOCK set RUNS = RUNS + 1 where ID = 1"));
            held_ = true;
        } catch (const DbError&) {
            tr_.rollback();
        }
    }
    ~IndexLock() { tr_.rollback(); }
    bool held() const { return held_; }

private:
    fb::Transaction tr_;
    bool held_ = false;
};

} // namespace

IndexBuilder::IndexBuilder(fb::Attachment& db, QString schemaScript, const std::atomic_bool* cancel)
    : db_(db), schemaScript_(std::move(schemaScript)), cancel_(cancel) {}

IndexBuilder::Step IndexBuilder::step() {
    if (!changestamps::present(db_))
        return Step::Unavailable;
    if (!installed_) {
        // Once a builder: an older database, or an index made before a table was added, gets what
        // it lacks.
        try {
            install(db_, schemaScript_);
            installed_ = true;
        } catch (const DbError&) {
            return Step::Unavailable;
        }
    }
    IndexLock lock(db_);
    if (!lock.held())
        return Step::Idle;
    try {
        // Read under the lock: another copy may have moved on.
        fb::Transaction tr;
        tr.start(db_);
        const std::optional<State> state = readState(db_, tr);
        tr.commit();
        if (!state)
            return Step::Unavailable;
        if (state->buildGen != 0)
            return buildChunk();
        if (state->gen == 0) {
            startBuild(1);
            return Step::Worked;
        }
        if (state->staleRows > rebuildAfterStaleRows) {
            startBuild(state->gen + 1);
            return Step::Worked;
        }
        return catchUp(state->watermark, state->gen, state->nextPart, state->staleRows);
    } catch (const Cancelled&) {
        return Step::Idle;
    }
}

bool IndexBuilder::runToEnd() {
    for (;;) {
        if (cancelled())
            return false;
        switch (step()) {
        case Step::Worked:
            continue;
        case Step::Idle:
            return !cancelled();
        case Step::Unavailable:
            return false;
        }
    }
}

void IndexBuilder::buildAnew() {
    fb::Transaction tr;
    tr.start(db_);
    const State state = readState(db_, tr).value_or(State{});
    tr.commit();
    startBuild(std::max(state.gen, state.buildGen) + 1);
}

void IndexBuilder::startBuild(int gen) {
    // Every change the chunks' transactions do not see is stamped at or above this.
    const qint64 watermark = changestamps::watermark(db_);
    fb::Transaction tr;
    tr.start(db_);
    fb::Statement st(db_, tr,
                     QStringLiteral("update SEARCH_STATE set BUILD_GEN = ?, BUILD_WATERMARK = ?, BUILD_FROM = ?, "
                                    "BUILD_ROWS = 0 where ID = 1"));
    st.setParam(0, gen);
    st.setParam(1, watermark);
    st.setParam(2, INT_MIN);
    st.execute();
    tr.commit();
}

IndexBuilder::Step IndexBuilder::buildChunk() {
    fb::Transaction tr;
    tr.start(db_);
    const std::optional<State> state = readState(db_, tr);
    if (!state || state->buildGen == 0)
        return Step::Idle;
    fb::Statement rows(
        db_, tr,
        selectRows(QStringLiteral("NUM_MAIN >= ?"))
            .replace(QStringLiteral("select NUM_MAIN"), QStringLiteral("select first %1 NUM_MAIN").arg(rowsPerChunk)));
    rows.setParam(0, state->buildFrom);
    PostingsBuilder postings;
    int count = 0;
    const std::optional<int> last = readRows(rows, postings, &count, [this] { return cancelled(); });
    rows.close();
    if (!last) {
        // Every contact is in: searches read the new generation from the commit on.
        fb::Statement done(db_, tr,
                           QStringLiteral("update SEARCH_STATE set GEN = BUILD_GEN, WATERMARK = BUILD_WATERMARK, "
                                          "BUILD_GEN = 0, STALE_ROWS = 0, ROWS_INDEXED = BUILD_ROWS where ID = 1"));
        done.execute();
        tr.commit();
        dropOtherGenerations(state->buildGen);
        return Step::Worked;
    }
    const int used = postings.write(db_, tr, state->buildGen, state->nextPart);
    fb::Statement progress(db_, tr,
                           QStringLiteral("update SEARCH_STATE set BUILD_FROM = ?, NEXT_PART = ?, "
                                          "BUILD_ROWS = BUILD_ROWS + ? where ID = 1"));
    progress.setParam(0, *last == INT_MAX ? INT_MAX : *last + 1);
    progress.setParam(1, state->nextPart + used);
    progress.setParam(2, count);
    progress.execute();
    tr.commit();
    return Step::Worked;
}

IndexBuilder::Step IndexBuilder::catchUp(qint64 watermark, int gen, int nextPart, int staleRows) {
    // Read before the rows, so that whatever this pass does not see is stamped at or above it.
    const qint64 next = changestamps::watermark(db_);
    if (next <= watermark)
        return Step::Idle; // the changes since are candidates by their stamps until it moves on
    fb::Transaction tr;
    tr.start(db_);
    fb::Statement rows(db_, tr, selectRows(QStringLiteral("CHANGE_TX >= ?")));
    rows.setParam(0, watermark);
    PostingsBuilder postings;
    int count = 0;
    readRows(rows, postings, &count, [this] { return cancelled(); });
    rows.close();
    const int used = postings.write(db_, tr, gen, nextPart);
    fb::Statement state(db_, tr,
                        QStringLiteral("update SEARCH_STATE set WATERMARK = ?, NEXT_PART = ?, STALE_ROWS = ? "
                                       "where ID = 1 and GEN = ?"));
    state.setParam(0, next);
    state.setParam(1, nextPart + used);
    state.setParam(2, staleRows + count);
    state.setParam(3, gen);
    state.execute();
    tr.commit();
    // One pass a step: the window's own long transaction may hold the watermark back, and the rows it
    // saved would be read again at once for nothing.
    return Step::Idle;
}

void IndexBuilder::dropOtherGenerations(int gen) {
    try {
        fb::Transaction tr;
        tr.start(db_);
        fb::Statement st(db_, tr, QStringLiteral("delete from SEARCH_GRAMS where GEN <> ?"));
        st.setParam(0, gen);
        st.execute();
        tr.commit();
    } catch (const DbError&) {
        // Left for the next build to drop; searches read only their own generation.
    }
}

} // namespace searchindex
