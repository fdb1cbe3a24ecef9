#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Loading the photograph a contact links to. The picture format is chosen by the file's extension,
// never guessed from the content, and nothing is decoded before the file's size and the picture's
// dimensions are known to be sane, so a huge or broken file cannot hang or exhaust the program.
namespace photo {

enum class Result {
    Shown,       // image holds the picture, scaled to the requested size
    NotAPicture, // empty link, an extension that is no picture format, a metafile, or bad content
    Unreadable   // the file cannot be read at all (missing, a folder, no permission)
};

// The extensions the photograph accepts (without dot, lower case).
const QStringList& extensions();
// The file-dialog filter: every accepted format together, then each one.
QString dialogFilter();

// Loads the file into image (scaled to size when size is valid).
Result load(const QString& path, const QSize& size, QImage& image);

} // namespace photo
