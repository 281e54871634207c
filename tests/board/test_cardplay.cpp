// Selecting a card, the targets it lights, rearranging and sorting the hand,
// and the commands that plays and discards send.
#include "boardtest.h"

namespace dw::test {
namespace {

using Lit = std::vector<bool>;

class CardPlay : public BoardTest {
protected:
    void SetUp() override {
        startGame();
        myTurn();
        ev.clear();
    }
    // Puts `card` into place 7 and selects it; returns the markers lit.
    Lit select(int card) {
        m.card1MouseUp(7, false); // whatever was selected: deselect or swap
        if (m.state().selectedslot != 0)
            m.card1MouseUp(m.state().selectedslot, false);
        cmd("CMD_mycards+2+7+" + std::to_string(card));
        m.card1MouseUp(7, false);
        EXPECT_EQ(m.state().selectedslot, 7);
        Lit lit = targets();
        m.card1MouseUp(7, false);
        return lit;
    }
    void setShip(int seat, int state) {
        m.state().shipstate[static_cast<std::size_t>(seat)] = state;
    }
    void setWarp(int seat, int w) { m.state().warpdamage[static_cast<std::size_t>(seat)] = w; }
};

TEST_F(CardPlay, LightyearCardsNeedAMovingShip) {
    for (int card = 1; card <= 5; ++card)
        EXPECT_EQ(select(card), (Lit{false, false, false, false})) << card;
    setShip(2, 1);
    for (int card = 1; card <= 5; ++card)
        EXPECT_EQ(select(card), (Lit{false, true, false, false})) << card;
    setWarp(2, 1);
    EXPECT_EQ(select(2), (Lit{false, true, false, false}));
    EXPECT_EQ(select(3), (Lit{false, false, false, false}));
    EXPECT_EQ(select(5), (Lit{false, false, false, false}));
}

TEST_F(CardPlay, UndockOnlyOnADockedShip) {
    for (int state : {0, 3, 6, 8}) {
        setShip(2, state);
        EXPECT_EQ(select(6), (Lit{false, true, false, false})) << state;
    }
    for (int state : {1, 2, 5, 7}) {
        setShip(2, state);
        EXPECT_EQ(select(6), (Lit{false, false, false, false})) << state;
    }
}

TEST_F(CardPlay, RepairsMatchTheirHazard) {
    const std::pair<int, int> fixes[] = {{9, 2}, {13, 5}, {15, 7}};
    for (auto [card, state] : fixes) {
        setShip(2, state);
        EXPECT_EQ(select(card), (Lit{false, true, false, false})) << card;
        setShip(2, state == 2 ? 5 : 2);
        EXPECT_EQ(select(card), (Lit{false, false, false, false})) << card;
    }
    EXPECT_EQ(select(11), (Lit{false, false, false, false}));
    setWarp(2, 1);
    EXPECT_EQ(select(11), (Lit{false, true, false, false}));
}

TEST_F(CardPlay, AttacksLightMovingOpponentsWithoutTheProtection) {
    cmd("CMD_startgame+Ann+5000+70000+t+f+");
    myTurn();
    for (int n = 1; n <= 4; ++n)
        setShip(n, 1);
    EXPECT_EQ(select(7), (Lit{true, false, true, false})); // seat 4 is out, own never
    cmd("CMD_playsafe+1+16+1+0+");
    cmd("CMD_playsafe+3+18+1+0+");
    cmd("CMD_playsafe+1+19+1+0+");
    EXPECT_EQ(select(8), (Lit{false, false, true, false}));
    EXPECT_EQ(select(12), (Lit{true, false, false, false}));
    EXPECT_EQ(select(14), (Lit{false, false, true, false}));
    EXPECT_EQ(select(7), (Lit{true, false, true, false})); // DOCK has no protection
    setShip(3, 0);
    EXPECT_EQ(select(7), (Lit{true, false, false, false}));
}

TEST_F(CardPlay, TeleportLightsDockedOpponentsNotYetTeleported) {
    cmd("CMD_startgame+Ann+5000+70000+f+t+");
    myTurn();
    EXPECT_EQ(select(10), (Lit{true, false, false, true}));
    setWarp(1, 1);
    cmd("CMD_playsafe+4+17+1+0+");
    EXPECT_EQ(select(10), (Lit{false, false, false, false}));
}

TEST_F(CardPlay, ProtectionsAlwaysLightTheOwnShipAndGoOutAsPlacego) {
    for (int card = 16; card <= 19; ++card)
        EXPECT_EQ(select(card), (Lit{false, true, false, false})) << card;
    m.card1MouseUp(6, false); // the Skyjack Shield
    EXPECT_EQ(ev.sounds.back(), "clickcard");
    m.image_target1Click(2);
    EXPECT_EQ(ev.sent, Strings{"CMD_placego+2+6+2+\xFF"});
    EXPECT_EQ(ev.sounds.back(), "clicktarget");
    EXPECT_EQ(m.state().turnseat, 0);
    // Markers, raise and selection stay until the host answers.
    EXPECT_TRUE(seat(2).target);
    EXPECT_TRUE(place(6).raised);
    EXPECT_EQ(m.state().selectedslot, 6);
    m.image_target1Click(2); // no longer the own turn
    EXPECT_EQ(ev.sent.size(), 1u);
}

TEST_F(CardPlay, CommandsForEachKindOfCard) {
    setShip(2, 1);
    m.card1MouseUp(1, false); // 10000
    m.image_target1Click(1);  // not lit: nothing
    EXPECT_TRUE(ev.sent.empty());
    m.image_target1Click(2);
    EXPECT_EQ(ev.sent.back(), "CMD_gomiles+2+1+\xFF");
    cmd("CMD_invalid+2+0+");

    m.card1MouseUp(1, false);
    setShip(1, 1);
    m.card1MouseUp(3, false); // DAMAGE on Ann
    m.image_target1Click(1);
    EXPECT_EQ(ev.sent.back(), "CMD_placego+2+3+1+\xFF");
    cmd("CMD_invalid+2+0+");

    m.card1MouseUp(3, false);
    cmd("CMD_mycards+2+7+10");
    m.card1MouseUp(7, false); // TELEPORT on seat 4
    m.image_target1Click(4);
    EXPECT_EQ(ev.sent.back(), "CMD_placespeed+2+7+4+\xFF");
    EXPECT_EQ(ev.sent.size(), 3u);
}

TEST_F(CardPlay, EmptyPlaceCanOnlyBeDiscarded) {
    EXPECT_EQ(place(7).card, 1); // drawn this turn
    cmd("CMD_mycards+2+7+0");
    m.card1MouseUp(7, false);
    EXPECT_EQ(targets(), (Lit{false, false, false, false}));
    EXPECT_EQ(ev.sounds, Strings{"clickcard"});
    m.image_discardClick();
    EXPECT_EQ(ev.sent, Strings{"CMD_discard+2+7+\xFF"});
    EXPECT_EQ(m.state().turnseat, 0);
    EXPECT_FALSE(m.view().turn.visible);
    EXPECT_EQ(ev.sounds.size(), 1u);
    m.image_discardClick();
    EXPECT_EQ(ev.sent.size(), 1u);
}

TEST_F(CardPlay, DiscardNeedsASelection) {
    m.image_discardClick();
    EXPECT_TRUE(ev.sent.empty());
    EXPECT_EQ(m.state().turnseat, 2);
}

TEST_F(CardPlay, WithoutLoginTheTurnEndsButNothingIsSent) {
    m.state().loggedin = false;
    m.card1MouseUp(2, false);
    m.image_target1Click(2);
    EXPECT_EQ(m.state().turnseat, 0);
    cmd("CMD_invalid+2+0+");
    m.image_discardClick();
    EXPECT_EQ(m.state().turnseat, 0);
    EXPECT_TRUE(ev.sent.empty());
}

TEST_F(CardPlay, DeselectAndSwap) {
    m.card1MouseUp(2, false);
    EXPECT_TRUE(place(2).raised);
    EXPECT_EQ(place(2).top(), 193);
    m.card1MouseUp(2, false);
    EXPECT_FALSE(place(2).raised);
    EXPECT_EQ(m.state().selectedslot, 0);
    EXPECT_EQ(targets(), (Lit{false, false, false, false}));

    m.card1MouseUp(2, false);
    ev.clear();
    m.card1MouseUp(5, false);
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_EQ(m.state().selectedslot, 0);
    EXPECT_FALSE(place(2).raised);
    EXPECT_FALSE(place(5).raised);
    EXPECT_EQ(place(2).left, 278);
    EXPECT_EQ(place(5).left, 101);
    EXPECT_EQ(m.state().handorder, (std::array<int, 8>{0, 1, 5, 3, 4, 2, 6, 7}));
    // Swapping by places, not by positions, after the first swap.
    m.card1MouseUp(5, false);
    m.card1MouseUp(7, false);
    EXPECT_EQ(m.state().handorder, (std::array<int, 8>{0, 1, 7, 3, 4, 2, 6, 5}));
    EXPECT_EQ(place(7).left, 101);
    EXPECT_EQ(place(5).left, 396);
    // Place numbers, not positions, travel in the commands.
    m.card1MouseUp(7, false);
    m.image_discardClick();
    EXPECT_EQ(ev.sent, Strings{"CMD_discard+2+7+\xFF"});
}

TEST_F(CardPlay, OutOfTurnLeftClicksOnlyHideMarkers) {
    m.card1MouseUp(2, false);
    m.image_target1Click(2);
    ASSERT_TRUE(seat(2).target);
    m.card1MouseUp(3, false);
    EXPECT_FALSE(seat(2).target);
    EXPECT_EQ(m.state().selectedslot, 2);
    EXPECT_EQ(m.state().handorder, (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(CardPlay, SortingTheExampleHand) {
    cmd("CMD_mycards+2+7+0");
    // Hand: 10000, UNDOCK, DAMAGE, 20000, REPAIR, Skyjack Shield, empty.
    m.card1MouseUp(3, false);
    ev.clear();
    m.card1MouseUp(4, true);
    EXPECT_EQ(m.state().handorder, (std::array<int, 8>{0, 6, 2, 5, 3, 4, 1, 7}));
    for (int p = 1; p <= 7; ++p) {
        const int at = m.state().handorder[static_cast<std::size_t>(p)];
        EXPECT_EQ(place(at).left, layout::kHandX[static_cast<std::size_t>(p)]);
    }
    // The selected card stays raised and selected; nothing is sent or played.
    EXPECT_EQ(m.state().selectedslot, 3);
    EXPECT_TRUE(place(3).raised);
    EXPECT_TRUE(ev.sent.empty());
    EXPECT_TRUE(ev.sounds.empty());
}

TEST_F(CardPlay, SortingGroupsAndKeepsOrderWithinGroups) {
    cmd("CMD_nextplayer+1+0+0+30+"); // sorting works out of turn too
    cmd("CMD_mycards+2+1+14+2+1+3+9+4+6+5+17+6+11+7+1");
    m.sortcards();
    // POWER DRAIN(1) 2500(2) RELOAD(3) UNDOCK(4) Teleport Shield(5) WARP(6) 2500(7)
    EXPECT_EQ(m.state().handorder, (std::array<int, 8>{0, 5, 4, 3, 6, 1, 2, 7}));
}

} // namespace
} // namespace dw::test
