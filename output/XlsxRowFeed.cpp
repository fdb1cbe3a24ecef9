#include "XlsxRowFeed.h"

#include "XlsxBook.h"

XlsxRowFeed::XlsxRowFeed(XlsxBook& book) : book_(book) {
    writer_ = std::thread([this] { writeAll(); });
}

XlsxRowFeed::~XlsxRowFeed() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable())
        writer_.join();
}

void XlsxRowFeed::text(int row, int column, QByteArray utf8) {
    if (!utf8.isEmpty())
        batch_.push_back({row, column, false, 0.0, std::move(utf8)});
}

void XlsxRowFeed::number(int row, int column, double value) {
    batch_.push_back({row, column, true, value, {}});
}

void XlsxRowFeed::endRow() {
    if (++rowsInBatch_ >= kRowsPerBatch)
        send(false);
}

void XlsxRowFeed::send(bool last) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kBatchesWaiting || stopped_; });
    if (!stopped_ && !batch_.empty())
        waiting_.push_back(std::move(batch_));
    if (last)
        ended_ = true;
    lock.unlock();
    changed_.notify_all();
    batch_ = Batch();
    rowsInBatch_ = 0;
    throwIfFailed();
}

void XlsxRowFeed::finish() {
    send(true);
    writer_.join();
    throwIfFailed();
    book_.close();
}

void XlsxRowFeed::throwIfFailed() {
    std::exception_ptr failure;
    {
        const std::lock_guard lock(mutex_);
        failure = failure_;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void XlsxRowFeed::writeAll() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !waiting_.empty() || ended_ || stopped_; });
            if (stopped_ || (waiting_.empty() && ended_))
                return;
            batch = std::move(waiting_.front());
            waiting_.pop_front();
        }
        changed_.notify_all();
        try {
            for (const Cell& c : batch) {
                if (c.isNumber)
                    book_.number(c.row, c.column, c.number);
                else
                    book_.utf8Text(c.row, c.column, c.text);
            }
        } catch (...) {
            {
                const std::lock_guard lock(mutex_);
                failure_ = std::current_exception();
                stopped_ = true;
            }
            changed_.notify_all();
            return;
        }
    }
}
