#pragma once

#include <QString>
#include <QStringList>

// What a backup or restore cut short (kill -9, a power cut) leaves behind: the hidden new file
// beside a local target, and on a server the trial database of a restore. The next run removes
// those of earlier runs that nothing uses any more.
namespace servicerun {

// Whether a process of this machine has the file open (read from /proc: the program's own user's
// processes, every process for root) or an engine holds its lock on it.
bool fileOpenAnywhere(const QString& path);

// Removes the files that a run names beside the path (".NAME.XXXXXXXX.new", see newFileBeside) and
// that nothing has open. Returns the files removed.
QStringList removeLeftoversBeside(const QString& path);

// The trial databases of restores on servers, noted in a file of the user's configuration folder
// before each run and crossed out after it, so that a run cut short leaves the next one a note.
struct NotedTrial {
    qint64 pid = 0; // the process of the run
    QString serverPrefix;
    QString path; // as the server sees it
};
QString trialNotesPath();
void noteTrial(const QString& serverPrefix, const QString& path);
void forgetTrial(const QString& serverPrefix, const QString& path);
QList<NotedTrial> notedTrials();
// Whether the run that noted a trial may still be going on: its process lives and is not this one.
bool runMayGoOn(const NotedTrial& trial);

} // namespace servicerun
