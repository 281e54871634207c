// The schedule of rejoining on a virtual clock: when attempts come, when it
// gives up, which key it reclaims with, and when it never starts.
#include "client/rejoin.h"

#include <gtest/gtest.h>

#include <vector>

using namespace dw;
using Ms = RejoinPlan::Ms;
using Step = RejoinPlan::Step;

namespace {

// Runs the plan from a drop at `start` with every attempt failing at once,
// ticking every 10 ms; returns the times of the attempts and sets `gaveUpAt`.
std::vector<Ms> failEveryAttempt(RejoinPlan& plan, Ms start, Ms& gaveUpAt) {
    std::vector<Ms> attempts;
    for (Ms t = start; t <= start + Ms(200000); t += Ms(10)) {
        const Step s = plan.step(t);
        if (s == Step::Attempt) {
            attempts.push_back(t);
            plan.attemptFailed();
        } else if (s == Step::GiveUp) {
            gaveUpAt = t;
            break;
        }
    }
    return attempts;
}

} // namespace

TEST(RejoinPlan, AttemptsBackOffDoublingToTheCapAndGiveUpAfterTwoMinutes) {
    // As long as the host holds a departed player's seat.
    EXPECT_EQ(RejoinPlan::kGiveUpAfter, Ms(120000));
    RejoinPlan plan;
    plan.keyGiven(2, "00112233445566778899aabbccddeeff");
    const Ms start(1'000'000);
    ASSERT_TRUE(plan.connectionLost(start));
    EXPECT_EQ(plan.wakeAt(), start + RejoinPlan::kFirstPause);
    EXPECT_EQ(plan.step(start), Step::Nothing); // not at once

    Ms gaveUpAt{0};
    const std::vector<Ms> at = failEveryAttempt(plan, start, gaveUpAt);
    ASSERT_GE(at.size(), 6u);
    // 0.5 s, then pauses of 0.5, 1, 2, 4 s and 5 s from then on.
    const std::vector<Ms> expected{Ms(500),  Ms(1000),  Ms(2000), Ms(4000),
                                   Ms(8000), Ms(13000), Ms(18000)};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(at[i] - start, expected[i]) << "attempt " << i + 1;
    for (std::size_t i = 1; i < at.size(); ++i)
        EXPECT_LE(at[i] - at[i - 1], RejoinPlan::kLongestPause);
    EXPECT_EQ(plan.attempts(), int(at.size()));
    EXPECT_LT(at.back() - start, RejoinPlan::kGiveUpAfter);
    EXPECT_EQ(gaveUpAt - start, RejoinPlan::kGiveUpAfter);
    EXPECT_EQ(plan.phase(), RejoinPlan::Phase::Over);
    // Over is over: nothing more is tried, and a later drop is final.
    EXPECT_EQ(plan.step(gaveUpAt + Ms(5000)), Step::Nothing);
    EXPECT_FALSE(plan.connectionLost(gaveUpAt + Ms(6000)));
}

TEST(RejoinPlan, AStuckAttemptIsReplacedAndTheDeadlineHoldsWhileTrying) {
    RejoinPlan plan;
    plan.keyGiven(3, "k3");
    ASSERT_TRUE(plan.connectionLost(Ms(0)));
    ASSERT_EQ(plan.step(Ms(500)), Step::Attempt);
    // Neither answered nor failed: the next waits for the attempt's time-out,
    // not for the shorter pause.
    EXPECT_EQ(plan.step(Ms(1100)), Step::Nothing);
    EXPECT_EQ(plan.wakeAt(), Ms(500) + RejoinPlan::kAttemptTimeout);
    EXPECT_EQ(plan.step(Ms(500) + RejoinPlan::kAttemptTimeout), Step::Attempt);
    EXPECT_EQ(plan.attempts(), 2);
    // Hanging attempts never carry it past the deadline.
    Ms t = Ms(500) + RejoinPlan::kAttemptTimeout;
    Step s = Step::Nothing;
    while (s != Step::GiveUp && t < Ms(200000)) {
        t = plan.wakeAt();
        s = plan.step(t);
    }
    EXPECT_EQ(s, Step::GiveUp);
    EXPECT_EQ(t, RejoinPlan::kGiveUpAfter);
}

TEST(RejoinPlan, ReclaimsWithTheLatestKeyOnlyWhileAnAttemptRuns) {
    RejoinPlan plan;
    plan.keyGiven(1, "old");
    plan.keyGiven(2, "new");                     // a later login replaces the key and the seat
    EXPECT_EQ(plan.reclaimFor(6), std::nullopt); // still connected
    ASSERT_TRUE(plan.connectionLost(Ms(0)));
    EXPECT_EQ(plan.reclaimFor(6), std::nullopt); // waiting, no connection
    ASSERT_EQ(plan.step(Ms(600)), Step::Attempt);
    EXPECT_EQ(plan.reclaimFor(6), (msg::Reclaim{6, 2, "new"}));

    // Given back: the key stays for the next drop, which starts afresh.
    plan.reclaimed();
    EXPECT_EQ(plan.phase(), RejoinPlan::Phase::Connected);
    EXPECT_TRUE(plan.hasKey());
    ASSERT_TRUE(plan.connectionLost(Ms(90000)));
    EXPECT_EQ(plan.attempts(), 0);
    EXPECT_EQ(plan.step(Ms(90000) + RejoinPlan::kFirstPause), Step::Attempt);
    // The time counts from the second drop, not the first.
    EXPECT_EQ(plan.step(Ms(90000) + RejoinPlan::kGiveUpAfter - Ms(1)), Step::Attempt);

    // Refused: the key is spent and a later drop ends the window.
    plan.refused();
    EXPECT_FALSE(plan.hasKey());
    EXPECT_FALSE(plan.connectionLost(Ms(200000)));
}

TEST(RejoinPlan, NeverRejoinsWithoutAKeyOrAfterTheHostEndedOrRemovedThePlayer) {
    {
        RejoinPlan plan; // a host that never sent a key
        EXPECT_FALSE(plan.connectionLost(Ms(0)));
        EXPECT_EQ(plan.step(Ms(5000)), Step::Nothing);
    }
    {
        RejoinPlan plan; // hostclosing, or removed: the same call
        plan.keyGiven(2, "k");
        plan.hostEnded();
        EXPECT_FALSE(plan.connectionLost(Ms(0)));
        EXPECT_EQ(plan.attempts(), 0);
        plan.keyGiven(2, "k2"); // a key arriving after the notice changes nothing
        EXPECT_FALSE(plan.connectionLost(Ms(10)));
    }
    {
        RejoinPlan plan; // the host ends while the client is rejoining
        plan.keyGiven(2, "k");
        ASSERT_TRUE(plan.connectionLost(Ms(0)));
        ASSERT_EQ(plan.step(Ms(500)), Step::Attempt);
        plan.hostEnded();
        EXPECT_FALSE(plan.rejoining());
        EXPECT_EQ(plan.reclaimFor(5), std::nullopt);
        EXPECT_EQ(plan.step(Ms(20000)), Step::Nothing);
    }
    {
        RejoinPlan plan; // the user gave up
        plan.keyGiven(2, "k");
        ASSERT_TRUE(plan.connectionLost(Ms(0)));
        plan.giveUp();
        EXPECT_EQ(plan.step(Ms(1000)), Step::Nothing);
        EXPECT_FALSE(plan.connectionLost(Ms(2000)));
    }
}

TEST(RejoinPlan, RefusalsInARowMeanTheHostIsGoneButOtherFailuresDoNot) {
    RejoinPlan plan;
    plan.keyGiven(2, "k");
    ASSERT_TRUE(plan.connectionLost(Ms(0)));
    // Refused, unreachable, refused, refused: the count starts again after
    // any other failure.
    const std::vector<bool> refusals{true, false, true, true};
    for (const bool refused : refusals) {
        ASSERT_EQ(plan.step(plan.wakeAt()), Step::Attempt);
        plan.attemptFailed(refused);
    }
    EXPECT_EQ(plan.step(plan.wakeAt()), Step::Attempt);
    plan.attemptFailed(true);
    // The third refusal in a row ends it at once, without waiting for the
    // next attempt's turn.
    const Ms at = plan.wakeAt();
    EXPECT_LE(at, Ms(0));
    EXPECT_EQ(plan.step(Ms(9000)), Step::HostGone);
    EXPECT_EQ(plan.phase(), RejoinPlan::Phase::Over);
    EXPECT_EQ(plan.attempts(), 5);
}

TEST(RejoinPlan, TryAgainStartsAfreshWithTheSameKeyButNeverAfterTheHostsWord) {
    {
        // Given up by time: a new schedule from the moment of the retry.
        RejoinPlan plan;
        plan.keyGiven(2, "k2");
        ASSERT_TRUE(plan.connectionLost(Ms(0)));
        Ms gaveUpAt{0};
        failEveryAttempt(plan, Ms(0), gaveUpAt);
        ASSERT_EQ(plan.phase(), RejoinPlan::Phase::Over);
        EXPECT_TRUE(plan.mayRetry());
        const Ms again = gaveUpAt + Ms(30000);
        ASSERT_TRUE(plan.retry(again));
        EXPECT_TRUE(plan.rejoining());
        EXPECT_EQ(plan.attempts(), 0);
        EXPECT_EQ(plan.wakeAt(), again + RejoinPlan::kFirstPause);
        ASSERT_EQ(plan.step(again + RejoinPlan::kFirstPause), Step::Attempt);
        EXPECT_EQ(plan.reclaimFor(7), (msg::Reclaim{7, 2, "k2"}));
        EXPECT_FALSE(plan.retry(again + Ms(1000))); // already under way
        plan.attemptFailed();
        EXPECT_EQ(plan.step(again + RejoinPlan::kGiveUpAfter), Step::GiveUp);
    }
    {
        // The host gone, or the user gave up: the same.
        RejoinPlan plan;
        plan.keyGiven(3, "k3");
        ASSERT_TRUE(plan.connectionLost(Ms(0)));
        for (int i = 0; i < RejoinPlan::kRefusalsToEnd; ++i) {
            ASSERT_EQ(plan.step(plan.wakeAt()), Step::Attempt);
            plan.attemptFailed(true);
        }
        ASSERT_EQ(plan.step(Ms(20000)), Step::HostGone);
        ASSERT_TRUE(plan.retry(Ms(30000)));
        plan.giveUp();
        ASSERT_TRUE(plan.retry(Ms(40000)));
        EXPECT_EQ(plan.step(Ms(40000) + RejoinPlan::kFirstPause), Step::Attempt);
    }
    {
        // The host ended the game or removed the player, or there is no key.
        RejoinPlan ended;
        ended.keyGiven(2, "k");
        ASSERT_TRUE(ended.connectionLost(Ms(0)));
        ended.hostEnded();
        EXPECT_FALSE(ended.mayRetry());
        EXPECT_FALSE(ended.retry(Ms(1000)));
        RejoinPlan keyless;
        EXPECT_FALSE(keyless.connectionLost(Ms(0)));
        EXPECT_FALSE(keyless.retry(Ms(1000)));
        RejoinPlan connected;
        connected.keyGiven(2, "k");
        EXPECT_FALSE(connected.retry(Ms(0)));
    }
}
