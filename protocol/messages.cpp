#include "protocol/messages.h"

namespace dw::msg {

namespace {

// Reads `N` numbers, each followed by "+" (or, with LastField::MayEnd, the
// last one running to the end of the text).
template <std::size_t N> std::optional<std::array<int, N>> numbers(FieldReader& r) {
    std::array<int, N> v{};
    for (int& x : v) {
        const auto n = r.number();
        if (!n)
            return std::nullopt;
        x = *n;
    }
    return v;
}

template <std::size_t N>
std::optional<std::array<int, N>> numbers(std::string_view payload,
                                          LastField last = LastField::NeedsPlus) {
    FieldReader r(payload, last);
    return numbers<N>(r);
}

// A number, then the rest of the payload as text.
std::optional<std::pair<int, std::string>> numberAndRest(std::string_view payload) {
    FieldReader r(payload);
    const auto n = r.number();
    if (!n)
        return std::nullopt;
    return std::pair<int, std::string>{*n, std::string(r.rest())};
}

// A flag "1"/"0" as the protocol writes it.
std::optional<bool> flag(FieldReader& r) {
    const auto n = r.number(0, 1);
    if (!n)
        return std::nullopt;
    return *n == 1;
}

int bit(bool b) {
    return b ? 1 : 0;
}

// Splits "a+b+...+z+" read from the right: the last `count` fields (each
// followed by "+"), with everything before them as the first field.
std::optional<std::vector<std::string_view>> fromRight(std::string_view payload,
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

// ---------------------------------------------------------------- client to host

std::string LoginInfo::encode() const {
    return buildMessage(kWord, {seat, version, name}) + kTerminator;
}
std::optional<LoginInfo> LoginInfo::decode(std::string_view payload) {
    FieldReader r(payload);
    const auto s = r.number();
    const auto v = r.text();
    if (!s || !v)
        return std::nullopt;
    return LoginInfo{*s, std::string(*v), std::string(r.rest())};
}

std::string Chat::encode() const {
    return buildMessage(kWord, {seat, line});
}
std::optional<Chat> Chat::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f)
        return std::nullopt;
    return Chat{f->first, f->second};
}

std::string Action::encode() const {
    return buildMessage(kWord, {seat, line});
}
std::optional<Action> Action::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f)
        return std::nullopt;
    return Action{f->first, f->second};
}

std::string colouredText(std::string_view typed, std::string_view colour) {
    std::string line(typed);
    line += '|';
    line += colour;
    return line;
}

ColouredText splitColour(std::string_view line) {
    const std::size_t bar = line.rfind('|');
    if (bar == std::string_view::npos)
        return {std::string(line), std::nullopt};
    return {std::string(line.substr(0, bar)), std::string(line.substr(bar + 1))};
}

namespace {

constexpr std::string_view kChatMark = " chats: ";
constexpr std::string_view kActionMark = " ";

std::string markedLine(std::string_view sender, std::string_view mark, std::string_view sent) {
    std::string line;
    line.reserve(sender.size() + mark.size() + sent.size());
    line.append(sender).append(mark).append(sent);
    return line;
}

RelayedLine relayedAfter(std::string_view line, std::string_view mark) {
    const std::size_t at = line.find(mark);
    if (at == std::string_view::npos)
        return {{}, splitColour(line)};
    return {std::string(line.substr(0, at)), splitColour(line.substr(at + mark.size()))};
}

} // namespace

RelayedLine relayed(const Chat& m) {
    return relayedAfter(m.line, kChatMark);
}

RelayedLine relayed(const Action& m) {
    return relayedAfter(m.line, kActionMark);
}

Chat relayedChat(int seat, std::string_view sender, std::string_view sent) {
    return {seat, markedLine(sender, kChatMark, sent)};
}

Action relayedAction(int seat, std::string_view sender, std::string_view sent) {
    return {seat, markedLine(sender, kActionMark, sent)};
}

std::string PlayASound::encode() const {
    return buildMessage(kWord, {seat, sound}, Trailing::Yes);
}
std::optional<PlayASound> PlayASound::decode(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto s = r.number();
    const auto name = r.text();
    if (!s || !name)
        return std::nullopt;
    return PlayASound{*s, std::string(*name)};
}

std::string KickHim::encode() const {
    return buildMessage(kWord, {sender, target}, Trailing::Yes);
}
std::optional<KickHim> KickHim::decode(std::string_view payload) {
    const auto v = numbers<2>(payload);
    if (!v)
        return std::nullopt;
    return KickHim{(*v)[0], (*v)[1]};
}

std::string JustWatch::encode() const {
    return buildMessage(kWord, {seat, watch ? "1" : "2"});
}
std::optional<JustWatch> JustWatch::decode(std::string_view payload) {
    FieldReader r(payload);
    const auto s = r.number();
    if (!s || (r.rest() != "1" && r.rest() != "2"))
        return std::nullopt;
    return JustWatch{*s, r.rest() == "1"};
}

std::string StartGameRequest::encode() const {
    return buildMessage(kWord, {starter, amount, distance, bit(bot3), bit(bot4)}, Trailing::Yes);
}
StartGameRequest StartGameRequest::decode(std::string_view payload) {
    FieldReader r(payload);
    auto next = [&r] { return std::string(r.text().value_or(std::string_view{})); };
    StartGameRequest m;
    m.starter = next();
    m.amount = next();
    m.distance = next();
    m.bot3 = next() != "0";
    m.bot4 = next() != "0";
    return m;
}

std::string Discard::encode() const {
    return buildMessage(kWord, {seat, slot}, Trailing::Yes);
}
std::optional<Discard> Discard::decode(std::string_view payload) {
    const auto v = numbers<2>(payload);
    if (!v)
        return std::nullopt;
    return Discard{(*v)[0], (*v)[1]};
}

std::string GoMiles::encode() const {
    return buildMessage(kWord, {seat, slot}, Trailing::Yes);
}
std::optional<GoMiles> GoMiles::decode(std::string_view payload) {
    const auto v = numbers<2>(payload);
    if (!v)
        return std::nullopt;
    return GoMiles{(*v)[0], (*v)[1]};
}

std::string PlaceGo::encode() const {
    return buildMessage(kWord, {seat, slot, target}, Trailing::Yes);
}
std::optional<PlaceGo> PlaceGo::decode(std::string_view payload) {
    const auto v = numbers<3>(payload);
    if (!v)
        return std::nullopt;
    return PlaceGo{(*v)[0], (*v)[1], (*v)[2]};
}

std::string PlaceSpeed::encode() const {
    return buildMessage(kWord, {seat, slot, target}, Trailing::Yes);
}
std::optional<PlaceSpeed> PlaceSpeed::decode(std::string_view payload) {
    const auto v = numbers<3>(payload);
    if (!v)
        return std::nullopt;
    return PlaceSpeed{(*v)[0], (*v)[1], (*v)[2]};
}

std::string Reclaim::encode() const {
    return buildMessage(kWord, {entry, seat, key});
}
std::optional<Reclaim> Reclaim::decode(std::string_view payload) {
    FieldReader r(payload);
    const auto v = numbers<2>(r);
    if (!v || r.atEnd())
        return std::nullopt;
    return Reclaim{(*v)[0], (*v)[1], std::string(r.rest())};
}

// ---------------------------------------------------------------- host to clients

std::string SendLoginInfo::encode() const {
    return buildMessage(kWord, {seat});
}
std::optional<SendLoginInfo> SendLoginInfo::decode(std::string_view payload) {
    const auto v = numbers<1>(payload, LastField::MayEnd);
    if (!v)
        return std::nullopt;
    return SendLoginInfo{(*v)[0]};
}

std::string Full::encode() const {
    return buildMessage(kWord, {}, Trailing::Yes);
}
std::optional<Full> Full::decode(std::string_view) {
    return Full{};
}

std::string NewPlayerInfo::encode() const {
    return buildMessage(kWord, {seat, name});
}
std::optional<NewPlayerInfo> NewPlayerInfo::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f)
        return std::nullopt;
    return NewPlayerInfo{f->first, f->second};
}

std::string ExistingPlayers::encode() const {
    return buildMessage(kWord, {seat, name});
}
std::optional<ExistingPlayers> ExistingPlayers::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f)
        return std::nullopt;
    return ExistingPlayers{f->first, f->second};
}

std::string PlayerDisconnected::encode() const {
    return buildMessage(kWord, {seat, name});
}
std::optional<PlayerDisconnected> PlayerDisconnected::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f)
        return std::nullopt;
    return PlayerDisconnected{f->first, f->second};
}

std::string HaveWrongVersion::encode() const {
    return buildMessage(kWord, {name});
}
std::optional<HaveWrongVersion> HaveWrongVersion::decode(std::string_view payload) {
    return HaveWrongVersion{std::string(payload)};
}

std::string WrongVersion::encode() const {
    return buildMessage(kWord, {}, Trailing::Yes);
}
std::optional<WrongVersion> WrongVersion::decode(std::string_view) {
    return WrongVersion{};
}

std::string NewStats::encode() const {
    std::vector<Field> f;
    f.reserve(6 + seats.size() * 11);
    for (int v : {seat, turn, bit(waiting), amount, taken, distance})
        f.emplace_back(v);
    for (const SeatStats& s : seats) {
        for (int v : {s.seat, s.total, bit(s.active), bit(s.undocked), bit(s.teleported),
                      s.distance, s.hazard})
            f.emplace_back(v);
        for (bool p : s.protections)
            f.emplace_back(bit(p));
    }
    return buildMessage(kWord, f);
}
std::optional<NewStats> NewStats::decode(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto head = numbers<3>(r);
    const auto amount = r.integer();
    const auto taken = r.number();
    const auto distance = r.integer();
    if (!head || !amount || !taken || !distance)
        return std::nullopt;
    NewStats m;
    m.seat = (*head)[0];
    m.turn = (*head)[1];
    m.waiting = (*head)[2] != 0;
    m.amount = *amount;
    m.taken = *taken;
    m.distance = *distance;
    while (!r.atEnd() && m.seats.size() < 4) {
        SeatStats s;
        const auto a = numbers<2>(r);
        const auto active = flag(r);
        const auto undocked = flag(r);
        const auto teleported = flag(r);
        const auto b = numbers<2>(r);
        if (!a || !active || !undocked || !teleported || !b)
            return std::nullopt;
        for (bool& p : s.protections) {
            const auto held = flag(r);
            if (!held)
                return std::nullopt;
            p = *held;
        }
        s.seat = (*a)[0];
        s.total = (*a)[1];
        s.active = *active;
        s.undocked = *undocked;
        s.teleported = *teleported;
        s.distance = (*b)[0];
        s.hazard = (*b)[1];
        m.seats.push_back(s);
    }
    if (!r.atEnd())
        return std::nullopt;
    return m;
}

std::string MyCards::encode() const {
    std::vector<Field> f;
    f.reserve(1 + cards.size() * 2);
    f.emplace_back(seat);
    for (const auto& [slot, card] : cards) {
        f.emplace_back(slot);
        f.emplace_back(card);
    }
    return buildMessage(kWord, f);
}
std::optional<MyCards> MyCards::decode(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto s = r.number();
    if (!s)
        return std::nullopt;
    MyCards m{.seat = *s, .cards = {}};
    while (!r.atEnd()) {
        const auto pair = numbers<2>(r);
        if (!pair || m.cards.size() >= kMaxPairs)
            return std::nullopt;
        m.cards.emplace_back((*pair)[0], (*pair)[1]);
    }
    return m;
}

std::string JustWatching::encode() const {
    return buildMessage(kWord, {seat, watching ? "1" : "2"});
}
std::optional<JustWatching> JustWatching::decode(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto s = r.number();
    const auto f = r.text();
    if (!s || !f)
        return std::nullopt;
    return JustWatching{*s, *f == "1"};
}

std::string StartGameAnnounce::encode() const {
    return buildMessage(kWord, {starter, amount, distance, seat3 ? "t" : "f", seat4 ? "t" : "f"},
                        Trailing::Yes);
}
std::optional<StartGameAnnounce> StartGameAnnounce::decode(std::string_view payload) {
    const auto f = fromRight(payload, 4);
    if (!f)
        return std::nullopt;
    const auto amount = parseInteger((*f)[1]);
    const auto distance = parseInteger((*f)[2]);
    if (!amount || !distance)
        return std::nullopt;
    return StartGameAnnounce{std::string((*f)[0]), *amount, *distance, (*f)[3] != "f",
                             (*f)[4] != "f"};
}

std::string StartingRound::encode() const {
    return buildMessage(kWord, {}, Trailing::Yes);
}
std::optional<StartingRound> StartingRound::decode(std::string_view) {
    return StartingRound{};
}

std::string NextPlayer::encode() const {
    return buildMessage(kWord, {seat, slot, card, taken}, Trailing::Yes);
}
std::optional<NextPlayer> NextPlayer::decode(std::string_view payload) {
    const auto v = numbers<4>(payload);
    if (!v)
        return std::nullopt;
    return NextPlayer{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::string CannotMove::encode() const {
    return buildMessage(kWord, {seat}, Trailing::Yes);
}
std::optional<CannotMove> CannotMove::decode(std::string_view payload) {
    const auto v = numbers<1>(payload);
    if (!v)
        return std::nullopt;
    return CannotMove{(*v)[0]};
}

std::string HeDiscard::encode() const {
    return buildMessage(kWord, {seat, slot, card}, Trailing::Yes);
}
std::optional<HeDiscard> HeDiscard::decode(std::string_view payload) {
    const auto v = numbers<3>(payload);
    if (!v)
        return std::nullopt;
    return HeDiscard{(*v)[0], (*v)[1], (*v)[2]};
}

std::string Invalid::encode() const {
    return buildMessage(kWord, {seat, code}, Trailing::Yes);
}
std::optional<Invalid> Invalid::decode(std::string_view payload) {
    const auto v = numbers<2>(payload);
    if (!v)
        return std::nullopt;
    return Invalid{(*v)[0], (*v)[1]};
}

std::string Traveling::encode() const {
    return buildMessage(kWord, {seat, distance, card, slot, added}, Trailing::Yes);
}
std::optional<Traveling> Traveling::decode(std::string_view payload) {
    const auto v = numbers<5>(payload);
    if (!v)
        return std::nullopt;
    return Traveling{(*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4]};
}

std::string PlacingGo::encode() const {
    return buildMessage(kWord, {seat, card, slot, target}, Trailing::Yes);
}
std::optional<PlacingGo> PlacingGo::decode(std::string_view payload) {
    const auto v = numbers<4>(payload);
    if (!v)
        return std::nullopt;
    return PlacingGo{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::string PlacingSpeed::encode() const {
    return buildMessage(kWord, {seat, card, slot, target}, Trailing::Yes);
}
std::optional<PlacingSpeed> PlacingSpeed::decode(std::string_view payload) {
    const auto v = numbers<4>(payload);
    if (!v)
        return std::nullopt;
    return PlacingSpeed{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::string PlaySafe::encode() const {
    return buildMessage(kWord, {seat, card, slot, effect}, Trailing::Yes);
}
std::optional<PlaySafe> PlaySafe::decode(std::string_view payload) {
    const auto v = numbers<4>(payload);
    if (!v)
        return std::nullopt;
    return PlaySafe{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::string PostScores::encode() const {
    std::vector<Field> f;
    f.reserve(1 + seats.size() * 8);
    f.emplace_back(finisher);
    for (const SeatScore& s : seats)
        for (int v : {s.seat, s.total, s.round, s.travel, s.trip, s.safe, s.protections, s.shutout})
            f.emplace_back(v);
    return buildMessage(kWord, f);
}
std::optional<PostScores> PostScores::decode(std::string_view payload) {
    FieldReader r(payload, LastField::MayEnd);
    const auto finisher = r.number();
    if (!finisher)
        return std::nullopt;
    PostScores m{.finisher = *finisher, .seats = {}};
    while (!r.atEnd()) {
        const auto v = numbers<8>(r);
        if (!v || m.seats.size() >= 4)
            return std::nullopt;
        m.seats.push_back(
            SeatScore{(*v)[0], (*v)[1], (*v)[2], (*v)[3], (*v)[4], (*v)[5], (*v)[6], (*v)[7]});
    }
    return m;
}

std::string Winner::encode() const {
    return buildMessage(kWord, {name, seat}, Trailing::Yes);
}
std::optional<Winner> Winner::decode(std::string_view payload) {
    const auto f = fromRight(payload, 1);
    if (!f)
        return std::nullopt;
    const auto s = parseNumber((*f)[1]);
    if (!s)
        return std::nullopt;
    return Winner{std::string((*f)[0]), *s};
}

std::string SeatKey::encode() const {
    return buildMessage(kWord, {seat, key});
}
std::optional<SeatKey> SeatKey::decode(std::string_view payload) {
    const auto f = numberAndRest(payload);
    if (!f || f->second.empty())
        return std::nullopt;
    return SeatKey{f->first, f->second};
}

std::string ReclaimRefused::encode() const {
    return buildMessage(kWord, {entry}, Trailing::Yes);
}
std::optional<ReclaimRefused> ReclaimRefused::decode(std::string_view payload) {
    const auto v = numbers<1>(payload);
    if (!v)
        return std::nullopt;
    return ReclaimRefused{(*v)[0]};
}

std::string HostClosing::encode() const {
    return buildMessage(kWord, {}, Trailing::Yes);
}
std::optional<HostClosing> HostClosing::decode(std::string_view) {
    return HostClosing{};
}

std::string Removed::encode() const {
    return buildMessage(kWord, {seat}, Trailing::Yes);
}
std::optional<Removed> Removed::decode(std::string_view payload) {
    const auto v = numbers<1>(payload);
    if (!v)
        return std::nullopt;
    return Removed{(*v)[0]};
}

std::string HostRights::encode() const {
    return buildMessage(kWord, {seat}, Trailing::Yes);
}
std::optional<HostRights> HostRights::decode(std::string_view payload) {
    const auto v = numbers<1>(payload);
    if (!v)
        return std::nullopt;
    return HostRights{(*v)[0]};
}

std::string ShipCards::encode() const {
    std::vector<Field> f;
    f.reserve(1 + ships.size() * 8);
    f.emplace_back(discard);
    for (const ShipShow& s : ships) {
        for (int v : {s.seat, s.speed, s.go, s.miles})
            f.emplace_back(v);
        for (int v : s.shields)
            f.emplace_back(v);
    }
    return buildMessage(kWord, f, Trailing::Yes);
}
std::optional<ShipCards> ShipCards::decode(std::string_view payload) {
    FieldReader r(payload);
    const auto discard = r.number();
    if (!discard)
        return std::nullopt;
    ShipCards m{.discard = *discard, .ships = {}};
    while (!r.atEnd()) {
        const auto v = numbers<8>(r);
        if (!v || m.ships.size() >= 4)
            return std::nullopt;
        m.ships.push_back(
            ShipShow{(*v)[0], (*v)[1], (*v)[2], (*v)[3], {(*v)[4], (*v)[5], (*v)[6], (*v)[7]}});
    }
    return m;
}

} // namespace dw::msg
