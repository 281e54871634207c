// Validation and effect of every play.
#include "enginetest.h"

namespace dw::test {
namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        t.startAt(1, true, false); // seats 1, 2, 3 play; seat 4 is out
        t.connect({1, 2, 5});
    }

    // The play was refused with `code`: only the seat heard of it, nothing
    // changed, and the engine still waits for the same seat.
    void expectRefused(int code, std::vector<std::string> diagnostics) {
        ASSERT_FALSE(t.to(1).empty());
        EXPECT_EQ(t.to(1).back(), msg("CMD_invalid", {1, code}));
        EXPECT_TRUE(t.to(2).empty());
        EXPECT_TRUE(t.to(5).empty());
        EXPECT_EQ(t.host.diagnostics, diagnostics);
        EXPECT_EQ(t.engine.timer1action(), kActionNone);
        EXPECT_FALSE(t.host.armed(EngineTimer::Timer1));
        EXPECT_EQ(t.engine.currentplayer, 1);
        t.host.clearMessages();
        t.host.diagnostics.clear();
    }

    void expectApplied(const std::string& outcome, int action = kActionNextTurn) {
        EXPECT_EQ(t.to(2), std::vector<std::string>{outcome});
        EXPECT_EQ(t.to(5), std::vector<std::string>{outcome});
        EXPECT_TRUE(t.host.diagnostics.empty());
        EXPECT_EQ(t.engine.timer1action(), action);
        EXPECT_EQ(t.engine.timer1count, 2);
        EXPECT_TRUE(t.host.armed(EngineTimer::Timer1));
        EXPECT_EQ(t.host.interval(EngineTimer::Timer1), 1000);
    }

    Table t;
};

TEST_F(Rules, OwnShipRefusalsComeInOrder) {
    t.hand(1, {kNoCard, kSkyjack, kUndock, kReload, kRepair, kLy5000, kTeleport});
    const auto cards = t.seat(1).cards;
    t.engine.placego("1+1+1+");
    expectRefused(0, {"error0"});
    t.engine.placego("1+2+1+");
    expectRefused(3, {"error3", "8..0"});
    t.engine.placego("1+6+1+"); // a lightyear card on the own ship
    expectRefused(3, {"error3", "2..0"});
    t.seat(1).undocked = true;
    t.engine.placego("1+3+1+");
    expectRefused(4, {"error4"});
    t.seat(1).undocked = false;
    t.seat(1).hazard = kDamage;
    t.engine.placego("1+3+1+");
    expectRefused(6, {"error6", "6..12"});
    t.engine.placego("1+4+1+");
    expectRefused(7, {"error7", "9..12"});
    // Unconnected seats get no message, but the host still shows the notice.
    t.seat(1).connected = false;
    t.engine.placego("1+2+1+");
    EXPECT_TRUE(t.to(1).empty());
    EXPECT_EQ(t.host.diagnostics, (std::vector<std::string>{"error3", "8..12"}));
    EXPECT_EQ(t.seat(1).cards, cards);
}

TEST_F(Rules, RepairThenUndock) {
    t.hand(1, {kReload, kUndock});
    t.seat(1).hazard = kSkyjack;
    t.engine.placego("1+1+1+");
    expectApplied(msg("CMD_placinggo", {1, kReload, 1, 1}));
    EXPECT_EQ(t.seat(1).hazard, 0);
    EXPECT_EQ(t.seat(1).repaired, kSkyjack);
    EXPECT_FALSE(t.seat(1).undocked);
    EXPECT_EQ(t.seat(1).cards[1], kNoCard);

    // UNDOCK next clears the repair.
    t.startAt(1, true, false);
    t.hand(1, {kReload, kUndock});
    t.seat(1).repaired = kSkyjack;
    t.engine.placego("1+2+1+");
    expectApplied(msg("CMD_placinggo", {1, kUndock, 2, 1}));
    EXPECT_TRUE(t.seat(1).undocked);
    EXPECT_EQ(t.seat(1).repaired, 0);
}

TEST_F(Rules, AttacksOnOtherShips) {
    t.hand(1, {kUndock, kDamage, kSkyjack, kDock, kPowerDrain});
    t.engine.placego("1+1+4+"); // seat 4 is out: 12 whatever the card
    expectRefused(12, {"error12"});
    t.engine.placego("1+1+2+");
    expectRefused(3, {"error3", "6..0..2"});
    t.engine.placego("1+2+2+");
    expectRefused(8, {"error8", "12..0..2"});
    t.seat(2).undocked = true;
    t.seat(2).protections[3] = 1;
    t.engine.placego("1+2+2+");
    expectRefused(11, {"error11", "12..0..2"});
    // SKYJACK on an undocked, teleported ship: docked, hazard 8, still teleported.
    t.seat(2).teleported = true;
    t.engine.placego("1+3+2+");
    expectApplied(msg("CMD_placinggo", {1, kSkyjack, 3, 2}));
    EXPECT_FALSE(t.seat(2).undocked);
    EXPECT_EQ(t.seat(2).hazard, kSkyjack);
    EXPECT_TRUE(t.seat(2).teleported);
    EXPECT_EQ(t.seat(1).cards[3], kNoCard);
}

TEST_F(Rules, DockLeavesNoHazard) {
    t.hand(1, {kDock});
    t.seat(3).undocked = true;
    t.seat(3).teleported = true; // DOCK itself does not mind a teleported target
    t.engine.placego("1+1+3+");
    expectApplied(msg("CMD_placinggo", {1, kDock, 1, 3}));
    EXPECT_FALSE(t.seat(3).undocked);
    EXPECT_EQ(t.seat(3).hazard, 0);
    t.hand(3, {kUndock}); // the victim needs only an UNDOCK
    EXPECT_TRUE(t.engine.canmove(3));
}

TEST_F(Rules, ProtectionEffectsAndTheExtraTurn) {
    struct Case {
        int card, hazard, repaired;
        bool teleported;
        int effect;
        bool undocked;
    };
    const Case cases[] = {
        {kSkyjackShield, 0, kSkyjack, false, 1, true}, // after a RELOAD
        {kDamageShield, 0, kDamage, false, 1, true},   // after a REPAIR
        {kSkyjackShield, kSkyjack, 0, false, 1, true}, // while skyjacked
        {kPowerShield, kPowerDrain, 0, true, 1, true}, // teleport stays
        {kTeleportShield, 0, 0, true, 2, false},       // ends TELEPORT
        {kDamageShield, kSkyjack, 0, false, 0, false}, // wrong hazard
        {kPowerShield, 0, 0, false, 0, false},         // nothing to clear
        {kSkyjackShield, 0, kDamage, false, 0, false}, // repair of another hazard
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "card " << c.card << " hazard " << c.hazard);
        t.startAt(1, true, false);
        t.hand(1, {kLy2500, c.card});
        t.seat(1).hazard = c.hazard;
        t.seat(1).repaired = c.repaired;
        t.seat(1).teleported = c.teleported;
        t.engine.placego("1+2+1+");
        expectApplied(msg("CMD_playsafe", {1, c.card, 2, c.effect}));
        EXPECT_EQ(t.seat(1).undocked, c.undocked);
        EXPECT_EQ(t.seat(1).protections[ix(c.card - 15)], 1);
        if (c.effect == 1) {
            EXPECT_EQ(t.seat(1).hazard, 0);
            EXPECT_EQ(t.seat(1).repaired, 0);
        }
        if (c.effect == 2) {
            EXPECT_FALSE(t.seat(1).teleported);
        }
        // Another turn for the same seat, with a fresh draw.
        const int before = t.engine.deckpos;
        t.host.advance(2000);
        EXPECT_EQ(t.engine.currentplayer, 1);
        EXPECT_EQ(t.engine.deckpos, before + 1);
        EXPECT_NE(t.seat(1).cards[2], kNoCard);
        EXPECT_EQ(t.engine.timer1action(), kActionNone);
    }
}

TEST_F(Rules, SpeedCards) {
    t.hand(1, {kNoCard, kTeleport, kWarp, kLy2500});
    t.engine.placespeed("1+1+2+");
    expectRefused(0, {"error110"});
    t.engine.placespeed("1+4+2+");
    expectRefused(0, {"error110"});
    t.engine.placespeed("1+2+1+");
    expectRefused(9, {"error9", "10..0..1"});
    t.engine.placespeed("1+3+1+");
    expectRefused(9, {"error9", "11..0..1"});
    t.engine.placespeed("1+2+4+");
    expectRefused(12, {"error12"});
    t.seat(2).teleported = true;
    t.engine.placespeed("1+2+2+");
    expectRefused(10, {"error10", "10+2"});
    t.seat(2).teleported = false;
    t.seat(2).protections[2] = 1;
    t.engine.placespeed("1+2+2+");
    expectRefused(11, {"error11", "10+2"});
    // TELEPORT hits a docked ship too.
    t.engine.placespeed("1+2+3+");
    expectApplied(msg("CMD_placingspeed", {1, kTeleport, 2, 3}));
    EXPECT_TRUE(t.seat(3).teleported);
    EXPECT_FALSE(t.seat(3).undocked);

    t.startAt(1, true, false);
    t.hand(1, {kWarp});
    t.seat(1).teleported = true;
    t.engine.placespeed("1+1+1+");
    expectApplied(msg("CMD_placingspeed", {1, kWarp, 1, 1}));
    EXPECT_FALSE(t.seat(1).teleported);
}

TEST_F(Rules, Travel) {
    t.hand(1, {kNoCard, kUndock, kLy7500, kLy5000, kLy20000});
    t.engine.gomiles("1+1+"); // docked comes before the empty slot
    expectRefused(1, {"error1"});
    t.seat(1).undocked = true;
    t.engine.gomiles("1+1+");
    expectRefused(0, {"error0"});
    t.engine.gomiles("1+2+");
    expectRefused(2, {"error2"});
    t.seat(1).teleported = true;
    t.engine.gomiles("1+3+");
    expectRefused(5, {"error5"});
    t.engine.gomiles("1+5+");
    expectRefused(5, {"error5"});
    t.engine.gomiles("1+4+");
    expectApplied(msg("CMD_traveling", {1, 5000, kLy5000, 4, 5000}));
    EXPECT_EQ(t.seat(1).distance, 5000);
    EXPECT_TRUE(t.seat(1).safetrip);
}

TEST_F(Rules, OvershootingEndsTheRoundTwoTicksLater) {
    t.hand(1, {kLy20000});
    t.seat(1).undocked = true;
    t.seat(1).distance = 60000;
    t.engine.gomiles("1+1+");
    expectApplied(msg("CMD_traveling", {1, 80000, kLy20000, 1, 20000}), kActionEndRound);
    EXPECT_FALSE(t.seat(1).safetrip);
    t.host.clearMessages();
    t.host.advance(1999);
    EXPECT_TRUE(t.to(5).empty());
    t.host.advance(1);
    ASSERT_EQ(t.to(5).size(), 1u);
    EXPECT_EQ(t.to(5)[0].rfind("CMD_postscores+1+", 0), 0u);
    EXPECT_EQ(t.engine.timer1action(), kActionStartRound);
}

TEST_F(Rules, Discard) {
    t.hand(1, {kLy2500, kNoCard, kPowerShield});
    t.engine.discard("1+2+"); // an empty slot would leave a full hand for the next draw
    expectRefused(0, {"error0"});
    t.engine.discard("1+3+");
    expectApplied(msg("CMD_hediscard", {1, 3, kPowerShield}));
    EXPECT_EQ(t.seat(1).cards[3], kNoCard);
    EXPECT_EQ(t.seat(1).protections[4], 0);
}

TEST_F(Rules, PlaysThatWouldStallAreRefused) {
    t.hand(1, {kRepair, kWarp, kTeleport, kReload});
    t.engine.placego("1+1+1+"); // repair with no hazard in force
    expectRefused(0, {"error0"});
    t.engine.placego("1+4+1+");
    expectRefused(0, {"error0"});
    t.engine.placespeed("1+2+2+"); // WARP at another ship
    expectRefused(0, {"error0"});
    t.seat(1).teleported = true;
    t.engine.placespeed("1+3+1+"); // TELEPORT on the own teleported ship
    expectRefused(0, {"error0"});
    EXPECT_TRUE(t.seat(1).teleported);
    EXPECT_EQ(t.seat(1).cards[1], kRepair);
    EXPECT_EQ(t.seat(1).cards[3], kTeleport);
}

TEST_F(Rules, MalformedFieldsAreDroppedSilently) {
    t.hand(1, {kLy2500, kUndock, kDock, kTeleport});
    t.seat(1).undocked = true;
    t.seat(2).undocked = true;
    const auto cards = t.seat(1).cards;
    const char* bad3[] = {"0+1+2+",  "5+1+2+",  "1+0+2+",  "1+8+2+",
                          "1+3+0+",  "1+3+5+",  "x+1+2+",  "1+y+2+",
                          "1+3+z+",  "1+3+",    "",        "1+3+2",
                          "-1+3+2+", "1+ 3+2+", "12+3+2+", "99999999999+1+2+"};
    for (const char* p : bad3) {
        SCOPED_TRACE(p);
        t.engine.placego(p);
        t.engine.placespeed(p);
    }
    const char* bad2[] = {"0+1+", "5+1+", "1+0+", "1+8+", "x+1+", "1+y+", "1+", "1+1", ""};
    for (const char* p : bad2) {
        SCOPED_TRACE(p);
        t.engine.gomiles(p);
        t.engine.discard(p);
    }
    for (int e = 1; e <= 5; ++e)
        EXPECT_TRUE(t.to(e).empty()) << e;
    EXPECT_TRUE(t.host.diagnostics.empty());
    EXPECT_EQ(t.seat(1).cards, cards);
    EXPECT_TRUE(t.seat(2).undocked);
    EXPECT_FALSE(t.seat(2).teleported);
    EXPECT_EQ(t.engine.timer1action(), kActionNone);
}

TEST_F(Rules, OnlyOnePlayPerTurnFromTheCurrentSeat) {
    t.hand(1, {kLy2500, kLy5000, kSkyjackShield});
    t.hand(2, {kLy2500});
    t.seat(1).undocked = true;
    t.seat(2).undocked = true;
    t.engine.gomiles("2+1+"); // not this seat's turn
    EXPECT_TRUE(t.to(2).empty());
    EXPECT_EQ(t.seat(2).distance, 0);
    t.engine.gomiles("1+1+");
    t.engine.gomiles("1+2+"); // a second play before the next turn
    t.engine.discard("1+2+");
    EXPECT_EQ(t.seat(1).distance, 2500);
    EXPECT_EQ(t.seat(1).cards[2], kLy5000);
    EXPECT_EQ(t.to(5).size(), 1u);

    // After a protection the turn pointer sits one seat back until the next
    // turn; that seat may not slip a play in.
    t.startAt(2, true, false);
    t.hand(2, {kSkyjackShield});
    t.hand(1, {kLy2500});
    t.seat(1).undocked = true;
    t.engine.placego("2+1+2+");
    EXPECT_EQ(t.engine.currentplayer, 1);
    t.engine.gomiles("1+1+");
    EXPECT_EQ(t.seat(1).distance, 0);
    t.host.advance(2000);
    EXPECT_EQ(t.engine.currentplayer, 2);
}

TEST(RulesOutsideAGame, PlaysAreIgnored) {
    Table t;
    t.connect({1});
    t.seat(1).cards[1] = kUndock;
    t.engine.placego("1+1+1+"); // no game yet, currentplayer 0
    t.engine.currentplayer = 1;
    t.engine.placego("1+1+1+"); // still no game
    EXPECT_TRUE(t.to(1).empty());
    EXPECT_FALSE(t.seat(1).undocked);
}

} // namespace
} // namespace dw::test
