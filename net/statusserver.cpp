#include "net/statusserver.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <unistd.h>

namespace dw {

GuardedTcpServer::GuardedTcpServer(int maxConnections, int idleMs, qint64 maxRequestBytes,
                                   QObject* parent)
    : QTcpServer(parent), maxConnections_(maxConnections), idleMs_(idleMs),
      maxRequestBytes_(maxRequestBytes) {}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    if (open_ >= maxConnections_) {
        refuse(descriptor);
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    guard(socket);
    addPendingConnection(socket);
}

void GuardedTcpServer::refuse(qintptr descriptor) {
    QTcpSocket socket;
    if (!socket.setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        return;
    }
    socket.write(
        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket.flush();
    socket.abort();
}

void GuardedTcpServer::guard(QTcpSocket* socket) {
    ++open_;
    connect(socket, &QObject::destroyed, this, [this] { --open_; });

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
        if (*requestBytes > maxRequestBytes_) {
            // The HTTP server never sees the rest of an oversized request;
            // the connection closes once this signal has been handled.
            socket->readAll();
            QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
        }
    });
    // An answer sent in full: the connection may ask again, with a new
    // allowance of time and bytes.
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket, requestBytes, timer] {
        if (socket->bytesToWrite() == 0) {
            *requestBytes = 0;
            timer->start();
        }
    });
}

StatusServer::StatusServer(std::function<std::string()> status,
                           std::function<std::string()> metrics, int maxConnections, int idleMs)
    : tcp_(new GuardedTcpServer(maxConnections, idleMs, kMaxRequestBytes, &http_)) {
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
