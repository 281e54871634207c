// Starting games and rounds, the turn order, scoring and the winner.
#include "enginetest.h"

#include <climits>

namespace dw::test {
namespace {

TEST(StartGame, AnnouncesDealsAndStartsTheFirstTurn) {
    Table t;
    t.connect({1, 6});
    t.seat(1).total = 900;
    t.seat(2).justwatching = true;
    t.engine.startgame("Ann+6000+50+0+0+");
    EXPECT_TRUE(t.engine.gameinprogress);
    EXPECT_EQ(t.engine.playto, 6000);
    EXPECT_EQ(t.engine.tripdistance, 50000);
    EXPECT_EQ(t.seat(1).total, 0);
    EXPECT_FALSE(t.seat(2).justwatching);
    EXPECT_TRUE(t.seat(1).active && t.seat(2).active);
    EXPECT_FALSE(t.seat(3).active || t.seat(4).active);
    EXPECT_EQ(t.engine.deckpos, 13); // 12 dealt, one drawn
    const auto& m = t.to(6);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], msg("CMD_startgame", {"Ann", 6000, 50000, "f", "f"}));
    EXPECT_EQ(m[1], msg("CMD_startinground", {}));
    EXPECT_EQ(m[2].rfind("CMD_nextplayer+", 0), 0u);
    EXPECT_EQ(t.to(1)[1], m[1]);
    EXPECT_EQ(t.to(1)[2].rfind("CMD_mycards+1+1+", 0), 0u);
    EXPECT_EQ(t.engine.stats().rounds, 1);
}

TEST(StartGame, SeatChoicesAndFallbacks) {
    Table t;
    t.connect({1, 3});
    t.engine.startgame("Bo+lots+far+0+0+"); // a connected seat 3 plays anyway
    EXPECT_EQ(t.engine.playto, 5000);
    EXPECT_EQ(t.engine.tripdistance, 70000);
    EXPECT_TRUE(t.seat(3).active);
    EXPECT_FALSE(t.seat(4).active);
    EXPECT_EQ(t.to(1)[0], msg("CMD_startgame", {"Bo", 5000, 70000, "t", "f"}));

    t.engine.startgame("Bo+-5+7.5+1+1+");
    EXPECT_EQ(t.engine.playto, 5000);
    EXPECT_EQ(t.engine.tripdistance, 70000);
    EXPECT_TRUE(t.seat(4).active);

    // A distance too large for lightyears does not overflow.
    t.engine.startgame("Bo+2147483647+99999999+1+1+");
    EXPECT_EQ(t.engine.playto, INT_MAX);
    EXPECT_EQ(t.engine.tripdistance, INT_MAX / 1000 * 1000);

    // Missing fields: both fallbacks, every seat plays.
    t.engine.startgame("Bo+");
    EXPECT_EQ(t.engine.playto, 5000);
    EXPECT_TRUE(t.seat(3).active && t.seat(4).active);
}

TEST(StartGame, FirstTurnWrapsOverInactiveSeats) {
    const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 1}, {3, 1}};
    for (auto [start, expected] : cases) {
        Table t;
        t.startAt(1, false, false);
        t.engine.currentplayer = start;
        t.engine.findplayer();
        EXPECT_EQ(t.engine.currentplayer, expected) << "start " << start;
    }
}

TEST(StartGame, StartingOverARunningGame) {
    Table t;
    t.startAt(2);
    t.seat(2).total = 4000;
    t.host.startTimer(EngineTimer::Computer, 750);
    t.engine.startgame("Host+5000+70+1+1+");
    EXPECT_EQ(t.seat(2).total, 0);
    EXPECT_EQ(t.engine.timer1action(), kActionNone);
    EXPECT_EQ(t.engine.stats().turns, 1);
}

struct ScoreCase {
    const char* what;
    bool seat3, seat4;
    int distance1, distance2;
    bool safe1;
    int shields1;
    std::vector<int> expected; // finisher, then seat 1's group
};

TEST(Scoring, RoundScores) {
    const ScoreCase cases[] = {
        {"two-seat finisher",
         false,
         false,
         70000,
         30000,
         true,
         1,
         {1, 1, 2000, 2000, 700, 400, 300, 100, 500}},
        {"shut out through an inactive seat",
         true,
         false,
         72500,
         2500,
         false,
         0,
         {1, 1, 1625, 1625, 725, 400, 0, 0, 500}},
        {"no shut out when all four travelled",
         true,
         true,
         70000,
         5000,
         false,
         4,
         {1, 1, 2200, 2200, 700, 400, 0, 1100, 0}},
        {"nobody finished", false, false, 65000, 0, true, 2, {0, 1, 850, 850, 650, 0, 0, 200, 0}},
    };
    for (const ScoreCase& c : cases) {
        SCOPED_TRACE(c.what);
        Table t;
        t.startAt(1, c.seat3, c.seat4);
        t.connect({1});
        t.seat(1).distance = c.distance1;
        t.seat(1).safetrip = c.safe1;
        for (int i = 1; i <= c.shields1; ++i)
            t.seat(1).protections[ix(i)] = 1;
        t.seat(2).distance = c.distance2;
        t.seat(3).distance = c.seat3 ? 5000 : 0;
        t.seat(4).distance = c.seat4 ? 5000 : 0;
        t.engine.getscores();
        ASSERT_EQ(t.to(1).size(), 1u);
        const std::string& m = t.to(1)[0];
        const std::string_view body(m.data(), m.size() - 1); // without the terminator
        FieldReader r(splitCommand(body).payload, LastField::MayEnd);
        std::vector<int> got;
        while (auto n = r.number())
            got.push_back(*n);
        const int active = 2 + c.seat3 + c.seat4;
        ASSERT_EQ(got.size(), 1u + 8u * static_cast<std::size_t>(active));
        EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 9), c.expected);
        EXPECT_EQ(got[9], 2); // seat 2's group follows, inactive seats are left out
        EXPECT_EQ(t.seat(1).total, c.expected[2]);
        EXPECT_EQ(t.seat(1).roundscore, c.expected[2]);
    }
}

TEST(Scoring, TotalsAccumulateAndSaturate) {
    Table t;
    t.startAt(1, false, false);
    t.seat(1).distance = 10000;
    t.seat(1).total = 250;
    t.engine.getscores();
    EXPECT_EQ(t.seat(1).total, 350);
    t.seat(1).total = INT_MAX - 50;
    t.engine.getscores();
    EXPECT_EQ(t.seat(1).total, INT_MAX);
}

struct WinCase {
    std::array<int, 5> totals;
    int winner; // 0: the game goes on
};

TEST(Winner, TiesAndLeaders) {
    const WinCase cases[] = {
        {{0, 5500, 5500, 0, 0}, 0},       {{0, 6000, 5200, 0, 0}, 1},    {{0, 5200, 6000, 0, 0}, 2},
        {{0, 7000, 6000, 6000, 0}, 1},    {{0, 5100, 6000, 6000, 0}, 0}, {{0, 4999, 4000, 0, 0}, 0},
        {{0, 5000, 4999, 4999, 4999}, 1}, {{0, 100, 200, 300, 5000}, 4},
    };
    for (const WinCase& c : cases) {
        Table t;
        t.startAt(1);
        t.connect({1});
        t.seat(1).name = "Ann";
        for (int s = 1; s <= 4; ++s)
            t.seat(s).total = c.totals[ix(s)];
        t.engine.endround(); // scores an empty round: totals unchanged
        EXPECT_EQ(t.engine.timer1action(), kActionStartRound);
        EXPECT_EQ(t.engine.timer1count, c.winner ? 10 : 15) << "winner " << c.winner;
        EXPECT_EQ(t.host.interval(EngineTimer::Timer1), 750);
        t.host.clearMessages();
        t.host.advance(750 * (c.winner ? 10 : 15));
        EXPECT_EQ(t.engine.gameinprogress, c.winner == 0);
        EXPECT_EQ(t.engine.winner(), c.winner);
        if (c.winner) {
            const std::string name = c.winner == 1 ? "Ann" : t.seat(c.winner).botname;
            EXPECT_EQ(t.to(1), std::vector<std::string>{msg("CMD_winner", {name, c.winner})});
            EXPECT_FALSE(t.host.armed(EngineTimer::Timer1));
            EXPECT_FALSE(t.host.armed(EngineTimer::Computer));
        } else {
            EXPECT_EQ(t.to(1)[0], msg("CMD_startinground", {}));
        }
    }
}

TEST(Winner, BotNames) {
    Table t;
    EXPECT_EQ(t.seat(1).botname, "");
    EXPECT_EQ(t.seat(2).botname, "Klot");
    EXPECT_EQ(t.seat(3).botname, "Klock");
    EXPECT_EQ(t.seat(4).botname, "Kling");
    EXPECT_EQ(t.engine.maxseats, 4);
}

TEST(CanMove, Clauses) {
    struct Case {
        const char* what;
        int card;
        bool undocked, teleported;
        int hazard;
        bool expected;
    };
    const Case cases[] = {
        {"shield always", kDamageShield, false, false, kDamage, true},
        {"2500 undocked", kLy2500, true, true, 0, true},
        {"7500 undocked teleported", kLy7500, true, true, 0, false},
        {"10000 undocked", kLy10000, true, false, 0, true},
        {"lightyears docked", kLy2500, false, false, 0, false},
        {"undock docked", kUndock, false, false, 0, true},
        {"undock with hazard", kUndock, false, false, kSkyjack, false},
        {"undock undocked", kUndock, true, false, 0, false},
        {"matching repair", kPower, false, false, kPowerDrain, true},
        {"wrong repair", kRepair, false, false, kPowerDrain, false},
        {"repair without hazard", kReload, false, false, 0, false},
        {"warp teleported", kWarp, false, true, 0, true},
        {"warp not teleported", kWarp, false, false, 0, false},
    };
    for (const Case& c : cases) {
        Table t;
        t.startAt(1, false, false);
        t.hand(1, {c.card});
        t.seat(1).undocked = c.undocked;
        t.seat(1).teleported = c.teleported;
        t.seat(1).hazard = c.hazard;
        EXPECT_EQ(t.engine.canmove(1), c.expected) << c.what;
    }
    Table t;
    t.startAt(1);
    t.hand(1, {kNoCard, kSkyjack});
    EXPECT_FALSE(t.engine.canmove(1)); // nobody undocked
    t.seat(1).undocked = true;
    EXPECT_FALSE(t.engine.canmove(1)); // the own ship does not count
    t.seat(3).undocked = true;
    t.seat(3).protections[1] = 1;
    EXPECT_FALSE(t.engine.canmove(1));
    t.hand(1, {kDamage});
    EXPECT_TRUE(t.engine.canmove(1));
    t.hand(1, {kDock});
    EXPECT_TRUE(t.engine.canmove(1));
    t.seat(3).teleported = true;
    EXPECT_FALSE(t.engine.canmove(1)); // DOCK asks for a target that is not teleported
    t.hand(1, {kTeleport});
    for (int s = 2; s <= 4; ++s)
        t.seat(s).teleported = true;
    EXPECT_FALSE(t.engine.canmove(1));
    t.seat(4).teleported = false;
    EXPECT_TRUE(t.engine.canmove(1));
    t.seat(4).protections[2] = 1;
    EXPECT_FALSE(t.engine.canmove(1));
    EXPECT_FALSE(t.engine.canmove(0));
    EXPECT_FALSE(t.engine.canmove(5));

    // TELEPORT counts against seats that do not play.
    Table two;
    two.startAt(1, false, false);
    two.hand(1, {kTeleport});
    two.seat(2).teleported = true;
    EXPECT_TRUE(two.engine.canmove(1));
}

TEST(DeckRunsOut, SeatsThatCannotMoveArePassedOver) {
    Table t;
    t.startAt(3, false, false); // seats 1 and 2
    t.connect({1, 5});
    t.engine.deckpos = 105;
    t.hand(1, {kLy2500}); // docked: cannot move
    t.hand(2, {kUndock}); // can move
    t.engine.findplayer();
    EXPECT_EQ(t.engine.currentplayer, 1);
    EXPECT_FALSE(t.seat(1).stillmoving);
    EXPECT_EQ(t.to(5), std::vector<std::string>{msg("CMD_cannotmove", {1})});
    EXPECT_EQ(t.engine.timer1action(), kActionNextTurn);
    EXPECT_EQ(t.engine.timer1count, 1);
    t.host.clearMessages();
    t.host.advance(1000);
    EXPECT_EQ(t.engine.currentplayer, 2);
    EXPECT_EQ(t.to(5), std::vector<std::string>{msg("CMD_nextplayer", {2, 0, 0, 107})});
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));

    // Once every playing seat was found stuck the round ends two ticks later,
    // even if one of them could move again.
    t.host.stopTimer(EngineTimer::Computer);
    t.hand(2, {kLy5000});
    t.hand(1, {kUndock});
    t.engine.findplayer(); // seat 1 can move again
    t.host.stopTimer(EngineTimer::Computer);
    t.engine.currentplayer = 1;
    t.engine.findplayer(); // seat 2 is stuck, and so was seat 1
    EXPECT_EQ(t.engine.timer1action(), kActionEndRound);
    EXPECT_EQ(t.engine.timer1count, 2);
    t.host.clearMessages();
    t.host.advance(2000);
    ASSERT_EQ(t.to(5).size(), 1u);
    EXPECT_EQ(t.to(5)[0].rfind("CMD_postscores+0+", 0), 0u);
}

TEST(Pace, ComputerPlaysOneBotIntervalAfterItsTurn) {
    Table t;
    t.host.setBotSpeed(250);
    t.connect({5});
    t.startAt(1);
    t.hand(2, {kLy2500, kLy2500});
    t.engine.deck[ix(t.engine.deckpos + 1)] = kLy5000;
    t.engine.currentplayer = 1;
    const std::int64_t t0 = t.host.now();
    t.engine.findplayer();
    EXPECT_EQ(t.engine.currentplayer, 2);
    EXPECT_EQ(t.host.interval(EngineTimer::Computer), 250);
    t.host.advance(249);
    EXPECT_EQ(t.to(5).size(), 1u); // only the turn so far
    t.host.advance(1);
    ASSERT_EQ(t.to(5).size(), 2u);
    EXPECT_EQ(t.to(5)[1], msg("CMD_hediscard", {2, 1, kLy2500}));
    // The next turn follows two seconds after the play.
    t.host.advance(1999);
    EXPECT_EQ(t.to(5).size(), 2u);
    t.host.advance(1);
    ASSERT_EQ(t.to(5).size(), 3u);
    EXPECT_EQ(t.to(5)[2].rfind("CMD_nextplayer+3+", 0), 0u);
    EXPECT_EQ(t.host.now(), t0 + 250 + 2000);
    EXPECT_EQ(t.host.due(EngineTimer::Computer), t0 + 250 + 2000 + 250); // seat 3's computer
}

TEST(HostServerHooks, SnapshotHandAndTakeover) {
    Table t;
    t.startAt(2);
    t.engine.playto = 6000;
    t.seat(1).total = 1200;
    t.seat(2).undocked = true;
    t.seat(2).distance = 12500;
    t.seat(3).teleported = true;
    t.seat(3).hazard = kDamage;
    t.seat(4).protections[2] = 1;
    t.seat(4).protections[4] = 1;
    t.hand(3, {kLy5000, kNoCard, kWarp});
    const int d = t.engine.deckpos;
    EXPECT_EQ(t.engine.newstatsMessage(7),
              msg("CMD_newstats", {7,  2, 1, 6000, d, 70000, 1, 1200, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                   2,  0, 1, 1,    0, 12500, 0, 0,    0, 0, 0, 3, 0, 1, 0, 1, 0,
                                   12, 0, 0, 0,    0, 4,     0, 1,    0, 0, 0, 0, 0, 1, 0, 1},
                  Trailing::No));
    EXPECT_EQ(t.engine.handMessage(3, 7),
              msg("CMD_mycards", {3, 1, 2, 2, 0, 3, 11, 4, 0, 5, 0, 6, 0, 7, 0}, Trailing::No));

    // The takeover arms the computer only while the engine waits for a play.
    t.engine.startComputerTakeover();
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));
    EXPECT_EQ(t.engine.computercount, 1);
    t.host.stopTimer(EngineTimer::Computer);
    t.hand(2, {kLy2500});
    t.engine.gomiles("2+1+");
    EXPECT_EQ(t.engine.newstatsMessage(2).substr(0, 17), "CMD_newstats+2+2+");
    EXPECT_EQ(t.engine.newstatsMessage(2)[17], '0');
    t.engine.startComputerTakeover();
    EXPECT_FALSE(t.host.armed(EngineTimer::Computer));
}

TEST(HostServerHooks, JustWatchingSeatIsPlayedByTheComputer) {
    Table t;
    t.startAt(4);
    t.connect({1});
    t.hand(1, {kUndock});
    t.engine.deck[ix(t.engine.deckpos + 1)] = kLy2500;
    t.engine.deck[ix(t.engine.deckpos + 2)] = kLy2500;
    t.engine.findplayer();
    EXPECT_FALSE(t.host.armed(EngineTimer::Computer)); // waits for the human
    t.engine.currentplayer = 4;
    t.seat(1).justwatching = true;
    t.engine.findplayer();
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));
    t.host.step();
    EXPECT_TRUE(t.seat(1).undocked);
}

} // namespace
} // namespace dw::test
