#pragma once

#include "FbClient.h"

#include <memory>

// An open select that a list reads a step at a time. It reads in a transaction of its own, a
// read-only snapshot taken when it opens: the saves of the program's own transaction (which
// commit at once) cannot end it, and every row comes exactly once as it stood at the command,
// however long the rest takes to arrive.
class RowCursor {
public:
    RowCursor(fb::Attachment& db, const QString& sql);
    ~RowCursor(); // closes the select, then ends the snapshot; never throws
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;

    // The next row; false when every row has been read.
    bool fetch() { return statement_->fetch(); }
    const fb::Statement& row() const { return *statement_; }

private:
    fb::Transaction snapshot_;
    std::unique_ptr<fb::Statement> statement_;
};
