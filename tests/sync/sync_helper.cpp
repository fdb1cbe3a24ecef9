// Not a test: runs one sync of a database, as a copy of the program would, so a test can kill it with
// SIGKILL in the middle. Usage: sync_helper DATABASE. Exit code 0 when the sync completed.

#include "SyncEngine.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const cardsync::DbLogin login{QString::fromLocal8Bit(argv[1]), QStringLiteral("SYSDBA"),
                                  QStringLiteral("masterkey")};
    const cardsync::SyncResult r = cardsync::runSync(
        login, QStringLiteral("pw"),
        [](int done, int total, const QString& phase) {
            std::printf("%d/%d %s\n", done, total, qPrintable(phase));
            std::fflush(stdout);
        },
        nullptr);
    std::printf("%s\n", r.ok ? "ok" : qPrintable(r.error.message));
    return r.ok ? 0 : 1;
}
