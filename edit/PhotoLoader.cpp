#include "PhotoLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace photo {
namespace {

// Larger files are no photographs of a contact; reading them would only stall the editor.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
// 40 megapixels: more than any camera photo a contact needs, far below what exhausts memory.
constexpr qint64 kMaxPixels = 40LL * 1000 * 1000;

// The reader's format for an extension; empty for the metafiles, which no maintained renderer on
// this platform draws: they count as pictures that cannot be shown.
QByteArray readerFormat(const QString& ext) {
    if (ext == u"jpg" || ext == u"jpeg")
        return "jpeg";
    if (ext == u"bmp" || ext == u"ico" || ext == u"gif")
        return ext.toLatin1();
    return {};
}

} // namespace

const QStringList& extensions() {
    static const QStringList list{QStringLiteral("bmp"), QStringLiteral("ico"), QStringLiteral("wmf"),
                                  QStringLiteral("emf"), QStringLiteral("gif"), QStringLiteral("jpg"),
                                  QStringLiteral("jpeg")};
    return list;
}

QString dialogFilter() {
    return QStringLiteral("All (*.gif *.jpg *.jpeg *.bmp *.ico *.emf *.wmf);;"
                          "GIF Image (*.gif);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;"
                          "Bitmaps (*.bmp);;Icons (*.ico);;Enhanced Metafiles (*.emf);;Metafiles (*.wmf)");
}

Result load(const QString& path, const QSize& size, QImage& image) {
    image = QImage();
    if (path.isEmpty())
        return Result::NotAPicture;
    const QString ext = QFileInfo(path).suffix().toLower();
    if (!extensions().contains(ext))
        return Result::NotAPicture;
    if (QFileInfo(path).isDir())
        return Result::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::Unreadable;
    const QByteArray format = readerFormat(ext);
    if (format.isEmpty() || file.size() > kMaxFileBytes)
        return Result::NotAPicture;

    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead())
        return Result::NotAPicture;
    const QSize full = reader.size();
    if (full.isValid() && static_cast<qint64>(full.width()) * full.height() > kMaxPixels)
        return Result::NotAPicture;
    if (size.isValid() && full.isValid())
        reader.setScaledSize(size); // the box stretches the picture to its size anyway
    QImage read = reader.read();
    if (read.isNull())
        return Result::NotAPicture;
    if (size.isValid() && read.size() != size)
        read = read.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = std::move(read);
    return Result::Shown;
}

} // namespace photo
