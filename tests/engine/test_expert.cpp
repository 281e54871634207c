// The Expert pilot: it decides only on what its seat could know, and the
// engine accepts every play it makes.
#include "enginetest.h"

#include "engine/expert.h"
#include "protocol/messages.h"

#include <algorithm>
#include <climits>
#include <random>

namespace dw::test {
namespace {

// Expert with the smallest budget: one deal per decision. What it may play
// does not depend on the budget, so thousands of games stay quick.
Play quickExpert(const TableView& table, int seat, Random& random) {
    return expertChoice(knowledgeOf(table, seat), static_cast<std::uint32_t>(random(INT_MAX)), 1);
}

// The engine waits for the computer to play the current seat.
bool computerTurn(const Table& t) {
    return t.engine.gameInProgress && t.engine.pendingAction() == TimerAction::None &&
           t.host.armed(EngineTimer::Computer);
}

// The same table with everything the seat cannot see shuffled: the cards of
// the other hands and of the deck's untaken part trade places, each hand
// keeping its number of cards and its empty slots.
struct Shuffled {
    std::array<PlayerEntry, kMaxEntries + 1> players;
    std::array<int, kDeckSize + 1> deck;
    TableView view;

    Shuffled(const Engine& e, int seat, std::mt19937& gen) : players(e.players), deck(e.deck) {
        std::vector<int*> places;
        for (int s = 1; s <= kSeats; ++s)
            if (s != seat && players[ix(s)].active)
                for (int slot = 1; slot <= kSlots; ++slot)
                    if (players[ix(s)].cards[ix(slot)] != kNoCard)
                        places.push_back(&players[ix(s)].cards[ix(slot)]);
        for (int pos = e.deckPos + 1; pos <= kDeckSize; ++pos)
            places.push_back(&deck[ix(pos)]);
        std::vector<int> cards;
        for (int* p : places)
            cards.push_back(*p);
        std::shuffle(cards.begin(), cards.end(), gen);
        for (std::size_t i = 0; i < places.size(); ++i)
            *places[i] = cards[i];
        view = e.view();
        view.players = players.data();
        view.deck = deck.data();
    }
};

TEST(Expert, DecidesOnlyOnWhatItMayKnow) {
    Table t;
    t.host.setRecording(false);
    t.engine.setPilot(1, quickExpert);
    t.engine.setPilot(3, quickExpert);
    std::mt19937 gen(99);
    int checked = 0;
    int differentTables = 0;
    for (std::uint32_t game = 0; game < 4 && checked < 120; ++game) {
        t.engine.random().setSeed(1000 + game);
        t.engine.startGame({"Sim", 1500, 70, true, true});
        for (long steps = 0; t.engine.gameInProgress && checked < 120; ++steps) {
            ASSERT_LT(steps, 200000);
            const int seat = t.engine.currentSeat;
            if (computerTurn(t) && (seat == 1 || seat == 3)) {
                const Knowledge known = knowledgeOf(t.engine.view(), seat);
                Shuffled other(t.engine, seat, gen);
                EXPECT_EQ(knowledgeOf(other.view, seat), known);
                bool differs = other.deck != t.engine.deck;
                for (int s = 1; s <= kSeats; ++s)
                    differs |= other.players[ix(s)].cards != t.seat(s).cards;
                differentTables += differs ? 1 : 0;
                // The full budget, with the same seed, on both tables.
                Random a(game * 31 + 7);
                Random b(game * 31 + 7);
                EXPECT_EQ(expertPilot(t.engine.view(), seat, a), expertPilot(other.view, seat, b))
                    << "game " << game << ", turn " << t.engine.stats().turns;
                ++checked;
            }
            ASSERT_TRUE(t.host.step());
        }
    }
    EXPECT_EQ(checked, 120);
    EXPECT_GT(differentTables, 100); // the shuffles did hide something
}

TEST(Expert, KnowsWhatWasPlayedAndHowManyCardsEachSeatHolds) {
    Table t;
    t.startAt(2);
    t.hand(1, {kLy2500, kUndock});
    t.hand(2, {kLy10000, kDock, kDock, kUndock, kLy5000, kLy5000});
    t.hand(3, {kWarp});
    t.hand(4, {});
    t.engine.deckPos = 30;
    // Of the deck's untaken part, every card but the DOCKs; the cards of
    // positions 1..30 are gone into hands or played.
    std::array<int, kNumCardCodes> left{};
    for (int c = 1; c < kNumCardCodes; ++c)
        left[ix(c)] = cardInfo(c).copies;
    for (int pos = 1; pos <= kDeckSize; ++pos)
        t.engine.deck[ix(pos)] = kNoCard;
    left[ix(kDock)] = 0;
    int pos = t.engine.deckPos;
    for (int c = 1; c < kNumCardCodes; ++c)
        for (int n = 0; n < left[ix(c)] && pos < kDeckSize; ++n)
            t.engine.deck[ix(++pos)] = c;
    const Knowledge k = knowledgeOf(t.engine.view(), 2);
    EXPECT_EQ(k.seat, 2);
    EXPECT_EQ(k.hand, t.seat(2).cards);
    EXPECT_EQ(k.ships[1].cards, 2);
    EXPECT_EQ(k.ships[2].cards, 6);
    EXPECT_EQ(k.ships[3].cards, 1);
    EXPECT_EQ(k.ships[4].cards, 0);
    EXPECT_EQ(k.gone[ix(kDock)], 1); // three in the deck, two held by seat 2
    EXPECT_EQ(k.deckPos, 30);
    int gone = 0;
    for (int c : k.gone)
        gone += c;
    EXPECT_EQ(gone + 9 + (pos - 30), kDeckSize); // gone, held, still in the deck
}

TEST(Expert, FinishesTheTripAndPlaysItsProtectionAtOnce) {
    Table t;
    t.startAt(2, false, false);
    t.engine.setPilotLevel(PilotLevel::Expert);
    t.hand(2, {kLy2500, kDamage, kLy10000, kUndock, kLy5000, kWarp, kReload});
    t.seat(2).ship.undocked = true;
    t.seat(2).ship.distance = 60000;
    t.seat(1).ship.undocked = true;
    t.seat(1).ship.distance = 67500; // one more turn and seat 1 finishes
    t.engine.pilotPlay(2);
    EXPECT_EQ(t.seat(2).ship.distance, 70000);

    t.startAt(2, false, false);
    t.hand(2, {kLy2500, kDamage, kDamageShield, kUndock, kLy5000, kWarp, kReload});
    t.engine.pilotPlay(2);
    EXPECT_EQ(t.seat(2).ship.protections[3], 1);
    EXPECT_TRUE(t.host.diagnostics.empty());
}

TEST(Expert, ARefusedPlayIsReplacedByTheFixedList) {
    Table t;
    t.startAt(2);
    t.engine.setPilot(2, [](const TableView&, int, Random&) {
        return Play{PlayKind::Miles, 1, 0};
    });
    t.hand(2, {kUndock, kLy5000});
    t.engine.pilotPlay(2); // lightyears while docked: refused, then UNDOCK
    EXPECT_FALSE(t.host.diagnostics.empty());
    EXPECT_TRUE(t.seat(2).ship.undocked);
    EXPECT_EQ(t.engine.pendingAction(), TimerAction::NextTurn);
}

// Plays whole games with the given pilots and fails on any refusal.
void playLegally(Table& t, std::uint32_t seed, const GameStart& start) {
    t.host.diagnostics.clear();
    t.engine.random().setSeed(seed);
    t.engine.startGame(start);
    for (long steps = 0; t.engine.gameInProgress; ++steps) {
        ASSERT_LT(steps, 200000) << "seed " << seed;
        ASSERT_TRUE(t.host.step()) << "the game stalled, seed " << seed;
    }
    ASSERT_TRUE(t.host.diagnostics.empty()) << t.host.diagnostics.front() << ", seed " << seed;
    ASSERT_GE(t.engine.winner(), 1);
}

TEST(Expert, PlaysLegallyInThousandsOfGames) {
    Table t;
    t.host.setRecording(false);
    for (int s = 1; s <= kSeats; ++s)
        t.engine.setPilot(s, quickExpert);
    // Short games: mostly one mission each.
    for (std::uint32_t n = 0; n < 2000; ++n) {
        const int seats = 2 + static_cast<int>(n % 3);
        ASSERT_NO_FATAL_FAILURE(
            playLegally(t, n * 2654435761u + 5u,
                        GameStart{"Sim", 500, n % 2 ? 50 : 70, seats >= 3, seats >= 4}));
    }
    // And with the full budget against Classic pilots.
    t.engine.setPilotLevel(PilotLevel::Classic);
    t.engine.setPilot(2, expertPilot);
    t.engine.setPilot(4, expertPilot);
    for (std::uint32_t n = 0; n < 3; ++n)
        ASSERT_NO_FATAL_FAILURE(playLegally(t, 77 + n, GameStart{"Sim", 2000, 70, true, true}));
}

} // namespace
} // namespace dw::test
