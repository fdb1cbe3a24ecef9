#include "DeskPhotos.h"

#include "ContactMapping.h"
#include "ImportPlan.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace cardsync {

namespace {

// What the vCard export reads of a photograph file.
constexpr qint64 kMaxPhotoFile = 4 * 1024 * 1024;

} // namespace

const QString kUnreadablePhoto = QStringLiteral("unreadable");

QString photoDigest(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QByteArray DeskPhotos::readPicture(const QString& path) const {
    QFile f(path);
    if (f.size() > kMaxPhotoFile || !f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    return exchange::pictureSuffix(bytes).isEmpty() ? QByteArray() : bytes;
}

QString DeskPhotos::digestOfFile(const QString& path) {
    if (path.trimmed().isEmpty())
        return {};
    const auto known = digestOfPath_.constFind(path);
    if (known != digestOfPath_.constEnd())
        return *known;
    const QByteArray bytes = readPicture(path);
    const QString digest = bytes.isEmpty() ? kUnreadablePhoto : photoDigest(bytes);
    digestOfPath_.insert(path, digest);
    return digest;
}

QByteArray DeskPhotos::bytesOf(const QString& path, const QString& digest) {
    if (digest.isEmpty() || digest == kUnreadablePhoto || path.trimmed().isEmpty())
        return {};
    const QByteArray bytes = readPicture(path);
    return photoDigest(bytes) == digest ? bytes : QByteArray();
}

void DeskPhotos::hold(const QByteArray& bytes, const QString& suffix) {
    if (!bytes.isEmpty())
        held_.insert(photoDigest(bytes), {bytes, suffix});
}

QString DeskPhotos::pathFor(int num, const QString& digest, const QString& currentPath) {
    if (digest.isEmpty())
        return {};
    if (digestOfFile(currentPath) == digest || digest == kUnreadablePhoto)
        return currentPath;
    const auto picture = held_.constFind(digest);
    if (picture == held_.constEnd() || folder_.isEmpty() || !QDir().mkpath(folder_))
        return currentPath;
    // A file of its own per photograph: the one the contact had may be another contact's too.
    QString name = exchange::photoFileName(folder_, num, picture->suffix);
    for (int i = 2; QFileInfo::exists(name); ++i)
        name = exchange::photoFileName(folder_, num, QStringLiteral("%1.%2").arg(i).arg(picture->suffix));
    if (name.size() > exchange::columnLimit(exchange::FOTOLINK))
        return currentPath;
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly) || f.write(picture->bytes) != picture->bytes.size()) {
        f.remove();
        return currentPath;
    }
    digestOfPath_.insert(name, digest);
    return name;
}

} // namespace cardsync
