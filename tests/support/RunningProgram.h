#pragma once

// Watching a real copy of the program from a test: when it has its database open, and what it stored.

#include "FbClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QTest>

namespace runningprogram {

// Waits until the process has the file open (its data module is up when the file is its database).
inline bool waitForOpenFile(qint64 pid, const QString& path, int ms) {
    QElapsedTimer t;
    t.start();
    const QString fdFolder = QStringLiteral("/proc/%1/fd").arg(pid);
    const QString wanted = QFileInfo(path).canonicalFilePath();
    while (t.elapsed() < ms) {
        for (const QFileInfo& fd : QDir(fdFolder).entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == wanted)
                return true;
        QTest::qWait(100);
    }
    return false;
}

// The surnames of the stored contacts, in the order of their keys.
inline QStringList storedSurnames(const QString& databasePath) {
    fb::Attachment db;
    db.attach(databasePath, QStringLiteral("SYSDBA"), QString());
    fb::Transaction tr;
    tr.start(db);
    fb::Statement st(db, tr, QStringLiteral("select FAM from MAIN order by NUM_MAIN"));
    st.execute();
    QStringList out;
    while (st.fetch())
        out << st.value(0).toString();
    return out;
}

} // namespace runningprogram
