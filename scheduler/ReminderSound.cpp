#include "ReminderSound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace remindersound {

bool isWaveFile(const QString& path) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

QString resolve(const QString& programFolder, const QString& onTaskSound) {
    const QString own = onTaskSound.trimmed();
    if (!own.isEmpty()) {
        QString path = QDir::fromNativeSeparators(own);
        if (QFileInfo(path).isRelative())
            path = QDir(programFolder).filePath(path);
        if (isWaveFile(path))
            return path;
    }
    return QDir(programFolder).filePath(QString::fromLatin1(kDefaultSound));
}

} // namespace remindersound
