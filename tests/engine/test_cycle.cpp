// Starting games and rounds, the turn order, scoring and the winner.
#include "enginetest.h"

#include <climits>

namespace dw::test {
namespace {

TEST(Cycle, StartGameAnnouncesDealsAndFallsBack) {
    Table t;
    t.connect({1, 6});
    t.seat(1).total = 900;
    t.seat(2).watching = true;
    t.engine.startGame({"Ann", 6000, 50, false, false});
    EXPECT_EQ(t.seat(1).total, 0);
    EXPECT_FALSE(t.seat(2).watching);
    EXPECT_FALSE(t.seat(3).active || t.seat(4).active);
    EXPECT_EQ(t.engine.deckPos, 13); // 12 dealt, one drawn
    ASSERT_EQ(t.to(6).size(), 3u);
    EXPECT_EQ(t.to(6)[0], (msg::StartGameAnnounce{"Ann", 6000, 50000, false, false}.encode()));
    EXPECT_EQ(t.to(6)[1], msg::StartingRound{}.encode());

    t.connect({3}); // a connected seat 3 plays whatever the choice
    const std::pair<msg::StartGameRequest, std::array<int, 2>> fallbacks[] = {
        {{"Bo", "lots", "far", false, false}, {5000, 70000}},
        {{"Bo", "5.5", "7.5", false, false}, {5000, 70000}},
        {{"Bo", "--5", "-", false, false}, {5000, 70000}},
        // Integers outside the options window's ranges are brought within
        // them: a peer cannot ask for a game that ends at once or never.
        {{"Bo", "-5", "-60", false, false}, {1000, 50000}},
        {{"Bo", "-1", "0", false, false}, {1000, 50000}},
        {{"Bo", "0500", "050", false, false}, {1000, 50000}},
        {{"Bo", "1000", "100", false, false}, {1000, 100000}},
        {{"Bo", "10000", "50", false, false}, {10000, 50000}},
        {{"Bo", "10001", "101", false, false}, {10000, 100000}},
        {{"Bo", "2147483647", "99999999", false, false}, {10000, 100000}},
        {{"Bo", "-2147483648", "-99999999", false, false}, {1000, 50000}},
    };
    for (const auto& [request, expected] : fallbacks) {
        t.engine.startGame(gameStart(request));
        EXPECT_EQ(t.engine.amountToEarn, expected[0]) << request.amount;
        EXPECT_EQ(t.engine.tripDistance, expected[1]) << request.distance;
        EXPECT_TRUE(t.seat(3).active && !t.seat(4).active);
    }
}

TEST(Cycle, FirstTurnWrapsOverSeatsOutOfTheGame) {
    for (auto [start, expected] : {std::pair{0, 1}, {1, 2}, {2, 1}, {3, 1}}) {
        Table t;
        t.startAt(1, false, false);
        t.engine.currentSeat = start;
        t.engine.nextTurn();
        EXPECT_EQ(t.engine.currentSeat, expected) << "start " << start;
    }
}

TEST(Cycle, RoundScores) {
    struct Case {
        const char* what;
        bool seat3, seat4;
        int distance1, distance2, shields1;
        bool safe1;
        std::vector<int> expected; // finisher, then seat 1's group
    };
    const Case cases[] = {
        {"two-seat finisher",
         false,
         false,
         70000,
         30000,
         1,
         true,
         {1, 1, 2000, 2000, 700, 400, 300, 100, 500}},
        {"shut out through a seat out of the game",
         true,
         false,
         72500,
         2500,
         0,
         false,
         {1, 1, 1625, 1625, 725, 400, 0, 0, 500}},
        {"all four shields, everybody travelled",
         true,
         true,
         70000,
         5000,
         4,
         false,
         {1, 1, 2200, 2200, 700, 400, 0, 1100, 0}},
        {"nobody finished", false, false, 65000, 0, 2, true, {0, 1, 850, 850, 650, 0, 0, 200, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Table t;
        t.startAt(1, c.seat3, c.seat4);
        t.connect({1});
        t.seat(1).total = 100;
        t.seat(1).ship.distance = c.distance1;
        t.seat(1).ship.safeTrip = c.safe1;
        for (int i = 1; i <= c.shields1; ++i)
            t.seat(1).ship.protections[ix(i)] = 1;
        t.seat(2).ship.distance = c.distance2;
        t.seat(3).ship.distance = c.seat3 ? 5000 : 0;
        t.seat(4).ship.distance = c.seat4 ? 5000 : 0;
        t.engine.scoreRound();
        ASSERT_EQ(t.to(1).size(), 1u);
        const auto scores = msg::decodeMessage<msg::PostScores>(t.to(1)[0]);
        ASSERT_TRUE(scores);
        std::vector<int> got{scores->finisher};
        for (const msg::SeatScore& s : scores->seats)
            got.insert(got.end(), {s.seat, s.total, s.round, s.travel, s.trip, s.safe,
                                   s.protections, s.shutout});
        std::vector<int> expected = c.expected;
        expected[2] += 100; // the total carries the earlier 100
        ASSERT_EQ(got.size(), 1u + 8u * (2u + c.seat3 + c.seat4)); // only seats in the game
        EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 9), expected);
        EXPECT_EQ(got[9], 2);
        EXPECT_EQ(t.seat(1).roundScore, c.expected[3]);
    }
    Table t; // totals saturate instead of wrapping
    t.startAt(1);
    t.seat(1).total = INT_MAX - 50;
    t.seat(1).ship.distance = 10000;
    t.engine.scoreRound();
    EXPECT_EQ(t.seat(1).total, INT_MAX);
}

TEST(Cycle, WinnerOnlyForASingleLeaderAtTheAmount) {
    const std::pair<std::array<int, 5>, int> cases[] = {
        {{0, 5500, 5500, 0, 0}, 0},       {{0, 6000, 5200, 0, 0}, 1},    {{0, 5200, 6000, 0, 0}, 2},
        {{0, 7000, 6000, 6000, 0}, 1},    {{0, 5100, 6000, 6000, 0}, 0}, {{0, 4999, 4000, 0, 0}, 0},
        {{0, 5000, 4999, 4999, 4999}, 1}, {{0, 100, 200, 300, 5000}, 4},
    };
    for (const auto& [totals, winner] : cases) {
        SCOPED_TRACE(testing::Message() << "winner " << winner);
        Table t;
        t.startAt(1);
        t.connect({1});
        t.seat(1).name = "Ann";
        for (int s = 1; s <= 4; ++s)
            t.seat(s).total = totals[ix(s)];
        t.engine.endRound(); // an empty round scores nothing
        EXPECT_EQ(t.engine.pendingAction(), TimerAction::StartRound);
        EXPECT_EQ(t.engine.pauseTicksLeft, winner ? 10 : 15);
        EXPECT_EQ(t.host.interval(EngineTimer::Pause), 750);
        t.host.clearMessages();
        t.host.advance(750 * (winner ? 10 : 15));
        EXPECT_EQ(t.engine.gameInProgress, winner == 0);
        EXPECT_EQ(t.engine.winner(), winner);
        if (winner) {
            const std::string name = winner == 1 ? "Ann" : t.seat(winner).botName;
            EXPECT_EQ(t.to(1), std::vector<std::string>{(msg::Winner{name, winner}.encode())});
            EXPECT_FALSE(t.host.armed(EngineTimer::Pause) || t.host.armed(EngineTimer::Computer));
        } else {
            EXPECT_EQ(t.to(1)[0], msg::StartingRound{}.encode());
        }
    }
}

TEST(Cycle, CanMoveClauses) {
    struct Case {
        int card;
        bool undocked, teleported;
        int hazard;
        bool expected;
    };
    const Case own[] = {
        {kDamageShield, false, false, kDamage, true},
        {kLy2500, true, true, 0, true},
        {kLy7500, true, true, 0, false},
        {kUndock, false, false, kSkyjack, false},
        {kReload, false, false, 0, false},
        {kWarp, false, true, 0, true},
    };
    for (const Case& c : own) {
        Table t;
        t.startAt(1, false, false);
        t.hand(1, {kNoCard, c.card});
        t.seat(1).ship.undocked = c.undocked;
        t.seat(1).ship.teleported = c.teleported;
        t.seat(1).ship.hazard = c.hazard;
        EXPECT_EQ(t.engine.hasPlay(1), c.expected) << "card " << c.card;
    }
    Table t;
    t.startAt(1);
    t.hand(1, {kSkyjack});
    t.seat(1).ship.undocked = true;
    EXPECT_FALSE(t.engine.hasPlay(1)); // only other undocked ships count
    t.seat(3).ship.undocked = true;
    t.seat(3).ship.protections[1] = 1;
    EXPECT_FALSE(t.engine.hasPlay(1));
    t.hand(1, {kDock});
    EXPECT_TRUE(t.engine.hasPlay(1));
    t.seat(3).ship.teleported = true;
    EXPECT_FALSE(t.engine.hasPlay(1)); // DOCK asks for a target that is not teleported
    t.hand(1, {kTeleport});
    t.seat(2).ship.teleported = t.seat(4).ship.teleported = true;
    EXPECT_FALSE(t.engine.hasPlay(1));
    t.startAt(1, false, false);
    t.hand(1, {kTeleport});
    t.seat(2).ship.teleported = true;
    EXPECT_TRUE(t.engine.hasPlay(1)); // seats out of the game count for TELEPORT
}

TEST(Cycle, AfterTheDeckRunsOutStuckSeatsArePassedOver) {
    Table t;
    t.startAt(3, false, false); // seats 1 and 2
    t.connect({5});
    t.engine.deckPos = 105;
    t.hand(1, {kLy2500}); // docked: stuck
    t.hand(2, {kUndock});
    t.engine.nextTurn();
    EXPECT_EQ(t.to(5), std::vector<std::string>{msg::CannotMove{1}.encode()});
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::NextTurn);
    t.host.advance(1000);
    EXPECT_EQ(t.to(5).back(), (msg::NextPlayer{2, 0, 0, 107}.encode()));
    // Once every seat was found stuck the round ends, even if one could move again.
    t.host.stopTimer(EngineTimer::Computer);
    t.hand(2, {kLy5000});
    t.hand(1, {kUndock});
    t.engine.currentSeat = 1;
    t.engine.nextTurn();
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::EndRound);
    t.host.advance(2000);
    const auto scores = msg::decodeMessage<msg::PostScores>(t.to(5).back());
    ASSERT_TRUE(scores);
    EXPECT_EQ(scores->finisher, 0);
}

TEST(Cycle, ComputerPaceAndTakeover) {
    Table t;
    t.host.setBotSpeed(250);
    t.startAt(1);
    t.connect({1, 5});
    t.hand(2, {kLy2500, kLy2500});
    t.engine.deck[ix(t.engine.deckPos + 1)] = kLy5000;
    const std::int64_t t0 = t.host.now();
    t.engine.nextTurn();
    t.host.advance(249);
    EXPECT_EQ(t.to(5).size(), 1u); // only the turn so far
    t.host.advance(1);
    EXPECT_EQ(t.to(5).back(), (msg::HeDiscard{2, 1, kLy2500}.encode()));
    t.host.advance(2000);
    const auto next = msg::decodeMessage<msg::NextPlayer>(t.to(5).back());
    ASSERT_TRUE(next);
    EXPECT_EQ(next->seat, 3);
    EXPECT_EQ(t.host.now(), t0 + 2250);

    // A human's seat waits; the host can hand it to the computer while waiting.
    t.hand(1, {kUndock});
    t.engine.currentSeat = 4;
    t.host.stopTimer(EngineTimer::Computer);
    t.engine.deck[ix(t.engine.deckPos + 1)] = kLy2500;
    t.engine.nextTurn();
    EXPECT_FALSE(t.host.armed(EngineTimer::Computer));
    const auto snapshot = msg::decodeMessage<msg::NewStats>(newstatsMessage(t.engine, 7));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->turn, 1);
    EXPECT_TRUE(snapshot->waiting);
    t.engine.startComputerTakeover();
    t.host.step();
    EXPECT_TRUE(t.seat(1).ship.undocked);
    t.engine.startComputerTakeover(); // between turns: nothing
    EXPECT_FALSE(t.host.armed(EngineTimer::Computer));
}

TEST(Cycle, SnapshotForANewcomer) {
    Table t;
    t.startAt(2);
    t.engine.amountToEarn = 6000;
    t.seat(1).total = 1200;
    t.seat(2).ship.undocked = true;
    t.seat(2).ship.distance = 12500;
    t.seat(3).ship.teleported = true;
    t.seat(3).ship.hazard = kDamage;
    t.seat(4).ship.protections[2] = t.seat(4).ship.protections[4] = 1;
    t.hand(3, {kLy5000, kNoCard, kWarp});
    const auto snapshot = msg::decodeMessage<msg::NewStats>(newstatsMessage(t.engine, 7));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(*snapshot,
              (msg::NewStats{7,
                             2,
                             true,
                             6000,
                             t.engine.deckPos,
                             70000,
                             {{1, 1200, true, false, false, 0, 0, {false, false, false, false}},
                              {2, 0, true, true, false, 12500, 0, {false, false, false, false}},
                              {3, 0, true, false, true, 0, 12, {false, false, false, false}},
                              {4, 0, true, false, false, 0, 0, {false, true, false, true}}}}));
    EXPECT_EQ(
        handMessage(t.engine, 3, 7),
        (msg::MyCards{3, {{1, 2}, {2, 0}, {3, 11}, {4, 0}, {5, 0}, {6, 0}, {7, 0}}}.encode()));
}

} // namespace
} // namespace dw::test
