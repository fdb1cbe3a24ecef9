#include "Dataset.h"

#include "Cp1251.h"
#include "FbClient.h"

#include <cstring>

// Row storage: rows packed as the server sends them, and their values unpacked on demand.

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

} // namespace

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
