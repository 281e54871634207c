// Helpers shared by the board model's source files: indexing, seat ranges,
// ship states and the field readers of the host's commands.
#pragma once

#include "board/boardmodel.h"
#include "engine/cards.h"
#include "net/protocol.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace dw::boardinternal {

inline constexpr int kMaxCard = kNumCardCodes - 1;

// shipstate codes.
inline constexpr int kDocked = 0;
inline constexpr int kMoving = 1;
inline constexpr int kSkyjacked = 2;
inline constexpr int kReloaded = 3;
inline constexpr int kDamaged = 5;
inline constexpr int kRepaired = 6;
inline constexpr int kDrained = 7;
inline constexpr int kPowered = 8;

// Texts shown for the host's refusal codes.
inline constexpr std::array<std::string_view, 13> kInvalidTexts{
    "Invalid Play",
    "You must be undocked in order to travel.",
    "You can only play lightyears here.",
    "You cannot play that card there.",
    "You are already undocked.",
    "You cannot travel that fast after teleporting.",
    "You must fix your damage before undocking.",
    "That card will not fix your problem.",
    "You cannot cause damage to a ship that is not undocked.",
    "You do not need Warp.",
    "That ship already has been teleported.",
    "That ship is SAFE from that hazard.",
    "That ship is out of commission.",
};

inline std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

inline bool isPlayingSeat(int seat) {
    return seat >= 1 && seat <= kPlayingSeats;
}

inline std::optional<int> seatField(FieldReader& r) {
    return r.number(1, kPlayingSeats);
}
inline std::optional<int> placeField(FieldReader& r) {
    return r.number(1, kHandPlaces);
}
inline std::optional<int> cardField(FieldReader& r) {
    return r.number(0, kMaxCard);
}
inline std::optional<int> flagField(FieldReader& r) {
    return r.number(0, 1);
}

// Splits "a+b+...+z+" read from the right: the last `count` fields (each
// followed by "+"), with everything before them as the first field. Names
// that contain "+" thus survive in front of fixed trailing fields.
inline std::optional<std::vector<std::string_view>> splitFromRight(std::string_view payload,
                                                                   std::size_t count) {
    if (payload.empty() || payload.back() != '+')
        return std::nullopt;
    payload.remove_suffix(1);
    std::vector<std::string_view> fields(count + 1);
    for (std::size_t i = count; i >= 1; --i) {
        const std::size_t plus = payload.rfind('+');
        if (plus == std::string_view::npos)
            return std::nullopt;
        fields[i] = payload.substr(plus + 1);
        payload = payload.substr(0, plus);
    }
    fields[0] = payload;
    return fields;
}

} // namespace dw::boardinternal
