#include "host/hostcore.h"

#include "protocol/messages.h"
#include "text/plaintext.h"
#include "text/windows1252.h"

#include <array>
#include <cerrno>
#include <sys/random.h>

namespace dw {

bool HostTransport::randomBytes(unsigned char* out, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::getrandom(out, n, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        out += got;
        n -= std::size_t(got);
    }
    return true;
}

namespace {

// Compares without stopping at the first difference, so that the time taken
// tells nothing about how much of a guessed key was right.
bool sameKey(const std::string& a, const std::string& b) {
    if (a.empty() || a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

HostCore::HostCore(HostTransport& transport, std::uint32_t seed)
    : transport_(transport), engine_(*this, *this, seed) {}

bool HostCore::linked(int entry) const {
    return entry >= 1 && entry <= engine_.numEntries && linked_[entry];
}

bool HostCore::loggedIn(int entry) const {
    return linked(entry) && loggedIn_[entry];
}

bool HostCore::holding(int entry) const {
    return entry >= 1 && entry <= engine_.maxSeats && !keys_[entry].empty() &&
           heldUntil_[entry] > transport_.nowMs();
}

int HostCore::heldSeats() const {
    int n = 0;
    for (int seat = 1; seat <= engine_.maxSeats; ++seat)
        n += holding(seat) && !linked(seat);
    return n;
}

std::string HostCore::logName(const std::string& name) {
    return logText(fromWindows1252(name));
}

int HostCore::freeEntry() const {
    // The lowest free entry that is not kept for a dropped player, else a
    // new one. Only when neither is left does a newcomer wait in a kept
    // seat: there it may take back its own seat (or another with its key),
    // but not log in.
    int kept = 0;
    for (int i = 1; i <= engine_.numEntries; ++i) {
        if (linked_[i])
            continue;
        if (!holding(i))
            return i;
        if (kept == 0)
            kept = i;
    }
    if (engine_.numEntries < kMaxConnections)
        return engine_.numEntries + 1;
    return kept != 0 ? kept : kFullEntry;
}

void HostCore::accepted(int entry) {
    if (entry == kFullEntry) {
        ++counters_.connectionsFull;
        transport_.send(kFullEntry, msg::Full{}.encode());
        transport_.close(kFullEntry);
        transport_.event("connection refused: the game is full");
        return;
    }
    if (entry < 1 || entry > kMaxConnections)
        return;
    if (entry > engine_.numEntries)
        engine_.numEntries = entry;
    ++counters_.connections;
    PlayerEntry& p = engine_.players[entry];
    // The seat is a human's for the game only once it logs in: until then
    // its computer pilot plays on.
    p.connected = false;
    p.name.clear();
    linked_[entry] = true;
    loggedIn_[entry] = false;
    overfull_[entry] = false;
    refusalLogged_[entry] = false;
    deadline_[entry] = transport_.nowMs() + kLoginDeadlineMs;
    framers_[entry] = Framer{};
    clearQueue(entry);
    transport_.event("connection accepted into seat " + std::to_string(entry));
    transport_.send(entry, msg::SendLoginInfo{entry}.encode());
}

void HostCore::tick() {
    const std::int64_t now = transport_.nowMs();
    for (int e = 1; e <= kMaxConnections; ++e) {
        if (linked(e) && deadline_[e] != 0 && now >= deadline_[e]) {
            transport_.event("seat " + std::to_string(e) + ": no login within " +
                             std::to_string(kLoginDeadlineMs / 1000) + " s; closed");
            dropConnection(e);
        }
    }
    settle();
}

void HostCore::settle() {
    while (overfullAny_) {
        overfullAny_ = false;
        for (int e = 1; e <= kMaxConnections; ++e) {
            if (overfull_[e] && linked(e)) {
                transport_.event("seat " + std::to_string(e) + ": more than " +
                                 std::to_string(kMaxUnsent / 1024) +
                                 " KiB not taken by the peer; closed");
                dropConnection(e);
            }
        }
    }
}

void HostCore::pauseTick() {
    engine_.pauseTick();
    settle();
}

void HostCore::computerTick() {
    engine_.computerTick();
    settle();
}

int HostCore::accept() {
    const int entry = freeEntry();
    accepted(entry);
    return entry;
}

void HostCore::received(int entry, std::string_view bytes) {
    if (!linked(entry))
        return;
    counters_.bytesIn += bytes.size();
    framers_[entry].append(bytes);
    takeMessages(entry);
}

void HostCore::takeMessages(int entry, bool all) {
    std::deque<std::string>& queue = received_[entry];
    const bool wasEmpty = queue.empty();
    int dropped = 0;
    std::string m;
    while ((all || queue.size() < kQueueCap) && framers_[entry].next(m, dropped)) {
        // Dispatch ignores a message without a word (such as the empty one
        // after a login); it takes no room.
        if (splitCommand(m).word.empty())
            continue;
        queue.push_back(std::move(m));
        ++queuedTotal_;
    }
    if (dropped > 0)
        transport_.event("seat " + std::to_string(entry) + ": dropped " + std::to_string(dropped) +
                         " message(s) longer than " + std::to_string(kMaxMessage) + " bytes");
    if (wasEmpty && !queue.empty())
        transport_.messagesWaiting();
}

bool HostCore::wantsInput(int entry) const {
    return linked(entry) && received_[entry].size() < kQueueCap;
}

std::size_t HostCore::queued(int entry) const {
    return entry >= 0 && entry <= kFullEntry ? received_[entry].size() : 0;
}

void HostCore::clearQueue(int entry) {
    queuedTotal_ -= received_[entry].size();
    received_[entry].clear();
}

bool HostCore::dispatchOne() {
    if (queuedTotal_ == 0)
        return false;
    // The next connection in turn that has something waiting.
    for (int step = 0; step < kFullEntry; ++step) {
        const int entry = cursor_;
        cursor_ = cursor_ >= kFullEntry ? 1 : cursor_ + 1;
        if (!received_[entry].empty()) {
            dispatchFirst(entry);
            break;
        }
    }
    settle();
    return queuedTotal_ > 0;
}

bool HostCore::dispatchFrom(int entry) {
    if (entry >= 1 && entry <= kFullEntry && !received_[entry].empty())
        dispatchFirst(entry);
    settle();
    return queuedTotal_ > 0;
}

void HostCore::dispatchFirst(int entry) {
    std::deque<std::string>& queue = received_[entry];
    const std::string message = std::move(queue.front());
    queue.pop_front();
    --queuedTotal_;
    // Messages held back in the framer move up, still behind the rest.
    takeMessages(entry);
    // A closed connection's queue is emptied when it closes, so this is
    // only a guard.
    if (linked(entry))
        dispatch(entry, message);
}

bool HostCore::dispatchTick() {
    // Messages that arrive during the tick wait for the next one, so one
    // tick's work stays bounded by the queue caps.
    for (std::size_t n = queuedTotal_; n > 0 && dispatchOne(); --n) {
    }
    return queuedTotal_ > 0;
}

// Decodes the payload as message M and hands it to the handler; a malformed
// message is dropped.
template <class M, void (HostCore::*Handle)(int, const M&)>
void HostCore::on(int entry, std::string_view payload) {
    if (const std::optional<M> m = M::decode(payload))
        (this->*Handle)(entry, *m);
}

void HostCore::dispatch(int entry, std::string_view message) {
    using Handler = void (HostCore::*)(int, std::string_view);
    struct Entry {
        std::string_view word;
        Handler handler;
    };
    static constexpr std::array<Entry, 12> table{{
        {msg::LoginInfo::kWord, &HostCore::on<msg::LoginInfo, &HostCore::acceptLogin>},
        {msg::StartGameRequest::kWord, &HostCore::on<msg::StartGameRequest, &HostCore::startGame>},
        {msg::KickHim::kWord, &HostCore::on<msg::KickHim, &HostCore::removePlayer>},
        {msg::JustWatch::kWord, &HostCore::on<msg::JustWatch, &HostCore::setWatching>},
        {msg::Chat::kWord, &HostCore::on<msg::Chat, &HostCore::chat>},
        {msg::Action::kWord, &HostCore::on<msg::Action, &HostCore::action>},
        {msg::PlayASound::kWord, &HostCore::on<msg::PlayASound, &HostCore::relaySound>},
        {msg::Discard::kWord, &HostCore::on<msg::Discard, &HostCore::discard>},
        {msg::GoMiles::kWord, &HostCore::on<msg::GoMiles, &HostCore::goMiles>},
        {msg::PlaceGo::kWord, &HostCore::on<msg::PlaceGo, &HostCore::placeGo>},
        {msg::PlaceSpeed::kWord, &HostCore::on<msg::PlaceSpeed, &HostCore::placeSpeed>},
        {msg::Reclaim::kWord, &HostCore::on<msg::Reclaim, &HostCore::reclaim>},
    }};
    const Command cmd = splitCommand(message);
    if (cmd.word.empty())
        return;
    for (const Entry& e : table) {
        if (e.word == cmd.word) {
            (this->*e.handler)(entry, cmd.payload);
            return;
        }
    }
}

void HostCore::acceptLogin(int entry, const msg::LoginInfo& login) {
    // A connection logs in once: a second login would announce it to
    // everybody again.
    if (login.seat != entry || loggedIn_[entry] || entry > kMaxConnections)
        return;
    if (holding(entry)) {
        // The seat is kept for the player who dropped from it; a newcomer
        // waited here only because no other entry was free.
        transport_.event("seat " + std::to_string(entry) +
                         " is kept for its player; the newcomer is told the game is full");
        transmit(entry, msg::Full{}.encode());
        dropConnection(entry);
        return;
    }
    PlayerEntry& p = engine_.players[entry];
    p.name = login.name.substr(0, kMaxNameBytes);
    p.connected = true;
    loggedIn_[entry] = true;
    deadline_[entry] = 0;
    heldUntil_[entry] = 0;
    ++counters_.logins;
    transport_.event("seat " + std::to_string(entry) + " logged in as " + logName(p.name));

    sendAll(msg::NewPlayerInfo{entry, p.name}.encode());
    for (int j = 1; j <= engine_.numEntries; ++j)
        if (j != entry && engine_.players[j].connected)
            transmit(entry, msg::ExistingPlayers{j, engine_.players[j].name}.encode());

    if (login.version != kVersion) {
        if (linked(1))
            transmit(1, msg::HaveWrongVersion{p.name}.encode());
        transmit(entry, msg::WrongVersion{}.encode());
    }

    if (engine_.gameInProgress) {
        transmit(entry, newstatsMessage(engine_, entry));
        if (entry <= engine_.maxSeats && p.active)
            transmit(entry, handMessage(engine_, entry, 7));
        // What the snapshot cannot tell: the piles as everybody sees them.
        transmit(entry, shipCardsMessage(engine_));
    }
    issueKey(entry);
    updateRights(entry);
    // A human who sits down at the seat whose play is due plays it: the
    // computer's play is called off and the turn is handed to the newcomer.
    if (!closed_[entry] && engine_.handTurnTo(entry))
        transport_.event("seat " + std::to_string(entry) + " takes its turn back");
}

void HostCore::issueKey(int entry) {
    std::array<unsigned char, kKeyBytes> bytes{};
    keys_[entry].clear();
    if (closed_[entry] || !transport_.randomBytes(bytes.data(), bytes.size()))
        return; // no key: this seat cannot be taken back
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key;
    key.reserve(2 * kKeyBytes);
    for (const unsigned char b : bytes) {
        key += kHex[b >> 4];
        key += kHex[b & 0x0f];
    }
    keys_[entry] = key;
    transmit(entry, msg::SeatKey{entry, key}.encode());
}

void HostCore::reclaim(int entry, const msg::Reclaim& request) {
    // Only a newcomer that has not logged in asks; a logged-in player keeps
    // its seat.
    if (entry < 1 || entry > kMaxConnections || loggedIn_[entry] || closed_[entry])
        return;
    const int seat = request.seat;
    const bool keyHolds = request.entry == entry && seat >= 1 && seat <= engine_.numEntries &&
                          seat <= kMaxConnections && sameKey(keys_[seat], request.key);
    // Only the seat's own player holds its key, so an old connection of the
    // seat that still looks live is dead: a link cut without a word, which
    // TCP may take many minutes to find out. Left alone it would keep the
    // seat from its player, and the game would wait for its plays. It leaves
    // now as if it had closed. A hosting window's own seat never changes hands.
    if (keyHolds && seat != entry && linked(seat) && (seat != 1 || headless_)) {
        transport_.event("seat " + std::to_string(seat) +
                         ": its player is back on a new connection; the old one is closed");
        dropConnection(seat);
    }
    const bool granted = keyHolds && (seat == entry || !linked(seat));
    if (!granted) {
        ++counters_.reclaimsRefused;
        // Counted every time, logged once per connection: guesses must not
        // fill the log.
        if (!refusalLogged_[entry]) {
            refusalLogged_[entry] = true;
            transport_.event("seat " + std::to_string(entry) + ": taking back seat " +
                             std::to_string(seat) +
                             " refused (further refusals on this connection are not logged)");
        }
        transmit(entry, msg::ReclaimRefused{entry}.encode());
        return;
    }
    // Taking a seat back counts as logging in for the deadline.
    deadline_[entry] = 0;
    heldUntil_[seat] = 0;
    if (seat != entry)
        moveConnection(entry, seat);
    ++counters_.reclaims;
    transport_.event("seat " + std::to_string(seat) + " taken back by its player" +
                     (seat != entry ? " (from seat " + std::to_string(entry) + ")" : ""));
    transmit(seat, msg::SendLoginInfo{seat}.encode());
}

void HostCore::moveConnection(int from, int to) {
    // The entry left behind never logged in: nobody was told of it.
    transport_.moved(from, to);
    framers_[to] = std::move(framers_[from]);
    framers_[from] = Framer{};
    queuedTotal_ -= received_[to].size();
    received_[to] = std::move(received_[from]);
    received_[from].clear();
    PlayerEntry& p = engine_.players[to];
    p.connected = false; // until its login
    p.name.clear();
    linked_[to] = true;
    loggedIn_[to] = false;
    overfull_[to] = overfull_[from];
    refusalLogged_[to] = refusalLogged_[from];
    deadline_[to] = deadline_[from];
    PlayerEntry& old = engine_.players[from];
    old.connected = false;
    old.name.clear();
    old.watching = false;
    linked_[from] = false;
    loggedIn_[from] = false;
    overfull_[from] = false;
    deadline_[from] = 0;
}

void HostCore::updateRights(int newcomer) {
    if (!headless_)
        return;
    // Only a seated player: a spectator, or a connection that has not
    // logged in, never holds them.
    int holder = 0;
    for (int j = 1; j <= engine_.numEntries && j <= engine_.maxSeats && holder == 0; ++j)
        if (linked(j) && loggedIn_[j] && !closed_[j])
            holder = j;
    if (holder != rights_) {
        rights_ = holder;
        transport_.event(holder == 0 ? std::string("nobody holds the host's rights")
                                     : "the host's rights pass to seat " + std::to_string(holder) +
                                           " (" + logName(engine_.players[holder].name) + ")");
        if (holder != 0)
            sendAll(msg::HostRights{holder}.encode());
    } else if (newcomer != 0 && holder != 0) {
        transmit(newcomer, msg::HostRights{holder}.encode());
    }
}

void HostCore::hostClosing() {
    for (int j = 1; j <= engine_.numEntries && j <= kMaxConnections; ++j)
        if (linked(j))
            transmit(j, msg::HostClosing{}.encode());
}

void HostCore::startGame(int entry, const msg::StartGameRequest& request) {
    // Only the holder of the host's rights starts games.
    if (entry == rightsHolder())
        engine_.startGame(gameStart(request));
}

void HostCore::removePlayer(int entry, const msg::KickHim& kick) {
    if (entry != rightsHolder() || kick.sender != entry || kick.target < 1 ||
        kick.target > kMaxConnections || !linked(kick.target))
        return;
    // Everybody hears that the player was removed (the others before its
    // departure, the player itself before its connection closes), and it
    // cannot take its seat back.
    sendOthers(kick.target, msg::Removed{kick.target}.encode());
    transmit(kick.target, msg::Removed{kick.target}.encode());
    keys_[kick.target].clear();
    dropConnection(kick.target);
}

// Chat, actions, sounds and plays speak for the seat in their first field,
// which must be the seat of the connection they came on.

void HostCore::chat(int entry, const msg::Chat& line) {
    if (line.seat == entry)
        relay(msg::relayedChat(entry, engine_.players[entry].name, line.line).encode());
}

void HostCore::action(int entry, const msg::Action& line) {
    if (line.seat == entry)
        relay(msg::relayedAction(entry, engine_.players[entry].name, line.line).encode());
}

void HostCore::relaySound(int entry, const msg::PlayASound& sound) {
    if (sound.seat == entry)
        relay(msg::PlayASound{entry, sound.sound}.encode());
}

void HostCore::discard(int entry, const msg::Discard& play) {
    if (play.seat == entry)
        engine_.playDiscard(play.seat, play.slot);
}

void HostCore::goMiles(int entry, const msg::GoMiles& play) {
    if (play.seat == entry)
        engine_.playMiles(play.seat, play.slot);
}

void HostCore::placeGo(int entry, const msg::PlaceGo& play) {
    if (play.seat == entry)
        engine_.playGo(play.seat, play.slot, play.target);
}

void HostCore::placeSpeed(int entry, const msg::PlaceSpeed& play) {
    if (play.seat == entry)
        engine_.playSpeed(play.seat, play.slot, play.target);
}

void HostCore::relay(const std::string& message) {
    ++counters_.relayed;
    // A peer that does not read its chat does not make the host hoard it.
    for (int j = 1; j <= engine_.numEntries; ++j)
        if (engine_.players[j].connected && linked(j) && transport_.unsent(j) <= kMaxUnsentForRelay)
            transmit(j, message);
}

void HostCore::setWatching(int entry, const msg::JustWatch& request) {
    const int seat = request.seat;
    if (seat < 1 || seat > engine_.maxSeats)
        return;
    // A player switches its own seat; the holder of the host's rights may
    // switch any.
    if (seat != entry && entry != rightsHolder())
        return;
    PlayerEntry& p = engine_.players[seat];
    if (!request.watch) {
        p.watching = false;
        sendAll(msg::JustWatching{seat, false}.encode());
    } else if (engine_.gameInProgress) {
        p.watching = true;
        sendAll(msg::JustWatching{seat, true}.encode());
        if (seat == engine_.currentSeat)
            engine_.startComputerTakeover();
    }
}

void HostCore::dropConnection(int entry) {
    if (!linked(entry))
        return;
    // The host's own player removes this one now: whatever it still had
    // waiting is not handled (and a connection that closed by itself needs
    // no closing).
    if (!closed_[entry]) {
        if (overfull_[entry])
            transport_.abort(entry);
        else
            transport_.close(entry);
    }
    framers_[entry] = Framer{};
    clearQueue(entry);
    departure(entry);
}

void HostCore::connectionClosed(int entry) {
    if (entry < 1 || entry > kMaxConnections)
        return;
    // What the connection sent before it closed still counts, a play sent
    // just before leaving included: everything it holds, in order, however
    // full its queue. A handler that removes this connection ends the loop.
    if (linked(entry)) {
        closed_[entry] = true;
        takeMessages(entry, true);
        while (linked(entry) && !received_[entry].empty())
            dispatchFirst(entry);
    }
    departure(entry);
    settle();
}

void HostCore::departure(int entry) {
    closed_[entry] = false;
    PlayerEntry& p = engine_.players[entry];
    const bool human = p.connected;
    if (linked(entry)) {
        if (human)
            sendOthers(entry, msg::PlayerDisconnected{entry, p.name}.encode());
        transport_.event("seat " + std::to_string(entry) + " left" +
                         (p.name.empty() ? std::string() : " (" + logName(p.name) + ")"));
    }
    // A player who drops with a valid key has the seat kept for a while.
    if (human && entry <= engine_.maxSeats && !keys_[entry].empty()) {
        heldUntil_[entry] = transport_.nowMs() + kHoldMs;
        transport_.event("seat " + std::to_string(entry) + " is kept for its player for " +
                         std::to_string(kHoldMs / 1000) + " s");
    }
    p.connected = false;
    p.name.clear();
    p.watching = false;
    linked_[entry] = false;
    loggedIn_[entry] = false;
    overfull_[entry] = false;
    deadline_[entry] = 0;
    framers_[entry] = Framer{};
    clearQueue(entry);
    updateRights();
    // A hosting window's own player never leaves its seat to the computer;
    // in a headless host seat 1 is a player like any other.
    if (human && engine_.gameInProgress && entry == engine_.currentSeat &&
        (entry != 1 || headless_))
        engine_.startComputerTakeover();
}

void HostCore::sendOthers(int except, const std::string& message) {
    for (int j = 1; j <= engine_.numEntries; ++j)
        if (j != except && engine_.players[j].connected)
            transmit(j, message);
}

void HostCore::transmit(int entry, const std::string& message) {
    // A connection that has closed hears nothing more, not even the answers
    // to the messages it sent before closing.
    if (closed_[entry] || overfull_[entry])
        return;
    // One that has not taken what it was sent gets nothing more: it is
    // closed as soon as the handler that sends is done.
    if (transport_.unsent(entry) + message.size() > kMaxUnsent) {
        overfull_[entry] = true;
        overfullAny_ = true;
        return;
    }
    transport_.send(entry, message);
}

void HostCore::sendTo(int entry, const std::string& message) {
    if (linked(entry) && engine_.players[entry].connected)
        transmit(entry, message);
}

void HostCore::sendAll(const std::string& message) {
    sendOthers(0, message);
}

void HostCore::gameStarted(const GameStarted& e) {
    ++counters_.gamesStarted;
    EngineWire::gameStarted(e);
}

void HostCore::roundStarted(const RoundStarted& e) {
    ++counters_.rounds;
    EngineWire::roundStarted(e);
}

void HostCore::playApplied(const PlayApplied& e) {
    ++counters_.plays;
    EngineWire::playApplied(e);
}

void HostCore::playRefused(const PlayRefused& e) {
    ++counters_.refusals;
    EngineWire::playRefused(e);
}

void HostCore::gameWon(const GameWon& e) {
    ++counters_.gamesFinished;
    EngineWire::gameWon(e);
}

void HostCore::startTimer(EngineTimer t, int intervalMs) {
    transport_.startTimer(t, intervalMs);
}

void HostCore::stopTimer(EngineTimer t) {
    transport_.stopTimer(t);
}

void HostCore::diagnostic(const std::string& text) {
    transport_.diagnostic(text);
}

int HostCore::botSpeedMs() {
    return transport_.botSpeedMs();
}

} // namespace dw
