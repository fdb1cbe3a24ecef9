#include "SearchIndex.h"

#include "SearchedColumns.h"

#include "DbError.h"
#include "FbClient.h"
#include "SchemaScript.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <deque>

namespace searchindex {

namespace {

// A piece of postings fits one VARCHAR(32000) OCTETS value and decodes on its own: either 'L' and
// the keys as varint steps from kNoKey, or 'B', the first key (4 bytes) and a bitmap from it. An
// n-gram in most contacts (a common letter, a digit) takes a bit a contact instead of a byte.
constexpr int kPieceBytes = 32000;
constexpr char kList = 'L';
constexpr char kBitmap = 'B';
constexpr qint64 kNoKey = qint64(INT32_MIN) - 1;
void putVarint(QByteArray& out, quint64 v) {
    while (v >= 0x80) {
        out.append(static_cast<char>((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.append(static_cast<char>(v));
}

void decodeSteps(const char* p, qsizetype length, std::vector<int>& out) {
    qint64 key = kNoKey;
    quint64 v = 0;
    int shift = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(p[i]);
        v |= quint64(byte & 0x7f) << shift;
        if (byte & 0x80) {
            shift += 7;
            continue;
        }
        key += static_cast<qint64>(v);
        out.push_back(static_cast<int>(key));
        v = 0;
        shift = 0;
    }
}

// Appends the keys of one piece to out.
void decodePiece(const char* p, int length, std::vector<int>& out) {
    if (length < 1)
        return;
    if (p[0] == kList) {
        decodeSteps(p + 1, length - 1, out);
        return;
    }
    if (p[0] != kBitmap || length < 5)
        return;
    qint32 first = 0;
    std::memcpy(&first, p + 1, 4);
    for (int i = 5; i < length; ++i) {
        const auto bits = static_cast<unsigned char>(p[i]);
        for (int b = 0; b < 8; ++b)
            if (bits & (1u << b))
                out.push_back(static_cast<int>(first + qint64(i - 5) * 8 + b));
    }
}

// The pieces for ascending keys: one bitmap when that is smaller and fits, else lists.
std::vector<QByteArray> encodePieces(const std::vector<int>& keys) {
    std::vector<QByteArray> pieces;
    if (keys.empty())
        return pieces;
    const qint64 span = qint64(keys.back()) - keys.front() + 1;
    const qint64 bitmapBytes = 5 + (span + 7) / 8;
    if (bitmapBytes <= kPieceBytes && bitmapBytes < qint64(keys.size())) {
        QByteArray piece(static_cast<qsizetype>(bitmapBytes), '\0');
        piece[0] = kBitmap;
        const qint32 first = keys.front();
        std::memcpy(piece.data() + 1, &first, 4);
        for (int key : keys) {
            const qint64 bit = qint64(key) - first;
            piece[5 + bit / 8] = static_cast<char>(static_cast<unsigned char>(piece[5 + bit / 8]) | (1u << (bit % 8)));
        }
        pieces.push_back(std::move(piece));
        return pieces;
    }
    QByteArray piece(1, kList);
    qint64 last = kNoKey;
    for (int key : keys) {
        if (piece.size() >= kPieceBytes - 10) {
            pieces.push_back(std::move(piece));
            piece = QByteArray(1, kList);
            last = kNoKey;
        }
        putVarint(piece, static_cast<quint64>(qint64(key) - last));
        last = key;
    }
    pieces.push_back(std::move(piece));
    return pieces;
}

// The keys of one n-gram gathered since the last flush, as varint steps.
struct Postings {
    QByteArray steps;
    qint64 last = kNoKey; // a contact is listed once however often its fields hold the n-gram
    int nextPart = 0;

    void add(int key) {
        if (key == last)
            return;
        putVarint(steps, static_cast<quint64>(qint64(key) - last));
        last = key;
    }
};

// The postings of every n-gram met, found by its code in an open-addressing table: a build
// touches every n-gram of every field of every contact, some 700 million at a million contacts,
// and the few thousand distinct ones keep this table in the processor's cache.
class GramTable {
public:
    GramTable() { resize(16); }

    Postings& at(quint32 code) {
        size_t h = hash(code);
        while (codes_[h] != 0) {
            if (codes_[h] == code)
                return postings_[slots_[h]];
            h = (h + 1) & (codes_.size() - 1);
        }
        codes_[h] = code;
        slots_[h] = static_cast<int>(postings_.size());
        order_.push_back(code);
        Postings& added = postings_.emplace_back();
        if (postings_.size() * 2 > codes_.size())
            resize(bits_ + 1);
        return added;
    }
    size_t size() const { return postings_.size(); }
    quint32 code(size_t i) const { return order_[i]; }
    Postings& postings(size_t i) { return postings_[i]; }

private:
    size_t hash(quint32 code) const { return (code * 2654435761u) >> (32 - bits_); }
    void resize(int bits) {
        bits_ = bits;
        codes_.assign(size_t(1) << bits, 0); // no code is 0: its top byte is the length
        slots_.assign(size_t(1) << bits, -1);
        for (size_t i = 0; i < order_.size(); ++i) {
            size_t h = hash(order_[i]);
            while (codes_[h] != 0)
                h = (h + 1) & (codes_.size() - 1);
            codes_[h] = order_[i];
            slots_[h] = static_cast<int>(i);
        }
    }
    int bits_ = 0;
    std::vector<quint32> codes_;
    std::vector<int> slots_;
    std::vector<quint32> order_;    // codes in the order met, the index of their postings
    std::deque<Postings> postings_; // references stay valid as it grows
};

bool exists(fb::Attachment& db, fb::Transaction& tr, const QString& sql, const QString& name = {}) {
    fb::Statement st(db, tr, sql);
    if (st.paramCount() > 0)
        st.setParam(0, name);
    st.execute();
    return st.fetch() && st.integer(0) > 0;
}

} // namespace

const QStringList& searchedColumns() {
    return searchedcolumns::names();
}

quint32 gramCode(const char* bytes, int length) {
    quint32 code = quint32(length) << 24;
    for (int i = 0; i < length; ++i)
        code |= quint32(static_cast<unsigned char>(bytes[i])) << (8 * (2 - i));
    return code;
}

std::vector<quint32> requiredGrams(const QByteArray& likeText) {
    std::vector<quint32> out;
    for (const QByteArray& piece : QByteArray(likeText).replace('_', '%').split('%')) {
        if (piece.size() >= 3) {
            for (int i = 0; i + 3 <= piece.size(); ++i)
                out.push_back(gramCode(piece.constData() + i, 3));
        } else {
            for (char c : piece)
                out.push_back(gramCode(&c, 1));
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

QStringList installStatements(const QString& schemaScript) {
    QStringList out;
    static const QRegularExpression names(QStringLiteral("\\bSEARCH_"));
    for (const QString& statement : schema::splitStatements(schemaScript))
        if (statement.contains(names))
            out << statement;
    return out;
}

void install(fb::Attachment& db, const QString& schemaScript) {
    static const QRegularExpression created(
        QStringLiteral("^CREATE\\s+(?:GLOBAL\\s+TEMPORARY\\s+)?(TABLE|INDEX)\\s+(\\w+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString relation = QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = ?");
    const QString index = QStringLiteral("select count(*) from RDB$INDICES where RDB$INDEX_NAME = ?");
    fb::Transaction tr;
    tr.start(db);
    for (const QString& statement : installStatements(schemaScript)) {
        const auto m = created.match(statement);
        if (m.hasMatch() &&
            exists(db, tr, m.captured(1).toUpper() == u"TABLE" ? relation : index, m.captured(2).toUpper()))
            continue;
        static const QRegularExpression inserted(QStringLiteral("^INSERT\\s+INTO\\s+(\\w+)"),
                                                 QRegularExpression::CaseInsensitiveOption);
        const auto row = inserted.match(statement);
        if (row.hasMatch() && exists(db, tr, QStringLiteral("select count(*) from %1").arg(row.captured(1))))
            continue;
        fb::executeImmediate(db, tr, statement);
        tr.commitRetaining();
    }
    tr.commit();
}

std::optional<State> readState(fb::Attachment& db, fb::Transaction& tr) {
    if (!exists(db, tr, QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = ?"),
                QStringLiteral("SEARCH_STATE")))
        return std::nullopt;
    fb::Statement st(db, tr,
                     QStringLiteral("select GEN, WATERMARK, BUILD_GEN, BUILD_WATERMARK, BUILD_FROM, NEXT_PART, "
                                    "STALE_ROWS, ROWS_INDEXED, BUILD_ROWS from SEARCH_STATE where ID = 1"));
    st.execute();
    if (!st.fetch())
        return std::nullopt;
    State s;
    s.gen = static_cast<int>(st.integer(0));
    s.watermark = st.isNull(1) ? -1 : st.integer(1);
    s.buildGen = static_cast<int>(st.integer(2));
    s.buildWatermark = st.isNull(3) ? -1 : st.integer(3);
    s.buildFrom = static_cast<int>(st.integer(4));
    s.nextPart = static_cast<int>(st.integer(5));
    s.staleRows = static_cast<int>(st.integer(6));
    s.rows = static_cast<int>(st.integer(7));
    s.buildRows = static_cast<int>(st.integer(8));
    return s;
}

struct PostingsBuilder::Table {
    GramTable grams;
};

PostingsBuilder::PostingsBuilder() : table_(std::make_unique<Table>()) {}
PostingsBuilder::~PostingsBuilder() = default;

void PostingsBuilder::add(int key, const char* text, int length) {
    GramTable& grams = table_->grams;
    for (int i = 0; i < length; ++i) {
        grams.at(gramCode(text + i, 1)).add(key);
        if (i + 3 <= length)
            grams.at(gramCode(text + i, 3)).add(key);
    }
}

int PostingsBuilder::write(fb::Attachment& db, fb::Transaction& tr, int gen, int firstPart) {
    GramTable& grams = table_->grams;
    fb::Statement insert(db, tr,
                         QStringLiteral("insert into SEARCH_GRAMS (GRAM, GEN, PART, POSTINGS) values (?, ?, ?, ?)"));
    std::vector<int> keys;
    int used = 0;
    for (size_t i = 0; i < grams.size(); ++i) {
        Postings& p = grams.postings(i);
        if (p.steps.isEmpty())
            continue;
        keys.clear();
        decodeSteps(p.steps.constData(), p.steps.size(), keys);
        int part = firstPart;
        for (const QByteArray& piece : encodePieces(keys)) {
            insert.setParam(0, static_cast<int>(grams.code(i)));
            insert.setParam(1, gen);
            insert.setParam(2, part++);
            insert.setParam(3, piece);
            insert.execute();
        }
        used = std::max(used, part - firstPart);
        p.steps.clear();
        p.last = kNoKey;
    }
    return used;
}

std::optional<Candidates> candidates(fb::Attachment& db, fb::Transaction& tr, const QByteArray& likeText, int limit) {
    const std::vector<quint32> grams = requiredGrams(likeText);
    if (grams.empty())
        return std::nullopt;
    const std::optional<State> state = readState(db, tr);
    if (!state || state->gen == 0)
        return std::nullopt;
    Candidates out;
    out.watermark = state->watermark;
    out.rows = state->rows;
    fb::Statement read(db, tr, QStringLiteral("select POSTINGS from SEARCH_GRAMS where GRAM = ? and GEN = ?"));
    std::vector<int> keys, both;
    bool first = true;
    for (quint32 gram : grams) {
        read.setParam(0, static_cast<int>(gram));
        read.setParam(1, state->gen);
        read.execute();
        keys.clear();
        while (read.fetch()) {
            int length = 0;
            const char* p = read.isNull(0) ? nullptr : read.textData(0, &length);
            decodePiece(p, length, keys);
        }
        read.close();
        // Pieces of later catch-ups name keys again and out of order.
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        if (first) {
            out.keys.swap(keys);
            first = false;
        } else {
            both.clear();
            std::set_intersection(out.keys.begin(), out.keys.end(), keys.begin(), keys.end(), std::back_inserter(both));
            out.keys.swap(both);
        }
        if (out.keys.empty())
            break;
    }
    // A new generation may have replaced this one while its pieces were read, and its old pieces may
    // be gone: what was read then is not the whole, and the caller searches the plain way.
    const std::optional<State> after = readState(db, tr);
    if (!after || after->gen != state->gen)
        return std::nullopt;
    if (static_cast<int>(out.keys.size()) > limit)
        return std::nullopt;
    return out;
}

} // namespace searchindex
