// A private Prosody for the lobby's tests, started through
// scripts/lobby-server.sh: its own configuration, data directory and
// self-signed certificate, on free loopback ports. Stopped when destroyed.
#pragma once

#include "lobby/bytestreamwire.h"
#include "lobby/room.h"
#include "lobby/xmppclient.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace dw::testing {

class PrivateProsody {
public:
    struct Options {
        QStringList users;        // "name:password", made at start
        bool registration = true; // in-band registration allowed
        bool proxy = true;        // a bytestream proxy on proxy.localhost
    };
    // Where it runs: a network namespace made by the test (empty: this one)
    // and the IPv4 address it listens on there.
    struct Place {
        QString netns;
        QString address = QStringLiteral("127.0.0.1");
    };
    PrivateProsody() : PrivateProsody(Options{}) {}
    // `owners` (name@domain) are made owners of the room: its moderators.
    explicit PrivateProsody(const Options& options, const QStringList& owners = {});
    PrivateProsody(const Options& options, const QStringList& owners, const Place& place);
    ~PrivateProsody();
    // True once the server answers and the room exists.
    bool ok() const { return ok_; }
    // What went wrong starting it (the script's output).
    QString error() const { return error_; }
    QString domain() const { return QStringLiteral("localhost"); }
    quint16 port() const { return port_; }
    quint16 proxyPort() const { return proxyPort_; }
    // The certificate to trust (DRIFTWAKE_LOBBY_CA).
    QString caFile() const;
    // Its address as driftwake-lobby's --server takes it.
    QString serverAddress() const { return QStringLiteral("%1:%2").arg(place_.address).arg(port_); }
    // driftwake-lobby's options that sign `user` in here with the password
    // in `passwordFile`.
    QStringList signInArgs(const QString& user, const QString& passwordFile) const {
        return {QStringLiteral("--server"),        serverAddress(),
                QStringLiteral("--jid"),           user + QLatin1Char('@') + domain(),
                QStringLiteral("--password-file"), passwordFile};
    }
    // This process's environment with caFile() to trust, for driftwake-lobby.
    QProcessEnvironment lobbyEnvironment() const;
    QString dir() const { return dir_.path(); }
    QString room() const { return QStringLiteral("driftwake@conference.localhost"); }
    // Stops the server (the tests of a server that went away).
    void stop();
    // Signing in to this server with an account and its password.
    dw::lobby::SignIn account(const QString& jid, const QString& password) const;
    // Starts it again on the same ports, with the same accounts and room
    // (a fresh certificate at the same path); true once it answers.
    bool restart();

private:
    bool start();

    Options options_;
    Place place_;
    QStringList owners_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    quint16 proxyPort_ = 0;
    bool ok_ = false;
    QString error_;
};

// The driftwake-lobby program under test (DRIFTWAKE_LOBBY_BIN).
inline QString lobbyProgram() {
    return qEnvironmentVariable("DRIFTWAKE_LOBBY_BIN");
}

// Writes `password` as the first line of the file `name` in `dir`, for
// driftwake-lobby's --password-file: readable by its owner only, or by
// everyone when `othersRead`. Returns the file's path.
QString writePasswordFile(const QTemporaryDir& dir, const QString& name, const QByteArray& password,
                          bool othersRead = false);

// Signs `client` in to `server` with an account and waits (at most 20 s);
// true once signed in.
bool signIn(dw::lobby::XmppClient& client, const PrivateProsody& server, const QString& jid,
            const QString& password);

// Joins `room` and waits (at most 10 s): RoomFailure::None once in.
dw::lobby::RoomFailure joinAndWait(dw::lobby::Room& room, const QString& roomJid,
                                   const QString& nick);

// A lobby signed in to a server, with its room and the live chat lines the
// room delivered ("nick: text").
struct SignedInLobby {
    dw::lobby::XmppClient client;
    dw::lobby::Room room{client};
    QStringList lines;

    SignedInLobby(const PrivateProsody& server, const QString& jid, const QString& password);
    dw::lobby::RoomFailure join(const QString& roomJid, const QString& nick) {
        return joinAndWait(room, roomJid, nick);
    }
    bool sees(const QString& nick) const { return room.occupants().count(nick) > 0; }
};

// Sends a relay offer of stream `sid` through `proxy` from `client` to `to`
// and returns the answer's error condition: "" for a result, "no answer"
// when none came within 15 s.
QString sendOffer(dw::lobby::XmppClient& client, const QString& to, const std::string& sid,
                  const dw::lobby::StreamHost& proxy);

} // namespace dw::testing
