// The Expert computer pilot.
//
// Expert decides only on what a player in its seat could know. The engine's
// table holds every hand and the order of the deck, so Expert never sees the
// table: knowledgeOf() copies out of it the own hand, the public board, how
// many cards each seat holds and how many the deck gave out, and which cards
// were played or discarded this round; expertChoice() receives nothing else.
//
// Method: determinized Monte Carlo. The cards Expert cannot see (the other
// hands and the rest of the deck) are exactly the deck's cards minus its own
// hand minus the cards played or discarded. Expert deals them out at random,
// consistently with how many cards each seat holds, a fixed number of times.
// For every such deal it tries each distinct legal play in a scratch engine
// and plays the round out to its scoring with Classic pilots in every seat.
// Each outcome is valued by the chance of winning the game that the totals
// after the round give, and Expert plays the move whose mean value is best.
// Every play is tried on the same deals and with the same random draws, so
// the comparison is between moves, not between lucky deals. A move the rules
// refuse in the scratch engine is never chosen, so the real engine accepts
// every play Expert makes.
//
// The number of deals is fixed (no clock is read), so a decision depends only
// on what Expert knows and on its seed, and games replay exactly.
#pragma once

#include "engine/engine.h"
#include "engine/pilot.h"

#include <array>
#include <cstdint>

namespace dw {

// One seat as every player sees it on the board.
struct PublicShip {
    bool active = false;
    bool undocked = false;
    bool teleported = false;
    bool stillmoving = false;
    bool safetrip = false;
    int distance = 0;
    int hazard = 0;
    int repaired = 0;
    int total = 0;
    std::array<int, 5> protections{}; // 1..4; [0] unused
    int cards = 0;                    // how many cards the seat holds

    friend bool operator==(const PublicShip&, const PublicShip&) = default;
};

// Everything the pilot in `seat` may know at its turn.
struct Knowledge {
    int seat = 0;
    std::array<int, kSlots + 1> hand{};         // own slots 1..7
    std::array<PublicShip, kSeats + 1> ships{}; // seats 1..4
    std::array<int, kNumCardCodes> gone{};      // played or discarded this round
    int deckpos = 0;                            // cards taken from the deck
    int tripdistance = 0;
    int playto = 0;

    friend bool operator==(const Knowledge&, const Knowledge&) = default;
};

Knowledge knowledgeOf(const TableView& table, int seat);

// How many deals one decision tries: the moves share them, so a decision
// costs about this many round play-outs per distinct move, but never more
// than kExpertPlayouts play-outs in all.
inline constexpr int kExpertDeals = 24;
inline constexpr int kExpertPlayouts = 240;

// The play for k.seat; the same knowledge and seed give the same play.
Play expertChoice(const Knowledge& k, std::uint32_t seed);

// The pilot: knowledgeOf, then expertChoice seeded from the engine's
// generator.
Play expertPilot(const TableView& table, int seat, Random& random);

} // namespace dw
