#include "client/rejoin.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string_view>

namespace dw {

RejoinPlan::Ms RejoinPlan::giveUpAfterFromEnvironment() {
    const char* text = std::getenv("DRIFTWAKE_REJOIN_SECONDS");
    if (!text)
        return kGiveUpAfter;
    const std::string_view v(text);
    int seconds = 0;
    const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), seconds);
    if (error != std::errc{} || end != v.data() + v.size() || seconds < 1 ||
        Ms(seconds * 1000) > kGiveUpAfter)
        return kGiveUpAfter;
    return Ms(seconds * 1000);
}

void RejoinPlan::keyGiven(int seat, std::string key) {
    seat_ = seat;
    key_ = std::move(key);
}

void RejoinPlan::hostEnded() {
    ended_ = true;
    phase_ = Phase::Over;
}

bool RejoinPlan::connectionLost(Ms now) {
    if (ended_ || key_.empty() || phase_ == Phase::Over) {
        phase_ = Phase::Over;
        return false;
    }
    if (rejoining()) {
        // The connection of an attempt closed.
        attemptFailed();
        return true;
    }
    start(now);
    return true;
}

void RejoinPlan::start(Ms now) {
    phase_ = Phase::Waiting;
    attempts_ = 0;
    refusals_ = 0;
    lostAt_ = now;
    nextAt_ = now + kFirstPause;
}

bool RejoinPlan::retry(Ms now) {
    if (!mayRetry())
        return false;
    start(now);
    return true;
}

RejoinPlan::Ms RejoinPlan::pauseAfter(int n) {
    Ms pause = kFirstPause;
    for (int i = 1; i < n && pause < kLongestPause; ++i)
        pause *= 2;
    return std::min(pause, kLongestPause);
}

RejoinPlan::Step RejoinPlan::step(Ms now) {
    if (!rejoining())
        return Step::Nothing;
    if (refusals_ >= kRefusalsToEnd) {
        phase_ = Phase::Over;
        return Step::HostGone;
    }
    if (now >= lostAt_ + giveUpAfter_) {
        phase_ = Phase::Over;
        return Step::GiveUp;
    }
    const bool due =
        phase_ == Phase::Waiting ? now >= nextAt_ : now >= attemptAt_ + kAttemptTimeout;
    if (!due)
        return Step::Nothing;
    ++attempts_;
    phase_ = Phase::Trying;
    attemptAt_ = now;
    nextAt_ = now + pauseAfter(attempts_);
    return Step::Attempt;
}

RejoinPlan::Ms RejoinPlan::wakeAt() const {
    if (refusals_ >= kRefusalsToEnd)
        return lostAt_; // at once
    const Ms end = lostAt_ + giveUpAfter_;
    const Ms next = phase_ == Phase::Trying ? attemptAt_ + kAttemptTimeout : nextAt_;
    return std::min(next, end);
}

void RejoinPlan::attemptFailed(bool refused) {
    if (phase_ != Phase::Trying)
        return;
    phase_ = Phase::Waiting;
    refusals_ = refused ? refusals_ + 1 : 0;
}

std::optional<msg::Reclaim> RejoinPlan::reclaimFor(int entry) const {
    if (phase_ != Phase::Trying || key_.empty())
        return std::nullopt;
    return msg::Reclaim{entry, seat_, key_};
}

void RejoinPlan::reclaimed() {
    if (rejoining())
        phase_ = Phase::Connected;
}

void RejoinPlan::refused() {
    key_.clear();
    seat_ = 0;
    if (rejoining())
        phase_ = Phase::Connected;
}

void RejoinPlan::giveUp() {
    phase_ = Phase::Over;
}

} // namespace dw
