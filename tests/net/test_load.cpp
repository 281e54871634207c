// The headless host under a chat flood on loopback: nine connections, eight
// of them sending chat as fast as they can while a two-seat game runs. The
// host's memory must level off, every flooding connection must be heard,
// every game command must be answered and the game must reach its winner.
//
// The flood lasts DRIFTWAKE_LOAD_SECONDS (default 20, at most 300). The
// figures printed at the end (messages relayed per second, delay of the
// game commands) are for reading, not checked.
#include "tests/support/processes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {

const std::string T(1, kTerminator);

// Resident memory of a process in KiB, 0 when unknown.
long residentKiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// One connection of the test; messages are framed only when asked for.
struct Peer {
    QTcpSocket socket;
    Framer framer;
    std::deque<std::string> in;
    bool framed = false;
    int seat = 0;
    long chatsSent = 0;

    bool join(quint16 port, const std::string& name) {
        framed = true;
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (!socket.waitForConnected(5000))
            return false;
        const std::string hello = waitFor("CMD_sendlogininfo+", 5000);
        if (hello.empty())
            return false;
        seat = parseNumber(hello.substr(18)).value_or(0);
        socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 16 * 1024);
        send(buildMessage("CMD_logininfo", {seat, "1.0.1", name + T}));
        return !waitFor("CMD_newplayerinfo+" + std::to_string(seat) + "+", 10000).empty();
    }
    void send(const std::string& m) { socket.write(m.data(), qint64(m.size())); }
    // Takes what arrived; framed peers keep the messages.
    void pump() {
        const QByteArray data = socket.readAll();
        if (framed)
            framer.feed(std::string_view(data.constData(), std::size_t(data.size())), in);
    }
    std::string waitFor(const std::string& prefix, int ms) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            // Other messages stay for the game loop (a turn may come first).
            for (auto it = in.begin(); it != in.end(); ++it) {
                if (it->rfind(prefix, 0) == 0) {
                    std::string m = std::move(*it);
                    in.erase(it);
                    return m;
                }
            }
            if (clock.elapsed() > ms || socket.state() != QAbstractSocket::ConnectedState)
                return {};
            socket.waitForReadyRead(50);
            pump();
        }
    }
    // Keeps the socket's send buffer topped up with chat.
    // The socket's own buffers are kept small so that a game command is not
    // queued behind megabytes of the sender's own chat in the kernel.
    void flood() {
        if (socket.bytesToWrite() > 0)
            return;
        std::string batch;
        for (int i = 0; i < 32; ++i)
            batch +=
                buildMessage("CMD_chat", {seat, "flood " + std::to_string(chatsSent++) + "|clRed"});
        send(batch);
    }
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

} // namespace

class HostLoad : public QObject {
    Q_OBJECT

private slots:
    void aChatFloodNeitherStarvesNorStallsTheGame() {
        const int seconds =
            std::clamp(qEnvironmentVariableIntValue("DRIFTWAKE_LOAD_SECONDS"), 0, 300);
        const int floodMs = (seconds > 0 ? seconds : 20) * 1000;

        ProgramCopy copy;
        QVERIFY(copy.ok());
        const quint16 port = freePort();
        // In a sanitizer build the freed-memory quarantine would otherwise
        // count as growth of the host's memory.
        const QByteArray asan = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "quarantine_size_mb=8");
        Running host(copy,
                     {"--headless", "--port", QString::number(port), "--timer-scale", "0.01"});
        qputenv("ASAN_OPTIONS", asan);
        QVERIFY2(host.waitForOutput("listening", 20000), qPrintable(host.output()));
        const qint64 pid = host.process().processId();

        // Seat 1 starts a two-seat game and leaves its seat to the computer.
        Peer watcher;
        QVERIFY(watcher.join(port, "Watcher"));
        QCOMPARE(watcher.seat, 1);
        // A game about as long as the flood.
        const int amount = 150 * (floodMs / 1000);
        watcher.send(buildMessage("CMD_startgame", {"Watcher", amount, 50, 0, 0}, Trailing::Yes));
        QVERIFY(!watcher.waitFor("CMD_startgame+", 10000).empty());
        watcher.send(buildMessage("CMD_justwatch", {1, "1"}));
        QVERIFY(!watcher.waitFor("CMD_justwatching+1+1", 10000).empty());

        // Eight chatters; the one in seat 2 also plays its seat by
        // discarding a card on every turn.
        std::array<std::unique_ptr<Peer>, 10> peers{};
        for (int s = 2; s <= 9; ++s) {
            peers[std::size_t(s)] = std::make_unique<Peer>();
            QVERIFY2(peers[std::size_t(s)]->join(port, "Chatter" + std::to_string(s)),
                     qPrintable(host.output()));
            QCOMPARE(peers[std::size_t(s)]->seat, s);
        }
        for (int s = 3; s <= 9; ++s)
            peers[std::size_t(s)]->framed = false;
        Peer& player = *peers[2];

        std::array<int, 8> hand{};    // seat 2's cards by slot
        std::array<long, 10> heard{}; // chat relays the watcher saw, by seat
        std::vector<double> delaysMs; // discard sent -> its broadcast seen
        QElapsedTimer sinceDiscard;
        bool discardPending = false;
        long discards = 0;
        std::string winner;
        long peakKiB = 0;
        long kiBAfterWarmUp = 0;
        long ownTurns = 0;

        auto readHand = [&](std::string_view payload) {
            FieldReader r(payload, LastField::MayEnd);
            r.number();
            while (auto slot = r.number()) {
                const auto card = r.number();
                if (*slot >= 1 && *slot <= 7)
                    hand[std::size_t(*slot)] = card.value_or(0);
            }
        };
        bool myTurn = false;
        long superseded = 0; // discards overtaken by the computer's play
        long refused = 0;
        auto playerTurn = [&](const std::string& m) {
            const Command c = splitCommand(m);
            if (c.word == "CMD_mycards") {
                hand.fill(0); // a deal or a login brings the whole hand
                readHand(c.payload);
            } else if (c.word == "CMD_invalid") {
                ++refused;
            } else if (c.word == "CMD_newstats") {
                // Logged in while the game waits for this seat's play.
                FieldReader r(c.payload);
                r.number();
                const auto current = r.number();
                myTurn = current == 2 && r.number() == 1;
            } else if (c.word == "CMD_nextplayer") {
                FieldReader r(c.payload);
                const auto seat = r.number();
                const auto slot = r.number();
                const auto card = r.number();
                if (discardPending) {
                    ++superseded;
                    discardPending = false;
                }
                if (seat != 2)
                    return;
                if (slot && *slot >= 1 && *slot <= 7)
                    hand[std::size_t(*slot)] = card.value_or(0);
                ++ownTurns;
                myTurn = true;
            } else if (c.word == "CMD_hediscard") {
                FieldReader r(c.payload);
                if (r.number() != 2)
                    return;
                if (const auto slot = r.number(1, 7))
                    hand[std::size_t(*slot)] = 0;
                if (discardPending)
                    delaysMs.push_back(double(sinceDiscard.nsecsElapsed()) / 1e6);
                discardPending = false;
            }
        };
        auto play = [&] {
            if (!myTurn || discardPending)
                return;
            for (int s = 1; s <= 7; ++s) {
                if (hand[std::size_t(s)] != 0) {
                    player.send(buildMessage("CMD_discard", {2, s}, Trailing::Yes));
                    discardPending = true;
                    myTurn = false;
                    sinceDiscard.start();
                    ++discards;
                    return;
                }
            }
        };

        QElapsedTimer clock;
        clock.start();
        QElapsedTimer sampled;
        sampled.start();
        bool flooding = true;
        const int deadlineMs = floodMs + 180000;
        while (clock.elapsed() < deadlineMs && (flooding || winner.empty())) {
            if (flooding && clock.elapsed() >= floodMs)
                flooding = false;
            if (flooding)
                for (int s = 2; s <= 9; ++s)
                    peers[std::size_t(s)]->flood();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            for (int s = 2; s <= 9; ++s) {
                Peer& p = *peers[std::size_t(s)];
                p.pump();
                while (!p.in.empty()) {
                    if (s == 2)
                        playerTurn(p.in.front());
                    p.in.pop_front();
                }
            }
            play();
            watcher.pump();
            while (!watcher.in.empty()) {
                const std::string& m = watcher.in.front();
                if (m.rfind("CMD_chat+", 0) == 0) {
                    const auto seat = FieldReader(m.substr(9)).number(1, 9);
                    if (seat)
                        ++heard[std::size_t(*seat)];
                } else if (m.rfind("CMD_winner+", 0) == 0 && winner.empty()) {
                    winner = m;
                }
                watcher.in.pop_front();
            }
            if (sampled.elapsed() >= 250) {
                sampled.restart();
                const long kib = residentKiB(pid);
                peakKiB = std::max(peakKiB, kib);
                if (kiBAfterWarmUp == 0 && clock.elapsed() >= std::min(5000, floodMs / 2))
                    kiBAfterWarmUp = kib;
            }
            QVERIFY2(host.process().state() == QProcess::Running, qPrintable(host.output()));
        }
        const double elapsedS = double(floodMs) / 1000.0;

        long chatsSent = 0;
        long relayed = 0;
        long least = -1;
        long most = 0;
        for (int s = 2; s <= 9; ++s) {
            chatsSent += peers[std::size_t(s)]->chatsSent;
            relayed += heard[std::size_t(s)];
            least = least < 0 ? heard[std::size_t(s)] : std::min(least, heard[std::size_t(s)]);
            most = std::max(most, heard[std::size_t(s)]);
        }
        qInfo("flood %.0f s: %ld chats sent, %ld relayed to seat 1 (%.0f per second), "
              "fewest/most per seat %ld/%ld",
              elapsedS, chatsSent, relayed, double(relayed) / elapsedS, least, most);
        qInfo("seat 2: %ld turns, %ld discards (%ld overtaken); delay of a discard p50 %.1f ms, "
              "p99 %.1f ms, "
              "max %.1f ms",
              ownTurns, discards, superseded, percentile(delaysMs, 0.5), percentile(delaysMs, 0.99),
              percentile(delaysMs, 1.0));
        qInfo("host memory: %ld KiB after warm-up, peak %ld KiB", kiBAfterWarmUp, peakKiB);

        // The game ran to its end and every play was answered.
        QVERIFY2(!winner.empty(), qPrintable(host.output().right(2000)));
        QVERIFY(discards > 0);
        QVERIFY(!discardPending);
        QCOMPARE(refused, 0L);
        // Only the turn taken over at login may overtake a discard.
        QVERIFY2(superseded <= 1, qPrintable(QString::number(superseded)));
        QCOMPARE(long(delaysMs.size()) + superseded, discards);
        // Nobody was starved: each flooder got a fair share through.
        QVERIFY2(least > 0 && least * 4 >= most, qPrintable(QString::number(least)));
        // Memory levels off instead of growing with the backlog.
        if (peakKiB > 0) {
            QVERIFY2(peakKiB < 256 * 1024, qPrintable(QString::number(peakKiB)));
            QVERIFY2(peakKiB - kiBAfterWarmUp < 64 * 1024, qPrintable(QString::number(peakKiB)));
        }
        QCOMPARE(host.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(HostLoad)
#include "test_load.moc"
