// Whole seeded bot games: every game ends properly and the table stays
// consistent after every timer event.
#include "enginetest.h"

#include <array>

namespace dw::test {
namespace {

struct GameCheck {
    Table t;
    std::array<long long, 5> scoreSums{};
    std::array<int, kNumCardCodes> removed{}; // cards played or discarded this round
    std::size_t seen = 0;                     // spectator messages read so far
    int rounds = 0;

    void readMessages() {
        const auto& m = t.to(5);
        for (; seen < m.size(); ++seen) {
            const std::string& text = m[seen];
            if (msg::decodeMessage<msg::StartingRound>(text)) {
                removed.fill(0);
                ++rounds;
                // Every ship starts the round afresh, whether its seat plays or not.
                for (int st = 1; st <= kSeats; ++st) {
                    const Ship& p = t.engine.players[ix(st)].ship;
                    EXPECT_TRUE(!p.undocked && !p.teleported && p.distance == 0 && p.hazard == 0 &&
                                p.repaired == 0 && p.stillMoving && p.safeTrip &&
                                p.protections == decltype(p.protections){})
                        << "seat " << st;
                }
            } else if (const auto go = msg::decodeMessage<msg::PlacingGo>(text)) {
                ++removed[ix(go->card)];
            } else if (const auto safe = msg::decodeMessage<msg::PlaySafe>(text)) {
                ++removed[ix(safe->card)];
            } else if (const auto speed = msg::decodeMessage<msg::PlacingSpeed>(text)) {
                ++removed[ix(speed->card)];
            } else if (const auto travel = msg::decodeMessage<msg::Traveling>(text)) {
                ++removed[ix(travel->card)];
                EXPECT_EQ(travel->added, cardInfo(travel->card).lightyears);
            } else if (const auto dropped = msg::decodeMessage<msg::HeDiscard>(text)) {
                ASSERT_NE(dropped->card, kNoCard);
                ++removed[ix(dropped->card)];
            } else if (const auto scores = msg::decodeMessage<msg::PostScores>(text)) {
                for (const msg::SeatScore& sc : scores->seats) {
                    scoreSums[ix(sc.seat)] += sc.round;
                    EXPECT_EQ(sc.total, scoreSums[ix(sc.seat)]) << "total of seat " << sc.seat;
                    EXPECT_EQ(sc.round,
                              sc.travel + sc.trip + sc.safe + sc.protections + sc.shutout);
                }
            }
        }
    }

    // The first broken rule of the table, or nothing. Plain checks: this runs
    // after every timer event of thousands of games.
    const char* brokenRule(bool counting) const {
        const Engine& e = t.engine;
        if (e.currentSeat < 0 || e.currentSeat > kSeats)
            return "currentSeat out of range";
        std::array<int, kNumCardCodes> held{};
        for (int k = 1; k <= kDeckSize; ++k)
            ++held[ix(e.deck[ix(k)])];
        for (int s = 1; s <= kSeats; ++s) {
            const PlayerEntry& p = e.players[ix(s)];
            int cards = 0;
            for (int slot = 1; slot <= kSlots; ++slot) {
                const int c = p.cards[ix(slot)];
                if (c < 0 || c >= kNumCardCodes)
                    return "card code out of range";
                if (c != kNoCard && p.active) {
                    ++cards;
                    ++held[ix(c)];
                }
            }
            if (p.ship.hazard != 0 && p.ship.hazard != kSkyjack && p.ship.hazard != kDamage &&
                p.ship.hazard != kPowerDrain)
                return "unknown hazard";
            if (p.ship.undocked && p.ship.hazard != 0)
                return "undocked ship with a hazard";
            if (p.ship.repaired != 0 && p.ship.undocked)
                return "undocked ship still marked repaired";
            if (p.ship.distance < 0 || p.ship.distance % 2500 != 0)
                return "distance not made of lightyear cards";
            if (!p.active && (p.ship.undocked || p.ship.distance != 0 || p.ship.hazard != 0))
                return "a seat out of the game moved";
            if (s == e.currentSeat && e.pendingAction() == TimerAction::None &&
                e.deckPos <= kDeckSize && cards != kSlots)
                return "a turn began without a full hand";
        }
        if (counting && rounds > 0)
            for (int c = 1; c < kNumCardCodes; ++c)
                if (held[ix(c)] + removed[ix(c)] != kCards[ix(c)].copies)
                    return "cards not conserved";
        return nullptr;
    }

    // Plays one game to its end, checking after every timer event.
    void play(std::uint32_t seed, int seats, bool spectator) {
        t.engine.random().setSeed(seed);
        t.host.setRecording(spectator);
        if (spectator)
            t.connect({5});
        t.engine.startGame({"Sim", 5000, 70, seats >= 3, seats >= 4});
        if (spectator) {
            ASSERT_NO_FATAL_FAILURE(readMessages());
        }
        long steps = 0;
        while (t.engine.gameInProgress) {
            ASSERT_TRUE(t.host.step()) << "the game stalled, seed " << seed;
            ASSERT_LT(++steps, 200000) << "the game never ends, seed " << seed;
            if (spectator) {
                ASSERT_NO_FATAL_FAILURE(readMessages());
            }
            const char* broken = brokenRule(spectator);
            ASSERT_EQ(broken, nullptr) << broken << ", seed " << seed << ", step " << steps;
        }
        ASSERT_TRUE(t.host.diagnostics.empty()) << t.host.diagnostics.front();
        const int w = t.engine.winner();
        ASSERT_GE(w, 1);
        ASSERT_LE(w, seats);
        EXPECT_GE(t.engine.players[ix(w)].total, t.engine.amountToEarn);
        for (int s = 1; s <= kSeats; ++s)
            if (s != w) {
                EXPECT_LT(t.engine.players[ix(s)].total, t.engine.players[ix(w)].total);
            }
        if (spectator) {
            const auto& m = t.to(5);
            EXPECT_EQ(m.back(), (msg::Winner{t.engine.players[ix(w)].botName, w}.encode()));
            for (int s = 1; s <= seats; ++s)
                EXPECT_EQ(scoreSums[ix(s)], t.engine.players[ix(s)].total);
        }
        EXPECT_FALSE(t.host.armed(EngineTimer::Pause));
        EXPECT_FALSE(t.host.armed(EngineTimer::Computer));
    }
};

TEST(SeededGames, WatchedGamesKeepScoreAndCards) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        GameCheck g;
        ASSERT_NO_FATAL_FAILURE(g.play(seed * 7919u, 2 + static_cast<int>(seed % 3), true));
    }
}

TEST(SeededGames, BotOnlyGamesEndWithAWinner) {
    // One engine plays game after game, as the simulator does.
    GameCheck g;
    std::array<int, 5> wins{};
    for (std::uint32_t n = 0; n < 2000; ++n) {
        ASSERT_NO_FATAL_FAILURE(g.play(n * 2654435761u + 17u, 2 + static_cast<int>(n % 3), false));
        ++wins[ix(g.t.engine.winner())];
    }
    for (int s = 1; s <= 4; ++s)
        EXPECT_GT(wins[ix(s)], 0) << "seat " << s << " never wins";
}

TEST(SeededGames, SameSeedSameGame) {
    GameCheck a, b;
    a.play(4242, 4, true);
    b.play(4242, 4, true);
    EXPECT_EQ(a.t.to(5), b.t.to(5));
    EXPECT_EQ(a.t.host.now(), b.t.host.now());
}

} // namespace
} // namespace dw::test
