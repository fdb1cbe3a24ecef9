#include "LocalContacts.h"

#include "ChangeStamps.h"
#include "Database.h"

#include <QCryptographicHash>
#include <algorithm>

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

Connection::Connection(const DbLogin& login, int pageBuffers) {
    db_.setPageBuffers(pageBuffers);
    db_.attach(login.databaseName, login.userName, login.password);
    tr_.start(db_);
}

void Connection::commit() {
    tr_.commit();
    tr_.start(db_);
}

LocalContacts::LocalContacts(fb::Attachment& db, fb::Transaction& tr) : db_(db), tr_(tr) {}
LocalContacts::~LocalContacts() = default;

void LocalContacts::loadGroups() {
    std::vector<GroupRow>& rows = groupRows_;
    rows.clear();
    fb::Statement st(db_, tr_,
                     QStringLiteral("select GR_NUM, PARENT_GROUP, GROUP_NAME from \"GROUPS\" order by GR_NUM"));
    st.execute();
    while (st.fetch()) {
        rows.push_back({st.value(0).toInt(), st.isNull(1) ? 0 : st.value(1).toInt(), st.value(2).toString()});
    }
    groups_ = GroupPaths(rows);
}

Values LocalContacts::valuesOfStatement(fb::Statement& st) {
    ContactRow row;
    for (int c = 0; c < ColumnCount; ++c)
        row.values[c] = st.value(c);
    if (!row.values[GR_NUM].isNull())
        row.groupPath = groups_.path(row.values[GR_NUM].toInt());
    Values v = valuesOf(row);
    const QString photo = row.values[FOTOLINK].toString();
    photoPaths_.insert(row.values[NUM_MAIN].toInt(), photo);
    v[FOTOLINK] = photos_.digestOfFile(photo);
    return v;
}

// The FOTOLINK stored for a contact with these values (a file written for a photograph from the server).
QVariant LocalContacts::photoColumn(int num, const Values& values) {
    const QString path = photos_.pathFor(num, values[FOTOLINK], photoPaths_.value(num));
    photoPaths_.insert(num, path);
    return path.isEmpty() ? QVariant() : QVariant(path);
}

void LocalContacts::load() {
    loadGroups();
    contacts_.clear();
    fb::Statement st(db_, tr_, QStringLiteral("select %1 from \"MAIN\"").arg(allFields().join(QStringLiteral(", "))));
    st.execute();
    while (st.fetch())
        contacts_.insert(st.value(NUM_MAIN).toInt(), valuesOfStatement(st));
}

void LocalContacts::loadSome(const QList<int>& nums) {
    loadGroups();
    contacts_.clear();
    for (int num : nums)
        loadOne(num);
}

bool LocalContacts::loadOne(int num) {
    fb::Statement& st = prepared(
        selectOne_,
        QStringLiteral("select %1 from \"MAIN\" where NUM_MAIN = ?").arg(allFields().join(QStringLiteral(", "))));
    st.setParam(0, num);
    st.execute();
    const bool found = st.fetch();
    if (found)
        contacts_.insert(num, valuesOfStatement(st));
    st.close();
    return found;
}

void LocalContacts::rememberSynced(int num, const Values& values) {
    QStringList cols, marks;
    std::vector<int> order;
    for (int c = 0; c < ColumnCount; ++c)
        if (synced(c)) {
            cols << fieldOf(c);
            marks << QStringLiteral("?");
            order.push_back(c);
        }
    fb::Statement& st =
        prepared(remember_, QStringLiteral("update or insert into SYNC_DESK (NUM_MAIN, %1) values (?, %2) matching "
                                           "(NUM_MAIN)")
                                .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    const ContactRow row = rowOf(values);
    st.setParam(0, num);
    int i = 1;
    for (int c : order) {
        QVariant v = row.values[c];
        if (c == GR_NUM) {
            // The group the path names now; none found leaves no match, so the contact is compared.
            const int group = values[c].isEmpty() ? -1 : groups_.find(values[c]);
            v = group >= 0 ? QVariant(group) : QVariant();
        } else if (c == FOTOLINK) {
            // The file the desk has: a contact whose FOTOLINK changes is compared again.
            const QString path = photoPaths_.value(num);
            v = path.isEmpty() ? QVariant() : QVariant(path);
        }
        st.setParam(i++, v);
    }
    st.execute();
}

void LocalContacts::forgetSynced(int num) {
    fb::Statement st(db_, tr_, QStringLiteral("delete from SYNC_DESK where NUM_MAIN = ?"));
    st.setParam(0, num);
    st.execute();
}

QList<int> LocalContacts::changedSinceSync() {
    QStringList differs;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!synced(c))
            continue;
        const QString f = fieldOf(c);
        if (c == GR_NUM || c == BITHDAY)
            differs << QStringLiteral("m.%1 is distinct from d.%1").arg(f);
        else
            differs << QStringLiteral("coalesce(m.%1, '') <> coalesce(d.%1, '')").arg(f);
    }
    // With the stamps, only the rows written from the watermark on: a row the last sync compared, or
    // stored itself, and nobody wrote since is the same as its synced values.
    QString stamped = QStringLiteral("1 = 1");
    if (since_) {
        // The ranges between the sync's own transactions, so that the index skips their rows (a
        // first sync's own are every row it stored); past a few dozen, they are left out one by one.
        std::vector<qint64> own(since_->ownTransactions.begin(), since_->ownTransactions.end());
        std::sort(own.begin(), own.end());
        own.erase(std::unique(own.begin(), own.end()), own.end());
        own.erase(std::remove_if(own.begin(), own.end(), [this](qint64 tx) { return tx < since_->watermark; }),
                  own.end());
        QStringList ranges;
        if (own.size() <= 50) {
            QString from = QStringLiteral("m.CHANGE_TX >= %1").arg(since_->watermark);
            for (qint64 tx : own) {
                ranges << QStringLiteral("(%1 and m.CHANGE_TX < %2)").arg(from).arg(tx);
                from = QStringLiteral("m.CHANGE_TX > %1").arg(tx);
            }
            ranges << from;
            stamped = QStringLiteral("(%1)").arg(ranges.join(QStringLiteral(" or ")));
        } else {
            for (qint64 tx : own)
                ranges << QString::number(tx);
            stamped = QStringLiteral("m.CHANGE_TX >= %1 and m.CHANGE_TX not in (%2)")
                          .arg(since_->watermark)
                          .arg(ranges.join(u','));
        }
    }
    fb::Statement st(db_, tr_,
                     QStringLiteral("select m.NUM_MAIN from \"MAIN\" m left join SYNC_CARD s on s.NUM_MAIN = "
                                    "m.NUM_MAIN left join SYNC_DESK d on d.NUM_MAIN = m.NUM_MAIN where %2 and "
                                    "(s.HREF is null or d.NUM_MAIN is null or %1)")
                         .arg(differs.join(QStringLiteral(" or ")), stamped));
    st.execute();
    QList<int> out;
    while (st.fetch())
        out << st.value(0).toInt();
    return out;
}

void LocalContacts::beforeCommit() {
    const bool unsynced = std::exchange(unsynced_, false);
    if (!std::exchange(written_, false) || unsynced)
        return;
    fb::Statement st(db_, tr_, QStringLiteral("select current_transaction from rdb$database"));
    st.execute();
    if (st.fetch())
        ownTransactions_ << st.value(0).toLongLong();
}

std::optional<qint64> deskWatermark(fb::Attachment& db) {
    // The program adds them when it opens the database: asking whether they are there is cheaper.
    if (!changestamps::present(db) && !changestamps::ensure(db))
        return std::nullopt;
    return changestamps::watermark(db);
}

QStringList LocalContacts::cardsOfDeletedContacts() {
    fb::Statement st(db_, tr_,
                     QStringLiteral("select s.HREF from SYNC_CARD s where s.NUM_MAIN is not null and not exists "
                                    "(select 1 from \"MAIN\" m where m.NUM_MAIN = s.NUM_MAIN)"));
    st.execute();
    QStringList out;
    while (st.fetch())
        out << st.value(0).toString();
    return out;
}

QString LocalContacts::groupsSignature() const {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const GroupRow& g : groupRows_)
        hash.addData(QStringLiteral("%1:%2:%3\n").arg(g.num).arg(g.parent).arg(g.name).toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

QVariant LocalContacts::groupOf(const QString& path) {
    const std::optional<int> group = groups_.ensure(path, [this](int parent, const QString& name) {
        fb::Statement insert(
            db_, tr_, QStringLiteral("insert into \"GROUPS\" (GR_NUM, PARENT_GROUP, GROUP_NAME) values (?, ?, ?)"));
        const int num = newKey(db_, tr_, "SETGROUPSPRIMARYKEY");
        insert.setParam(0, num);
        insert.setParam(1, parent);
        insert.setParam(2, name);
        insert.execute();
        groupRows_.push_back({num, parent, name}); // the signature then holds this run's own groups
        written_ = true;
        return num;
    });
    return group ? QVariant(*group) : QVariant();
}

void LocalContacts::ensureGroup(const QString& path) {
    groupOf(path);
}

fb::Statement& LocalContacts::prepared(std::unique_ptr<fb::Statement>& slot, const QString& sql) {
    if (!slot)
        slot = std::make_unique<fb::Statement>(db_, tr_, sql);
    return *slot;
}

int LocalContacts::insert(const Values& values) {
    fb::Statement& key = prepared(mainKey_, QStringLiteral("execute procedure SETMAINPRIMARYKEY"));
    key.execute();
    const int num = static_cast<int>(key.integer(0));
    QStringList marks;
    for (int c = 0; c < ColumnCount; ++c)
        marks << QStringLiteral("?");
    fb::Statement& st =
        prepared(insert_, QStringLiteral("insert into \"MAIN\" (%1) values (%2)")
                              .arg(allFields().join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    const ContactRow row = rowOf(values);
    for (int c = 0; c < ColumnCount; ++c)
        st.setParam(c, c == NUM_MAIN   ? QVariant(num)
                       : c == GR_NUM   ? groupOf(values[GR_NUM])
                       : c == FOTOLINK ? photoColumn(num, values)
                                       : row.values[c]);
    st.execute();
    written_ = true;
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
    fb::Statement& st = prepared(
        update_, QStringLiteral("update \"MAIN\" set %1 where NUM_MAIN = ?").arg(sets.join(QStringLiteral(", "))));
    const ContactRow row = rowOf(values);
    int i = 0;
    for (int c : cols)
        st.setParam(i++, c == GR_NUM     ? groupOf(values[GR_NUM])
                         : c == FOTOLINK ? photoColumn(num, values)
                                         : row.values[c]);
    st.setParam(i, num);
    st.execute();
    written_ = true;
    contacts_.insert(num, values);
}

void LocalContacts::remove(int num) {
    fb::Statement st(db_, tr_, QStringLiteral("delete from \"MAIN\" where NUM_MAIN = ?"));
    st.setParam(0, num);
    st.execute();
    written_ = true;
    contacts_.remove(num);
}

} // namespace cardsync
