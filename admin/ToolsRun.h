#pragma once

#include "ServiceRun.h"

class TDM;

// Runs a job on a thread of its own while the calling thread keeps its events going (painting,
// timers; the caller keeps its own controls from starting anything meanwhile); the lines the job reports reach the sink
// on the calling thread, in order. The job's failure is thrown again here.
void runOffThread(const std::function<void(const servicerun::LineSink&)>& job, const servicerun::LineSink& sink);

// One run of the backup window. The database connection is closed for the run (which commits the
// pending changes) and opened again only after a success; after a failure it stays closed.
class ToolsRun {
public:
    explicit ToolsRun(TDM& dm) : dm_(dm) {}

    // Credentials and service manager from the values the connection read at start-up.
    servicerun::ServiceLogin login() const;
    // A plain path: the files are this machine's, opened by the embedded engine.
    bool embedded() const;

    // Removes what runs cut short left behind: beside the connection's database file on the
    // embedded path (also done at start-up), the noted trial databases on a server.
    void removeLeftovers() const;

    void backup(const QString& databaseFile, const QString& backupFile, const servicerun::LineSink& progress);
    void restore(const QString& backupFile, const QString& databaseFile, const servicerun::LineSink& progress);

private:
    // The leftovers beside the files of a run too, on the embedded path.
    static void removeLeftoversOf(const servicerun::ServiceLogin& login, const QString& serverPrefix,
                                  const QStringList& localFiles);
    void run(const std::function<void(const servicerun::LineSink&)>& job, const servicerun::LineSink& progress);
    TDM& dm_;
};
