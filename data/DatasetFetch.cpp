#include "Dataset.h"

#include "Database.h"
#include "DatasetSql.h"
#include "DbError.h"
#include "FbClient.h"
#include "RowCursor.h"

#include <QElapsedTimer>
#include <QTimer>
#include <cstring>
#include <limits>

// Fetching: the select that reads the list, and reading it again with the current row kept.

using datasetsql::quoted;

QString Dataset::selectSql() const {
    QStringList columns;
    for (int fi : storedFields_)
        columns << quoted(fields_[fi]->column());
    QString sql =
        QStringLiteral("select %1, RDB$DB_KEY from %2").arg(columns.join(QStringLiteral(", ")), quoted(table_));
    if (filtered_ && !drivingKeys_.isEmpty())
        sql = datasetsql::drivenSelect(columns, table_, keyField().column(), drivingKeys_);
    if (filtered_ && !filter_.trimmed().isEmpty())
        sql += QStringLiteral(" where (") + filter_ + u')';
    const Field* order = sort_.isEmpty() ? nullptr : findField(sort_);
    if (order && order->isLookup())
        order = nullptr;
    sql += QStringLiteral(" order by ") + quoted((order ? *order : keyField()).column());
    return sql;
}

void Dataset::readRows() {
    stopFetching();
    db_.transaction(); // connects when not connected
    auto cursor = std::make_unique<RowCursor>(db_.attachment(), selectSql());
    rows_.clear();
    unannounced_ = 0;
    announceClock_.invalidate();
    invalidateLookupCache();
    wantedKey_.clear();
    cursor_ = std::move(cursor);
    bool more = false;
    try {
        more = fetchRows(firstRows_, 0);
    } catch (...) {
        cursor_.reset();
        throw;
    }
    if (!more) {
        cursor_.reset();
    } else {
        if (!stepTimer_) {
            stepTimer_ = new QTimer(this);
            stepTimer_->setInterval(0);
            connect(stepTimer_, &QTimer::timeout, this, &Dataset::fetchStep);
        }
        stepTimer_->start();
        Q_EMIT fetchingChanged(true);
    }
}

bool Dataset::fetchRows(int maxRows, int maxMs) {
    if (!cursor_)
        return false;
    QElapsedTimer clock;
    clock.start();
    const fb::Statement& st = cursor_->row();
    const int n = static_cast<int>(storedFields_.size());
    const int from = rowCount();
    bool more = true;
    for (int got = 0; got < maxRows; ++got) {
        // The clock is read every few rows only: a row takes microseconds.
        if (maxMs > 0 && (got & 31) == 31 && clock.elapsed() >= maxMs)
            break;
        if (!cursor_->fetch()) {
            more = false;
            break;
        }
        int keyLen = 0;
        const char* key = st.textData(n, &keyLen);
        builder_.start(key, keyLen);
        for (int c = 0; c < n; ++c) {
            if (st.isNull(c)) {
                builder_.addNull();
                continue;
            }
            switch (fields_[storedFields_[c]]->type()) {
            case FieldType::Text: {
                int len = 0;
                const char* p = st.textData(c, &len);
                builder_.addBytes(p, len);
                break;
            }
            case FieldType::Integer:
            case FieldType::SmallInt:
                builder_.addInt(static_cast<qint32>(st.integer(c)));
                break;
            case FieldType::Date:
                builder_.addInt(static_cast<qint32>(st.rawDate(c)));
                break;
            }
        }
        rows_.append(builder_.finish());
    }
    if (rowCount() > from)
        invalidateLookupCache();
    return more;
}

void Dataset::fetchStep() {
    readStep(false);
}

void Dataset::readStep(bool announceNow) {
    if (!cursor_) {
        stopFetching();
        return;
    }
    const int from = rowCount();
    bool more = true;
    try {
        more = fetchRows(stepRows_, stepMilliseconds);
    } catch (const DbError&) {
        // The connection failed midway: the rows read so far stay listed.
        more = false;
    }
    unannounced_ += rowCount() - from;
    // Views hear of the new rows a few times a second, not at every step: each time a grid lays
    // out and paints again, which would cost more than the reading itself.
    if (announceNow || !more || !announceClock_.isValid() || announceClock_.elapsed() >= announceMilliseconds)
        announceAppended();
    if (!more)
        stopFetching();
}

void Dataset::announceAppended() {
    if (unannounced_ == 0)
        return;
    const int from = rowCount() - unannounced_;
    unannounced_ = 0;
    announceClock_.start();
    if (controlsDisabled()) {
        resetPending_ = true;
    } else {
        // The rows are already in place; views are told of them in one piece.
        Q_EMIT rowsAboutToBeAppended(from, rowCount() - 1);
        Q_EMIT rowsAppended(from, rowCount() - 1);
    }
    takeWantedRow(from);
}

void Dataset::takeWantedRow(int from) {
    if (wantedKey_.isNull())
        return;
    for (int r = from; r < rowCount(); ++r) {
        if (value(r, 0) == wantedKey_) {
            wantedKey_.clear();
            setCurrent(r);
            return;
        }
    }
    if (!fetching())
        wantedKey_.clear();
}

void Dataset::stopFetching() {
    if (stepTimer_)
        stepTimer_->stop();
    const bool was = cursor_ != nullptr;
    cursor_.reset();
    wantedKey_.clear();
    if (was)
        Q_EMIT fetchingChanged(false);
}

void Dataset::fetchAll() {
    if (!cursor_)
        return;
    const int from = rowCount();
    try {
        fetchRows(std::numeric_limits<int>::max(), 0);
    } catch (...) {
        unannounced_ += rowCount() - from;
        announceAppended();
        stopFetching();
        throw;
    }
    unannounced_ += rowCount() - from;
    announceAppended();
    stopFetching();
}

void Dataset::setFetchStep(int firstRows, int stepRows) {
    firstRows_ = std::max(1, firstRows);
    stepRows_ = std::max(1, stepRows);
}

void Dataset::readAndKeep(const QVariant& key, bool mustFind) {
    try {
        readRows();
    } catch (...) {
        // The list is left closed; a later command opens it again.
        rows_.clear();
        current_ = -1;
        state_ = State::Inactive;
        emitReset();
        Q_EMIT stateChanged();
        throw;
    }
    current_ = rows_.empty() ? -1 : 0;
    bool found = key.isNull();
    for (int r = 0; !found && r < rowCount(); ++r) {
        if (value(r, 0) == key) {
            current_ = r;
            found = true;
        }
    }
    // Reading on row by row until the row is there keeps the first rows' promptness for the
    // common case of a row near the top.
    while (!found && mustFind && fetching()) {
        const int from = rowCount();
        const bool more = fetchRows(stepRows_, 0);
        for (int r = from; !found && r < rowCount(); ++r) {
            if (value(r, 0) == key) {
                current_ = r;
                found = true;
            }
        }
        if (!more)
            stopFetching();
    }
    emitReset();
    if (!found && fetching())
        wantedKey_ = key;
}
