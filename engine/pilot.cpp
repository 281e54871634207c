// The Classic computer pilot: a fixed list of priorities, one play per turn,
// played through the same rules as a human's play, without the round trip
// through the network text.
//
// The pilot runs on every computer turn, so its questions are answered from
// an index of the hand built once per decision, and the common "nothing of
// that kind in hand" answers cost a single test.
#include "engine/pilot.h"

#include "engine/engine.h"

#include "engine/expert.h"

#include <algorithm>

namespace dw {

namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// The lowest slot holding each card code, and which codes are held at all.
// A code not held has the slot kAbsent, past the hand, so the lowest slot
// among several codes is a plain minimum.
class HandIndex {
public:
    static constexpr int kAbsent = kSlots + 1;

    explicit HandIndex(const PlayerEntry& p) {
        first_.fill(kAbsent);
        // Gathered in a local: stores into first_ could alias a member, which
        // would keep it in memory through the loop.
        std::uint32_t held = 0;
        for (int slot = kSlots; slot >= 1; --slot) {
            const int c = p.cards[ix(slot)];
            first_[ix(c)] = slot;
            held |= bit(c);
        }
        first_[kNoCard] = kAbsent;
        held_ = held & ~bit(kNoCard);
    }

    static constexpr std::uint32_t bit(int code) { return 1u << code; }

    bool has(int code) const { return (held_ & bit(code)) != 0; }
    // Whether any of the codes whose bits are set in `codes` is held.
    bool hasAny(std::uint32_t codes) const { return (held_ & codes) != 0; }
    // The lowest slot holding `code`; only meaningful when has(code).
    int operator[](int code) const { return first_[ix(code)]; }
    // The lowest slot among the held codes from..to that satisfy `pred`, or 0.
    template <typename Pred> int lowest(int from, int to, Pred pred) const {
        if ((held_ & (bit(to + 1) - bit(from))) == 0)
            return 0; // nothing from..to in hand: the usual answer, in one test
        int best = kAbsent;
        for (int c = from; c <= to; ++c)
            if (pred(c))
                best = std::min(best, first_[ix(c)]);
        return best == kAbsent ? 0 : best;
    }
    int lowest(int from, int to) const {
        return lowest(from, to, [](int) { return true; });
    }

private:
    std::array<int, kNumCardCodes> first_;
    std::uint32_t held_ = 0; // bit c set: code c is held
};

constexpr std::uint32_t kHazardBits =
    HandIndex::bit(kSkyjack) | HandIndex::bit(kDamage) | HandIndex::bit(kPowerDrain);
constexpr std::uint32_t kLightyearBits = HandIndex::bit(kLy2500) | HandIndex::bit(kLy5000) |
                                         HandIndex::bit(kLy7500) | HandIndex::bit(kLy10000) |
                                         HandIndex::bit(kLy20000);
constexpr std::uint32_t kAttackBits =
    kHazardBits | HandIndex::bit(kDock) | HandIndex::bit(kTeleport);

// The table as the fixed list reads it, and where its answer goes: the list
// below calls playGo, playSpeed, playMiles and playDiscard as the engine's
// own handlers are called, and the last call is the play. `Plays` is either
// a recorder of that call (classicPilot) or the engine itself, which then
// makes the play at once: the list runs on every computer turn.
template <typename Plays> class ClassicPilot {
public:
    ClassicPilot(const TableView& table, Random& random, Plays& plays)
        : players(table.players), tripDistance(table.tripDistance), random_(random), plays_(plays) {
    }

    const PlayerEntry* const players;
    const int tripDistance;

    void pilotPlay(int seat);

    void playGo(int seat, int slot, int target) { plays_.playGo(seat, slot, target); }
    void playSpeed(int seat, int slot, int target) { plays_.playSpeed(seat, slot, target); }
    void playMiles(int seat, int slot) { plays_.playMiles(seat, slot); }
    void playDiscard(int seat, int slot) { plays_.playDiscard(seat, slot); }
    Random& random() { return random_; }
    bool takesPlay(int seat) const { return seat >= 1 && seat <= kSeats; }

private:
    Random& random_;
    Plays& plays_;
};

// Records the play the list chose.
struct PlayRecorder {
    Play play;
    void playGo(int, int slot, int target) { play = {PlayKind::Go, slot, target}; }
    void playSpeed(int, int slot, int target) { play = {PlayKind::Speed, slot, target}; }
    void playMiles(int, int slot) { play = {PlayKind::Miles, slot, 0}; }
    void playDiscard(int, int slot) { play = {PlayKind::Discard, slot, 0}; }
};

// The discard of a seat whose turn found no play, by the stages below.
template <typename Plays>
void discardBy(ClassicPilot<Plays>& engine, int seat, const HandIndex& hand) {
    const PlayerEntry& me = engine.players[ix(seat)];

    // 1. Repairs made useless by a protection held, in protection order.
    static constexpr int kRepairOfProtection[5] = {0, kReload, kWarp, kRepair, kPower};
    std::uint32_t useless = 0;
    for (int i = 1; i <= 4; ++i)
        useless |= me.ship.protections[ix(i)] != 0 ? HandIndex::bit(kRepairOfProtection[i]) : 0u;
    if (hand.hasAny(useless))
        for (int i = 1; i <= 4; ++i)
            if (me.ship.protections[ix(i)] != 0 && hand.has(kRepairOfProtection[i]))
                return engine.playDiscard(seat, hand[kRepairOfProtection[i]]);
    // 2.-4. Small distances and DOCK.
    if (hand.has(kLy2500) || hand.has(kDock))
        return engine.playDiscard(seat, std::min(hand[kLy2500], hand[kDock]));
    if (hand.has(kLy5000))
        return engine.playDiscard(seat, hand[kLy5000]);
    if (hand.has(kLy7500))
        return engine.playDiscard(seat, hand[kLy7500]);
    // 5. A card held three times or more.
    std::array<int, kNumCardCodes> count{};
    for (int slot = 1; slot <= kSlots; ++slot)
        ++count[ix(me.cards[ix(slot)])];
    for (int code = 1; code < kNumCardCodes; ++code)
        if (count[ix(code)] >= 3)
            return engine.playDiscard(seat, hand[code]);
    // 6. At random, sparing UNDOCK. Without any other card the first card
    //    held goes, so the draw never repeats forever.
    if (hand.lowest(kLy2500, kPowerShield, [](int c) { return c != kUndock; }) == 0) {
        if (hand.has(kUndock))
            engine.playDiscard(seat, hand[kUndock]);
        return;
    }
    int slot;
    do {
        slot = engine.random()(kSlots) + 1;
    } while (me.cards[ix(slot)] == kNoCard || me.cards[ix(slot)] == kUndock);
    engine.playDiscard(seat, slot);
}

template <typename Plays> void ClassicPilot<Plays>::pilotPlay(int seat) {
    if (!takesPlay(seat))
        return;
    const PlayerEntry& me = players[ix(seat)];

    // Hazards (the card is always one here), DOCK and TELEPORT, each with the
    // rule's own case, so that nothing is asked twice in the search.
    auto eligibleHazard = [&](int t, int c) {
        const PlayerEntry& o = players[ix(t)];
        return t != seat && o.active && hazardLands(o.ship.undocked, [&] {
                   return o.ship.protections[ix(guardOf(c))] != 0;
               });
    };
    auto eligibleDock = [&](int t) {
        const PlayerEntry& o = players[ix(t)];
        return t != seat && o.active &&
               attackLands(kDock, o.ship.undocked, o.ship.teleported, false);
    };
    auto eligibleTeleport = [&](int t) {
        const PlayerEntry& o = players[ix(t)];
        return t != seat && o.active &&
               attackLands(kTeleport, o.ship.undocked, o.ship.teleported,
                           [&] { return o.ship.protections[ix(guardOf(kTeleport))] != 0; });
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
            if (eligible(t) && players[ix(t)].ship.distance > players[ix(choice)].ship.distance)
                choice = t;
        }
        return choice;
    };

    const Ship& ship = me.ship;
    const HandIndex hand(me);

    // 1. Protections first.
    if (int s = hand.lowest(kSkyjackShield, kPowerShield))
        return playGo(seat, s, seat);
    // 2. Finish the trip.
    const bool mayTravel = ship.undocked && hand.hasAny(kLightyearBits);
    if (mayTravel) {
        const int s = hand.lowest(kLy2500, kLy20000, [&](int c) {
            return mayTravelWith(ship, c) && ship.distance + cardInfo(c).lightyears >= tripDistance;
        });
        if (s)
            return playMiles(seat, s);
    }
    // 3. Stop a pilot near the goal. With an attack card in hand, the seats
    //    near the goal are gathered first, so the usual case (none) is one
    //    test.
    unsigned nearGoal = 0; // bit t: seat t is another seat near the goal
    if (hand.hasAny(kAttackBits))
        for (int t = 1; t <= kSeats; ++t)
            nearGoal |= static_cast<unsigned>(tripDistance - players[ix(t)].ship.distance <= 10000)
                        << t;
    nearGoal &= ~(1u << seat);
    if (nearGoal != 0) {
        for (int t = 1; t <= kSeats; ++t) {
            if ((nearGoal & (1u << t)) == 0)
                continue;
            if (int s = hand.lowest(kSkyjack, kPowerDrain,
                                    [&](int c) { return isHazard(c) && eligibleHazard(t, c); }))
                return playGo(seat, s, t);
            if (hand.has(kDock) && eligibleDock(t))
                return playGo(seat, hand[kDock], t);
            if (hand.has(kTeleport) && eligibleTeleport(t))
                return playSpeed(seat, hand[kTeleport], t);
        }
    }
    // 4. WARP away a TELEPORT.
    if (ship.teleported && hand.has(kWarp))
        return playSpeed(seat, hand[kWarp], seat);
    // 5. The big card.
    if (ship.undocked && !ship.teleported && hand.has(kLy10000))
        return playMiles(seat, hand[kLy10000]);
    // 6. Any distance.
    if (mayTravel)
        if (int s = hand.lowest(kLy2500, kLy20000, [&](int c) { return mayTravelWith(ship, c); }))
            return playMiles(seat, s);
    // 7. Undock.
    if (mayUndock(ship) && hand.has(kUndock))
        return playGo(seat, hand[kUndock], seat);
    // 8. Repair.
    if (!ship.undocked && ship.hazard != 0 && hand.has(repairFor(ship.hazard)))
        return playGo(seat, hand[repairFor(ship.hazard)], seat);
    // 9. Attack the leader: the first slot holding a hazard attack that has a
    //    target. The target depends only on the card, so each code held is
    //    asked once.
    if (hand.hasAny(kHazardBits)) {
        int slot = HandIndex::kAbsent;
        int target = 0;
        for (int c : {kSkyjack, kDamage, kPowerDrain}) {
            if (!hand.has(c) || hand[c] > slot)
                continue;
            if (int t = leaderAmong([&](int o) { return eligibleHazard(o, c); }, true)) {
                slot = hand[c];
                target = t;
            }
        }
        if (target != 0)
            return playGo(seat, slot, target);
    }
    // 10. TELEPORT the leader. The target does not depend on which slot holds
    //     the card, so the first TELEPORT stands for all of them.
    if (hand.has(kTeleport))
        if (int t = leaderAmong(eligibleTeleport, false))
            return playSpeed(seat, hand[kTeleport], t);
    // 11. DOCK the leader, likewise.
    if (hand.has(kDock))
        if (int t = leaderAmong(eligibleDock, true))
            return playGo(seat, hand[kDock], t);
    // 12. Nothing to play.
    discardBy(*this, seat, hand);
}

} // namespace

Play classicPilot(const TableView& table, int seat, Random& random) {
    PlayRecorder answer;
    ClassicPilot<PlayRecorder> pilot(table, random, answer);
    pilot.pilotPlay(seat);
    return answer.play;
}

Play classicDiscard(const TableView& table, int seat, Random& random) {
    PlayRecorder answer;
    ClassicPilot<PlayRecorder> pilot(table, random, answer);
    if (pilot.takesPlay(seat))
        discardBy(pilot, seat, HandIndex(table.players[ix(seat)]));
    return answer.play;
}

Pilot pilotOf(PilotLevel level) {
    return level == PilotLevel::Expert ? expertPilot : classicPilot;
}

// ---------------------------------------------------------------------------
// The engine's side: asking the seat's pilot and applying its answer.

TableView Engine::view() const {
    return {players.data(), deck.data(), deckPos, tripDistance, amountToEarn};
}

void Engine::setPilotLevel(PilotLevel level) {
    for (int s = 1; s <= kSeats; ++s)
        setPilot(s, pilotOf(level));
}

void Engine::setPilot(int seat, Pilot chosen) {
    if (seat >= 1 && seat <= kSeats)
        pilots_[ix(seat)] = chosen;
}

Pilot Engine::pilot(int seat) const {
    const Pilot p = seat >= 1 && seat <= kSeats ? pilots_[ix(seat)] : nullptr;
    return p ? p : classicPilot;
}

void Engine::resumeTurn(int seat) {
    currentSeat = seat;
    gameInProgress = true;
    pendingAction_ = TimerAction::None;
}

void Engine::applyPlay(int seat, const Play& play) {
    switch (play.kind) {
    case PlayKind::Go:
        return playGo(seat, play.slot, play.target);
    case PlayKind::Speed:
        return playSpeed(seat, play.slot, play.target);
    case PlayKind::Miles:
        return playMiles(seat, play.slot);
    case PlayKind::Discard:
        return playDiscard(seat, play.slot);
    }
}

void Engine::pilotPlay(int seat) {
    if (!takesPlay(seat))
        return;
    const Pilot chosen = pilot(seat);
    // The fixed list runs on every computer turn, so it is compiled into
    // this function and makes its play through the engine's handler as it
    // chooses it, instead of answering a play to be looked at again.
    if (chosen == classicPilot) {
        ClassicPilot<Engine> list(view(), random_, *this);
        return list.pilotPlay(seat);
    }
    applyPlay(seat, chosen(view(), seat, random_));
    // A play the rules refused would leave the turn hanging; the fixed list,
    // whose plays are always accepted, plays instead.
    if (takesPlay(seat))
        applyPlay(seat, classicPilot(view(), seat, random_));
}

void Engine::pilotDiscard(int seat) {
    if (takesPlay(seat))
        applyPlay(seat, classicDiscard(view(), seat, random_));
}

} // namespace dw
