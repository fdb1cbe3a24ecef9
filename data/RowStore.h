#pragma once

#include <QByteArray>
#include <memory>
#include <string_view>
#include <vector>

// One row as the list holds it, read in place: the 8-byte row identifier, a flag byte, a bitmap of
// null columns, one offset per column that has a value (plus one past the end) into the payload,
// and the payload: text as the server's cp1251 bytes, integers and dates as 4 bytes. Offsets take
// one byte when the payload is shorter than 256 bytes, as most contacts are, else two. Most
// contacts leave half their columns empty, and an empty column costs one bit.
class PackedRow {
public:
    static constexpr int kKeySize = 8;

    PackedRow(const char* bytes, int columns) : p_(bytes), columns_(columns) {}
    // False for the place of a new row that is not saved yet.
    bool valid() const { return p_ != nullptr; }
    QByteArray dbKey() const { return QByteArray(p_, kKeySize); }
    bool isNull(int i) const { return (static_cast<unsigned char>(p_[kKeySize + 1 + i / 8]) >> (i % 8)) & 1; }
    const char* data(int i) const { return payload() + offset(slot(i)); }
    int length(int i) const {
        const int k = slot(i);
        return offset(k + 1) - offset(k);
    }

private:
    bool wide() const { return p_[kKeySize] != 0; }
    const char* offsets() const { return p_ + kKeySize + 1 + (columns_ + 7) / 8; }
    int offset(int k) const;
    // The place of column i among the columns with a value.
    int slot(int i) const;
    const char* payload() const { return offsets() + (slot(columns_) + 1) * (wide() ? 2 : 1); }

    const char* p_;
    int columns_;
};

// Builds packed rows column by column, reusing its buffers from row to row.
class RowBuilder {
public:
    explicit RowBuilder(int columns);
    // Starts a row with its identifier (cut or padded to 8 bytes).
    void start(const char* key, int keyLength);
    // Columns in order.
    void addNull();
    void addBytes(const char* data, int length);
    void addInt(qint32 v) { addBytes(reinterpret_cast<const char*>(&v), 4); }
    // The packed row; valid until the next start().
    std::string_view finish();

private:
    int columns_;
    int column_ = 0;
    char key_[PackedRow::kKeySize] = {};
    std::vector<unsigned char> nulls_;
    std::vector<int> offsets_;
    std::vector<char> payload_;
    std::vector<char> out_;
};

// The rows of a list, packed one after another in large blocks: a million rows are a few dozen
// blocks, not a million allocations, and an index of one pointer a row. A row that is saved again
// gets a new place; the old one is given back when the list is read again. Blocks are mapped from
// the system directly: a page costs memory only once a row is written to it, and a list read again
// gives its old rows back to the system at once instead of leaving them in the heap.
class RowStore {
public:
    explicit RowStore(int columns) : columns_(columns) {}
    int size() const { return static_cast<int>(index_.size()); }
    bool empty() const { return index_.empty(); }
    PackedRow at(int row) const { return PackedRow(index_[static_cast<size_t>(row)], columns_); }
    void clear();
    void append(std::string_view packed);
    // The place of a new row at the end, filled by replace() when the row is saved.
    void appendPlaceholder() { index_.push_back(nullptr); }
    void replace(int row, std::string_view packed);
    void erase(int row);

private:
    const char* store(std::string_view packed);

    int columns_;
    std::vector<const char*> index_;
    struct Block {
        char* data;
        size_t size;
    };
    struct Unmap {
        void operator()(Block* b) const;
    };
    std::vector<std::unique_ptr<Block, Unmap>> blocks_;
    size_t used_ = 0;     // bytes used in the last block
    size_t capacity_ = 0; // size of the last block
};
