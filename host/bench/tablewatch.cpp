// One watching client for each of many headless hosts, for measuring how
// many tables a machine carries. On each host it logs in as the host's
// player (seat 1), starts a four-pilot game at the host's own pacing and
// leaves its seat to the computer, so that four computer pilots play; when a
// game ends it starts the next. After a warm-up it counts, during a window,
// the turns and the finished games of every table.
//
//   driftwake-tablewatch [--warmup S] [--seconds D] PORT...
//
// Prints "window start" when the window opens and "window end" when it
// closes, then the figures, among them the tables without a turn during the
// window (a game that does not progress), and "all tables progressed" when
// there was none. Then it watches on until it is stopped, so that whoever
// measures its memory may do so after the window.
#include "host/bench/benchplayer.h"
#include "protocol/messages.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace dw;

namespace {

void say(const char* format, auto... args) {
    std::printf(format, args...);
    std::fflush(stdout);
}

// The watching client of one table.
struct Table {
    bench::Player player{"Watcher"};
    long turns = 0;
    long games = 0;

    void connectTo(quint16 port) {
        // Only seat 1 may start a game.
        player.onLogin = [this] {
            if (player.seat == 1)
                startGame();
        };
        player.onMessage = [this](const std::string& m) {
            if (msg::decodeMessage<msg::NextPlayer>(m)) {
                ++turns;
            } else if (msg::decodeMessage<msg::Winner>(m)) {
                ++games;
                startGame();
            }
        };
        player.connectTo(port);
    }
    // A game with the host's default amount and distance, four pilots, all
    // of them the computer's.
    void startGame() {
        player.send(msg::StartGameRequest{"Watcher", "5000", "70", true, true}.encode());
        player.send(msg::JustWatch{player.seat, true}.encode());
    }
};

int optionValue(QStringList& args, const QString& name, int fallback) {
    const int i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int v = args[i + 1].toInt(&ok);
    args.remove(i, 2);
    return ok && v > 0 ? v : fallback;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int warmup = optionValue(args, QStringLiteral("--warmup"), 10);
    const int seconds = optionValue(args, QStringLiteral("--seconds"), 60);
    std::vector<std::unique_ptr<Table>> tables;
    for (const QString& a : args) {
        bool ok = false;
        const uint port = a.toUInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            std::fprintf(stderr,
                         "usage: driftwake-tablewatch [--warmup S] [--seconds D] PORT...\n");
            return 2;
        }
        tables.push_back(std::make_unique<Table>());
        tables.back()->connectTo(quint16(port));
    }
    if (tables.empty()) {
        std::fprintf(stderr, "usage: driftwake-tablewatch [--warmup S] [--seconds D] PORT...\n");
        return 2;
    }

    std::vector<long> turnsAtStart(tables.size()), gamesAtStart(tables.size());
    QTimer::singleShot(warmup * 1000, [&] {
        for (std::size_t i = 0; i < tables.size(); ++i) {
            turnsAtStart[i] = tables[i]->turns;
            gamesAtStart[i] = tables[i]->games;
        }
        say("window start\n");
    });
    QTimer::singleShot((warmup + seconds) * 1000, [&] {
        say("window end\n");
        std::vector<long> turns;
        long games = 0;
        int playing = 0;
        for (std::size_t i = 0; i < tables.size(); ++i) {
            turns.push_back(tables[i]->turns - turnsAtStart[i]);
            games += tables[i]->games - gamesAtStart[i];
            playing += tables[i]->player.loggedIn && tables[i]->player.seat == 1;
        }
        std::sort(turns.begin(), turns.end());
        const long stalled = std::count(turns.begin(), turns.end(), 0L);
        say("tables %zu, watched from seat 1: %d\n", tables.size(), playing);
        say("turns per table in %d s: min %ld, median %ld, max %ld; tables without a turn: %ld\n",
            seconds, turns.front(), turns[turns.size() / 2], turns.back(), stalled);
        say("games finished in %d s: %ld\n", seconds, games);
        if (playing == int(tables.size()) && stalled == 0)
            say("all tables progressed\n");
    });
    return QCoreApplication::exec();
}
