// How fast the host answers a play, idle and under a chat flood, and whether
// a chat burst comes through whole. Everything runs on loopback in three
// processes: a headless host, the chatters, and the two measured players.
// Prints figures and the machine's load, and first the round trip to a
// process that only echoes, which shows how much of a delay the machine
// itself adds (a busy machine keeps processes waiting for a core); exits
// with 1 when a figure misses its goal.
//
//   driftwake-netbench [--seconds N] [--chatters N] [--rate PER_SECOND] [--burst N]
//   driftwake-netbench --connect HOST:PORT [--connect HOST:PORT] [--seconds N] [--burst N]
//
// With --connect the two measured players join a host that runs already
// (seat 1 the first address, seat 2 the second, or the same one): for
// example through two relayed streams of the lobby, to compare with a direct
// connection to the same kind of host. The chat load is left out then.
//
// Seat 1 plays: on each of its turns it discards at once, and the time from
// that write to seat 2 receiving the discard's broadcast is one sample. Seat 2
// leaves its seat to the computer. The chatters take seats 3 and up (out of
// the game) and each sends --rate chat messages a second during the loaded
// phase; the host relays every one of them to every connection. Last, seat 2
// sends --burst chat messages in one write followed by an ordinary message,
// and seat 1 checks that all arrive, in order.
#include "host/bench/benchplayer.h"
#include "host/hostserver.h"
#include "protocol/lanwire.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace dw;
using dw::bench::Player;

namespace {

void say(const char* format, auto... args) {
    std::printf(format, args...);
    std::fflush(stdout);
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
bool runUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    // Sleeps until something happens; the timer only bounds the wait.
    QTimer wake;
    wake.start(5);
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

int optionValue(const QStringList& args, const QString& name, int fallback) {
    const int i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int v = args[i + 1].toInt(&ok);
    return ok && v > 0 ? v : fallback;
}

// --role host: a headless host on a free port, which it prints.
int runHost() {
    HostServer server([] { return 750; }, 12345);
    // Turns follow each other every 10 ms and the computer plays in 7.5 ms,
    // so that the measured seat gets many turns.
    server.setTimerScale(0.01);
    server.setHeadless(true);
    QString error;
    if (!server.listen(0, &error)) {
        say("error %s\n", qPrintable(error));
        return 1;
    }
    say("port %d\n", int(server.port()));
    return QCoreApplication::exec();
}

// --role chatters: logs in N connections, says "ready", then sends chat at
// the given rate per connection between the lines "go" and "stop" on its
// standard input, reading (and discarding) everything the host relays.
int runChatters(quint16 port, int count, int rate) {
    std::vector<std::unique_ptr<Player>> chatters;
    for (int i = 0; i < count; ++i) {
        chatters.push_back(std::make_unique<Player>("Chatter" + std::to_string(i + 1)));
        chatters.back()->connectTo(port);
    }
    const bool ready = runUntil(
        [&] {
            return std::all_of(chatters.begin(), chatters.end(),
                               [](const auto& c) { return c->loggedIn; });
        },
        30000);
    if (!ready) {
        say("error chatters could not log in\n");
        return 1;
    }
    say("ready\n");

    QElapsedTimer clock;
    long sent = 0;
    bool sending = false;
    QTimer pace;
    pace.setInterval(2);
    QObject::connect(&pace, &QTimer::timeout, [&] {
        // As many as are due by now, so that timer jitter does not lower
        // the rate.
        const long due = long(double(clock.nsecsElapsed()) / 1e9 * rate);
        for (const auto& c : chatters) {
            std::string batch;
            for (long n = sent; n < due; ++n)
                batch += msg::Chat{c->seat, "chatter line " + std::to_string(n) +
                                                " with some words in it|clAqua"}
                             .encode();
            if (!batch.empty())
                c->send(batch);
        }
        sent = std::max(sent, due);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[64];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        const std::string text(line, std::size_t(n));
        if (text.find("go") != std::string::npos && !sending) {
            sending = true;
            clock.start();
            pace.start();
        }
        if (text.find("stop") != std::string::npos && sending) {
            sending = false;
            pace.stop();
            say("sent %ld per connection\n", sent);
        }
    });
    return QCoreApplication::exec();
}

// --role echo: sends back whatever arrives, at once: the floor that the
// machine itself puts under any round trip between two processes.
int runEcho() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        say("error %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
                s->write(s->readAll());
                s->flush();
            });
        }
    });
    say("port %d\n", int(server.serverPort()));
    return QCoreApplication::exec();
}

struct Phase {
    const char* name;
    std::vector<double> samplesMs;
};

// Starts this program in another role and reads the port it prints.
quint16 startRole(QProcess& process, const QString& role) {
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--role"), role});
    if (!process.waitForReadyRead(20000))
        return 0;
    const QByteArray hello = process.readLine().trimmed();
    if (!hello.startsWith("port ")) {
        say("the %s said: %s\n", qPrintable(role), hello.constData());
        return 0;
    }
    return quint16(hello.mid(5).toInt());
}

// Round trips of a small message through the echo process, one every 30 ms.
Phase measureFloor(quint16 port, int ms) {
    Phase floor{"loopback floor", {}};
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return floor;
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QElapsedTimer clock;
    clock.start();
    qint64 sentAt = 0;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        socket.readAll();
        floor.samplesMs.push_back(double(clock.nsecsElapsed() - sentAt) / 1e6);
    });
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, [&] {
        sentAt = clock.nsecsElapsed();
        socket.write("ping", 4);
        socket.flush();
    });
    pace.start(30);
    runUntil([] { return false; }, ms);
    return floor;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString role = args.indexOf(QStringLiteral("--role")) >= 0
                             ? args.value(args.indexOf(QStringLiteral("--role")) + 1)
                             : QString();
    const int seconds = optionValue(args, QStringLiteral("--seconds"), 20);
    const int chatterCount = std::min(7, optionValue(args, QStringLiteral("--chatters"), 7));
    const int rate = optionValue(args, QStringLiteral("--rate"), 200);
    const int burst = optionValue(args, QStringLiteral("--burst"), 2000);
    if (role == QStringLiteral("host"))
        return runHost();
    if (role == QStringLiteral("echo"))
        return runEcho();
    if (role == QStringLiteral("chatters"))
        return runChatters(quint16(optionValue(args, QStringLiteral("--port"), 0)), chatterCount,
                           rate);
    // --connect: seat 1 joins the first address, seat 2 the second (or the
    // first again).
    std::vector<HostPort> targets;
    for (qsizetype i = args.indexOf(QStringLiteral("--connect")); i >= 0;
         i = args.indexOf(QStringLiteral("--connect"), i + 1)) {
        const auto where = parseHostPort(args.value(i + 1).toStdString(), 0);
        if (!where || where->port == 0) {
            say("--connect needs HOST:PORT\n");
            return 2;
        }
        targets.push_back(*where);
    }
    const bool external = !targets.empty();

    say("machine: %d cores, load average %s\n", QThread::idealThreadCount(),
        qPrintable(loadAverage()));

    QProcess host;
    const quint16 port = external ? 0 : startRole(host, QStringLiteral("host"));
    if (!external && port == 0)
        return 2;
    if (!external)
        targets = {HostPort{"127.0.0.1", port}};
    const HostPort& first = targets.front();
    const HostPort& second = targets.size() > 1 ? targets[1] : targets.front();

    // Seat 1 plays and measures; seat 2 receives and leaves its seat to the
    // computer.
    Player a("Player");
    Player b("Receiver");
    a.connectTo(quint16(first.port), QString::fromStdString(first.host));
    if (!runUntil([&] { return a.loggedIn; }, 10000)) {
        say("seat 1 could not log in at %s\n", formatHostPort(first.host, first.port).c_str());
        return 2;
    }
    b.connectTo(quint16(second.port), QString::fromStdString(second.host));
    if (!runUntil([&] { return b.loggedIn; }, 10000)) {
        say("seat 2 could not log in at %s\n", formatHostPort(second.host, second.port).c_str());
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 sentAt = 0;
    bool pending = false;
    Phase* phase = nullptr;
    long games = 0;
    // The burst as seat 1 sees it.
    int burstNext = 0;
    bool burstOrdered = true;
    bool burstEnded = false;

    const std::string start =
        msg::StartGameRequest{"Player", "100000000", "70", false, false}.encode();
    a.onMessage = [&](const std::string& m) {
        if (const auto next = msg::decodeMessage<msg::NextPlayer>(m)) {
            if (next->seat != a.seat)
                return;
            pending = true;
            sentAt = clock.nsecsElapsed();
            a.send(msg::Discard{a.seat, next->slot > 0 ? next->slot : 1}.encode());
        } else if (msg::decodeMessage<msg::Winner>(m)) {
            a.send(start);
        } else if (const auto line = msg::decodeMessage<msg::Chat>(m);
                   line && line->seat == b.seat) {
            const std::string expected = "Receiver chats: b" + std::to_string(burstNext) + "|";
            burstOrdered = burstOrdered && line->line.rfind(expected, 0) == 0;
            ++burstNext;
        } else if (const auto watching = msg::decodeMessage<msg::JustWatching>(m);
                   watching && watching->seat == b.seat && watching->watching && burstNext > 0) {
            burstEnded = true;
        }
    };
    b.onMessage = [&](const std::string& m) {
        if (const auto discarded = msg::decodeMessage<msg::HeDiscard>(m);
            discarded && discarded->seat == a.seat && pending) {
            pending = false;
            if (phase)
                phase->samplesMs.push_back(double(clock.nsecsElapsed() - sentAt) / 1e6);
        } else if (msg::decodeMessage<msg::StartGameAnnounce>(m)) {
            ++games;
            b.send(msg::JustWatch{b.seat, true}.encode());
        }
    };
    a.send(start);
    if (!runUntil([&] { return games > 0; }, 10000))
        return 2;

    QProcess chatters;
    if (!external) {
        chatters.start(app.applicationFilePath(),
                       {QStringLiteral("--role"), QStringLiteral("chatters"),
                        QStringLiteral("--port"), QString::number(port),
                        QStringLiteral("--chatters"), QString::number(chatterCount),
                        QStringLiteral("--rate"), QString::number(rate)});
        if (!runUntil([&] { return chatters.canReadLine(); }, 30000) ||
            !chatters.readLine().startsWith("ready")) {
            say("the chatters did not log in\n");
            return 2;
        }
    }

    Phase idle{"idle host", {}};
    Phase loaded{"under chat load", {}};
    Phase bursting{"during the burst", {}};
    auto measure = [&](Phase& p, int ms) {
        phase = &p;
        runUntil([] { return false; }, ms);
        phase = nullptr;
    };

    say("idle: %d s of plays, %d other connections silent\n", seconds, external ? 0 : chatterCount);
    measure(idle, seconds * 1000);

    QByteArray chatterReport;
    if (!external) {
        say("loaded: %d s, %d connections each sending %d chat messages a second\n", seconds,
            chatterCount, rate);
        chatters.write("go\n");
        runUntil([] { return false; }, 500); // the flood settles
        measure(loaded, seconds * 1000);
        chatters.write("stop\n");
        runUntil([&] { return chatters.canReadLine(); }, 5000);
        chatterReport = chatters.readLine().trimmed();
        runUntil([] { return false; }, 500); // the last relays drain
    }

    say("burst: seat 2 sends %d chat messages in one write\n", burst);
    std::string bytes;
    for (int i = 0; i < burst; ++i)
        bytes += msg::Chat{b.seat, "b" + std::to_string(i) + "|clRed"}.encode();
    bytes += msg::JustWatch{b.seat, true}.encode();
    QElapsedTimer burstClock;
    burstClock.start();
    phase = &bursting;
    b.send(bytes);
    const bool burstDone = runUntil([&] { return burstEnded; }, 60000);
    const double burstMs = double(burstClock.nsecsElapsed()) / 1e6;
    phase = nullptr;

    if (!external) {
        chatters.closeWriteChannel();
        chatters.waitForFinished(5000);
        host.terminate();
        host.waitForFinished(5000);
    }

    // Last, so that a host that closes connections which do not log in soon
    // (a relayed stream's too) is not kept waiting.
    QProcess echo;
    const quint16 echoPort = startRole(echo, QStringLiteral("echo"));
    if (echoPort == 0)
        return 2;
    say("floor: %d s of round trips to a process that only echoes\n", seconds);
    const Phase floor = measureFloor(echoPort, seconds * 1000);
    echo.terminate();
    echo.waitForFinished(5000);

    bool ok = true;
    auto report = [&](const Phase& p, double goalMs) {
        const double p99 = percentile(p.samplesMs, 0.99);
        const bool met = goalMs <= 0 || (!p.samplesMs.empty() && p99 <= goalMs);
        ok = ok && met;
        say("%-17s %5zu samples  p50 %6.2f  p90 %6.2f  p99 %6.2f  max %6.2f ms", p.name,
            p.samplesMs.size(), percentile(p.samplesMs, 0.5), percentile(p.samplesMs, 0.9), p99,
            percentile(p.samplesMs, 1.0));
        if (goalMs > 0)
            say("  (goal p99 <= %.0f ms: %s)\n", goalMs, met ? "met" : "MISSED");
        else
            say("\n");
    };
    say("\nround trip to an echo process (no game; the machine's own floor):\n");
    report(floor, 0);
    say("play sent by seat 1 to its broadcast reaching seat 2:\n");
    // The goals are for a host of this machine reached directly; through
    // --connect the figures are for comparing.
    report(idle, external ? 0 : 3);
    if (!external) {
        report(loaded, 15);
        report(bursting, 0);
        say("chatters: %s\n", chatterReport.isEmpty() ? "no report" : chatterReport.constData());
    }
    const bool burstOk = burstDone && burstOrdered && burstNext == burst;
    ok = ok && burstOk;
    say("burst of %d: %d relayed, %s, ordinary message after it %s, %.0f ms  (%s)\n", burst,
        burstNext, burstOrdered ? "in order" : "OUT OF ORDER", burstEnded ? "arrived" : "MISSING",
        burstMs, burstOk ? "met" : "MISSED");
    say("load average at the end %s\n", qPrintable(loadAverage()));
    return ok ? 0 : 1;
}
