#include "ServiceRun.h"

#include "DbError.h"
#include "FbClient.h"
#include "RunLeftovers.h"

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

// The lines of a run on a file of our own naming, with the user's name in its place.
LineSink naming(const QString& ours, const QString& users, const LineSink& sink) {
    if (!sink)
        return sink;
    return [ours, users, sink](const QString& line) {
        QString l = line;
        sink(l.replace(ours, users));
    };
}

// Runs the service on a file of our own naming; the server's text names the user's file instead.
void runOnFresh(const ServiceLogin& login, const QByteArray& request, RunKind kind, const QString& fresh,
                const QString& named, const LineSink& sink) {
    try {
        runService(login, request, kind, naming(fresh, named, sink));
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

// What a server tells about a database: whether it opens, the file it opens (an alias resolved),
// when it was made (a restore makes it anew) and how many other connections use it.
struct ServerDatabase {
    bool opens = false;
    QString file;
    QString created;
    int others = 0;
};

ServerDatabase inspectOnServer(const ServiceLogin& login, const QString& serverPrefix, const QString& path) {
    ServerDatabase d;
    try {
        fb::Attachment db;
        db.attach(serverPrefix + path, login.user, login.password);
        d.opens = true;
        fb::Transaction tr;
        tr.start(db);
        {
            fb::Statement st(db, tr,
                             QStringLiteral("select MON$DATABASE_NAME, (select count(*) from MON$ATTACHMENTS a "
                                            "where a.MON$ATTACHMENT_ID <> current_connection "
                                            "and a.MON$SYSTEM_FLAG = 0), cast(MON$CREATION_DATE as varchar(40)) "
                                            "from MON$DATABASE"));
            st.execute();
            if (st.fetch()) {
                d.file = st.value(0).toString().trimmed();
                d.others = st.value(1).toInt();
                d.created = st.value(2).toString();
            }
        }
        tr.commit();
        db.detach();
    } catch (const DbError&) {
        // A file that does not open as a database holds nothing to protect or to count.
    }
    return d;
}

// Deletes a database file of the program's own naming on the server; an empty text when it went.
QString dropOnServer(const ServiceLogin& login, const QString& serverPrefix, const QString& path) {
    try {
        fb::Attachment db;
        db.attach(serverPrefix + path, login.user, login.password);
        db.drop();
        return {};
    } catch (const DbError& e) {
        return e.message();
    }
}

// Whether a file that did not open as a database may still be there: the server names a missing
// file in its answer; any other refusal (a restore still writing it, say) may hide one.
bool fileOnServerMayExist(const ServiceLogin& login, const QString& serverPrefix, const QString& path) {
    try {
        fb::Attachment db;
        db.attach(serverPrefix + path, login.user, login.password);
        db.detach();
        return true;
    } catch (const DbError& e) {
        return !e.message().contains(QStringLiteral("No such file"), Qt::CaseInsensitive);
    }
}

QString leftAsItWas(const QString& path) {
    return QStringLiteral("The database file %1 was left as it was.").arg(path);
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

QString newNameBeside(const QString& serverPath) {
    const qsizetype cut = std::max(serverPath.lastIndexOf(u'/'), serverPath.lastIndexOf(u'\\'));
    if (cut < 0 || cut == serverPath.size() - 1)
        return {};
    return serverPath.left(cut + 1) + QStringLiteral(".%1.%2.new")
                                          .arg(serverPath.mid(cut + 1))
                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void restoreOnServer(const ServiceLogin& login, const QString& serverPrefix, const QString& backupFile,
                     const QString& databaseFile, const LineSink& sink) {
    const QByteArray plain = restoreRequest(backupFile, databaseFile, kRestoreReplace);
    if (blank(databaseFile) || blank(backupFile)) {
        runService(login, plain, RunKind::Restore, sink); // the server says what is missing
        return;
    }
    const ServerDatabase before = inspectOnServer(login, serverPrefix, databaseFile);
    if (before.others > 0)
        throw DbError(inUseMessage(databaseFile));
    // The trial file's name must be free: a database that opens under it is someone else's.
    QString trial;
    for (int attempt = 0; attempt < 5 && trial.isEmpty(); ++attempt) {
        trial = newNameBeside(before.file.isEmpty() ? databaseFile : before.file);
        if (!trial.isEmpty() && inspectOnServer(login, serverPrefix, trial).opens)
            trial.clear();
    }
    if (trial.isEmpty()) {
        if (before.opens)
            throw DbError(QStringLiteral("Cannot find a place for the restore beside %1. ").arg(databaseFile) +
                          leftAsItWas(databaseFile));
        runService(login, plain, RunKind::Restore, sink); // no database there to protect
        return;
    }

    // First run: the backup goes into the trial file; a damaged or incomplete backup, or a disk
    // too small for it, fails here while the target is still whole. The trial is noted first, so
    // that a run cut short leaves the next one a note of it.
    noteTrial(serverPrefix, trial);
    const auto dropTrial = [&] {
        const QString notDropped = dropOnServer(login, serverPrefix, trial);
        if (notDropped.isEmpty())
            forgetTrial(serverPrefix, trial);
        return notDropped;
    };
    try {
        runService(login, restoreRequest(backupFile, trial, kRestoreCreate), RunKind::Restore,
                   naming(trial, databaseFile, sink));
    } catch (const DbError& e) {
        dropTrial();
        QString text = e.message();
        text.replace(trial, databaseFile);
        throw DbError(text + u'\n' + leftAsItWas(databaseFile), e.sqlCode(), e.gdsCode());
    }

    // Second run: over the target. The server refuses while another connection uses it.
    try {
        runService(login, plain, RunKind::Restore, sink);
    } catch (const DbError& e) {
        const ServerDatabase after = inspectOnServer(login, serverPrefix, databaseFile);
        const bool untouched = before.opens && after.opens && after.created == before.created;
        if (untouched || !before.opens) {
            dropTrial();
            const bool inUse = after.others > 0 || e.message().contains(QStringLiteral("in use"), Qt::CaseInsensitive);
            const QString why = !untouched ? QString() : inUse ? inUseMessage(databaseFile) : leftAsItWas(databaseFile);
            throw DbError(why.isEmpty() ? e.message() : e.message() + u'\n' + why, e.sqlCode(), e.gdsCode());
        }
        // The server has let go of the old database: the trial file is now the only whole copy, kept
        // for the user and never removed as a leftover.
        forgetTrial(serverPrefix, trial);
        throw DbError(e.message() + u'\n' +
                          QStringLiteral("The restored data was kept in %1 on the server.").arg(trial),
                      e.sqlCode(), e.gdsCode());
    }
    const QString notDropped = dropTrial();
    if (!notDropped.isEmpty() && sink)
        sink(QStringLiteral("Cannot delete %1: %2").arg(trial, notDropped));
}

QStringList dropServerLeftovers(const ServiceLogin& login, const QString& serverPrefix) {
    QStringList dropped;
    for (const NotedTrial& t : notedTrials()) {
        if (t.serverPrefix != serverPrefix || runMayGoOn(t))
            continue;
        const ServerDatabase d = inspectOnServer(login, serverPrefix, t.path);
        if (d.others > 0)
            continue; // someone uses it: not ours to remove now
        const QString notDropped = d.opens ? dropOnServer(login, serverPrefix, t.path) : QStringLiteral("missing");
        if (notDropped.isEmpty()) {
            dropped << t.path;
            forgetTrial(serverPrefix, t.path);
        } else if (!d.opens && !fileOnServerMayExist(login, serverPrefix, t.path)) {
            forgetTrial(serverPrefix, t.path); // gone already: nothing left to remove
        }
    }
    return dropped;
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
