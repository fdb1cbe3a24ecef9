#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Photographs as the sync compares and carries them. A contact's photograph travels inline in its
// card and is compared by a digest of its bytes, never by the file's path: a file written again with
// the same bytes is no change, and the path on the desk means nothing on the server.
namespace cardsync {

// The digest a photograph is compared by; empty for no photograph.
QString photoDigest(const QByteArray& bytes);

// The photograph slot of a desk contact whose file cannot be read (gone, not a picture, too big):
// the desk neither uploads it nor deletes the server's, so it counts as the value it is compared with.
extern const QString kUnreadablePhoto;

// The photograph files of the desk: what a file holds, and the files written for photographs that
// came from the server, in the folder the vCard import writes its photographs to.
class DeskPhotos {
public:
    void setFolder(const QString& folder) { folder_ = folder; }

    // The digest of the picture in a file; empty for no path, kUnreadablePhoto when unreadable.
    QString digestOfFile(const QString& path);
    // The bytes of the file when they are the photograph with that digest, else nothing.
    QByteArray bytesOf(const QString& path, const QString& digest);

    // Holds a photograph read from a server card until a contact is stored with it.
    void hold(const QByteArray& bytes, const QString& suffix);
    bool holds(const QString& digest) const { return held_.contains(digest); }

    // The FOTOLINK a contact gets for the photograph with that digest: none for no photograph, the
    // current file when it holds that photograph already or when the photograph is not at hand (or
    // cannot be written where FOTOLINK can name it), else a new file in the folder.
    QString pathFor(int num, const QString& digest, const QString& currentPath);

private:
    struct Picture {
        QByteArray bytes;
        QString suffix;
    };
    QByteArray readPicture(const QString& path) const;
    QString folder_;
    QHash<QString, Picture> held_;
    QHash<QString, QString> digestOfPath_; // the files read in this run
};

} // namespace cardsync
