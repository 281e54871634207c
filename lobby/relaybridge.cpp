#include "lobby/relaybridge.h"

#include "protocol/deadlink.h"

#include <QTcpSocket>

namespace dw::lobby {

namespace {

constexpr char kEnd = '\xff';

// Moves what `from` holds to `to`, as far as `to` has room; the bytes moved.
qint64 move(QTcpSocket* from, QTcpSocket* to, char* lastByte) {
    qint64 moved = 0;
    while (from->bytesAvailable() > 0) {
        const qint64 room = RelayBridge::kMaxBuffered - to->bytesToWrite();
        if (room <= 0 || to->state() != QAbstractSocket::ConnectedState)
            break;
        const QByteArray chunk = from->read(std::min(room, from->bytesAvailable()));
        if (chunk.isEmpty())
            break;
        to->write(chunk);
        moved += chunk.size();
        if (lastByte)
            *lastByte = chunk.back();
    }
    return moved;
}

} // namespace

RelayBridge::RelayBridge(QTcpSocket* proxy, QTcpSocket* local, QObject* parent)
    : QObject(parent), proxy_(proxy), local_(local) {
    proxy_->setParent(this);
    local_->setParent(this);
    for (QTcpSocket* s : {proxy_, local_}) {
        // Game messages are small and each is waited for: no coalescing.
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        s->setReadBufferSize(kMaxBuffered);
        connect(s, &QTcpSocket::readyRead, this, &RelayBridge::pump);
        connect(s, &QTcpSocket::bytesWritten, this, &RelayBridge::pump);
        connect(s, &QTcpSocket::disconnected, this, &RelayBridge::sideEnded);
        connect(s, &QTcpSocket::errorOccurred, this, &RelayBridge::sideEnded);
    }
    watchForDeadLink(proxy_->socketDescriptor());
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, &RelayBridge::idleCheck);
    idle_.start(idleMs_);
    QTimer::singleShot(0, this, [this] {
        if (proxy_->state() != QAbstractSocket::ConnectedState ||
            local_->state() != QAbstractSocket::ConnectedState)
            sideEnded();
        else
            pump();
    });
}

RelayBridge::~RelayBridge() {
    for (QTcpSocket* s : {proxy_, local_})
        s->disconnect(this);
}

void RelayBridge::setIdleInterval(int ms) {
    idleMs_ = ms;
    if (!done_ && quietStep_ >= kNudgesMs.size())
        idle_.start(idleMs_);
}

void RelayBridge::pump() {
    if (done_ || pumping_)
        return; // flush() below reports bytesWritten at once
    pumping_ = true;
    while (!done_) {
        char last = 0;
        const qint64 up = move(local_, proxy_, &last);
        if (up > 0) {
            toProxy_ += static_cast<std::uint64_t>(up);
            boundary_ = last == kEnd;
            // The quiet time counts from here, nudges first.
            quietStep_ = 0;
            idle_.start(kNudgesMs[0]);
            // Sent now, not on the event loop's next pass: a relayed play
            // crosses several bridges.
            proxy_->flush();
        }
        const qint64 down = move(proxy_, local_, nullptr);
        if (down > 0) {
            toLocal_ += static_cast<std::uint64_t>(down);
            local_->flush();
        }
        if (up == 0 && down == 0)
            break; // else the flushes may have made room for more
    }
    pumping_ = false;
    if (ending_)
        sideEnded();
}

void RelayBridge::idleCheck() {
    if (done_ || ending_)
        return;
    // Within a message the rest of it is awaited (its end resets the
    // steps), and bytes still queued here go out before any nudge.
    if (boundary_ && proxy_->bytesToWrite() == 0) {
        proxy_->write(&kEnd, 1);
        ++toProxy_;
    }
    if (quietStep_ < kNudgesMs.size())
        ++quietStep_;
    idle_.start(quietStep_ < kNudgesMs.size() ? kNudgesMs[quietStep_] : idleMs_);
}

void RelayBridge::sideEnded() {
    if (done_)
        return;

    ending_ = true;
    // What one side sent before it ended still reaches the other, as far as
    // the other takes it; then both close.
    for (QTcpSocket* s : {proxy_, local_}) {
        QTcpSocket* other = s == proxy_ ? local_ : proxy_;
        if (other->state() == QAbstractSocket::ConnectedState && s->bytesAvailable() > 0 &&
            other->bytesToWrite() < kMaxBuffered) {
            const QByteArray rest = s->read(kMaxBuffered - other->bytesToWrite());
            other->write(rest);
        }
    }
    done_ = true;
    idle_.stop();
    for (QTcpSocket* s : {proxy_, local_}) {
        s->disconnect(this);
        if (s->state() != QAbstractSocket::UnconnectedState)
            s->disconnectFromHost(); // sends what is queued, then closes
    }
    emit finished();
}

void RelayBridge::close() {
    sideEnded();
}

} // namespace dw::lobby
