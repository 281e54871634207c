// The Expert computer pilot; the method is described in engine/expert.h.
#include "engine/expert.h"

#include "engine/engine.h"
#include "engine/virtualclock.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace dw {

namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// Plays the scratch engine's round to its scoring, every seat by Classic.
void playOut(Engine& e) {
    // Each turn plays or discards a card or passes a seat that cannot move;
    // the bound only guards against a round that would not end.
    for (int step = 0; step < 8 * kDeckSize; ++step) {
        switch (e.pendingAction()) {
        case TimerAction::None:
            e.pilotPlay(e.currentSeat);
            if (e.pendingAction() == TimerAction::None)
                return;
            break;
        case TimerAction::NextTurn:
            e.nextTurn();
            break;
        case TimerAction::EndRound:
            e.scoreRound();
            return;
        default:
            return;
        }
    }
}

// The chance that `me` wins the game, judged from the totals after a round.
// When the game ends there, it is 1 for the winner and 0 for the others.
// Otherwise the totals are compared on the scale of the rounds still to
// come: a lead counts for more the fewer rounds remain.
double winChance(const std::array<PlayerEntry, kMaxEntries + 1>& players, int me,
                 int amountToEarn) {
    int best = 0;
    int leader = 0;
    bool tie = false;
    for (int s = 1; s <= kSeats; ++s) {
        if (!players[ix(s)].active)
            continue;
        const int t = players[ix(s)].total;
        if (leader == 0 || t > best) {
            best = t;
            leader = s;
            tie = false;
        } else if (t == best) {
            tie = true;
        }
    }
    if (best >= amountToEarn && !tie)
        return leader == me ? 1.0 : 0.0;
    // A round pays each seat about this much on average, more the fewer
    // seats share it.
    int seats = 0;
    for (int s = 1; s <= kSeats; ++s)
        seats += players[ix(s)].active ? 1 : 0;
    const double perRound = seats <= 2 ? 1150.0 : seats == 3 ? 840.0 : 550.0;
    const double rounds = std::max(1.0, (amountToEarn - best) / perRound + 1.0);
    const double scale = kValueScale * perRound * std::sqrt(rounds);
    double sum = 0;
    double mine = 0;
    for (int s = 1; s <= kSeats; ++s) {
        if (!players[ix(s)].active)
            continue;
        const double w = std::exp((players[ix(s)].total - best) / scale);
        sum += w;
        if (s == me)
            mine = w;
    }
    return sum > 0 ? mine / sum : 0.0;
}

// The distinct plays of a hand: a card code played one way, whichever slot
// holds it. Whether the rules take a play is left to the scratch engine.
std::vector<Play> candidates(const Knowledge& k) {
    std::vector<Play> plays;
    std::array<bool, kNumCardCodes> seen{};
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int c = k.hand[ix(slot)];
        if (c == kNoCard || seen[ix(c)])
            continue;
        seen[ix(c)] = true;
        if (isLightyear(c)) {
            plays.push_back({PlayKind::Miles, slot, 0});
        } else if (c == kTeleport || c == kWarp) {
            for (int t = 1; t <= kSeats; ++t)
                if ((t == k.seat) == (c == kWarp))
                    plays.push_back({PlayKind::Speed, slot, t});
        } else if (c == kDock || c == kSkyjack || c == kDamage || c == kPowerDrain) {
            for (int t = 1; t <= kSeats; ++t)
                if (t != k.seat)
                    plays.push_back({PlayKind::Go, slot, t});
        } else {
            plays.push_back({PlayKind::Go, slot, k.seat});
        }
        plays.push_back({PlayKind::Discard, slot, 0});
    }
    return plays;
}

// What everybody sees of a seat, from the engine's record to the knowledge
// and back.
template <typename From, typename To> void copyShip(const From& from, To& to) {
    to.active = from.active;
    to.ship = from.ship;
    to.total = from.total;
}

// A table dealt from the knowledge: the public board as it is, the own
// hand, and the unseen cards shuffled into the other hands and the deck.
struct Deal {
    std::array<PlayerEntry, kSeats + 1> ships;
    std::array<int, kDeckSize + 1> deck{};
};

class Dealer {
public:
    explicit Dealer(const Knowledge& k) : k_(k) {
        for (int s = 1; s <= kSeats; ++s)
            copyShip(k.ships[ix(s)], base_.ships[ix(s)]);
        base_.ships[ix(k.seat)].cards = k.hand;
        // The unseen cards: the deck's cards less the own hand and the cards
        // gone, in code order; each deal shuffles them.
        std::array<int, kNumCardCodes> left{};
        for (int c = 1; c < kNumCardCodes; ++c)
            left[ix(c)] = cardInfo(c).copies - k.gone[ix(c)];
        for (int slot = 1; slot <= kSlots; ++slot)
            --left[ix(k.hand[ix(slot)])];
        for (int c = 1; c < kNumCardCodes; ++c)
            for (int n = 0; n < left[ix(c)]; ++n)
                unseen_.push_back(c);
    }

    void deal(Random& random, Deal& out) {
        for (std::size_t i = unseen_.size(); i > 1; --i)
            std::swap(unseen_[i - 1],
                      unseen_[static_cast<std::size_t>(random(static_cast<int>(i)))]);
        out = base_;
        std::size_t next = 0;
        auto take = [&] { return next < unseen_.size() ? unseen_[next++] : kNoCard; };
        for (int s = 1; s <= kSeats; ++s) {
            if (s == k_.seat)
                continue;
            for (int slot = 1; slot <= k_.ships[ix(s)].cards && slot <= kSlots; ++slot)
                out.ships[ix(s)].cards[ix(slot)] = take();
        }
        for (int pos = k_.deckPos + 1; pos <= kDeckSize; ++pos)
            out.deck[ix(pos)] = take();
    }

private:
    const Knowledge& k_;
    Deal base_;
    std::vector<int> unseen_;
};

} // namespace

Knowledge knowledgeOf(const TableView& table, int seat) {
    Knowledge k;
    k.seat = seat;
    k.deckPos = table.deckPos;
    k.tripDistance = table.tripDistance;
    k.amountToEarn = table.amountToEarn;
    if (seat < 1 || seat > kSeats)
        return k;
    k.hand = table.players[ix(seat)].cards;
    // Cards leave the deck only into hands and hands only by a play or a
    // discard that everybody sees, so what is neither in the deck nor in a
    // hand was played or discarded this round. Counting it this way needs
    // no second record of the round.
    for (int c = 1; c < kNumCardCodes; ++c)
        k.gone[ix(c)] = cardInfo(c).copies;
    for (int pos = 1; pos <= kDeckSize; ++pos)
        if (const int c = table.deck[ix(pos)]; c > kNoCard && c < kNumCardCodes)
            --k.gone[ix(c)];
    for (int s = 1; s <= kSeats; ++s) {
        const PlayerEntry& t = table.players[ix(s)];
        PublicShip& p = k.ships[ix(s)];
        copyShip(t, p);
        if (!t.active)
            continue;
        for (int slot = 1; slot <= kSlots; ++slot) {
            const int c = t.cards[ix(slot)];
            if (c > kNoCard && c < kNumCardCodes) {
                ++p.cards;
                --k.gone[ix(c)];
            }
        }
    }
    return k;
}

Play expertChoice(const Knowledge& k, std::uint32_t seed, int playouts) {
    std::vector<Play> plays = candidates(k);
    if (plays.empty())
        return {PlayKind::Discard, 0, 0};
    // A protection is always played at once: it scores, guards the ship for
    // the rest of the round, mends the hazard it guards against and gives
    // another turn; holding it back gains nothing.
    for (const Play& p : plays)
        if (isShield(k.hand[ix(p.slot)]) && p.kind == PlayKind::Go)
            return p;

    // Nobody watches the scratch engine, and playOut below takes its turns
    // without waiting for its timers.
    VirtualHost host;
    NoEvents unseen;
    Engine scratch(host, unseen, seed);
    scratch.tripDistance = k.tripDistance;
    scratch.amountToEarn = k.amountToEarn;
    Dealer dealer(k);
    Random random(seed);
    Deal deal;

    // The fixed list's own choice is the default: another play must prove
    // itself better on the same deals. Classic reads only the own hand and
    // the board, so any deal gives it the same answer.
    dealer.deal(random, deal);
    Random classicRandom(seed);
    const Play classic = classicPilot(
        TableView{deal.ships.data(), deal.deck.data(), k.deckPos, k.tripDistance, k.amountToEarn},
        k.seat, classicRandom);
    const int n = static_cast<int>(plays.size());
    int base = -1;
    for (int i = 0; i < n; ++i) {
        const Play& p = plays[ix(i)];
        if (p.kind == classic.kind && p.target == classic.target &&
            k.hand[ix(p.slot)] == k.hand[ix(std::clamp(classic.slot, 0, kSlots))])
            base = i;
    }
    if (base < 0)
        return classic;

    std::vector<double> gain(ix(n), 0.0);  // sum over deals of value - classic's value
    std::vector<double> gain2(ix(n), 0.0); // sum of its squares
    std::vector<int> dealt(ix(n), 0);      // deals tried
    std::vector<double> value(ix(n), 0.0);
    std::vector<bool> legal(ix(n), true);
    std::vector<int> all;
    for (int i = 0; i < n; ++i)
        all.push_back(i);
    int used = 0;
    bool first = true;
    // Tries the plays `which` (Classic's among them) on one more deal.
    auto tryDeal = [&](const std::vector<int>& which) {
        if (!first)
            dealer.deal(random, deal);
        first = false;
        const std::uint32_t rolloutSeed = static_cast<std::uint32_t>(random(INT_MAX));
        for (int i : which) {
            if (!legal[ix(i)])
                continue;
            for (int s = 1; s <= kSeats; ++s)
                scratch.players[ix(s)] = deal.ships[ix(s)];
            scratch.deck = deal.deck;
            scratch.deckPos = k.deckPos;
            scratch.random().setSeed(rolloutSeed);
            scratch.resumeTurn(k.seat);
            scratch.applyPlay(k.seat, plays[ix(i)]);
            if (scratch.pendingAction() == TimerAction::None) {
                // Refused: the rules do not depend on the hidden cards, so
                // the play is illegal in every deal.
                legal[ix(i)] = false;
                continue;
            }
            ++used;
            playOut(scratch);
            value[ix(i)] = winChance(scratch.players, k.seat, k.amountToEarn);
        }
        for (int i : which) {
            const double g = value[ix(i)] - value[ix(base)];
            gain[ix(i)] += g;
            gain2[ix(i)] += g * g;
            ++dealt[ix(i)];
        }
    };
    auto meanGain = [&](int i) { return dealt[ix(i)] ? gain[ix(i)] / dealt[ix(i)] : 0.0; };

    // Every play on a few deals, then the most promising ones on more.
    int seats = 0;
    for (int s = 1; s <= kSeats; ++s)
        seats += k.ships[ix(s)].active ? 1 : 0;
    const int maxDeals = kExpertDeals * kSeats / std::max(seats, 2);
    if (playouts <= 0)
        playouts = kExpertPlayouts * kSeats / std::max(seats, 2);
    const int firstDeals = std::clamp(playouts / 2 / n, 1, maxDeals);
    for (int d = 0; d < firstDeals; ++d)
        tryDeal(all);
    std::vector<int> order;
    for (int i = 0; i < n; ++i)
        if (legal[ix(i)] && i != base)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return meanGain(a) > meanGain(b); });
    if (order.size() > static_cast<std::size_t>(kFinalists))
        order.resize(static_cast<std::size_t>(kFinalists));
    if (!order.empty()) {
        order.push_back(base);
        const int more =
            std::clamp((playouts - used) / static_cast<int>(order.size()), 0, 2 * maxDeals);
        for (int d = 0; d < more; ++d)
            tryDeal(order);
    }
    // The play whose mean gain over Classic's choice is largest, among those
    // whose gain stands out from the noise of the deals.
    int best = base;
    double bestGain = 0;
    for (int i : order) {
        if (!legal[ix(i)] || i == base)
            continue;
        const double mean = meanGain(i);
        const double var = std::max(0.0, gain2[ix(i)] / dealt[ix(i)] - mean * mean);
        if (mean > bestGain && mean > kConfidence * std::sqrt(var / dealt[ix(i)])) {
            best = i;
            bestGain = mean;
        }
    }
    return plays[ix(best)];
}

Play expertPilot(const TableView& table, int seat, Random& random) {
    return expertChoice(knowledgeOf(table, seat), static_cast<std::uint32_t>(random(INT_MAX)));
}

} // namespace dw
