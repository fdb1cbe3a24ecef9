#include "ContactImporter.h"

#include "Database.h"
#include "FbClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace exchange {
namespace {

int drawKey(fb::Statement& procedure) {
    procedure.execute();
    if (procedure.columnCount() < 1 || procedure.isNull(0))
        throw DbError(QStringLiteral("Invalid variant type conversion"));
    return static_cast<int>(procedure.integer(0));
}

QString columnName(int c) {
    return QString::fromLatin1(mapping(Column(c)).field).toUpper();
}

class Run {
public:
    Run(Database& db, const QString& photoFolder) : db_(db), photoFolder_(photoFolder) {
        if (!db_.connected())
            db_.connect();
        tr_.start(db_.attachment());
    }
    ~Run() {
        if (tr_.active()) {
            tr_.rollback();
            for (const QString& f : written_)
                QFile::remove(f);
        }
    }

    ImportResult execute(const ImportPlan& plan) {
        loadGroups();
        ImportResult result;
        for (const PlannedCard& card : plan.cards) {
            source_ = card.contact.source;
            if (card.status == CardStatus::Refused)
                continue;
            if (card.status == CardStatus::Group) {
                groupOf(card.contact.row.groupPath, result);
                continue;
            }
            if (card.action == Action::Skip) {
                ++result.skipped;
                continue;
            }
            if (card.action == Action::Merge && card.status == CardStatus::Duplicate) {
                merge(card.duplicate.num, card.contact.row, card.mergeMode, result);
                ++result.merged;
            } else {
                insert(card.contact.row, result);
                ++result.added;
            }
        }
        source_ = 0;
        tr_.commit();
        written_.clear();
        return result;
    }

    int source() const { return source_; }

private:
    void loadGroups() {
        fb::Statement st(db_.attachment(), tr_,
                         QStringLiteral("select GR_NUM, PARENT_GROUP, GROUP_NAME from \"GROUPS\" order by GR_NUM"));
        st.execute();
        while (st.fetch()) {
            const QVariant parent = st.value(1);
            groups_.add({st.value(0).toInt(), parent.isNull() ? 0 : parent.toInt(), st.value(2).toString()});
        }
    }

    // The group of a path, creating the missing levels; no group for an empty path.
    QVariant groupOf(const QString& path, ImportResult& result) {
        const std::optional<int> group = groups_.ensure(path, [&](int parent, const QString& name) {
            if (!groupKey_)
                groupKey_ = std::make_unique<fb::Statement>(db_.attachment(), tr_,
                                                            QStringLiteral("Execute Procedure SETGROUPSPRIMARYKEY"));
            if (!groupInsert_)
                groupInsert_ = std::make_unique<fb::Statement>(
                    db_.attachment(), tr_,
                    QStringLiteral("insert into \"GROUPS\" (GR_NUM, PARENT_GROUP, GROUP_NAME) values (?, ?, ?)"));
            const int num = drawKey(*groupKey_);
            groupInsert_->setParam(0, num);
            groupInsert_->setParam(1, parent);
            groupInsert_->setParam(2, name);
            groupInsert_->execute();
            ++result.groupsCreated;
            return num;
        });
        return group ? QVariant(*group) : QVariant();
    }

    QString storePhoto(int num, const ContactRow& row) {
        if (row.photo.isEmpty())
            return {};
        if (!QDir().mkpath(photoFolder_))
            throw DbError(QStringLiteral("Cannot create folder %1").arg(photoFolder_));
        QString name = photoFileName(photoFolder_, num, row.photoSuffix);
        for (int i = 2; QFileInfo::exists(name); ++i)
            name = photoFileName(photoFolder_, num, QStringLiteral("%1.%2").arg(i).arg(row.photoSuffix));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(row.photo) != row.photo.size())
            throw DbError(QStringLiteral("Cannot create file %1").arg(name));
        written_ << name;
        return name;
    }

    void insert(const ContactRow& row, ImportResult& result) {
        if (!mainKey_)
            mainKey_ = std::make_unique<fb::Statement>(db_.attachment(), tr_,
                                                       QStringLiteral("Execute Procedure SETMAINPRIMARYKEY"));
        if (!mainInsert_) {
            QStringList cols, marks;
            for (int c = 0; c < ColumnCount; ++c) {
                cols << columnName(c);
                marks << QStringLiteral("?");
            }
            mainInsert_ = std::make_unique<fb::Statement>(
                db_.attachment(), tr_,
                QStringLiteral("insert into \"MAIN\" (%1) values (%2)")
                    .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        }
        const QVariant group = groupOf(row.groupPath, result);
        const int num = drawKey(*mainKey_);
        const QString photo = storePhoto(num, row);
        for (int c = 0; c < ColumnCount; ++c) {
            QVariant v = row.values[c];
            if (c == NUM_MAIN)
                v = num;
            else if (c == GR_NUM)
                v = group;
            else if (c == FOTOLINK && !photo.isEmpty())
                v = photo;
            mainInsert_->setParam(c, v);
        }
        mainInsert_->execute();
    }

    // Fills the empty columns of a stored contact from the card; nothing stored is overwritten unless
    // the user chose to take the incoming values, which then replace the stored ones they differ from.
    void merge(int num, const ContactRow& row, MergeMode mode, ImportResult& result) {
        const bool take = mode == MergeMode::TakeIncoming;
        QStringList cols;
        for (int c = 0; c < ColumnCount; ++c)
            cols << columnName(c);
        fb::Statement sel(
            db_.attachment(), tr_,
            QStringLiteral("select %1 from \"MAIN\" where NUM_MAIN = ?").arg(cols.join(QStringLiteral(", "))));
        sel.setParam(0, num);
        sel.execute();
        if (!sel.fetch())
            throw DbError(QStringLiteral("Record not found"));
        std::vector<std::pair<int, QVariant>> changes;
        for (int c = 0; c < ColumnCount; ++c) {
            if (c == NUM_MAIN)
                continue;
            const QVariant stored = sel.value(c);
            const bool empty = stored.isNull() || stored.toString().isEmpty();
            const bool incoming = c == GR_NUM     ? !splitGroupPath(row.groupPath).isEmpty()
                                  : c == FOTOLINK ? !row.photo.isEmpty() || !row.values[c].isNull()
                                                  : !row.values[c].isNull();
            if (!empty && !(take && incoming))
                continue;
            if (c == GR_NUM) {
                const QVariant g = groupOf(row.groupPath, result);
                if (!g.isNull())
                    changes.emplace_back(c, g);
            } else if (c == FOTOLINK && !row.photo.isEmpty()) {
                changes.emplace_back(c, storePhoto(num, row));
            } else if (!row.values[c].isNull()) {
                changes.emplace_back(c, row.values[c]);
            }
        }
        sel.close();
        if (changes.empty())
            return;
        QStringList sets;
        for (const auto& ch : changes)
            sets << columnName(ch.first) + QStringLiteral(" = ?");
        fb::Statement upd(
            db_.attachment(), tr_,
            QStringLiteral("update \"MAIN\" set %1 where NUM_MAIN = ?").arg(sets.join(QStringLiteral(", "))));
        int i = 0;
        for (const auto& ch : changes)
            upd.setParam(i++, ch.second);
        upd.setParam(i, num);
        upd.execute();
    }

    Database& db_;
    QString photoFolder_;
    fb::Transaction tr_;
    GroupPaths groups_;
    std::unique_ptr<fb::Statement> groupKey_, groupInsert_, mainKey_, mainInsert_;
    QStringList written_;
    int source_ = 0;
};

} // namespace

ImportResult runImport(Database& db, const ImportPlan& plan, const QString& photoFolder) {
    int source = 0;
    try {
        // Statements go before the transaction ends; the run owns both in that order.
        Run run(db, photoFolder);
        try {
            return run.execute(plan);
        } catch (...) {
            source = run.source();
            throw;
        }
    } catch (const DbError& e) {
        throw ImportError(e, source);
    }
}

QString photoFolderFor(const QString& databaseName, const QString& programFolder) {
    // A server path ("host:/path") is not a folder of this machine.
    const qsizetype colon = databaseName.indexOf(u':');
    const bool remote = colon > 1;
    if (!databaseName.isEmpty() && !remote)
        return QFileInfo(databaseName).absolutePath() + QStringLiteral("/photos");
    QString folder = programFolder;
    if (folder.endsWith(u'/'))
        folder.chop(1);
    return folder + QStringLiteral("/photos");
}

} // namespace exchange
