#include "engine/cards.h"

namespace dw {

namespace {

constexpr std::array<int, kDeckSize + 1> makeUnsortedDeck() {
    std::array<int, kDeckSize + 1> order{};
    int k = 1;
    for (int code = 1; code < kNumCardCodes; ++code)
        for (int n = 0; n < kCards[static_cast<std::size_t>(code)].copies; ++n)
            order[static_cast<std::size_t>(k++)] = code;
    return order;
}

constexpr auto kUnsortedDeck = makeUnsortedDeck();

constexpr int countCopies() {
    int n = 0;
    for (const CardInfo& c : kCards)
        n += c.copies;
    return n;
}
static_assert(countCopies() == kDeckSize, "the card table must add up to the deck size");

} // namespace

int unsortedCard(int k) {
    if (k < 1 || k > kDeckSize)
        return kNoCard;
    return kUnsortedDeck[static_cast<std::size_t>(k)];
}

} // namespace dw
