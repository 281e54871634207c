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
// The bridge sends a lone byte 255, an empty message that every peer
// ignores, towards the proxy at a message boundary (the last byte passed on
// ended a message, or none has been passed on) when the stream is quiet:
// - a few times shortly after the last bytes passed on (kNudgesMs). Prosody's
//   proxy reads a linked stream 4 KiB at a time and may keep the rest of a
//   larger read (up to 4 KiB) until more bytes arrive: the nudge is that
//   arrival, so the end of a burst is not held back;
// - then every idle interval (a minute), since the proxy drops connections
//   that stay silent for long.
#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <cstdint>

class QTcpSocket;

namespace dw::lobby {

class RelayBridge : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBuffered = 64 * 1024;
    static constexpr int kIdleMs = 60 * 1000;
    static constexpr std::array<int, 3> kNudgesMs{250, 1000, 4000};

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
    int idleMs_ = kIdleMs;
    // The next of kNudgesMs, or past them: the idle interval.
    std::size_t quietStep_ = kNudgesMs.size();
    std::uint64_t toProxy_ = 0;
    std::uint64_t toLocal_ = 0;
    bool boundary_ = true; // the last byte sent to the proxy ended a message
    bool ending_ = false;
    bool done_ = false;
    bool pumping_ = false;
};

} // namespace dw::lobby
