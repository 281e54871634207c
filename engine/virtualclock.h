// A host for the engine that runs its two timers on a virtual clock: timers
// fire in time order without sleeping, so whole games run in microseconds.
// Used by the simulator, the Expert's look-ahead and tests. What the engine
// tells of the game goes to the EngineEvents it was given, not here.
#pragma once

#include "engine/engine.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dw {

class VirtualHost : public EngineHost {
public:
    explicit VirtualHost(int botSpeedMs = 750) : botSpeed_(botSpeedMs) {}

    // The engine whose timers this host fires.
    void attach(Engine& engine) { engine_ = &engine; }

    // EngineHost
    void startTimer(EngineTimer t, int intervalMs) override;
    void stopTimer(EngineTimer t) override;
    void diagnostic(const std::string& text) override { diagnostics.push_back(text); }
    int botSpeedMs() override { return botSpeed_; }

    void setBotSpeed(int ms) { botSpeed_ = ms; }

    // The clock, in virtual milliseconds since construction.
    std::int64_t now() const { return now_; }
    bool armed(EngineTimer t) const { return timer(t).armed; }
    int interval(EngineTimer t) const { return timer(t).interval; }
    // The time the timer fires next; only meaningful while it is armed.
    std::int64_t due(EngineTimer t) const { return timer(t).due; }

    // Fires the armed timer that is due first (on a tie, the one armed
    // first), moving the clock to its time. False when no timer is armed.
    bool step();
    // Fires every timer due within the next `ms` and leaves the clock there.
    void advance(std::int64_t ms);
    // Steps until the game is over, no timer is armed, or the clock passed
    // `maxVirtualMs` from now. True when the game ended with a winner.
    bool runUntilWinner(std::int64_t maxVirtualMs);

    std::vector<std::string> diagnostics;

private:
    struct Timer {
        bool armed = false;
        int interval = 0;
        std::int64_t due = 0;
        std::uint64_t armedAt = 0; // arming order, to break ties
    };
    Timer& timer(EngineTimer t) { return timers_[static_cast<std::size_t>(t)]; }
    const Timer& timer(EngineTimer t) const { return timers_[static_cast<std::size_t>(t)]; }

    Engine* engine_ = nullptr;
    int botSpeed_;
    std::int64_t now_ = 0;
    std::uint64_t arms_ = 0;
    std::array<Timer, 2> timers_{}; // indexed by EngineTimer: Pause, Computer
};

} // namespace dw
