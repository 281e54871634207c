// Where the game meets the wire: the engine's events as the messages peers
// get and who gets each, the snapshots a newcomer is sent, and a game start
// as a peer asks for it. The host core sends through this, and the engine's
// tests record through it.
#pragma once

#include "engine/engine.h"
#include "protocol/messages.h"

#include <string>

namespace dw {

// The game a CMD_startgame asks for. Amount and distance come as typed; a
// text that is not an integer gets the default.
GameStart gameStart(const msg::StartGameRequest& request);

// CMD_newstats for a newcomer in entry `seat`.
std::string newstatsMessage(const Engine& engine, int seat);
// CMD_shipcards: what every ship and the discard pile show.
std::string shipCardsMessage(const Engine& engine);
// CMD_mycards with the seat's slots 1..slots.
std::string handMessage(const Engine& engine, int seat, int slots);

// Encodes each event into its message and sends it: what happens at the
// table to everybody, a hand and a refusal to their seat alone, and a turn
// to everybody with the drawn card only in the seat's own copy.
class EngineWire : public EngineEvents {
public:
    void gameStarted(const GameStarted& e) override;
    void roundStarted(const RoundStarted& e) override;
    void handDealt(const HandDealt& e) override;
    void turnStarted(const TurnStarted& e) override;
    void turnHandedBack(const TurnHandedBack& e) override;
    void turnPassed(const TurnPassed& e) override;
    void playApplied(const PlayApplied& e) override;
    void playRefused(const PlayRefused& e) override;
    void scoresPosted(const ScoresPosted& e) override;
    void gameWon(const GameWon& e) override;

protected:
    // To entry 1..kMaxEntries when a player is connected there; to nobody
    // otherwise.
    virtual void sendTo(int entry, const std::string& message) = 0;
    // To every entry a player is connected to, ascending.
    virtual void sendAll(const std::string& message) = 0;
};

} // namespace dw
