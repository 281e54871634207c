#include "host/hostserver.h"

#include "protocol/deadlink.h"
#include "text/windows1252.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include <algorithm>
#include <cmath>

namespace dw {

namespace {
constexpr int kDispatchTickMs = 10;
constexpr int kListenBacklog = 5;
// How much of a connection's data is taken at a time, and how much the
// socket holds for the host before the peer has to wait (TCP then pushes
// back on a peer that sends faster than the host dispatches).
constexpr qint64 kReadChunk = 4096;
constexpr qint64 kSocketReadBuffer = 16 * 1024;
// How long the closing notice may take to reach the peers, in all.
constexpr qint64 kShutdownFlushMs = 2000;
// How often the host's clock work runs (the login deadline).
constexpr int kClockTickMs = 1000;
} // namespace

HostServer::HostServer(std::function<int()> botSpeed, std::uint32_t seed, QObject* parent)
    : QObject(parent), botSpeed_(std::move(botSpeed)), core_(*this, seed) {
    listener.setListenBacklogSize(kListenBacklog);
    connect(&listener, &QTcpServer::newConnection, this, &HostServer::onNewConnection);
    connect(&listenerV6, &QTcpServer::newConnection, this, &HostServer::onNewConnection);
    dispatchTimer.setInterval(kDispatchTickMs);
    connect(&dispatchTimer, &QTimer::timeout, this, &HostServer::onDispatchTimer);
    connect(&pauseTimer, &QTimer::timeout, this, [this] { core_.pauseTick(); });
    connect(&computerTimer, &QTimer::timeout, this, [this] { core_.computerTick(); });
    clock_.setInterval(kClockTickMs);
    connect(&clock_, &QTimer::timeout, this, [this] { core_.tick(); });
}

HostServer::~HostServer() {
    shutdown();
    for (QTcpSocket*& s : socks_) {
        if (s) {
            s->disconnect(this);
            s->abort();
            delete s;
            s = nullptr;
        }
    }
}

void HostServer::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    listener.close();
    listenerV6.close();
    dispatchTimer.stop();
    pauseTimer.stop();
    computerTimer.stop();
    clock_.stop();
    core_.hostClosing();
    // The notice goes out before the close; a peer that does not read gets
    // a bounded wait, not a hung exit.
    QElapsedTimer clock;
    clock.start();
    for (QTcpSocket*& socket : socks_) {
        if (!socket)
            continue;
        socket->disconnect(this);
        while (socket->bytesToWrite() > 0 && clock.elapsed() < kShutdownFlushMs &&
               socket->waitForBytesWritten(int(kShutdownFlushMs - clock.elapsed()))) {
        }
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->abort();
        delete socket;
        socket = nullptr;
    }
}

bool HostServer::listen(quint16 port, QString* error) {
    if (listener.listen(QHostAddress::Any, port)) {
        clock_.start();
        return true;
    }
    if (error)
        *error =
            QStringLiteral("Cannot listen on port %1: %2").arg(port).arg(listener.errorString());
    return false;
}

bool HostServer::listenPrivately(quint16 port, QString* error) {
    if (!listener.listen(QHostAddress::LocalHost, port) &&
        !listener.listen(QHostAddress::LocalHost, 0)) {
        if (error)
            *error =
                QStringLiteral("Cannot listen on this computer: %1").arg(listener.errorString());
        return false;
    }
    // The same port on ::1; a machine without IPv6 has only 127.0.0.1.
    listenerV6.setListenBacklogSize(kListenBacklog);
    listenerV6.listen(QHostAddress::LocalHostIPv6, listener.serverPort());
    return true;
}

Announcement HostServer::announcement(const std::string& id, const std::string& name) const {
    Announcement a;
    a.id = id;
    a.port = port();
    a.name = name;
    a.version = std::string(kVersion);
    const Engine& e = core_.engine();
    for (int seat = 1; seat <= e.maxSeats; ++seat)
        if (e.players[std::size_t(seat)].connected && !e.players[std::size_t(seat)].name.empty())
            ++a.seated;
    for (int entry = kSeats + 1; entry <= HostCore::kMaxConnections; ++entry)
        if (core_.linked(entry))
            ++a.spectators;
    a.playing = e.gameInProgress;
    a.amount = e.amountToEarn;
    return a;
}

void HostServer::onNewConnection() {
    const auto next = [this] {
        QTcpSocket* socket = listener.nextPendingConnection();
        return socket ? socket : listenerV6.nextPendingConnection();
    };
    while (QTcpSocket* socket = next()) {
        socket->setParent(nullptr);
        socket->setReadBufferSize(kSocketReadBuffer);
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kSocketReadBuffer);
        // Messages are small and wanted at once: Nagle's algorithm would hold
        // one back until the peer acknowledges the one before, which a peer
        // that has nothing to say delays by tens of milliseconds.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A player whose link died without a word leaves within seconds.
        watchForDeadLink(socket->socketDescriptor());
        const int entry = core_.freeEntry();
        socks_[entry] = socket;
        if (entry != HostCore::kFullEntry)
            attach(entry, socket);
        core_.accepted(entry);
        if (socks_[entry] == socket && socket->bytesAvailable() > 0)
            onReadyRead(entry);
    }
}

void HostServer::attach(int entry, QTcpSocket* socket) {
    connect(socket, &QTcpSocket::readyRead, this, [this, entry] { onReadyRead(entry); });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, entry, socket] { socketClosed(entry, socket); });
}

void HostServer::moved(int from, int to) {
    if (from < 1 || from > HostCore::kMaxConnections || to < 1 || to > HostCore::kMaxConnections)
        return;
    QTcpSocket* socket = socks_[from];
    socks_[from] = nullptr;
    socks_[to] = socket;
    if (!socket)
        return;
    socket->disconnect(this);
    attach(to, socket);
}

void HostServer::onReadyRead(int entry) {
    // A message that arrives while nothing waits is handled at once; the
    // dispatch tick paces only a backlog. A connection with nothing waiting
    // has its first message handled at once even then, so a play is never
    // kept behind another connection's chat.
    const bool idle = !core_.hasQueued();
    const bool ownIdle = core_.queued(entry) == 0;
    readFrom(entry);
    if (dispatching_)
        return; // a notice's nested event loop: the tick comes back to it
    if (idle) {
        onDispatchTimer();
    } else if (ownIdle) {
        dispatching_ = true;
        core_.dispatchFrom(entry);
        dispatching_ = false;
    }
}

void HostServer::readFrom(int entry) {
    QTcpSocket* socket = socks_[entry];
    if (!socket)
        return;
    // While the connection's queue is full its data stays in the socket,
    // which stops taking more once its buffer is full, and TCP holds the
    // peer back; the dispatch tick reads on when the queue has room again.
    char chunk[kReadChunk];
    while (socks_[entry] == socket && core_.wantsInput(entry) && socket->bytesAvailable() > 0) {
        const qint64 n = socket->read(chunk, kReadChunk);
        if (n <= 0)
            break;
        core_.received(entry, std::string_view(chunk, std::size_t(n)));
    }
}

void HostServer::socketClosed(int entry, QTcpSocket* socket) {
    // A late signal from a connection this entry no longer holds is ignored.
    if (socks_[entry] != socket)
        return;
    // Everything the peer sent before it closed is handed over, however full
    // its queue: the core handles it before the departure.
    const QByteArray rest = socket->readAll();
    if (!rest.isEmpty())
        core_.received(entry, std::string_view(rest.constData(), std::size_t(rest.size())));
    socks_[entry] = nullptr;
    socket->disconnect(this);
    socket->deleteLater();
    core_.connectionClosed(entry);
}

void HostServer::onDispatchTimer() {
    if (dispatching_)
        return;
    dispatching_ = true;
    core_.dispatchTick();
    // Connections held back by a full queue may go on now.
    for (int entry = 1; entry <= HostCore::kMaxConnections; ++entry)
        if (socks_[entry] && socks_[entry]->bytesAvailable() > 0 && core_.wantsInput(entry))
            readFrom(entry);
    dispatching_ = false;
    if (!core_.hasQueued())
        dispatchTimer.stop();
    else if (!dispatchTimer.isActive())
        dispatchTimer.start();
}

void HostServer::send(int entry, const std::string& bytes) {
    if (entry < 0 || entry > HostCore::kFullEntry)
        return;
    if (QTcpSocket* socket = socks_[entry]) {
        core_.counters().bytesOut += bytes.size();
        socket->write(bytes.data(), qint64(bytes.size()));
    }
}

std::size_t HostServer::unsent(int entry) {
    if (entry < 0 || entry > HostCore::kFullEntry || !socks_[entry])
        return 0;
    return std::size_t(socks_[entry]->bytesToWrite());
}

QTcpSocket* HostServer::release(int entry) {
    if (entry < 0 || entry > HostCore::kFullEntry)
        return nullptr;
    QTcpSocket* socket = socks_[entry];
    if (!socket)
        return nullptr;
    socks_[entry] = nullptr;
    socket->disconnect(this);
    return socket;
}

void HostServer::close(int entry) {
    QTcpSocket* socket = release(entry);
    if (!socket)
        return;
    // Let queued bytes (such as the full notice) go out, then drop it.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

void HostServer::abort(int entry) {
    if (QTcpSocket* socket = release(entry)) {
        socket->abort();
        socket->deleteLater();
    }
}

QTimer& HostServer::engineTimer(EngineTimer timer) {
    return timer == EngineTimer::Pause ? pauseTimer : computerTimer;
}

void HostServer::startTimer(EngineTimer timer, int intervalMs) {
    const int scaled = std::max(1, int(std::lround(intervalMs * timerScale_)));
    engineTimer(timer).start(scaled);
}

void HostServer::stopTimer(EngineTimer timer) {
    engineTimer(timer).stop();
}

// The host's notices quote names as the peers sent them, in Windows-1252.
void HostServer::diagnostic(const std::string& text) {
    emit diagnosticRaised(QString::fromStdString(fromWindows1252(text)));
}

// Events are log lines in UTF-8: the core has made the names in them safe.
void HostServer::event(const std::string& text) {
    emit eventRaised(QString::fromStdString(text));
}

int HostServer::botSpeedMs() {
    return botSpeed_ ? botSpeed_() : 750;
}

void HostServer::messagesWaiting() {
    if (!dispatchTimer.isActive())
        dispatchTimer.start();
}

} // namespace dw
