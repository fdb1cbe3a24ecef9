#include "RunLeftovers.h"

#include "ProgramFolder.h"
#include "ServiceRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace servicerun {

bool fileOpenAnywhere(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return false;
    if (fileInUse(path))
        return true;
    const QByteArray wanted = QFile::encodeName(target);
    QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.isEmpty() || !pid.at(0).isDigit())
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            char link[4096];
            const QByteArray at = QFile::encodeName(fds.filePath(fd));
            const ssize_t n = ::readlink(at.constData(), link, sizeof link);
            if (n == wanted.size() && QByteArray::fromRawData(link, n) == wanted)
                return true;
        }
    }
    return false;
}

QStringList removeLeftoversBeside(const QString& path) {
    QStringList removed;
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || info.fileName().isEmpty() || !info.dir().exists())
        return removed;
    const QRegularExpression ours(
        QStringLiteral("^\\.%1\\.[0-9a-f]{8}\\.new$").arg(QRegularExpression::escape(info.fileName())));
    const QDir dir = info.dir();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(name).hasMatch())
            continue;
        const QString leftover = dir.filePath(name);
        if (!fileOpenAnywhere(leftover) && QFile::remove(leftover))
            removed << leftover;
    }
    return removed;
}

namespace {

// The notes are read and written under a lock: two copies of the program may run at once.
class LockedNotes {
public:
    LockedNotes() : lock_(trialNotesPath() + QStringLiteral(".lock")) {
        QDir().mkpath(QFileInfo(trialNotesPath()).absolutePath());
        lock_.setStaleLockTime(10000);
        locked_ = lock_.tryLock(5000);
    }
    QList<NotedTrial> read() const {
        QList<NotedTrial> list;
        QFile f(trialNotesPath());
        if (!f.open(QIODevice::ReadOnly))
            return list;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            if (parts.size() == 3)
                list.push_back({parts[0].toLongLong(), QString::fromUtf8(parts[1]), QString::fromUtf8(parts[2])});
        }
        return list;
    }
    void write(const QList<NotedTrial>& list) const {
        if (!locked_)
            return;
        if (list.isEmpty()) {
            QFile::remove(trialNotesPath());
            return;
        }
        QSaveFile f(trialNotesPath());
        if (!f.open(QIODevice::WriteOnly))
            return;
        for (const NotedTrial& t : list)
            f.write(QByteArray::number(t.pid) + '\t' + t.serverPrefix.toUtf8() + '\t' + t.path.toUtf8() + '\n');
        f.commit();
    }

private:
    QLockFile lock_;
    bool locked_ = false;
};

} // namespace

QString trialNotesPath() {
    return programfolder::userConfigPath() + QStringLiteral("korvane-restore-trials");
}

void noteTrial(const QString& serverPrefix, const QString& path) {
    const LockedNotes notes;
    QList<NotedTrial> list = notes.read();
    list.push_back({static_cast<qint64>(::getpid()), serverPrefix, path});
    notes.write(list);
}

void forgetTrial(const QString& serverPrefix, const QString& path) {
    const LockedNotes notes;
    QList<NotedTrial> list = notes.read();
    list.removeIf([&](const NotedTrial& t) { return t.serverPrefix == serverPrefix && t.path == path; });
    notes.write(list);
}

QList<NotedTrial> notedTrials() {
    return LockedNotes().read();
}

bool runMayGoOn(const NotedTrial& trial) {
    if (trial.pid <= 0 || trial.pid == ::getpid())
        return false;
    return ::kill(static_cast<pid_t>(trial.pid), 0) == 0 || errno == EPERM;
}

} // namespace servicerun
