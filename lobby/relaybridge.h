// Carries a game connection's bytes between the game on loopback and a
// relayed stream through the server's proxy, in both directions.
//
// Buffering is bounded: each side's socket reads at most kMaxBuffered bytes
// ahead, and a side is read only while the other has room to send, so a
// slow reader holds back the writer through TCP instead of filling memory.
// The proxy socket gets the dead-link options of net/deadlink.h. When either
// side ends, what is already read is passed on and the other side is closed,
// so the game sees a dropped link and its rejoin opens a new stream.
//
// The proxy drops connections that stay silent for long: after
// idleInterval() without a byte towards it, at a message boundary (the last
// byte passed on ended a message, or none has been passed on), the bridge
// sends a lone byte 255, an empty message that every peer ignores.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>

class QTcpSocket;

namespace dw::lobby {

class RelayBridge : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBuffered = 64 * 1024;
    static constexpr int kIdleMs = 60 * 1000;

    // Takes both connected sockets (made children of the bridge). Bytes that
    // either already holds are passed on at once.
    RelayBridge(QTcpSocket* proxy, QTcpSocket* local, QObject* parent = nullptr);
    ~RelayBridge() override;

    void setIdleInterval(int ms);
    // Closes both sides; finished() follows.
    void close();
    bool isOpen() const { return !done_; }
    // Bytes carried each way, lone bytes 255 included.
    std::uint64_t toProxy() const { return toProxy_; }
    std::uint64_t toLocal() const { return toLocal_; }

signals:
    // Both sides are closed (once).
    void finished();

private:
    void pump();
    void sideEnded();
    void idleCheck();

    QTcpSocket* proxy_;
    QTcpSocket* local_;
    QTimer idle_;
    std::uint64_t toProxy_ = 0;
    std::uint64_t toLocal_ = 0;
    bool boundary_ = true; // the last byte sent to the proxy ended a message
    bool ending_ = false;
    bool done_ = false;
};

} // namespace dw::lobby
