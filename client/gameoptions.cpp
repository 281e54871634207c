// The game options values: amount to earn, trip distance, computer pilots.
#include "client/boardinternal.h"
#include "client/boardmodel.h"
#include "engine/gamebounds.h"

#include <algorithm>

namespace dw {

using namespace boardinternal;

// ---------------------------------------------------------------- game options

void GameOptions::amountUp() {
    amount_ = std::min(amount_ + kAmountStep, kAmountMax);
}
void GameOptions::amountDown() {
    amount_ = std::max(amount_ - kAmountStep, kAmountMin);
}
void GameOptions::distanceUp() {
    distance_ = std::min(distance_ + kDistanceStep, kDistanceMax);
}
void GameOptions::distanceDown() {
    distance_ = std::max(distance_ - kDistanceStep, kDistanceMin);
}
void GameOptions::setAmount(int value) {
    amount_ = amountWithinBounds(value);
}
void GameOptions::setDistance(int value) {
    distance_ = distanceWithinBounds(value);
}

int GameOptions::bot(int box) const {
    return box == 3 ? bot3_ : box == 4 ? bot4_ : 0;
}

void GameOptions::onComputerBoxClicked(int box) {
    int* v = box == 3 ? &bot3_ : box == 4 ? &bot4_ : nullptr;
    if (v)
        *v = *v != 0 ? 0 : 1;
}

void GameOptions::setComputerBox(std::string_view control, int value) {
    // A box has only the pictures 0 and 1; any other stored value shows a tick.
    const int v = value != 0 ? 1 : 0;
    if (control == "image_bot3")
        bot3_ = v;
    else if (control == "image_bot4")
        bot4_ = v;
}

std::string GameOptions::startCommand(std::string_view playerName) const {
    return msg::StartGameRequest{std::string(playerName), amountText(), distanceText(), bot3_ != 0,
                                 bot4_ != 0}
        .encode();
}

} // namespace dw
