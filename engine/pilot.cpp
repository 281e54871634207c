// The computer pilot: a fixed list of priorities, one play per turn, played
// through the same rules as a human's play, without the round trip through
// the network text.
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

// The lowest slot holding each card code (0 when the code is not held),
// taken once per decision instead of scanning the hand for every question.
struct HandIndex {
    std::array<int, kNumCardCodes> first{};
    explicit HandIndex(const tplayer& p) {
        for (int slot = kSlots; slot >= 1; --slot)
            first[ix(p.cards[ix(slot)])] = slot;
        first[kNoCard] = 0;
    }
    int operator[](int code) const { return first[ix(code)]; }
};

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

    const HandIndex hand(me);
    // The lowest slot among the held codes that satisfy `pred`.
    auto firstAmong = [&](int from, int to, auto pred) {
        int best = 0;
        for (int c = from; c <= to; ++c)
            if (hand[c] != 0 && (best == 0 || hand[c] < best) && pred(c))
                best = hand[c];
        return best;
    };

    // 1. Protections first.
    if (int s = firstAmong(kSkyjackShield, kPowerShield, [](int) { return true; }))
        return playGo(seat, s, seat);
    // 2. Finish the trip.
    if (me.undocked) {
        const int s = firstAmong(kLy2500, kLy20000, [&](int c) {
            return mayTravelWith(me, c) && me.distance + cardInfo(c).lightyears >= tripdistance;
        });
        if (s)
            return playMiles(seat, s);
    }
    // 3. Stop a pilot near the goal.
    const bool anyAttack =
        hand[kSkyjack] || hand[kDamage] || hand[kPowerDrain] || hand[kDock] || hand[kTeleport];
    for (int t = 1; anyAttack && t <= kSeats; ++t) {
        if (t == seat || tripdistance - players[ix(t)].distance > 10000)
            continue;
        if (int s = firstAmong(kSkyjack, kPowerDrain,
                               [&](int c) { return isHazardAttack(c) && eligibleAttack(t, c); }))
            return playGo(seat, s, t);
        if (hand[kDock] && eligibleDock(t))
            return playGo(seat, hand[kDock], t);
        if (hand[kTeleport] && eligibleTeleport(t))
            return playSpeed(seat, hand[kTeleport], t);
    }
    // 4. WARP away a TELEPORT.
    if (me.teleported && hand[kWarp])
        return playSpeed(seat, hand[kWarp], seat);
    // 5. The big card.
    if (me.undocked && !me.teleported && hand[kLy10000])
        return playMiles(seat, hand[kLy10000]);
    // 6. Any distance.
    if (me.undocked)
        if (int s = firstAmong(kLy2500, kLy20000, [&](int c) { return mayTravelWith(me, c); }))
            return playMiles(seat, s);
    // 7. Undock.
    if (!me.undocked && me.hazard == 0 && hand[kUndock])
        return playGo(seat, hand[kUndock], seat);
    // 8. Repair.
    if (!me.undocked && me.hazard != 0 && hand[repairFor(me.hazard)])
        return playGo(seat, hand[repairFor(me.hazard)], seat);
    if (!anyAttack)
        return computerdiscard(seat);
    // 9. Attack the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = me.cards[ix(slot)];
        if (!isHazardAttack(c))
            continue;
        if (int t = leaderAmong([&](int o) { return eligibleAttack(o, c); }, true))
            return playGo(seat, slot, t);
    }
    // 10. TELEPORT the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (me.cards[ix(slot)] != kTeleport)
            continue;
        if (int t = leaderAmong(eligibleTeleport, false))
            return playSpeed(seat, slot, t);
    }
    // 11. DOCK the leader.
    for (int slot = 1; slot <= kSlots; ++slot) {
        if (me.cards[ix(slot)] != kDock)
            continue;
        if (int t = leaderAmong(eligibleDock, true))
            return playGo(seat, slot, t);
    }
    // 12. Nothing to play.
    computerdiscard(seat);
}

void Engine::computerdiscard(int seat) {
    if (seat < 1 || seat > kSeats || !takesPlay(seat))
        return;
    const tplayer& me = players[ix(seat)];
    auto discardSlot = [&](int slot) { playDiscard(seat, slot); };

    const HandIndex hand(me);
    auto lower = [](int a, int b) { return (a == 0 || (b != 0 && b < a)) ? b : a; };

    // 1. Repairs made useless by a protection held.
    static constexpr int kRepairOfProtection[5] = {0, kReload, kWarp, kRepair, kPower};
    for (int i = 1; i <= 4; ++i)
        if (me.protections[ix(i)] != 0 && hand[kRepairOfProtection[i]])
            return discardSlot(hand[kRepairOfProtection[i]]);
    // 2.-4. Small distances and DOCK.
    if (int s = lower(hand[kLy2500], hand[kDock]))
        return discardSlot(s);
    if (hand[kLy5000])
        return discardSlot(hand[kLy5000]);
    if (hand[kLy7500])
        return discardSlot(hand[kLy7500]);
    // 5. A card held three times or more.
    std::array<int, kNumCardCodes> count{};
    for (int slot = 1; slot <= kSlots; ++slot)
        ++count[ix(me.cards[ix(slot)])];
    for (int code = 1; code < kNumCardCodes; ++code)
        if (count[ix(code)] >= 3)
            return discardSlot(hand[code]);
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
