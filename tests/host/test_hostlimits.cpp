// What a stranger cannot do to a table: make the host hoard bytes for a peer
// that does not read, hold an entry without logging in, take a dropped
// player's seat, hold the host's rights without a seat, forge log lines.
#include "tests/host/hostcorefakes.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace dw;
using namespace dw::hostcoretest;

namespace {

// The engine's timers played as the event loop would.
struct Limits : HostOn<TimedTransport, 777> {
    std::string key(int entry) {
        const auto& k = t.keys[entry];
        return k.empty() ? std::string() : k.back().key;
    }
    bool closedNow(int entry) const {
        return std::find(t.closed.begin(), t.closed.end(), entry) != t.closed.end();
    }
    // Runs the engine's timers until `done` or nothing is left to run.
    template <class Pred> bool runUntil(Pred done) {
        for (int i = 0; i < 100000; ++i) {
            if (done())
                return true;
            if (t.computer)
                core.computerTick();
            else if (t.pauseTimer)
                core.pauseTick();
            else
                return done();
        }
        return false;
    }
};

} // namespace

// ---------------------------------------------------------------- unsent bytes

TEST_F(Limits, APeerThatDoesNotReadIsClosedAtTheCapAndMayTakeItsSeatBack) {
    join("Host");
    join("Ann");
    const std::string annKey = key(2);
    t.stalled[2] = true;
    // Strangers come and go with long names, each announced to everybody.
    const std::string longName(4000, 'x');
    std::size_t most = 0;
    for (int i = 0; i < 20000 && !closedNow(2); ++i) {
        const int e = core.accept();
        login(e, longName);
        core.connectionClosed(e);
        most = std::max(most, t.lagging[2]);
    }
    // Ann's connection never held more than the cap: it was closed as if its
    // link had dropped.
    EXPECT_TRUE(closedNow(2));
    EXPECT_LE(most, HostCore::kMaxUnsent);
    EXPECT_FALSE(core.linked(2));
    const auto seen = t.take(1);
    EXPECT_NE(std::find(seen.begin(), seen.end(), text(msg::PlayerDisconnected{2, "Ann"})),
              seen.end());
    // Her seat is kept for her (as are the seats the strangers left), and
    // her key takes it back.
    EXPECT_EQ(core.heldSeats(), 3);
    EXPECT_GT(core.freeEntry(), 4);
    t.take(2);
    const int back = core.accept();
    t.take(back);
    deliver(back, msg::Reclaim{back, 2, annKey}.encode());
    EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::SendLoginInfo{2})});
    login(2, "Ann");
    EXPECT_TRUE(core.loggedIn(2));
    EXPECT_EQ(core.reclaims(), 1);
}

TEST_F(Limits, ASecondLoginOnTheSameConnectionIsIgnored) {
    join("Host");
    const int e = join("Ann");
    t.stalled[e] = true;
    clearAll();
    const std::string longName(4000, 'y');
    for (int i = 0; i < 500; ++i)
        login(e, longName + std::to_string(i));
    // Nobody heard of the later logins, and Ann keeps her first name.
    EXPECT_TRUE(t.take(1).empty());
    EXPECT_TRUE(t.take(e).empty());
    EXPECT_EQ(core.engine().players[std::size_t(e)].name, "Ann");
    EXPECT_EQ(core.counters().logins, 2u);
    EXPECT_FALSE(closedNow(e));
}

// A name as long as a message is announced (and logged) cut to its first
// 64 characters, so that every login costs the table little.
TEST_F(Limits, ALongNameIsCutBeforeItIsAnnounced) {
    join("Host");
    clearAll();
    const int e = join(std::string(4000, 'z'));
    const std::string cut(HostCore::kMaxNameBytes, 'z');
    EXPECT_EQ(core.engine().players[std::size_t(e)].name, cut);
    const std::vector<std::string> heard = t.take(1);
    EXPECT_NE(std::find(heard.begin(), heard.end(), text(msg::NewPlayerInfo{e, cut})), heard.end());
}

TEST_F(Limits, TheGameGoesOnPastAPeerThatStopsReading) {
    join("Host");
    join("Ann");
    deliver(1, msg::StartGameRequest{"Host", "1000", "50", false, false}.encode());
    // Ann reads nothing from now on; the next message reaches the cap.
    t.stalled[2] = true;
    t.lagging[2] = HostCore::kMaxUnsent - 10;
    deliver(1, msg::JustWatch{1, true}.encode());
    ASSERT_TRUE(closedNow(2));
    EXPECT_EQ(core.heldSeats(), 1);
    // The computer plays her seat and the game reaches its winner.
    EXPECT_TRUE(runUntil([&] { return core.engine().winner() != 0; }));
}

// ---------------------------------------------------------------- the login deadline

TEST_F(Limits, AConnectionThatDoesNotLogInIsNoPlayerAndIsClosedAfterTenSeconds) {
    join("Host");
    deliver(1, msg::StartGameRequest{"Host", "10000", "100", false, false}.encode());
    deliver(1, msg::JustWatch{1, true}.encode());
    // A silent connection lands in seat 2, which the computer plays.
    const int idle = core.accept();
    ASSERT_EQ(idle, 2);
    EXPECT_TRUE(core.linked(idle));
    EXPECT_FALSE(core.engine().players[2].connected);
    // The game does not wait for it: turns come and go for seat 2.
    const long before = long(core.counters().plays);
    ASSERT_TRUE(runUntil([&] { return long(core.counters().plays) >= before + 20; }));
    // It hears nothing of the game before it logs in.
    EXPECT_EQ(t.take(idle), std::vector<std::string>{text(msg::SendLoginInfo{2})});

    // A connection that logs in, or takes a seat back, in time stays.
    const int spy = core.accept();
    login(spy, "Spy");
    const int other = core.accept();
    t.now += HostCore::kLoginDeadlineMs - 1;
    core.tick();
    EXPECT_TRUE(t.closed.empty());
    t.now += 1;
    core.tick();
    // The silent ones are closed without a word to anybody.
    EXPECT_EQ(t.closed, (std::vector<int>{idle, other}));
    EXPECT_TRUE(core.linked(spy));
    for (const std::string& m : t.take(1))
        EXPECT_FALSE(msg::decodeMessage<msg::PlayerDisconnected>(m)) << m;
    EXPECT_EQ(core.freeEntry(), 2);
}

TEST_F(Limits, NineSilentConnectionsLockOutNobodyForLongerThanTheDeadline) {
    join("Host");
    const std::string hostKey = key(1);
    core.connectionClosed(1); // the host's player drops and comes back later
    for (int i = 0; i < 8; ++i)
        EXPECT_NE(core.accept(), HostCore::kFullEntry);
    // Every entry but the kept seat 1 is taken: a stranger waits in it.
    const int waiting = core.accept();
    EXPECT_EQ(waiting, 1);
    EXPECT_EQ(core.accept(), HostCore::kFullEntry);
    // A reclaim counts as logging in: the kept seat's player is back in it.
    t.take(1);
    deliver(1, msg::Reclaim{1, 1, hostKey}.encode());
    EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::SendLoginInfo{1})});
    t.now += HostCore::kLoginDeadlineMs;
    core.tick();
    EXPECT_EQ(t.closed.size(), 9u); // the eight silent ones and the refused tenth
    EXPECT_TRUE(core.linked(1));
    // A real player gets in now.
    const int e = join("Real");
    EXPECT_EQ(e, 2);
    EXPECT_TRUE(core.loggedIn(e));
}

// ---------------------------------------------------------------- seats kept for their players

TEST_F(Limits, ADroppedSeatIsKeptForItsPlayerForTwoMinutes) {
    join("Host");
    join("Ann");
    join("Bob");
    deliver(1, msg::StartGameRequest{"Host", "5000", "70", false, false}.encode());
    const auto annHand = core.engine().players[2].cards;
    const std::string annKey = key(2);
    core.connectionClosed(2);
    EXPECT_EQ(core.heldSeats(), 1);
    // A newcomer is given another place, and a spectator's when no seat is left.
    const int eve = join("Eve");
    EXPECT_EQ(eve, 4);
    const int spy = join("Spy");
    EXPECT_EQ(spy, 5);
    EXPECT_EQ(core.engine().players[2].cards, annHand);
    // A removed player's seat is not kept, nor is a spectator's place.
    deliver(1, msg::KickHim{1, eve}.encode());
    core.connectionClosed(spy);
    EXPECT_EQ(core.heldSeats(), 1);
    EXPECT_EQ(core.freeEntry(), 4);

    // Ann comes back within the two minutes, in any entry, with her key.
    t.now += HostCore::kHoldMs - 1;
    EXPECT_EQ(core.heldSeats(), 1);
    t.take(2);
    const int back = core.accept();
    t.take(back);
    deliver(back, msg::Reclaim{back, 2, annKey}.encode());
    EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::SendLoginInfo{2})});
    login(2, "Ann");
    EXPECT_EQ(core.heldSeats(), 0);
    EXPECT_EQ(core.engine().players[2].cards, annHand);

    // After two minutes the seat is the next newcomer's, as any free seat.
    const std::string bobKey = key(3);
    core.connectionClosed(3);
    EXPECT_NE(core.freeEntry(), 3);
    t.now += HostCore::kHoldMs;
    EXPECT_EQ(core.heldSeats(), 0);
    EXPECT_EQ(core.freeEntry(), 3);
    // Until somebody logs in there, Bob's key still takes it back.
    t.take(3);
    const int late = core.accept();
    EXPECT_EQ(late, 3);
    t.take(late);
    deliver(late, msg::Reclaim{late, 3, bobKey}.encode());
    EXPECT_EQ(t.take(3), std::vector<std::string>{text(msg::SendLoginInfo{3})});
}

TEST_F(Limits, ANewcomerWaitingInAKeptSeatMayNotLogInThere) {
    join("Host");
    join("Ann");
    const std::string annKey = key(2);
    for (int i = 3; i <= 9; ++i)
        join("P" + std::to_string(i));
    core.connectionClosed(2);
    // Nothing else is free: the stranger waits in seat 2 but cannot have it.
    const int e = core.accept();
    ASSERT_EQ(e, 2);
    t.take(e);
    clearAll();
    login(e, "Stranger");
    EXPECT_EQ(t.take(e), std::vector<std::string>{text(msg::Full{})});
    EXPECT_TRUE(closedNow(e));
    EXPECT_TRUE(t.take(1).empty());
    EXPECT_EQ(core.heldSeats(), 1);
    // Ann, waiting there, takes it back.
    const int ann = core.accept();
    ASSERT_EQ(ann, 2);
    t.take(ann);
    deliver(ann, msg::Reclaim{ann, 2, annKey}.encode());
    EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::SendLoginInfo{2})});
    login(2, "Ann");
    EXPECT_EQ(core.engine().players[2].name, "Ann");
}

// ---------------------------------------------------------------- the host's rights

TEST_F(Limits, HeadlessRightsAreNeverASpectatorsOrASilentConnections) {
    core.setHeadless(true);
    for (const char* name : {"First", "Ann", "Bob", "Cy"})
        join(name);
    const int spy = join("Spy");
    ASSERT_EQ(spy, 5);
    const int silent = core.accept();
    // Every seated player leaves: the spectator does not take the rights.
    for (int seat = 1; seat <= 4; ++seat)
        core.connectionClosed(seat);
    EXPECT_EQ(core.rightsHolder(), 0);
    deliver(spy, msg::StartGameRequest{"Spy", "-1", "0", false, false}.encode());
    EXPECT_FALSE(core.engine().gameInProgress);
    deliver(spy, msg::KickHim{spy, silent}.encode());
    EXPECT_TRUE(t.closed.empty());
    // Once the seats are no longer kept, a newcomer sits in seat 1 and has them.
    t.now += HostCore::kHoldMs;
    const int e = join("Late");
    EXPECT_EQ(e, 1);
    EXPECT_EQ(core.rightsHolder(), 1);
    // Its game is played to the options window's bounds, whatever it asks.
    deliver(e, msg::StartGameRequest{"Late", "-1", "1000000", false, false}.encode());
    EXPECT_TRUE(core.engine().gameInProgress);
    EXPECT_EQ(core.engine().amountToEarn, 1000);
    EXPECT_EQ(core.engine().tripDistance, 100000);
}

// ---------------------------------------------------------------- log lines

TEST_F(Limits, NamesInLogLinesCannotForgeALineAndGuessesAreLoggedOnce) {
    join("Host");
    join("Ann\nseat 1 logged in as Admin\x1b[2J");
    for (const std::string& line : t.events) {
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    }
    const auto logged = std::count_if(t.events.begin(), t.events.end(), [](const std::string& l) {
        return l.find("logged in as Ann\\nseat 1 logged in as Admin\\x1b[2J") != std::string::npos;
    });
    EXPECT_EQ(logged, 1);

    t.events.clear();
    const int e = core.accept();
    for (int i = 0; i < 1000; ++i)
        deliver(e, msg::Reclaim{e, 2, std::string(32, char('a' + i % 6))}.encode());
    const auto refusals = std::count_if(t.events.begin(), t.events.end(), [](const std::string& l) {
        return l.find("refused") != std::string::npos;
    });
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(core.counters().reclaimsRefused, 1000u);
}
