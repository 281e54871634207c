// A table for engine tests: an engine on a virtual clock, with helpers to
// put a round into a chosen state.
#pragma once

#include "engine/engine.h"
#include "engine/virtualclock.h"
#include "net/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace dw::test {

inline std::size_t ix(int i) {
    return static_cast<std::size_t>(i);
}

struct Table {
    VirtualHost host;
    Engine engine{host, 12345};

    Table() { host.attach(engine); }

    tplayer& seat(int s) { return engine.players[ix(s)]; }

    // Starts a game (seats 3 and 4 as asked) and then makes `current` the
    // seat whose play the engine waits for, with every hand emptied.
    void startAt(int current, bool seat3 = true, bool seat4 = true, int amount = 5000,
                 int distance = 70) {
        engine.startgame({"Host", std::to_string(amount), std::to_string(distance), seat3, seat4});
        ASSERT_TRUE(engine.gameinprogress);
        ASSERT_EQ(engine.timer1action(), TimerAction::None);
        engine.currentplayer = current;
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
            engine.numentries = std::max(engine.numentries, e);
        }
    }

    const std::vector<std::string>& to(int entry) const { return host.messagesTo(entry); }
};

// A play as it comes from the network, and the slot it plays.
struct NetPlay {
    std::function<void(Engine&)> run;
    int slot = 0;
};
inline NetPlay go(int seat, int slot, int target) {
    return {[=](Engine& e) { e.placego(msg::PlaceGo{seat, slot, target}); }, slot};
}
inline NetPlay speed(int seat, int slot, int target) {
    return {[=](Engine& e) { e.placespeed(msg::PlaceSpeed{seat, slot, target}); }, slot};
}
inline NetPlay miles(int seat, int slot) {
    return {[=](Engine& e) { e.gomiles(msg::GoMiles{seat, slot}); }, slot};
}
inline NetPlay discard(int seat, int slot) {
    return {[=](Engine& e) { e.discard(msg::Discard{seat, slot}); }, slot};
}

} // namespace dw::test
