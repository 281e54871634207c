// The client's single connection to a host: connecting, sending, cutting the
// byte stream into messages and handing them on from the receive timer.
// The program's text is UTF-8 and the wire's is Windows-1252: messages are
// converted here, in both directions.
#pragma once

#include "protocol/protocol.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace dw {

class ClientConnection : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(std::string_view message)>;

    explicit ClientConnection(QObject* parent = nullptr);
    ~ClientConnection() override;

    // Receives each message, in order, from the receive timer, as UTF-8.
    void setHandler(Handler handler) { handler_ = std::move(handler); }

    // Opens the connection in the background. A host text whose first
    // character is a digit is taken as a dotted address; any other is looked
    // up by name.
    void connectToHost(const QString& host, quint16 port);
    // Queues a complete message (built with buildMessage from UTF-8 text)
    // for sending; it goes out in Windows-1252 (see messageToWire).
    void send(const std::string& message);
    bool isConnected() const { return sock.state() == QAbstractSocket::ConnectedState; }
    // Drops the connection, or the attempt to make one, at once and without
    // a word: nothing of it is reported any more.
    void abort();
    // Why the last connection attempt failed.
    QAbstractSocket::SocketError lastError() const { return lastError_; }

    // Takes one queued message and hands it to the handler (the receive
    // timer does this on its own; tests may call it directly).
    bool takeMessage();
    std::size_t queued() const { return received_.size(); }

signals:
    void connected();
    // The connection closed, from either side.
    void closed();
    // The connection could not be made; `hostNotFound` tells a name that
    // does not resolve apart from other failures.
    void failed(const QString& reason, bool hostNotFound);

private:
    void onReadyRead();
    void onReceiveTick();

    QTcpSocket sock;
    QTimer receiveTimer;
    Framer framer_;
    std::deque<std::string> received_;
    Handler handler_;
    bool wasConnected_ = false;
    bool dispatching_ = false;
    QAbstractSocket::SocketError lastError_ = QAbstractSocket::UnknownSocketError;
};

} // namespace dw
