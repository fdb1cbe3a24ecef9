#include "Dataset.h"

#include "DataTexts.h"

#include "Cp1251.h"
#include "Database.h"
#include "DbError.h"
#include "FbClient.h"
#include "RowCursor.h"

#include <QLocale>
#include <cstring>

namespace {

int storedCount(const std::vector<FieldDef>& defs) {
    return static_cast<int>(std::count_if(defs.begin(), defs.end(), [](const FieldDef& d) { return !d.isLookup(); }));
}

} // namespace

Dataset::Dataset(Database& db, QString objectName, QString tableName, std::vector<FieldDef> defs, QObject* parent)
    : QObject(parent), db_(db), table_(std::move(tableName)), rows_(storedCount(defs)), builder_(storedCount(defs)) {
    setObjectName(objectName);
    connect(&db_, &Database::connectedChanged, this, [this](bool connected) {
        if (!connected)
            drivingKeys_.clear();
    });
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
    stopFetching();
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
    setFilterState(condition, on, QString());
}

void Dataset::setFilterState(const QString& condition, bool on, const QString& drivingKeys) {
    const bool wasEffective = filtered_;
    const bool conditionChanged = condition != filter_ || drivingKeys != drivingKeys_;
    drivingKeys_ = drivingKeys;
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
            rows_.erase(current_);
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
    // A pending change needs its row at once; otherwise the row may come with a later step.
    readAndKeep(newRow.empty() ? key : (current_ >= 0 ? value(current_, 0) : QVariant()), !pending.empty());
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

// ---- cursor ----

void Dataset::setCurrent(int row) {
    wantedKey_.clear(); // a row the user went to stays current
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
    fetchAll();
    moveTo(rowCount() - 1);
}
void Dataset::next() {
    if (current_ >= rowCount() - 1 && fetching())
        readStep(true);
    moveTo(current_ + 1);
}
void Dataset::prior() {
    moveTo(current_ - 1);
}

bool Dataset::locate(const QString& fieldName, const QVariant& wanted) {
    const Field& f = fieldByName(fieldName);
    for (int r = 0;; ++r) {
        if (r == rowCount()) {
            if (!fetching())
                return false;
            readStep(true);
            if (r == rowCount())
                return false;
        }
        const QVariant v = value(r, f.index());
        if (v.isNull() ? wanted.isNull() : (!wanted.isNull() && v == wanted)) {
            moveTo(r);
            return true;
        }
    }
}

// ---- values ----

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
        // A lookup answers from every row; the rows still coming are read first. The rows are the
        // dataset's state, not its value, so reading them does not change what a const caller sees.
        const_cast<Dataset*>(this)->fetchAll();
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
        return lookupOf(f, storedValue(rows_.at(row), fieldByName(f.def().keyField)));
    return storedValue(rows_.at(row), f);
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

// ---- notifications ----

void Dataset::setState(State s) {
    if (state_ == s)
        return;
    state_ = s;
    if (!controlsDisabled())
        Q_EMIT stateChanged();
}

void Dataset::emitReset() {
    unannounced_ = 0; // a reset tells views of every row
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
        unannounced_ = 0;
        Q_EMIT dataReset();
        Q_EMIT currentChanged(current_);
        Q_EMIT stateChanged();
    }
}
