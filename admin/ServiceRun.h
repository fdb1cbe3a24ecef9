#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Backup and restore through the database server's service manager, without windows.
namespace servicerun {

// Where to find the service manager and who logs in to it.
struct ServiceLogin {
    QString serviceName;
    QString user;
    QString password;
};

// The service manager of the connection's own kind: an empty server prefix (a plain path opened by
// the embedded engine) gives the local service manager without a server, "host:" that host's one.
QString serviceManagerName(const QString& serverPrefix);

// Each line of the service's output as it comes.
using LineSink = std::function<void(const QString& line)>;

// Restore options: replace an existing file and use all space, as a restore over a database asks;
// a restore into a new file creates it instead of replacing.
inline constexpr unsigned kRestoreReplace = 0x1000 | 0x4000;
inline constexpr unsigned kRestoreCreate = 0x2000 | 0x4000;

// The service requests. A blank path contributes no parameter, so the server names what is missing.
QByteArray backupRequest(const QString& databaseFile, const QString& backupFile);
QByteArray restoreRequest(const QString& backupFile, const QString& databaseFile, unsigned options);

// What a run is: its requests ask for the output lines, whose last ones tell that it completed.
enum class RunKind { Backup, Restore };

// Attaches, starts the request, reads the output to its end (the run has then finished) and
// detaches. A failure throws DbError with the server's text. A run that ended without its closing
// line is a failure too: the embedded engine ends a restore from a truncated backup file early
// without reporting an error.
void runService(const ServiceLogin& login, const QByteArray& request, RunKind kind, const LineSink& sink);

// True when another open of the file holds the database engine's lock on it (another program, or
// an attachment of this one): replacing the file then would destroy that program's database.
bool fileInUse(const QString& path);

// Restores the backup into a new file beside the target and, once the restore has succeeded and
// nothing holds the target, puts the new file in its place. A failed restore leaves the target as
// it was; a target in use is left untouched, before or after the run, and the failure says why.
void restoreBeside(const ServiceLogin& login, const QString& backupFile, const QString& databaseFile,
                   const LineSink& sink);

// The same on a database server, through its services alone (its files are not this program's to
// move): the backup is first restored into a new file beside the target on the server, which
// proves it complete, and only then over the target, which the server refuses to replace while
// another connection uses it. Whatever fails, the target is left as it was and the failure says why;
// should the second run fail once the server has let go of the target, the restored data is kept
// in the new file and the failure names it.
void restoreOnServer(const ServiceLogin& login, const QString& serverPrefix, const QString& backupFile,
                     const QString& databaseFile, const LineSink& sink);

// Drops the trial databases of earlier restores on the server (noted by restoreOnServer) whose run
// has ended and that no connection uses. Returns the paths dropped.
QStringList dropServerLeftovers(const ServiceLogin& login, const QString& serverPrefix);

// A fresh name beside a path on a server, in the path's own notation; empty for a path without a
// folder (an alias).
QString newNameBeside(const QString& serverPath);

// Writes the backup into a new file beside the backup file and puts it in place only when the run
// succeeded, so that a failed run never spoils an older backup of the same name.
void backupBeside(const ServiceLogin& login, const QString& databaseFile, const QString& backupFile,
                  const LineSink& sink);

// A fresh name in the folder of the path for a file that does not exist yet.
QString newFileBeside(const QString& path);

} // namespace servicerun
