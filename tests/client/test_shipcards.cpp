// A newcomer's board during a game: what the snapshot alone lets it draw, and
// the piles message that completes the picture.
#include "boardtest.h"

namespace dw::test {
namespace {

// Bob (seat 2) joins a game: Ann's ship was teleported while docked (her go
// pile shows whatever docked her, which the snapshot does not tell), Bob's
// moves, seat 3 is skyjacked, seat 4 never travelled.
msg::NewStats joinedSnapshot() {
    return {2,
            1,
            true,
            5000,
            40,
            70000,
            {{1, 300, true, false, true, 7500, 0, {false, false, true, false}},
             {2, 0, true, true, false, 12500, 0, {false, false, false, false}},
             {3, 0, true, false, false, 5000, 8, {false, false, false, false}},
             {4, 0, true, false, false, 0, 0, {false, false, false, false}}}};
}

msg::ShipCards joinedPiles() {
    return {13,
            {{1, 10, 7, 3, {0, 0, 18, 0}}, {2, 11, 6, 2, {}}, {3, 0, 8, 2, {}}, {4, 0, 0, 0, {}}}};
}

TEST_F(BoardTest, TheSnapshotAloneDrawsOnlyWhatItTellsForCertain) {
    login(2);
    cmd(msg::ExistingPlayers{1, "Ann"});
    cmd(joinedSnapshot());
    // Ann: TELEPORT, and no DOCK beside it (she may never have undocked).
    EXPECT_EQ(seat(1).speedPile, 10);
    EXPECT_FALSE(seat(1).goPile);
    EXPECT_FALSE(seat(1).milePile);
    EXPECT_EQ(seat(1).miles, "7500 Lyrs");
    EXPECT_TRUE(seat(1).safe[3]);
    EXPECT_TRUE(teleported(1));
    // Bob moves: UNDOCK is on his go pile whatever came before.
    EXPECT_EQ(seat(2).goPile, 6);
    EXPECT_FALSE(seat(2).speedPile); // a WARP may lie there; not drawn
    EXPECT_EQ(ship(2), 1);
    EXPECT_EQ(seat(3).goPile, 8);
    // Seat 4 never travelled this round: no distance at all, as the others see it.
    EXPECT_EQ(seat(4).miles, "");
    EXPECT_FALSE(seat(4).goPile);
    EXPECT_FALSE(m.view().discard);
}

TEST_F(BoardTest, ThePilesMessageCompletesThePicture) {
    login(2);
    cmd(msg::ExistingPlayers{1, "Ann"});
    cmd(joinedSnapshot());
    cmd(joinedPiles());
    EXPECT_EQ(seat(1).speedPile, 10);
    EXPECT_EQ(seat(1).goPile, 7);
    EXPECT_EQ(seat(1).milePile, 3);
    EXPECT_EQ(seat(1).safe, (std::array<bool, 5>{false, false, false, true, false}));
    EXPECT_EQ(ship(1), 0);
    EXPECT_EQ(seat(2).speedPile, 11);
    EXPECT_FALSE(teleported(2));
    EXPECT_EQ(seat(2).milePile, 2);
    EXPECT_EQ(ship(2), 1);
    EXPECT_EQ(seat(3).goPile, 8);
    EXPECT_EQ(ship(3), 2);
    EXPECT_FALSE(seat(4).speedPile);
    EXPECT_FALSE(seat(4).goPile);
    EXPECT_EQ(m.view().discard, 13);
    // Play goes on from there as for everybody.
    cmd(msg::PlacingSpeed{2, 10, 3, 3});
    EXPECT_EQ(seat(3).speedPile, 10);
}

TEST_F(BoardTest, ThePilesMessageIsDroppedWhenACardCannotLieThere) {
    login(2);
    cmd(msg::ExistingPlayers{1, "Ann"});
    cmd(joinedPiles()); // no game yet: nothing to draw on
    EXPECT_FALSE(seat(1).goPile);
    EXPECT_FALSE(m.view().discard);
    cmd(joinedSnapshot());
    const auto with = [](auto change) {
        msg::ShipCards p = joinedPiles();
        change(p);
        return p;
    };
    for (const msg::ShipCards& bad :
         {with([](msg::ShipCards& p) { p.discard = 20; }),
          with([](msg::ShipCards& p) { p.ships[0].speed = 6; }),       // UNDOCK on the speed pile
          with([](msg::ShipCards& p) { p.ships[0].go = 10; }),         // TELEPORT on the go pile
          with([](msg::ShipCards& p) { p.ships[0].go = 16; }),         // a shield on the go pile
          with([](msg::ShipCards& p) { p.ships[1].miles = 6; }),       // UNDOCK as lightyears
          with([](msg::ShipCards& p) { p.ships[2].shields[0] = 17; }), // the wrong shield
          with([](msg::ShipCards& p) { p.ships[3].seat = 5; })}) {
        cmd(bad);
        EXPECT_FALSE(seat(1).goPile);
        EXPECT_FALSE(seat(2).milePile);
        EXPECT_FALSE(m.view().discard);
    }
}

} // namespace
} // namespace dw::test
