#include "engine/engine.h"

#include "net/protocol.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <vector>

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

// A whole decimal integer, negative ones included ("-5"), as the options of
// a new game are read; anything else is not an integer.
std::optional<int> integerField(std::optional<std::string_view> field) {
    if (!field || field->empty())
        return std::nullopt;
    int v = 0;
    const char* const end = field->data() + field->size();
    const auto [stop, ec] = std::from_chars(field->data(), end, v);
    if (ec != std::errc() || stop != end)
        return std::nullopt;
    return v;
}

} // namespace

Engine::Engine(EngineHost& host, std::uint32_t seed) : host_(host), random_(seed) {
    players[2].botname = "Klot";
    players[3].botname = "Klock";
    players[4].botname = "Kling";
}

// ---------------------------------------------------------------------------
// Sending

bool Engine::anyConnected() const {
    const int last = std::min(numentries, kMaxEntries);
    for (int i = 1; i <= last; ++i)
        if (players[ix(i)].connected)
            return true;
    return false;
}

void Engine::broadcast(const std::string& message) {
    host_.sendAll(message);
}

// ---------------------------------------------------------------------------
// Deck

void Engine::shufflecards() {
    // Fisher-Yates: the unsorted deck, then each position from the last down
    // swaps with a uniformly chosen position at or below it.
    static const std::array<int, kDeckSize + 1> unsorted = [] {
        std::array<int, kDeckSize + 1> d{};
        for (int k = 1; k <= kDeckSize; ++k)
            d[ix(k)] = getcardnum(k);
        return d;
    }();
    deck = unsorted;
    for (int k = kDeckSize; k >= 2; --k)
        std::swap(deck[ix(k)], deck[ix(random_(k) + 1)]);
    deckpos = 0;
}

void Engine::dealcards() {
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].active)
            players[ix(s)].cards.fill(kNoCard);
    for (int s = 1; s <= kSeats; ++s) {
        tplayer& p = players[ix(s)];
        if (!p.active)
            continue;
        for (int slot = 1; slot <= 6; ++slot) {
            ++deckpos;
            p.cards[ix(slot)] = deck[ix(deckpos)];
            deck[ix(deckpos)] = kNoCard;
        }
        if (p.connected)
            host_.sendTo(s, handMessage(s, 6));
    }
    findplayer();
}

// ---------------------------------------------------------------------------
// Timers

// startTimer restarts a running timer, so arming needs no stop first.
void Engine::schedule(int action, int count) {
    timer1action_ = action;
    timer1count = count;
    host_.startTimer(EngineTimer::Timer1, timer1interval_);
}

void Engine::armComputer() {
    computeraction_ = 1;
    computercount = 1;
    host_.startTimer(EngineTimer::Computer, host_.botSpeedMs());
}

void Engine::timer1Timer() {
    --timer1count;
    if (timer1count >= 1)
        return;
    host_.stopTimer(EngineTimer::Timer1);
    switch (timer1action_) {
    case kActionNextTurn:
        findplayer();
        break;
    case kActionStartRound:
        startround();
        break;
    case kActionEndRound:
        endround();
        break;
    default:
        break;
    }
}

void Engine::computertimerTimer() {
    --computercount;
    if (computercount >= 1)
        return;
    host_.stopTimer(EngineTimer::Computer);
    if (computeraction_ == 1)
        computerplay(currentplayer);
}

void Engine::startComputerTakeover() {
    if (gameinprogress && timer1action_ == kActionNone)
        armComputer();
}

// ---------------------------------------------------------------------------
// Game cycle

void Engine::startgame(std::string_view payload) {
    FieldReader r(payload);
    const std::string starter(r.text().value_or(std::string_view{}));
    const std::optional<int> amount = integerField(r.text());
    const std::optional<int> thousands = integerField(r.text());
    const std::string_view bot3 = r.text().value_or(std::string_view{});
    const std::string_view bot4 = r.text().value_or(std::string_view{});

    host_.stopTimer(EngineTimer::Timer1);
    host_.stopTimer(EngineTimer::Computer);
    computeraction_ = 0;
    gameinprogress = true;
    winner_ = 0;
    stats_ = {};

    playto = amount.value_or(5000);
    // Any integer is taken as it is, a negative one too (a game played to
    // an amount of 0 or less ends after the first round that has a single
    // leader). A distance too large to hold in lightyears is taken as the
    // largest that fits.
    tripdistance = std::clamp(thousands.value_or(70), INT_MIN / 1000, INT_MAX / 1000) * 1000;

    for (int s = 1; s <= kSeats; ++s) {
        tplayer& p = players[ix(s)];
        p.total = 0;
        p.roundscore = 0;
        p.justwatching = false;
        p.active = true;
    }
    std::string flag3 = "t";
    std::string flag4 = "t";
    if (!players[3].connected && bot3 == "0") {
        flag3 = "f";
        players[3].active = false;
    }
    if (!players[4].connected && bot4 == "0") {
        flag4 = "f";
        players[4].active = false;
    }
    if (anyConnected())
        broadcast(buildMessage("CMD_startgame", {starter, playto, tripdistance, flag3, flag4},
                               Trailing::Yes));

    currentplayer = random_(4);
    startround();
}

void Engine::startround() {
    timer1interval_ = 1000;
    if (checkforwin())
        return;
    shufflecards();
    if (anyConnected())
        broadcast(buildMessage("CMD_startinground", {}, Trailing::Yes));
    for (int s = 1; s <= kSeats; ++s) {
        tplayer& p = players[ix(s)];
        p.undocked = false;
        p.distance = 0;
        p.hazard = 0;
        p.repaired = 0;
        p.teleported = false;
        p.protections.fill(0);
        p.stillmoving = true;
        p.safetrip = true;
    }
    ++stats_.rounds;
    dealcards();
}

void Engine::findplayer() {
    timer1action_ = kActionNone;
    // Seats 1 and 2 are always active during a game; the bound only guards
    // against a call without any active seat.
    int seat = currentplayer;
    for (int tries = 0; tries < kSeats; ++tries) {
        // The next seat, wrapping after the last to 1, written as arithmetic:
        // the wrap comes every few turns and would be a mispredicted branch.
        seat = 1 + seat * static_cast<int>(seat < kSeats);
        if (players[ix(seat)].active)
            break;
    }
    if (!players[ix(seat)].active)
        return;
    currentplayer = seat;
    tplayer& p = players[ix(seat)];

    ++deckpos;
    int drawnSlot = 0;
    int drawnCard = kNoCard;
    if (deckpos <= kDeckSize) {
        // The lowest empty slot, from a mask of the empty ones: where it
        // lies changes from turn to turn, which a scan with an early exit
        // pays for in mispredicted branches.
        unsigned empty = 0; // bit slot: that slot is empty
        for (int slot = 1; slot <= kSlots; ++slot)
            empty |= static_cast<unsigned>(p.cards[ix(slot)] == kNoCard) << slot;
        if (empty != 0) {
            drawnSlot = std::countr_zero(empty);
            drawnCard = deck[ix(deckpos)];
            deck[ix(deckpos)] = kNoCard;
            p.cards[ix(drawnSlot)] = drawnCard;
        }
    }

    if (deckpos <= kDeckSize || canmove(seat)) {
        ++stats_.turns;
        if (anyConnected()) {
            const std::string others =
                buildMessage("CMD_nextplayer", {seat, 0, 0, deckpos}, Trailing::Yes);
            const int last = std::min(numentries, kMaxEntries);
            for (int i = 1; i <= last; ++i) {
                if (!players[ix(i)].connected)
                    continue;
                if (i == seat)
                    host_.sendTo(i, buildMessage("CMD_nextplayer",
                                                 {seat, drawnSlot, drawnCard, deckpos},
                                                 Trailing::Yes));
                else
                    host_.sendTo(i, others);
            }
        }
        if (!(p.connected && !p.justwatching))
            armComputer();
        return;
    }

    p.stillmoving = false;
    bool someoneMoving = false;
    for (int s = 1; s <= kSeats; ++s)
        if (players[ix(s)].active && players[ix(s)].stillmoving)
            someoneMoving = true;
    if (anyConnected())
        broadcast(buildMessage("CMD_cannotmove", {seat}, Trailing::Yes));
    if (someoneMoving)
        schedule(kActionNextTurn, 1);
    else
        schedule(kActionEndRound, 2);
}

bool Engine::canmove(int seat) const {
    if (seat < 1 || seat > kSeats)
        return false;
    const tplayer& p = players[ix(seat)];
    auto bit = [](int code) { return 1u << code; };
    auto when = [](bool condition, unsigned bits) { return condition ? bits : 0u; };

    // The codes this seat could play now, given its ship and the others'.
    unsigned playable =
        bit(kSkyjackShield) | bit(kTeleportShield) | bit(kDamageShield) | bit(kPowerShield);
    playable |= when(p.undocked, bit(kLy2500) | bit(kLy5000));
    playable |= when(p.undocked && !p.teleported, bit(kLy7500) | bit(kLy10000) | bit(kLy20000));
    playable |= when(!p.undocked && p.hazard == 0, bit(kUndock));
    playable |= when(p.hazard == kSkyjack, bit(kReload)) | when(p.hazard == kDamage, bit(kRepair)) |
                when(p.hazard == kPowerDrain, bit(kPower));
    playable |= when(p.teleported, bit(kWarp));
    for (int o = 1; o <= kSeats; ++o) {
        if (o == seat)
            continue;
        const tplayer& t = players[ix(o)];
        playable |= when(t.undocked && t.protections[1] == 0, bit(kSkyjack)) |
                    when(t.undocked && t.protections[3] == 0, bit(kDamage)) |
                    when(t.undocked && t.protections[4] == 0, bit(kPowerDrain)) |
                    when(t.undocked && !t.teleported, bit(kDock)) |
                    when(!t.teleported && t.protections[2] == 0, bit(kTeleport));
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
        if (players[ix(s)].total >= playto)
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

void Engine::endround() {
    getscores();
    const bool ending = leader() != 0;
    host_.stopTimer(EngineTimer::Timer1);
    timer1action_ = kActionStartRound;
    timer1interval_ = host_.botSpeedMs();
    timer1count = ending ? 10 : 15;
    host_.startTimer(EngineTimer::Timer1, timer1interval_);
}

void Engine::getscores() {
    const bool send = anyConnected();
    int finisher = 0;
    std::vector<Field> fields;
    if (send)
        fields.emplace_back(0); // the finisher, filled in below
    for (int s = 1; s <= kSeats; ++s) {
        tplayer& p = players[ix(s)];
        if (!p.active)
            continue;
        int completion = 0;
        int safe = 0;
        int shutout = 0;
        if (p.distance >= tripdistance) {
            finisher = s;
            completion = 400;
            if (p.safetrip)
                safe = 300;
            for (int o = 1; o <= kSeats; ++o)
                if (o != s && players[ix(o)].distance == 0)
                    shutout = 500;
        }
        const int travel = p.distance / 100;
        int held = 0;
        for (int i = 1; i <= 4; ++i)
            if (p.protections[ix(i)] != 0)
                ++held;
        const int protection = held == 4 ? 1100 : held * 100;
        p.roundscore = travel + completion + safe + protection + shutout;
        // Totals saturate instead of wrapping when the amount to earn is huge.
        const long long sum = static_cast<long long>(p.total) + p.roundscore;
        p.total = static_cast<std::int32_t>(std::min<long long>(sum, INT_MAX));
        if (send)
            for (int v : {s, static_cast<int>(p.total), static_cast<int>(p.roundscore), travel,
                          completion, safe, protection, shutout})
                fields.emplace_back(v);
    }
    if (send) {
        fields[0] = Field(finisher);
        broadcast(buildMessage("CMD_postscores", fields));
    }
}

bool Engine::checkforwin() {
    const int w = leader();
    if (w == 0)
        return false;
    const tplayer& p = players[ix(w)];
    const std::string& name = p.name.empty() ? p.botname : p.name;
    if (anyConnected())
        broadcast(buildMessage("CMD_winner", {name, w}, Trailing::Yes));
    gameinprogress = false;
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

void Engine::refuse(int seat, int code, std::string_view diagnostic, std::string_view detail) {
    if (players[ix(seat)].connected)
        host_.sendTo(seat, buildMessage("CMD_invalid", {seat, code}, Trailing::Yes));
    host_.diagnostic(std::string(diagnostic));
    if (!detail.empty())
        host_.diagnostic(std::string(detail));
}

void Engine::placego(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kSeats);
    const auto slot = r.number(1, kSlots);
    const auto target = r.number(1, kSeats);
    if (seat && slot && target)
        playGo(*seat, *slot, *target);
}

void Engine::placespeed(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kSeats);
    const auto slot = r.number(1, kSlots);
    const auto target = r.number(1, kSeats);
    if (seat && slot && target)
        playSpeed(*seat, *slot, *target);
}

void Engine::gomiles(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kSeats);
    const auto slot = r.number(1, kSlots);
    if (seat && slot)
        playMiles(*seat, *slot);
}

void Engine::discard(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kSeats);
    const auto slot = r.number(1, kSlots);
    if (seat && slot)
        playDiscard(*seat, *slot);
}

void Engine::playGo(int seat, int slot, int target) {
    if (!takesPlay(seat) || !isSlot(slot) || !isSeat(target))
        return;
    tplayer& me = players[ix(seat)];
    const int card = me.cards[ix(slot)];
    if (card == kNoCard)
        return refuse(seat, 0, "error0");

    auto send = [&](int tgt) {
        if (anyConnected())
            broadcast(buildMessage("CMD_placinggo", {seat, card, slot, tgt}, Trailing::Yes));
    };

    if (target == seat) {
        const bool allowed = card == kUndock || card == kReload || card == kRepair ||
                             card == kPower || isShield(card);
        if (!allowed)
            return refuse(seat, 3, "error3", Detail({card, me.hazard}, "..").text());
        if (card == kUndock && me.undocked)
            return refuse(seat, 4, "error4");
        if (card == kUndock && me.hazard != 0)
            return refuse(seat, 6, "error6", Detail({card, me.hazard}, "..").text());
        if (card == kUndock) {
            me.undocked = true;
            me.repaired = 0;
            me.cards[ix(slot)] = kNoCard;
            send(target);
            return schedule(kActionNextTurn, 2);
        }
        if (isShield(card)) {
            int effect = 0;
            if ((me.repaired == kSkyjack && card == kSkyjackShield) ||
                (me.repaired == kDamage && card == kDamageShield) ||
                (me.repaired == kPowerDrain && card == kPowerShield)) {
                me.undocked = true;
                me.repaired = 0;
                effect = 1;
            }
            if (me.hazard == kSkyjack && card == kSkyjackShield) {
                me.undocked = true;
                me.hazard = 0;
                effect = 1;
            }
            if (me.teleported && card == kTeleportShield) {
                me.teleported = false;
                effect = 2;
            }
            if (me.hazard == kDamage && card == kDamageShield) {
                me.undocked = true;
                me.hazard = 0;
                effect = 1;
            }
            if (me.hazard == kPowerDrain && card == kPowerShield) {
                me.undocked = true;
                me.hazard = 0;
                effect = 1;
            }
            me.protections[ix(protectionIndex(card))] = 1;
            me.cards[ix(slot)] = kNoCard;
            if (anyConnected())
                broadcast(buildMessage("CMD_playsafe", {seat, card, slot, effect}, Trailing::Yes));
            // The same seat moves again, with a fresh draw.
            --currentplayer;
            return schedule(kActionNextTurn, 2);
        }
        if ((me.hazard == kSkyjack && card != kReload) ||
            (me.hazard == kDamage && card != kRepair) ||
            (me.hazard == kPowerDrain && card != kPower))
            return refuse(seat, 7, "error7", Detail({card, me.hazard}, "..").text());
        if (me.hazard != 0) {
            me.repaired = me.hazard;
            me.hazard = 0;
            me.cards[ix(slot)] = kNoCard;
            send(target);
            return schedule(kActionNextTurn, 2);
        }
        // A repair with nothing to repair would leave the turn hanging.
        return refuse(seat, 0, "error0");
    }

    tplayer& victim = players[ix(target)];
    if (!victim.active)
        return refuse(seat, 12, "error12");
    if (card != kDock && card != kSkyjack && card != kDamage && card != kPowerDrain)
        return refuse(seat, 3, "error3", Detail({card, me.hazard, target}, "..").text());
    if (!victim.undocked)
        return refuse(seat, 8, "error8", Detail({card, me.hazard, target}, "..").text());
    if ((card == kSkyjack && victim.protections[1] != 0) ||
        (card == kDamage && victim.protections[3] != 0) ||
        (card == kPowerDrain && victim.protections[4] != 0))
        return refuse(seat, 11, "error11", Detail({card, me.hazard, target}, "..").text());
    victim.undocked = false;
    if (card != kDock)
        victim.hazard = card;
    me.cards[ix(slot)] = kNoCard;
    send(target);
    schedule(kActionNextTurn, 2);
}

void Engine::playSpeed(int seat, int slot, int target) {
    if (!takesPlay(seat) || !isSlot(slot) || !isSeat(target))
        return;
    tplayer& me = players[ix(seat)];
    const int card = me.cards[ix(slot)];
    if (card != kTeleport && card != kWarp)
        return refuse(seat, 0, "error110");

    auto apply = [&]() {
        me.cards[ix(slot)] = kNoCard;
        if (anyConnected())
            broadcast(buildMessage("CMD_placingspeed", {seat, card, slot, target}, Trailing::Yes));
        schedule(kActionNextTurn, 2);
    };

    if (target == seat) {
        if (!me.teleported)
            return refuse(seat, 9, "error9", Detail({card, me.hazard, target}, "..").text());
        if (card == kWarp) {
            me.teleported = false;
            return apply();
        }
        // TELEPORT on the own teleported ship changes nothing.
        return refuse(seat, 0, "error0");
    }
    tplayer& victim = players[ix(target)];
    if (!victim.active)
        return refuse(seat, 12, "error12");
    if (victim.teleported)
        return refuse(seat, 10, "error10", Detail({card, target}, "+").text());
    if (card == kTeleport && victim.protections[2] != 0)
        return refuse(seat, 11, "error11", Detail({card, target}, "+").text());
    if (card == kTeleport) {
        victim.teleported = true;
        return apply();
    }
    // WARP is only ever a remedy for the own ship.
    refuse(seat, 0, "error0");
}

void Engine::playMiles(int seat, int slot) {
    if (!takesPlay(seat) || !isSlot(slot))
        return;
    tplayer& me = players[ix(seat)];
    if (!me.undocked)
        return refuse(seat, 1, "error1");
    const int card = me.cards[ix(slot)];
    if (card == kNoCard)
        return refuse(seat, 0, "error0");
    if (card > kLy20000)
        return refuse(seat, 2, "error2");
    if (me.teleported && card >= kLy7500)
        return refuse(seat, 5, "error5");
    const int added = cardInfo(card).lightyears;
    me.distance += added;
    if (card == kLy20000)
        me.safetrip = false;
    me.cards[ix(slot)] = kNoCard;
    if (anyConnected())
        broadcast(
            buildMessage("CMD_traveling", {seat, me.distance, card, slot, added}, Trailing::Yes));
    schedule(me.distance >= tripdistance ? kActionEndRound : kActionNextTurn, 2);
}

void Engine::playDiscard(int seat, int slot) {
    if (!takesPlay(seat) || !isSlot(slot))
        return;
    tplayer& me = players[ix(seat)];
    const int card = me.cards[ix(slot)];
    // An empty slot (possible once the deck is used up) may be discarded too:
    // the seat passes.
    me.cards[ix(slot)] = kNoCard;
    if (anyConnected())
        broadcast(buildMessage("CMD_hediscard", {seat, slot, card}, Trailing::Yes));
    schedule(kActionNextTurn, 2);
}

// ---------------------------------------------------------------------------
// For the host server

std::string Engine::newstatsMessage(int seat) const {
    std::vector<Field> f;
    f.reserve(6 + 4 * 11);
    f.emplace_back(seat);
    f.emplace_back(currentplayer);
    f.emplace_back(timer1action_ == kActionNone ? 1 : 0);
    f.emplace_back(playto);
    f.emplace_back(deckpos);
    f.emplace_back(tripdistance);
    for (int s = 1; s <= kSeats; ++s) {
        const tplayer& p = players[ix(s)];
        for (int v :
             {s, static_cast<int>(p.total), p.active ? 1 : 0, p.undocked ? 1 : 0,
              p.teleported ? 1 : 0, static_cast<int>(p.distance), static_cast<int>(p.hazard)})
            f.emplace_back(v);
        for (int i = 1; i <= 4; ++i)
            f.emplace_back(p.protections[ix(i)] != 0 ? 1 : 0);
    }
    return buildMessage("CMD_newstats", f);
}

std::string Engine::handMessage(int seat, int slots) const {
    std::vector<Field> f;
    f.emplace_back(seat);
    if (seat >= 1 && seat <= kSeats) {
        const int last = std::clamp(slots, 0, kSlots);
        for (int slot = 1; slot <= last; ++slot) {
            f.emplace_back(slot);
            f.emplace_back(players[ix(seat)].cards[ix(slot)]);
        }
    }
    return buildMessage("CMD_mycards", f);
}

} // namespace dw
