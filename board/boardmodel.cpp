#include "board/boardmodel.h"

#include "engine/cards.h"
#include "net/protocol.h"

#include <algorithm>
#include <random>
#include <utility>

namespace dw {

namespace {

constexpr int kMaxCard = kNumCardCodes - 1;

// shipstate codes.
constexpr int kDocked = 0;
constexpr int kMoving = 1;
constexpr int kSkyjacked = 2;
constexpr int kReloaded = 3;
constexpr int kDamaged = 5;
constexpr int kRepaired = 6;
constexpr int kDrained = 7;
constexpr int kPowered = 8;

// Texts shown for the host's refusal codes.
constexpr std::array<std::string_view, 13> kInvalidTexts{
    "Invalid Play",
    "You must be undocked in order to travel.",
    "You can only play lightyears here.",
    "You cannot play that card there.",
    "You are already undocked.",
    "You cannot travel that fast after teleporting.",
    "You must fix your damage before undocking.",
    "That card will not fix your problem.",
    "You cannot cause damage to a ship that is not undocked.",
    "You do not need Warp.",
    "That ship already has been teleported.",
    "That ship is SAFE from that hazard.",
    "That ship is out of commission.",
};

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

bool isPlayingSeat(int seat) {
    return seat >= 1 && seat <= kPlayingSeats;
}

std::optional<int> seatField(FieldReader& r) {
    return r.number(1, kPlayingSeats);
}
std::optional<int> placeField(FieldReader& r) {
    return r.number(1, kHandPlaces);
}
std::optional<int> cardField(FieldReader& r) {
    return r.number(0, kMaxCard);
}
std::optional<int> flagField(FieldReader& r) {
    return r.number(0, 1);
}

// Splits "a+b+...+z+" read from the right: the last `count` fields (each
// followed by "+"), with everything before them as the first field. Names
// that contain "+" thus survive in front of fixed trailing fields.
std::optional<std::vector<std::string_view>> splitFromRight(std::string_view payload,
                                                            std::size_t count) {
    if (payload.empty() || payload.back() != '+')
        return std::nullopt;
    payload.remove_suffix(1);
    std::vector<std::string_view> fields(count + 1);
    for (std::size_t i = count; i >= 1; --i) {
        const std::size_t plus = payload.rfind('+');
        if (plus == std::string_view::npos)
            return std::nullopt;
        fields[i] = payload.substr(plus + 1);
        payload = payload.substr(0, plus);
    }
    fields[0] = payload;
    return fields;
}

} // namespace

std::string_view botHint(int seat) {
    switch (seat) {
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
    for (int n = 1; n <= kHandPlaces; ++n)
        view_.hand[at(n)].left = layout::kHandX[at(n)];
    clearall();
}

// ---------------------------------------------------------------- helpers

std::string BoardModel::nameOf(int seat) const {
    return isPlayingSeat(seat) ? view_.seats[at(seat)].name : std::string();
}

bool BoardModel::isMe(int seat) const {
    return isPlayingSeat(seat) && seat == state_.myseat;
}

void BoardModel::hideTargets() {
    for (int n = 1; n <= kPlayingSeats; ++n)
        view_.seats[at(n)].target = false;
}

void BoardModel::status(const std::string& text) {
    events_.chatLine("0+" + text, kStatusColour);
}

void BoardModel::setCardsLeft(int taken) {
    const int left = std::max(0, kDeckSize - taken);
    view_.cardsLeft = "Cards Left: " + std::to_string(left);
}

void BoardModel::swapPositions(int p, int q) {
    auto& order = state_.handorder;
    std::swap(view_.hand[at(order[at(p)])].left, view_.hand[at(order[at(q)])].left);
    std::swap(order[at(p)], order[at(q)]);
}

void BoardModel::finish() {
    events_.changed();
}

// ---------------------------------------------------------------- shared steps

void BoardModel::clearall() {
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        state_.shipstate[at(n)] = 0;
        state_.warpdamage[at(n)] = 0;
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

void BoardModel::showturn(int seat) {
    // Seat 0 (no turn announced yet) has no column: the frame stays hidden.
    if (!isPlayingSeat(seat)) {
        view_.turn.visible = false;
        return;
    }
    const bool moving = state_.shipstate[at(seat)] == kMoving;
    view_.turn.left = layout::kNameX[at(seat)] + layout::kTurnDx;
    view_.turn.top = layout::kTurnY;
    view_.turn.green = moving;
    view_.turn.visible = true;
    view_.seats[at(seat)].nameColour = moving ? LabelColour::Lime : LabelColour::Red;
}

void BoardModel::clearslot(int place) {
    if (place < 1 || place > kHandPlaces)
        return;
    auto& h = view_.hand[at(place)];
    h.card = 0;
    h.picture.reset();
    h.raised = false;
    state_.selectedslot = 0;
}

// ---------------------------------------------------------------- dispatch

bool BoardModel::handleCommand(std::string_view word, std::string_view payload) {
    using Handler = void (BoardModel::*)(std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 18> table{{
        {"CMD_sendlogininfo", &BoardModel::sendloginfo},
        {"CMD_newplayerinfo", &BoardModel::newplayerinfo},
        {"CMD_existingplayers", &BoardModel::newplayerinfo},
        {"CMD_playerdisconnected", &BoardModel::playerdisconnected},
        {"CMD_justwatching", &BoardModel::justwatching},
        {"CMD_startgame", &BoardModel::startthegame},
        {"CMD_nextplayer", &BoardModel::getnextplayer},
        {"CMD_winner", &BoardModel::winner},
        {"CMD_mycards", &BoardModel::mycards},
        {"CMD_hediscard", &BoardModel::hediscard},
        {"CMD_invalid", &BoardModel::invalid},
        {"CMD_traveling", &BoardModel::traveling},
        {"CMD_placinggo", &BoardModel::placinggo},
        {"CMD_placingspeed", &BoardModel::placingspeed},
        {"CMD_playsafe", &BoardModel::playsafe},
        {"CMD_cannotmove", &BoardModel::cannotmove},
        {"CMD_postscores", &BoardModel::postscores},
        {"CMD_newstats", &BoardModel::newstats},
    }};
    if (word == "CMD_startinground") {
        startinground();
        return true;
    }
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
    state_.ishost = true;
    view_.startVisible = true;
    finish();
}

void BoardModel::reset() {
    state_ = ClientState{};
    view_ = BoardView{};
    spies_.clear();
    for (int n = 1; n <= kHandPlaces; ++n)
        view_.hand[at(n)].left = layout::kHandX[at(n)];
    clearall();
    finish();
}

void BoardModel::sendloginfo(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto seat = r.number(1, kHighestSeat);
    if (!seat)
        return;
    state_.myseat = *seat;
    state_.loggedin = true;
    // The name field is followed by an empty message: two terminators end the login.
    events_.send(buildMessage("CMD_logininfo", {*seat, kVersion, state_.playername}) + kTerminator);
    finish();
}

void BoardModel::newplayerinfo(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kHighestSeat);
    if (!seat)
        return;
    const std::string name(r.rest());
    const bool me = *seat == state_.myseat;
    if (!me) {
        status(name + " is Connected.");
    } else {
        status("You are Connected.");
        status("Press Control-I to see Quick Instructions.");
        events_.loadSettings();
    }
    if (*seat > kPlayingSeats) {
        // A seat announced again (a repeated login) replaces its old item,
        // which no later departure would remove.
        const std::string prefix = std::to_string(*seat) + ": ";
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
        auto& s = view_.seats[at(*seat)];
        s.name = name;
        s.nameVisible = true;
        s.scoreVisible = true;
    }
    events_.sound("entered");
    finish();
}

void BoardModel::playerdisconnected(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(1, kHighestSeat);
    if (!seat)
        return;
    const std::string name(r.rest());
    if (*seat > kPlayingSeats) {
        const std::string item = std::to_string(*seat) + ": " + name;
        const auto it = std::find(spies_.begin(), spies_.end(), item);
        if (it == spies_.end())
            return;
        status(name + " has left.");
        spies_.erase(it);
        events_.spyRemoved(item);
        finish();
        return;
    }
    auto& s = view_.seats[at(*seat)];
    const std::string_view hint = botHint(*seat);
    if (s.name != kWaiting && s.name != hint)
        status(s.name + " disconnected.");
    s.name = kWaiting;
    if (*seat == 2 || ((*seat == 3 || *seat == 4) && !s.notPlaying))
        s.name = hint;
    s.eyes = false;
    finish();
}

void BoardModel::justwatching(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto seat = seatField(r);
    const auto flag = r.text();
    if (!seat || !flag)
        return;
    auto& s = view_.seats[at(*seat)];
    const bool watching = *flag == "1";
    if (*seat == state_.myseat)
        view_.justWatchChecked = watching;
    status(s.name + (watching ? " is just watching" : " is now playing again"));
    s.eyes = watching;
    finish();
}

void BoardModel::sendJustWatch(int seat, const char* flag) {
    if (!state_.loggedin || !isPlayingSeat(seat))
        return;
    events_.send(buildMessage("CMD_justwatch", {seat, flag}));
}

void BoardModel::JustWatch1Click() {
    sendJustWatch(state_.myseat, view_.justWatchChecked ? "2" : "1");
}

void BoardModel::SettoJustWatch1Click(int seat) {
    sendJustWatch(seat, "1");
}

void BoardModel::UnsetJustWatch1Click(int seat) {
    sendJustWatch(seat, "2");
}

// ---------------------------------------------------------------- game start

void BoardModel::startthegame(std::string_view payload) {
    // The starter's name comes first and may itself contain "+", so the four
    // fixed fields are taken from the end.
    const auto f = splitFromRight(payload, 4);
    if (!f)
        return;
    const std::string name((*f)[0]);
    const std::string amount((*f)[1]);
    const std::string distance((*f)[2]);
    const bool out3 = (*f)[3] == "f";
    const bool out4 = (*f)[4] == "f";

    view_.startVisible = false;
    view_.justWatchChecked = false;
    clearall();
    status(name + " has started a game.");
    for (int n = 1; n <= kPlayingSeats; ++n) {
        state_.shipstate[at(n)] = 0;
        state_.warpdamage[at(n)] = 0;
        state_.ingame[at(n)] = true;
        view_.seats[at(n)].notPlaying = false;
    }
    if (out3) {
        state_.ingame[3] = false;
        view_.seats[3].notPlaying = true;
    }
    if (out4) {
        state_.ingame[4] = false;
        view_.seats[4].notPlaying = true;
    }
    for (int n = 2; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        if (s.name == kWaiting && !s.notPlaying)
            s.name = botHint(n);
    }
    view_.playToScore = "Amount to Earn: $" + amount;
    view_.distance = "Target Distance: " + distance;
    finish();
}

// ---------------------------------------------------------------- snapshot

void BoardModel::newstats(std::string_view payload) {
    struct Record {
        int seat, active, undocked, teleported, hazard;
        std::string_view total, distance;
        std::array<int, 5> safe{};
    };
    FieldReader r(payload, LastField::MayEnd);
    const auto recipient = r.number();
    const auto turn = r.number(0, kPlayingSeats);
    const auto hold = r.number();
    const auto amount = r.text();
    const auto taken = r.number();
    const auto target = r.text();
    if (!recipient || !turn || !hold || !amount || !taken || !target)
        return;
    std::vector<Record> records;
    while (!r.atEnd() && records.size() < kPlayingSeats) {
        Record rec{};
        const auto seat = seatField(r);
        const auto total = r.text();
        const auto active = flagField(r);
        const auto undocked = flagField(r);
        const auto teleported = flagField(r);
        const auto distance = r.text();
        const auto hazard = cardField(r);
        if (!seat || !total || !active || !undocked || !teleported || !distance || !hazard)
            return;
        for (int k = 1; k <= 4; ++k) {
            const auto flag = flagField(r);
            if (!flag)
                return;
            rec.safe[at(k)] = *flag;
        }
        rec.seat = *seat;
        rec.total = *total;
        rec.active = *active;
        rec.undocked = *undocked;
        rec.teleported = *teleported;
        rec.distance = *distance;
        rec.hazard = *hazard;
        records.push_back(rec);
    }
    if (!r.atEnd())
        return;
    if (*recipient != state_.myseat)
        return;

    state_.turnseat = *turn;
    view_.playToScore = "Amount to Earn: $" + std::string(*amount);
    setCardsLeft(*taken);
    view_.distance = "Total Distance: " + std::string(*target);
    for (const Record& rec : records) {
        const int n = rec.seat;
        auto& s = view_.seats[at(n)];
        s.score = rec.total;
        s.miles = std::string(rec.distance) + " lys";
        state_.ingame[at(n)] = true;
        if (s.name == kWaiting && rec.active == 1 && n >= 2)
            s.name = botHint(n);
        if (rec.active == 0) {
            s.miles.clear();
            if (n >= 3)
                s.notPlaying = true;
            state_.ingame[at(n)] = false;
        }
        state_.shipstate[at(n)] = kDocked;
        s.goPile.reset();
        if (rec.undocked == 1 && rec.active == 1) {
            s.goPile = kUndock;
            state_.shipstate[at(n)] = kMoving;
        } else if (rec.active == 1) {
            s.goPile = kDock;
        }
        state_.warpdamage[at(n)] = 0;
        if (rec.teleported == 1) {
            state_.warpdamage[at(n)] = 1;
            s.speedPile = kTeleport;
        }
        if (rec.hazard != 0)
            s.goPile = rec.hazard;
        for (int k = 1; k <= 4; ++k)
            if (rec.safe[at(k)] == 1)
                s.safe[at(k)] = true;
    }
    showturn(state_.turnseat);
    if (state_.turnseat == state_.myseat && *hold == 0) {
        events_.log("Your Turn.");
        events_.sound("turn");
    } else if (isPlayingSeat(state_.turnseat)) {
        events_.log(nameOf(state_.turnseat) + "'s turn.");
    }
    if (*hold != 0)
        state_.turnseat = 0;
    finish();
}

// ---------------------------------------------------------------- rounds and turns

void BoardModel::startinground() {
    view_.turn.visible = false;
    for (int p = 1; p <= kHandPlaces; ++p)
        view_.hand[at(p)].picture.reset();
    for (int pass = 0; pass < kHandPlaces; ++pass)
        for (int p = 1; p < kHandPlaces; ++p)
            if (state_.handorder[at(p)] > state_.handorder[at(p + 1)])
                swapPositions(p, p + 1);
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        state_.shipstate[at(n)] = 0;
        state_.warpdamage[at(n)] = 0;
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

void BoardModel::mycards(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto seat = r.number();
    if (!seat)
        return;
    std::vector<std::pair<int, int>> pairs;
    while (!r.atEnd()) {
        const auto place = placeField(r);
        const auto card = cardField(r);
        if (!place || !card || pairs.size() >= 64)
            return;
        pairs.emplace_back(*place, *card);
    }
    if (!isMe(*seat))
        return;
    for (const auto& [place, card] : pairs) {
        auto& h = view_.hand[at(place)];
        h.card = card;
        h.picture = card;
        h.raised = false;
    }
    finish();
}

void BoardModel::getnextplayer(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number(0, kPlayingSeats);
    const auto place = r.number(0, kHandPlaces);
    const auto card = cardField(r);
    const auto taken = r.number();
    if (!seat || !place || !card || !taken)
        return;
    state_.selectedslot = 0;
    for (int n = 1; n <= kPlayingSeats; ++n)
        view_.seats[at(n)].nameColour = LabelColour::Yellow;
    for (int p = 1; p <= kHandPlaces; ++p)
        view_.hand[at(p)].raised = false;
    state_.turnseat = *seat;
    setCardsLeft(*taken);
    showturn(*seat);
    if (!isMe(*seat)) {
        if (isPlayingSeat(*seat))
            events_.log(nameOf(*seat) + "'s turn.");
    } else {
        events_.log("Your Turn.");
        static constexpr std::array<const char*, 3> kTurnSounds{"turn", "turn2", "turn1"};
        const int draw = random_(3);
        events_.sound(kTurnSounds[at(draw >= 0 && draw < 3 ? draw : 0)]);
        if (*place != 0) {
            auto& h = view_.hand[at(*place)];
            h.card = *card;
            h.picture = *card;
            h.raised = false;
        } else {
            events_.log("Your Turn. - Out of Cards");
        }
    }
    finish();
}

// ---------------------------------------------------------------- plays

std::optional<BoardModel::PilePlay> BoardModel::pilePlay(std::string_view payload,
                                                         Picture SeatDisplay::*pile) {
    FieldReader r(payload);
    const auto player = seatField(r);
    const auto card = cardField(r);
    const auto place = placeField(r);
    const auto target = seatField(r);
    if (!player || !card || !place || !target)
        return std::nullopt;
    hideTargets();
    view_.seats[at(*target)].*pile = *card;
    if (isMe(*player))
        clearslot(*place);
    return PilePlay{*player, *card, *target};
}

void BoardModel::placingspeed(std::string_view payload) {
    const auto play = pilePlay(payload, &SeatDisplay::speedPile);
    if (!play)
        return;
    if (play->card == kTeleport) {
        state_.warpdamage[at(play->target)] = 1;
        events_.log(nameOf(play->target) + " has got teleported and now has warp damage.");
        if (isMe(play->player))
            events_.sound("protection");
        if (isMe(play->target))
            events_.sound("damage");
    } else if (play->card == kWarp) {
        state_.warpdamage[at(play->target)] = 0;
        events_.log(nameOf(play->target) + " repaired the warp damage.");
        if (isMe(play->target))
            events_.sound("repair");
    }
    view_.turn.visible = false;
    finish();
}

void BoardModel::placinggo(std::string_view payload) {
    const auto play = pilePlay(payload, &SeatDisplay::goPile);
    if (!play)
        return;
    const int t = play->target;
    const bool byMe = isMe(play->player);
    const bool onMe = isMe(t);
    auto attack = [&](int state, const std::string& line, const char* victimSound) {
        state_.shipstate[at(t)] = state;
        events_.log(line);
        if (byMe)
            events_.sound("protection");
        if (onMe)
            events_.sound(victimSound);
    };
    auto repair = [&](int state) {
        state_.shipstate[at(t)] = state;
        events_.log(nameOf(play->player) + (state == kReloaded ? " reloaded the missing materials."
                                            : state == kRepaired ? " repaired the damage."
                                                                 : " gained power."));
        if (onMe)
            events_.sound("repair");
    };
    switch (play->card) {
    case kUndock:
        state_.shipstate[at(t)] = kMoving;
        events_.log(nameOf(t) + " has undocked and is ready to move.");
        if (onMe)
            events_.sound("undock");
        break;
    case kDock:
        attack(kDocked, nameOf(t) + " had to make an unexpected dock.", "dock");
        break;
    case kSkyjack:
        attack(kSkyjacked, nameOf(t) + " got skyjacked.", "damage");
        break;
    case kDamage:
        attack(kDamaged, nameOf(t) + " received damage.", "damage");
        break;
    case kPowerDrain:
        attack(kDrained, nameOf(t) + " had a power drain.", "damage");
        break;
    case kReload:
        repair(kReloaded);
        break;
    case kRepair:
        repair(kRepaired);
        break;
    case kPower:
        repair(kPowered);
        break;
    default:
        break;
    }
    view_.turn.visible = false;
    finish();
}

void BoardModel::traveling(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = seatField(r);
    const auto distance = r.text();
    const auto card = cardField(r);
    const auto place = placeField(r);
    const auto lightyears = r.text();
    if (!seat || !distance || !card || !place || !lightyears)
        return;
    hideTargets();
    auto& s = view_.seats[at(*seat)];
    s.miles = std::string(*distance) + " Lyrs";
    events_.log(nameOf(*seat) + " traveled " + std::string(*lightyears) + " lyrs.");
    s.milePile = *card;
    if (isMe(*seat)) {
        clearslot(*place);
        ownlightyears_ += cardInfo(*card).lightyears;
        events_.addtomineset(3, std::to_string(ownlightyears_));
    }
    view_.turn.visible = false;
    if (isMe(*seat))
        events_.sound("move");
    finish();
}

void BoardModel::playsafe(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = seatField(r);
    const auto card = r.number(kSkyjackShield, kPowerShield);
    const auto place = placeField(r);
    const auto effect = r.number();
    if (!seat || !card || !place || !effect)
        return;
    hideTargets();
    if (isMe(*seat))
        clearslot(*place);
    auto& s = view_.seats[at(*seat)];
    const int k = *card - (kSkyjackShield - 1);
    s.safe[at(k)] = true;
    static constexpr std::array<const char*, 5> kLines{
        "", " has Protection from Skyjacking.", " has Protection from Teleporting.",
        " has Protection from Damage.", " has Protection from Power Drain."};
    events_.log(nameOf(*seat) + kLines[at(k)]);
    if (*effect == 1) {
        state_.shipstate[at(*seat)] = kMoving;
        s.goPile = kUndock;
    } else if (*effect == 2) {
        s.speedPile.reset();
        state_.warpdamage[at(*seat)] = 0;
    }
    finish();
}

void BoardModel::hediscard(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = seatField(r);
    const auto place = placeField(r);
    const auto card = cardField(r);
    if (!seat || !place || !card)
        return;
    hideTargets();
    view_.discard = *card;
    if (isMe(*seat))
        clearslot(*place);
    view_.turn.visible = false;
    events_.log(nameOf(*seat) + " Discarded.");
    if (isMe(*seat))
        events_.sound("discard");
    finish();
}

void BoardModel::invalid(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = r.number();
    const auto code = r.number();
    if (!seat || !code || !isMe(*seat))
        return;
    if (*code < static_cast<int>(kInvalidTexts.size()))
        events_.log(std::string(kInvalidTexts[at(*code)]));
    events_.sound("invalid");
    state_.turnseat = state_.myseat;
    finish();
}

void BoardModel::cannotmove(std::string_view payload) {
    FieldReader r(payload);
    const auto seat = seatField(r);
    if (!seat)
        return;
    events_.log(nameOf(*seat) + " does not have a play.");
    view_.turn.visible = false;
    finish();
}

// ---------------------------------------------------------------- scores

void BoardModel::postscores(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto finisher = r.number(0, kPlayingSeats);
    if (!finisher)
        return;
    struct Record {
        int seat;
        std::array<std::string_view, 7>
            v; // total, round, distance, trip, safe, protections, shutout
    };
    std::vector<Record> records;
    while (!r.atEnd()) {
        Record rec{};
        const auto seat = seatField(r);
        if (!seat || records.size() >= kPlayingSeats)
            return;
        rec.seat = *seat;
        for (auto& field : rec.v) {
            const auto t = r.text();
            if (!t)
                return;
            field = *t;
        }
        records.push_back(rec);
    }
    for (int n = 1; n <= kPlayingSeats; ++n) {
        auto& s = view_.seats[at(n)];
        for (auto& text : s.panel)
            text.clear();
        s.target = false;
        s.nameColour = LabelColour::Yellow;
        s.panelColour = LabelColour::Yellow;
    }
    for (const Record& rec : records) {
        auto& s = view_.seats[at(rec.seat)];
        const auto str = [](std::string_view v) { return std::string(v); };
        s.score = "$" + str(rec.v[0]);
        s.panel[0] = "Distance Traveled: $" + str(rec.v[2]);
        s.panel[1] = "Trip Completed: $" + str(rec.v[3]);
        s.panel[2] = "Protections: $" + str(rec.v[5]);
        s.panel[3] = "Safe Trip: $" + str(rec.v[4]);
        s.panel[4] = "Shut Out: $" + str(rec.v[6]);
        s.panel[5] = "+$" + str(rec.v[1]);
    }
    for (int n = 1; n <= kPlayingSeats; ++n)
        if (state_.ingame[at(n)])
            view_.seats[at(n)].panelVisible = true;
    if (*finisher != 0) {
        events_.log(nameOf(*finisher) + " completed the mission!");
        events_.log("");
        auto& s = view_.seats[at(*finisher)];
        s.nameColour = LabelColour::Lime;
        s.panelColour = LabelColour::Lime;
    } else {
        events_.log("No one was able to complete the mission.");
        events_.log("");
    }
    view_.turn.visible = false;
    events_.sound("roundover");
    finish();
}

void BoardModel::winner(std::string_view payload) {
    // The name may contain "+": the seat is taken from the end.
    const auto f = splitFromRight(payload, 1);
    if (!f)
        return;
    const auto seat = parseNumber((*f)[1]);
    if (!seat || !isPlayingSeat(*seat))
        return;
    const std::string name((*f)[0]);
    view_.turn.visible = false;
    events_.sound("gameover");
    view_.seats[at(*seat)].winner = true;
    const bool player = isPlayingSeat(state_.myseat);
    const bool ownWin = player && view_.seats[at(state_.myseat)].name == name;
    events_.chatLine(ownWin ? "0+You have Won the Game!" : "0+" + name + " has Won the Game!",
                     kStatusColour);
    events_.log("Game Over!");
    if (state_.ishost)
        view_.startVisible = true;
    if (player)
        events_.addgame(ownWin ? "addtomine" : name);
    finish();
}

// ---------------------------------------------------------------- selection and play

std::array<bool, kPlayingSeats + 1> BoardModel::targetsFor(int card) const {
    std::array<bool, kPlayingSeats + 1> lit{};
    const int me = state_.myseat;
    if (!isPlayingSeat(me))
        return lit;
    const int ship = state_.shipstate[at(me)];
    const bool warped = state_.warpdamage[at(me)] == 1;
    // Opponents in the game, moving or not as asked, without protection k (0 = any).
    auto others = [&](bool mustMove, int protection) {
        for (int n = 1; n <= kPlayingSeats; ++n) {
            if (n == me || !state_.ingame[at(n)])
                continue;
            if (mustMove && state_.shipstate[at(n)] != kMoving)
                continue;
            if (protection != 0 && view_.seats[at(n)].safe[at(protection)])
                continue;
            lit[at(n)] = true;
        }
    };
    switch (card) {
    case 1:
    case 2:
        lit[at(me)] = ship == kMoving;
        break;
    case 3:
    case 4:
    case 5:
        lit[at(me)] = ship == kMoving && !warped;
        break;
    case kUndock:
        lit[at(me)] = ship == kDocked || ship == kReloaded || ship == kRepaired || ship == kPowered;
        break;
    case kDock:
        others(true, 0);
        break;
    case kSkyjack:
        others(true, 1);
        break;
    case kReload:
        lit[at(me)] = ship == kSkyjacked;
        break;
    case kTeleport:
        others(false, 2);
        for (int n = 1; n <= kPlayingSeats; ++n)
            if (state_.warpdamage[at(n)] == 1)
                lit[at(n)] = false;
        break;
    case kWarp:
        lit[at(me)] = warped;
        break;
    case kDamage:
        others(true, 3);
        break;
    case kRepair:
        lit[at(me)] = ship == kDamaged;
        break;
    case kPowerDrain:
        others(true, 4);
        break;
    case kPower:
        lit[at(me)] = ship == kDrained;
        break;
    case 16:
    case 17:
    case 18:
    case 19:
        lit[at(me)] = true;
        break;
    default:
        break;
    }
    return lit;
}

void BoardModel::card1MouseUp(int place, bool rightButton) {
    if (place < 1 || place > kHandPlaces)
        return;
    if (rightButton) {
        sortcards();
        return;
    }
    hideTargets();
    if (state_.turnseat != state_.myseat || !isPlayingSeat(state_.myseat)) {
        finish();
        return;
    }
    const int selected = state_.selectedslot;
    if (place == selected) {
        view_.hand[at(place)].raised = false;
        state_.selectedslot = 0;
    } else if (selected != 0) {
        view_.hand[at(selected)].raised = false;
        const auto& order = state_.handorder;
        const auto ps = std::find(order.begin() + 1, order.end(), selected) - order.begin();
        const auto pp = std::find(order.begin() + 1, order.end(), place) - order.begin();
        swapPositions(static_cast<int>(ps), static_cast<int>(pp));
        state_.selectedslot = 0;
    } else {
        state_.selectedslot = place;
        view_.hand[at(place)].raised = true;
        const auto lit = targetsFor(view_.hand[at(place)].card);
        for (int n = 1; n <= kPlayingSeats; ++n)
            view_.seats[at(n)].target = lit[at(n)];
        events_.sound("clickcard");
    }
    finish();
}

void BoardModel::image_target1Click(int seat) {
    // Only a lit marker can be clicked.
    if (!isPlayingSeat(seat) || !view_.seats[at(seat)].target)
        return;
    const int place = state_.selectedslot;
    if (place == 0 || state_.turnseat != state_.myseat || !isPlayingSeat(state_.myseat))
        return;
    const int c = view_.hand[at(place)].card;
    const int me = state_.myseat;
    std::string message;
    if (c >= 1 && c <= 5)
        message = buildMessage("CMD_gomiles", {me, place}, Trailing::Yes);
    else if ((c >= kUndock && c <= kReload) || (c >= kDamage && c <= kPowerShield))
        message = buildMessage("CMD_placego", {me, place, seat}, Trailing::Yes);
    else if (c == kTeleport || c == kWarp)
        message = buildMessage("CMD_placespeed", {me, place, seat}, Trailing::Yes);
    if (!message.empty() && state_.loggedin)
        events_.send(message);
    state_.turnseat = 0;
    events_.sound("clicktarget");
    finish();
}

void BoardModel::image_discardClick() {
    const int place = state_.selectedslot;
    if (state_.turnseat != state_.myseat || place == 0 || !isPlayingSeat(state_.myseat))
        return;
    if (state_.loggedin)
        events_.send(buildMessage("CMD_discard", {state_.myseat, place}, Trailing::Yes));
    state_.turnseat = 0;
    view_.turn.visible = false;
    finish();
}

void BoardModel::sortcards() {
    auto exchange = [](int a, int b) {
        auto anyShield = [](int x) { return x >= kSkyjackShield && x <= kPowerShield; };
        auto fixer = [](int x) {
            return x == kReload || x == kWarp || x == kRepair || x == kPower;
        };
        if (a >= 0 && a <= 5)
            return b > a;
        if (a == kUndock)
            return anyShield(b);
        if (fixer(a))
            return anyShield(b) || b == kUndock;
        if (a == kDock || a == kSkyjack || a == kTeleport || a == kDamage || a == kPowerDrain)
            return anyShield(b) || b == kUndock || fixer(b);
        return false;
    };
    for (int pass = 0; pass < kHandPlaces; ++pass) {
        for (int p = 1; p < kHandPlaces; ++p) {
            const int a = view_.hand[at(state_.handorder[at(p)])].card;
            const int b = view_.hand[at(state_.handorder[at(p + 1)])].card;
            if (exchange(a, b))
                swapPositions(p, p + 1);
        }
    }
    finish();
}

// ---------------------------------------------------------------- game options

void GameOptions::amountUp() {
    amount_ = std::min(amount_ + kAmountStep, kAmountMax);
}
void GameOptions::amountDown() {
    amount_ = std::max(amount_ - kAmountStep, kAmountMin);
}
void GameOptions::distanceUp() {
    distance_ = std::min(distance_ + kDistanceStep, kDistanceMax);
}
void GameOptions::distanceDown() {
    distance_ = std::max(distance_ - kDistanceStep, kDistanceMin);
}
void GameOptions::setAmount(int value) {
    amount_ = std::clamp(value, kAmountMin, kAmountMax);
}
void GameOptions::setDistance(int value) {
    distance_ = std::clamp(value, kDistanceMin, kDistanceMax);
}

int GameOptions::bot(int box) const {
    return box == 3 ? bot3_ : box == 4 ? bot4_ : 0;
}

void GameOptions::image_bot3Click(int box) {
    int* v = box == 3 ? &bot3_ : box == 4 ? &bot4_ : nullptr;
    if (v)
        *v = *v != 0 ? 0 : 1;
}

void GameOptions::changebox(std::string_view control, int value) {
    // A box has only the pictures 0 and 1; any other stored value shows a tick.
    const int v = value != 0 ? 1 : 0;
    if (control == "image_bot3")
        bot3_ = v;
    else if (control == "image_bot4")
        bot4_ = v;
}

std::string GameOptions::startCommand(std::string_view playername) const {
    return buildMessage("CMD_startgame", {playername, amountText(), distanceText(), bot3_, bot4_},
                        Trailing::Yes);
}

} // namespace dw
