// What the status endpoint tells an operator about a host: the table as it
// is now (JSON) and what the host has done since it started (Prometheus
// text). Plain C++: the HTTP side only carries these texts.
#pragma once

#include "host/hostcounters.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

class HostCore;

struct SeatStatus {
    int seat = 0;
    std::string name; // the logged-in player (UTF-8), empty when none
    bool connected = false;
    bool watching = false; // the player just watches the game
    bool inGame = false;   // the seat plays in the game that runs or ran last
    bool computer = false; // the computer plays the seat in the running game
};

struct HostStatus {
    std::string version;
    int port = 0;
    std::array<SeatStatus, 4> seats{};
    std::vector<std::string> spectators; // names (UTF-8) of the watching connections
    int connections = 0;                 // live connections, seats and spectators
    bool playing = false;
    int amount = 0;   // the amount to earn of the running or last game
    int distance = 0; // its trip distance in lightyears
    long round = 0;   // rounds dealt in that game
    int winner = 0;   // the seat that won the last game, 0 while none
    double uptimeSeconds = 0.0;
};

HostStatus hostStatus(const HostCore& core, int port, double uptimeSeconds);

// The status as one JSON object.
std::string statusJson(const HostStatus& status);

struct ProcessMemory {
    std::uint64_t residentBytes = 0;
    std::uint64_t privateBytes = 0; // resident pages no other process shares
};

// Reads the text of /proc/<pid>/smaps_rollup; nothing when it is not one.
std::optional<ProcessMemory> parseSmapsRollup(std::string_view text);
// This process's memory; nothing where the system does not tell.
std::optional<ProcessMemory> processMemory();

// Counters, the table's state and the memory, in the Prometheus text format.
std::string metricsText(const HostCounters& counters, const HostStatus& status,
                        const std::optional<ProcessMemory>& memory);

} // namespace dw
