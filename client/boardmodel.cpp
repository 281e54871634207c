#include "client/boardmodel.h"
#include "client/boardinternal.h"

#include "engine/cards.h"
#include "protocol/messages.h"

#include <algorithm>
#include <random>
#include <utility>

namespace dw {

using namespace boardinternal;

std::string_view botHint(int seat) {
    switch (seat) {
    case 1:
        return "Klank";
    case 2:
        return "Klot";
    case 3:
        return "Klick";
    case 4:
        return "Kling";
    default:
        return "";
    }
}

std::string_view protectionHint(int k) {
    switch (k) {
    case 1:
        return "Skyhacking Protection";
    case 2:
        return "Transport Protection";
    case 3:
        return "Damage Protection";
    case 4:
        return "Power Drain Protection";
    default:
        return "";
    }
}

BoardModel::BoardModel(BoardEvents& events, RandomSource random)
    : events_(events), random_(std::move(random)) {
    if (!random_) {
        random_ = [gen = std::minstd_rand(std::random_device{}())](int n) mutable {
            return std::uniform_int_distribution<int>(0, n - 1)(gen);
        };
    }
    clearAll();
}

// ---------------------------------------------------------------- helpers

std::string BoardModel::nameOf(int seat) const {
    return isPlayingSeat(seat) ? view_.seats[at(seat)].name : std::string();
}

bool BoardModel::isMe(int seat) const {
    return isPlayingSeat(seat) && seat == state_.mySeat;
}

void BoardModel::hideTargets() {
    for (int n = 1; n <= kPlayingSeats; ++n)
        view_.seats[at(n)].target = false;
}

void BoardModel::status(const std::string& text) {
    events_.notice(text);
}

void BoardModel::setCardsLeft(int taken) {
    const int left = std::max(0, kDeckSize - taken);
    view_.cardsLeft = "Cards Left: " + std::to_string(left);
}

void BoardModel::swapPositions(int p, int q) {
    auto& order = state_.handOrder;
    std::swap(order[at(p)], order[at(q)]);
}

void BoardModel::finish() {
    events_.changed();
}

// ---------------------------------------------------------------- shared steps

void BoardModel::clearAll() {
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        state_.ships[at(n)] = Ship{};
        s.score = "$0";
        s.speedPile.reset();
        s.goPile.reset();
        s.milePile.reset();
        s.miles = "0 lyrs";
        s.target = false;
        s.eyes = false;
        s.winner = false;
        s.safe.fill(false);
    }
    for (int p = 1; p <= kHandPlaces; ++p)
        view_.hand[at(p)].picture.reset();
    view_.discard.reset();
    view_.turn.visible = false;
}

void BoardModel::showTurn(int seat) {
    // Seat 0 (no turn announced yet) has no column: the frame stays hidden.
    if (!isPlayingSeat(seat)) {
        view_.turn.visible = false;
        return;
    }
    const bool moving = state_.ships[at(seat)].undocked;
    view_.turn.seat = seat;
    view_.turn.green = moving;
    view_.turn.visible = true;
    view_.seats[at(seat)].nameColour = moving ? LabelColour::Lime : LabelColour::Red;
}

void BoardModel::clearSlot(int place) {
    if (place < 1 || place > kHandPlaces)
        return;
    auto& h = view_.hand[at(place)];
    h.card = 0;
    h.picture.reset();
    h.raised = false;
    state_.selectedSlot = 0;
}

// ---------------------------------------------------------------- dispatch

// Decodes the payload as message M and hands it to its handler; a malformed
// message changes nothing.
template <class M, void (BoardModel::*Handle)(const M&)>
void BoardModel::on(std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (this->*Handle)(*m);
}

bool BoardModel::handleCommand(std::string_view word, std::string_view payload) {
    using Handler = void (BoardModel::*)(std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 21> table{{
        {msg::SendLoginInfo::kWord, &BoardModel::on<msg::SendLoginInfo, &BoardModel::loginAsked>},
        {msg::NewPlayerInfo::kWord, &BoardModel::on<msg::NewPlayerInfo, &BoardModel::playerJoined>},
        {msg::ExistingPlayers::kWord,
         &BoardModel::on<msg::ExistingPlayers, &BoardModel::playerJoined>},
        {msg::PlayerDisconnected::kWord,
         &BoardModel::on<msg::PlayerDisconnected, &BoardModel::playerLeft>},
        {msg::JustWatching::kWord,
         &BoardModel::on<msg::JustWatching, &BoardModel::watchingChanged>},
        {msg::StartGameAnnounce::kWord,
         &BoardModel::on<msg::StartGameAnnounce, &BoardModel::gameStarted>},
        {msg::NextPlayer::kWord, &BoardModel::on<msg::NextPlayer, &BoardModel::nextPlayer>},
        {msg::Winner::kWord, &BoardModel::on<msg::Winner, &BoardModel::winner>},
        {msg::MyCards::kWord, &BoardModel::on<msg::MyCards, &BoardModel::handDealt>},
        {msg::StartingRound::kWord, &BoardModel::on<msg::StartingRound, &BoardModel::roundStarted>},
        {msg::HeDiscard::kWord, &BoardModel::on<msg::HeDiscard, &BoardModel::heDiscarded>},
        {msg::Invalid::kWord, &BoardModel::on<msg::Invalid, &BoardModel::invalid>},
        {msg::Traveling::kWord, &BoardModel::on<msg::Traveling, &BoardModel::travelled>},
        {msg::PlacingGo::kWord, &BoardModel::on<msg::PlacingGo, &BoardModel::goPilePlayed>},
        {msg::PlacingSpeed::kWord,
         &BoardModel::on<msg::PlacingSpeed, &BoardModel::speedPilePlayed>},
        {msg::PlaySafe::kWord, &BoardModel::on<msg::PlaySafe, &BoardModel::shieldPlayed>},
        {msg::CannotMove::kWord, &BoardModel::on<msg::CannotMove, &BoardModel::cannotMove>},
        {msg::PostScores::kWord, &BoardModel::on<msg::PostScores, &BoardModel::scoresPosted>},
        {msg::NewStats::kWord, &BoardModel::on<msg::NewStats, &BoardModel::tableSnapshot>},
        {msg::HostRights::kWord, &BoardModel::on<msg::HostRights, &BoardModel::hostRightsMoved>},
        {msg::ShipCards::kWord, &BoardModel::on<msg::ShipCards, &BoardModel::pilesShown>},
    }};
    for (const Entry& e : table) {
        if (e.word == word) {
            (this->*e.handler)(payload);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- login and seats

void BoardModel::setHosting() {
    state_.isHost = true;
    view_.startVisible = true;
    finish();
}

void BoardModel::reset() {
    state_ = ClientState{};
    gamerunning_ = false;
    removed_.fill(false);
    view_ = BoardView{};
    spies_.clear();
    clearAll();
    finish();
}

void BoardModel::hostRightsMoved(const msg::HostRights& m) {
    if (m.seat < 1 || m.seat > kHighestSeat || state_.mySeat == 0)
        return;
    const bool mine = m.seat == state_.mySeat;
    if (mine && !state_.isHost)
        status("You now hold the host's controls: you may start a game and remove players.");
    state_.isHost = mine;
    view_.startVisible = mine && !gamerunning_;
    finish();
}

void BoardModel::loginAsked(const msg::SendLoginInfo& m) {
    if (m.seat < 1 || m.seat > kHighestSeat)
        return;
    state_.mySeat = m.seat;
    state_.loggedIn = true;
    events_.send(msg::LoginInfo{m.seat, std::string(kVersion), state_.playerName}.encode());
    finish();
}

void BoardModel::playerJoined(const msg::ExistingPlayers& m) {
    playerJoined(msg::NewPlayerInfo{m.seat, m.name});
}

void BoardModel::playerJoined(const msg::NewPlayerInfo& m) {
    if (m.seat < 1 || m.seat > kHighestSeat)
        return;
    const int seat = m.seat;
    const std::string& name = m.name;
    const bool me = seat == state_.mySeat;
    if (!me) {
        status(name + " is Connected.");
    } else {
        status("You are Connected.");
        status("Press Control-I to see Quick Instructions.");
        events_.loadSettings();
    }
    if (seat > kPlayingSeats) {
        // A seat announced again (a repeated login) replaces its old item,
        // which no later departure would remove.
        const std::string prefix = std::to_string(seat) + ": ";
        const auto old = std::find_if(spies_.begin(), spies_.end(), [&](const std::string& s) {
            return s.rfind(prefix, 0) == 0;
        });
        if (old != spies_.end()) {
            const std::string gone = *old;
            spies_.erase(old);
            events_.spyRemoved(gone);
        }
        std::string item = prefix + name;
        spies_.push_back(item);
        events_.spyAdded(item);
        if (!me) {
            status(name + " is spying.");
            events_.sound("entered");
            finish();
            return;
        }
        status("You are spying.");
    } else {
        auto& s = view_.seats[at(seat)];
        s.name = name;
        s.nameVisible = true;
        s.scoreVisible = true;
    }
    events_.sound("entered");
    finish();
}

void BoardModel::playerLeft(const msg::PlayerDisconnected& m) {
    if (m.seat < 1 || m.seat > kHighestSeat)
        return;
    const int seat = m.seat;
    const std::string& name = m.name;
    if (seat > kPlayingSeats) {
        const std::string item = std::to_string(seat) + ": " + name;
        const auto it = std::find(spies_.begin(), spies_.end(), item);
        if (it == spies_.end())
            return;
        status(name + " has left.");
        spies_.erase(it);
        events_.spyRemoved(item);
        finish();
        return;
    }
    auto& s = view_.seats[at(seat)];
    const std::string_view hint = botHint(seat);
    const bool removed = std::exchange(removed_[at(seat)], false);
    if (s.name != kWaiting && s.name != hint)
        status(s.name + (removed ? " was removed from the game." : " disconnected."));
    s.name = kWaiting;
    // Seats 1 and 2 always fly: the computer takes them over (seat 1 only
    // where the host has no player of its own, and then under its name).
    if (seat <= 2 || !s.notPlaying)
        s.name = hint;
    s.eyes = false;
    finish();
}

void BoardModel::removed(const msg::Removed& m) {
    if (isPlayingSeat(m.seat) && m.seat != state_.mySeat)
        removed_[at(m.seat)] = true;
}

void BoardModel::watchingChanged(const msg::JustWatching& m) {
    if (!isPlayingSeat(m.seat))
        return;
    auto& s = view_.seats[at(m.seat)];
    const bool watching = m.watching;
    if (m.seat == state_.mySeat)
        view_.justWatchChecked = watching;
    status(s.name + (watching ? " is just watching" : " is now playing again"));
    s.eyes = watching;
    finish();
}

void BoardModel::sendJustWatch(int seat, bool watch) {
    if (!state_.loggedIn || !isPlayingSeat(seat))
        return;
    events_.send(msg::JustWatch{seat, watch}.encode());
}

void BoardModel::justWatch() {
    sendJustWatch(state_.mySeat, !view_.justWatchChecked);
}

void BoardModel::setToJustWatch(int seat) {
    sendJustWatch(seat, true);
}

void BoardModel::unsetJustWatch(int seat) {
    sendJustWatch(seat, false);
}

// ---------------------------------------------------------------- game start

void BoardModel::gameStarted(const msg::StartGameAnnounce& m) {
    const std::string& name = m.starter;
    const bool out3 = !m.seat3;
    const bool out4 = !m.seat4;

    view_.startVisible = false;
    view_.justWatchChecked = false;
    gamerunning_ = true;
    clearAll();
    status(name + " has started a game.");
    for (int n = 1; n <= kPlayingSeats; ++n) {
        state_.inGame[at(n)] = true;
        view_.seats[at(n)].notPlaying = false;
    }
    if (out3) {
        state_.inGame[3] = false;
        view_.seats[3].notPlaying = true;
    }
    if (out4) {
        state_.inGame[4] = false;
        view_.seats[4].notPlaying = true;
    }
    // The computer pilots take the empty seats; seat 1 is empty only on a
    // host without a player of its own.
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        if (s.name == kWaiting && !s.notPlaying)
            s.name = botHint(n);
    }
    view_.playToScore = "Amount to Earn: $" + std::to_string(m.amount);
    view_.distance = "Target Distance: " + std::to_string(m.distance);
    finish();
}

// ---------------------------------------------------------------- snapshot

void BoardModel::tableSnapshot(const msg::NewStats& m) {
    if (m.turn > kPlayingSeats)
        return;
    for (const msg::SeatStats& rec : m.seats)
        if (!isPlayingSeat(rec.seat) || (rec.hazard != 0 && !isHazard(rec.hazard)))
            return;
    if (m.seat != state_.mySeat)
        return;

    state_.turnSeat = m.turn;
    gamerunning_ = true;
    view_.startVisible = false;
    view_.playToScore = "Amount to Earn: $" + std::to_string(m.amount);
    setCardsLeft(m.taken);
    view_.distance = "Total Distance: " + std::to_string(m.distance);
    for (const msg::SeatStats& rec : m.seats) {
        const int n = rec.seat;
        auto& s = view_.seats[at(n)];
        s.score = std::to_string(rec.total);
        // As the others show it: nothing until the ship first travels in
        // the round.
        s.miles = rec.distance > 0 ? std::to_string(rec.distance) + " Lyrs" : std::string();
        state_.inGame[at(n)] = true;
        if (s.name == kWaiting && rec.active)
            s.name = botHint(n);
        if (!rec.active) {
            s.miles.clear();
            if (n >= 3)
                s.notPlaying = true;
            state_.inGame[at(n)] = false;
        }
        // Only what the snapshot tells for certain is drawn: a hazard, an
        // UNDOCK under a moving ship and a TELEPORT in force. Whatever else
        // lies on a pile (DOCK, a repair, WARP, the lightyear card) comes
        // with the piles message that follows.
        Ship& ship = state_.ships[at(n)];
        const int go = !rec.active       ? kNoCard
                       : rec.hazard != 0 ? rec.hazard
                       : rec.undocked    ? kUndock
                                         : kNoCard;
        showPiles(ship, rec.teleported ? kTeleport : kNoCard, go, kNoCard);
        ship.distance = rec.distance;
        s.speedPile = picture(ship.speedPile);
        s.goPile = picture(ship.goPile);
        s.milePile.reset();
        for (int k = 1; k <= 4; ++k) {
            s.safe[at(k)] = rec.protections[at(k - 1)];
            ship.protections[at(k)] = rec.protections[at(k - 1)] ? 1 : 0;
        }
    }
    showTurn(state_.turnSeat);
    // Between turns the others see no frame: the last play took it away.
    if (!m.waiting)
        view_.turn.visible = false;
    if (state_.turnSeat == state_.mySeat && !m.waiting) {
        events_.log("Your Turn.");
        events_.sound("turn");
    } else if (isPlayingSeat(state_.turnSeat)) {
        events_.log(nameOf(state_.turnSeat) + "'s turn.");
    }
    if (m.waiting)
        state_.turnSeat = 0;
    finish();
}

void BoardModel::pilesShown(const msg::ShipCards& m) {
    const auto fits = [](int card, auto&& kind) { return card == kNoCard || kind(card); };
    const auto onGoPile = [](int c) {
        return c >= kUndock && c <= kPower && c != kTeleport && c != kWarp;
    };
    if (!isCard(m.discard) || !gamerunning_)
        return;
    for (const msg::ShipShow& ship : m.ships) {
        if (!isPlayingSeat(ship.seat) ||
            !fits(ship.speed, [](int c) { return c == kTeleport || c == kWarp; }) ||
            !fits(ship.go, onGoPile) || !fits(ship.miles, isLightyear))
            return;
        for (int k = 1; k <= 4; ++k)
            if (!fits(ship.shields[at(k - 1)], [k](int c) { return c == kSkyjackShield + k - 1; }))
                return;
    }
    for (const msg::ShipShow& ship : m.ships) {
        const int n = ship.seat;
        auto& s = view_.seats[at(n)];
        s.speedPile = picture(ship.speed);
        s.goPile = picture(ship.go);
        s.milePile = picture(ship.miles);
        Ship& known = state_.ships[at(n)];
        showPiles(known, ship.speed, ship.go, ship.miles);
        for (int k = 1; k <= 4; ++k) {
            s.safe[at(k)] = ship.shields[at(k - 1)] != kNoCard;
            known.protections[at(k)] = s.safe[at(k)] ? 1 : 0;
        }
    }
    view_.discard = picture(m.discard);
    if (view_.turn.visible)
        showTurn(view_.turn.seat);
    finish();
}

// ---------------------------------------------------------------- rounds and turns

void BoardModel::roundStarted(const msg::StartingRound&) {
    view_.turn.visible = false;
    for (int p = 1; p <= kHandPlaces; ++p)
        view_.hand[at(p)].picture.reset();
    for (int pass = 0; pass < kHandPlaces; ++pass)
        for (int p = 1; p < kHandPlaces; ++p)
            if (state_.handOrder[at(p)] > state_.handOrder[at(p + 1)])
                swapPositions(p, p + 1);
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        state_.ships[at(n)] = shipAtRoundStart();
        s.panelVisible = false;
        s.target = false;
        s.speedPile.reset();
        s.goPile.reset();
        s.milePile.reset();
        s.miles.clear();
        s.safe.fill(false);
    }
    view_.discard.reset();
    events_.sound("gamestart");
    finish();
}

void BoardModel::handDealt(const msg::MyCards& m) {
    for (const auto& [place, card] : m.cards)
        if (!isPlace(place) || !isCard(card))
            return;
    if (!isMe(m.seat))
        return;
    for (const auto& [place, card] : m.cards) {
        auto& h = view_.hand[at(place)];
        h.card = card;
        h.picture = card;
        h.raised = false;
    }
    finish();
}

void BoardModel::nextPlayer(const msg::NextPlayer& m) {
    if (m.seat > kPlayingSeats || m.slot > kHandPlaces || !isCard(m.card))
        return;
    const int seat = m.seat;
    const int place = m.slot;
    const int card = m.card;
    state_.selectedSlot = 0;
    for (int n = 1; n <= kPlayingSeats; ++n)
        view_.seats[at(n)].nameColour = LabelColour::Yellow;
    for (int p = 1; p <= kHandPlaces; ++p)
        view_.hand[at(p)].raised = false;
    state_.turnSeat = seat;
    setCardsLeft(m.taken);
    showTurn(seat);
    if (!isMe(seat)) {
        if (isPlayingSeat(seat))
            events_.log(nameOf(seat) + "'s turn.");
    } else {
        events_.log("Your Turn.");
        static constexpr std::array<const char*, 3> kTurnSounds{"turn", "turn2", "turn1"};
        const int draw = random_(3);
        events_.sound(kTurnSounds[at(draw >= 0 && draw < 3 ? draw : 0)]);
        if (place != 0) {
            auto& h = view_.hand[at(place)];
            h.card = card;
            h.picture = card;
            h.raised = false;
        } else {
            events_.log("Your Turn. - Out of Cards");
        }
    }
    finish();
}

// ---------------------------------------------------------------- plays

std::optional<BoardModel::PilePlay> BoardModel::pilePlay(const PilePlay& play, int place,
                                                         Picture SeatDisplay::*pile) {
    if (!isPlayingSeat(play.player) || !isCard(play.card) || !isPlace(place) ||
        !isPlayingSeat(play.target))
        return std::nullopt;
    hideTargets();
    view_.seats[at(play.target)].*pile = play.card;
    if (isMe(play.player))
        clearSlot(place);
    return play;
}

void BoardModel::speedPilePlayed(const msg::PlacingSpeed& m) {
    const auto play = pilePlay({m.seat, m.card, m.target}, m.slot, &SeatDisplay::speedPile);
    if (!play)
        return;
    landOnSpeedPile(state_.ships[at(play->target)], play->card);
    if (play->card == kTeleport) {
        events_.log(nameOf(play->target) + " has got teleported and now has warp damage.");
        if (isMe(play->player))
            events_.sound("protection");
        if (isMe(play->target))
            events_.sound("damage");
    } else if (play->card == kWarp) {
        events_.log(nameOf(play->target) + " repaired the warp damage.");
        if (isMe(play->target))
            events_.sound("repair");
    }
    view_.turn.visible = false;
    finish();
}

void BoardModel::goPilePlayed(const msg::PlacingGo& m) {
    const auto play = pilePlay({m.seat, m.card, m.target}, m.slot, &SeatDisplay::goPile);
    if (!play)
        return;
    const int t = play->target;
    const bool byMe = isMe(play->player);
    const bool onMe = isMe(t);
    landOnGoPile(state_.ships[at(t)], play->card);
    auto attack = [&](const std::string& line, const char* victimSound) {
        events_.log(line);
        if (byMe)
            events_.sound("protection");
        if (onMe)
            events_.sound(victimSound);
    };
    auto repair = [&](const char* line) {
        events_.log(nameOf(play->player) + line);
        if (onMe)
            events_.sound("repair");
    };
    switch (play->card) {
    case kUndock:
        events_.log(nameOf(t) + " has undocked and is ready to move.");
        if (onMe)
            events_.sound("undock");
        break;
    case kDock:
        attack(nameOf(t) + " had to make an unexpected dock.", "dock");
        break;
    case kSkyjack:
        attack(nameOf(t) + " got skyjacked.", "damage");
        break;
    case kDamage:
        attack(nameOf(t) + " received damage.", "damage");
        break;
    case kPowerDrain:
        attack(nameOf(t) + " had a power drain.", "damage");
        break;
    case kReload:
        repair(" reloaded the missing materials.");
        break;
    case kRepair:
        repair(" repaired the damage.");
        break;
    case kPower:
        repair(" gained power.");
        break;
    default:
        break;
    }
    view_.turn.visible = false;
    finish();
}

void BoardModel::travelled(const msg::Traveling& m) {
    if (!isPlayingSeat(m.seat) || !isCard(m.card) || !isPlace(m.slot))
        return;
    const int seat = m.seat;
    const int card = m.card;
    const int place = m.slot;
    hideTargets();
    auto& s = view_.seats[at(seat)];
    s.miles = std::to_string(m.distance) + " Lyrs";
    events_.log(nameOf(seat) + " traveled " + std::to_string(m.added) + " lyrs.");
    s.milePile = card;
    travel(state_.ships[at(seat)], card);
    if (isMe(seat)) {
        clearSlot(place);
        ownlightyears_ += cardInfo(card).lightyears;
        events_.setOwnTallyCell(3, std::to_string(ownlightyears_));
    }
    view_.turn.visible = false;
    if (isMe(seat))
        events_.sound("move");
    finish();
}

void BoardModel::shieldPlayed(const msg::PlaySafe& m) {
    if (!isPlayingSeat(m.seat) || !isShield(m.card) || !isPlace(m.slot))
        return;
    const int seat = m.seat;
    const int card = m.card;
    const int place = m.slot;
    const int effect = m.effect;
    hideTargets();
    if (isMe(seat))
        clearSlot(place);
    auto& s = view_.seats[at(seat)];
    const int k = protectionIndex(card);
    s.safe[at(k)] = true;
    raiseShield(state_.ships[at(seat)], card);
    static constexpr std::array<const char*, 5> kLines{
        "", " has Protection from Skyjacking.", " has Protection from Teleporting.",
        " has Protection from Damage.", " has Protection from Power Drain."};
    events_.log(nameOf(seat) + kLines[at(k)]);
    if (effect == 1)
        s.goPile = kUndock;
    else if (effect == 2)
        s.speedPile.reset();
    finish();
}

void BoardModel::heDiscarded(const msg::HeDiscard& m) {
    if (!isPlayingSeat(m.seat) || !isPlace(m.slot) || !isCard(m.card))
        return;
    const int seat = m.seat;
    const int place = m.slot;
    const int card = m.card;
    hideTargets();
    // Passing with an empty place puts nothing on the pile.
    if (card != kNoCard)
        view_.discard = card;
    if (isMe(seat))
        clearSlot(place);
    view_.turn.visible = false;
    events_.log(nameOf(seat) + " Discarded.");
    if (isMe(seat))
        events_.sound("discard");
    finish();
}

void BoardModel::invalid(const msg::Invalid& m) {
    if (!isMe(m.seat))
        return;
    if (const std::string_view text = refusalText(m.code); !text.empty())
        events_.log(std::string(text));
    events_.sound("invalid");
    state_.turnSeat = state_.mySeat;
    finish();
}

void BoardModel::cannotMove(const msg::CannotMove& m) {
    if (!isPlayingSeat(m.seat))
        return;
    state_.ships[at(m.seat)].stillMoving = false;
    events_.log(nameOf(m.seat) + " does not have a play.");
    view_.turn.visible = false;
    finish();
}

} // namespace dw
