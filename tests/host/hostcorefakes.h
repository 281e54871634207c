// The host core on a fake transport that records what it is asked to do:
// the fixtures the host-core tests share.
#pragma once

#include "host/hostcore.h"
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dw::hostcoretest {

const std::string T(1, kTerminator);

// A message as the fake transport records it: without its terminator.
template <class M> std::string text(const M& m) {
    std::string s = m.encode();
    s.pop_back();
    return s;
}

// Records everything the host core asks of the outside world.
struct FakeTransport : HostTransport {
    std::map<int, std::vector<std::string>> sent; // entry -> messages (terminator removed)
    std::vector<int> closed;
    std::vector<std::string> diagnostics;
    int waiting = 0;
    std::map<int, std::size_t> lagging; // entry -> unsent bytes reported
    // Entries whose peer reads nothing: every byte sent stays unsent.
    std::map<int, bool> stalled;
    std::vector<std::string> events;
    std::int64_t now = 1'000'000; // the clock, in milliseconds
    // Seat keys are kept apart from the other messages: entry -> keys sent.
    std::map<int, std::vector<msg::SeatKey>> keys;
    std::vector<std::pair<int, int>> moves; // (from, to)
    // Per entry, how many messages it had been sent when it was closed.
    std::map<int, std::size_t> sentAtClose;

    void send(int entry, const std::string& bytes) override {
        if (stalled[entry])
            lagging[entry] += bytes.size();
        std::deque<std::string> out;
        Framer f;
        f.feed(bytes, out);
        for (auto& m : out) {
            if (const auto key = msg::decodeMessage<msg::SeatKey>(m))
                keys[entry].push_back(*key);
            else
                sent[entry].push_back(m);
        }
    }
    void close(int entry) override {
        closed.push_back(entry);
        // The next connection in this entry is another peer.
        if (stalled[entry]) {
            stalled[entry] = false;
            lagging[entry] = 0;
        }
        sentAtClose[entry] = sent[entry].size();
    }
    void moved(int from, int to) override { moves.emplace_back(from, to); }
    void startTimer(EngineTimer, int) override {}
    void stopTimer(EngineTimer) override {}
    void diagnostic(const std::string& text) override { diagnostics.push_back(text); }
    void event(const std::string& text) override { events.push_back(text); }
    std::int64_t nowMs() override { return now; }
    int botSpeedMs() override { return 750; }
    void messagesWaiting() override { ++waiting; }
    std::size_t unsent(int entry) override { return lagging[entry]; }

    std::vector<std::string> take(int entry) {
        auto v = std::move(sent[entry]);
        sent[entry].clear();
        return v;
    }
};

// Plays the engine's timers as the event loop would until the game ends.
struct TimedTransport : FakeTransport {
    bool pauseTimer = false;
    bool computer = false;
    void startTimer(EngineTimer timer, int) override {
        (timer == EngineTimer::Pause ? pauseTimer : computer) = true;
    }
    void stopTimer(EngineTimer timer) override {
        (timer == EngineTimer::Pause ? pauseTimer : computer) = false;
    }
};

// A host core on a fake transport, with the steps every test takes.
template <class Transport, std::uint32_t Seed> struct HostOn : ::testing::Test {
    Transport t;
    HostCore core{t, Seed};

    void deliver(int entry, const std::string& bytes) {
        core.received(entry, bytes);
        while (core.dispatchOne()) {
        }
    }
    void login(int entry, const std::string& name, const std::string& version = "1.0.1") {
        deliver(entry, (msg::LoginInfo{entry, version, name}.encode()));
    }
    int join(const std::string& name) {
        const int e = core.accept();
        login(e, name);
        return e;
    }
    void clearAll() {
        for (auto& [e, v] : t.sent)
            v.clear();
    }
};

using Host = HostOn<FakeTransport, 12345>;

} // namespace dw::hostcoretest
