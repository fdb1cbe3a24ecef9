#include "Dataset.h"

#include "Cp1251.h"
#include "FbClient.h"

#include <cstring>

// Row storage: rows packed as the server sends them (see RowStore), and their values unpacked on
// demand.

QVariant Dataset::storedValue(const PackedRow& row, const Field& f) const {
    const int i = f.storedIndex();
    if (row.isNull(i))
        return QVariant();
    const char* p = row.data(i);
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

std::vector<QVariant> Dataset::unpackRow(const PackedRow& row) const {
    std::vector<QVariant> values(fields_.size());
    for (const auto& f : fields_)
        if (!f->isLookup())
            values[f->index()] = storedValue(row, *f);
    return values;
}

std::string_view Dataset::packRow(const std::vector<QVariant>& values, const QByteArray& dbKey) {
    builder_.start(dbKey.constData(), static_cast<int>(dbKey.size()));
    for (int fi : storedFields_) {
        const Field& f = *fields_[fi];
        const QVariant& v = values[f.index()];
        if (v.isNull()) {
            builder_.addNull();
            continue;
        }
        switch (f.type()) {
        case FieldType::Text: {
            const QByteArray bytes = cp1251::encode(v.toString());
            builder_.addBytes(bytes.constData(), static_cast<int>(bytes.size()));
            break;
        }
        case FieldType::Integer:
        case FieldType::SmallInt:
            builder_.addInt(v.toInt());
            break;
        case FieldType::Date:
            builder_.addInt(fb::fromQDate(v.toDate()));
            break;
        }
    }
    return builder_.finish();
}

qint64 Dataset::textBytes() const {
    qint64 total = 0;
    const int columns = static_cast<int>(storedFields_.size());
    for (int r = 0; r < rows_.size(); ++r) {
        const PackedRow row = rows_.at(r);
        if (!row.valid())
            continue;
        for (int c = 0; c < columns; ++c)
            if (fields_[storedFields_[c]]->isText() && !row.isNull(c))
                total += row.length(c);
    }
    return total;
}
