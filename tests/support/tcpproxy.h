// A TCP relay between a client and a server on loopback, for tests of
// dropped links: it cuts every connection through it while both ends keep
// running, and may turn new connections away for a while (the link is down).
#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace dw::testing {

class TcpProxy : public QObject {
    Q_OBJECT
public:
    // Relays to 127.0.0.1:`target`.
    explicit TcpProxy(quint16 target, QObject* parent = nullptr);
    ~TcpProxy() override;

    // Listens on a free loopback port.
    bool listen();
    quint16 port() const { return server_.serverPort(); }

    // Resets every relayed connection on both sides at once.
    void cut();
    // While down, each new connection is reset as soon as it is accepted.
    void setDown(bool down) { down_ = down; }
    // Connections relayed so far, and those turned away while down.
    int relayed() const { return relayed_; }
    int turnedAway() const { return turnedAway_; }

private:
    struct Pair {
        QTcpSocket* client;
        QTcpSocket* server;
    };
    void accept();
    void drop(QTcpSocket* either);

    quint16 target_;
    QTcpServer server_;
    std::vector<Pair> pairs_;
    bool down_ = false;
    int relayed_ = 0;
    int turnedAway_ = 0;
};

} // namespace dw::testing
