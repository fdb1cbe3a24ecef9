#include "ContactExport.h"

#include "Csv.h"
#include "Dataset.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <stdexcept>

namespace exchange {
namespace {

constexpr qint64 kMaxPhotoFile = 4 * 1024 * 1024;

std::array<int, ColumnCount> fieldIndexes(const Dataset& d) {
    std::array<int, ColumnCount> idx{};
    for (int c = 0; c < ColumnCount; ++c) {
        const Field* f = d.findField(QString::fromLatin1(mapping(Column(c)).field));
        idx[c] = f ? f->index() : -1;
    }
    return idx;
}

ContactRow readRow(const Dataset& d, int r, const std::array<int, ColumnCount>& idx, const GroupPaths& groups,
                   bool readPhoto) {
    ContactRow row;
    for (int c = 0; c < ColumnCount; ++c)
        if (idx[c] >= 0)
            row.values[c] = d.value(r, idx[c]);
    if (!row.values[GR_NUM].isNull())
        row.groupPath = groups.path(row.values[GR_NUM].toInt());
    if (readPhoto && !row.isEmpty(FOTOLINK)) {
        QFile f(row.text(FOTOLINK));
        if (f.size() <= kMaxPhotoFile && f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            const QString suffix = pictureSuffix(bytes);
            if (!suffix.isEmpty()) {
                row.photo = bytes;
                row.photoSuffix = suffix;
            }
        }
    }
    return row;
}

void flush(QIODevice& out, QByteArray& buffer) {
    if (buffer.isEmpty())
        return;
    if (out.write(buffer) != buffer.size())
        throw std::runtime_error(out.errorString().toStdString());
    buffer.clear();
}

} // namespace

GroupPaths groupPathsOf(Dataset& groups) {
    groups.fetchAll();
    std::vector<GroupRow> rows;
    const Field* num = groups.findField(QStringLiteral("GR_NUM"));
    const Field* parent = groups.findField(QStringLiteral("PARENT_GROUP"));
    const Field* name = groups.findField(QStringLiteral("GROUP_NAME"));
    if (!num || !parent || !name)
        return GroupPaths();
    for (int r = 0; r < groups.rowCount(); ++r) {
        const QVariant p = groups.value(r, parent->index());
        rows.push_back({groups.value(r, num->index()).toInt(), p.isNull() ? 0 : p.toInt(),
                        groups.value(r, name->index()).toString()});
    }
    return GroupPaths(rows);
}

ContactRow rowOf(const Dataset& contacts, int row, const GroupPaths& groups, bool readPhoto) {
    return readRow(contacts, row, fieldIndexes(contacts), groups, readPhoto);
}

int exportContacts(Dataset& d, const GroupPaths& groups, ExportFormat format, QIODevice& out, const QStringList& titles,
                   const QString& groupTitle) {
    d.fetchAll();
    const auto idx = fieldIndexes(d);
    const bool vcf = format != ExportFormat::Csv;
    const VCardVersion version = format == ExportFormat::VCard3 ? VCardVersion::V3 : VCardVersion::V4;
    QByteArray buffer;
    buffer.reserve(1 << 20);
    if (!vcf) {
        buffer += "\xEF\xBB\xBF";
        csv::appendRecord(buffer, csv::exportTitles(titles, groupTitle));
    }
    // Groups that exported contacts name, with every group above them. The walk up stops at a group
    // already marked, so each group is visited once however deep the tree.
    QSet<int> named;
    QHash<int, std::vector<int>> members; // the keys of the exported contacts of each group
    const int rows = d.rowCount();
    for (int r = 0; r < rows; ++r) {
        const ContactRow row = readRow(d, r, idx, groups, vcf);
        if (!row.groupPath.isEmpty())
            for (int g = row.values[GR_NUM].toInt(); g > 0 && !named.contains(g); g = groups.parent(g))
                named.insert(g);
        if (vcf && !row.values[GR_NUM].isNull() && !row.values[NUM_MAIN].isNull())
            members[row.values[GR_NUM].toInt()].push_back(row.values[NUM_MAIN].toInt());
        if (vcf)
            appendCard(buffer, row, version);
        else
            csv::appendRecord(buffer, csv::exportFields(row));
        if (buffer.size() > (1 << 20))
            flush(out, buffer);
    }
    // Groups no contact names still belong to the tree. In vCard every group gets its card, naming its
    // members, for servers and programs that read groups from group cards instead of CATEGORIES.
    for (const int num : groups.allGroups()) {
        const QString path = groups.path(num);
        if (vcf) {
            QStringList uids;
            for (const int member : members.value(num))
                uids << contactUid(member);
            appendGroupCard(buffer, path, version, uids, num > 0 ? groupUid(num) : QString());
            if (buffer.size() > (1 << 20))
                flush(out, buffer);
        } else if (!named.contains(num)) {
            ContactRow g;
            g.groupPath = path;
            csv::appendRecord(buffer, csv::exportFields(g));
        }
    }
    flush(out, buffer);
    return rows;
}

} // namespace exchange
