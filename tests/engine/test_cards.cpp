// Shuffling, dealing and drawing.
#include "enginetest.h"

#include <array>

namespace dw::test {
namespace {

TEST(Deck, MakeUpHoldsWhateverTheDraws) {
    EXPECT_EQ(unsortedCard(0), kNoCard);
    EXPECT_EQ(unsortedCard(106), kNoCard);
    EXPECT_EQ(unsortedCard(46), kLy20000);
    EXPECT_EQ(unsortedCard(47), kUndock);
    EXPECT_EQ(unsortedCard(105), kPowerShield);
    Table t;
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        t.engine.random().setSeed(seed * 2654435761u);
        t.engine.deckPos = 17;
        t.engine.shuffleDeck();
        EXPECT_EQ(t.engine.deckPos, 0);
        std::array<int, kNumCardCodes> n{};
        for (int k = 1; k <= kDeckSize; ++k)
            ++n[ix(t.engine.deck[ix(k)])];
        for (int c = 0; c < kNumCardCodes; ++c)
            ASSERT_EQ(n[ix(c)], kCards[ix(c)].copies) << "seed " << seed << " code " << c;
    }
    // The generator: seed 1 steps to 134775814, and 134775814 * 105 >> 32 is 3.
    Random r(1);
    EXPECT_EQ(r(105), 3);
    EXPECT_EQ(r.seed(), 134775814u);
}

TEST(Deck, DealInRunsOfSixSkippingSeatsOutOfTheGame) {
    Table t;
    t.startAt(1, false, true); // seats 1, 2 and 4 play
    for (int k = 1; k <= kDeckSize; ++k)
        t.engine.deck[ix(k)] = 1 + (k - 1) % 19; // position k shows in the card
    t.engine.deckPos = 0;
    t.seat(3).cards[1] = kWarp; // a seat out of the game keeps its old hand
    t.engine.currentSeat = 0;
    t.connect({1, 3, 4, 5});
    t.engine.dealHands();
    EXPECT_EQ(t.seat(3).cards[1], kWarp);
    for (int slot = 1; slot <= 6; ++slot) {
        EXPECT_EQ(t.seat(2).cards[ix(slot)], 6 + slot);
        EXPECT_EQ(t.seat(4).cards[ix(slot)], 12 + slot); // the 13th to 18th cards
    }
    EXPECT_EQ(t.seat(2).cards[7], kNoCard);
    // Seat 1 starts; its first draw, the 19th card, lands in slot 7.
    EXPECT_EQ(t.engine.currentSeat, 1);
    EXPECT_EQ(t.engine.deckPos, 19);
    EXPECT_EQ(t.seat(1).cards[7], 19);
    EXPECT_EQ(t.engine.deck[19], kNoCard);
    EXPECT_EQ(t.to(1),
              (std::vector<std::string>{
                  (msg::MyCards{1, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}}.encode()),
                  (msg::NextPlayer{1, 7, 19, 19}.encode())}));
    EXPECT_EQ(t.to(4)[0],
              (msg::MyCards{4, {{1, 13}, {2, 14}, {3, 15}, {4, 16}, {5, 17}, {6, 18}}}.encode()));
    // Seat 2 is the computer's and hears nothing; watchers only see the turn.
    EXPECT_EQ(t.to(3), std::vector<std::string>{(msg::NextPlayer{1, 0, 0, 19}.encode())});
    EXPECT_EQ(t.to(5), t.to(3));
}

TEST(Deck, DrawIntoTheLowestEmptySlotUntilTheDeckRunsOut) {
    Table t;
    t.startAt(2);
    t.connect({1, 3});
    t.hand(3, {kLy2500, kDock, kNoCard, kWarp, kNoCard, kUndock});
    t.engine.deck[27] = kPowerDrain;
    t.engine.deckPos = 26;
    t.engine.nextTurn();
    EXPECT_EQ(t.seat(3).cards[3], kPowerDrain);
    EXPECT_EQ(t.engine.deck[27], kNoCard);
    EXPECT_EQ(t.to(3).back(), (msg::NextPlayer{3, 3, 14, 27}.encode()));
    EXPECT_EQ(t.to(1).back(), (msg::NextPlayer{3, 0, 0, 27}.encode()));
    // Past the 105th card nothing is drawn and deckPos keeps counting.
    t.engine.currentSeat = 2;
    t.engine.deckPos = 105;
    t.engine.nextTurn();
    EXPECT_EQ(t.seat(3).cards[5], kNoCard);
    EXPECT_EQ(t.to(3).back(), (msg::NextPlayer{3, 0, 0, 106}.encode()));
}

TEST(Rules, EachAttackHasItsShieldAndEachHazardItsRepair) {
    struct Row {
        int attack, guard, shield, repair;
    };
    const Row rows[] = {
        {kSkyjack, 1, kSkyjackShield, kReload},
        {kTeleport, 2, kTeleportShield, kNoCard}, // WARP mends it, on the speed pile
        {kDamage, 3, kDamageShield, kRepair},
        {kPowerDrain, 4, kPowerShield, kPower},
        {kDock, 0, kNoCard, kNoCard},
        {kUndock, 0, kNoCard, kNoCard},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(cardInfo(r.attack).face);
        EXPECT_EQ(guardOf(r.attack), r.guard);
        EXPECT_EQ(shieldFor(r.attack), r.shield);
        EXPECT_EQ(repairFor(r.attack), r.repair);
        if (r.shield != kNoCard) {
            EXPECT_EQ(protectionIndex(r.shield), r.guard);
        }
    }
}

} // namespace
} // namespace dw::test
