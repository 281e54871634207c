// Selecting a card, the targets it lights, rearranging and sorting the hand,
// and the commands that plays and discards send.
#include "boardtest.h"

namespace dw::test {
namespace {

using Lit = std::vector<bool>;
const Lit kNone{false, false, false, false};
const Lit kOwn{false, true, false, false}; // Bob is seat 2

class CardPlay : public BoardTest {
protected:
    void SetUp() override {
        startGame();
        myTurn();
        ev.clear();
    }
    // The markers lit by selecting `card` (put into place 7); deselects again.
    Lit select(int card) {
        cmd(msg::MyCards{2, {{7, card}}});
        m.onCardReleased(7, false);
        EXPECT_EQ(m.state().selectedSlot, 7);
        Lit lit = targets();
        m.onCardReleased(7, false);
        return lit;
    }
};

TEST_F(CardPlay, OwnShipCards) {
    for (int card : {1, 5, 9, 11, 13, 15})
        EXPECT_EQ(select(card), kNone) << card;
    setShip(2, 1);
    for (int card = 1; card <= 5; ++card)
        EXPECT_EQ(select(card), kOwn) << card;
    m.state().ships[2].teleported = true;
    EXPECT_EQ(select(2), kOwn);
    EXPECT_EQ(select(3), kNone);
    EXPECT_EQ(select(11), kOwn);
    for (int state : {0, 3, 6, 8}) {
        setShip(2, state);
        EXPECT_EQ(select(6), kOwn) << state;
    }
    for (int state : {1, 2, 5, 7}) {
        setShip(2, state);
        EXPECT_EQ(select(6), kNone) << state;
    }
    for (auto [card, state] : {std::pair{9, 2}, {13, 5}, {15, 7}}) {
        setShip(2, state);
        EXPECT_EQ(select(card), kOwn) << card;
    }
    for (int card = 16; card <= 19; ++card)
        EXPECT_EQ(select(card), kOwn) << card;
    EXPECT_EQ(select(0), kNone);
}

TEST_F(CardPlay, AttacksLightMovingOpponentsWithoutTheProtection) {
    cmd(msg::StartGameAnnounce{"Ann", 5000, 70000, true, false});
    myTurn();
    for (int n = 1; n <= 4; ++n)
        setShip(n, 1);
    EXPECT_EQ(select(7), (Lit{true, false, true, false})); // seat 4 is out
    cmd(msg::PlaySafe{1, 16, 1, 0});
    cmd(msg::PlaySafe{3, 18, 1, 0});
    cmd(msg::PlaySafe{1, 19, 1, 0});
    EXPECT_EQ(select(8), (Lit{false, false, true, false}));
    EXPECT_EQ(select(12), (Lit{true, false, false, false}));
    EXPECT_EQ(select(14), (Lit{false, false, true, false}));
    setShip(3, 0);
    EXPECT_EQ(select(7), (Lit{true, false, false, false}));
}

TEST_F(CardPlay, TeleportLightsDockedOpponentsNotYetTeleported) {
    cmd(msg::StartGameAnnounce{"Ann", 5000, 70000, false, true});
    myTurn();
    EXPECT_EQ(select(10), (Lit{true, false, false, true}));
    m.state().ships[1].teleported = true;
    cmd(msg::PlaySafe{4, 17, 1, 0});
    EXPECT_EQ(select(10), kNone);
}

TEST_F(CardPlay, CommandsSentByTargetClicks) {
    m.onCardReleased(6, false); // Skyjack Shield
    EXPECT_EQ(ev.sounds, Strings{"clickcard"});
    m.onTargetClicked(1); // not lit
    EXPECT_TRUE(ev.sent.empty());
    m.onTargetClicked(2);
    EXPECT_EQ(ev.sounds.back(), "clicktarget");
    EXPECT_EQ(m.state().turnSeat, 0);
    EXPECT_TRUE(seat(2).target && place(6).raised && m.state().selectedSlot == 6);
    m.onTargetClicked(2); // the turn is given up until the host answers
    cmd(msg::Invalid{2, 0});

    m.onCardReleased(6, false);
    setShip(2, 1);
    setShip(1, 1);
    m.onCardReleased(1, false); // 10000
    m.onTargetClicked(2);
    cmd(msg::Invalid{2, 0});
    m.onCardReleased(1, false);
    m.onCardReleased(3, false); // DAMAGE
    m.onTargetClicked(1);
    cmd(msg::Invalid{2, 0});
    m.onCardReleased(3, false);
    select(10);
    m.onCardReleased(7, false); // TELEPORT
    m.onTargetClicked(4);
    EXPECT_EQ(ev.sent,
              (Strings{(msg::PlaceGo{2, 6, 2}.encode()), (msg::GoMiles{2, 1}.encode()),
                       (msg::PlaceGo{2, 3, 1}.encode()), (msg::PlaceSpeed{2, 7, 4}.encode())}));
}

TEST_F(CardPlay, DiscardingAnEmptyPlace) {
    m.onDiscardClicked(); // nothing selected
    select(0);
    m.onCardReleased(7, false);
    m.onDiscardClicked();
    m.onDiscardClicked();
    EXPECT_EQ(ev.sent, Strings{(msg::Discard{2, 7}.encode())});
    EXPECT_EQ(ev.sounds, (Strings{"clickcard", "clickcard"}));
    EXPECT_EQ(m.state().turnSeat, 0);
    EXPECT_FALSE(m.view().turn.visible);
}

TEST_F(CardPlay, WithoutLoginTheTurnEndsButNothingIsSent) {
    m.state().loggedIn = false;
    m.onCardReleased(2, false);
    m.onTargetClicked(2);
    EXPECT_EQ(m.state().turnSeat, 0);
    cmd(msg::Invalid{2, 0});
    m.onDiscardClicked();
    EXPECT_EQ(m.state().turnSeat, 0);
    EXPECT_TRUE(ev.sent.empty());
}

TEST_F(CardPlay, SwappingPlaces) {
    m.onCardReleased(2, false);
    ev.clear();
    m.onCardReleased(5, false);
    EXPECT_TRUE(ev.sounds.empty());
    EXPECT_EQ(m.state().selectedSlot, 0);
    EXPECT_FALSE(place(2).raised || place(5).raised);
    EXPECT_EQ(m.positionOf(2), 5);
    EXPECT_EQ(m.positionOf(5), 2);
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 1, 5, 3, 4, 2, 6, 7}));
    m.onCardReleased(5, false); // places, not positions, are swapped
    m.onCardReleased(7, false);
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 1, 7, 3, 4, 2, 6, 5}));
    EXPECT_EQ(m.positionOf(5), 7);
    m.onCardReleased(7, false);
    m.onDiscardClicked();
    EXPECT_EQ(ev.sent, Strings{(msg::Discard{2, 7}.encode())});
}

TEST_F(CardPlay, OutOfTurnLeftClicksOnlyHideMarkers) {
    m.onCardReleased(2, false);
    m.onTargetClicked(2);
    m.onCardReleased(3, false);
    EXPECT_FALSE(seat(2).target);
    EXPECT_EQ(m.state().selectedSlot, 2);
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(CardPlay, SortingTheHand) {
    cmd(msg::MyCards{2, {{7, 0}}});
    // 10000, UNDOCK, DAMAGE, 20000, REPAIR, Skyjack Shield, empty.
    m.onCardReleased(3, false);
    ev.clear();
    m.onCardReleased(4, true);
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 6, 2, 5, 3, 4, 1, 7}));
    for (int p = 1; p <= 7; ++p) {
        const int at = m.state().handOrder[static_cast<std::size_t>(p)];
        EXPECT_EQ(m.positionOf(at), p);
    }
    EXPECT_EQ(m.state().selectedSlot, 3);
    EXPECT_TRUE(place(3).raised);
    EXPECT_TRUE(ev.sent.empty() && ev.sounds.empty());

    // Out of turn too; within a group the previous left-to-right order stays
    // (WARP in place 6 stood left of RELOAD in place 3).
    cmd(msg::NextPlayer{1, 0, 0, 30});
    cmd(msg::MyCards{2, {{1, 14}, {2, 1}, {3, 9}, {4, 6}, {5, 17}, {6, 11}, {7, 1}}});
    m.sortCards();
    EXPECT_EQ(m.state().handOrder, (std::array<int, 8>{0, 5, 4, 6, 3, 1, 2, 7}));
}

TEST_F(CardPlay, KeysMoveTheSelectionAndChooseALitTarget) {
    const std::array<int, 8> unchanged{0, 1, 2, 3, 4, 5, 6, 7};
    // Right from nothing starts at the left and stops at the right end.
    m.stepSelection(+1);
    EXPECT_EQ(m.state().selectedSlot, 1);
    for (int i = 0; i < 9; ++i)
        m.stepSelection(+1);
    EXPECT_EQ(m.state().selectedSlot, 7);
    EXPECT_TRUE(place(7).raised);
    EXPECT_FALSE(place(1).raised || place(6).raised);
    EXPECT_EQ(m.state().handOrder, unchanged); // moved, never exchanged
    m.deselect();
    EXPECT_EQ(m.state().selectedSlot, 0);
    m.stepSelection(-1);
    EXPECT_EQ(m.state().selectedSlot, 7);

    // The shield lights the own ship, which is chosen at once.
    m.selectPosition(6);
    EXPECT_EQ(m.view().chosenTarget, 2);
    m.cycleTarget(-1);
    EXPECT_EQ(m.view().chosenTarget, 2);
    // REPAIR on an undamaged ship lights nothing: Enter sends nothing.
    m.selectPosition(5);
    EXPECT_EQ(targets(), kNone);
    m.cycleTarget(+1);
    m.playChosenTarget();
    EXPECT_TRUE(ev.sent.empty());
    EXPECT_EQ(m.state().turnSeat, 2);

    // Out of turn a key selects nothing.
    m.deselect();
    cmd(msg::NextPlayer{3, 0, 0, 26});
    m.selectPosition(1);
    m.stepSelection(+1);
    EXPECT_EQ(m.state().selectedSlot, 0);
    m.playChosenTarget();
    EXPECT_TRUE(ev.sent.empty());
}

} // namespace
} // namespace dw::test
