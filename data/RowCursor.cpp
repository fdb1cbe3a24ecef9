#include "RowCursor.h"

#include "FbApi.h"

namespace {

struct TransactionElement {
    isc_db_handle* db;
    long tpbLength;
    const char* tpb;
};

void startSnapshot(fb::Attachment& db, fb::Transaction& tr) {
    static const char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait};
    ISC_STATUS_ARRAY status;
    TransactionElement teb{db.handle(), static_cast<long>(sizeof tpb), tpb};
    fb::api().start_multiple(status, tr.handle(), 1, &teb);
    fb::check(status);
}

} // namespace

RowCursor::RowCursor(fb::Attachment& db, const QString& sql) {
    startSnapshot(db, snapshot_);
    statement_ = std::make_unique<fb::Statement>(db, snapshot_, sql);
    statement_->execute();
}

RowCursor::~RowCursor() {
    statement_.reset();
    // A read-only snapshot has nothing to keep: rolling it back ends it as cheaply as a commit.
    snapshot_.rollback();
}
