#include "ServiceRun.h"

#include "DbError.h"
#include "FbClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ibase.h>
#include <sys/file.h>
#include <unistd.h>

namespace servicerun {
namespace {

void addString(QByteArray& spb, char tag, const QString& value) {
    const QByteArray bytes = QFile::encodeName(value);
    const auto len = static_cast<unsigned short>(std::min<qsizetype>(bytes.size(), 0xffff));
    spb.append(tag);
    spb.append(char(len & 0xff));
    spb.append(char(len >> 8));
    spb.append(bytes.left(len));
}

void addInt(QByteArray& spb, char tag, unsigned value) {
    spb.append(tag);
    for (int i = 0; i < 4; ++i)
        spb.append(char((value >> (8 * i)) & 0xff));
}

bool blank(const QString& s) {
    return s.trimmed().isEmpty();
}

// An open of a file that holds the engine's exclusive lock on it while it lives.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            error_ = errno;
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return fd_ >= 0; }
    // The file is held by someone else (as opposed to missing or unreadable).
    bool heldElsewhere() const { return error_ == EWOULDBLOCK; }
    int error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

// Standard input read from /dev/null while it lives.
class StdinFromNull {
public:
    explicit StdinFromNull(bool on) {
        if (!on)
            return;
        saved_ = ::dup(STDIN_FILENO);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::close(null);
        }
    }
    ~StdinFromNull() {
        if (saved_ < 0)
            return;
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }
    StdinFromNull(const StdinFromNull&) = delete;
    StdinFromNull& operator=(const StdinFromNull&) = delete;

private:
    int saved_ = -1;
};

QString inUseMessage(const QString& path) {
    return QStringLiteral("The database file %1 is in use by another connection. It was left as it was; close "
                          "the program that uses it and run the restore again")
        .arg(QDir::toNativeSeparators(path));
}

// Puts the finished file in place of the target; the target must not be in use meanwhile.
void moveIntoPlace(const QString& finished, const QString& target, bool checkInUse) {
    const bool targetExists = QFileInfo::exists(target);
    std::optional<FileLock> lock;
    if (targetExists) {
        lock.emplace(target);
        if (checkInUse && !lock->locked()) {
            QFile::remove(finished);
            if (lock->heldElsewhere())
                throw DbError(inUseMessage(target));
            throw DbError(
                QStringLiteral("Cannot open %1: %2")
                    .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(std::strerror(lock->error()))));
        }
        // The new file gets the old one's permissions: a database kept private stays private.
        QFile::setPermissions(finished, QFile::permissions(target));
    }
    if (::rename(QFile::encodeName(finished).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(finished);
        throw DbError(QStringLiteral("Cannot replace %1: %2").arg(QDir::toNativeSeparators(target), why));
    }
}

// Runs the service on a file of our own naming; the server's text names the user's file instead.
void runOnFresh(const ServiceLogin& login, const QByteArray& request, RunKind kind, const QString& fresh,
                const QString& named, const LineSink& sink) {
    try {
        runService(login, request, kind, sink);
    } catch (const DbError& e) {
        QFile::remove(fresh);
        QString text = e.message();
        text.replace(fresh, named);
        throw DbError(text, e.sqlCode(), e.gdsCode());
    } catch (...) {
        QFile::remove(fresh);
        throw;
    }
}

} // namespace

QString serviceManagerName(const QString& serverPrefix) {
    return serverPrefix + QStringLiteral("service_mgr");
}

QByteArray backupRequest(const QString& databaseFile, const QString& backupFile) {
    QByteArray spb;
    spb.append(char(isc_action_svc_backup));
    if (!blank(databaseFile))
        addString(spb, char(isc_spb_dbname), databaseFile);
    if (!blank(backupFile))
        addString(spb, char(isc_spb_bkp_file), backupFile);
    addInt(spb, char(isc_spb_options), 0);
    spb.append(char(isc_spb_verbose));
    return spb;
}

QByteArray restoreRequest(const QString& backupFile, const QString& databaseFile, unsigned options) {
    QByteArray spb;
    spb.append(char(isc_action_svc_restore));
    if (!blank(backupFile))
        addString(spb, char(isc_spb_bkp_file), backupFile);
    if (!blank(databaseFile))
        addString(spb, char(isc_spb_dbname), databaseFile);
    addInt(spb, char(isc_spb_options), options);
    addInt(spb, char(isc_spb_res_page_size), 4096);
    addInt(spb, char(isc_spb_res_buffers), 3000);
    spb.append(char(isc_spb_verbose));
    return spb;
}

void runService(const ServiceLogin& login, const QByteArray& request, RunKind kind, const LineSink& sink) {
    // The embedded engine asks for the next volume of a backup that ends too soon on the program's
    // own standard input; a terminal there would hold the run until someone pressed Enter in it.
    const StdinFromNull noInput(login.serviceName == QStringLiteral("service_mgr"));
    fb::Service service;
    service.attach(login.serviceName, login.user, login.password);
    service.start(request);
    // Reading to the end is what waits for the run: the last read comes back empty once it finished.
    const QString closing = kind == RunKind::Backup ? QStringLiteral("closing file, committing, and finishing")
                                                    : QStringLiteral("finishing, closing, and going home");
    bool completed = false;
    QString last;
    for (;;) {
        bool finished = false;
        const QString line = service.queryLine(&finished);
        if (finished)
            break;
        if (line.contains(closing))
            completed = true;
        if (!line.trimmed().isEmpty())
            last = line.trimmed();
        if (sink)
            sink(line);
    }
    service.detach();
    if (!completed)
        throw DbError(kind == RunKind::Backup
                          ? QStringLiteral("The backup did not complete (last step: %1)").arg(last)
                          : QStringLiteral("The restore did not complete: the backup file is damaged or incomplete "
                                           "(last step: %1)")
                                .arg(last));
}

bool fileInUse(const QString& path) {
    const FileLock lock(path);
    return !lock.locked() && lock.heldElsewhere();
}

QString newFileBeside(const QString& path) {
    const QFileInfo info(path);
    for (;;) {
        const QString candidate =
            info.dir().filePath(QStringLiteral(".%1.%2.new")
                                    .arg(info.fileName())
                                    .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

void restoreBeside(const ServiceLogin& login, const QString& backupFile, const QString& databaseFile,
                   const LineSink& sink) {
    if (blank(databaseFile) || blank(backupFile)) {
        // Nothing to protect: the server says what is missing.
        runService(login, restoreRequest(backupFile, databaseFile, kRestoreReplace), RunKind::Restore, sink);
        return;
    }
    if (QFileInfo::exists(databaseFile) && fileInUse(databaseFile))
        throw DbError(inUseMessage(databaseFile));
    const QString fresh = newFileBeside(databaseFile);
    runOnFresh(login, restoreRequest(backupFile, fresh, kRestoreCreate), RunKind::Restore, fresh, databaseFile, sink);
    moveIntoPlace(fresh, databaseFile, true);
}

void backupBeside(const ServiceLogin& login, const QString& databaseFile, const QString& backupFile,
                  const LineSink& sink) {
    if (blank(databaseFile) || blank(backupFile)) {
        runService(login, backupRequest(databaseFile, backupFile), RunKind::Backup, sink);
        return;
    }
    // Written over the database it reads, a backup would leave neither.
    const QFileInfo db(databaseFile), bk(backupFile);
    if (db.exists() && bk.exists() && db.canonicalFilePath() == bk.canonicalFilePath())
        throw DbError(
            QStringLiteral("The backup file %1 is the database file itself").arg(QDir::toNativeSeparators(backupFile)));
    const QString fresh = newFileBeside(backupFile);
    runOnFresh(login, backupRequest(databaseFile, fresh), RunKind::Backup, fresh, backupFile, sink);
    moveIntoPlace(fresh, backupFile, false);
}

} // namespace servicerun
