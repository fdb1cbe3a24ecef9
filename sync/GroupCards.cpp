#include "GroupCards.h"

#include "GroupMembers.h"
#include "LocalContacts.h"
#include "VCard.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace cardsync {

using namespace exchange;

namespace {

// What SYNC_CARD holds of a card's values.
constexpr qsizetype kSyncedLimit = 8000;

// The desk group a card made by the sync stands for: its UID names it; -1 for another card.
int ownGroup(const QString& uid) {
    static const QString prefix = groupUid(0).chopped(1);
    if (!uid.startsWith(prefix))
        return -1;
    bool ok = false;
    const int num = uid.mid(prefix.size()).toInt(&ok);
    return ok ? num : -1;
}

bool isMemberLine(const QByteArray& line) {
    QByteArray name = line.left(line.indexOf(':')).toUpper();
    name = name.left(name.indexOf(';') < 0 ? name.size() : name.indexOf(';'));
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name = name.mid(dot + 1);
    return name == "MEMBER" || name == "X-ADDRESSBOOKSERVER-MEMBER";
}

std::optional<ImportedContact> parsedCard(const QByteArray& body) {
    const std::vector<vcard::Card> parsed = vcard::parse(body);
    if (parsed.empty())
        return std::nullopt;
    return contactFromCard(parsed.front());
}

} // namespace

QByteArray withMembers(const QByteArray& card, const QStringList& uids) {
    const bool v4 = card.contains("VERSION:4.0");
    QByteArray out;
    bool skipping = false;
    for (QByteArray line : card.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const bool continuation = line[0] == ' ' || line[0] == '\t';
        if (continuation) {
            if (!skipping)
                out += line + "\r\n";
            continue;
        }
        skipping = isMemberLine(line);
        if (skipping)
            continue;
        if (line.toUpper().startsWith("END:VCARD")) {
            for (const QString& uid : uids)
                vcard::appendLine(out, v4 ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER",
                                  uid.contains(u':') && v4 ? uid : QStringLiteral("urn:uuid:") + uid);
        }
        out += line + "\r\n";
    }
    return out;
}

GroupCards::GroupCards(fb::Attachment& db, fb::Transaction& tr, CardIndex& index, LocalContacts& local,
                       CardDavClient& client, const QUrl& book, std::function<void()> commit)
    : db_(db), tr_(tr), index_(index), local_(local), client_(client), book_(book), commit_(std::move(commit)) {}

GroupCards::Known GroupCards::knownOf(const CardState& c) {
    Known k;
    const QJsonObject o = QJsonDocument::fromJson(c.synced.toUtf8()).object();
    k.path = o.value(QStringLiteral("path")).toString();
    k.listed = o.contains(QStringLiteral("members"));
    k.digest = o.value(QStringLiteral("digest")).toString();
    k.settled = k.listed || !k.digest.isEmpty();
    for (const QJsonValue& v : o.value(QStringLiteral("members")).toArray())
        k.members << v.toInt();
    return k;
}

QString GroupCards::digestOf(const QList<int>& members) {
    QByteArray text;
    for (int num : members)
        text += QByteArray::number(num) + ',';
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex());
}

QString GroupCards::syncedText(const QString& path, const QList<int>& members) {
    QJsonObject o;
    o.insert(QStringLiteral("path"), path);
    o.insert(QStringLiteral("digest"), digestOf(members));
    QJsonArray list;
    for (int num : members)
        list.append(num);
    o.insert(QStringLiteral("members"), list);
    QString text = QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    if (text.size() > kSyncedLimit) {
        // Too many to keep: the digest tells whether the desk changed them; a change of the server's
        // card is read as at its first sight (only contacts without a group join it).
        o.remove(QStringLiteral("members"));
        text = QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    return text;
}

void GroupCards::serverCard(const QString& href, const QString& etag, const ImportedContact& card) {
    local_.ensureGroup(card.row.groupPath);
    Incoming in{href, etag, card.uid, card.row.groupPath, {}};
    for (const QString& m : card.members)
        in.members << memberKey(m);
    incoming_.push_back(std::move(in));
}

QHash<QString, int> GroupCards::contactsByUid() {
    if (byUidRead_)
        return byUid_;
    fb::Statement st(db_, tr_,
                     QStringLiteral("select CARD_UID, NUM_MAIN from SYNC_CARD where NUM_MAIN is not null and CARD_UID "
                                    "is not null and (IS_GROUP is null or IS_GROUP = 0)"));
    st.execute();
    while (st.fetch())
        byUid_.insert(memberKey(st.value(0).toString()), st.value(1).toInt());
    byUidRead_ = true;
    return byUid_;
}

void GroupCards::moveInto(int num, const QString& path) {
    if (!local_.contains(num) && !local_.loadOne(num))
        return;
    index_.linked(num); // its card is looked at when the desk's changes go up
    Values v = local_.value(num);
    if (v[GR_NUM] == path)
        return;
    v[GR_NUM] = path;
    local_.update(num, v);
    local_.wroteUnsynced();
}

void GroupCards::leave(int num, const QString& path) {
    if (!local_.contains(num) && !local_.loadOne(num))
        return;
    index_.linked(num);
    Values v = local_.value(num);
    if (v[GR_NUM] != path)
        return; // moved elsewhere meanwhile
    v[GR_NUM].clear();
    local_.update(num, v);
    local_.wroteUnsynced();
}

void GroupCards::applyMembers() {
    // Read now, before the desk's deletes go up: a member whose contact the desk deletes in this run is
    // still known, and leaves the group cards instead of staying in them as a stranger's.
    contactsByUid();
    std::sort(incoming_.begin(), incoming_.end(), [](const Incoming& a, const Incoming& b) { return a.path < b.path; });
    QSet<int> movedNow;
    for (const Incoming& in : incoming_) {
        const CardState* stored = index_.find(in.href);
        const Known known = stored ? knownOf(*stored) : Known();
        QList<int> named;
        if (!in.members.isEmpty()) {
            const QHash<QString, int> byUid = contactsByUid();
            for (const QString& key : in.members)
                if (const auto it = byUid.constFind(key); it != byUid.constEnd() && !named.contains(*it))
                    named << *it;
        }
        std::sort(named.begin(), named.end());
        if (!in.path.isEmpty()) {
            for (int num : named) {
                if (known.listed && known.members.contains(num))
                    continue; // named before: the desk's own moves since stand
                if (movedNow.contains(num))
                    continue; // named anew by a card whose path comes first
                if (!known.listed && (local_.contains(num) || local_.loadOne(num)) &&
                    !local_.value(num)[GR_NUM].isEmpty())
                    continue; // the first sight of a card: a contact's own CATEGORIES win
                moveInto(num, in.path);
                movedNow.insert(num);
            }
            if (known.listed && known.path == in.path)
                for (int num : known.members)
                    if (!named.contains(num) && !movedNow.contains(num))
                        leave(num, in.path);
        }
        CardState c = stored ? *stored : CardState{};
        c.href = in.href;
        c.group = true;
        c.num = -1;
        c.uid = in.uid;
        c.etag = in.etag;
        c.synced = syncedText(in.path, named);
        index_.write(c);
    }
    incoming_.clear();
}

QByteArray GroupCards::cardBody(const CardState& c, const QString& path, const QStringList& uids, bool& failed,
                                SyncError& error) {
    QUrl url = book_;
    url.setPath(c.href, QUrl::DecodedMode);
    const DavResponse got = client_.get(url);
    if (!got.ok()) {
        failed = got.status != 404;
        error = got.error;
        return {};
    }
    // Members the desk has no contact of stay named.
    QStringList all = uids;
    if (const std::optional<ImportedContact> server = parsedCard(got.body)) {
        const QHash<QString, int> byUid = contactsByUid();
        for (const QString& m : server->members)
            if (!byUid.contains(memberKey(m)))
                all << (m.startsWith(QLatin1String("urn:uuid:"), Qt::CaseInsensitive) ? m.mid(9) : m);
    }
    if (ownGroup(c.uid) < 0)
        return withMembers(got.body, all);
    QByteArray out;
    appendGroupCard(out, path, VCardVersion::V3, all, c.uid);
    return out;
}

int GroupCards::upload(bool& clean, SyncError& error) {
    // Who is in which group on the desk, of the contacts the server has.
    QHash<int, QList<QPair<int, QString>>> members;
    {
        fb::Statement st(db_, tr_,
                         QStringLiteral("select m.GR_NUM, s.NUM_MAIN, s.CARD_UID from SYNC_CARD s join \"MAIN\" m on "
                                        "m.NUM_MAIN = s.NUM_MAIN where m.GR_NUM is not null and s.CARD_UID is not "
                                        "null and s.ETAG is not null and (s.IS_GROUP is null or s.IS_GROUP = 0)"));
        st.execute();
        while (st.fetch())
            members[st.value(0).toInt()].append({st.value(1).toInt(), st.value(2).toString()});
    }
    std::vector<CardState> cards;
    {
        fb::Statement st(db_, tr_,
                         QStringLiteral("select HREF, CARD_UID, ETAG, SYNCED from SYNC_CARD where IS_GROUP = 1"));
        st.execute();
        while (st.fetch()) {
            CardState c;
            c.href = st.value(0).toString();
            c.uid = st.value(1).toString();
            c.etag = st.value(2).toString();
            c.synced = st.value(3).toString();
            c.group = true;
            cards.push_back(c);
        }
    }
    const GroupPaths& groups = local_.groups();
    auto desired = [&](int group) {
        QList<QPair<int, QString>> list = members.value(group);
        std::sort(list.begin(), list.end());
        return list;
    };
    auto urlOf = [this](const QString& href) {
        QUrl u = book_;
        u.setPath(href, QUrl::DecodedMode);
        return u;
    };
    int written = 0;
    QSet<int> covered;
    for (CardState& c : cards) {
        const Known known = knownOf(c);
        const int own = ownGroup(c.uid);
        const int group = own >= 0 ? own : known.path.isEmpty() ? -1 : groups.find(known.path);
        if (group < 0 && own < 0)
            continue; // a phone's card of a group the desk has not (any more): the phone's business
        covered.insert(group);
        const QList<QPair<int, QString>> want = desired(group);
        const QString path = groups.path(group);
        if (own >= 0 && (want.isEmpty() || path.isEmpty())) {
            const DavResponse r = client_.remove(urlOf(c.href), c.etag);
            if (r.status == 412) {
                clean = false;
                continue;
            }
            if (!r.ok() && r.status != 404) {
                error = r.error;
                return written;
            }
            index_.forget(c.href);
            if (wrote_)
                wrote_(c.href);
            commit_();
            ++written;
            continue;
        }
        QList<int> nums;
        QStringList uids;
        for (const auto& m : want) {
            nums << m.first;
            uids << m.second;
        }
        if (known.settled && known.digest == digestOf(nums) && known.path == path && !c.etag.isEmpty())
            continue;
        bool failed = false;
        const QByteArray body = c.etag.isEmpty() ? QByteArray() : cardBody(c, path, uids, failed, error);
        if (failed)
            return written;
        DavResponse r;
        if (body.isEmpty()) {
            // Uploaded by a run that stopped before the answer, or gone from the server: made again.
            QByteArray fresh;
            appendGroupCard(fresh, path, VCardVersion::V3, uids, c.uid);
            r = client_.putNew(urlOf(c.href), fresh);
        } else {
            r = client_.putChanged(urlOf(c.href), body, c.etag);
        }
        if (r.status == 412) {
            clean = false; // changed on the server meanwhile: its change is read at the next sync
            if (body.isEmpty()) {
                // There after all (an answer lost): its ETag is taken, its members follow next time.
                const DavResponse got = client_.get(urlOf(c.href));
                if (got.ok()) {
                    c.etag = got.etag.isEmpty() ? QStringLiteral("?") : got.etag;
                    c.synced.clear();
                    index_.write(c);
                    commit_();
                }
            }
            continue;
        }
        if (!r.ok()) {
            error = r.error;
            return written;
        }
        c.etag = r.etag.isEmpty() ? QStringLiteral("?") : r.etag;
        c.synced = syncedText(path, nums);
        index_.write(c);
        if (wrote_)
            wrote_(c.href);
        commit_();
        ++written;
    }
    // Groups with contacts on the server and no card yet get one of the sync's own.
    for (auto it = members.begin(); it != members.end(); ++it) {
        const int group = it.key();
        if (covered.contains(group) || group == GroupPaths::kRoot || groups.path(group).isEmpty())
            continue;
        CardState c;
        c.group = true;
        c.uid = groupUid(group);
        c.href = book_.path() + QString(c.uid).replace(u':', u'-') + QStringLiteral(".vcf");
        // Stored before the request: a retry after a lost answer finds the card instead of making another.
        index_.write(c);
        commit_();
        const QList<QPair<int, QString>> want = desired(group);
        QList<int> nums;
        QStringList uids;
        for (const auto& m : want) {
            nums << m.first;
            uids << m.second;
        }
        QByteArray card;
        appendGroupCard(card, groups.path(group), VCardVersion::V3, uids, c.uid);
        const DavResponse r = client_.putNew(urlOf(c.href), card);
        if (r.status == 412) {
            clean = false; // there already: brought in line at the next sync
            continue;
        }
        if (!r.ok()) {
            error = r.error;
            return written;
        }
        c.etag = r.etag.isEmpty() ? QStringLiteral("?") : r.etag;
        c.synced = syncedText(groups.path(group), nums);
        index_.write(c);
        if (wrote_)
            wrote_(c.href);
        commit_();
        ++written;
    }
    return written;
}

} // namespace cardsync
