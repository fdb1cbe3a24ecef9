#include "LocalContacts.h"

#include "Database.h"

namespace cardsync {

using namespace exchange;

namespace {

QString fieldOf(int c) {
    return QString::fromLatin1(mapping(Column(c)).field).toUpper();
}

QStringList allFields() {
    QStringList cols;
    for (int c = 0; c < ColumnCount; ++c)
        cols << fieldOf(c);
    return cols;
}

int newKey(fb::Attachment& db, fb::Transaction& tr, const char* procedure) {
    fb::Statement st(db, tr, QStringLiteral("execute procedure %1").arg(QLatin1String(procedure)));
    st.execute();
    if (st.columnCount() < 1 || st.isNull(0))
        throw DbError(QStringLiteral("Invalid variant type conversion"));
    return static_cast<int>(st.integer(0));
}

} // namespace

DbLogin DbLogin::of(const Database& db) {
    return {db.databaseName, db.userName, db.password};
}

Connection::Connection(const DbLogin& login) {
    db_.attach(login.databaseName, login.userName, login.password);
    tr_.start(db_);
}

void Connection::commit() {
    tr_.commit();
    tr_.start(db_);
}

LocalContacts::LocalContacts(fb::Attachment& db, fb::Transaction& tr) : db_(db), tr_(tr) {}
LocalContacts::~LocalContacts() = default;

void LocalContacts::load() {
    std::vector<GroupRow> rows;
    {
        fb::Statement st(db_, tr_, QStringLiteral("select GR_NUM, PARENT_GROUP, GROUP_NAME from \"GROUPS\""));
        st.execute();
        while (st.fetch())
            rows.push_back({st.value(0).toInt(), st.isNull(1) ? 0 : st.value(1).toInt(), st.value(2).toString()});
    }
    groups_ = GroupPaths(rows);
    contacts_.clear();
    fb::Statement st(db_, tr_, QStringLiteral("select %1 from \"MAIN\"").arg(allFields().join(QStringLiteral(", "))));
    st.execute();
    while (st.fetch()) {
        ContactRow row;
        for (int c = 0; c < ColumnCount; ++c)
            row.values[c] = st.value(c);
        if (!row.values[GR_NUM].isNull())
            row.groupPath = groups_.path(row.values[GR_NUM].toInt());
        contacts_.insert(row.values[NUM_MAIN].toInt(), valuesOf(row));
    }
}

QVariant LocalContacts::groupOf(const QString& path) {
    if (splitGroupPath(path).isEmpty())
        return {};
    int parent = 0;
    QStringList missing;
    const int found = groups_.find(path, &parent, &missing);
    if (found >= 0)
        return found;
    fb::Statement insert(db_, tr_,
                         QStringLiteral("insert into \"GROUPS\" (GR_NUM, PARENT_GROUP, GROUP_NAME) values (?, ?, ?)"));
    for (const QString& name : missing) {
        const int num = newKey(db_, tr_, "SETGROUPSPRIMARYKEY");
        insert.setParam(0, num);
        insert.setParam(1, parent);
        insert.setParam(2, name);
        insert.execute();
        groups_.add({num, parent, name});
        parent = num;
    }
    return parent;
}

void LocalContacts::ensureGroup(const QString& path) {
    groupOf(path);
}

int LocalContacts::insert(const Values& values) {
    const int num = newKey(db_, tr_, "SETMAINPRIMARYKEY");
    QStringList marks;
    for (int c = 0; c < ColumnCount; ++c)
        marks << QStringLiteral("?");
    fb::Statement st(db_, tr_,
                     QStringLiteral("insert into \"MAIN\" (%1) values (%2)")
                         .arg(allFields().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    const ContactRow row = rowOf(values);
    for (int c = 0; c < ColumnCount; ++c)
        st.setParam(c, c == NUM_MAIN ? QVariant(num) : c == GR_NUM ? groupOf(values[GR_NUM]) : row.values[c]);
    st.execute();
    contacts_.insert(num, values);
    return num;
}

void LocalContacts::update(int num, const Values& values) {
    QStringList sets;
    std::vector<int> cols;
    for (int c = 0; c < ColumnCount; ++c)
        if (synced(c)) {
            sets << fieldOf(c) + QStringLiteral(" = ?");
            cols.push_back(c);
        }
    fb::Statement st(db_, tr_,
                     QStringLiteral("update \"MAIN\" set %1 where NUM_MAIN = ?").arg(sets.join(QStringLiteral(", "))));
    const ContactRow row = rowOf(values);
    int i = 0;
    for (int c : cols)
        st.setParam(i++, c == GR_NUM ? groupOf(values[GR_NUM]) : row.values[c]);
    st.setParam(i, num);
    st.execute();
    contacts_.insert(num, values);
}

void LocalContacts::remove(int num) {
    fb::Statement st(db_, tr_, QStringLiteral("delete from \"MAIN\" where NUM_MAIN = ?"));
    st.setParam(0, num);
    st.execute();
    contacts_.remove(num);
}

} // namespace cardsync
