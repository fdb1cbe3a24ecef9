#pragma once

#include "Field.h"
#include "RowStore.h"

#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Database;
class QTimer;
class RowCursor;

// A table read from the server, with one current row shared by every window that shows it.
// Rows are held packed as the server sends them (cp1251 text), so a million contacts stay small;
// values are decoded when a view asks for them.
//
// Rows arrive first rows first: opening and every re-read read the first rows at once, the rest
// follows from the event loop a short step at a time, so that the window shows and answers while a
// long list is still coming. Whatever needs every row (the last row, a locate, a lookup, an export)
// reads the rest first or reads on as far as it needs.
//
// Editing follows the rules users rely on: typing into a browsed row starts editing; moving to
// another row saves a pending change and drops a new row in which nothing was changed; post()
// saves, cancel() discards. Every save and delete is made durable at once.
class Dataset : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    Dataset(Database& db, QString objectName, QString tableName, std::vector<FieldDef> fields,
            QObject* parent = nullptr);
    ~Dataset() override;

    const QString& tableName() const { return table_; }
    Database& database() const { return db_; }

    // ---- fields ----
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) const { return *fields_[index]; }
    // Found by name without regard to case; nullptr when there is none.
    Field* findField(const QString& name) const;
    // Like findField, but a missing field is an error.
    Field& fieldByName(const QString& name) const;
    // The primary key: the first field.
    Field& keyField() const { return *fields_.front(); }
    void notifyFieldsChanged();

    // ---- opening ----
    // Opens the table; connects the database first when it is not connected.
    void open();
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool isEditing() const { return state_ == State::Edit || state_ == State::Insert; }

    // ---- list filter and sort ----
    // The condition follows "where" unchanged; an empty condition lets every row through.
    const QString& filter() const { return filter_; }
    bool filtered() const { return filtered_; }
    // Re-reads at once when the list is open and the filter takes effect; the current row is kept
    // when it is still listed, else the first row becomes current.
    void setFilter(const QString& condition);
    void setFiltered(bool on);
    // Orders ascending by the field (empty: by the key); closes and reopens, first row current.
    const QString& sortField() const { return sort_; }
    void setSortField(const QString& fieldName);
    // Re-reads the rows, keeping the current row when it is still listed. A pending change that
    // cannot be saved (another connection's save, a refused value) stays pending on top of the
    // values read again; a new row stays new.
    void refresh();
    // Sets condition and flag together with one re-read.
    void setFilterState(const QString& condition, bool on);
    // The same, with a select of keys that drives the read while the filter is on: the rows are read
    // by key from those the select names (a join), and the condition still decides. The select must
    // name every row the condition lets through. Any other change of the filter drops it, and so does
    // a disconnect (it may read what lives only as long as the connection).
    void setFilterState(const QString& condition, bool on, const QString& drivingKeys);
    const QString& drivingKeys() const { return drivingKeys_; }

    // ---- fetching ----
    // True while rows are still coming.
    bool fetching() const { return cursor_ != nullptr; }
    // Reads every row still coming, now.
    void fetchAll();
    // Rows read at once when the list is read (a screenful and some), and the most rows a later
    // step reads; a step also ends after stepMilliseconds. Small numbers let a test see the steps.
    void setFetchStep(int firstRows, int stepRows);
    static constexpr int stepMilliseconds = 16;

    // ---- rows and cursor ----
    // The rows read so far: every row of the list once fetching() is false.
    int rowCount() const { return rows_.size(); }
    int currentRow() const { return current_; } // -1 when empty or closed
    bool isEmpty() const { return rows_.empty(); }
    // Moving saves a pending change first; a failed save leaves the cursor where it was.
    void moveTo(int row);
    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return current_ <= 0; }
    // At the last row with no more rows coming; next() reads on when more are coming.
    bool eof() const { return current_ < 0 || (current_ >= rowCount() - 1 && !fetching()); }
    // Moves to the first row whose field equals the value, reading on as far as needed; false
    // (cursor unchanged) when none does.
    bool locate(const QString& fieldName, const QVariant& value);

    // ---- values ----
    // Null for an empty value; int for integer fields, QString for text, QDate for dates.
    QVariant value(int row, int fieldIndex) const;
    QVariant value(int fieldIndex) const { return current_ < 0 ? QVariant() : value(current_, fieldIndex); }
    QVariant value(const QString& fieldName) const { return value(fieldByName(fieldName).index()); }
    // The value as a grid shows it.
    QString displayText(int row, int fieldIndex) const;
    QString text(const QString& fieldName) const;
    bool isNull(int row, int fieldIndex) const { return value(row, fieldIndex).isNull(); }

    // Sets a value of the current row; a browsed row goes into editing first. Text is cut to the
    // field's entry limit; an empty text is stored as no value.
    void setValue(int fieldIndex, const QVariant& value);
    void setValue(const QString& fieldName, const QVariant& value) { setValue(fieldByName(fieldName).index(), value); }
    // Sets a value of a new row without counting as a change (the key drawn for a new row).
    void setInitialValue(const QString& fieldName, const QVariant& value);
    bool modified() const { return modified_; }

    // ---- editing ----
    void edit();
    // Starts a new row at the end; the new-row handler fills its key. A failing handler abandons the row.
    void append();
    void post();
    void cancel();
    // Deletes the current row from the database at once.
    void deleteCurrent();
    // Saves a pending change, or drops an unchanged one.
    void checkBrowseMode();

    // ---- hooks of the data module ----
    std::function<void(Dataset&)> onNewRecord;
    std::function<void(Dataset&)> onBeforePost; // runs with the state still Edit or Insert

    // ---- view notifications ----
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

    // Lookup support: the value of resultField in the row whose keyField equals key.
    QVariant lookupValue(const QString& keyFieldName, const QVariant& key, const QString& resultFieldName) const;
    // Total bytes of stored text in the rows (for measurements).
    qint64 textBytes() const;

Q_SIGNALS:
    void dataReset(); // rows read again, opened or closed
    void currentChanged(int row);
    void rowChanged(int row);           // a row's values changed (typing, save)
    void rowAboutToBeInserted(int row); // the list is about to grow; rowInserted follows
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row); // the list is about to shrink; rowRemoved follows
    void rowRemoved(int row);
    void rowsAboutToBeAppended(int first, int last); // a fetch step brings rows; rowsAppended follows
    void rowsAppended(int first, int last);
    void fetchingChanged(bool fetching); // rows started or stopped coming
    void stateChanged();
    void fieldsChanged(); // labels or visibility
    void controlsEnabledChanged(bool enabled);
    void lookupsChanged(); // a looked-up value may show differently in every row

private:
    // Starts reading the list; the first rows are read before it returns.
    void readRows();
    // Appends up to maxRows rows (and for at most maxMs when maxMs > 0); false when none are left.
    bool fetchRows(int maxRows, int maxMs);
    void fetchStep();
    // Reads one step; views hear of the rows now, or with a later step when announceNow is false.
    void readStep(bool announceNow);
    void stopFetching();
    // Tells views of the rows read since they last heard.
    void announceAppended();
    static constexpr int announceMilliseconds = 250;
    // Makes the row with the key current when it arrives later, unless the user moved meanwhile.
    void takeWantedRow(int from);
    QString selectSql() const;
    void setCurrent(int row);
    void setState(State s);
    void emitReset();
    void emitCurrent();
    void emitRowChanged(int row);
    void applyValue(int fieldIndex, const QVariant& value, bool countsAsChange);
    // Reads the list again; the row with the key stays current when it is listed. mustFind reads on
    // until the row is found; otherwise a row that comes later becomes current when it arrives.
    void readAndKeep(const QVariant& key, bool mustFind = false);
    // Puts a new row whose save was refused back at the end of the list, as typed.
    void restoreNewRow(std::vector<QVariant> values);
    // Adds the new row in the buffer at the end of the list and makes it current; a cancel goes back
    // to returnRow.
    void joinNewRow(int returnRow);
    bool initializing_ = false;
    void invalidateLookupCache() const;
    QVariant storedValue(const PackedRow& row, const Field& f) const;
    QVariant lookupOf(const Field& f, const QVariant& key) const;
    // The row packed in the builder; valid until the next packing.
    std::string_view packRow(const std::vector<QVariant>& values, const QByteArray& dbKey);
    std::vector<QVariant> unpackRow(const PackedRow& row) const;
    void validateForPost() const;
    void writeInsert();
    void writeUpdate();
    // Fields whose pending value differs from the value read.
    std::vector<int> changedFields() const;
    [[noreturn]] void throwConflict() const;

    Database& db_;
    QString table_;
    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<int> storedFields_; // field index of each stored column, in select order
    RowStore rows_;
    RowBuilder builder_;
    int current_ = -1;
    State state_ = State::Inactive;
    QString filter_;
    bool filtered_ = false;
    QString drivingKeys_;
    QString sort_;
    // The current row's values while it is edited or inserted, and as they were read.
    std::vector<QVariant> buffer_;
    std::vector<QVariant> original_;
    bool modified_ = false;
    int insertReturnRow_ = -1; // the row that was current before a new row was started
    int disableCount_ = 0;
    bool resetPending_ = false;
    mutable QHash<QString, QHash<qint64, QVariant>> lookupCache_; // integer keys only
    std::unique_ptr<RowCursor> cursor_;                           // the select whose rows are still coming
    QTimer* stepTimer_ = nullptr;
    int firstRows_ = 300;
    int stepRows_ = 1 << 30;
    QVariant wantedKey_;  // the row that becomes current when it arrives
    int unannounced_ = 0; // rows at the end that views have not heard of yet
    QElapsedTimer announceClock_;
};

// A dataset binding that windows can re-point: the grids of the reference books follow it.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Dataset* dataset = nullptr, QObject* parent = nullptr) : QObject(parent), dataset_(dataset) {}
    Dataset* dataset() const { return dataset_; }
    void setDataset(Dataset* dataset) {
        if (dataset_ == dataset)
            return;
        dataset_ = dataset;
        Q_EMIT datasetChanged(dataset);
    }
Q_SIGNALS:
    void datasetChanged(Dataset* dataset);

private:
    Dataset* dataset_;
};
