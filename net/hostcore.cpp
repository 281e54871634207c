#include "net/hostcore.h"

namespace dw {

namespace {

constexpr std::string_view kLogininfo = "CMD_logininfo";
constexpr std::string_view kKickhim = "CMD_kickhim";
constexpr std::string_view kChat = "CMD_chat";
constexpr std::string_view kAction = "CMD_action";
constexpr std::string_view kPlayasound = "CMD_playasound";
constexpr std::string_view kStartgame = "CMD_startgame";
constexpr std::string_view kJustwatch = "CMD_justwatch";
constexpr std::string_view kDiscard = "CMD_discard";
constexpr std::string_view kGomiles = "CMD_gomiles";
constexpr std::string_view kPlacego = "CMD_placego";
constexpr std::string_view kPlacespeed = "CMD_placespeed";

// The seat a message speaks for: its first field.
std::optional<int> senderSeat(std::string_view payload) {
    return FieldReader(payload).number();
}

} // namespace

HostCore::HostCore(HostTransport& transport, std::uint32_t seed)
    : transport_(transport), engine_(*this, seed) {}

bool HostCore::live(int entry) const {
    return entry >= 1 && entry <= engine_.numentries && engine_.players[entry].connected;
}

int HostCore::freeEntry() const {
    for (int i = 1; i <= engine_.numentries; ++i)
        if (!engine_.players[i].connected)
            return i;
    return engine_.numentries >= kMaxEntries ? kFullEntry : engine_.numentries + 1;
}

void HostCore::accepted(int entry) {
    if (entry == kFullEntry) {
        transport_.send(kFullEntry, buildMessage("CMD_full", {}, Trailing::Yes));
        transport_.close(kFullEntry);
        transport_.event("connection refused: the game is full");
        return;
    }
    if (entry < 1 || entry > kMaxEntries)
        return;
    if (entry > engine_.numentries)
        engine_.numentries = entry;
    tplayer& p = engine_.players[entry];
    p.connected = true;
    p.name.clear();
    framers_[entry] = Framer{};
    clearQueue(entry);
    transport_.event("connection accepted into seat " + std::to_string(entry));
    transport_.send(entry, buildMessage("CMD_sendlogininfo", {entry}));
}

int HostCore::accept() {
    const int entry = freeEntry();
    accepted(entry);
    return entry;
}

void HostCore::received(int entry, std::string_view bytes) {
    if (!live(entry))
        return;
    framers_[entry].append(bytes);
    takeMessages(entry);
}

void HostCore::takeMessages(int entry, bool all) {
    std::deque<std::string>& queue = receivedlist_[entry];
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
    return live(entry) && receivedlist_[entry].size() < kQueueCap;
}

std::size_t HostCore::queued(int entry) const {
    return entry >= 0 && entry <= kFullEntry ? receivedlist_[entry].size() : 0;
}

void HostCore::clearQueue(int entry) {
    queuedTotal_ -= receivedlist_[entry].size();
    receivedlist_[entry].clear();
}

bool HostCore::dispatchOne() {
    if (queuedTotal_ == 0)
        return false;
    // The next connection in turn that has something waiting.
    for (int step = 0; step < kFullEntry; ++step) {
        const int entry = cursor_;
        cursor_ = cursor_ >= kFullEntry ? 1 : cursor_ + 1;
        if (!receivedlist_[entry].empty()) {
            dispatchFirst(entry);
            break;
        }
    }
    return queuedTotal_ > 0;
}

bool HostCore::dispatchFrom(int entry) {
    if (entry >= 1 && entry <= kFullEntry && !receivedlist_[entry].empty())
        dispatchFirst(entry);
    return queuedTotal_ > 0;
}

void HostCore::dispatchFirst(int entry) {
    std::deque<std::string>& queue = receivedlist_[entry];
    const std::string message = std::move(queue.front());
    queue.pop_front();
    --queuedTotal_;
    // Messages held back in the framer move up, still behind the rest.
    takeMessages(entry);
    // A closed connection's queue is emptied when it closes, so this is
    // only a guard.
    if (live(entry))
        dispatch(entry, message);
}

bool HostCore::dispatchTick() {
    // Messages that arrive during the tick wait for the next one, so one
    // tick's work stays bounded by the queue caps.
    for (std::size_t n = queuedTotal_; n > 0 && dispatchOne(); --n) {
    }
    return queuedTotal_ > 0;
}

void HostCore::dispatch(int entry, std::string_view message) {
    const Command cmd = splitCommand(message);
    if (cmd.word.empty())
        return;
    const std::string_view payload = cmd.payload;

    if (cmd.word == kLogininfo) {
        receivedlogininfo(entry, payload);
        return;
    }
    if (cmd.word == kStartgame) {
        // Only the host's own player starts games.
        if (entry == 1)
            engine_.startgame(payload);
        return;
    }
    if (cmd.word == kKickhim) {
        kickhim(entry, payload);
        return;
    }
    if (cmd.word == kJustwatch) {
        justwatch(entry, payload);
        return;
    }

    // Every other command speaks for the seat in its first field, which
    // must be the seat of the connection it came on.
    if (senderSeat(payload) != entry)
        return;
    if (cmd.word == kChat || cmd.word == kAction || cmd.word == kPlayasound)
        relay(entry, cmd.word, payload);
    else if (cmd.word == kDiscard)
        engine_.discard(payload);
    else if (cmd.word == kGomiles)
        engine_.gomiles(payload);
    else if (cmd.word == kPlacego)
        engine_.placego(payload);
    else if (cmd.word == kPlacespeed)
        engine_.placespeed(payload);
}

void HostCore::receivedlogininfo(int entry, std::string_view payload) {
    FieldReader f(payload);
    const auto seat = f.number();
    const auto version = f.text();
    if (!seat || !version || *seat != entry)
        return;
    tplayer& p = engine_.players[entry];
    p.name = std::string(f.rest());
    p.connected = true;
    transport_.event("seat " + std::to_string(entry) + " logged in as " + p.name);

    sendAll(buildMessage("CMD_newplayerinfo", {entry, p.name}));
    for (int j = 1; j <= engine_.numentries; ++j)
        if (j != entry && engine_.players[j].connected)
            transport_.send(entry,
                            buildMessage("CMD_existingplayers", {j, engine_.players[j].name}));

    if (*version != kVersion) {
        if (live(1))
            transport_.send(1, buildMessage("CMD_havewrongversion", {p.name}));
        transport_.send(entry, buildMessage("CMD_wrongversion", {}, Trailing::Yes));
    }

    if (engine_.gameinprogress) {
        transport_.send(entry, engine_.newstatsMessage(entry));
        if (entry <= engine_.maxseats && p.active)
            transport_.send(entry, engine_.handMessage(entry, 7));
    }
}

void HostCore::kickhim(int entry, std::string_view payload) {
    FieldReader f(payload);
    const auto sender = f.number();
    const auto target = f.number(1, kMaxEntries);
    if (entry != 1 || sender != 1 || !target)
        return;
    disconnectsock(*target);
}

void HostCore::relay(int entry, std::string_view word, std::string_view payload) {
    FieldReader f(payload);
    f.text(); // the sender's seat, already checked
    const std::string& name = engine_.players[entry].name;
    const std::string_view rest = f.rest();
    std::string message;
    if (word == kChat)
        message = buildMessage(word, {entry, name + " chats: " + std::string(rest)});
    else if (word == kAction)
        message = buildMessage(word, {entry, name + " " + std::string(rest)});
    else
        message = buildMessage(word, {entry, rest});
    // A peer that does not read its chat does not make the host hoard it.
    for (int j = 1; j <= engine_.numentries; ++j)
        if (engine_.players[j].connected && transport_.unsent(j) <= kMaxUnsentForRelay)
            transport_.send(j, message);
}

void HostCore::justwatch(int entry, std::string_view payload) {
    FieldReader f(payload);
    const auto seat = f.number(1, engine_.maxseats);
    if (!seat)
        return;
    const std::string_view flag = f.rest();
    // A player switches its own seat; the host's own player may switch any.
    if (*seat != entry && entry != 1)
        return;
    tplayer& p = engine_.players[*seat];
    if (flag == "2") {
        p.justwatching = false;
        sendAll(buildMessage("CMD_justwatching", {*seat, "2"}));
    } else if (flag == "1" && engine_.gameinprogress) {
        p.justwatching = true;
        sendAll(buildMessage("CMD_justwatching", {*seat, "1"}));
        if (*seat == engine_.currentplayer)
            engine_.startComputerTakeover();
    }
}

void HostCore::disconnectsock(int entry) {
    if (!live(entry))
        return;
    transport_.close(entry);
    connectionClosed(entry);
}

void HostCore::connectionClosed(int entry) {
    if (entry < 1 || entry > kMaxEntries)
        return;
    tplayer& p = engine_.players[entry];
    if (p.connected)
        handleRemaining(entry);
    if (p.connected) {
        sendOthers(entry, buildMessage("CMD_playerdisconnected", {entry, p.name}));
        transport_.event("seat " + std::to_string(entry) + " left" +
                         (p.name.empty() ? std::string() : " (" + p.name + ")"));
    }
    p.connected = false;
    p.name.clear();
    p.justwatching = false;
    framers_[entry] = Framer{};
    clearQueue(entry);
    if (engine_.gameinprogress && entry == engine_.currentplayer && (entry != 1 || headless_))
        engine_.startComputerTakeover();
}

void HostCore::handleRemaining(int entry) {
    // What the connection sent before it closed still counts, a play sent
    // just before leaving included: everything it holds, in order. A handler
    // that closes this connection itself ends the loop.
    takeMessages(entry, true);
    while (live(entry) && !receivedlist_[entry].empty())
        dispatchFirst(entry);
}

void HostCore::sendOthers(int except, const std::string& message) {
    for (int j = 1; j <= engine_.numentries; ++j)
        if (j != except && engine_.players[j].connected)
            transport_.send(j, message);
}

void HostCore::sendTo(int entry, const std::string& message) {
    if (live(entry))
        transport_.send(entry, message);
}

void HostCore::sendAll(const std::string& message) {
    sendOthers(0, message);
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
