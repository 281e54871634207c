// The host's dispatch of arbitrary messages from several connections while a
// game runs, with the engine's timers on a virtual clock.
//
// The input is a script of operations: connect, close, raw bytes, a built
// message from the commands clients send (with fields from the input),
// dispatch ticks, clock advances, and peers that stop or start reading what
// they are sent. After each step the harness checks that the host stays
// sane: the player table in range, queues within their caps, every message
// sent whole and only to live connections, and no connection holding more
// unsent bytes than the host's cap.
#include "host/hostcore.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

// The input, read a byte or a span at a time; zeros once it runs out.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string_view bytes(std::size_t n) {
        n = std::min(n, size_ - pos_);
        const std::string_view s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

struct Transport : dw::HostTransport {
    dw::HostCore* core = nullptr;
    std::array<bool, dw::HostCore::kFullEntry + 1> open{};
    // Bytes sent to each connection that its peer has not read; a peer that
    // reads takes everything at once.
    std::array<std::size_t, dw::HostCore::kFullEntry + 1> lag{};
    std::array<bool, dw::HostCore::kFullEntry + 1> reading{};
    std::uint64_t sentBytes = 0;

    struct Timer {
        bool armed = false;
        int interval = 0;
        std::int64_t due = 0;
    };
    std::array<Timer, 2> timers{};
    std::int64_t now = 0;

    void send(int entry, const std::string& bytes) override {
        check(entry >= 1 && entry <= dw::HostCore::kFullEntry);
        check(open[static_cast<std::size_t>(entry)]);
        // One whole message: a word, and exactly one terminator at the end.
        check(bytes.size() >= 2 && bytes.rfind("CMD_", 0) == 0);
        check(bytes.find(dw::kTerminator) == bytes.size() - 1);
        sentBytes += bytes.size();
        if (!reading[static_cast<std::size_t>(entry)])
            lag[static_cast<std::size_t>(entry)] += bytes.size();
    }
    void close(int entry) override {
        check(entry >= 1 && entry <= dw::HostCore::kFullEntry);
        open[static_cast<std::size_t>(entry)] = false;
    }
    std::int64_t nowMs() override { return now; }
    void startTimer(dw::EngineTimer t, int intervalMs) override {
        check(intervalMs > 0);
        Timer& tm = timers[t == dw::EngineTimer::Pause ? 0 : 1];
        tm = {true, intervalMs, now + intervalMs};
    }
    void stopTimer(dw::EngineTimer t) override {
        timers[t == dw::EngineTimer::Pause ? 0 : 1].armed = false;
    }
    void diagnostic(const std::string&) override {}
    void event(const std::string&) override {}
    int botSpeedMs() override { return 250; }
    void messagesWaiting() override {}
    std::size_t unsent(int entry) override { return lag[static_cast<std::size_t>(entry)]; }
    void moved(int from, int to) override {
        check(from >= 1 && from <= dw::HostCore::kMaxConnections);
        check(to >= 1 && to <= dw::HostCore::kMaxConnections &&
              !open[static_cast<std::size_t>(to)]);
        check(open[static_cast<std::size_t>(from)]);
        open[static_cast<std::size_t>(from)] = false;
        open[static_cast<std::size_t>(to)] = true;
        lag[static_cast<std::size_t>(to)] = lag[static_cast<std::size_t>(from)];
        reading[static_cast<std::size_t>(to)] = reading[static_cast<std::size_t>(from)];
        lag[static_cast<std::size_t>(from)] = 0;
    }
    // Every seat key is all zeros, so that inputs can take seats back.
    bool randomBytes(unsigned char* out, std::size_t n) override {
        std::fill(out, out + n, 0);
        return true;
    }

    // Fires the timers due within `ms`, in time order, at most `limit` times.
    void advance(std::int64_t ms, int limit) {
        const std::int64_t until = now + ms;
        for (int fired = 0; fired < limit; ++fired) {
            Timer* next = nullptr;
            for (Timer& tm : timers)
                if (tm.armed && tm.due <= until && (!next || tm.due < next->due))
                    next = &tm;
            if (!next)
                break;
            now = next->due;
            next->due += next->interval;
            if (next == &timers[0])
                core->pauseTick();
            else
                core->computerTick();
        }
        now = std::max(now, until);
        core->tick();
    }
};

constexpr std::array<std::string_view, 13> kWords{
    "CMD_logininfo",  "CMD_kickhim",    "CMD_chat",    "CMD_action",  "CMD_playasound",
    "CMD_startgame",  "CMD_justwatch",  "CMD_discard", "CMD_gomiles", "CMD_placego",
    "CMD_placespeed", "CMD_nosuchword", "CMD_reclaim",
};

std::string message(Script& s, int entry) {
    const std::uint8_t w = s.byte();
    std::string m(kWords[w % kWords.size()]);
    const int fields = s.byte() % 6;
    for (int i = 0; i < fields; ++i) {
        m += '+';
        const std::uint8_t kind = s.byte();
        if (kind < 128)
            m += std::to_string(kind % 12); // a seat, slot or flag
        else if (kind < 160)
            m += std::to_string(entry);
        else if (kind < 168)
            m += std::string(2 * dw::HostCore::kKeyBytes, '0'); // a seat key
        else
            m += s.bytes(kind % 8);
    }
    if (s.byte() & 1)
        m += '+';
    m += dw::kTerminator;
    return m;
}

void checkTable(const dw::HostCore& core, const Transport& t) {
    const dw::Engine& e = core.engine();
    check(e.numEntries >= 0 && e.numEntries <= dw::HostCore::kMaxConnections);
    check(e.currentSeat >= 0 && e.currentSeat <= dw::kSeats);
    check(e.deckPos >= 0);
    for (int i = 1; i <= dw::kMaxEntries; ++i) {
        const dw::PlayerEntry& p = e.players[static_cast<std::size_t>(i)];
        // A closed connection keeps its seat only while messages it sent
        // before closing wait to be handled.
        if (p.connected)
            check(i <= e.numEntries && (t.open[static_cast<std::size_t>(i)] || core.queued(i) > 0));
        else
            check(p.name.empty());
        for (int slot = 1; slot <= dw::kSlots; ++slot) {
            const int card = p.cards[static_cast<std::size_t>(slot)];
            check(card >= 0 && card <= 19);
        }
        check(p.ship.hazard == 0 || p.ship.hazard == 8 || p.ship.hazard == 12 ||
              p.ship.hazard == 14);
    }
    for (int card : e.deck)
        check(card >= 0 && card <= 19);
    // Queues stay within their cap; what does not fit waits in the framer.
    // No peer, reading or not, makes the host hold more for it than the cap.
    for (int i = 0; i <= dw::HostCore::kFullEntry; ++i) {
        check(core.queued(i) <= dw::HostCore::kQueueCap);
        check(t.lag[static_cast<std::size_t>(i)] <= dw::HostCore::kMaxUnsent);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script s(data, size);
    Transport t;
    dw::HostCore core(t, 1234);
    t.core = &core;

    auto connect = [&] {
        const int e = core.freeEntry();
        t.open[static_cast<std::size_t>(e)] = true;
        t.lag[static_cast<std::size_t>(e)] = 0;
        t.reading[static_cast<std::size_t>(e)] = true;
        core.accepted(e);
        return e;
    };
    // The host's own player is in and a two-seat game runs to a low total.
    connect();
    core.received(1, dw::buildMessage("CMD_logininfo", {1, "1.0.1", "Host"}));
    core.received(1,
                  dw::buildMessage("CMD_startgame", {"Host", 1000, 50, 0, 0}, dw::Trailing::Yes));
    core.dispatchTick();

    for (int steps = 0; !s.done() && steps < 2000; ++steps) {
        const std::uint8_t op = s.byte();
        const int entry = 1 + s.byte() % dw::HostCore::kMaxConnections;
        switch (op % 8) {
        case 0:
            connect();
            break;
        case 1:
            if (t.open[static_cast<std::size_t>(entry)]) {
                t.open[static_cast<std::size_t>(entry)] = false;
                core.connectionClosed(entry);
            }
            break;
        case 2: {
            // Raw bytes, as a socket would hand them over while the
            // connection's queue has room.
            const std::string_view raw = s.bytes(s.byte() * 4u);
            if (core.wantsInput(entry))
                core.received(entry, raw);
            break;
        }
        case 3:
        case 4: {
            std::string batch;
            const int n = 1 + s.byte() % 16;
            for (int i = 0; i < n; ++i)
                batch += message(s, entry);
            if (core.wantsInput(entry))
                core.received(entry, batch);
            break;
        }
        case 5:
            core.dispatchTick();
            break;
        case 6:
            t.advance(s.byte() * 20, 200);
            break;
        case 7: {
            // The peer stops reading, or reads everything it was sent.
            const std::uint8_t how = s.byte();
            const auto i = static_cast<std::size_t>(entry);
            t.reading[i] = (how & 1) != 0;
            if (t.reading[i])
                t.lag[i] = 0;
            else if (how & 2)
                t.lag[i] = dw::HostCore::kMaxUnsent - (how >> 2) * 64u;
            break;
        }
        }
        checkTable(core, t);
    }
    // Whatever happened, the queues drain and the game goes on.
    while (core.dispatchTick()) {
    }
    check(!core.hasQueued());
    t.advance(60000, 20000);
    checkTable(core, t);
    return 0;
}
