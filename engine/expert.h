// The Expert computer pilot.
//
// Expert decides only on what a player in its seat could know. The engine's
// table holds every hand and the order of the deck, so Expert never sees the
// table: knowledgeOf() copies out of it the own hand, the public board, how
// many cards each seat holds and how many the deck gave out, and which cards
// were played or discarded this round; expertChoice() receives nothing else.
//
// Method: determinized Monte Carlo around the fixed list.
// - The cards Expert cannot see (the other hands and the rest of the deck)
//   are exactly the deck's cards less its own hand and the cards gone. A
//   "deal" shuffles them into the other hands (as many as each seat holds)
//   and the deck.
// - For a deal, a play is tried in a scratch engine, which plays the round
//   out to its scoring with Classic pilots in every seat. The outcome is
//   valued by the chance of winning the game that the totals after the round
//   give: 1 or 0 when the game ends there, otherwise a comparison of the
//   totals on the scale of the rounds still to come (a lead counts for more
//   the fewer rounds remain).
// - Every distinct legal play is tried on the same first few deals, with the
//   same random draws, so moves are compared with each other rather than
//   with luck. The kFinalists plays with the best mean gain over Classic's
//   own choice then get more deals, as does Classic's choice.
// - Expert plays Classic's choice unless a finalist's mean gain over it on
//   the same deals exceeds kConfidence standard errors: a move must prove
//   itself, so noise rarely makes Expert play worse than Classic.
// - A protection is played at once, as Classic does (it scores, guards the
//   ship, mends the hazard it guards against and gives another turn).
// - A play the rules refuse in the scratch engine is never chosen, so the
//   real engine accepts every play Expert makes.
//
// The number of deals is fixed (no clock is read), so a decision depends only
// on what Expert knows and on its seed, and games replay exactly. About a
// quarter to half a millisecond of processor time per decision; the
// simulator measures it (driftwake-sim --expert-seats).
#pragma once

#include "engine/engine.h"
#include "engine/pilot.h"
#include "engine/ship.h"

#include <array>
#include <cstdint>

namespace dw {

// One seat as every player sees it on the board.
struct PublicShip {
    bool active = false;
    Ship ship;
    int total = 0;
    int cards = 0; // how many cards the seat holds

    friend bool operator==(const PublicShip&, const PublicShip&) = default;
};

// Everything the pilot in `seat` may know at its turn.
struct Knowledge {
    int seat = 0;
    std::array<int, kSlots + 1> hand{};         // own slots 1..7
    std::array<PublicShip, kSeats + 1> ships{}; // seats 1..4
    std::array<int, kNumCardCodes> gone{};      // played or discarded this round
    int deckPos = 0;                            // cards taken from the deck
    int tripDistance = 0;
    int amountToEarn = 0;

    friend bool operator==(const Knowledge&, const Knowledge&) = default;
};

Knowledge knowledgeOf(const TableView& table, int seat);

// The budget of one decision in a game of four: about kExpertPlayouts round
// play-outs, half of them spread over every play (at most kExpertDeals deals
// each), the rest over the finalists and Classic's choice (at most twice as
// many deals). Rounds with fewer seats are shorter, so with n seats both
// limits are multiplied by 4 / n: a decision takes about as long.
inline constexpr int kExpertDeals = 24;
inline constexpr int kExpertPlayouts = 240;
inline constexpr int kFinalists = 2;
// How many standard errors a play's gain over Classic's choice must reach.
inline constexpr double kConfidence = 0.5;
// The spread of the rounds to come, in mean round scores per square root of
// a round: it sets how much a lead in money is worth.
inline constexpr double kValueScale = 0.6;

// The play for k.seat; the same knowledge and seed give the same play.
// `playouts` replaces the budget above when positive (tests pass small
// budgets; which plays are legal does not depend on it).
Play expertChoice(const Knowledge& k, std::uint32_t seed, int playouts = 0);

// The pilot: knowledgeOf, then expertChoice seeded from the engine's
// generator.
Play expertPilot(const TableView& table, int seat, Random& random);

} // namespace dw
