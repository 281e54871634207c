#include "client/clientconn.h"

#include "protocol/deadlink.h"
#include "text/windows1252.h"

#include <QHostAddress>

namespace dw {

namespace {
// The timer runs only while messages wait that could not be handled on
// arrival, so an idle client costs nothing.
constexpr int kReceiveTickMs = 1;
} // namespace

ClientConnection::ClientConnection(QObject* parent) : QObject(parent) {
    receiveTimer.setInterval(kReceiveTickMs);
    connect(&receiveTimer, &QTimer::timeout, this, &ClientConnection::onReceiveTick);
    connect(&sock, &QTcpSocket::readyRead, this, &ClientConnection::onReadyRead);
    connect(&sock, &QTcpSocket::connected, this, [this] {
        wasConnected_ = true;
        // A play goes out at once, not after the host acknowledged the last.
        sock.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A host that vanished without a word is noticed within seconds.
        watchForDeadLink(sock.socketDescriptor());
        emit connected();
    });
    connect(&sock, &QTcpSocket::disconnected, this, [this] {
        // Whatever already arrived is still handed on before the close is
        // reported.
        onReadyRead();
        while (takeMessage()) {
        }
        emit closed();
    });
    connect(&sock, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (wasConnected_)
            return; // a drop after connecting is reported by disconnected()
        lastError_ = e;
        emit failed(sock.errorString(), e == QAbstractSocket::HostNotFoundError);
    });
}

ClientConnection::~ClientConnection() {
    // The socket reports its own close while it is destroyed; nothing here
    // may hear of it any more.
    sock.disconnect(this);
    receiveTimer.stop();
}

void ClientConnection::connectToHost(const QString& host, quint16 port) {
    wasConnected_ = false;
    sock.connectToHost(host, port);
}

void ClientConnection::abort() {
    sock.disconnect(this);
    receiveTimer.stop();
    received_.clear();
    sock.abort();
}

void ClientConnection::send(const std::string& message) {
    if (sock.state() != QAbstractSocket::ConnectedState)
        return;
    const std::string bytes = messageToWire(message);
    sock.write(bytes.data(), qint64(bytes.size()));
}

void ClientConnection::onReadyRead() {
    if (!sock.isOpen())
        return;
    const QByteArray data = sock.readAll();
    if (data.isEmpty())
        return;
    const bool idle = received_.empty();
    framer_.feed(std::string_view(data.constData(), std::size_t(data.size())), received_);
    if (received_.empty())
        return;
    // What arrives while nothing waits is handled at once.
    if (idle)
        onReceiveTick();
    else if (!receiveTimer.isActive())
        receiveTimer.start();
}

void ClientConnection::onReceiveTick() {
    // A handler that opens a message box runs a nested event loop; what
    // arrives meanwhile waits for the tick after it.
    if (dispatching_) {
        if (!receiveTimer.isActive())
            receiveTimer.start();
        return;
    }
    dispatching_ = true;
    // Every message that waited when the tick began, in order, so that a
    // burst of chat never leaves the game behind.
    for (std::size_t n = received_.size(); n > 0; --n)
        if (!takeMessage())
            break;
    dispatching_ = false;
    if (received_.empty())
        receiveTimer.stop();
    else if (!receiveTimer.isActive())
        receiveTimer.start();
}

bool ClientConnection::takeMessage() {
    if (received_.empty())
        return false;
    std::string message = std::move(received_.front());
    received_.pop_front();
    if (handler_)
        handler_(fromWindows1252(message));
    return !received_.empty();
}

} // namespace dw
