// Helpers shared by the board model's source files: indexing, seat ranges,
// and the ranges of the host's fields.
#pragma once

#include "client/boardmodel.h"
#include "engine/cards.h"
#include "protocol/messages.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace dw::boardinternal {

inline constexpr int kMaxCard = kNumCardCodes - 1;

inline std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

inline bool isPlayingSeat(int seat) {
    return seat >= 1 && seat <= kPlayingSeats;
}

inline bool isPlace(int place) {
    return place >= 1 && place <= kHandPlaces;
}

inline bool isCard(int card) {
    return card >= 0 && card <= kMaxCard;
}

// What a pile shows for a card code: nothing for 0.
inline Picture picture(int card) {
    return card == kNoCard ? Picture() : Picture(card);
}

} // namespace dw::boardinternal
