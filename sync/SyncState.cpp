#include "SyncState.h"

#include "ContactValues.h"

namespace cardsync {

namespace {

const char* const kTables[] = {
    "CREATE TABLE SYNC_ACCOUNT (ID INTEGER NOT NULL PRIMARY KEY, SERVER_URL VARCHAR(500), USER_NAME "
    "VARCHAR(100), BOOK_URL VARCHAR(500), INTERVAL_MIN INTEGER, CERT_SHA256 VARCHAR(120), SYNC_TOKEN "
    "VARCHAR(1000), GROUPS_SIG VARCHAR(64))",
    "CREATE TABLE SYNC_CARD (HREF VARCHAR(500) NOT NULL PRIMARY KEY, NUM_MAIN INTEGER, CARD_UID VARCHAR(250), "
    "ETAG VARCHAR(250), SYNCED VARCHAR(8000), IS_GROUP SMALLINT, CONFLICT SMALLINT, SERVER_ETAG VARCHAR(250), "
    "SERVER_VALUES VARCHAR(8000), SERVER_DELETED SMALLINT, CHOICE VARCHAR(400))",
    "CREATE INDEX SYNC_CARD_NUM ON SYNC_CARD (NUM_MAIN)",
    "CREATE TABLE SYNC_LOCK (ID INTEGER NOT NULL PRIMARY KEY, RUNS INTEGER)",
};

// The values each contact was last synced with, in columns like the contact's own.
QString syncDeskTable() {
    QStringList cols = {QStringLiteral("NUM_MAIN INTEGER NOT NULL PRIMARY KEY")};
    for (int c = 0; c < exchange::ColumnCount; ++c) {
        if (!synced(c))
            continue;
        const QString name = QString::fromLatin1(exchange::mapping(exchange::Column(c)).field).toUpper();
        cols << name + (c == exchange::GR_NUM    ? QStringLiteral(" INTEGER")
                        : c == exchange::BITHDAY ? QStringLiteral(" DATE")
                                                 : QStringLiteral(" VARCHAR(250)"));
    }
    return QStringLiteral("CREATE TABLE SYNC_DESK (%1)").arg(cols.join(QStringLiteral(", ")));
}

// 1 for a card a run must look at whatever changed: a conflict, an upload not yet confirmed.
const char* const kUnsettled = "iif(CONFLICT = 1 or ETAG is null or SYNCED is null, 1, 0)";

QVariant textOrNull(const QString& s) {
    return s.isEmpty() ? QVariant() : QVariant(s);
}

} // namespace

bool stateTablesExist(fb::Attachment& db, fb::Transaction& tr) {
    fb::Statement st(db, tr,
                     QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'SYNC_LOCK'"));
    st.execute();
    return st.fetch() && st.value(0).toInt() > 0;
}

namespace {
bool columnExists(fb::Attachment& db, fb::Transaction& tr, const char* table, const char* column) {
    fb::Statement st(db, tr,
                     QStringLiteral("select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = '%1' and "
                                    "RDB$FIELD_NAME = '%2'")
                         .arg(QLatin1String(table), QLatin1String(column)));
    st.execute();
    return st.fetch() && st.value(0).toInt() > 0;
}
} // namespace

void upgradeStateTables(fb::Attachment& db, fb::Transaction& tr) {
    // Tables made by the first version of the sync lack the columns that spare a sync with nothing
    // changed from reading every contact.
    bool altered = false;
    fb::Statement desk(db, tr,
                       QStringLiteral("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'SYNC_DESK'"));
    desk.execute();
    if (desk.fetch() && desk.value(0).toInt() == 0) {
        desk.close();
        fb::executeImmediate(db, tr, syncDeskTable());
        altered = true;
    }
    if (!columnExists(db, tr, "SYNC_DESK", "FOTOLINK")) {
        // Photographs are synced too: the file each contact had when it was last synced.
        fb::executeImmediate(db, tr, QStringLiteral("alter table SYNC_DESK add FOTOLINK VARCHAR(250)"));
        altered = true;
    }
    if (!columnExists(db, tr, "SYNC_ACCOUNT", "GROUPS_SIG")) {
        fb::executeImmediate(db, tr, QStringLiteral("alter table SYNC_ACCOUNT add GROUPS_SIG VARCHAR(64)"));
        altered = true;
    }
    if (!columnExists(db, tr, "SYNC_ACCOUNT", "DESK_WATERMARK")) {
        fb::executeImmediate(
            db, tr,
            QStringLiteral("alter table SYNC_ACCOUNT add DESK_WATERMARK BIGINT, add DESK_OWN_TX VARCHAR(2000)"));
        altered = true;
    }
    // The cards every run looks at whatever changed are few: found through indexes, not by reading
    // every card of the book.
    for (const auto& [name, sql] :
         {std::pair{"SYNC_CARD_CONFLICT", "CREATE INDEX SYNC_CARD_CONFLICT ON SYNC_CARD (CONFLICT)"},
          std::pair{"SYNC_CARD_UNSETTLED", "CREATE INDEX SYNC_CARD_UNSETTLED ON SYNC_CARD COMPUTED BY (%1)"}}) {
        fb::Statement index(
            db, tr,
            QStringLiteral("select count(*) from RDB$INDICES where RDB$INDEX_NAME = '%1'").arg(QLatin1String(name)));
        index.execute();
        if (index.fetch() && index.value(0).toInt() == 0) {
            index.close();
            fb::executeImmediate(db, tr,
                                 QString::fromLatin1(sql).replace(QStringLiteral("%1"), QLatin1String(kUnsettled)));
            altered = true;
        }
    }
    if (altered) {
        tr.commit();
        tr.start(db);
    }
}

void createStateTables(fb::Attachment& db, fb::Transaction& tr) {
    if (stateTablesExist(db, tr)) {
        upgradeStateTables(db, tr);
        return;
    }
    for (const char* sql : kTables)
        fb::executeImmediate(db, tr, QString::fromLatin1(sql));
    fb::executeImmediate(db, tr, syncDeskTable());
    tr.commit();
    tr.start(db);
    fb::executeImmediate(db, tr, QStringLiteral("insert into SYNC_LOCK (ID, RUNS) values (1, 0)"));
    tr.commit();
    tr.start(db);
}

std::optional<SyncAccount> SyncState::account() {
    fb::Statement st(db_, tr_,
                     QStringLiteral("select SERVER_URL, USER_NAME, BOOK_URL, INTERVAL_MIN, CERT_SHA256 from "
                                    "SYNC_ACCOUNT where ID = 1"));
    st.execute();
    if (!st.fetch())
        return std::nullopt;
    SyncAccount a;
    a.serverUrl = st.value(0).toString();
    a.userName = st.value(1).toString();
    a.bookUrl = st.value(2).toString();
    a.intervalMinutes = st.value(3).toInt();
    a.certificateSha256 = st.value(4).toString();
    return a;
}

void SyncState::writeAccount(const SyncAccount& a) {
    fb::Statement st(db_, tr_,
                     QStringLiteral("update or insert into SYNC_ACCOUNT (ID, SERVER_URL, USER_NAME, BOOK_URL, "
                                    "INTERVAL_MIN, CERT_SHA256) values (1, ?, ?, ?, ?, ?) matching (ID)"));
    st.setParam(0, textOrNull(a.serverUrl));
    st.setParam(1, textOrNull(a.userName));
    st.setParam(2, textOrNull(a.bookUrl));
    st.setParam(3, a.intervalMinutes);
    st.setParam(4, textOrNull(a.certificateSha256));
    st.execute();
}

void SyncState::removeAccount() {
    fb::executeImmediate(db_, tr_, QStringLiteral("delete from SYNC_ACCOUNT"));
}

QString SyncState::token() {
    fb::Statement st(db_, tr_, QStringLiteral("select SYNC_TOKEN from SYNC_ACCOUNT where ID = 1"));
    st.execute();
    return st.fetch() ? st.value(0).toString() : QString();
}

void SyncState::setToken(const QString& token) {
    fb::Statement st(db_, tr_, QStringLiteral("update SYNC_ACCOUNT set SYNC_TOKEN = ? where ID = 1"));
    st.setParam(0, textOrNull(token));
    st.execute();
}

namespace {
const char* const kCardColumns = "HREF, NUM_MAIN, CARD_UID, ETAG, SYNCED, IS_GROUP, CONFLICT, SERVER_ETAG, "
                                 "SERVER_VALUES, SERVER_DELETED, CHOICE";

std::vector<CardState> fetchCards(fb::Statement& st) {
    st.execute();
    std::vector<CardState> out;
    while (st.fetch()) {
        CardState c;
        c.href = st.value(0).toString();
        c.num = st.isNull(1) ? -1 : st.value(1).toInt();
        c.uid = st.value(2).toString();
        c.etag = st.value(3).toString();
        c.synced = st.value(4).toString();
        c.group = st.value(5).toInt() != 0;
        c.conflict = st.value(6).toInt() != 0;
        c.serverEtag = st.value(7).toString();
        c.serverValues = st.value(8).toString();
        c.serverDeleted = st.value(9).toInt() != 0;
        c.choice = st.value(10).toString();
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<CardState> readCards(fb::Attachment& db, fb::Transaction& tr, const QString& where) {
    fb::Statement st(
        db, tr, QStringLiteral("select %1 from SYNC_CARD %2 order by HREF").arg(QLatin1String(kCardColumns), where));
    return fetchCards(st);
}
} // namespace

std::vector<CardState> SyncState::unsettled() {
    return readCards(db_, tr_, QStringLiteral("where %1 = 1").arg(QLatin1String(kUnsettled)));
}

std::optional<CardState> SyncState::card(const QString& href) {
    if (!byHref_)
        byHref_ = std::make_unique<fb::Statement>(
            db_, tr_, QStringLiteral("select %1 from SYNC_CARD where HREF = ?").arg(QLatin1String(kCardColumns)));
    byHref_->setParam(0, href);
    std::vector<CardState> found = fetchCards(*byHref_);
    byHref_->close();
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::optional<CardState> SyncState::cardOf(int num) {
    if (!byNum_)
        byNum_ = std::make_unique<fb::Statement>(
            db_, tr_, QStringLiteral("select %1 from SYNC_CARD where NUM_MAIN = ?").arg(QLatin1String(kCardColumns)));
    byNum_->setParam(0, num);
    std::vector<CardState> found = fetchCards(*byNum_);
    byNum_->close();
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::optional<DeskMark> SyncState::deskMark() {
    fb::Statement st(db_, tr_, QStringLiteral("select DESK_WATERMARK, DESK_OWN_TX from SYNC_ACCOUNT where ID = 1"));
    st.execute();
    if (!st.fetch() || st.isNull(0))
        return std::nullopt;
    DeskMark mark;
    mark.watermark = st.value(0).toLongLong();
    for (const QString& tx : st.value(1).toString().split(u',', Qt::SkipEmptyParts))
        mark.ownTransactions << tx.toLongLong();
    return mark;
}

void SyncState::setDeskMark(const std::optional<DeskMark>& mark) {
    QStringList own;
    if (mark)
        for (qint64 tx : mark->ownTransactions)
            own << QString::number(tx);
    QString ownText = own.join(u',');
    if (ownText.size() > 2000)
        ownText.clear(); // too many to leave out: the next sync compares those rows too
    fb::Statement st(db_, tr_,
                     QStringLiteral("update SYNC_ACCOUNT set DESK_WATERMARK = ?, DESK_OWN_TX = ? where ID = 1"));
    st.setParam(0, mark ? QVariant(mark->watermark) : QVariant());
    st.setParam(1, textOrNull(ownText));
    st.execute();
}

QString SyncState::groupsSignature() {
    fb::Statement st(db_, tr_, QStringLiteral("select GROUPS_SIG from SYNC_ACCOUNT where ID = 1"));
    st.execute();
    return st.fetch() ? st.value(0).toString() : QString();
}

void SyncState::setGroupsSignature(const QString& signature) {
    fb::Statement st(db_, tr_, QStringLiteral("update SYNC_ACCOUNT set GROUPS_SIG = ? where ID = 1"));
    st.setParam(0, textOrNull(signature));
    st.execute();
}

std::vector<CardState> SyncState::cards() {
    return readCards(db_, tr_, QString());
}

std::vector<CardState> SyncState::conflicts() {
    return readCards(db_, tr_, QStringLiteral("where CONFLICT = 1"));
}

void SyncState::write(const CardState& c) {
    if (!write_)
        write_ = std::make_unique<fb::Statement>(
            db_, tr_,
            QStringLiteral("update or insert into SYNC_CARD (HREF, NUM_MAIN, CARD_UID, ETAG, SYNCED, IS_GROUP, "
                           "CONFLICT, SERVER_ETAG, SERVER_VALUES, SERVER_DELETED, CHOICE) values (?, ?, ?, "
                           "?, ?, ?, ?, ?, ?, ?, ?) matching (HREF)"));
    fb::Statement& st = *write_;
    st.setParam(0, c.href);
    st.setParam(1, c.num < 0 ? QVariant() : QVariant(c.num));
    st.setParam(2, textOrNull(c.uid));
    st.setParam(3, textOrNull(c.etag));
    st.setParam(4, textOrNull(c.synced));
    st.setParam(5, c.group ? 1 : 0);
    st.setParam(6, c.conflict ? 1 : 0);
    st.setParam(7, textOrNull(c.serverEtag));
    st.setParam(8, textOrNull(c.serverValues));
    st.setParam(9, c.serverDeleted ? 1 : 0);
    st.setParam(10, textOrNull(c.choice));
    st.execute();
}

void SyncState::remove(const QString& href) {
    fb::Statement st(db_, tr_, QStringLiteral("delete from SYNC_CARD where HREF = ?"));
    st.setParam(0, href);
    st.execute();
}

void SyncState::dropCards() {
    fb::executeImmediate(db_, tr_, QStringLiteral("delete from SYNC_CARD"));
    fb::executeImmediate(db_, tr_, QStringLiteral("delete from SYNC_DESK"));
    fb::executeImmediate(db_, tr_, QStringLiteral("update SYNC_ACCOUNT set SYNC_TOKEN = null"));
}

void SyncState::setChoice(const QString& href, const QString& choice) {
    fb::Statement st(db_, tr_, QStringLiteral("update SYNC_CARD set CHOICE = ? where HREF = ? and CONFLICT = 1"));
    st.setParam(0, textOrNull(choice));
    st.setParam(1, href);
    st.execute();
}

QString choiceText(Side side, const QHash<int, Side>& perColumn) {
    QString out = side == Side::Desk ? QStringLiteral("D") : QStringLiteral("S");
    for (auto it = perColumn.begin(); it != perColumn.end(); ++it)
        if (it.value() != side)
            out += QStringLiteral(",%1").arg(it.key());
    return out;
}

Side choiceFor(const QString& choice, int column) {
    const QStringList parts = choice.split(u',');
    const Side side = parts.value(0) == u"S" ? Side::Server : Side::Desk;
    const Side other = side == Side::Desk ? Side::Server : Side::Desk;
    return parts.mid(1).contains(QString::number(column)) ? other : side;
}

RunLock::RunLock(const DbLogin& login) {
    db_.attach(login.databaseName, login.userName, login.password);
    tr_.start(db_);
    try {
        fb::executeImmediate(db_, tr_, QStringLiteral("update SYNC_LOCK set RUNS = RUNS + 1 where ID = 1"));
        taken_ = true;
    } catch (const DbError& e) {
        // Lock conflict, deadlock or update conflict: another run holds the row.
        if (e.gdsCode() != isc_lock_conflict && e.gdsCode() != isc_deadlock && e.gdsCode() != isc_update_conflict)
            throw;
        taken_ = false;
    }
}

} // namespace cardsync
