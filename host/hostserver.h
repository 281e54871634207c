// The host server: listens for connections and runs the host's side of the
// game on the UI thread. The logic lives in HostCore; this class owns the
// sockets and the timers and carries out what the core asks.
#pragma once

#include "host/hostcore.h"
#include "protocol/lanwire.h"

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QTcpSocket;

namespace dw {

class HostServer : public QObject, private HostTransport {
    Q_OBJECT
public:
    // `botSpeed` answers the current bot delay in milliseconds each time
    // the engine arms a timer with it.
    HostServer(std::function<int()> botSpeed, std::uint32_t seed, QObject* parent = nullptr);
    ~HostServer() override;

    // Starts listening on all addresses. On failure returns false and puts
    // a readable reason in `error`.
    bool listen(quint16 port, QString* error);
    // Starts listening on this machine only (127.0.0.1, and ::1 where it
    // exists): on `port` when it is free, else on any free port (port()
    // tells which).
    bool listenPrivately(quint16 port, QString* error);
    bool isListening() const { return listener.isListening(); }
    quint16 port() const { return listener.serverPort(); }

    // The host ends: every connection is told so, its queued bytes are sent
    // (waiting at most about two seconds in all) and it is closed. Nothing
    // is handled afterwards. Called by the destructor when not before.
    void shutdown();

    // Multiplies the engine's timer intervals (not the dispatch tick).
    void setTimerScale(double scale) { timerScale_ = scale; }

    HostCore& core() { return core_; }
    // No own player: seat 1 is played by the computer when its human leaves.
    void setHeadless(bool headless) { core_.setHeadless(headless); }

    // What the LAN announcement tells of this host: the playing seats with a
    // pilot logged in, and whether a game runs.
    Announcement announcement(const std::string& id, const std::string& name) const;

signals:
    // A notice for the hosting user, such as a refused play.
    void diagnosticRaised(const QString& text);
    // A connection event, for the headless host's log.
    void eventRaised(const QString& text);

private:
    void onNewConnection();
    void onReadyRead(int entry);
    // Hands the events of `socket` to the handlers of `entry`.
    void attach(int entry, QTcpSocket* socket);
    // Hands the connection's data to the core while its queue has room.
    void readFrom(int entry);
    void socketClosed(int entry, QTcpSocket* socket);
    void onDispatchTimer();
    // Takes the socket of `entry` out of the server, its signals no longer
    // handled; null when the entry holds none.
    QTcpSocket* release(int entry);

    // HostTransport
    void send(int entry, const std::string& bytes) override;
    void close(int entry) override;
    void abort(int entry) override;
    void startTimer(EngineTimer timer, int intervalMs) override;
    void stopTimer(EngineTimer timer) override;
    void diagnostic(const std::string& text) override;
    void event(const std::string& text) override;
    int botSpeedMs() override;
    void messagesWaiting() override;
    std::size_t unsent(int entry) override;
    void moved(int from, int to) override;

    QTimer& engineTimer(EngineTimer timer);

    std::function<int()> botSpeed_;
    double timerScale_ = 1.0;
    // A dispatch is running (a nested event loop must not start another).
    bool dispatching_ = false;
    bool shutDown_ = false;
    QTcpServer listener;
    QTcpServer listenerV6; // ::1 beside 127.0.0.1 when listening privately
    std::array<QTcpSocket*, HostCore::kFullEntry + 1> socks_{};
    QTimer dispatchTimer;
    QTimer pauseTimer;
    QTimer computerTimer;
    // The core's clock work, once a second while listening.
    QTimer clock_;
    HostCore core_;
};

} // namespace dw
