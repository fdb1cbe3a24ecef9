#pragma once

// The fixture of the indexed search tests: contacts in the producer's own shape, a second
// connection as another copy would hold it, and the index built as the background work builds it.
#include "Cp1251.h"
#include "FilterConditions.h"
#include "IndexedSearch.h"
#include "SearchIndex.h"
#include "SearchIndexBuild.h"
#include "SearchIndexKeeper.h"
#include "TestDatabase.h"
#include <QTest>

using testdb::Folder;
using testdb::RecordedUi;
using namespace Qt::StringLiterals;

namespace searchfixture {

using Values = QList<QPair<QString, QString>>;

// Every character cp1251 has from the space on, except the two wildcards and the quote, which the
// searches below use on purpose.
inline QString cp1251Characters() {
    QByteArray bytes;
    for (int b = 0x20; b <= 0xff; ++b)
        if (b != '%' && b != '_' && b != '\'' && b != 0x98)
            bytes.append(static_cast<char>(b));
    return cp1251::decode(bytes);
}

// The contacts of the fixture, by key. Key 8 holds "a" and "b" in different fields only, so the
// text "a%b" makes it a candidate that the Like terms must turn away.
inline const QList<QPair<int, Values>>& fixture() {
    static const QList<QPair<int, Values>> rows = {
        {1, {{u"FAM"_s, u"Иванов"_s}, {u"FIRST_NAME"_s, u"Иван"_s}, {u"CELLULAR"_s, u"+7 (916) 123-45-67"_s}}},
        {2, {{u"FAM"_s, u"иванова"_s}, {u"NOTES"_s, u"звонить после 100% оплаты"_s}}},
        {3, {{u"FAM"_s, u"ЁЛКИН"_s}, {u"FIRST_NAME"_s, u"ёжик"_s}, {u"JOB_ORG"_s, u"ООО «Ромашка»"_s}}},
        {4, {{u"FAM"_s, u"O'Brien"_s}, {u"JOB_EMAIL"_s, u"obrien@example.org"_s}, {u"NOTES"_s, u"said \"hello\""_s}}},
        {5, {{u"FAM"_s, u"Smith"_s}, {u"JOB_ORG"_s, u"a_b corp"_s}, {u"HOME_ST"_s, u"ул. Ленина, 5"_s}}},
        {6, {{u"FAM"_s, u"Щукин"_s}, {u"JOB_TEL1"_s, u"123"_s}, {u"JOB_CITY"_s, u"Москва"_s}}},
        {7, {{u"OTHER_COMMUN"_s, u"Ґґ Єє Іі Її Ўў Јј Љљ"_s}, {u"HOME_TEL2"_s, u"8-800"_s}}},
        {8, {{u"JOB_ORG"_s, u"Alpha"_s}, {u"NOTES"_s, u"bravo"_s}}},
        {9, {{u"NOTES"_s, cp1251Characters()}}},
        {10, {{u"FAM"_s, u"Фёдоров"_s}, {u"JOB_POST"_s, u"ab"_s}}},
        {11, {}},
    };
    return rows;
}

inline void insertRow(fb::Attachment& db, fb::Transaction& tr, int key, const Values& values) {
    QStringList columns{u"NUM_MAIN"_s};
    QStringList marks{u"?"_s};
    for (const auto& v : values) {
        columns << v.first;
        marks << u"?"_s;
    }
    fb::Statement st(db, tr,
                     u"insert into \"MAIN\" (%1) values (%2)"_s.arg(columns.join(u", "_s), marks.join(u", "_s)));
    st.setParam(0, key);
    for (int i = 0; i < values.size(); ++i)
        st.setParam(i + 1, values[i].second);
    st.execute();
}

// A second connection, as another copy of the program would hold it: each change is committed.
struct OtherCopy {
    fb::Attachment db;
    explicit OtherCopy(const QString& path) { db.attach(path, u"SYSDBA"_s, u"masterkey"_s); }
    void run(const QString& sql) {
        fb::Transaction tr;
        tr.start(db);
        fb::executeImmediate(db, tr, sql);
        tr.commit();
    }
    void insert(int key, const Values& values) {
        fb::Transaction tr;
        tr.start(db);
        insertRow(db, tr, key, values);
        tr.commit();
    }
};

inline QList<int> listedKeys(Dataset& m) {
    m.fetchAll();
    QList<int> keys;
    const int key = m.keyField().index();
    for (int row = 0; row < m.rowCount(); ++row)
        keys << m.value(row, key).toInt();
    return keys;
}

inline QList<int> plainSearch(Dataset& m, const QString& text) {
    m.setFilterState(FilterConditions::searchCondition(text, FilterConditions::searchedFieldNames()), true);
    return listedKeys(m);
}

inline QList<int> indexedSearch(Dataset& m, const QString& text, bool* narrowed = nullptr) {
    const indexedsearch::Search search = indexedsearch::prepare(m.database(), text);
    if (narrowed)
        *narrowed = search.condition.startsWith(u'(') || !search.drivingKeys.isEmpty();
    m.setFilterState(search.condition, true, search.drivingKeys);
    return listedKeys(m);
}

// A database as the program made it before the search index existed.
inline void createWithoutIndex(const QString& path) {
    const QString script = schema::readScript(u":/data/schema.sql"_s);
    const QStringList indexStatements = searchindex::installStatements(script);
    fb::Attachment db;
    db.create(path, u"SYSDBA"_s, u"masterkey"_s);
    fb::Transaction tr;
    tr.start(db);
    for (const QString& statement : schema::splitStatements(script)) {
        if (indexStatements.contains(statement))
            continue;
        fb::executeImmediate(db, tr, statement);
        tr.commitRetaining();
    }
    tr.commit();
}

inline bool hasRelation(fb::Attachment& db, const QString& name) {
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, u"select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = ?"_s);
    st.setParam(0, name);
    st.execute();
    return st.fetch() && st.integer(0) == 1;
}

inline searchindex::State stateOf(fb::Attachment& db) {
    fb::Transaction tr;
    tr.start(db);
    return searchindex::readState(db, tr).value_or(searchindex::State{});
}

// Builds or catches up the index from a connection of its own, as the program's background work
// does; true once a generation covers the database. The program's own keeper may hold the lock at
// that moment, so callers wait for this with QTRY_VERIFY.
inline bool indexReady(const QString& path, int rowsPerChunk = 50000) {
    OtherCopy builder(path);
    searchindex::IndexBuilder b(builder.db, schema::readScript(u":/data/schema.sql"_s));
    b.rowsPerChunk = rowsPerChunk;
    b.runToEnd();
    const searchindex::State s = stateOf(builder.db);
    return s.gen != 0 && s.buildGen == 0;
}

// Builds a new generation of the index from every contact, in chunks of the given size.
inline void buildAnew(const QString& path, int rowsPerChunk = 50000) {
    OtherCopy builder(path);
    searchindex::IndexBuilder b(builder.db, schema::readScript(u":/data/schema.sql"_s));
    b.rowsPerChunk = rowsPerChunk;
    b.buildAnew();
    QVERIFY(b.runToEnd());
}

inline std::optional<searchindex::Candidates> candidatesFor(Dataset& m, const QString& text, int limit = 1000) {
    return searchindex::candidates(m.database().attachment(), m.database().transaction(), cp1251::encode(text), limit);
}

inline bool named(const std::optional<searchindex::Candidates>& found, int key) {
    return found && std::find(found->keys.begin(), found->keys.end(), key) != found->keys.end();
}

} // namespace searchfixture
