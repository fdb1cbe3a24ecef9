#include "FileHandoff.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
constexpr int kWaitMs = 3000;
}

FileHandoff::FileHandoff(QString settingsFolder, QObject* parent)
    : QObject(parent), name_(serverName(settingsFolder)) {}

FileHandoff::~FileHandoff() = default;

QString FileHandoff::serverName(const QString& settingsFolder) {
    const QByteArray folder = QCryptographicHash::hash(settingsFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("korvane-files-%1-%2").arg(::getuid()).arg(QString::fromLatin1(folder.left(12)));
}

bool FileHandoff::handToRunningCopy(const QString& settingsFolder, const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(serverName(settingsFolder));
    if (!socket.waitForConnected(kWaitMs))
        return false;
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kWaitMs))
        return false;
    // The running copy answers once it has the whole name; without an answer this copy opens it.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kWaitMs))
            return false;
    return socket.readLine().trimmed() == "ok";
}

void FileHandoff::listen() {
    if (server_)
        return;
    // A socket file left by a copy that was killed answers nobody and may be replaced; a live
    // copy keeps its socket.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(500))
        return;
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &FileHandoff::accept);
    if (!server_->listen(name_)) {
        delete server_;
        server_ = nullptr;
    }
}

bool FileHandoff::listening() const {
    return server_ != nullptr;
}

void FileHandoff::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine())
                return;
            QByteArray line = socket->readLine();
            line.chop(1);
            const QString file = QString::fromUtf8(line);
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            if (!file.isEmpty() && onFile)
                onFile(file);
        });
    }
}
