#include "host/enginewire.h"

#include "protocol/protocol.h"

#include <algorithm>
#include <span>

namespace dw {

namespace {

std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

std::string handOf(int seat, std::span<const int> cards) {
    msg::MyCards m{.seat = seat, .cards = {}};
    m.cards.reserve(cards.size());
    int slot = 1;
    for (const int card : cards)
        m.cards.emplace_back(slot++, card);
    return m.encode();
}

} // namespace

GameStart gameStart(const msg::StartGameRequest& request) {
    return {request.starter, parseInteger(request.amount), parseInteger(request.distance),
            request.bot3, request.bot4};
}

std::string newstatsMessage(const Engine& engine, int seat) {
    msg::NewStats m{.seat = seat,
                    .turn = engine.currentSeat,
                    .waiting = engine.pendingAction() == TimerAction::None,
                    .amount = engine.amountToEarn,
                    .taken = engine.deckPos,
                    .distance = engine.tripDistance,
                    .seats = {}};
    m.seats.reserve(kSeats);
    for (int s = 1; s <= kSeats; ++s) {
        const PlayerEntry& p = engine.players[ix(s)];
        const Ship& ship = p.ship;
        msg::SeatStats stats{
            s, p.total, p.active, ship.undocked, ship.teleported, ship.distance, ship.hazard, {}};
        for (int i = 1; i <= kProtections; ++i)
            stats.protections[ix(i - 1)] = ship.protections[ix(i)] != 0;
        m.seats.push_back(stats);
    }
    return m.encode();
}

std::string shipCardsMessage(const Engine& engine) {
    msg::ShipCards m{.discard = engine.discardTop, .ships = {}};
    m.ships.reserve(kSeats);
    for (int s = 1; s <= kSeats; ++s) {
        const Ship& p = engine.players[ix(s)].ship;
        msg::ShipShow ship{s, p.speedPile, p.goPile, p.milePile, {}};
        for (int k = 1; k <= kProtections; ++k)
            ship.shields[ix(k - 1)] = p.protections[ix(k)] != 0 ? kSkyjackShield + k - 1 : kNoCard;
        m.ships.push_back(ship);
    }
    return m.encode();
}

std::string handMessage(const Engine& engine, int seat, int slots) {
    if (seat < 1 || seat > kSeats)
        return msg::MyCards{.seat = seat, .cards = {}}.encode();
    const std::span<const int> cards(engine.players[ix(seat)].cards);
    return handOf(seat, cards.subspan(1, ix(std::clamp(slots, 0, kSlots))));
}

void EngineWire::gameStarted(const GameStarted& e) {
    sendAll(msg::StartGameAnnounce{std::string(e.starter), e.amountToEarn, e.tripDistance, e.seat3,
                                   e.seat4}
                .encode());
}

void EngineWire::roundStarted(const RoundStarted&) {
    sendAll(msg::StartingRound{}.encode());
}

void EngineWire::handDealt(const HandDealt& e) {
    sendTo(e.seat, handOf(e.seat, e.cards));
}

void EngineWire::turnStarted(const TurnStarted& e) {
    const std::string others = msg::NextPlayer{e.seat, 0, 0, e.taken}.encode();
    const std::string own = msg::NextPlayer{e.seat, e.drawnSlot, e.drawnCard, e.taken}.encode();
    for (int entry = 1; entry <= kMaxEntries; ++entry)
        sendTo(entry, entry == e.seat ? own : others);
}

void EngineWire::turnHandedBack(const TurnHandedBack& e) {
    sendTo(e.seat, msg::NextPlayer{e.seat, e.slot, e.card, e.taken}.encode());
}

void EngineWire::turnPassed(const TurnPassed& e) {
    sendAll(msg::CannotMove{e.seat}.encode());
}

void EngineWire::playApplied(const PlayApplied& e) {
    switch (e.pile) {
    case PlayPile::Go:
        return sendAll(msg::PlacingGo{e.seat, e.card, e.slot, e.target}.encode());
    case PlayPile::Shield:
        return sendAll(msg::PlaySafe{e.seat, e.card, e.slot, static_cast<int>(e.effect)}.encode());
    case PlayPile::Speed:
        return sendAll(msg::PlacingSpeed{e.seat, e.card, e.slot, e.target}.encode());
    case PlayPile::Miles:
        return sendAll(msg::Traveling{e.seat, e.distance, e.card, e.slot, e.added}.encode());
    case PlayPile::Discard:
        return sendAll(msg::HeDiscard{e.seat, e.slot, e.card}.encode());
    }
}

void EngineWire::playRefused(const PlayRefused& e) {
    sendTo(e.seat, msg::Invalid{e.seat, refusalInfo(e.why).code}.encode());
}

void EngineWire::scoresPosted(const ScoresPosted& e) {
    msg::PostScores m{.finisher = e.finisher, .seats = {}};
    m.seats.reserve(ix(e.count));
    for (int i = 0; i < e.count; ++i) {
        const RoundScore& s = e.scores[ix(i)];
        m.seats.push_back(
            {s.seat, s.total, s.round, s.travel, s.completion, s.safe, s.protection, s.shutout});
    }
    sendAll(m.encode());
}

void EngineWire::gameWon(const GameWon& e) {
    sendAll(msg::Winner{std::string(e.name), e.seat}.encode());
}

} // namespace dw
