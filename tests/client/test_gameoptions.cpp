// The game options values and the start command they send.
#include "client/boardmodel.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

TEST(GameOptions, ArrowsStopAtTheEnds) {
    GameOptions o;
    EXPECT_EQ(o.amountText() + " " + o.distanceText(), "5000 70");
    for (int i = 0; i < 20; ++i) {
        o.amountUp();
        o.distanceUp();
    }
    EXPECT_EQ(o.amount(), 10000);
    EXPECT_EQ(o.distance(), 100);
    o.amountDown();
    EXPECT_EQ(o.amount(), 9500);
    for (int i = 0; i < 30; ++i) {
        o.amountDown();
        o.distanceDown();
    }
    EXPECT_EQ(o.amount(), 1000);
    EXPECT_EQ(o.distance(), 50);
}

TEST(GameOptions, RestoredValuesAreBroughtWithinRange) {
    GameOptions o;
    o.setAmount(250000);
    EXPECT_EQ(o.amount(), 10000);
    o.setAmount(-3);
    EXPECT_EQ(o.amount(), 1000);
    o.setAmount(5250);
    o.amountUp();
    EXPECT_EQ(o.amount(), 5750);
    o.setDistance(7);
    EXPECT_EQ(o.distance(), 50);
    o.setDistance(95);
    o.distanceUp();
    EXPECT_EQ(o.distance(), 100);
}

TEST(GameOptions, TickBoxesAndTheStartCommand) {
    GameOptions o;
    o.setComputerBox("image_bot3", 0);
    o.setComputerBox("image_bot4", 0);
    EXPECT_EQ(o.startCommand("Ann"),
              (msg::StartGameRequest{"Ann", "5000", "70", false, false}.encode()));
    o.onComputerBoxClicked(4);
    EXPECT_EQ(o.bot(4), 1);
    o.onComputerBoxClicked(4);
    EXPECT_EQ(o.bot(4), 0);
    o.setComputerBox("image_bot3", 7); // a box shows only an empty box or a tick
    o.setComputerBox("image_bot5", 1);
    o.onComputerBoxClicked(9);
    o.amountUp();
    o.distanceDown();
    EXPECT_EQ(o.startCommand("Ann"),
              (msg::StartGameRequest{"Ann", "5500", "60", true, false}.encode()));
}

} // namespace
} // namespace dw
