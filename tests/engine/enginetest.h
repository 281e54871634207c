// A table for engine tests: an engine on a virtual clock, with helpers to
// put a round into a chosen state, and the messages each entry would get.
#pragma once

#include "engine/engine.h"
#include "engine/virtualclock.h"
#include "host/enginewire.h"
#include "protocol/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace dw::test {

inline std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

// The engine's timers on a virtual clock, and its events recorded as the
// messages the host would send to each connected entry 1..11 (index 0
// unused). Recording is on unless switched off.
class RecordingHost : public VirtualHost, public EngineWire {
public:
    void attach(Engine& engine) {
        VirtualHost::attach(engine);
        table_ = &engine;
    }
    void setRecording(bool on) { recording_ = on; }
    const std::vector<std::string>& messagesTo(int entry) const {
        static const std::vector<std::string> none;
        return entry >= 1 && entry <= kMaxEntries ? messages_[ix(entry)] : none;
    }
    void clearMessages() {
        for (auto& m : messages_)
            m.clear();
    }

private:
    bool connected(int entry) const {
        return table_ != nullptr && entry >= 1 &&
               entry <= std::min(table_->numEntries, kMaxEntries) &&
               table_->players[ix(entry)].connected;
    }
    void sendTo(int entry, const std::string& message) override {
        if (recording_ && connected(entry))
            messages_[ix(entry)].push_back(message);
    }
    void sendAll(const std::string& message) override {
        for (int entry = 1; entry <= kMaxEntries; ++entry)
            sendTo(entry, message);
    }

    const Engine* table_ = nullptr;
    bool recording_ = true;
    std::array<std::vector<std::string>, kMaxEntries + 1> messages_{};
};

struct Table {
    RecordingHost host;
    Engine engine{host, host, 12345};

    Table() { host.attach(engine); }

    PlayerEntry& seat(int s) { return engine.players[ix(s)]; }

    // Starts a game (seats 3 and 4 as asked) and then makes `current` the
    // seat whose play the engine waits for, with every hand emptied.
    void startAt(int current, bool seat3 = true, bool seat4 = true, int amount = 5000,
                 int distance = 70) {
        engine.startGame({"Host", amount, distance, seat3, seat4});
        ASSERT_TRUE(engine.gameInProgress);
        ASSERT_EQ(engine.pendingAction(), TimerAction::None);
        engine.currentSeat = current;
        for (int s = 1; s <= kSeats; ++s)
            seat(s).cards.fill(kNoCard);
        host.stopTimer(EngineTimer::Computer);
        host.clearMessages();
        host.diagnostics.clear();
    }

    void hand(int s, std::initializer_list<int> cards) {
        seat(s).cards.fill(kNoCard);
        int slot = 1;
        for (int c : cards)
            seat(s).cards[ix(slot++)] = c;
    }

    // Makes entries 1..n connected; entries above the seats watch.
    void connect(std::initializer_list<int> entries) {
        for (int e : entries) {
            engine.players[ix(e)].connected = true;
            engine.numEntries = std::max(engine.numEntries, e);
        }
    }

    const std::vector<std::string>& to(int entry) const { return host.messagesTo(entry); }
};

// A play as the host hands it to the engine, and the slot it plays.
struct NetPlay {
    std::function<void(Engine&)> run;
    int slot = 0;
};
inline NetPlay go(int seat, int slot, int target) {
    return {[=](Engine& e) { e.playGo(seat, slot, target); }, slot};
}
inline NetPlay speed(int seat, int slot, int target) {
    return {[=](Engine& e) { e.playSpeed(seat, slot, target); }, slot};
}
inline NetPlay miles(int seat, int slot) {
    return {[=](Engine& e) { e.playMiles(seat, slot); }, slot};
}
inline NetPlay discard(int seat, int slot) {
    return {[=](Engine& e) { e.playDiscard(seat, slot); }, slot};
}

} // namespace dw::test
