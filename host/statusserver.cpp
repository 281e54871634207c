#include "host/statusserver.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <unistd.h>

namespace dw {

GuardedTcpServer::GuardedTcpServer(int maxConnections, int perAddress, int idleMs,
                                   qint64 maxRequestBytes, QObject* parent)
    : QTcpServer(parent), maxConnections_(maxConnections), perAddress_(perAddress), idleMs_(idleMs),
      maxRequestBytes_(maxRequestBytes) {}

QString GuardedTcpServer::peerKey(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // IPv4-mapped IPv6 included
    if (isV4)
        return QHostAddress(v4).toString();
    Q_IPV6ADDR v6 = address.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        v6[i] = 0;
    return QHostAddress(v6).toString() + QStringLiteral("/64");
}

GuardedTcpServer::Connection* GuardedTcpServer::find(QTcpSocket* socket) {
    for (Connection& c : connections_)
        if (c.socket == socket)
            return &c;
    return nullptr;
}

QTcpSocket* GuardedTcpServer::oldestIdle(const QString& peer) const {
    const Connection* oldest = nullptr;
    for (const Connection& c : connections_)
        if (c.idleSince != 0 && (peer.isEmpty() || c.peer == peer) &&
            (!oldest || c.idleSince < oldest->idleSince))
            oldest = &c;
    return oldest ? oldest->socket : nullptr;
}

void GuardedTcpServer::forget(QTcpSocket* socket) {
    std::erase_if(connections_, [socket](const Connection& c) { return c.socket == socket; });
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    const QString peer = peerKey(socket->peerAddress());
    const auto fromPeer = std::count_if(connections_.begin(), connections_.end(),
                                        [&peer](const Connection& c) { return c.peer == peer; });
    if (fromPeer >= perAddress_ || openConnections() >= maxConnections_) {
        QTcpSocket* victim = oldestIdle(fromPeer >= perAddress_ ? peer : QString());
        if (!victim) {
            refuse(socket);
            return;
        }
        // Not counted from now on; the HTTP server deletes it once closed.
        forget(victim);
        victim->abort();
    }
    guard(socket, peer);
    addPendingConnection(socket);
}

void GuardedTcpServer::refuse(QTcpSocket* socket) {
    socket->write(
        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->flush();
    socket->abort();
    delete socket;
}

void GuardedTcpServer::guard(QTcpSocket* socket, const QString& peer) {
    connections_.push_back({socket, peer, ++clock_});
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });

    // The HTTP server deletes a connection once it is closed.
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, &QTcpSocket::abort);
    timer->start(idleMs_);

    // These run before the HTTP server's own handlers, which were connected
    // after them: the bytes counted are those it has not read yet.
    auto requestBytes = std::make_shared<qint64>(0);
    connect(socket, &QTcpSocket::readyRead, socket, [socket, requestBytes, this] {
        *requestBytes += socket->bytesAvailable();
        if (Connection* c = find(socket))
            c->idleSince = 0; // a request is coming: busy until answered
        if (*requestBytes > maxRequestBytes_) {
            // The HTTP server never sees the rest of an oversized request;
            // the connection closes once this signal has been handled.
            socket->readAll();
            QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        }
    });
    // An answer sent in full: the connection may ask again, with a new
    // allowance of time and bytes, and is idle until it does.
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket, requestBytes, timer, this] {
        if (socket->bytesToWrite() == 0) {
            *requestBytes = 0;
            timer->start();
            if (Connection* c = find(socket))
                c->idleSince = ++clock_;
        }
    });
}

StatusServer::StatusServer(std::function<std::string()> status,
                           std::function<std::string()> metrics, int maxConnections, int idleMs,
                           int perAddress)
    : tcp_(new GuardedTcpServer(maxConnections, perAddress, idleMs, kMaxRequestBytes, &http_)) {
    using Method = QHttpServerRequest::Method;
    const auto page = [](const QByteArray& type, const std::function<std::string()>& body) {
        return [type, body] {
            const std::string text = body();
            QHttpServerResponse response(type, QByteArray(text.data(), qsizetype(text.size())));
            response.setHeader("Cache-Control", "no-store");
            return response;
        };
    };
    const auto onlyGet = [] {
        QHttpServerResponse response(QHttpServerResponse::StatusCode::MethodNotAllowed);
        response.setHeader("Allow", "GET");
        return response;
    };
    http_.route("/status", Method::Get, page("application/json", status));
    http_.route("/status", Method::AnyKnown, onlyGet);
    http_.route("/metrics", Method::Get, page("text/plain; version=0.0.4; charset=utf-8", metrics));
    http_.route("/metrics", Method::AnyKnown, onlyGet);
}

bool StatusServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    if (address.isNull() || !tcp_->listen(address, port)) {
        if (error)
            *error =
                QStringLiteral("Cannot serve the status on %1 port %2: %3")
                    .arg(address.isNull() ? QStringLiteral("that address") : address.toString())
                    .arg(port)
                    .arg(address.isNull() ? QStringLiteral("not an IP address")
                                          : tcp_->errorString());
        return false;
    }
    http_.bind(tcp_);
    return true;
}

} // namespace dw
