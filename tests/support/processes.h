// Helpers for tests that run the real program: private copies of the
// executable (so each copy has its own settings and tally files), a free
// loopback port, and a raw protocol client.
#pragma once

#include "protocol/launch.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace dw::testing {

// A TCP port that nothing listens on right now, outside the range the
// kernel gives outgoing connections.
quint16 freePort();

// The launch options of a solo game of "You" on a free port.
LaunchOptions soloLaunch();

// The launch line of a window joining the game on 127.0.0.1:`port` as `name`.
inline QStringList joinArgs(const QString& name, quint16 port) {
    return {name, QStringLiteral("127.0.0.1"), QStringLiteral("join"), QStringLiteral("--port"),
            QString::number(port)};
}

// The program under test, copied into a directory of its own.
class ProgramCopy {
public:
    ProgramCopy();
    bool ok() const { return !path_.isEmpty(); }
    QString path() const { return path_; }
    QString dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString path_;
};

// A running copy of the program whose output is collected.
class Running {
public:
    Running(const ProgramCopy& copy, const QStringList& args, bool gui = false);
    // The same with `env` as the environment (start from environment()).
    Running(const ProgramCopy& copy, const QStringList& args, const QProcessEnvironment& env);
    // What a copy runs with: the system's environment without the user's
    // data directory, and for a window the offscreen display.
    static QProcessEnvironment environment(const ProgramCopy& copy, bool gui);
    ~Running();
    QProcess& process() { return process_; }
    // Everything printed so far on standard output and standard error.
    QString output();
    bool waitForOutput(const QString& text, int timeoutMs);
    // Sends SIGTERM and waits; returns the exit code, or -1 when it did not end.
    int terminate(int timeoutMs = 10000);

private:
    QProcess process_;
    QByteArray out_;
};

// For RawClient::waitFor: a message about `seat`.
inline auto seatIs(int seat) {
    return [seat](const auto& m) { return m.seat == seat; };
}

// A client speaking the protocol directly.
class RawClient {
public:
    bool connectTo(quint16 port, int timeoutMs = 5000);
    // Connects and logs in as `name`; returns the seat the host gave, or 0
    // when the login did not complete.
    int login(quint16 port, const std::string& name);
    // Sends raw bytes; tests of robustness use it for what no struct encodes.
    void send(const std::string& message);
    template <class M>
    requires requires { M::kWord; }
    void send(const M& message) { send(message.encode()); }
    // Waits for a message M for which `wanted` holds, skipping all others;
    // returns it decoded, or nothing on time-out.
    template <class M, class Pred> std::optional<M> waitFor(Pred wanted, int timeoutMs) {
        std::optional<M> found;
        const bool got = waitForMatch(
            [&](const std::string& m) {
                found = msg::decodeMessage<M>(m);
                return found && wanted(*found);
            },
            timeoutMs);
        return got ? found : std::nullopt;
    }
    // Waits for any message M.
    template <class M> std::optional<M> waitFor(int timeoutMs) {
        return waitFor<M>([](const M&) { return true; }, timeoutMs);
    }
    // Waits for exactly `expected`; false on time-out.
    template <class M> bool waitFor(const M& expected, int timeoutMs) {
        return waitFor<M>([&](const M& m) { return m == expected; }, timeoutMs).has_value();
    }
    // Waits for a message for which `wanted` holds; true when one came.
    bool waitForMatch(const std::function<bool(const std::string&)>& wanted, int timeoutMs);
    std::deque<std::string>& received() { return received_; }
    QTcpSocket& socket() { return socket_; }

private:
    void pump(int timeoutMs);
    QTcpSocket socket_;
    Framer framer_;
    std::deque<std::string> received_;
};

} // namespace dw::testing
