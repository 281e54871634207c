#include "engine/engine.h"

#include "engine/gamebounds.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <experimental/simd>
#include <span>

namespace dw {

namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// The detail text of a host diagnostic: a few numbers joined by a
// separator, formatted into a fixed buffer.
class Detail {
public:
    Detail(std::initializer_list<int> values, std::string_view sep) {
        char* const end = buf_ + sizeof buf_;
        for (int v : values) {
            if (p_ != buf_)
                p_ = std::copy(sep.begin(), sep.end(), p_);
            p_ = std::to_chars(p_, end, v).ptr;
        }
    }
    std::string_view text() const { return {buf_, static_cast<std::size_t>(p_ - buf_)}; }

private:
    char buf_[48]; // three numbers of up to 11 characters and two separators
    char* p_ = buf_;
};

// The seat after `seat`, wrapping after the last to 1. The wrap comes every
// few turns, too often for a branch to predict it well, so it is a table.
int nextSeat(int seat) {
    static constexpr std::array<int, kSeats + 1> kNext{1, 2, 3, 4, 1};
    return seat >= 0 && seat <= kSeats ? kNext[ix(seat)] : 1;
}

// The lowest empty slot of a hand, or 0 when it is full: where the drawn
// card goes. Which slot that is changes from turn to turn, and a scan that
// stops at the first empty one pays for that in mispredicted branches, so
// every slot is compared at once.
int lowestEmptySlot(const std::array<int, kSlots + 1>& cards) {
    namespace stdx = std::experimental;
    const stdx::fixed_size_simd<int, kSlots + 1> codes(cards.data(), stdx::element_aligned);
    auto empty = codes == kNoCard;
    empty[0] = false; // [0] is not a slot
    return stdx::any_of(empty) ? stdx::find_first_set(empty) : 0;
}

} // namespace

Engine::Engine(EngineHost& host, EngineEvents& events, std::uint32_t seed)
    : host_(host), events_(events), random_(seed) {
    // Seat 1 is flown by the computer only on a host without a player of
    // its own (a headless host).
    players[1].botName = "Klank";
    players[2].botName = "Klot";
    players[3].botName = "Klock";
    players[4].botName = "Kling";
}

// ---------------------------------------------------------------------------
// Deck

void Engine::shuffleDeck() {
    // Fisher-Yates: the unsorted deck, then each position from the last down
    // swaps with a uniformly chosen position at or below it.
    static const std::array<int, kDeckSize + 1> unsorted = [] {
        std::array<int, kDeckSize + 1> d{};
        for (int k = 1; k <= kDeckSize; ++k)
            d[ix(k)] = unsortedCard(k);
        return d;
    }();
    deck = unsorted;
    for (int k = kDeckSize; k >= 2; --k)
        std::swap(deck[ix(k)], deck[ix(random_(k) + 1)]);
    deckPos = 0;
}

void Engine::dealHands() {
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].active)
            players[ix(s)].cards.fill(kNoCard);
    for (int s = 1; s <= kSeats; ++s) {
        PlayerEntry& p = players[ix(s)];
        if (!p.active)
            continue;
        for (int slot = 1; slot <= 6; ++slot) {
            ++deckPos;
            p.cards[ix(slot)] = deck[ix(deckPos)];
            deck[ix(deckPos)] = kNoCard;
        }
        tell(&EngineEvents::handDealt, s, std::span<const int>(p.cards).subspan(1, 6));
    }
    nextTurn();
}

// ---------------------------------------------------------------------------
// Timers

// startTimer restarts a running timer, so arming needs no stop first.
void Engine::schedule(TimerAction action, int count) {
    pendingAction_ = action;
    pauseTicksLeft = count;
    host_.startTimer(EngineTimer::Pause, pauseIntervalMs_);
}

void Engine::armComputer() {
    computerPending_ = 1;
    computerTicksLeft = 1;
    host_.startTimer(EngineTimer::Computer, host_.botSpeedMs());
}

void Engine::pauseTick() {
    --pauseTicksLeft;
    if (pauseTicksLeft >= 1)
        return;
    host_.stopTimer(EngineTimer::Pause);
    switch (pendingAction_) {
    case TimerAction::NextTurn:
        nextTurn();
        break;
    case TimerAction::StartRound:
        startRound();
        break;
    case TimerAction::EndRound:
        endRound();
        break;
    case TimerAction::None:
        break;
    }
}

void Engine::computerTick() {
    --computerTicksLeft;
    if (computerTicksLeft >= 1)
        return;
    host_.stopTimer(EngineTimer::Computer);
    if (computerPending_ == 1)
        pilotPlay(currentSeat);
}

void Engine::startComputerTakeover() {
    if (gameInProgress && pendingAction_ == TimerAction::None)
        armComputer();
}

bool Engine::handTurnTo(int seat) {
    if (!takesPlay(seat))
        return false;
    const PlayerEntry& p = players[ix(seat)];
    if (!p.connected || p.watching)
        return false;
    if (computerPending_ == 1) {
        host_.stopTimer(EngineTimer::Computer);
        computerPending_ = 0;
    }
    // The turn message names a slot and its card; the seat's hand has just
    // been sent whole, so any held card will do.
    int slot = 0;
    for (int s = 1; s <= kSlots && slot == 0; ++s)
        if (p.cards[ix(s)] != kNoCard)
            slot = s;
    tell(&EngineEvents::turnHandedBack, seat, slot, slot == 0 ? kNoCard : p.cards[ix(slot)],
         deckPos);
    return true;
}

// ---------------------------------------------------------------------------
// Game cycle

void Engine::startGame(const GameStart& game) {
    host_.stopTimer(EngineTimer::Pause);
    host_.stopTimer(EngineTimer::Computer);
    computerPending_ = 0;
    gameInProgress = true;
    winner_ = 0;
    stats_ = {};

    // An integer outside the options window's ranges is brought within them,
    // as the window does with a typed value: no peer starts a game that
    // ends after one round or never.
    amountToEarn = amountWithinBounds(game.amount.value_or(5000));
    tripDistance = distanceWithinBounds(game.distance.value_or(70)) * 1000;

    for (int s = 1; s <= kSeats; ++s) {
        PlayerEntry& p = players[ix(s)];
        p.total = 0;
        p.roundScore = 0;
        p.watching = false;
        p.active = true;
    }
    if (!players[3].connected && !game.bot3)
        players[3].active = false;
    if (!players[4].connected && !game.bot4)
        players[4].active = false;
    tell(&EngineEvents::gameStarted, std::string_view(game.starter), amountToEarn, tripDistance,
         players[3].active, players[4].active);

    currentSeat = random_(4);
    startRound();
}

void Engine::startRound() {
    pauseIntervalMs_ = 1000;
    if (checkForWinner())
        return;
    shuffleDeck();
    tell(&EngineEvents::roundStarted);
    for (int s = 1; s <= kSeats; ++s)
        players[ix(s)].ship = shipAtRoundStart();
    discardTop = kNoCard;
    ++stats_.rounds;
    dealHands();
}

void Engine::nextTurn() {
    pendingAction_ = TimerAction::None;
    // Seats 1 and 2 are always active during a game; the bound only guards
    // against a call without any active seat.
    int seat = currentSeat;
    for (int tries = 0; tries < kSeats; ++tries) {
        seat = nextSeat(seat);
        if (players[ix(seat)].active)
            break;
    }
    if (!players[ix(seat)].active)
        return;
    currentSeat = seat;
    PlayerEntry& p = players[ix(seat)];

    ++deckPos;
    const bool drawing = deckPos <= kDeckSize;
    int drawnSlot = 0;
    int drawnCard = kNoCard;
    if (drawing) {
        drawnSlot = lowestEmptySlot(p.cards);
        if (drawnSlot != 0) {
            drawnCard = deck[ix(deckPos)];
            deck[ix(deckPos)] = kNoCard;
            p.cards[ix(drawnSlot)] = drawnCard;
        }
    }

    if (drawing || hasPlay(seat)) {
        ++stats_.turns;
        tell(&EngineEvents::turnStarted, seat, drawnSlot, drawnCard, deckPos);
        if (!(p.connected && !p.watching))
            armComputer();
        return;
    }

    p.ship.stillMoving = false;
    bool someoneMoving = false;
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].active && players[ix(s)].ship.stillMoving)
            someoneMoving = true;
    tell(&EngineEvents::turnPassed, seat);
    if (someoneMoving)
        schedule(TimerAction::NextTurn, 1);
    else
        schedule(TimerAction::EndRound, 2);
}

bool Engine::hasPlay(int seat) const {
    if (seat < 1 || seat > kSeats)
        return false;
    const PlayerEntry& p = players[ix(seat)];
    const Ship& ship = p.ship;
    auto bit = [](int code) { return 1u << code; };
    auto when = [](bool condition, unsigned bits) { return condition ? bits : 0u; };

    // The codes this seat could play now, given its ship and the others'.
    unsigned playable =
        bit(kSkyjackShield) | bit(kTeleportShield) | bit(kDamageShield) | bit(kPowerShield);
    playable |= when(ship.undocked, bit(kLy2500) | bit(kLy5000));
    playable |=
        when(ship.undocked && !ship.teleported, bit(kLy7500) | bit(kLy10000) | bit(kLy20000));
    playable |= when(!ship.undocked && ship.hazard == 0, bit(kUndock));
    playable |= when(isHazard(ship.hazard), bit(repairFor(ship.hazard)));
    playable |= when(ship.teleported, bit(kWarp));
    for (int o = 1; o <= kSeats; ++o) {
        if (o == seat)
            continue;
        const Ship& t = players[ix(o)].ship;
        auto open = [&t](int attack) { return t.protections[ix(guardOf(attack))] == 0; };
        playable |= when(t.undocked && open(kSkyjack), bit(kSkyjack)) |
                    when(t.undocked && open(kDamage), bit(kDamage)) |
                    when(t.undocked && open(kPowerDrain), bit(kPowerDrain)) |
                    when(t.undocked && !t.teleported, bit(kDock)) |
                    when(!t.teleported && open(kTeleport), bit(kTeleport));
    }

    unsigned held = 0;
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = p.cards[ix(slot)];
        if (c > kNoCard && c < kNumCardCodes)
            held |= bit(c);
    }
    return (held & playable) != 0;
}

int Engine::leader() const {
    int w = 0;
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].total >= amountToEarn)
            w = s;
    if (w == 0)
        return 0;
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].total > players[ix(w)].total)
            w = s;
    for (int s = 1; s <= kSeats; ++s)
        if (s != w && players[ix(s)].total == players[ix(w)].total)
            return 0;
    return w;
}

void Engine::endRound() {
    scoreRound();
    const bool ending = leader() != 0;
    host_.stopTimer(EngineTimer::Pause);
    pendingAction_ = TimerAction::StartRound;
    pauseIntervalMs_ = host_.botSpeedMs();
    pauseTicksLeft = ending ? 10 : 15;
    host_.startTimer(EngineTimer::Pause, pauseIntervalMs_);
}

void Engine::scoreRound() {
    ScoresPosted scores;
    static_assert(std::tuple_size_v<decltype(scores.scores)> == kSeats);
    for (int s = 1; s <= kSeats; ++s) {
        PlayerEntry& p = players[ix(s)];
        if (!p.active)
            continue;
        int completion = 0;
        int safe = 0;
        int shutout = 0;
        const Ship& ship = p.ship;
        if (ship.distance >= tripDistance) {
            scores.finisher = s;
            completion = 400;
            if (ship.safeTrip)
                safe = 300;
            for (int o = 1; o <= kSeats; ++o)
                if (o != s && players[ix(o)].ship.distance == 0)
                    shutout = 500;
        }
        const int travel = ship.distance / 100;
        int held = 0;
        for (int i = 1; i <= kProtections; ++i)
            if (ship.protections[ix(i)] != 0)
                ++held;
        const int protection = held == 4 ? 1100 : held * 100;
        p.roundScore = travel + completion + safe + protection + shutout;
        // Totals saturate instead of wrapping when the amount to earn is huge.
        const long long sum = static_cast<long long>(p.total) + p.roundScore;
        p.total = static_cast<std::int32_t>(std::min<long long>(sum, INT_MAX));
        scores.scores[ix(scores.count++)] = {s,          p.total, p.roundScore, travel,
                                             completion, safe,    protection,   shutout};
    }
    tell(&EngineEvents::scoresPosted, scores);
}

bool Engine::checkForWinner() {
    const int w = leader();
    if (w == 0)
        return false;
    const PlayerEntry& p = players[ix(w)];
    const std::string& name = p.name.empty() ? p.botName : p.name;
    tell(&EngineEvents::gameWon, w, std::string_view(name));
    gameInProgress = false;
    winner_ = w;
    return true;
}

// ---------------------------------------------------------------------------
// Plays

namespace {

bool isSlot(int slot) {
    return slot >= 1 && slot <= kSlots;
}

bool isSeat(int seat) {
    return seat >= 1 && seat <= kSeats;
}

} // namespace

void Engine::refuse(int seat, Refusal why, std::string_view detail) {
    const RefusalInfo& info = refusalInfo(why);
    tell(&EngineEvents::playRefused, seat, why);
    host_.diagnostic(std::string(info.notice));
    if (!detail.empty())
        host_.diagnostic(std::string(detail));
}

void Engine::playGo(int seat, int slot, int target) {
    if (!takesPlay(seat) || !isSlot(slot) || !isSeat(target))
        return;
    PlayerEntry& me = players[ix(seat)];
    Ship& ship = me.ship;
    const int card = me.cards[ix(slot)];
    if (card == kNoCard)
        return refuse(seat, Refusal::InvalidPlay);

    auto played = [&](int tgt) {
        me.cards[ix(slot)] = kNoCard;
        tell(&EngineEvents::playApplied,
             PlayApplied{
                 .pile = PlayPile::Go, .seat = seat, .slot = slot, .card = card, .target = tgt});
        schedule(TimerAction::NextTurn, 2);
    };

    if (target == seat) {
        const bool allowed = card == kUndock || isRepair(card) || isShield(card);
        if (!allowed)
            return refuse(seat, Refusal::WrongTarget, Detail({card, ship.hazard}, "..").text());
        if (card == kUndock && ship.undocked)
            return refuse(seat, Refusal::AlreadyUndocked);
        if (card == kUndock && ship.hazard != 0)
            return refuse(seat, Refusal::FixDamageFirst, Detail({card, ship.hazard}, "..").text());
        if (card == kUndock) {
            undock(ship);
            return played(target);
        }
        if (isShield(card)) {
            const ShieldEffect effect = raiseShield(ship, card);
            me.cards[ix(slot)] = kNoCard;
            tell(&EngineEvents::playApplied, PlayApplied{.pile = PlayPile::Shield,
                                                         .seat = seat,
                                                         .slot = slot,
                                                         .card = card,
                                                         .effect = effect});
            // The same seat moves again, with a fresh draw.
            --currentSeat;
            return schedule(TimerAction::NextTurn, 2);
        }
        if (isHazard(ship.hazard) && card != repairFor(ship.hazard))
            return refuse(seat, Refusal::WrongRepair, Detail({card, ship.hazard}, "..").text());
        if (ship.hazard != 0) {
            mend(ship, card);
            return played(target);
        }
        // A repair with nothing to repair would leave the turn hanging.
        return refuse(seat, Refusal::InvalidPlay);
    }

    PlayerEntry& victim = players[ix(target)];
    if (!victim.active)
        return refuse(seat, Refusal::OutOfCommission);
    if (card != kDock && !isHazard(card))
        return refuse(seat, Refusal::WrongTarget, Detail({card, ship.hazard, target}, "..").text());
    if (!victim.ship.undocked)
        return refuse(seat, Refusal::NotUndocked, Detail({card, ship.hazard, target}, "..").text());
    if (isHazard(card) && victim.ship.protections[ix(guardOf(card))] != 0)
        return refuse(seat, Refusal::Safe, Detail({card, ship.hazard, target}, "..").text());
    stop(victim.ship, card);
    played(target);
}

void Engine::playSpeed(int seat, int slot, int target) {
    if (!takesPlay(seat) || !isSlot(slot) || !isSeat(target))
        return;
    PlayerEntry& me = players[ix(seat)];
    const int card = me.cards[ix(slot)];
    if (card != kTeleport && card != kWarp)
        return refuse(seat, Refusal::NotASpeedCard);

    auto played = [&]() {
        me.cards[ix(slot)] = kNoCard;
        tell(&EngineEvents::playApplied, PlayApplied{.pile = PlayPile::Speed,
                                                     .seat = seat,
                                                     .slot = slot,
                                                     .card = card,
                                                     .target = target});
        schedule(TimerAction::NextTurn, 2);
    };

    if (target == seat) {
        if (!me.ship.teleported)
            return refuse(seat, Refusal::NoWarpNeeded,
                          Detail({card, me.ship.hazard, target}, "..").text());
        if (card == kWarp) {
            warp(me.ship);
            return played();
        }
        // TELEPORT on the own teleported ship changes nothing.
        return refuse(seat, Refusal::InvalidPlay);
    }
    PlayerEntry& victim = players[ix(target)];
    if (!victim.active)
        return refuse(seat, Refusal::OutOfCommission);
    if (victim.ship.teleported)
        return refuse(seat, Refusal::AlreadyTeleported, Detail({card, target}, "+").text());
    if (card == kTeleport && victim.ship.protections[ix(guardOf(kTeleport))] != 0)
        return refuse(seat, Refusal::Safe, Detail({card, target}, "+").text());
    if (card == kTeleport) {
        teleport(victim.ship);
        return played();
    }
    // WARP is only ever a remedy for the own ship.
    refuse(seat, Refusal::InvalidPlay);
}

void Engine::playMiles(int seat, int slot) {
    if (!takesPlay(seat) || !isSlot(slot))
        return;
    PlayerEntry& me = players[ix(seat)];
    Ship& ship = me.ship;
    if (!ship.undocked)
        return refuse(seat, Refusal::MustUndock);
    const int card = me.cards[ix(slot)];
    if (card == kNoCard)
        return refuse(seat, Refusal::InvalidPlay);
    if (card > kLy20000)
        return refuse(seat, Refusal::OnlyLightyears);
    if (ship.teleported && card >= kLy7500)
        return refuse(seat, Refusal::TooFast);
    const int added = travel(ship, card);
    me.cards[ix(slot)] = kNoCard;
    tell(&EngineEvents::playApplied, PlayApplied{.pile = PlayPile::Miles,
                                                 .seat = seat,
                                                 .slot = slot,
                                                 .card = card,
                                                 .distance = ship.distance,
                                                 .added = added});
    schedule(ship.distance >= tripDistance ? TimerAction::EndRound : TimerAction::NextTurn, 2);
}

void Engine::playDiscard(int seat, int slot) {
    if (!takesPlay(seat) || !isSlot(slot))
        return;
    PlayerEntry& me = players[ix(seat)];
    const int card = me.cards[ix(slot)];
    // An empty slot (possible once the deck is used up) may be discarded too:
    // the seat passes.
    me.cards[ix(slot)] = kNoCard;
    // Passing with an empty slot puts nothing on the pile.
    if (card != kNoCard)
        discardTop = card;
    tell(&EngineEvents::playApplied,
         PlayApplied{.pile = PlayPile::Discard, .seat = seat, .slot = slot, .card = card});
    schedule(TimerAction::NextTurn, 2);
}

} // namespace dw
