// A ship in a round: whether it moves, what stopped it, its protections, how
// far it has travelled and the cards on top of its piles.
//
// The engine keeps one per seat (PlayerEntry::ship) and the client board one
// per seat from the plays it is told of. Both change a ship only through the
// effects below: the engine after its rules have accepted a play, the client
// for each play the host announces.
#pragma once

#include "engine/cards.h"

#include <array>
#include <cstdint>

namespace dw {

struct Ship {
    bool undocked = false; // it moves: UNDOCK is on top of its go pile
    std::int32_t distance = 0;
    std::int32_t hazard = 0;   // 0, or the hazard in force: 8, 12 or 14
    std::int32_t repaired = 0; // the hazard most recently repaired, until the next UNDOCK
    bool teleported = false;
    std::array<std::int32_t, kProtections + 1> protections{}; // by Protection: 1 = held; [0] unused
    bool stillMoving = false; // the engine's: it may still have a play this round
    bool safeTrip = false;    // no 20000ly card played this round
    // What the ship's piles show everybody (card codes, 0 = nothing): the
    // top card of the speed, go and mileage piles.
    int speedPile = kNoCard;
    int goPile = kNoCard;
    int milePile = kNoCard;

    friend bool operator==(const Ship&, const Ship&) = default;
};

// A ship as a round begins: docked, nowhere, unprotected, with empty piles.
constexpr Ship shipAtRoundStart() {
    Ship s;
    s.stillMoving = true;
    s.safeTrip = true;
    return s;
}

// What a protection did beyond protecting: the codes CMD_playsafe carries.
enum class ShieldEffect {
    None = 0,
    MovesAgain = 1,   // it mended the hazard in force or just repaired
    TeleportEnds = 2, // the teleport shield ended a teleport
};

// ---------------------------------------------------------------------------
// What a ship allows.

// Whether UNDOCK sets the ship moving: it is docked and no hazard stops it.
constexpr bool mayUndock(const Ship& s) {
    return !s.undocked && s.hazard == 0;
}

// Whether a lightyear card is within the ship's speed: once teleported, it
// travels only 2500 and 5000 at a time.
constexpr bool mayTravelWith(const Ship& s, int card) {
    return isLightyear(card) && (!s.teleported || card == kLy2500 || card == kLy5000);
}

// ---------------------------------------------------------------------------
// The effects of accepted plays.

// UNDOCK on the own ship.
constexpr void undock(Ship& s) {
    s.undocked = true;
    s.repaired = 0;
    s.goPile = kUndock;
}

// The repair of the hazard in force.
constexpr void mend(Ship& s, int repair) {
    s.repaired = s.hazard;
    s.hazard = 0;
    s.goPile = repair;
}

// DOCK or a hazard on another pilot's ship.
constexpr void stop(Ship& s, int attack) {
    s.undocked = false;
    if (attack != kDock)
        s.hazard = attack;
    s.goPile = attack;
}

// A protection on the own ship. Its shield sets a ship moving again when it
// guards against the hazard just repaired or still in force; the teleport
// shield ends a teleport.
constexpr ShieldEffect raiseShield(Ship& s, int shield) {
    ShieldEffect effect = ShieldEffect::None;
    if (isHazard(s.repaired) && shieldFor(s.repaired) == shield) {
        s.undocked = true;
        s.repaired = 0;
        effect = ShieldEffect::MovesAgain;
    }
    if (isHazard(s.hazard) && shieldFor(s.hazard) == shield) {
        s.undocked = true;
        s.hazard = 0;
        effect = ShieldEffect::MovesAgain;
    }
    if (s.teleported && shield == kTeleportShield) {
        s.teleported = false;
        effect = ShieldEffect::TeleportEnds;
    }
    s.protections[static_cast<std::size_t>(protectionIndex(shield))] = 1;
    if (effect == ShieldEffect::MovesAgain)
        s.goPile = kUndock;
    else if (effect == ShieldEffect::TeleportEnds)
        s.speedPile = kNoCard;
    return effect;
}

// TELEPORT on another pilot's ship.
constexpr void teleport(Ship& s) {
    s.teleported = true;
    s.speedPile = kTeleport;
}

// WARP on the own teleported ship.
constexpr void warp(Ship& s) {
    s.teleported = false;
    s.speedPile = kWarp;
}

// A lightyear card on the own ship; returns the lightyears it adds.
constexpr int travel(Ship& s, int card) {
    const int added = cardInfo(card).lightyears;
    s.distance += added;
    if (card == kLy20000)
        s.safeTrip = false;
    s.milePile = card;
    return added;
}

// The effect of an accepted play of `card` onto a ship's go pile: UNDOCK, a
// repair, DOCK or a hazard. Any other card changes nothing.
constexpr void landOnGoPile(Ship& s, int card) {
    if (card == kUndock)
        undock(s);
    else if (isRepair(card))
        mend(s, card);
    else if (card == kDock || isHazard(card))
        stop(s, card);
}

// The effect of an accepted play of `card` onto a ship's speed pile:
// TELEPORT or WARP. Any other card changes nothing.
constexpr void landOnSpeedPile(Ship& s, int card) {
    if (card == kTeleport)
        teleport(s);
    else if (card == kWarp)
        warp(s);
}

// Puts a ship into the state its piles show: the card on top of the go pile
// tells whether it moves and which hazard is in force or was repaired last,
// TELEPORT on top of the speed pile that it is teleported. Its distance and
// protections stay as they are.
constexpr void showPiles(Ship& s, int speed, int go, int miles) {
    s.undocked = false;
    s.hazard = 0;
    s.repaired = 0;
    s.teleported = false;
    s.speedPile = kNoCard;
    s.goPile = kNoCard;
    for (int hazard : {kSkyjack, kDamage, kPowerDrain})
        if (isRepair(go) && repairFor(hazard) == go)
            stop(s, hazard); // what the repair on top mended
    landOnGoPile(s, go);
    landOnSpeedPile(s, speed);
    s.milePile = miles;
}

} // namespace dw
