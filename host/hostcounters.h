// What a host has done since it started, for operators: counted by the host
// core and the server as things happen, read by the status endpoint. Plain
// counters, never reset; nothing reads them back into the game.
#pragma once

#include <cstdint>

namespace dw {

struct HostCounters {
    std::uint64_t connections = 0;     // connections given a seat
    std::uint64_t connectionsFull = 0; // connections refused: the game was full
    std::uint64_t logins = 0;
    std::uint64_t gamesStarted = 0;
    std::uint64_t gamesFinished = 0; // games that reached a winner
    std::uint64_t rounds = 0;        // rounds dealt
    std::uint64_t plays = 0;         // plays and discards taken, computer pilots' included
    std::uint64_t refusals = 0;      // plays refused with an error code
    std::uint64_t relayed = 0;       // chat, action and sound messages relayed
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
    std::uint64_t reclaims = 0;        // seats taken back with a seat key
    std::uint64_t reclaimsRefused = 0; // asks to take a seat back that were refused
};

} // namespace dw
