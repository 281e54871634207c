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

namespace dw {

// A listening socket that keeps the HTTP side in bounds: at most
// `maxConnections` at once (more are refused with 503 and closed), each
// closed when no complete request arrived within `idleMs` of its opening or
// of its last answer, or when a request grows beyond `maxRequestBytes`.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT
public:
    GuardedTcpServer(int maxConnections, int idleMs, qint64 maxRequestBytes,
                     QObject* parent = nullptr);
    int openConnections() const { return open_; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void refuse(qintptr descriptor);
    void guard(QTcpSocket* socket);

    int maxConnections_;
    int idleMs_;
    qint64 maxRequestBytes_;
    int open_ = 0;
};

class StatusServer {
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kIdleMs = 5000;
    static constexpr qint64 kMaxRequestBytes = 16 * 1024;

    // `status` and `metrics` give the bodies of the two pages when asked.
    StatusServer(std::function<std::string()> status, std::function<std::string()> metrics,
                 int maxConnections = kMaxConnections, int idleMs = kIdleMs);

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
