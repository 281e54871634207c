// Rejoining a game after the connection dropped: the seat key the host gave,
// the schedule of attempts with growing pauses, and the moment to give up.
// Plain data driven by the caller's clock, so that it runs on a virtual one
// in tests; the main window turns its answers into sockets and a timer.
#pragma once

#include "protocol/messages.h"

#include <chrono>
#include <optional>
#include <string>

namespace dw {

class RejoinPlan {
public:
    using Ms = std::chrono::milliseconds;
    // The pause before the first attempt; each later pause doubles, up to
    // kLongestPause.
    static constexpr Ms kFirstPause{500};
    static constexpr Ms kLongestPause{5000};
    // An attempt that neither failed nor was answered by then is replaced by
    // the next one.
    static constexpr Ms kAttemptTimeout{5000};
    // Rejoining ends this long after the drop: as long as the host holds a
    // departed player's seat for its key. Tests may shorten it with the
    // environment variable DRIFTWAKE_REJOIN_SECONDS (1 to 120).
    static constexpr Ms kGiveUpAfter{120000};
    static Ms giveUpAfterFromEnvironment();
    // Attempts refused this many times in a row mean that the host program
    // no longer runs (its computer answers, but nothing listens): there is
    // no game left to rejoin.
    static constexpr int kRefusalsToEnd = 3;

    enum class Phase {
        Connected, // no drop, or the host answered the last reclaim
        Waiting,   // between attempts
        Trying,    // an attempt is under way
        Over,      // given up, or the host ended: never rejoin
    };
    enum class Step { Nothing, Attempt, GiveUp, HostGone };

    // CMD_seatkey for the own seat: kept until the next one (each login
    // brings a new key) or a refused reclaim.
    void keyGiven(int seat, std::string key);
    bool hasKey() const { return !key_.empty(); }
    int seat() const { return seat_; }

    // The host ended the game or removed this player: a later drop is final.
    void hostEnded();

    // The connection dropped at `now`. True when rejoining starts (a key is
    // held and the host did not end); false when the window should close.
    bool connectionLost(Ms now);

    // What is due at `now`: a new attempt (counted; it replaces one that is
    // still under way after kAttemptTimeout), giving up (time is over, or the
    // host is gone), or nothing yet.
    Step step(Ms now);
    // When step() has something to do next; only meaningful while Waiting or
    // Trying.
    Ms wakeAt() const;

    // The attempt under way failed (`refused` when nothing listens at the
    // host's port; otherwise closed, unreachable, timed out): the next waits
    // for its turn in the schedule.
    void attemptFailed(bool refused = false);
    // The new connection was offered `entry`: the reclaim to send, or nothing
    // when no attempt is under way.
    std::optional<msg::Reclaim> reclaimFor(int entry) const;
    // The host gave the seat back.
    void reclaimed();
    // The host refused: the key is of no further use.
    void refused();
    // The user gave up.
    void giveUp();
    // Rejoining ended without the host's word (given up, by time or by the
    // user, or nothing listens at the host's port any more): starts the
    // attempts afresh at `now` with the same key. False when there is nothing
    // to try again (no key, the host ended, or rejoining goes on).
    bool retry(Ms now);
    bool mayRetry() const { return phase_ == Phase::Over && !ended_ && !key_.empty(); }

    Phase phase() const { return phase_; }
    bool rejoining() const { return phase_ == Phase::Waiting || phase_ == Phase::Trying; }
    int attempts() const { return attempts_; }
    // How long after a drop rejoining gives up.
    Ms giveUpAfter() const { return giveUpAfter_; }
    // The pause after attempt n (1-based) before attempt n + 1.
    static Ms pauseAfter(int n);

private:
    void start(Ms now);

    std::string key_;
    int seat_ = 0;
    bool ended_ = false;
    Phase phase_ = Phase::Connected;
    int attempts_ = 0;
    int refusals_ = 0; // in a row
    Ms giveUpAfter_ = giveUpAfterFromEnvironment();
    Ms lostAt_{0};
    Ms nextAt_{0};
    Ms attemptAt_{0};
};

} // namespace dw
