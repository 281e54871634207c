// The computer pilot's choices.
#include "enginetest.h"

namespace dw::test {
namespace {

class Pilot : public ::testing::Test {
protected:
    void SetUp() override { t.connect({5}); }

    // Seat `s` is the computer seat whose play is due.
    void turnOf(int s) {
        t.startAt(s);
        t.engine.tripdistance = 70000;
    }

    // What the computer did, as seen by a spectator.
    std::string play(int s) {
        t.host.clearMessages();
        t.engine.computerplay(s);
        EXPECT_TRUE(t.host.diagnostics.empty());
        return t.to(5).empty() ? std::string() : t.to(5).back();
    }

    Table t;
};

TEST_F(Pilot, ProtectionFirstThenAnotherTurn) {
    turnOf(2);
    t.hand(2, {kLy10000, kUndock, kPowerShield});
    EXPECT_EQ(play(2), msg("CMD_playsafe", {2, kPowerShield, 3, 0}));
    t.host.clearMessages();
    t.host.advance(2000);
    EXPECT_EQ(t.engine.currentplayer, 2);
    EXPECT_EQ(t.to(5)[0].rfind("CMD_nextplayer+2+", 0), 0u);
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));
}

TEST_F(Pilot, StopsAPilotNearTheGoalUnlessItCanFinish) {
    turnOf(2);
    t.hand(2, {kLy10000, kDamage});
    t.seat(2).undocked = true;
    t.seat(2).distance = 20000;
    t.seat(3).undocked = true;
    t.seat(3).distance = 60000;
    EXPECT_EQ(play(2), msg("CMD_placinggo", {2, kDamage, 2, 3}));

    turnOf(2);
    t.hand(2, {kLy10000, kDamage});
    t.seat(2).undocked = true;
    t.seat(2).distance = 60000;
    t.seat(3).undocked = true;
    t.seat(3).distance = 60000;
    EXPECT_EQ(play(2), msg("CMD_traveling", {2, 70000, kLy10000, 1, 10000}));

    // A protected or docked leader is stopped with what still works on it.
    turnOf(2);
    t.hand(2, {kDamage, kTeleport, kDock, kLy5000});
    t.seat(2).undocked = true;
    t.seat(4).distance = 65000;
    t.seat(4).protections[3] = 1;
    EXPECT_EQ(play(2), msg("CMD_placingspeed", {2, kTeleport, 2, 4}));
}

TEST_F(Pilot, WarpUnlessTheSmallCardFinishes) {
    turnOf(3);
    t.hand(3, {kLy2500, kWarp});
    t.seat(3).undocked = true;
    t.seat(3).teleported = true;
    t.seat(3).distance = 40000;
    EXPECT_EQ(play(3), msg("CMD_placingspeed", {3, kWarp, 2, 3}));

    turnOf(3);
    t.hand(3, {kLy2500, kWarp});
    t.seat(3).undocked = true;
    t.seat(3).teleported = true;
    t.seat(3).distance = 67500;
    EXPECT_EQ(play(3), msg("CMD_traveling", {3, 70000, kLy2500, 1, 2500}));
}

TEST_F(Pilot, OrdinaryTurns) {
    turnOf(1);
    t.hand(1, {kLy5000, kLy10000}); // the big card first
    t.seat(1).undocked = true;
    EXPECT_EQ(play(1), msg("CMD_traveling", {1, 10000, kLy10000, 2, 10000}));

    turnOf(1);
    t.hand(1, {kLy7500, kLy10000, kLy5000}); // teleported: only the small ones
    t.seat(1).undocked = true;
    t.seat(1).teleported = true;
    EXPECT_EQ(play(1), msg("CMD_traveling", {1, 5000, kLy5000, 3, 5000}));

    turnOf(1);
    t.hand(1, {kLy10000, kUndock});
    EXPECT_EQ(play(1), msg("CMD_placinggo", {1, kUndock, 2, 1}));

    turnOf(1);
    t.hand(1, {kUndock, kReload, kRepair});
    t.seat(1).hazard = kDamage;
    EXPECT_EQ(play(1), msg("CMD_placinggo", {1, kRepair, 3, 1}));
}

TEST_F(Pilot, AttacksTheLeader) {
    turnOf(4);
    t.hand(4, {kSkyjack});
    t.seat(1).undocked = true;
    t.seat(1).distance = 30000;
    t.seat(3).undocked = true;
    t.seat(3).distance = 10000;
    EXPECT_EQ(play(4), msg("CMD_placinggo", {4, kSkyjack, 1, 1}));

    turnOf(1);
    t.hand(1, {kSkyjack});
    t.seat(2).undocked = true;
    t.seat(2).distance = 40000;
    t.seat(3).undocked = true;
    t.seat(3).distance = 10000;
    EXPECT_EQ(play(1), msg("CMD_placinggo", {1, kSkyjack, 1, 3}));

    turnOf(1);
    t.hand(1, {kTeleport});
    t.seat(2).distance = 40000;
    t.seat(3).distance = 10000;
    t.seat(4).teleported = true;
    EXPECT_EQ(play(1), msg("CMD_placingspeed", {1, kTeleport, 1, 2}));

    // An attack card without an eligible ship gives way to the next slot.
    turnOf(1);
    t.hand(1, {kSkyjack, kPowerDrain, kDock});
    t.seat(3).undocked = true;
    t.seat(3).protections[1] = 1;
    EXPECT_EQ(play(1), msg("CMD_placinggo", {1, kPowerDrain, 2, 3}));
}

TEST_F(Pilot, DiscardStages) {
    turnOf(2); // docked with POWER DRAIN and no POWER: nothing to play
    t.hand(2, {kUndock, kLy10000, kLy10000, kWarp, kLy10000, kUndock, kLy10000});
    t.seat(2).hazard = kPowerDrain;
    EXPECT_EQ(play(2), msg("CMD_hediscard", {2, 2, kLy10000}));

    turnOf(2);
    t.hand(2, {kLy5000, kDock, kReload, kTeleport});
    t.seat(2).protections[1] = 1;
    t.seat(2).hazard = kDamage;
    for (int s = 1; s <= 4; ++s)
        t.seat(s).teleported = true; // no TELEPORT target
    EXPECT_EQ(play(2), msg("CMD_hediscard", {2, 3, kReload}));

    turnOf(2);
    t.hand(2, {kLy7500, kLy5000, kDock});
    t.seat(2).hazard = kDamage;
    EXPECT_EQ(play(2), msg("CMD_hediscard", {2, 3, kDock}));
}

TEST_F(Pilot, RandomDiscardSparesUndockAndAlwaysEnds) {
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        turnOf(2);
        t.engine.random().setSeed(seed);
        t.hand(2, {kUndock, kUndock, kTeleport});
        t.seat(2).undocked = true;
        for (int s = 1; s <= 4; ++s)
            t.seat(s).teleported = true;
        EXPECT_EQ(play(2), msg("CMD_hediscard", {2, 3, kTeleport}));
    }
    // With nothing but UNDOCKs that cannot be played the first one goes.
    turnOf(2);
    t.hand(2, {kNoCard, kUndock, kUndock});
    t.seat(2).undocked = true;
    t.engine.computerdiscard(2);
    EXPECT_EQ(t.to(5).back(), msg("CMD_hediscard", {2, 2, kUndock}));
}

TEST_F(Pilot, PlaysOnlyTheSeatWhosePlayIsDue) {
    turnOf(2);
    t.hand(2, {kUndock});
    t.hand(3, {kUndock});
    EXPECT_EQ(play(3), "");
    EXPECT_EQ(play(0), "");
    EXPECT_EQ(play(9), "");
    EXPECT_NE(play(2), "");
    EXPECT_EQ(play(2), ""); // the play was made; the next turn is pending
}

} // namespace
} // namespace dw::test
