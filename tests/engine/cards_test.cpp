// Card data, the generator, shuffling, dealing and drawing.
#include "enginetest.h"

#include "engine/cards.h"
#include "engine/random.h"

#include <array>

namespace dw::test {
namespace {

std::array<int, kNumCardCodes> countDeck(const Engine& e, int from = 1) {
    std::array<int, kNumCardCodes> n{};
    for (int k = from; k <= kDeckSize; ++k)
        ++n[ix(e.deck[ix(k)])];
    return n;
}

TEST(Cards, UnsortedDeckFollowsTheTable) {
    EXPECT_EQ(getcardnum(0), kNoCard);
    EXPECT_EQ(getcardnum(106), kNoCard);
    EXPECT_EQ(getcardnum(-3), kNoCard);
    // Boundaries of the runs.
    EXPECT_EQ(getcardnum(1), kLy2500);
    EXPECT_EQ(getcardnum(10), kLy2500);
    EXPECT_EQ(getcardnum(11), kLy5000);
    EXPECT_EQ(getcardnum(42), kLy10000);
    EXPECT_EQ(getcardnum(43), kLy20000);
    EXPECT_EQ(getcardnum(47), kUndock);
    EXPECT_EQ(getcardnum(62), kUndock);
    EXPECT_EQ(getcardnum(63), kDock);
    EXPECT_EQ(getcardnum(75), kTeleport);
    EXPECT_EQ(getcardnum(96), kPower);
    EXPECT_EQ(getcardnum(101), kPower);
    EXPECT_EQ(getcardnum(102), kSkyjackShield);
    EXPECT_EQ(getcardnum(105), kPowerShield);
    std::array<int, kNumCardCodes> n{};
    for (int k = 1; k <= kDeckSize; ++k)
        ++n[ix(getcardnum(k))];
    for (int c = 1; c < kNumCardCodes; ++c)
        EXPECT_EQ(n[ix(c)], kCards[ix(c)].copies) << "code " << c;
}

TEST(Cards, FacesClassesAndDistances) {
    EXPECT_EQ(cardInfo(kLy2500).face, "2500ly");
    EXPECT_EQ(cardInfo(kLy20000).face, "20000ly");
    EXPECT_EQ(cardInfo(kRepair).face, "Repairs");
    EXPECT_EQ(cardInfo(kPowerDrain).face, "Power Drain");
    EXPECT_EQ(cardInfo(kTeleportShield).face, "Teleport Shield");
    EXPECT_EQ(cardInfo(kWarp).cls, CardClass::Remedy);
    EXPECT_EQ(cardInfo(kTeleport).cls, CardClass::Attack);
    EXPECT_EQ(cardInfo(kDock).cls, CardClass::Attack);
    EXPECT_EQ(cardInfo(kUndock).cls, CardClass::Remedy);
    EXPECT_EQ(cardInfo(kPowerShield).cls, CardClass::Shield);
    EXPECT_EQ(cardFrameRgb(CardClass::Lightyear), 0x00FFFFu);
    EXPECT_EQ(cardFrameRgb(CardClass::Shield), 0xFFFF00u);
    const int ly[] = {0, 2500, 5000, 7500, 10000, 20000};
    for (int c = 0; c <= kLy20000; ++c)
        EXPECT_EQ(cardInfo(c).lightyears, ly[c]);
    EXPECT_EQ(cardInfo(kUndock).lightyears, 0);
    EXPECT_EQ(&cardInfo(20), &kCards[0]);
    EXPECT_EQ(&cardInfo(-1), &kCards[0]);
}

TEST(RandomGenerator, FollowsTheCongruence) {
    Random r(1);
    // seed 1 -> 134775814; 134775814 * 105 >> 32 == 3.
    EXPECT_EQ(r(105), 3);
    EXPECT_EQ(r.seed(), 134775814u);
    Random z(0);
    EXPECT_EQ(z(7), 0); // seed 1 * 7 >> 32
    Random a(99), b(99);
    for (int i = 0; i < 1000; ++i) {
        const int v = a(7);
        EXPECT_EQ(v, b(7));
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 7);
    }
    // The seed wraps modulo 2^32 without any overflow trouble.
    Random w(0xFFFFFFFFu);
    EXPECT_EQ(w.seed(), 0xFFFFFFFFu);
    (void)w(4);
    EXPECT_EQ(w.seed(), 0xFFFFFFFFu * 134775813u + 1u);
}

TEST(Shuffle, DeckMakeUpHoldsWhateverTheDraws) {
    Table t;
    for (std::uint32_t seed = 0; seed < 300; ++seed) {
        t.engine.random().setSeed(seed * 2654435761u);
        t.engine.deckpos = 17;
        t.engine.shufflecards();
        EXPECT_EQ(t.engine.deckpos, 0);
        const auto n = countDeck(t.engine);
        EXPECT_EQ(n[0], 0);
        for (int c = 1; c < kNumCardCodes; ++c)
            ASSERT_EQ(n[ix(c)], kCards[ix(c)].copies) << "seed " << seed << " code " << c;
    }
}

// Puts card k+... in deck position k so that the deal order is visible.
void numberedDeck(Engine& e) {
    for (int k = 1; k <= kDeckSize; ++k)
        e.deck[ix(k)] = 1 + (k - 1) % 19;
    e.deckpos = 0;
}

TEST(Deal, RunsOfSixWithInactiveSeatsSkipped) {
    Table t;
    t.startAt(1, false, true); // seats 1, 2 and 4 play
    numberedDeck(t.engine);
    t.seat(3).cards[1] = kWarp; // an inactive seat's hand is left alone
    t.engine.currentplayer = 0;
    t.connect({1, 2, 3, 4, 5});
    t.engine.dealcards();
    EXPECT_EQ(t.seat(3).cards[1], kWarp);
    for (int slot = 1; slot <= 6; ++slot) {
        EXPECT_EQ(t.seat(1).cards[ix(slot)], slot);
        EXPECT_EQ(t.seat(2).cards[ix(slot)], 6 + slot);
        EXPECT_EQ(t.seat(4).cards[ix(slot)], 1 + (12 + slot - 1) % 19); // 13th..18th
    }
    EXPECT_EQ(t.seat(2).cards[7], kNoCard);
    // The first turn goes to seat 1, whose first draw (the 19th card) lands in slot 7.
    EXPECT_EQ(t.engine.currentplayer, 1);
    EXPECT_EQ(t.engine.deckpos, 19);
    EXPECT_EQ(t.seat(1).cards[7], 19);
    for (int k = 1; k <= 19; ++k)
        EXPECT_EQ(t.engine.deck[ix(k)], kNoCard);
    // Hands go only to the connected seats that play, before the turn is announced.
    ASSERT_EQ(t.to(1).size(), 2u);
    EXPECT_EQ(t.to(1)[0],
              msg("CMD_mycards", {1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}, Trailing::No));
    EXPECT_EQ(t.to(1)[1], msg("CMD_nextplayer", {1, 7, 19, 19}));
    EXPECT_EQ(t.to(4)[0],
              msg("CMD_mycards", {4, 1, 13, 2, 14, 3, 15, 4, 16, 5, 17, 6, 18}, Trailing::No));
    ASSERT_EQ(t.to(3).size(), 1u); // the watcher of an inactive seat only hears of the turn
    EXPECT_EQ(t.to(3)[0], msg("CMD_nextplayer", {1, 0, 0, 19}));
    EXPECT_EQ(t.to(5), t.to(3));
}

TEST(Deal, ComputerSeatsAreDealtButNotTold) {
    Table t;
    t.startAt(1);
    t.engine.currentplayer = 3;
    t.engine.shufflecards();
    t.connect({1});
    t.engine.dealcards();
    EXPECT_EQ(t.engine.deckpos, 25); // 24 dealt, one drawn by seat 4
    for (int s = 1; s <= 4; ++s)
        for (int slot = 1; slot <= 6; ++slot)
            EXPECT_NE(t.seat(s).cards[ix(slot)], kNoCard);
    ASSERT_EQ(t.to(1).size(), 2u);
    EXPECT_EQ(t.to(1)[1], msg("CMD_nextplayer", {4, 0, 0, 25}));
    EXPECT_TRUE(t.host.armed(EngineTimer::Computer));
}

TEST(Draw, LowestEmptySlotAndTheDeckRunningOut) {
    Table t;
    t.startAt(2);
    t.connect({1, 2, 3});
    t.hand(3, {kLy2500, kDock, kNoCard, kWarp, kNoCard, kUndock, kNoCard});
    t.engine.deck[27] = kPowerDrain;
    t.engine.deckpos = 26;
    t.engine.findplayer();
    EXPECT_EQ(t.engine.currentplayer, 3);
    EXPECT_EQ(t.seat(3).cards[3], kPowerDrain);
    EXPECT_EQ(t.engine.deck[27], kNoCard);
    EXPECT_EQ(t.to(3).back(), msg("CMD_nextplayer", {3, 3, 14, 27}));
    EXPECT_EQ(t.to(1).back(), msg("CMD_nextplayer", {3, 0, 0, 27}));

    // After the 105th card: nothing drawn, deckpos keeps counting.
    t.engine.currentplayer = 2;
    t.engine.deckpos = 105;
    t.seat(3).undocked = false;
    t.engine.findplayer(); // seat 3 holds UNDOCK and is docked: it can move
    EXPECT_EQ(t.engine.deckpos, 106);
    EXPECT_EQ(t.seat(3).cards[5], kNoCard);
    EXPECT_EQ(t.to(3).back(), msg("CMD_nextplayer", {3, 0, 0, 106}));
    EXPECT_EQ(t.engine.timer1action(), kActionNone);
}

} // namespace
} // namespace dw::test
