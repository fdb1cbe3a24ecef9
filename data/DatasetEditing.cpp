#include "Dataset.h"

#include "DataTexts.h"

#include "Cp1251.h"
#include "Database.h"
#include "DatasetSql.h"
#include "DbError.h"
#include "FbClient.h"

// Editing state: values typed into the current row, saving, cancelling, deleting.

using datasetsql::quoted;

void Dataset::restoreNewRow(std::vector<QVariant> values) {
    fetchAll(); // new rows stand at the end of the list
    buffer_ = std::move(values);
    original_.clear();
    modified_ = true;
    state_ = State::Insert;
    joinNewRow(current_);
}

void Dataset::joinNewRow(int returnRow) {
    insertReturnRow_ = returnRow;
    const int newRow = rowCount();
    const bool notify = !controlsDisabled();
    if (notify)
        Q_EMIT rowAboutToBeInserted(newRow);
    rows_.appendPlaceholder();
    current_ = newRow;
    if (notify) {
        Q_EMIT rowInserted(current_);
        Q_EMIT currentChanged(current_);
        Q_EMIT stateChanged();
    } else {
        resetPending_ = true;
    }
}

namespace {

QVariant normalized(const Field& f, const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return QVariant();
    switch (f.type()) {
    case FieldType::Text: {
        QString s = v.toString();
        if (f.size() > 0 && s.size() > f.size())
            s.truncate(f.size());
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case FieldType::Integer:
    case FieldType::SmallInt: {
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            bool ok = false;
            const int n = s.toInt(&ok);
            if (!ok || (f.type() == FieldType::SmallInt && (n < -32768 || n > 32767)))
                throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(s));
            return n;
        }
        return v.toInt();
    }
    case FieldType::Date: {
        const QDate d = v.toDate();
        return d.isValid() ? QVariant(d) : QVariant();
    }
    }
    return QVariant();
}

} // namespace

void Dataset::applyValue(int fieldIndex, const QVariant& v, bool countsAsChange) {
    if (!isOpen())
        throw DbError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    if (state_ == State::Browse)
        edit();
    const Field& f = *fields_[fieldIndex];
    if (f.isLookup()) {
        // Choosing a looked-up text sets the key it belongs to.
        const Field& key = fieldByName(f.def().keyField);
        QVariant newKey;
        const QString wanted = v.toString();
        Dataset* other = f.def().lookupDataset;
        if (!wanted.isEmpty() && other->isOpen()) {
            other->fetchAll();
            const Field& result = other->fieldByName(f.def().lookupResultField);
            const Field& otherKey = other->fieldByName(f.def().lookupKeyField);
            for (int r = 0; r < other->rowCount(); ++r) {
                if (other->value(r, result.index()).toString() == wanted) {
                    newKey = other->value(r, otherKey.index());
                    break;
                }
            }
        }
        buffer_[key.index()] = newKey;
    } else {
        buffer_[fieldIndex] = normalized(f, v);
    }
    if (countsAsChange)
        modified_ = true;
    emitRowChanged(current_);
}

void Dataset::setValue(int fieldIndex, const QVariant& v) {
    applyValue(fieldIndex, v, true);
}

void Dataset::setInitialValue(const QString& fieldName, const QVariant& v) {
    applyValue(fieldByName(fieldName).index(), v, false);
}

// ---- editing ----

void Dataset::edit() {
    if (!isOpen())
        throw DbError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    if (isEditing())
        return;
    wantedKey_.clear(); // the row being edited stays current
    if (rows_.empty()) {
        append();
        return;
    }
    buffer_ = unpackRow(rows_.at(current_));
    original_ = buffer_;
    modified_ = false;
    setState(State::Edit);
}

void Dataset::append() {
    if (!isOpen())
        open();
    checkBrowseMode();
    fetchAll(); // new rows stand at the end of the list
    wantedKey_.clear();
    const int returnRow = current_;
    buffer_.assign(fields_.size(), QVariant());
    modified_ = false;
    // The new-row handler runs before the row joins the list, so views never see a row that is
    // abandoned because its key could not be drawn.
    state_ = State::Insert;
    if (onNewRecord) {
        initializing_ = true;
        try {
            onNewRecord(*this);
        } catch (...) {
            initializing_ = false;
            buffer_.clear();
            state_ = State::Browse;
            modified_ = false;
            throw;
        }
        initializing_ = false;
    }
    joinNewRow(returnRow);
}

void Dataset::validateForPost() const {
    for (const auto& f : fields_) {
        if (f->isLookup())
            continue;
        const QVariant& v = buffer_[f->index()];
        if (f->required() && v.isNull())
            throw DbError(QStringLiteral("Field '%1' must have a value").arg(f->displayName()));
        if (f->isText() && !v.isNull()) {
            if (auto bad = cp1251::firstUnencodable(v.toString()))
                throw DbError(datatexts::text("M260", "Field '%1' holds the character \"%2\", which the database "
                                                      "cannot store")
                                  .arg(f->displayName(),
                                       v.toString().mid(v.toString().indexOf(*bad), bad->isHighSurrogate() ? 2 : 1)));
        }
    }
}

void Dataset::writeInsert() {
    QStringList columns, marks;
    for (int fi : storedFields_) {
        columns << quoted(fields_[fi]->column());
        marks << QStringLiteral("?");
    }
    fb::Statement st(db_.attachment(), db_.transaction(),
                     QStringLiteral("insert into %1 (%2) values (%3) returning RDB$DB_KEY")
                         .arg(quoted(table_), columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (int c = 0; c < static_cast<int>(storedFields_.size()); ++c)
        st.setParam(c, buffer_[storedFields_[c]]);
    st.execute();
    QByteArray key;
    if (st.columnCount() > 0 && !st.isNull(0)) {
        int len = 0;
        const char* p = st.textData(0, &len);
        key = QByteArray(p, len);
    }
    db_.commitRetaining();
    rows_.replace(current_, packRow(buffer_, key));
}

std::vector<int> Dataset::changedFields() const {
    std::vector<int> changed;
    for (int fi : storedFields_) {
        const QVariant& now = buffer_[fi];
        const QVariant before = fi < static_cast<int>(original_.size()) ? original_[fi] : QVariant();
        const bool same = now.isNull() || before.isNull() ? now.isNull() == before.isNull() : now == before;
        if (!same)
            changed.push_back(fi);
    }
    return changed;
}

namespace {

bool isLockConflict(const DbError& e) {
    return e.gdsCode() == isc_deadlock || e.gdsCode() == isc_lock_conflict || e.gdsCode() == isc_update_conflict;
}

} // namespace

void Dataset::throwConflict() const {
    // Changed, or gone? The key decides, since the row identifier of a deleted row may be reused.
    bool exists = false;
    try {
        fb::Statement st(
            db_.attachment(), db_.transaction(),
            QStringLiteral("select 1 from %1 where %2 = ?").arg(quoted(table_), quoted(keyField().column())));
        st.setParam(0, original_.empty() ? QVariant() : original_[keyField().index()]);
        st.execute();
        exists = st.fetch();
        st.close();
    } catch (const DbError&) {
        exists = true;
    }
    if (!exists)
        throw RowConflictError(datatexts::text("M267",
                                               "This record was deleted by another user after you read it, so your "
                                               "changes could not be saved."),
                               true);
    throw RowConflictError(datatexts::text("M268",
                                           "This record was changed by another user after you read it, so your "
                                           "changes were not saved. They are still pending: refresh the list to see "
                                           "the other user's values, then save again or cancel."),
                           false);
}

// Only the columns changed in this edit are written, and only while the row still holds the values
// read: a save never overwrites, unseen, what another connection saved meanwhile.
void Dataset::writeUpdate() {
    const std::vector<int> changed = changedFields();
    const QByteArray key = rows_.at(current_).dbKey();
    if (changed.empty())
        return;
    QStringList sets, checks;
    for (int fi : changed)
        sets << quoted(fields_[fi]->column()) + QStringLiteral(" = ?");
    for (int fi : storedFields_) {
        const Field& f = *fields_[fi];
        // An empty text and no text read the same way, so they compare the same way.
        checks << (f.isText() ? QStringLiteral("coalesce(%1, '') = ?").arg(quoted(f.column()))
                              : QStringLiteral("%1 is not distinct from ?").arg(quoted(f.column())));
    }
    int affected = 0;
    try {
        fb::Statement st(
            db_.attachment(), db_.transaction(),
            QStringLiteral("update %1 set %2 where RDB$DB_KEY = ? and %3")
                .arg(quoted(table_), sets.join(QStringLiteral(", ")), checks.join(QStringLiteral(" and "))));
        int p = 0;
        for (int fi : changed)
            st.setParam(p++, buffer_[fi]);
        st.setParam(p++, key);
        for (int fi : storedFields_) {
            const QVariant& before = original_[fi];
            st.setParam(p++, fields_[fi]->isText() && before.isNull() ? QVariant(QString(QLatin1String(""))) : before);
        }
        st.execute();
        affected = st.affectedRows();
    } catch (const DbError& e) {
        // Another connection holds an unsaved change of the row.
        if (isLockConflict(e))
            throw RowConflictError(datatexts::text("M269",
                                                   "This record is being changed by another user, so your changes "
                                                   "were not saved. They are still pending: save again later, or "
                                                   "refresh the list to see the other user's values."),
                                   false);
        throw;
    }
    if (affected == 0)
        throwConflict();
    db_.commitRetaining();
    rows_.replace(current_, packRow(buffer_, key));
}

void Dataset::post() {
    if (!isEditing())
        return;
    if (onBeforePost)
        onBeforePost(*this);
    validateForPost();
    if (state_ == State::Insert)
        writeInsert();
    else
        writeUpdate();
    buffer_.clear();
    original_.clear();
    modified_ = false;
    invalidateLookupCache();
    setState(State::Browse);
    emitRowChanged(current_);
}

void Dataset::cancel() {
    if (state_ == State::Edit) {
        buffer_.clear();
        modified_ = false;
        setState(State::Browse);
        emitRowChanged(current_);
    } else if (state_ == State::Insert) {
        // The row is out of editing before views hear of its removal: a view that moves its
        // cursor meanwhile must not save it.
        const int removed = current_;
        buffer_.clear();
        modified_ = false;
        state_ = State::Browse;
        const bool notify = !controlsDisabled();
        if (notify)
            Q_EMIT rowAboutToBeRemoved(removed);
        rows_.erase(removed);
        current_ = rows_.empty() ? -1 : std::clamp(insertReturnRow_, 0, rowCount() - 1);
        if (notify) {
            Q_EMIT rowRemoved(removed);
            Q_EMIT currentChanged(current_);
            Q_EMIT stateChanged();
        } else {
            resetPending_ = true;
        }
    }
}

void Dataset::checkBrowseMode() {
    if (!isEditing())
        return;
    if (modified_)
        post();
    else
        cancel();
}

void Dataset::deleteCurrent() {
    if (!isOpen())
        throw DbError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    if (rows_.empty() || current_ < 0)
        throw DbError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    {
        fb::Statement st(db_.attachment(), db_.transaction(),
                         QStringLiteral("delete from %1 where RDB$DB_KEY = ?").arg(quoted(table_)));
        st.setParam(0, rows_.at(current_).dbKey());
        st.execute();
    }
    db_.commitRetaining();
    announceAppended(); // views know every row before one of them goes
    const int removed = current_;
    const bool notify = !controlsDisabled();
    if (notify)
        Q_EMIT rowAboutToBeRemoved(removed);
    rows_.erase(removed);
    invalidateLookupCache();
    current_ = rows_.empty() ? -1 : std::min(removed, rowCount() - 1);
    if (notify) {
        Q_EMIT rowRemoved(removed);
        Q_EMIT currentChanged(current_);
    } else {
        resetPending_ = true;
    }
}
