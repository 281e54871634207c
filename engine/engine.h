// The host-side game engine: the player table, the deck, the validation and
// effect of every play, the turn and round cycle, scoring, the winner and
// the computer pilots.
//
// The engine is plain C++. It reaches the world through two interfaces:
// EngineHost runs its two timers (the host server's timers, or VirtualHost's
// virtual clock, engine/virtualclock.h) and takes its diagnostics, and
// EngineEvents hears what happens in the game (engine/events.h).
#pragma once

#include "engine/cards.h"
#include "engine/events.h"
#include "engine/pilot.h"
#include "engine/random.h"
#include "engine/ship.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

enum class EngineTimer { Pause, Computer };

struct EngineHost {
    virtual ~EngineHost() = default;
    // (Re)starts a periodic timer with this interval.
    virtual void startTimer(EngineTimer t, int intervalMs) = 0;
    virtual void stopTimer(EngineTimer t) = 0;
    // A host diagnostic notice ("error3", its detail text, ...).
    virtual void diagnostic(const std::string& text) = 0;
    // The bot speed: 1000, 750 or 250 ms. Read each time a timer is armed with it.
    virtual int botSpeedMs() = 0;
};

inline constexpr int kSeats = 4;       // seats 1..4 play
inline constexpr int kSlots = 7;       // hand slots 1..7
inline constexpr int kMaxEntries = 11; // entries 1..11 of the player table

// One entry of the host's player table. Entries 1..4 are the seats.
// `name`, `connected` and `watching` belong to the host server; the rest
// is game state kept by the engine.
struct PlayerEntry {
    std::string name;
    bool connected = false;
    // Read by nothing. Without it the entry shrinks to a size that the
    // compiler indexes with a longer instruction chain, and the simulator
    // runs about 2% more instructions per game.
    void* unusedSlot = nullptr;
    std::int32_t total = 0;
    bool watching = false;
    std::string botName;
    std::array<int, kSlots + 1> cards{}; // slots 1..7, 0 = empty; [0] unused
    std::int32_t roundScore = 0;
    bool active = false;
    Ship ship; // the seat's ship this round
};

// Pending actions of the pause timer.
enum class TimerAction {
    None, // waiting for the current seat's play
    NextTurn,
    StartRound,
    EndRound,
};

// A game as asked for. An amount or distance that is missing gets the
// default; one outside the options window's ranges is brought within them.
struct GameStart {
    std::string starter;
    std::optional<int> amount;   // to earn
    std::optional<int> distance; // in thousands of lightyears
    bool bot3 = true;            // seat 3 plays even without a player in it
    bool bot4 = true;
};

// Counters for the simulator; reset by startGame.
struct EngineStats {
    long rounds = 0; // rounds dealt
    long turns = 0;  // turns begun
};

class Engine {
public:
    Engine(EngineHost& host, EngineEvents& events, std::uint32_t seed);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The player table, entries 1..11 (index 0 unused), and the globals.
    std::array<PlayerEntry, kMaxEntries + 1> players;
    std::array<int, kDeckSize + 1> deck{}; // 1..105, 0 = taken; [0] unused
    std::int32_t deckPos = 0;
    std::int32_t currentSeat = 0;
    std::int32_t amountToEarn = 0;
    std::int32_t tripDistance = 0;
    bool gameInProgress = false;
    std::int32_t pauseTicksLeft = 0;
    std::int32_t computerTicksLeft = 0;
    std::int32_t maxSeats = kSeats;
    std::int32_t numEntries = 0; // kept by the host server
    int discardTop = 0;          // the discard pile's top card, 0 = empty

    // Deck.
    void shuffleDeck();
    void dealHands();

    // Game cycle.
    void startGame(const GameStart& game);
    void startRound();
    void nextTurn();
    bool hasPlay(int seat) const;
    void endRound();
    void scoreRound();
    bool checkForWinner();
    void pauseTick();
    void computerTick();

    // The plays themselves. A play
    // is taken only from the current seat while the engine waits for its
    // play; a seat, slot or target outside its range is dropped silently.
    void playGo(int seat, int slot, int target);    // UNDOCK, attacks, repairs, protections
    void playSpeed(int seat, int slot, int target); // TELEPORT and WARP
    void playMiles(int seat, int slot);             // lightyear cards
    void playDiscard(int seat, int slot);

    // Computer pilots: exactly one play or discard for the seat.
    void pilotPlay(int seat);
    void pilotDiscard(int seat);
    // The pilot that plays a seat 1..4 for the computer: Classic until set.
    void setPilotLevel(PilotLevel level); // every seat
    void setPilot(int seat, Pilot chosen);
    Pilot pilot(int seat) const;
    // What a pilot reads: the table as it is now.
    TableView view() const;
    // A pilot's answer, made through the typed plays above.
    void applyPlay(int seat, const Play& play);
    // Look-ahead on a scratch engine without connections: after the caller
    // has put a round position into the table and the deck, the engine
    // waits for `seat`'s play.
    void resumeTurn(int seat);

    // For the host server.
    TimerAction pendingAction() const { return pendingAction_; }
    // Hands the current seat to the computer when the engine is waiting for
    // its play (during a game, no pending action).
    void startComputerTakeover();
    // A human has just sat down at `seat`. When the engine waits for that
    // seat's play, a computer play armed for it is called off and the turn
    // is announced to the seat again, so that its player can play it.
    // Returns whether the turn was handed over.
    bool handTurnTo(int seat);

    // The seat announced as winner of the last game, 0 while none.
    int winner() const { return winner_; }
    const EngineStats& stats() const { return stats_; }
    Random& random() { return random_; }
    // 1 while a computer play is armed for the current seat, else 0.
    int computerPending() const { return computerPending_; }

private:
    // The engine waits for this seat's play.
    bool takesPlay(int seat) const {
        return gameInProgress && pendingAction_ == TimerAction::None && seat == currentSeat &&
               seat >= 1 && seat <= kSeats;
    }
    void refuse(int seat, Refusal why, std::string_view detail = {});
    // Hands the event made of `fields` to its listener. Nothing is made
    // when nobody hears (NoEvents), and the making is kept out of line so
    // that the game's own functions pay nothing for it.
    template <class Event, class... Fields>
    void tell(void (EngineEvents::*handler)(const Event&), Fields... fields) {
        if (events_.heard())
            tellNow(handler, fields...);
    }
    template <class Event, class... Fields>
    [[gnu::noinline]] void tellNow(void (EngineEvents::*handler)(const Event&), Fields... fields) {
        (events_.*handler)(Event{fields...});
    }
    void schedule(TimerAction action, int count);
    void armComputer();
    int leader() const;

    EngineHost& host_;
    EngineEvents& events_;
    Random random_;
    TimerAction pendingAction_ = TimerAction::None;
    int pauseIntervalMs_ = 1000;
    int computerPending_ = 0;
    int winner_ = 0;
    EngineStats stats_;
    std::array<Pilot, kSeats + 1> pilots_{}; // [0] unused
};

} // namespace dw
