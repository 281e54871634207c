#include "host/tserver.h"

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

TServer::TServer(std::function<int()> botSpeed, std::uint32_t seed, QObject* parent)
    : QObject(parent), botSpeed_(std::move(botSpeed)), core_(*this, seed) {
    Sock1.setListenBacklogSize(kListenBacklog);
    connect(&Sock1, &QTcpServer::newConnection, this, &TServer::Sock1Accept);
    connect(&Sock1v6, &QTcpServer::newConnection, this, &TServer::Sock1Accept);
    socktimer.setInterval(kDispatchTickMs);
    connect(&socktimer, &QTimer::timeout, this, &TServer::socktimerTimer);
    connect(&timer1, &QTimer::timeout, this, [this] { core_.timer1Timer(); });
    connect(&computertimer, &QTimer::timeout, this, [this] { core_.computertimerTimer(); });
    clock_.setInterval(kClockTickMs);
    connect(&clock_, &QTimer::timeout, this, [this] { core_.tick(); });
}

TServer::~TServer() {
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

void TServer::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    Sock1.close();
    Sock1v6.close();
    socktimer.stop();
    timer1.stop();
    computertimer.stop();
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

bool TServer::listen(quint16 port, QString* error) {
    if (Sock1.listen(QHostAddress::Any, port)) {
        clock_.start();
        return true;
    }
    if (error)
        *error = QStringLiteral("Cannot listen on port %1: %2").arg(port).arg(Sock1.errorString());
    return false;
}

bool TServer::listenPrivately(quint16 port, QString* error) {
    if (!Sock1.listen(QHostAddress::LocalHost, port) && !Sock1.listen(QHostAddress::LocalHost, 0)) {
        if (error)
            *error = QStringLiteral("Cannot listen on this computer: %1").arg(Sock1.errorString());
        return false;
    }
    // The same port on ::1; a machine without IPv6 has only 127.0.0.1.
    Sock1v6.setListenBacklogSize(kListenBacklog);
    Sock1v6.listen(QHostAddress::LocalHostIPv6, Sock1.serverPort());
    return true;
}

Announcement TServer::announcement(const std::string& id, const std::string& name) const {
    Announcement a;
    a.id = id;
    a.port = port();
    a.name = name;
    a.version = std::string(kVersion);
    const Engine& e = core_.engine();
    for (int seat = 1; seat <= e.maxseats; ++seat)
        if (e.players[std::size_t(seat)].connected && !e.players[std::size_t(seat)].name.empty())
            ++a.seated;
    for (int entry = kSeats + 1; entry <= HostCore::kMaxConnections; ++entry)
        if (core_.linked(entry))
            ++a.spectators;
    a.playing = e.gameinprogress;
    a.amount = e.playto;
    return a;
}

void TServer::Sock1Accept() {
    const auto next = [this] {
        QTcpSocket* socket = Sock1.nextPendingConnection();
        return socket ? socket : Sock1v6.nextPendingConnection();
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
            Sock1Read(entry);
    }
}

void TServer::attach(int entry, QTcpSocket* socket) {
    connect(socket, &QTcpSocket::readyRead, this, [this, entry] { Sock1Read(entry); });
    connect(socket, &QTcpSocket::disconnected, this,
            [this, entry, socket] { socketClosed(entry, socket); });
}

void TServer::moved(int from, int to) {
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

void TServer::Sock1Read(int entry) {
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
        socktimerTimer();
    } else if (ownIdle) {
        dispatching_ = true;
        core_.dispatchFrom(entry);
        dispatching_ = false;
    }
}

void TServer::readFrom(int entry) {
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

void TServer::socketClosed(int entry, QTcpSocket* socket) {
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

void TServer::socktimerTimer() {
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
        socktimer.stop();
    else if (!socktimer.isActive())
        socktimer.start();
}

void TServer::send(int entry, const std::string& bytes) {
    if (entry < 0 || entry > HostCore::kFullEntry)
        return;
    if (QTcpSocket* socket = socks_[entry]) {
        core_.counters().bytesOut += bytes.size();
        socket->write(bytes.data(), qint64(bytes.size()));
    }
}

std::size_t TServer::unsent(int entry) {
    if (entry < 0 || entry > HostCore::kFullEntry || !socks_[entry])
        return 0;
    return std::size_t(socks_[entry]->bytesToWrite());
}

QTcpSocket* TServer::release(int entry) {
    if (entry < 0 || entry > HostCore::kFullEntry)
        return nullptr;
    QTcpSocket* socket = socks_[entry];
    if (!socket)
        return nullptr;
    socks_[entry] = nullptr;
    socket->disconnect(this);
    return socket;
}

void TServer::close(int entry) {
    QTcpSocket* socket = release(entry);
    if (!socket)
        return;
    // Let queued bytes (such as the full notice) go out, then drop it.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

void TServer::abort(int entry) {
    if (QTcpSocket* socket = release(entry)) {
        socket->abort();
        socket->deleteLater();
    }
}

QTimer& TServer::engineTimer(EngineTimer timer) {
    return timer == EngineTimer::Timer1 ? timer1 : computertimer;
}

void TServer::startTimer(EngineTimer timer, int intervalMs) {
    const int scaled = std::max(1, int(std::lround(intervalMs * timerScale_)));
    engineTimer(timer).start(scaled);
}

void TServer::stopTimer(EngineTimer timer) {
    engineTimer(timer).stop();
}

// The host's notices quote names as the peers sent them, in Windows-1252.
void TServer::diagnostic(const std::string& text) {
    emit diagnosticRaised(QString::fromStdString(fromWindows1252(text)));
}

// Events are log lines in UTF-8: the core has made the names in them safe.
void TServer::event(const std::string& text) {
    emit eventRaised(QString::fromStdString(text));
}

int TServer::botSpeedMs() {
    return botSpeed_ ? botSpeed_() : 750;
}

void TServer::messagesWaiting() {
    if (!socktimer.isActive())
        socktimer.start();
}

} // namespace dw
