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
#include <functional>
#include <memory>
#include <vector>

using namespace dw;
using namespace dw::testing;

namespace {

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
        const auto hello = waitFor<msg::SendLoginInfo>(5000);
        if (!hello)
            return false;
        seat = hello->seat;
        socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 16 * 1024);
        send(msg::LoginInfo{seat, std::string(kVersion), name});
        return waitFor<msg::NewPlayerInfo>(10000, seatIs(seat)).has_value();
    }
    void send(const std::string& m) { socket.write(m.data(), qint64(m.size())); }
    template <class M> void send(const M& m) { send(m.encode()); }
    // Takes what arrived; framed peers keep the messages.
    void pump() {
        const QByteArray data = socket.readAll();
        if (framed)
            framer.feed(std::string_view(data.constData(), std::size_t(data.size())), in);
    }
    // Takes the first message M for which `wanted` holds; nothing on time-out.
    template <class M>
    std::optional<M> waitFor(int ms, const std::function<bool(const M&)>& wanted = {}) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            // Other messages stay for the game loop (a turn may come first).
            for (auto it = in.begin(); it != in.end(); ++it) {
                const auto m = msg::decodeMessage<M>(*it);
                if (m && (!wanted || wanted(*m))) {
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
            batch += msg::Chat{seat, "flood " + std::to_string(chatsSent++) + "|clRed"}.encode();
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
        watcher.send(msg::StartGameRequest{"Watcher", std::to_string(amount), "50", false, false});
        QVERIFY(watcher.waitFor<msg::StartGameAnnounce>(10000));
        watcher.send(msg::JustWatch{1, true});
        QVERIFY(watcher.waitFor<msg::JustWatching>(10000, [](const msg::JustWatching& m) {
            return m == msg::JustWatching{1, true};
        }));

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

        bool myTurn = false;
        long superseded = 0; // discards overtaken by the computer's play
        long refused = 0;
        auto playerTurn = [&](const std::string& m) {
            if (const auto cards = msg::decodeMessage<msg::MyCards>(m)) {
                hand.fill(0); // a deal or a login brings the whole hand
                for (const auto& [slot, card] : cards->cards)
                    if (slot >= 1 && slot <= 7)
                        hand[std::size_t(slot)] = card;
            } else if (msg::decodeMessage<msg::Invalid>(m)) {
                ++refused;
            } else if (const auto stats = msg::decodeMessage<msg::NewStats>(m)) {
                // Logged in while the game waits for this seat's play.
                myTurn = stats->turn == 2 && stats->waiting;
            } else if (const auto next = msg::decodeMessage<msg::NextPlayer>(m)) {
                if (discardPending) {
                    ++superseded;
                    discardPending = false;
                }
                if (next->seat != 2)
                    return;
                if (next->slot >= 1 && next->slot <= 7)
                    hand[std::size_t(next->slot)] = next->card;
                ++ownTurns;
                myTurn = true;
            } else if (const auto gone = msg::decodeMessage<msg::HeDiscard>(m)) {
                if (gone->seat != 2)
                    return;
                if (gone->slot >= 1 && gone->slot <= 7)
                    hand[std::size_t(gone->slot)] = 0;
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
                    player.send(msg::Discard{2, s});
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
                if (const auto chat = msg::decodeMessage<msg::Chat>(m)) {
                    if (chat->seat >= 1 && chat->seat <= 9)
                        ++heard[std::size_t(chat->seat)];
                } else if (msg::decodeMessage<msg::Winner>(m) && winner.empty()) {
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
