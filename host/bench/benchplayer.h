// A player of the benchmark tools: one connection to a host on loopback that
// logs in with the seat the host offers and hands every message on to
// `onMessage`, once it has read the login's part of it.
#pragma once

#include "protocol/messages.h"
#include "protocol/protocol.h"

#include <QTcpSocket>

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace dw::bench {

struct Player {
    QTcpSocket socket;
    Framer framer;
    int seat = 0;
    bool loggedIn = false;
    std::string name;
    // Called once, when the host announces this player's own login.
    std::function<void()> onLogin;
    std::function<void(const std::string&)> onMessage;

    explicit Player(std::string playerName) : name(std::move(playerName)) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { read(); });
        // As the game's own client does.
        QObject::connect(&socket, &QTcpSocket::connected,
                         [this] { socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); });
    }
    void connectTo(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
        socket.connectToHost(host, port);
    }
    void send(const std::string& m) {
        socket.write(m.data(), qint64(m.size()));
        socket.flush();
    }
    void read() {
        const QByteArray data = socket.readAll();
        framer.append(std::string_view(data.constData(), std::size_t(data.size())));
        std::string m;
        int dropped = 0;
        while (framer.next(m, dropped)) {
            if (const auto ask = msg::decodeMessage<msg::SendLoginInfo>(m)) {
                seat = ask->seat;
                send(msg::LoginInfo{seat, std::string(kVersion), name}.encode());
            } else if (const auto info = msg::decodeMessage<msg::NewPlayerInfo>(m);
                       info && info->seat == seat && !loggedIn) {
                loggedIn = true;
                if (onLogin)
                    onLogin();
            }
            if (onMessage)
                onMessage(m);
        }
    }
};

} // namespace dw::bench
