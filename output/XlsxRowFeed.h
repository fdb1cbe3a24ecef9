#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

class XlsxBook;

// Hands the cells of an export to an XlsxBook on a thread of its own, so that reading the grid and
// converting its texts (the caller's thread) overlaps with what the library does with each cell.
// Cells travel in batches of rows; only a few batches wait at a time, so memory stays flat.
class XlsxRowFeed {
public:
    explicit XlsxRowFeed(XlsxBook& book);
    ~XlsxRowFeed(); // a feed not finished is given up: the thread stops and is joined
    XlsxRowFeed(const XlsxRowFeed&) = delete;
    XlsxRowFeed& operator=(const XlsxRowFeed&) = delete;

    // A text cell already in the book's form (see XlsxBook::cellText); empty texts are left out.
    void text(int row, int column, QByteArray utf8);
    void number(int row, int column, double value);
    // Ends a row; every so many rows the batch goes to the writing thread.
    void endRow();
    // Waits until every cell is in the book and closes it (the file is written there); the
    // writing thread's failure is thrown here.
    void finish();

private:
    struct Cell {
        int row;
        int column;
        bool isNumber;
        double number;
        QByteArray text;
    };
    using Batch = std::vector<Cell>;

    void send(bool last);
    void writeAll();
    void throwIfFailed();

    static constexpr int kRowsPerBatch = 256;
    static constexpr size_t kBatchesWaiting = 4;

    XlsxBook& book_;
    Batch batch_;
    int rowsInBatch_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> waiting_;
    bool ended_ = false;   // no more batches will come
    bool stopped_ = false; // the writer gave up or the feed was abandoned
    std::exception_ptr failure_;
    std::thread writer_;
};
