#pragma once

#include <QString>
#include <atomic>

namespace fb {
class Attachment;
}

namespace searchindex {

// One copy's work on the search index, a short step at a time, each in a transaction of its own
// that also records how far the work got: a build interrupted (cancelled, the program closed, the
// machine off) goes on from its last step next time, in this copy or another. A step runs only
// while this copy holds the SEARCH_LOCK row, so two copies never write the index at once.
//
// A build reads the contacts in key order, a chunk a step, into a new generation, after reading
// the watermark; searches read the old generation (or search the plain way) until the last chunk
// is in. A catch-up indexes again the contacts stamped since the watermark, then advances it.
// After many catch-ups (each leaves the contact's older n-grams behind, which only cost a check)
// the index is built anew.
class IndexBuilder {
public:
    enum class Step {
        Worked,     // something was done; there may be more
        Idle,       // nothing to do now, or another copy is at work
        Unavailable // this database cannot hold the index (no change stamps, refused to add tables)
    };

    IndexBuilder(fb::Attachment& db, QString schemaScript, const std::atomic_bool* cancel = nullptr);

    Step step();
    // Starts a build of a new generation; the steps that follow carry it out.
    void buildAnew();
    // Steps until nothing is left to do or the work is cancelled; false when cancelled or unavailable.
    bool runToEnd();

    int rowsPerChunk = 50000;
    // Contacts indexed again since the build after which a build is due.
    int rebuildAfterStaleRows = 50000;

private:
    bool cancelled() const { return cancel_ && cancel_->load(); }
    Step buildChunk();
    Step catchUp(qint64 watermark, int gen, int nextPart, int staleRows);
    void startBuild(int gen);
    void dropOtherGenerations(int gen);

    fb::Attachment& db_;
    QString schemaScript_;
    const std::atomic_bool* cancel_;
    bool installed_ = false;
};

} // namespace searchindex
