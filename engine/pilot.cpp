// The computer pilot: a fixed list of priorities, one play per turn, played
// through the same handlers and with the same text as a human's client.
#include "engine/engine.h"

namespace dw {

namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// The lowest slot whose card satisfies `pred`, or 0.
template <typename Pred> int firstSlot(const tplayer& p, Pred pred) {
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = p.cards[ix(slot)];
        if (c != kNoCard && pred(c))
            return slot;
    }
    return 0;
}

bool mayTravelWith(const tplayer& p, int c) {
    if (!isLightyear(c))
        return false;
    return !p.teleported || c == kLy2500 || c == kLy5000;
}

// The protection index that guards against a hazard attack card.
int guardOf(int attack) {
    switch (attack) {
    case kSkyjack:
        return 1;
    case kDamage:
        return 3;
    case kPowerDrain:
        return 4;
    default:
        return 0;
    }
}

bool isHazardAttack(int c) {
    return c == kSkyjack || c == kDamage || c == kPowerDrain;
}

int repairFor(int hazard) {
    switch (hazard) {
    case kSkyjack:
        return kReload;
    case kDamage:
        return kRepair;
    case kPowerDrain:
        return kPower;
    default:
        return kNoCard;
    }
}

} // namespace

void Engine::issue(void (Engine::*handler)(std::string_view), int seat, int slot, int target) {
    // Seats, slots and targets are single digits: "seat+slot+target+".
    char text[6];
    std::size_t n = 0;
    text[n++] = static_cast<char>('0' + seat);
    text[n++] = '+';
    text[n++] = static_cast<char>('0' + slot);
    text[n++] = '+';
    if (target != 0) {
        text[n++] = static_cast<char>('0' + target);
        text[n++] = '+';
    }
    (this->*handler)(std::string_view(text, n));
}

void Engine::computerplay(int seat) {
    if (seat < 1 || seat > kSeats || !takesPlay(seat))
        return;
    const tplayer& me = players[ix(seat)];

    auto eligibleAttack = [&](int t, int c) {
        const tplayer& o = players[ix(t)];
        return t != seat && o.active && o.undocked && o.protections[ix(guardOf(c))] == 0;
    };
    auto eligibleDock = [&](int t) {
        const tplayer& o = players[ix(t)];
        return t != seat && o.active && o.undocked;
    };
    auto eligibleTeleport = [&](int t) {
        const tplayer& o = players[ix(t)];
        return t != seat && o.active && !o.teleported && o.protections[2] == 0;
    };
    // The leader among the eligible ships: the highest-numbered eligible
    // seat, replaced by any seat (of those scanned) that travelled further.
    auto leaderAmong = [&](auto eligible, bool onlyBelowOwn) {
        int choice = 0;
        for (int t = kSeats; t >= 1; --t)
            if (eligible(t)) {
                choice = t;
                break;
            }
        if (choice == 0)
            return 0;
        for (int t = 1; t <= kSeats; ++t) {
            if (t == seat || (onlyBelowOwn && t > seat))
                continue;
            if (eligible(t) && players[ix(t)].distance > players[ix(choice)].distance)
                choice = t;
        }
        return choice;
    };

    // 1. Protections first.
    if (int s = firstSlot(me, isShield))
        return issue(&Engine::placego, seat, s, seat);
    // 2. Finish the trip.
    if (me.undocked) {
        const int s = firstSlot(me, [&](int c) {
            return mayTravelWith(me, c) && me.distance + cardInfo(c).lightyears >= tripdistance;
        });
        if (s)
            return issue(&Engine::gomiles, seat, s, 0);
    }
    // 3. Stop a pilot near the goal.
    for (int t = 1; t <= kSeats; ++t) {
        if (t == seat || tripdistance - players[ix(t)].distance > 10000)
            continue;
        if (int s = firstSlot(me, [&](int c) { return isHazardAttack(c) && eligibleAttack(t, c); }))
            return issue(&Engine::placego, seat, s, t);
        if (int s = firstSlot(me, [](int c) { return c == kDock; }); s && eligibleDock(t))
            return issue(&Engine::placego, seat, s, t);
        if (int s = firstSlot(me, [](int c) { return c == kTeleport; }); s && eligibleTeleport(t))
            return issue(&Engine::placespeed, seat, s, t);
    }
    // 4. WARP away a TELEPORT.
    if (me.teleported)
        if (int s = firstSlot(me, [](int c) { return c == kWarp; }))
            return issue(&Engine::placespeed, seat, s, seat);
    // 5. The big card.
    if (me.undocked && !me.teleported)
        if (int s = firstSlot(me, [](int c) { return c == kLy10000; }))
            return issue(&Engine::gomiles, seat, s, 0);
    // 6. Any distance.
    if (me.undocked)
        if (int s = firstSlot(me, [&](int c) { return mayTravelWith(me, c); }))
            return issue(&Engine::gomiles, seat, s, 0);
    // 7. Undock.
    if (!me.undocked && me.hazard == 0)
        if (int s = firstSlot(me, [](int c) { return c == kUndock; }))
            return issue(&Engine::placego, seat, s, seat);
    // 8. Repair.
    if (!me.undocked && me.hazard != 0) {
        const int repair = repairFor(me.hazard);
        if (int s = firstSlot(me, [&](int c) { return c == repair; }))
            return issue(&Engine::placego, seat, s, seat);
    }
    // 9. Attack the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = me.cards[ix(slot)];
        if (!isHazardAttack(c))
            continue;
        if (int t = leaderAmong([&](int o) { return eligibleAttack(o, c); }, true))
            return issue(&Engine::placego, seat, slot, t);
    }
    // 10. TELEPORT the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (me.cards[ix(slot)] != kTeleport)
            continue;
        if (int t = leaderAmong(eligibleTeleport, false))
            return issue(&Engine::placespeed, seat, slot, t);
    }
    // 11. DOCK the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (me.cards[ix(slot)] != kDock)
            continue;
        if (int t = leaderAmong(eligibleDock, true))
            return issue(&Engine::placego, seat, slot, t);
    }
    // 12. Nothing to play.
    computerdiscard(seat);
}

void Engine::computerdiscard(int seat) {
    if (seat < 1 || seat > kSeats || !takesPlay(seat))
        return;
    const tplayer& me = players[ix(seat)];
    auto discardSlot = [&](int slot) { issue(&Engine::discard, seat, slot, 0); };

    // 1. Repairs made useless by a protection held.
    static constexpr int kRepairOfProtection[5] = {0, kReload, kWarp, kRepair, kPower};
    for (int i = 1; i <= 4; ++i) {
        if (me.protections[ix(i)] == 0)
            continue;
        const int repair = kRepairOfProtection[i];
        if (int s = firstSlot(me, [&](int c) { return c == repair; }))
            return discardSlot(s);
    }
    // 2.-4. Small distances and DOCK.
    if (int s = firstSlot(me, [](int c) { return c == kLy2500 || c == kDock; }))
        return discardSlot(s);
    if (int s = firstSlot(me, [](int c) { return c == kLy5000; }))
        return discardSlot(s);
    if (int s = firstSlot(me, [](int c) { return c == kLy7500; }))
        return discardSlot(s);
    // 5. A card held three times or more.
    std::array<int, kNumCardCodes> count{};
    for (int slot = 1; slot <= kSlots; ++slot)
        ++count[ix(me.cards[ix(slot)])];
    for (int code = 1; code < kNumCardCodes; ++code)
        if (count[ix(code)] >= 3)
            return discardSlot(firstSlot(me, [&](int c) { return c == code; }));
    // 6. At random, sparing UNDOCK. Without any other card the first card
    //    held goes, so the draw never repeats forever.
    if (!firstSlot(me, [](int c) { return c != kUndock; })) {
        if (int s = firstSlot(me, [](int) { return true; }))
            discardSlot(s);
        return;
    }
    int slot;
    do {
        slot = random_(kSlots) + 1;
    } while (me.cards[ix(slot)] == kNoCard || me.cards[ix(slot)] == kUndock);
    discardSlot(slot);
}

} // namespace dw
