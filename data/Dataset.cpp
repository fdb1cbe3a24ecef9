#include "Dataset.h"

#include "DataTexts.h"

#include "Cp1251.h"
#include "Database.h"
#include "DbError.h"
#include "FbClient.h"

#include <QLocale>
#include <cstring>

// One row as fetched: the 8-byte row identifier, then one 16-bit offset per stored column (plus
// one past the end) into the payload; the top bit of an offset marks a null value. Text is kept
// as the server's cp1251 bytes, integers and dates as 4 bytes.
quint16 Dataset::Row::rawOffset(int i) const {
    quint16 o;
    std::memcpy(&o, bytes.get() + kKeySize + 2 * i, 2);
    return o;
}

namespace {

// Builds a packed row from per-column pieces.
class RowPacker {
public:
    explicit RowPacker(int columns) : columns_(columns), offsets_(columns + 1, 0) { payload_.reserve(256); }

    void addNull(int i) { offsets_[i] = static_cast<quint16>(payload_.size()) | 0x8000; }
    void addBytes(int i, const char* data, int len) {
        offsets_[i] = static_cast<quint16>(payload_.size());
        payload_.insert(payload_.end(), data, data + len);
    }
    void addInt(int i, qint32 v) { addBytes(i, reinterpret_cast<const char*>(&v), 4); }

    std::unique_ptr<char[]> finish(const QByteArray& dbKey) {
        offsets_[columns_] = static_cast<quint16>(payload_.size());
        const size_t header = 8 + 2 * (columns_ + 1);
        auto bytes = std::make_unique<char[]>(header + payload_.size());
        std::memset(bytes.get(), 0, 8);
        std::memcpy(bytes.get(), dbKey.constData(), std::min<qsizetype>(dbKey.size(), 8));
        std::memcpy(bytes.get() + 8, offsets_.data(), 2 * (columns_ + 1));
        if (!payload_.empty())
            std::memcpy(bytes.get() + header, payload_.data(), payload_.size());
        return bytes;
    }

private:
    int columns_;
    std::vector<quint16> offsets_;
    std::vector<char> payload_;
};

QString quoted(const QString& name) {
    return u'"' + name + u'"';
}

} // namespace

Dataset::Dataset(Database& db, QString objectName, QString tableName, std::vector<FieldDef> defs, QObject* parent)
    : QObject(parent), db_(db), table_(std::move(tableName)) {
    setObjectName(objectName);
    int stored = 0;
    for (int i = 0; i < static_cast<int>(defs.size()); ++i) {
        const bool lookup = defs[i].isLookup();
        fields_.push_back(std::make_unique<Field>(this, std::move(defs[i]), i, lookup ? -1 : stored));
        if (!lookup) {
            storedFields_.push_back(i);
            ++stored;
        }
    }
    for (const auto& f : fields_) {
        if (f->isLookup()) {
            Dataset* other = f->def().lookupDataset;
            auto changed = [this] {
                if (isOpen())
                    Q_EMIT lookupsChanged();
            };
            connect(other, &Dataset::dataReset, this, changed);
            connect(other, &Dataset::rowChanged, this, changed);
            connect(other, &Dataset::rowRemoved, this, changed);
        }
    }
    db_.registerDataset(this);
}

Dataset::~Dataset() {
    db_.unregisterDataset(this);
}

// ---- fields ----

Field* Dataset::findField(const QString& name) const {
    for (const auto& f : fields_)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field& Dataset::fieldByName(const QString& name) const {
    if (Field* f = findField(name))
        return *f;
    throw DbError(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
}

void Dataset::notifyFieldsChanged() {
    if (!controlsDisabled())
        Q_EMIT fieldsChanged();
}

void Field::setDisplayLabel(const QString& label) {
    def_.displayLabel = label == def_.name ? QString() : label;
    owner_->notifyFieldsChanged();
}

void Field::setVisible(bool visible) {
    def_.visible = visible;
    owner_->notifyFieldsChanged();
}

// ---- opening ----

QString Dataset::selectSql() const {
    QStringList columns;
    for (int fi : storedFields_)
        columns << quoted(fields_[fi]->column());
    QString sql =
        QStringLiteral("select %1, RDB$DB_KEY from %2").arg(columns.join(QStringLiteral(", ")), quoted(table_));
    if (filtered_ && !filter_.trimmed().isEmpty())
        sql += QStringLiteral(" where (") + filter_ + u')';
    const Field* order = sort_.isEmpty() ? nullptr : findField(sort_);
    if (order && order->isLookup())
        order = nullptr;
    sql += QStringLiteral(" order by ") + quoted((order ? *order : keyField()).column());
    return sql;
}

void Dataset::readRows() {
    fb::Statement st(db_.attachment(), db_.transaction(), selectSql());
    st.execute();
    const int n = static_cast<int>(storedFields_.size());
    std::vector<Row> rows;
    rows.reserve(4096);
    std::vector<quint16> offsets(n + 1);
    std::vector<char> payload;
    payload.reserve(4096);
    while (st.fetch()) {
        payload.clear();
        for (int c = 0; c < n; ++c) {
            offsets[c] = static_cast<quint16>(payload.size());
            if (st.isNull(c)) {
                offsets[c] |= Row::kNull;
                continue;
            }
            switch (fields_[storedFields_[c]]->type()) {
            case FieldType::Text: {
                int len = 0;
                const char* p = st.textData(c, &len);
                payload.insert(payload.end(), p, p + len);
                break;
            }
            case FieldType::Integer:
            case FieldType::SmallInt: {
                const qint32 v = static_cast<qint32>(st.integer(c));
                payload.insert(payload.end(), reinterpret_cast<const char*>(&v), reinterpret_cast<const char*>(&v) + 4);
                break;
            }
            case FieldType::Date: {
                const ISC_DATE d = st.rawDate(c);
                payload.insert(payload.end(), reinterpret_cast<const char*>(&d), reinterpret_cast<const char*>(&d) + 4);
                break;
            }
            }
        }
        offsets[n] = static_cast<quint16>(payload.size());
        int keyLen = 0;
        const char* key = st.textData(n, &keyLen);
        const size_t header = Row::kKeySize + 2 * (n + 1);
        Row row;
        row.bytes = std::make_unique_for_overwrite<char[]>(header + payload.size());
        std::memset(row.bytes.get(), 0, Row::kKeySize);
        std::memcpy(row.bytes.get(), key, std::min(keyLen, Row::kKeySize));
        std::memcpy(row.bytes.get() + Row::kKeySize, offsets.data(), 2 * (n + 1));
        if (!payload.empty())
            std::memcpy(row.bytes.get() + header, payload.data(), payload.size());
        rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    invalidateLookupCache();
}

void Dataset::open() {
    if (isOpen())
        return;
    readRows();
    state_ = State::Browse;
    current_ = rows_.empty() ? -1 : 0;
    emitReset();
    Q_EMIT stateChanged();
}

void Dataset::close() {
    if (!isOpen())
        return;
    rows_.clear();
    buffer_.clear();
    modified_ = false;
    current_ = -1;
    state_ = State::Inactive;
    invalidateLookupCache();
    emitReset();
    Q_EMIT stateChanged();
}

// ---- filter and sort ----

void Dataset::setFilter(const QString& condition) {
    setFilterState(condition, filtered_);
}

void Dataset::setFiltered(bool on) {
    setFilterState(filter_, on);
}

void Dataset::setFilterState(const QString& condition, bool on) {
    const bool wasEffective = filtered_;
    const bool conditionChanged = condition != filter_;
    filter_ = condition;
    filtered_ = on;
    // A re-read happens when the flag changes, or when the condition changes while the flag is on.
    if (!isOpen() || (wasEffective == on && !(on && conditionChanged)))
        return;
    refresh();
}

void Dataset::setSortField(const QString& fieldName) {
    checkBrowseMode();
    close();
    sort_ = fieldName;
    open();
}

void Dataset::refresh() {
    if (!isOpen())
        return;
    const QVariant key = current_ >= 0 ? value(current_, 0) : QVariant();
    // A pending change that cannot be saved now (another connection saved the row meanwhile, a
    // character the database cannot store, any refusal) is kept and laid over the row as it is
    // read again, so the user sees the other values and can save again or cancel. A new row stays
    // new; only a row that another connection deleted takes its change with it.
    std::vector<std::pair<int, QVariant>> pending;
    std::vector<QVariant> newRow;
    bool dropped = false;
    try {
        checkBrowseMode();
    } catch (const DbError& e) {
        const auto* conflict = dynamic_cast<const RowConflictError*>(&e);
        if (state_ == State::Insert) {
            newRow = buffer_;
            rows_.erase(rows_.begin() + current_);
            current_ = std::clamp(insertReturnRow_, -1, rowCount() - 1);
        } else if (!(conflict && conflict->rowDeleted())) {
            for (int fi : changedFields())
                pending.emplace_back(fi, buffer_[fi]);
        }
        buffer_.clear();
        original_.clear();
        modified_ = false;
        state_ = State::Browse;
        dropped = true;
    }
    readAndKeep(newRow.empty() ? key : (current_ >= 0 ? value(current_, 0) : QVariant()));
    if (!newRow.empty()) {
        restoreNewRow(std::move(newRow));
    } else if (!pending.empty() && current_ >= 0 && value(current_, 0) == key) {
        edit();
        for (const auto& [fi, v] : pending)
            buffer_[fi] = v;
        modified_ = true;
        emitRowChanged(current_);
    } else if (dropped && !controlsDisabled()) {
        Q_EMIT stateChanged();
    }
}

void Dataset::restoreNewRow(std::vector<QVariant> values) {
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
    rows_.push_back(Row{});
    current_ = newRow;
    if (notify) {
        Q_EMIT rowInserted(current_);
        Q_EMIT currentChanged(current_);
        Q_EMIT stateChanged();
    } else {
        resetPending_ = true;
    }
}

void Dataset::readAndKeep(const QVariant& key) {
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
    if (!key.isNull()) {
        for (int r = 0; r < rowCount(); ++r) {
            if (value(r, 0) == key) {
                current_ = r;
                break;
            }
        }
    }
    emitReset();
}

// ---- cursor ----

void Dataset::setCurrent(int row) {
    if (row == current_)
        return;
    current_ = row;
    emitCurrent();
}

void Dataset::moveTo(int row) {
    if (!isOpen() || rows_.empty())
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == current_)
        return;
    const int count = rowCount();
    checkBrowseMode();
    // Dropping a new row shortens the list; the target index still names the same row because
    // new rows stand at the end.
    if (rowCount() < count)
        row = std::min(row, rowCount() - 1);
    setCurrent(row);
}

void Dataset::first() {
    moveTo(0);
}
void Dataset::last() {
    moveTo(rowCount() - 1);
}
void Dataset::next() {
    moveTo(current_ + 1);
}
void Dataset::prior() {
    moveTo(current_ - 1);
}

bool Dataset::locate(const QString& fieldName, const QVariant& wanted) {
    const Field& f = fieldByName(fieldName);
    for (int r = 0; r < rowCount(); ++r) {
        const QVariant v = value(r, f.index());
        if (v.isNull() ? wanted.isNull() : (!wanted.isNull() && v == wanted)) {
            moveTo(r);
            return true;
        }
    }
    return false;
}

// ---- values ----

QVariant Dataset::storedValue(const Row& row, const Field& f) const {
    const int i = f.storedIndex();
    if (row.isNull(i))
        return QVariant();
    const int columns = static_cast<int>(storedFields_.size());
    const char* p = row.payload(columns) + row.start(i);
    switch (f.type()) {
    case FieldType::Text:
        return cp1251::decode(p, row.length(i));
    case FieldType::Integer:
    case FieldType::SmallInt: {
        qint32 v;
        std::memcpy(&v, p, 4);
        return static_cast<int>(v);
    }
    case FieldType::Date: {
        ISC_DATE d;
        std::memcpy(&d, p, 4);
        return fb::toQDate(d);
    }
    }
    return QVariant();
}

QVariant Dataset::lookupOf(const Field& f, const QVariant& key) const {
    if (key.isNull())
        return QVariant();
    return f.def().lookupDataset->lookupValue(f.def().lookupKeyField, key, f.def().lookupResultField);
}

QVariant Dataset::lookupValue(const QString& keyFieldName, const QVariant& key, const QString& resultFieldName) const {
    if (key.isNull() || !isOpen())
        return QVariant();
    const QString cacheKey = keyFieldName.toUpper() + u'|' + resultFieldName.toUpper();
    auto it = lookupCache_.find(cacheKey);
    if (it == lookupCache_.end()) {
        const Field& k = fieldByName(keyFieldName);
        const Field& r = fieldByName(resultFieldName);
        QHash<qint64, QVariant> map;
        for (int row = rowCount() - 1; row >= 0; --row) {
            if (row == current_ && isEditing())
                continue;
            const QVariant kv = value(row, k.index());
            if (!kv.isNull())
                map.insert(kv.toLongLong(), value(row, r.index())); // the first row of a key wins
        }
        it = lookupCache_.insert(cacheKey, map);
    }
    return it->value(key.toLongLong());
}

void Dataset::invalidateLookupCache() const {
    lookupCache_.clear();
}

QVariant Dataset::value(int row, int fieldIndex) const {
    if (row < 0 || row >= rowCount())
        return QVariant();
    const Field& f = *fields_[fieldIndex];
    if (row == current_ && isEditing()) {
        if (f.isLookup())
            return lookupOf(f, buffer_[fieldByName(f.def().keyField).index()]);
        return buffer_[fieldIndex];
    }
    if (f.isLookup())
        return lookupOf(f, storedValue(rows_[row], fieldByName(f.def().keyField)));
    return storedValue(rows_[row], f);
}

QString Dataset::displayText(int row, int fieldIndex) const {
    const QVariant v = value(row, fieldIndex);
    if (v.isNull())
        return QString();
    if (fields_[fieldIndex]->type() == FieldType::Date)
        return QLocale::system().toString(v.toDate(), QLocale::ShortFormat);
    return v.toString();
}

QString Dataset::text(const QString& fieldName) const {
    return current_ < 0 ? QString() : displayText(current_, fieldByName(fieldName).index());
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

std::vector<QVariant> Dataset::unpackRow(const Row& row) const {
    std::vector<QVariant> values(fields_.size());
    for (const auto& f : fields_)
        if (!f->isLookup())
            values[f->index()] = storedValue(row, *f);
    return values;
}

Dataset::Row Dataset::packRow(const std::vector<QVariant>& values, const QByteArray& dbKey) const {
    RowPacker packer(static_cast<int>(storedFields_.size()));
    for (int c = 0; c < static_cast<int>(storedFields_.size()); ++c) {
        const Field& f = *fields_[storedFields_[c]];
        const QVariant& v = values[f.index()];
        if (v.isNull()) {
            packer.addNull(c);
            continue;
        }
        switch (f.type()) {
        case FieldType::Text: {
            const QByteArray bytes = cp1251::encode(v.toString());
            packer.addBytes(c, bytes.constData(), static_cast<int>(bytes.size()));
            break;
        }
        case FieldType::Integer:
        case FieldType::SmallInt:
            packer.addInt(c, v.toInt());
            break;
        case FieldType::Date:
            packer.addInt(c, fb::fromQDate(v.toDate()));
            break;
        }
    }
    Row row;
    row.bytes = packer.finish(dbKey);
    return row;
}

void Dataset::edit() {
    if (!isOpen())
        throw DbError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
    if (isEditing())
        return;
    if (rows_.empty()) {
        append();
        return;
    }
    buffer_ = unpackRow(rows_[current_]);
    original_ = buffer_;
    modified_ = false;
    setState(State::Edit);
}

void Dataset::append() {
    if (!isOpen())
        open();
    checkBrowseMode();
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
    rows_[current_] = packRow(buffer_, key);
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
    const QByteArray key = rows_[current_].dbKey();
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
    rows_[current_] = packRow(buffer_, key);
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
        rows_.erase(rows_.begin() + removed);
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
        st.setParam(0, rows_[current_].dbKey());
        st.execute();
    }
    db_.commitRetaining();
    const int removed = current_;
    const bool notify = !controlsDisabled();
    if (notify)
        Q_EMIT rowAboutToBeRemoved(removed);
    rows_.erase(rows_.begin() + removed);
    invalidateLookupCache();
    current_ = rows_.empty() ? -1 : std::min(removed, rowCount() - 1);
    if (notify) {
        Q_EMIT rowRemoved(removed);
        Q_EMIT currentChanged(current_);
    } else {
        resetPending_ = true;
    }
}

// ---- notifications ----

void Dataset::setState(State s) {
    if (state_ == s)
        return;
    state_ = s;
    if (!controlsDisabled())
        Q_EMIT stateChanged();
}

void Dataset::emitReset() {
    if (controlsDisabled()) {
        resetPending_ = true;
        return;
    }
    Q_EMIT dataReset();
    Q_EMIT currentChanged(current_);
}

void Dataset::emitCurrent() {
    if (controlsDisabled()) {
        resetPending_ = true;
        return;
    }
    Q_EMIT currentChanged(current_);
}

void Dataset::emitRowChanged(int row) {
    if (initializing_)
        return;
    if (controlsDisabled()) {
        resetPending_ = true;
        return;
    }
    Q_EMIT rowChanged(row);
}

void Dataset::disableControls() {
    if (disableCount_++ == 0)
        Q_EMIT controlsEnabledChanged(false);
}

void Dataset::enableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ > 0)
        return;
    Q_EMIT controlsEnabledChanged(true);
    if (resetPending_) {
        resetPending_ = false;
        Q_EMIT dataReset();
        Q_EMIT currentChanged(current_);
        Q_EMIT stateChanged();
    }
}

qint64 Dataset::textBytes() const {
    qint64 total = 0;
    const int columns = static_cast<int>(storedFields_.size());
    for (const auto& row : rows_) {
        if (!row.bytes)
            continue;
        for (int c = 0; c < columns; ++c)
            if (fields_[storedFields_[c]]->isText() && !row.isNull(c))
                total += row.length(c);
    }
    return total;
}
