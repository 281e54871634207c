// Computer pilots. A pilot is a function: given a read-only view of the
// table and a seat whose play the engine waits for, it answers the play. The
// engine applies that play through the same rules as a human's play, so a
// pilot never changes the table itself.
//
// Two levels exist: Classic, the fixed list of priorities (engine/pilot.cpp),
// and Expert, which looks ahead by playing the round out many times
// (engine/expert.h). The host chooses the level; it applies to every seat the
// computer plays.
#pragma once

#include "engine/random.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace dw {

struct PlayerEntry;

enum class PilotLevel { Classic, Expert };

// "classic" or "expert": the level's name on the command line and in the
// settings file.
constexpr std::string_view pilotLevelName(PilotLevel level) {
    return level == PilotLevel::Expert ? "expert" : "classic";
}

// The level named by `text` (letter case ignored), or nothing.
constexpr std::optional<PilotLevel> parsePilotLevel(std::string_view text) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (PilotLevel level : {PilotLevel::Classic, PilotLevel::Expert}) {
        const std::string_view name = pilotLevelName(level);
        bool same = text.size() == name.size();
        for (std::size_t i = 0; same && i < text.size(); ++i)
            same = lower(text[i]) == name[i];
        if (same)
            return level;
    }
    return std::nullopt;
}

// One play, as the four play commands carry it.
enum class PlayKind {
    Go,      // UNDOCK, DOCK, the hazards, the repairs and the protections
    Speed,   // TELEPORT and WARP
    Miles,   // a lightyear card; no target
    Discard, // no target
};

struct Play {
    PlayKind kind = PlayKind::Discard;
    int slot = 0;   // 1..7
    int target = 0; // seat 1..4 for Go and Speed, 0 otherwise

    friend bool operator==(const Play&, const Play&) = default;
};

// What a pilot may read of the table: the player table and the round's
// globals, all read-only. Which of it a pilot uses is the pilot's affair;
// Expert narrows it down to what a player could know (engine/expert.h).
struct TableView {
    const PlayerEntry* players; // entries 1..4 are the seats; [0] unused
    const int* deck;            // positions 1..105, 0 = taken; [0] unused
    int deckPos;                // cards taken from the deck this round
    int tripDistance;
    int amountToEarn;
};

// A pilot. `random` is the engine's generator: a pilot that draws from it
// keeps whole games replayable from their seed.
using Pilot = Play (*)(const TableView& table, int seat, Random& random);

// The fixed list of priorities.
Play classicPilot(const TableView& table, int seat, Random& random);
// Only the discard stages of the fixed list.
Play classicDiscard(const TableView& table, int seat, Random& random);

// The pilot of a level.
Pilot pilotOf(PilotLevel level);

} // namespace dw
