// The computer pilot's choices.
#include "enginetest.h"

#include <functional>

namespace dw::test {
namespace {

struct Choice {
    const char* what;
    int seat;
    std::vector<int> hand;
    std::function<void(Table&)> setup;
    std::string expected; // what a spectator sees
};

void undock(Table& t, int s, int distance) {
    t.seat(s).ship.undocked = true;
    t.seat(s).ship.distance = distance;
}

TEST(Pilot, ChoosesByItsPriorities) {
    const Choice cases[] = {
        {"protection first",
         2,
         {kLy10000, kUndock, kPowerShield},
         {},
         (msg::PlaySafe{2, kPowerShield, 3, 0}.encode())},
        {"stop a pilot near the goal",
         2,
         {kLy10000, kDamage},
         [](Table& t) { undock(t, 2, 20000), undock(t, 3, 60000); },
         (msg::PlacingGo{2, kDamage, 2, 3}.encode())},
        {"finishing comes first",
         2,
         {kLy10000, kDamage},
         [](Table& t) { undock(t, 2, 60000), undock(t, 3, 60000); },
         (msg::Traveling{2, 70000, kLy10000, 1, 10000}.encode())},
        {"a shielded, docked leader is teleported",
         2,
         {kDamage, kTeleport, kDock, kLy5000},
         [](Table& t) {
             undock(t, 2, 0);
             t.seat(4).ship.distance = 65000;
             t.seat(4).ship.protections[3] = 1;
         },
         (msg::PlacingSpeed{2, kTeleport, 2, 4}.encode())},
        {"WARP when teleported",
         3,
         {kLy2500, kWarp},
         [](Table& t) { undock(t, 3, 40000), t.seat(3).ship.teleported = true; },
         (msg::PlacingSpeed{3, kWarp, 2, 3}.encode())},
        {"unless the 2500 finishes",
         3,
         {kLy2500, kWarp},
         [](Table& t) { undock(t, 3, 67500), t.seat(3).ship.teleported = true; },
         (msg::Traveling{3, 70000, kLy2500, 1, 2500}.encode())},
        {"the 10000 first",
         1,
         {kLy5000, kLy10000},
         [](Table& t) { undock(t, 1, 0); },
         (msg::Traveling{1, 10000, kLy10000, 2, 10000}.encode())},
        {"teleported: small cards only",
         1,
         {kLy7500, kLy10000, kLy5000},
         [](Table& t) { undock(t, 1, 0), t.seat(1).ship.teleported = true; },
         (msg::Traveling{1, 5000, kLy5000, 3, 5000}.encode())},
        {"undock", 1, {kLy10000, kUndock}, {}, (msg::PlacingGo{1, kUndock, 2, 1}.encode())},
        {"matching repair",
         1,
         {kUndock, kReload, kRepair},
         [](Table& t) { t.seat(1).ship.hazard = kDamage; },
         (msg::PlacingGo{1, kRepair, 3, 1}.encode())},
        {"the leader among lower seats",
         4,
         {kSkyjack},
         [](Table& t) { undock(t, 1, 30000), undock(t, 3, 10000); },
         (msg::PlacingGo{4, kSkyjack, 1, 1}.encode())},
        {"no lower seat to prefer",
         1,
         {kSkyjack},
         [](Table& t) { undock(t, 2, 40000), undock(t, 3, 10000); },
         (msg::PlacingGo{1, kSkyjack, 1, 3}.encode())},
        {"TELEPORT looks at every seat",
         1,
         {kTeleport},
         [](Table& t) {
             t.seat(2).ship.distance = 40000;
             t.seat(3).ship.distance = 10000;
             t.seat(4).ship.teleported = true;
         },
         (msg::PlacingSpeed{1, kTeleport, 1, 2}.encode())},
        {"an attack with no target gives way",
         1,
         {kSkyjack, kPowerDrain, kDock},
         [](Table& t) { undock(t, 3, 0), t.seat(3).ship.protections[1] = 1; },
         (msg::PlacingGo{1, kPowerDrain, 2, 3}.encode())},
        {"discard a triple",
         2,
         {kUndock, kLy10000, kLy10000, kWarp, kLy10000, kUndock, kLy10000},
         [](Table& t) { t.seat(2).ship.hazard = kPowerDrain; },
         (msg::HeDiscard{2, 2, kLy10000}.encode())},
        {"discard a repair a shield made useless",
         2,
         {kLy5000, kDock, kReload, kTeleport},
         [](Table& t) {
             t.seat(2).ship.protections[1] = 1;
             t.seat(2).ship.hazard = kDamage;
             for (int s = 1; s <= 4; ++s)
                 t.seat(s).ship.teleported = true;
         },
         (msg::HeDiscard{2, 3, kReload}.encode())},
        {"discard DOCK before 5000",
         2,
         {kLy7500, kLy5000, kDock},
         [](Table& t) { t.seat(2).ship.hazard = kDamage; },
         (msg::HeDiscard{2, 3, kDock}.encode())},
        {"at random, sparing UNDOCK",
         2,
         {kUndock, kUndock, kTeleport},
         [](Table& t) {
             undock(t, 2, 0);
             for (int s = 1; s <= 4; ++s)
                 t.seat(s).ship.teleported = true;
         },
         (msg::HeDiscard{2, 3, kTeleport}.encode())},
        {"only UNDOCKs it cannot play: the first goes",
         2,
         {kNoCard, kUndock, kUndock},
         [](Table& t) { undock(t, 2, 0); },
         (msg::HeDiscard{2, 2, kUndock}.encode())},
    };
    for (const Choice& c : cases) {
        SCOPED_TRACE(c.what);
        // The computer's turn makes the play as the list chooses it; the
        // pilot interface answers it. Both must be the same play.
        Table played;
        Table answered;
        for (Table* t : {&played, &answered}) {
            t->startAt(c.seat);
            t->connect({5});
            t->seat(c.seat).cards.fill(kNoCard);
            for (std::size_t i = 0; i < c.hand.size(); ++i)
                t->seat(c.seat).cards[i + 1] = c.hand[i];
            if (c.setup)
                c.setup(*t);
        }
        played.engine.pilotPlay(c.seat);
        Engine& e = answered.engine;
        e.applyPlay(c.seat, classicPilot(e.view(), c.seat, e.random()));
        for (Table* t : {&played, &answered}) {
            EXPECT_EQ(t->to(5), std::vector<std::string>{c.expected});
            EXPECT_TRUE(t->host.diagnostics.empty());
        }
    }
}

TEST(Pilot, PlaysOnlyTheSeatWhosePlayIsDueAndThenAgainAfterAShield) {
    Table t;
    t.startAt(2);
    t.connect({5});
    t.hand(2, {kSkyjackShield});
    t.hand(3, {kUndock});
    for (int s : {0, 3, 9})
        t.engine.pilotPlay(s);
    EXPECT_TRUE(t.to(5).empty());
    t.engine.pilotPlay(2);
    t.engine.pilotPlay(2);
    EXPECT_EQ(t.to(5).size(), 1u);
    t.host.advance(2000); // the shield's extra turn goes to the computer again
    EXPECT_EQ(t.engine.currentSeat, 2);
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));
}

} // namespace
} // namespace dw::test
