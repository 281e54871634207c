// The host's status endpoint: GET /status and GET /metrics over HTTP, in
// the same event loop as the game. It only reads: nothing it serves changes
// the game.
#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <string>
#include <vector>

namespace dw {

// A listening socket that keeps the HTTP side in bounds: at most
// `maxConnections` at once, and at most `perAddress` of them from one peer
// (one IPv4 address, or one IPv6 /64, the block a single site is given).
// When a newcomer's address already holds its share, or every connection is
// taken, the oldest idle connection (of that address, else of any) is closed
// to make room, as HTTP lets a server close an idle connection at any time;
// only when none is idle is the newcomer refused with 503. Each connection
// is closed when no complete request arrived within `idleMs` of its opening
// or of its last answer, or when a request grows beyond `maxRequestBytes`.
// So a peer that holds many idle connections can neither lock out a health
// check from another address nor its own next request.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    GuardedTcpServer(int maxConnections, int perAddress, int idleMs, qint64 maxRequestBytes,
                     QObject* parent = nullptr);
    int openConnections() const { return int(connections_.size()); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Connection {
        QTcpSocket* socket = nullptr;
        QString peer;          // peerKey() of its address
        quint64 idleSince = 0; // order in which it became idle; 0 while busy
    };
    static QString peerKey(const QHostAddress& address);
    // The oldest idle connection, of `peer` only unless it is empty.
    QTcpSocket* oldestIdle(const QString& peer) const;
    void refuse(QTcpSocket* socket);
    void guard(QTcpSocket* socket, const QString& peer);
    void forget(QTcpSocket* socket);
    Connection* find(QTcpSocket* socket);

    int maxConnections_;
    int perAddress_;
    int idleMs_;
    qint64 maxRequestBytes_;
    quint64 clock_ = 0;
    std::vector<Connection> connections_;
};

class StatusServer {
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kMaxPerAddress = 8;
    static constexpr int kIdleMs = 5000;
    static constexpr qint64 kMaxRequestBytes = 16 * 1024;

    // `status` and `metrics` give the bodies of the two pages when asked.
    StatusServer(std::function<std::string()> status, std::function<std::string()> metrics,
                 int maxConnections = kMaxConnections, int idleMs = kIdleMs,
                 int perAddress = kMaxPerAddress);

    // Starts serving on `address`:`port` (0: a free port). On failure
    // returns false and puts a readable reason in `error`.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return tcp_->serverPort(); }
    int openConnections() const { return tcp_->openConnections(); }

private:
    QHttpServer http_;
    GuardedTcpServer* tcp_; // owned by http_ once bound
};

} // namespace dw
