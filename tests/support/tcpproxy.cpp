#include "tests/support/tcpproxy.h"

#include <algorithm>

namespace dw::testing {

TcpProxy::TcpProxy(quint16 target, QObject* parent) : QObject(parent), target_(target) {
    connect(&server_, &QTcpServer::newConnection, this, &TcpProxy::accept);
}

TcpProxy::~TcpProxy() {
    for (const Pair& p : pairs_) {
        p.client->disconnect(this);
        p.server->disconnect(this);
        p.client->abort();
        p.server->abort();
        p.client->deleteLater();
        p.server->deleteLater();
    }
}

bool TcpProxy::listen() {
    return server_.listen(QHostAddress::LocalHost, 0);
}

void TcpProxy::accept() {
    while (QTcpSocket* client = server_.nextPendingConnection()) {
        if (down_) {
            ++turnedAway_;
            client->abort();
            client->deleteLater();
            continue;
        }
        ++relayed_;
        auto* upstream = new QTcpSocket(this);
        client->setParent(this);
        pairs_.push_back({client, upstream});
        // What the client sends before the server side is up waits in the
        // client socket until the relay below starts.
        auto pipe = [](QTcpSocket* from, QTcpSocket* to) {
            if (to->state() == QAbstractSocket::ConnectedState)
                to->write(from->readAll());
        };
        connect(client, &QTcpSocket::readyRead, this,
                [client, upstream, pipe] { pipe(client, upstream); });
        connect(upstream, &QTcpSocket::readyRead, this,
                [client, upstream, pipe] { pipe(upstream, client); });
        connect(upstream, &QTcpSocket::connected, this,
                [client, upstream, pipe] { pipe(client, upstream); });
        for (QTcpSocket* s : {client, upstream})
            connect(s, &QTcpSocket::disconnected, this, [this, s] { drop(s); });
        connect(upstream, &QTcpSocket::errorOccurred, this, [this, upstream] { drop(upstream); });
        upstream->connectToHost(QHostAddress::LocalHost, target_);
    }
}

void TcpProxy::drop(QTcpSocket* either) {
    const auto it = std::find_if(pairs_.begin(), pairs_.end(), [either](const Pair& p) {
        return p.client == either || p.server == either;
    });
    if (it == pairs_.end())
        return;
    const Pair p = *it;
    pairs_.erase(it);
    for (QTcpSocket* s : {p.client, p.server}) {
        s->disconnect(this);
        // What one end sent before it closed still reaches the other.
        QTcpSocket* other = s == p.client ? p.server : p.client;
        if (s->bytesAvailable() > 0 && other->state() == QAbstractSocket::ConnectedState)
            other->write(s->readAll());
    }
    for (QTcpSocket* s : {p.client, p.server}) {
        s->disconnectFromHost();
        s->deleteLater();
    }
}

void TcpProxy::cut() {
    std::vector<Pair> all;
    all.swap(pairs_);
    for (const Pair& p : all) {
        for (QTcpSocket* s : {p.client, p.server}) {
            s->disconnect(this);
            s->abort();
            s->deleteLater();
        }
    }
}

} // namespace dw::testing
