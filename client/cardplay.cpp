// Selecting cards, the targets they light, playing, discarding and sorting.
#include "client/boardinternal.h"
#include "client/boardmodel.h"
#include "protocol/messages.h"

#include <algorithm>

namespace dw {

using namespace boardinternal;

// ---------------------------------------------------------------- selection and play

std::array<bool, kPlayingSeats + 1> BoardModel::targetsFor(int card) const {
    std::array<bool, kPlayingSeats + 1> lit{};
    const int me = state_.mySeat;
    if (!isPlayingSeat(me))
        return lit;
    const Ship& ship = state_.ships[at(me)];
    // Opponents in the game that `attack` lands on.
    auto others = [&](int attack) {
        const int guard = guardOf(attack);
        for (int n = 1; n <= kPlayingSeats; ++n) {
            if (n == me || !state_.inGame[at(n)])
                continue;
            const Ship& other = state_.ships[at(n)];
            lit[at(n)] = attackLands(attack, other.undocked, other.teleported,
                                     guard != 0 && other.protections[at(guard)] != 0);
        }
    };
    if (isLightyear(card)) {
        lit[at(me)] = ship.undocked && mayTravelWith(ship, card);
    } else if (isShield(card)) {
        lit[at(me)] = true;
    } else if (isRepair(card)) {
        // The repair of the hazard the own ship suffers.
        lit[at(me)] = card == repairFor(ship.hazard);
    } else if (isHazard(card) || card == kDock || card == kTeleport) {
        others(card);
    } else if (card == kWarp) {
        lit[at(me)] = ship.teleported;
    } else if (card == kUndock) {
        lit[at(me)] = mayUndock(ship);
    }
    return lit;
}

int BoardModel::positionOf(int place) const {
    const auto& order = state_.handOrder;
    const auto it = std::find(order.begin() + 1, order.end(), place);
    return it == order.end() ? 0 : static_cast<int>(it - order.begin());
}

void BoardModel::onCardReleased(int place, bool rightButton) {
    if (place < 1 || place > kHandPlaces)
        return;
    if (rightButton) {
        sortCards();
        return;
    }
    hideTargets();
    if (state_.turnSeat != state_.mySeat || !isPlayingSeat(state_.mySeat)) {
        finish();
        return;
    }
    const int selected = state_.selectedSlot;
    if (place == selected) {
        view_.hand[at(place)].raised = false;
        state_.selectedSlot = 0;
    } else if (selected != 0) {
        view_.hand[at(selected)].raised = false;
        swapPositions(positionOf(selected), positionOf(place));
        state_.selectedSlot = 0;
    } else {
        state_.selectedSlot = place;
        view_.hand[at(place)].raised = true;
        const auto lit = targetsFor(view_.hand[at(place)].card);
        for (int n = 1; n <= kPlayingSeats; ++n)
            view_.seats[at(n)].target = lit[at(n)];
        // The keyboard's first choice: the own ship when lit, else the first lit seat.
        view_.chosenTarget = 0;
        if (isPlayingSeat(state_.mySeat) && lit[at(state_.mySeat)])
            view_.chosenTarget = state_.mySeat;
        else
            cycleTarget(+1);
        events_.sound("clickcard");
    }
    finish();
}

void BoardModel::onTargetClicked(int seat) {
    // Only a lit marker can be clicked.
    if (!isPlayingSeat(seat) || !view_.seats[at(seat)].target)
        return;
    const int place = state_.selectedSlot;
    if (place == 0 || state_.turnSeat != state_.mySeat || !isPlayingSeat(state_.mySeat))
        return;
    const int c = view_.hand[at(place)].card;
    const int me = state_.mySeat;
    std::string message;
    switch (playCommand(c)) {
    case PlayCommand::GoMiles:
        message = msg::GoMiles{me, place}.encode();
        break;
    case PlayCommand::PlaceGo:
        message = msg::PlaceGo{me, place, seat}.encode();
        break;
    case PlayCommand::PlaceSpeed:
        message = msg::PlaceSpeed{me, place, seat}.encode();
        break;
    case PlayCommand::None:
        break;
    }
    if (!message.empty() && state_.loggedIn)
        events_.send(message);
    state_.turnSeat = 0;
    events_.sound("clicktarget");
    finish();
}

void BoardModel::onDiscardClicked() {
    const int place = state_.selectedSlot;
    if (state_.turnSeat != state_.mySeat || place == 0 || !isPlayingSeat(state_.mySeat))
        return;
    if (state_.loggedIn)
        events_.send(msg::Discard{state_.mySeat, place}.encode());
    state_.turnSeat = 0;
    view_.turn.visible = false;
    finish();
}

void BoardModel::selectPosition(int position) {
    if (position < 1 || position > kHandPlaces)
        return;
    const int place = state_.handOrder[at(position)];
    if (place == state_.selectedSlot)
        return;
    if (state_.selectedSlot != 0 && state_.turnSeat == state_.mySeat)
        deselect();
    onCardReleased(place, false);
}

void BoardModel::stepSelection(int step) {
    const int now = state_.selectedSlot != 0 ? positionOf(state_.selectedSlot) : 0;
    int next = now + step;
    if (now == 0)
        next = step > 0 ? 1 : kHandPlaces;
    selectPosition(std::clamp(next, 1, kHandPlaces));
}

void BoardModel::cycleTarget(int step) {
    step = step < 0 ? -1 : 1;
    int seat = view_.chosenTarget;
    if (!isPlayingSeat(seat))
        seat = step > 0 ? 0 : 1;
    for (int i = 0; i < kPlayingSeats; ++i) {
        seat = (seat + step + kPlayingSeats - 1) % kPlayingSeats + 1;
        if (view_.seats[at(seat)].target) {
            view_.chosenTarget = seat;
            finish();
            return;
        }
    }
}

void BoardModel::playChosenTarget() {
    const int seat = view_.chosenTarget;
    if (isPlayingSeat(seat) && view_.seats[at(seat)].target)
        onTargetClicked(seat);
}

void BoardModel::deselect() {
    const int place = state_.selectedSlot;
    if (place == 0 || state_.turnSeat != state_.mySeat)
        return;
    onCardReleased(place, false);
}

void BoardModel::sortCards() {
    // Empty places and lightyears first (ascending), then attacks, the
    // repairs and WARP, UNDOCK, and the shields last.
    auto exchange = [](int a, int b) {
        auto fixer = [](int x) { return isRepair(x) || x == kWarp; };
        auto attack = [](int x) { return isHazard(x) || x == kDock || x == kTeleport; };
        if (a == kNoCard || isLightyear(a))
            return b > a;
        if (a == kUndock)
            return isShield(b);
        if (fixer(a))
            return isShield(b) || b == kUndock;
        if (attack(a))
            return isShield(b) || b == kUndock || fixer(b);
        return false;
    };
    for (int pass = 0; pass < kHandPlaces; ++pass) {
        for (int p = 1; p < kHandPlaces; ++p) {
            const int a = view_.hand[at(state_.handOrder[at(p)])].card;
            const int b = view_.hand[at(state_.handOrder[at(p + 1)])].card;
            if (exchange(a, b))
                swapPositions(p, p + 1);
        }
    }
    finish();
}

} // namespace dw
