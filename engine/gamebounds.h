// The ranges of a game's amount to earn and trip distance: the options
// window offers only these, and the host brings any other request within
// them, so that no peer can start a game that ends at once or never.
#pragma once

#include <algorithm>

namespace dw {

inline constexpr int kAmountMin = 1000;
inline constexpr int kAmountMax = 10000;
// In thousands of lightyears.
inline constexpr int kDistanceMin = 50;
inline constexpr int kDistanceMax = 100;

constexpr int amountWithinBounds(int amount) {
    return std::clamp(amount, kAmountMin, kAmountMax);
}

constexpr int distanceWithinBounds(int thousands) {
    return std::clamp(thousands, kDistanceMin, kDistanceMax);
}

} // namespace dw
