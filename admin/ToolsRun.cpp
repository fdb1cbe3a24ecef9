#include "ToolsRun.h"

#include "DMUnit.h"
#include "RunLeftovers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

void runOffThread(const std::function<void(const servicerun::LineSink&)>& job, const servicerun::LineSink& sink) {
    std::exception_ptr failure;
    QObject receiver; // lives on this thread: the lines are delivered through its queue
    QEventLoop loop;
    const servicerun::LineSink forward = [&receiver, sink](const QString& line) {
        QMetaObject::invokeMethod(
            &receiver,
            [sink, line] {
                if (sink)
                    sink(line);
            },
            Qt::QueuedConnection);
    };
    std::unique_ptr<QThread> thread(QThread::create([&job, &failure, &forward] {
        try {
            job(forward);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    loop.exec();
    thread->wait();
    // Lines still queued are shown before the outcome.
    QCoreApplication::sendPostedEvents(&receiver);
    if (failure)
        std::rethrow_exception(failure);
}

servicerun::ServiceLogin ToolsRun::login() const {
    const ConnectionSettings& s = dm_.settings();
    return {servicerun::serviceManagerName(s.serverPrefix), s.userName, s.password};
}

bool ToolsRun::embedded() const {
    return dm_.settings().serverPrefix.isEmpty();
}

void ToolsRun::removeLeftoversOf(const servicerun::ServiceLogin& login, const QString& serverPrefix,
                                 const QStringList& localFiles) {
    if (serverPrefix.isEmpty()) {
        for (const QString& file : localFiles)
            servicerun::removeLeftoversBeside(file);
        return;
    }
    try {
        servicerun::dropServerLeftovers(login, serverPrefix);
    } catch (const DbError&) {
        // A server that cannot be asked now is asked again at the next run.
    }
}

void ToolsRun::removeLeftovers() const {
    removeLeftoversOf(login(), dm_.settings().serverPrefix, {dm_.settings().databasePath});
}

void ToolsRun::run(const std::function<void(const servicerun::LineSink&)>& job, const servicerun::LineSink& progress) {
    // The server works on the file itself: pending changes are saved and committed, and the file
    // let go. A change that cannot be saved stops the run before anything is closed.
    for (Dataset* d : dm_.tables())
        d->checkBrowseMode();
    dm_.Disconnect();
    runOffThread(job, progress);
    dm_.DBConnect();
}

void ToolsRun::backup(const QString& databaseFile, const QString& backupFile, const servicerun::LineSink& progress) {
    const servicerun::ServiceLogin l = login();
    const bool local = embedded();
    const QString prefix = dm_.settings().serverPrefix;
    const QStringList files{databaseFile, backupFile, dm_.settings().databasePath};
    run(
        [l, local, prefix, files, databaseFile, backupFile](const servicerun::LineSink& sink) {
            removeLeftoversOf(l, prefix, files);
            if (local)
                servicerun::backupBeside(l, databaseFile, backupFile, sink);
            else
                servicerun::runService(l, servicerun::backupRequest(databaseFile, backupFile),
                                       servicerun::RunKind::Backup, sink);
        },
        progress);
}

void ToolsRun::restore(const QString& backupFile, const QString& databaseFile, const servicerun::LineSink& progress) {
    const servicerun::ServiceLogin l = login();
    const bool local = embedded();
    const QString prefix = dm_.settings().serverPrefix;
    const QStringList files{databaseFile, backupFile, dm_.settings().databasePath};
    run(
        [l, local, prefix, files, databaseFile, backupFile](const servicerun::LineSink& sink) {
            removeLeftoversOf(l, prefix, files);
            if (local)
                servicerun::restoreBeside(l, backupFile, databaseFile, sink);
            else
                servicerun::restoreOnServer(l, prefix, backupFile, databaseFile, sink);
        },
        progress);
}
