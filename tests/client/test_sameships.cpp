// The board's ships are the engine's: a board fed every message of whole
// games played by the computer holds, after each step of the game, the very
// ships the engine holds, and a board that joins in the middle of a round
// rebuilds them from the snapshot and the piles message.
#include "boardtest.h"

#include "engine/engine.h"
#include "engine/virtualclock.h"
#include "host/enginewire.h"

#include <ostream>

namespace dw {

void PrintTo(const Ship& s, std::ostream* os) {
    *os << "{undocked " << s.undocked << ", distance " << s.distance << ", hazard " << s.hazard
        << ", repaired " << s.repaired << ", teleported " << s.teleported << ", protections "
        << s.protections[1] << s.protections[2] << s.protections[3] << s.protections[4]
        << ", stillMoving " << s.stillMoving << ", safeTrip " << s.safeTrip << ", piles "
        << s.speedPile << "/" << s.goPile << "/" << s.milePile << "}";
}

namespace test {
namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// The engine's timers on a virtual clock, and what entry 5 (a spectator)
// would be sent, handed straight to a board.
class BoardWire : public VirtualHost, public EngineWire {
public:
    explicit BoardWire(BoardModel& board) : board_(board) {}

private:
    void deliver(std::string message) {
        while (!message.empty() && message.back() == kTerminator)
            message.pop_back();
        const Command c = splitCommand(message);
        board_.handleCommand(c.word, c.payload);
    }
    void sendTo(int entry, const std::string& message) override {
        if (entry == 5)
            deliver(message);
    }
    void sendAll(const std::string& message) override { deliver(message); }

    BoardModel& board_;
};

// What a newcomer can know of a ship: all but whether it may still play and
// whether its trip is still safe, which no message tells.
Ship told(Ship s) {
    s.stillMoving = false;
    s.safeTrip = false;
    return s;
}

void playGames(std::uint32_t seed, bool seat3, bool seat4) {
    RecordingEvents events;
    BoardModel board(events, [](int) { return 0; });
    board.loginAsked({5});
    BoardWire wire(board);
    Engine engine(wire, wire, seed);
    wire.attach(engine);

    auto same = [&](int step) {
        for (int n = 1; n <= kSeats; ++n)
            ASSERT_EQ(board.state().ships[ix(n)], engine.players[ix(n)].ship)
                << "seat " << n << " after step " << step;
    };
    auto joinNow = [&](int step) {
        RecordingEvents joinerEvents;
        BoardModel joiner(joinerEvents);
        joiner.loginAsked({6});
        const auto stats = msg::decodeMessage<msg::NewStats>(newstatsMessage(engine, 6));
        const auto piles = msg::decodeMessage<msg::ShipCards>(shipCardsMessage(engine));
        ASSERT_TRUE(stats && piles);
        joiner.tableSnapshot(*stats);
        joiner.pilesShown(*piles);
        for (int n = 1; n <= kSeats; ++n) {
            const PlayerEntry& p = engine.players[ix(n)];
            // A seat out of the game shows nothing.
            const Ship expected = p.active ? told(p.ship) : Ship{};
            ASSERT_EQ(told(joiner.state().ships[ix(n)]), expected)
                << "seat " << n << " joined at step " << step;
        }
    };

    for (int game = 0; game < 3; ++game) {
        engine.startGame({"Host", 5000, 70, seat3, seat4});
        same(0);
        int step = 0;
        while (engine.gameInProgress && wire.step() && step < 100000) {
            ++step;
            same(step);
            if (step % 50 == 0 && engine.gameInProgress)
                joinNow(step);
            if (testing::Test::HasFatalFailure())
                return;
        }
        ASSERT_FALSE(engine.gameInProgress);
    }
}

TEST(SameShips, TheBoardsShipsAreTheEnginesThroughWholeGames) {
    playGames(7, true, true);
    playGames(11, true, false);
    playGames(23, false, false);
}

} // namespace
} // namespace test
} // namespace dw
