// What the engine tells the world as a game goes: one struct per outcome,
// handed to EngineEvents the moment it happens, in the order it happens.
//
// The engine does not know who listens. The host server turns each event
// into the messages its peers get and counts games and plays from them
// (host/enginewire.h); an engine nobody watches (the simulator, the Expert's
// look-ahead) is given NoEvents.
#pragma once

#include "engine/cards.h"
#include "engine/ship.h"

#include <array>
#include <span>
#include <string_view>

namespace dw {

// A game begins: who asked for it, the amount to earn, the trip distance in
// lightyears and whether seats 3 and 4 play.
struct GameStarted {
    std::string_view starter;
    int amountToEarn = 0;
    int tripDistance = 0;
    bool seat3 = false;
    bool seat4 = false;
};

// A round begins, before its deal.
struct RoundStarted {};

// A seat was dealt its hand: the cards of slots 1, 2, ... in order.
struct HandDealt {
    int seat = 0;
    std::span<const int> cards;
};

// A turn begins: `seat` drew `drawnCard` into `drawnSlot` (both 0 when it
// drew nothing) and `taken` cards have left the deck. Only the seat itself
// may learn what it drew.
struct TurnStarted {
    int seat = 0;
    int drawnSlot = 0;
    int drawnCard = 0;
    int taken = 0;
};

// The turn of `seat` is announced again to that seat alone, whose human has
// just sat down: `slot` and `card` name one of its cards (0 when it holds
// none).
struct TurnHandedBack {
    int seat = 0;
    int slot = 0;
    int card = 0;
    int taken = 0;
};

// A seat that can neither draw nor play passes its turn.
struct TurnPassed {
    int seat = 0;
};

// Where an accepted play went.
enum class PlayPile {
    Go,      // UNDOCK, a repair, an attack or DOCK, on the go pile of `target`
    Shield,  // a protection on the seat's own ship
    Speed,   // TELEPORT or WARP, on the speed pile of `target`
    Miles,   // lightyears on the seat's own ship
    Discard, // the discard pile (card 0: the seat passed with an empty slot)
};

// The seat's play from `slot` was taken.
struct PlayApplied {
    PlayPile pile = PlayPile::Discard;
    int seat = 0;
    int slot = 0;
    int card = 0;
    int target = 0;                           // Go and Speed: the ship it went to
    ShieldEffect effect = ShieldEffect::None; // Shield
    int distance = 0;                         // Miles: the ship's distance after it
    int added = 0;                            // Miles: the lightyears it added
};

// The seat's play was refused, for this reason.
struct PlayRefused {
    int seat = 0;
    Refusal why = Refusal::InvalidPlay;
};

// One seat's score for a round and its parts.
struct RoundScore {
    int seat = 0;
    int total = 0; // the game's total, this round included
    int round = 0;
    int travel = 0;
    int completion = 0;
    int safe = 0;
    int protection = 0;
    int shutout = 0;
};

// A round was scored: the seats that played it, in seat order.
struct ScoresPosted {
    int finisher = 0; // the seat that completed the trip, 0 if none
    std::array<RoundScore, 4> scores{};
    int count = 0; // scores[0 .. count-1] are the seats that played
};

// The game has its winner.
struct GameWon {
    int seat = 0;
    std::string_view name;
};

class EngineEvents {
public:
    EngineEvents() = default;
    virtual ~EngineEvents() = default;
    virtual void gameStarted(const GameStarted& e) = 0;
    virtual void roundStarted(const RoundStarted& e) = 0;
    virtual void handDealt(const HandDealt& e) = 0;
    virtual void turnStarted(const TurnStarted& e) = 0;
    virtual void turnHandedBack(const TurnHandedBack& e) = 0;
    virtual void turnPassed(const TurnPassed& e) = 0;
    virtual void playApplied(const PlayApplied& e) = 0;
    virtual void playRefused(const PlayRefused& e) = 0;
    virtual void scoresPosted(const ScoresPosted& e) = 0;
    virtual void gameWon(const GameWon& e) = 0;

    // False for NoEvents: the engine then neither builds its events nor
    // calls the handlers, so a game nobody watches pays nothing for them.
    bool heard() const { return heard_; }

protected:
    explicit EngineEvents(bool heard) : heard_(heard) {}

private:
    bool heard_ = true;
};

// For an engine nobody watches (the simulator, the Expert's look-ahead).
class NoEvents final : public EngineEvents {
public:
    NoEvents() : EngineEvents(false) {}
    void gameStarted(const GameStarted&) override {}
    void roundStarted(const RoundStarted&) override {}
    void handDealt(const HandDealt&) override {}
    void turnStarted(const TurnStarted&) override {}
    void turnHandedBack(const TurnHandedBack&) override {}
    void turnPassed(const TurnPassed&) override {}
    void playApplied(const PlayApplied&) override {}
    void playRefused(const PlayRefused&) override {}
    void scoresPosted(const ScoresPosted&) override {}
    void gameWon(const GameWon&) override {}
};

} // namespace dw
