// Validation and effect of every play.
#include "enginetest.h"

#include <functional>

namespace dw::test {
namespace {

using Setup = std::function<void(Table&)>;

// Seat 1's hand in every case: slots 1..7.
constexpr std::initializer_list<int> kHand = {kNoCard, kSkyjack,  kUndock, kReload,
                                              kLy7500, kTeleport, kWarp};

struct Play {
    const char* what;
    NetPlay play;
    Setup setup;
    int code; // the refusal's code
    std::vector<std::string> diagnostics;
};

TEST(Rules, RefusalsInTheirOrderLeaveTheTurnWithTheSeat) {
    auto undocked = [](int s) { return [s](Table& t) { t.seat(s).ship.undocked = true; }; };
    const Play cases[] = {
        {"empty slot", go(1, 1, 1), {}, 0, {"error0"}},
        {"attack on the own ship", go(1, 2, 1), {}, 3, {"error3", "8..0"}},
        {"undock when undocked", go(1, 3, 1), undocked(1), 4, {"error4"}},
        {"undock with a hazard",
         go(1, 3, 1),
         [](Table& t) { t.seat(1).ship.hazard = kDamage; },
         6,
         {"error6", "6..12"}},
        {"wrong repair",
         go(1, 4, 1),
         [](Table& t) { t.seat(1).ship.hazard = kDamage; },
         7,
         {"error7", "9..12"}},
        {"repair with nothing to repair", go(1, 4, 1), {}, 0, {"error0"}},
        {"seat out of the game", go(1, 3, 4), {}, 12, {"error12"}},
        {"undock on another ship", go(1, 3, 2), {}, 3, {"error3", "6..0..2"}},
        {"attack on a docked ship", go(1, 2, 2), {}, 8, {"error8", "8..0..2"}},
        {"attack on a shielded ship",
         go(1, 2, 2),
         [](Table& t) {
             t.seat(2).ship.undocked = true;
             t.seat(2).ship.protections[1] = 1;
         },
         11,
         {"error11", "8..0..2"}},
        {"speed play of an empty slot", speed(1, 1, 2), {}, 0, {"error110"}},
        {"speed play of a lightyear card", speed(1, 5, 2), {}, 0, {"error110"}},
        {"TELEPORT on the own ship", speed(1, 6, 1), {}, 9, {"error9", "10..0..1"}},
        {"TELEPORT on the own teleported ship",
         speed(1, 6, 1),
         [](Table& t) { t.seat(1).ship.teleported = true; },
         0,
         {"error0"}},
        {"WARP at another ship", speed(1, 7, 2), {}, 0, {"error0"}},
        {"TELEPORT at a seat out of the game", speed(1, 6, 4), {}, 12, {"error12"}},
        {"TELEPORT a teleported ship",
         speed(1, 6, 2),
         [](Table& t) { t.seat(2).ship.teleported = true; },
         10,
         {"error10", "10+2"}},
        {"TELEPORT a shielded ship",
         speed(1, 6, 2),
         [](Table& t) { t.seat(2).ship.protections[2] = 1; },
         11,
         {"error11", "10+2"}},
        {"travel while docked, even from an empty slot", miles(1, 1), {}, 1, {"error1"}},
        {"travel from an empty slot", miles(1, 1), undocked(1), 0, {"error0"}},
        {"travel with UNDOCK", miles(1, 3), undocked(1), 2, {"error2"}},
        {"7500 while teleported",
         miles(1, 5),
         [](Table& t) {
             t.seat(1).ship.undocked = true;
             t.seat(1).ship.teleported = true;
         },
         5,
         {"error5"}},
    };
    for (const Play& c : cases) {
        SCOPED_TRACE(c.what);
        Table t;
        t.startAt(1, true, false); // seat 4 is out of the game
        t.connect({1, 2});
        t.hand(1, kHand);
        if (c.setup)
            c.setup(t);
        const PlayerEntry before = t.seat(1);
        for (int twice = 0; twice < 2; ++twice)
            c.play.run(t.engine);
        const std::string refusal = (msg::Invalid{1, c.code}.encode());
        EXPECT_EQ(t.to(1), (std::vector<std::string>{refusal, refusal}));
        EXPECT_TRUE(t.to(2).empty());
        std::vector<std::string> twiceDiag = c.diagnostics;
        twiceDiag.insert(twiceDiag.end(), c.diagnostics.begin(), c.diagnostics.end());
        EXPECT_EQ(t.host.diagnostics, twiceDiag);
        EXPECT_EQ(t.seat(1).cards, before.cards);
        EXPECT_EQ(t.seat(1).ship.teleported, before.ship.teleported);
        EXPECT_EQ(t.engine.pendingAction(), TimerAction::None);
        EXPECT_FALSE(t.host.armed(EngineTimer::Pause));
    }
}

void undock(Table& t, int s) {
    t.seat(s).ship.undocked = true;
}

struct Effect {
    const char* what;
    NetPlay play;
    Setup setup;
    std::string outcome;
    std::function<void(Table&)> check;
};

TEST(Rules, AppliedPlaysChangeTheTableAndScheduleTheNextStep) {
    const Effect cases[] = {
        {"UNDOCK after a repair", go(1, 3, 1), [](Table& t) { t.seat(1).ship.repaired = kSkyjack; },
         (msg::PlacingGo{1, 6, 3, 1}.encode()),
         [](Table& t) { EXPECT_TRUE(t.seat(1).ship.undocked && t.seat(1).ship.repaired == 0); }},
        {"RELOAD keeps the ship docked", go(1, 4, 1),
         [](Table& t) { t.seat(1).ship.hazard = kSkyjack; }, (msg::PlacingGo{1, 9, 4, 1}.encode()),
         [](Table& t) {
             EXPECT_EQ(t.seat(1).ship.repaired, kSkyjack);
             EXPECT_FALSE(t.seat(1).ship.undocked || t.seat(1).ship.hazard);
         }},
        {"SKYJACK on a teleported ship", go(1, 2, 2),
         [](Table& t) { t.seat(2).ship.undocked = t.seat(2).ship.teleported = true; },
         (msg::PlacingGo{1, 8, 2, 2}.encode()),
         [](Table& t) {
             EXPECT_EQ(t.seat(2).ship.hazard, kSkyjack);
             EXPECT_TRUE(!t.seat(2).ship.undocked && t.seat(2).ship.teleported);
         }},
        {"DOCK leaves no hazard", go(1, 1, 3),
         [](Table& t) {
             t.seat(1).cards[1] = kDock;
             t.seat(3).ship.undocked = t.seat(3).ship.teleported = true;
         },
         (msg::PlacingGo{1, 7, 1, 3}.encode()),
         [](Table& t) { EXPECT_TRUE(!t.seat(3).ship.undocked && t.seat(3).ship.hazard == 0); }},
        {"TELEPORT hits a docked ship",
         speed(1, 6, 3),
         {},
         (msg::PlacingSpeed{1, 10, 6, 3}.encode()),
         [](Table& t) { EXPECT_TRUE(t.seat(3).ship.teleported); }},
        {"WARP", speed(1, 7, 1), [](Table& t) { t.seat(1).ship.teleported = true; },
         (msg::PlacingSpeed{1, 11, 7, 1}.encode()),
         [](Table& t) { EXPECT_FALSE(t.seat(1).ship.teleported); }},
        {"travel", miles(1, 5), [](Table& t) { t.seat(1).ship.undocked = true; },
         (msg::Traveling{1, 7500, 3, 5, 7500}.encode()),
         [](Table& t) { EXPECT_TRUE(t.seat(1).ship.safeTrip); }},
        {"discard", discard(1, 6), {}, (msg::HeDiscard{1, 6, 10}.encode()), {}},
        {"discard of an empty slot: a pass",
         discard(1, 1),
         {},
         (msg::HeDiscard{1, 1, 0}.encode()),
         [](Table& t) { EXPECT_EQ(t.engine.pendingAction(), TimerAction::NextTurn); }},
        {"overshooting the trip", miles(1, 5),
         [](Table& t) {
             undock(t, 1), t.seat(1).ship.distance = 67500, t.engine.tripDistance = 70000;
         },
         (msg::Traveling{1, 75000, 3, 5, 7500}.encode()),
         [](Table& t) { EXPECT_EQ(t.engine.pendingAction(), TimerAction::EndRound); }},
    };
    for (const Effect& c : cases) {
        SCOPED_TRACE(c.what);
        Table t;
        t.startAt(1, true, false);
        t.connect({1, 5});
        t.hand(1, kHand);
        if (c.setup)
            c.setup(t);
        c.play.run(t.engine);
        c.play.run(t.engine); // a second play before the next turn is ignored
        EXPECT_EQ(t.to(5), std::vector<std::string>{c.outcome});
        EXPECT_TRUE(t.host.diagnostics.empty());
        EXPECT_EQ(t.seat(1).cards[ix(c.play.slot)], kNoCard);
        if (c.check)
            c.check(t);
        EXPECT_EQ(t.engine.pauseTicksLeft, 2);
        if (t.engine.pendingAction() == TimerAction::NextTurn) {
            t.host.advance(2000);
            EXPECT_EQ(t.engine.currentSeat, 2);
        }
    }
}

TEST(Rules, ProtectionsClearWhatTheyGuardAndGiveAnotherTurn) {
    struct Case {
        int card, hazard, repaired;
        bool teleported;
        int effect;
        bool undocked;
    };
    const Case cases[] = {
        {kSkyjackShield, 0, kSkyjack, false, 1, true},
        {kDamageShield, 0, kDamage, false, 1, true},
        {kSkyjackShield, kSkyjack, 0, false, 1, true},
        {kPowerShield, kPowerDrain, 0, true, 1, true},
        {kTeleportShield, 0, 0, true, 2, false},
        {kDamageShield, kSkyjack, 0, false, 0, false},
        {kPowerShield, 0, 0, false, 0, false},
        {kSkyjackShield, 0, kDamage, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "card " << c.card << " hazard " << c.hazard);
        Table t;
        t.startAt(1, true, false);
        t.connect({1, 5});
        t.hand(1, {kLy2500, c.card});
        t.hand(2, {kLy2500});
        t.seat(1).ship.hazard = c.hazard;
        t.seat(1).ship.repaired = c.repaired;
        t.seat(1).ship.teleported = c.teleported;
        t.seat(2).ship.undocked = true;
        go(1, 2, 1).run(t.engine);
        EXPECT_EQ(t.to(5),
                  std::vector<std::string>{(msg::PlaySafe{1, c.card, 2, c.effect}.encode())});
        EXPECT_EQ(t.seat(1).ship.undocked, c.undocked);
        EXPECT_EQ(t.seat(1).ship.protections[ix(c.card - 15)], 1);
        EXPECT_EQ(t.seat(1).ship.teleported, c.teleported && c.effect != 2);
        if (c.effect == 1) {
            EXPECT_EQ(t.seat(1).ship.hazard + t.seat(1).ship.repaired, 0);
        }
        const int drawn = t.engine.deckPos + 1;
        t.host.advance(2000);
        EXPECT_EQ(t.engine.currentSeat, 1);
        EXPECT_EQ(t.engine.deckPos, drawn);
        EXPECT_NE(t.seat(1).cards[2], kNoCard);
    }
    // Until the next turn the pointer sits one seat back; that seat may not slip a play in.
    Table t;
    t.startAt(2, true, false);
    t.hand(2, {kSkyjackShield});
    t.hand(1, {kLy2500});
    t.seat(1).ship.undocked = true;
    go(2, 1, 2).run(t.engine);
    EXPECT_EQ(t.engine.currentSeat, 1);
    miles(1, 1).run(t.engine);
    EXPECT_EQ(t.seat(1).ship.distance, 0);
    t.host.advance(2000);
    EXPECT_EQ(t.engine.currentSeat, 2);
}

TEST(Rules, MalformedOrForeignPlaysAreDroppedSilently) {
    Table t;
    t.startAt(1, true, true);
    t.connect({1, 2});
    t.hand(1, {kLy2500, kUndock, kDock, kTeleport});
    t.seat(1).ship.undocked = t.seat(2).ship.undocked = true;
    const char* three[] = {"0+1+2+",  "5+1+2+",          "1+0+2+",  "1+8+2+",  "1+3+0+",
                           "1+3+5+",  "x+1+2+",          "1+y+2+",  "1+3+z+",  "1+3+",
                           "",        "1+3+2",           "-1+3+2+", "1+ 3+2+", "2+3+2+",
                           "12+3+2+", "99999999999+1+2+"};
    // As the host hands them on: decoded first, then checked by the engine.
    for (const char* p : three) {
        if (const auto play = msg::PlaceGo::decode(p))
            t.engine.playGo(play->seat, play->slot, play->target);
        if (const auto play = msg::PlaceSpeed::decode(p))
            t.engine.playSpeed(play->seat, play->slot, play->target);
    }
    const char* two[] = {"0+1+", "5+1+", "1+0+", "1+8+", "x+1+", "1+y+", "1+", "1+1", "", "2+1+"};
    for (const char* p : two) {
        if (const auto play = msg::GoMiles::decode(p))
            t.engine.playMiles(play->seat, play->slot);
        if (const auto play = msg::Discard::decode(p))
            t.engine.playDiscard(play->seat, play->slot);
    }
    EXPECT_TRUE(t.to(1).empty() && t.to(2).empty());
    EXPECT_TRUE(t.host.diagnostics.empty());
    EXPECT_EQ(t.seat(1).cards[1], kLy2500);
    EXPECT_EQ(t.seat(1).cards[3], kDock);
    EXPECT_TRUE(t.seat(2).ship.undocked && !t.seat(2).ship.teleported);
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::None);

    // Outside a game nothing is taken either.
    t.engine.gameInProgress = false;
    miles(1, 1).run(t.engine);
    EXPECT_EQ(t.seat(1).ship.distance, 0);
}

TEST(Rules, TypedPlaysDropNumbersOutOfRangeAndOtherwiseActAsTheText) {
    Table t;
    t.startAt(1, true, true);
    t.connect({1, 2});
    t.hand(1, {kLy2500, kUndock, kDock, kTeleport});
    t.seat(1).ship.undocked = t.seat(2).ship.undocked = true;
    for (int seat : {-1, 0, 5, 1000}) {
        t.engine.playGo(seat, 3, 2);
        t.engine.playSpeed(seat, 4, 2);
        t.engine.playMiles(seat, 1);
        t.engine.playDiscard(seat, 1);
        t.engine.playGo(1, 3, seat);
        t.engine.playSpeed(1, 4, seat);
    }
    for (int slot : {-1, 0, 8, 1000}) {
        t.engine.playGo(1, slot, 2);
        t.engine.playSpeed(1, slot, 2);
        t.engine.playMiles(1, slot);
        t.engine.playDiscard(1, slot);
    }
    EXPECT_TRUE(t.to(1).empty() && t.to(2).empty());
    EXPECT_TRUE(t.host.diagnostics.empty());
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::None);
    EXPECT_TRUE(t.seat(2).ship.undocked && !t.seat(2).ship.teleported);

    t.engine.playGo(1, 3, 2);
    const std::string docked = (msg::PlacingGo{1, kDock, 3, 2}.encode());
    EXPECT_EQ(t.to(1), std::vector<std::string>{docked});
    EXPECT_EQ(t.to(2), std::vector<std::string>{docked});
    EXPECT_FALSE(t.seat(2).ship.undocked);
    EXPECT_EQ(t.seat(1).cards[3], kNoCard);
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::NextTurn);
}

// The target rule that lights the board's targets and picks the pilots'
// victims says exactly which attacks on another ship the engine applies.
TEST(Rules, AttackLandsWhereTheEngineAppliesTheAttack) {
    for (int card : {kSkyjack, kDamage, kPowerDrain, kDock, kTeleport}) {
        for (int state = 0; state < 8; ++state) {
            const bool undocked = (state & 1) != 0;
            const bool teleported = (state & 2) != 0;
            const bool guarded = (state & 4) != 0;
            Table t;
            t.startAt(1);
            t.hand(1, {card});
            PlayerEntry& victim = t.seat(2);
            victim.active = true;
            victim.ship.undocked = undocked;
            victim.ship.teleported = teleported;
            victim.ship.protections.fill(0);
            victim.ship.protections[ix(guardOf(card))] = guarded ? 1 : 0;
            (playCommand(card) == PlayCommand::PlaceSpeed ? speed(1, 1, 2) : go(1, 1, 2))
                .run(t.engine);
            const bool applied = t.seat(1).cards[1] == kNoCard;
            EXPECT_EQ(applied, attackLands(card, undocked, teleported, guarded))
                << "card " << card << " undocked " << undocked << " teleported " << teleported
                << " guarded " << guarded;
        }
    }
}

} // namespace
} // namespace dw::test
