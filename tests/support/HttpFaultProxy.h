#pragma once

// A small HTTP proxy on 127.0.0.1 in front of a test server that can misbehave on purpose: forward a
// request and drop its answer (the server stored the change, the client never hears of it), answer
// 503 without forwarding, cut the connection, or slow every request down. It reads one request per
// client connection and closes the connection after the answer, so every request is seen whole.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

namespace carddavtest {

class HttpFaultProxy : public QObject {
public:
    enum class Action { Forward, DropAnswer, Answer503, CutConnection, Answer401 };
    // Decides per request: method, path and the number of requests with that method so far (1-based).
    using Rule = std::function<Action(const QByteArray& method, const QByteArray& path, int countOfMethod)>;

    HttpFaultProxy(quint16 targetPort, Rule rule) : target_(targetPort), rule_(std::move(rule)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                serve(s);
        });
    }
    quint16 port() const { return server_.serverPort(); }
    void setDelayMs(int ms) { delayMs_ = ms; }
    int count(const QByteArray& method) const { return counts_.value(method); }

private:
    void serve(QTcpSocket* client) {
        client->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        QObject::connect(client, &QTcpSocket::readyRead, client, [this, client, buffer] {
            *buffer += client->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            qsizetype length = 0;
            for (const QByteArray& line : buffer->left(end).split('\n'))
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            if (buffer->size() < end + 4 + length)
                return;
            QObject::disconnect(client, &QTcpSocket::readyRead, nullptr, nullptr);
            handle(client, *buffer);
        });
    }

    void handle(QTcpSocket* client, QByteArray request) {
        const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
        const QByteArray method = first.value(0), path = first.value(1);
        const int n = ++counts_[method];
        const Action action = rule_ ? rule_(method, path, n) : Action::Forward;
        if (action == Action::Answer503) {
            client->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        if (action == Action::Answer401) {
            client->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"test\"\r\nContent-Length: "
                          "0\r\nConnection: close\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        if (action == Action::CutConnection) {
            client->abort();
            return;
        }
        // One request per upstream connection: the answer ends where the server closes.
        request.replace("Connection: Keep-Alive", "Connection: close");
        request.replace("Connection: keep-alive", "Connection: close");
        QPointer<QTcpSocket> guard(client);
        auto send = [this, guard, request, action] {
            auto* up = new QTcpSocket(this);
            auto answer = std::make_shared<QByteArray>();
            QObject::connect(up, &QTcpSocket::connected, up, [up, request] { up->write(request); });
            QObject::connect(up, &QTcpSocket::readyRead, up, [up, answer] { *answer += up->readAll(); });
            QObject::connect(up, &QTcpSocket::disconnected, up, [up, answer, guard, action] {
                *answer += up->readAll();
                up->deleteLater();
                if (!guard)
                    return;
                if (action == Action::DropAnswer) {
                    guard->abort();
                    return;
                }
                guard->write(*answer);
                guard->disconnectFromHost();
            });
            up->connectToHost(QHostAddress::LocalHost, target_);
        };
        if (delayMs_ > 0)
            QTimer::singleShot(delayMs_, this, send);
        else
            send();
    }

    QTcpServer server_;
    quint16 target_;
    Rule rule_;
    int delayMs_ = 0;
    QHash<QByteArray, int> counts_;
};

} // namespace carddavtest
