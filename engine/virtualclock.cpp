#include "engine/virtualclock.h"

#include <algorithm>

namespace dw {

void VirtualHost::startTimer(EngineTimer t, int intervalMs) {
    Timer& tm = timer(t);
    tm.armed = true;
    tm.interval = std::max(intervalMs, 1);
    tm.due = now_ + tm.interval;
    tm.armedAt = ++arms_;
}

void VirtualHost::stopTimer(EngineTimer t) {
    timer(t).armed = false;
}

bool VirtualHost::step() {
    if (engine_ == nullptr)
        return false;
    const Timer& a = timers_[0];
    const Timer& b = timers_[1];
    if (!a.armed && !b.armed)
        return false;
    const bool first =
        !b.armed || (a.armed && (a.due < b.due || (a.due == b.due && a.armedAt < b.armedAt)));
    Timer& tm = timers_[first ? 0 : 1];
    now_ = tm.due;
    const std::uint64_t before = tm.armedAt;
    if (first)
        engine_->pauseTick();
    else
        engine_->computerTick();
    // A periodic timer that its handler neither stopped nor restarted ticks
    // again one interval later.
    if (tm.armed && tm.armedAt == before)
        tm.due += tm.interval;
    return true;
}

void VirtualHost::advance(std::int64_t ms) {
    const std::int64_t until = now_ + ms;
    for (;;) {
        const bool a = timers_[0].armed && timers_[0].due <= until;
        const bool b = timers_[1].armed && timers_[1].due <= until;
        if (!a && !b)
            break;
        step();
    }
    now_ = until;
}

bool VirtualHost::runUntilWinner(std::int64_t maxVirtualMs) {
    if (engine_ == nullptr)
        return false;
    const std::int64_t until = now_ + maxVirtualMs;
    while (engine_->gameInProgress && now_ <= until)
        if (!step())
            break;
    return !engine_->gameInProgress && engine_->winner() != 0;
}

} // namespace dw
