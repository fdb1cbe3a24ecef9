#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace fb {
class Attachment;
class Transaction;
} // namespace fb

// The index of the searched contact text (tables SEARCH_GRAMS, SEARCH_STATE and SEARCH_LOCK of the
// schema). For each byte and each trigram of cp1251 text inside one searched field it holds the keys
// of the contacts whose fields contained it when they were indexed. The index is one generation
// (GEN) of pieces, built from a snapshot whose unseen changes carry a change stamp at or above the
// index's watermark; a search takes the keys the index names plus every contact stamped since, and
// its Like terms decide. A contact changed after it was indexed may stay listed under n-grams it no
// longer holds: that only adds a candidate the Like terms turn away, never hides a match.
namespace searchindex {

// The searched fields of a contact, in dataset order.
const QStringList& searchedColumns();

// An n-gram of one to three bytes as one number: the length in the top byte, then the bytes.
quint32 gramCode(const char* bytes, int length);

// The n-grams that every field matching Like '%text%' must contain: the typed text split at the
// wildcards "%" and "_" into literal pieces, each piece's trigrams (its bytes when it is shorter).
// Empty when the text has no literal piece, so that it says nothing about the rows.
//
// The index holds bytes and trigrams, no bigrams: those took a third of it, the two bytes of a
// two-byte piece narrow a search nearly as well, and a two-character text is mostly in a large
// share of the book, where any index hands back most of it.
std::vector<quint32> requiredGrams(const QByteArray& likeText);

// The schema's statements that make the index's objects, in order.
QStringList installStatements(const QString& schemaScript);

// Creates the index's objects missing from a database made before they existed, each committed on
// its own. Throws DbError when the database refuses (another copy holds a table, a read-only file).
void install(fb::Attachment& db, const QString& schemaScript);

// What SEARCH_STATE says.
struct State {
    int gen = 0;           // the generation searches read; 0 while none covers the database
    qint64 watermark = -1; // every change the generation has not seen is stamped at or above it
    int buildGen = 0;      // a generation being built, 0 when none
    qint64 buildWatermark = -1;
    int buildFrom = 0; // the next key the build reads
    int nextPart = 0;  // the first free piece number
    int staleRows = 0; // contacts indexed again since the generation was built
    int rows = 0;      // contacts the generation's build read
    int buildRows = 0; // contacts the build under way has read so far
};
// Nothing when the database has no index tables yet.
std::optional<State> readState(fb::Attachment& db, fb::Transaction& tr);

// The postings of the n-grams met in some contacts, written as pieces of one generation.
class PostingsBuilder {
public:
    PostingsBuilder();
    ~PostingsBuilder();
    PostingsBuilder(const PostingsBuilder&) = delete;
    PostingsBuilder& operator=(const PostingsBuilder&) = delete;

    // Adds a contact's searched texts (cp1251 bytes); keys come in ascending order.
    void add(int key, const char* text, int length);
    // Writes the pieces with numbers from firstPart on; returns the numbers used (at most).
    int write(fb::Attachment& db, fb::Transaction& tr, int gen, int firstPart);

private:
    struct Table;
    std::unique_ptr<Table> table_;
};

// The contacts that may match Like '%text%' in some searched field: the keys the index names, and
// the watermark above which every changed contact must be read too. Nothing when the index cannot
// narrow the search (none covers the database, no literal piece, or more than limit candidates),
// so the caller uses the plain condition.
struct Candidates {
    std::vector<int> keys; // ascending
    qint64 watermark = 0;
    int rows = 0; // contacts in the book when the index was built
};
std::optional<Candidates> candidates(fb::Attachment& db, fb::Transaction& tr, const QByteArray& likeText, int limit);

} // namespace searchindex
