// Seats, logins, relays, removal, flow control and closed connections.
#include "tests/host/hostcorefakes.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace dw;
using namespace dw::hostcoretest;

TEST_F(Host, GivesTheLowestFreeSeatAndRefusesTheTenth) {
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(core.accept(), i);
        EXPECT_EQ(t.take(i), std::vector<std::string>{text(msg::SendLoginInfo{i})});
    }
    EXPECT_EQ(core.accept(), HostCore::kFullEntry);
    EXPECT_EQ(t.take(HostCore::kFullEntry), std::vector<std::string>{text(msg::Full{})});
    EXPECT_EQ(t.closed, std::vector<int>{HostCore::kFullEntry});
    EXPECT_EQ(core.engine().numEntries, 9);

    core.connectionClosed(2);
    core.connectionClosed(5);
    EXPECT_EQ(core.accept(), 2);
    EXPECT_EQ(core.accept(), 5);
    EXPECT_EQ(core.engine().numEntries, 9);
}

TEST_F(Host, LoginAnnouncesInOrderAndNamesMayHoldPlus) {
    join("Host");
    clearAll();
    const int e = core.accept();
    t.take(e);
    login(e, "A+B", "1.0.2");
    EXPECT_EQ(t.take(e), (std::vector<std::string>{text(msg::NewPlayerInfo{2, "A+B"}),
                                                   text(msg::ExistingPlayers{1, "Host"}),
                                                   text(msg::WrongVersion{})}));
    EXPECT_EQ(t.take(1), (std::vector<std::string>{text(msg::NewPlayerInfo{2, "A+B"}),
                                                   text(msg::HaveWrongVersion{"A+B"})}));
    EXPECT_EQ(core.engine().players[2].name, "A+B");
}

TEST_F(Host, RelaysChatActionAndSoundsWithTheSendersName) {
    join("Host");
    join("Ann");
    clearAll();
    deliver(2, (msg::Chat{2, "hi|clRed"}.encode()));
    deliver(2, (msg::Action{2, "waves|$00112233"}.encode()));
    deliver(2, (msg::PlayASound{2, "wave4"}.encode()));
    const std::vector<std::string> expected{text(msg::Chat{2, "Ann chats: hi|clRed"}),
                                            text(msg::Action{2, "Ann waves|$00112233"}),
                                            text(msg::PlayASound{2, "wave4"})};
    EXPECT_EQ(t.take(1), expected);
    EXPECT_EQ(t.take(2), expected);
}

TEST_F(Host, DropsCommandsThatSpeakForAnotherSeat) {
    join("Host");
    join("Ann");
    join("Bob");
    clearAll();
    // Ann pretends to be Bob, to be the host, or to log in as seat 3.
    deliver(2, (msg::Chat{3, "I am Bob|clRed"}.encode()));
    deliver(2, (msg::KickHim{1, 3}.encode()));
    deliver(2, (msg::StartGameRequest{"Ann", "5000", "70", false, false}.encode()));
    deliver(2, (msg::JustWatch{3, false}.encode()));
    deliver(2, (msg::LoginInfo{3, "1.0.1", "Mallory"}.encode()));
    EXPECT_TRUE(t.take(1).empty());
    EXPECT_TRUE(t.closed.empty());
    EXPECT_FALSE(core.engine().gameInProgress);
    EXPECT_EQ(core.engine().players[3].name, "Bob");

    // The host's own player may switch any seat; a player its own.
    deliver(1, (msg::JustWatch{3, false}.encode()));
    deliver(2, (msg::JustWatch{2, false}.encode()));
    EXPECT_EQ(t.take(1), (std::vector<std::string>{text(msg::JustWatching{3, false}),
                                                   text(msg::JustWatching{2, false})}));
    // Seats above 4 and "1" outside a game change nothing.
    deliver(1, (msg::JustWatch{5, false}.encode()));
    deliver(1, (msg::JustWatch{2, true}.encode()));
    EXPECT_TRUE(t.take(1).empty());
}

TEST_F(Host, KickAndDisconnectTellTheOthersOnce) {
    join("Host");
    join("Ann");
    for (int i = 3; i <= 6; ++i)
        join("P" + std::to_string(i));
    clearAll();
    deliver(1, (msg::KickHim{1, 6}.encode()));
    // The others hear that P6 was removed, then that it left.
    const std::vector<std::string> told{text(msg::Removed{6}),
                                        text(msg::PlayerDisconnected{6, "P6"})};
    EXPECT_EQ(t.take(1), told);
    EXPECT_EQ(t.closed, std::vector<int>{6});
    EXPECT_EQ(t.take(2), told);
    // The removed player hears why, before its connection closes.
    EXPECT_EQ(t.take(6), std::vector<std::string>{text(msg::Removed{6})});
    EXPECT_EQ(t.sentAtClose[6], 1u);
    // A second close of the same connection finds nothing to announce.
    core.connectionClosed(6);
    EXPECT_TRUE(t.take(2).empty());
    // Out-of-range or malformed targets are ignored.
    deliver(1, (msg::KickHim{1, 10}.encode()));
    deliver(1, (msg::KickHim{1, 0}.encode()));
    EXPECT_EQ(t.closed.size(), 1u);

    core.connectionClosed(2);
    EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::PlayerDisconnected{2, "Ann"})});
    EXPECT_FALSE(core.engine().players[2].connected);
    EXPECT_TRUE(core.engine().players[2].name.empty());
}

TEST_F(Host, ReassemblesSplitMessagesPerConnection) {
    join("Host");
    join("Ann");
    clearAll();
    const std::string m1 = (msg::Chat{1, "from host|clRed"}.encode());
    const std::string m2 = (msg::Chat{2, "from ann|clRed"}.encode());
    // Interleaved halves from two connections do not mix.
    core.received(1, m1.substr(0, 7));
    core.received(2, m2.substr(0, 12));
    core.received(1, m1.substr(7));
    core.received(2, m2.substr(12));
    while (core.dispatchOne()) {
    }
    EXPECT_EQ(t.take(1),
              (std::vector<std::string>{text(msg::Chat{1, "Host chats: from host|clRed"}),
                                        text(msg::Chat{2, "Ann chats: from ann|clRed"})}));
    // A peer that never sends a terminator cannot grow the host's memory.
    const std::string junk(1000, 'j');
    for (int i = 0; i < 1000; ++i)
        core.received(2, junk);
    EXPECT_FALSE(core.hasQueued());
    deliver(2, T + m2);
    EXPECT_EQ(t.take(1).size(), 1u);
}

TEST_F(Host, LoginDuringAGameGetsTheSnapshotAndTheHand) {
    join("Host");
    deliver(1, (msg::StartGameRequest{"Host", "5000", "70", true, true}.encode()));
    ASSERT_TRUE(core.engine().gameInProgress);
    clearAll();
    const int e = join("Cat");
    ASSERT_EQ(e, 2);
    const auto got = t.take(2);
    ASSERT_GE(got.size(), 5u);
    EXPECT_EQ(got[0], text(msg::SendLoginInfo{2}));
    EXPECT_EQ(got[1], text(msg::NewPlayerInfo{2, "Cat"}));
    EXPECT_EQ(got[2], text(msg::ExistingPlayers{1, "Host"}));
    const auto snapshot = msg::decodeMessage<msg::NewStats>(got[3]);
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->seat, 2);
    const auto hand = msg::decodeMessage<msg::MyCards>(got[4]);
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->seat, 2);
    EXPECT_EQ(hand->cards.size(), 7u);
    // Then the piles as everybody sees them.
    ASSERT_GE(got.size(), 6u);
    EXPECT_EQ(got[5] + kTerminator, shipCardsMessage(core.engine()));
    // Sitting down at the seat whose play is due, Cat plays it herself.
    if (core.engine().currentSeat == 2 && core.engine().pendingAction() == TimerAction::None) {
        ASSERT_EQ(got.size(), 7u);
        EXPECT_EQ(msg::decodeMessage<msg::NextPlayer>(got[6])->seat, 2);
    } else {
        EXPECT_EQ(got.size(), 6u);
    }

    const int spy = [&] {
        for (int i = 3; i <= 5; ++i)
            join("S" + std::to_string(i));
        return 5;
    }();
    const auto spyGot = t.take(spy);
    ASSERT_FALSE(spyGot.empty());
    ASSERT_GE(spyGot.size(), 2u);
    const auto spySnapshot = msg::decodeMessage<msg::NewStats>(spyGot[spyGot.size() - 2]);
    EXPECT_TRUE(msg::decodeMessage<msg::ShipCards>(spyGot.back()));
    ASSERT_TRUE(spySnapshot);
    EXPECT_EQ(spySnapshot->seat, 5);
}

namespace {
std::string chat(int seat, int n) {
    return (msg::Chat{seat, "m" + std::to_string(n) + "|clRed"}.encode());
}
std::string relayed(int seat, const std::string& name, int n) {
    return text(msg::Chat{seat, name + " chats: m" + std::to_string(n) + "|clRed"});
}
} // namespace

TEST_F(Host, ConnectionsAreServedInTurnEachInItsOwnOrder) {
    join("Host");
    join("Ann");
    join("Bob");
    clearAll();
    // Ann floods before Bob and the host say anything.
    std::string flood;
    for (int i = 0; i < 50; ++i)
        flood += chat(2, i);
    core.received(2, flood);
    core.received(3, chat(3, 0) + chat(3, 1));
    core.received(1, (msg::JustWatch{2, false}.encode()));
    EXPECT_EQ(core.queued(2), 50u);

    // One message per connection in turn: nobody waits for Ann's backlog.
    for (int i = 0; i < 5; ++i)
        core.dispatchOne();
    EXPECT_EQ(t.take(1), (std::vector<std::string>{text(msg::JustWatching{2, false}),
                                                   relayed(2, "Ann", 0), relayed(3, "Bob", 0),
                                                   relayed(2, "Ann", 1), relayed(3, "Bob", 1)}));
    // A message to a connection with nothing waiting may be handled out of
    // turn, at once; Ann's backlog keeps its order.
    core.received(3, chat(3, 2));
    EXPECT_TRUE(core.dispatchFrom(3));
    EXPECT_TRUE(core.dispatchFrom(3)); // nothing waits there: nothing happens
    EXPECT_EQ(t.take(1), std::vector<std::string>{relayed(3, "Bob", 2)});
    // One tick takes everything that waits, Ann's messages still in order.
    EXPECT_FALSE(core.dispatchTick());
    EXPECT_FALSE(core.hasQueued());
    const auto rest = t.take(1);
    ASSERT_EQ(rest.size(), 48u);
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(rest[std::size_t(i)], relayed(2, "Ann", i + 2));
}

TEST_F(Host, ABurstIsHeldBackWholeAndInOrderWhileOthersFlow) {
    join("Host");
    join("Ann");
    deliver(1, (msg::StartGameRequest{"Host", "5000", "70", false, false}.encode()));
    ASSERT_TRUE(core.engine().gameInProgress);
    clearAll();
    const int burst = 2000;
    std::string bytes;
    for (int i = 0; i < burst; ++i)
        bytes += chat(2, i);
    bytes += msg::JustWatch{2, true}.encode();
    bytes += msg::PlayASound{2, "wave3"}.encode();

    // Read as the server reads: 4096 bytes at a time, and only while Ann's
    // queue has room; a tick in between, with the host chatting too.
    std::size_t at = 0;
    int ticks = 0;
    while (at < bytes.size() || core.hasQueued()) {
        while (at < bytes.size() && core.wantsInput(2)) {
            const std::size_t n = std::min<std::size_t>(4096, bytes.size() - at);
            core.received(2, std::string_view(bytes).substr(at, n));
            at += n;
        }
        ASSERT_LE(core.queued(2), HostCore::kQueueCap);
        core.received(1, chat(1, ticks));
        EXPECT_TRUE(core.wantsInput(1));
        core.dispatchTick();
        ASSERT_LT(++ticks, 1000);
    }
    // Ann's queue held her back: the burst took many ticks, and the host's
    // own chat went through on each of them.
    EXPECT_GT(ticks, burst / int(HostCore::kQueueCap));
    std::vector<std::string> fromAnn;
    int fromHost = 0;
    for (const std::string& m : t.take(1)) {
        if (m.rfind(std::string(msg::Chat::kWord) + "+1+", 0) == 0)
            EXPECT_EQ(m, relayed(1, "Host", fromHost++));
        else
            fromAnn.push_back(m);
    }
    EXPECT_EQ(fromHost, ticks);
    ASSERT_EQ(fromAnn.size(), std::size_t(burst + 2));
    for (int i = 0; i < burst; ++i)
        ASSERT_EQ(fromAnn[std::size_t(i)], relayed(2, "Ann", i));
    EXPECT_EQ(fromAnn[std::size_t(burst)], text(msg::JustWatching{2, true}));
    EXPECT_EQ(fromAnn.back(), text(msg::PlayASound{2, "wave3"}));
    EXPECT_TRUE(core.engine().players[2].watching);
}

TEST_F(Host, LaggingPeersMissChatButNotTheGame) {
    join("Host");
    join("Ann");
    join("Bob");
    clearAll();
    t.lagging[3] = HostCore::kMaxUnsentForRelay + 1;
    deliver(2, chat(2, 7));
    deliver(1, (msg::JustWatch{3, false}.encode()));
    EXPECT_EQ(t.take(1),
              (std::vector<std::string>{relayed(2, "Ann", 7), text(msg::JustWatching{3, false})}));
    EXPECT_EQ(t.take(3), std::vector<std::string>{text(msg::JustWatching{3, false})});
    t.lagging[3] = HostCore::kMaxUnsentForRelay;
    deliver(2, chat(2, 8));
    EXPECT_EQ(t.take(3), std::vector<std::string>{relayed(2, "Ann", 8)});
}

namespace {
// Runs the engine's timers until it waits for a play; returns the seat.
int untilAPlayIsDue(HostCore& core) {
    for (int i = 0; i < 100 && core.engine().pendingAction() != TimerAction::None; ++i)
        core.pauseTick();
    return core.engine().pendingAction() == TimerAction::None ? core.engine().currentSeat : 0;
}
} // namespace

TEST_F(Host, AClosedConnectionsMessagesAreHandledBeforeItLeaves) {
    join("Host");
    join("Ann");
    deliver(1, (msg::StartGameRequest{"Host", "5000", "70", false, false}.encode()));
    int seat = untilAPlayIsDue(core);
    if (seat == 1) {
        // Let the host's turn pass so that Ann's turn comes.
        deliver(1, msg::Discard{1, 1}.encode());
        seat = untilAPlayIsDue(core);
    }
    ASSERT_EQ(seat, 2);
    clearAll();
    // Ann discards, chats and is gone, all in the last bytes she sent; the
    // host's chat waits as well.
    core.received(1, chat(1, 1));
    core.received(2, msg::Discard{2, 1}.encode() + chat(2, 2));
    core.connectionClosed(2);
    const auto got = t.take(1);
    ASSERT_EQ(got.size(), 3u);
    const auto discarded = msg::decodeMessage<msg::HeDiscard>(got[0]);
    ASSERT_TRUE(discarded);
    EXPECT_EQ(discarded->seat, 2);
    EXPECT_EQ(discarded->slot, 1);
    EXPECT_EQ(got[1], relayed(2, "Ann", 2));
    EXPECT_EQ(got[2], text(msg::PlayerDisconnected{2, "Ann"}));
    // The discard was Ann's play: the computer does not play that turn.
    EXPECT_EQ(core.engine().computerPending(), 0);
    EXPECT_EQ(core.queued(2), 0u);
    EXPECT_FALSE(core.dispatchTick());
    EXPECT_EQ(t.take(1), std::vector<std::string>{relayed(1, "Host", 1)});
    // A newcomer starts with an empty queue (in seat 3: seat 2 is kept for
    // Ann; once it is not, in seat 2).
    EXPECT_EQ(core.accept(), 3);
    t.now += HostCore::kHoldMs;
    EXPECT_EQ(core.accept(), 2);
    EXPECT_FALSE(core.hasQueued());
    EXPECT_TRUE(core.wantsInput(2));
}

TEST_F(Host, ALoginAndPlayJustBeforeTheCloseStillCount) {
    // A connection that logs in and closes at once is announced, then leaves.
    join("Host");
    const int e = core.accept();
    clearAll();
    core.received(e, msg::LoginInfo{e, "1.0.1", "Zed"}.encode());
    core.connectionClosed(e);
    EXPECT_EQ(t.take(1), (std::vector<std::string>{text(msg::NewPlayerInfo{2, "Zed"}),
                                                   text(msg::PlayerDisconnected{2, "Zed"})}));
    EXPECT_TRUE(t.closed.empty());

    // The host removing a connection drops what it still had waiting.
    join("Ann");
    clearAll();
    core.received(2, chat(2, 1) + chat(2, 2) + chat(2, 3));
    core.received(1, msg::KickHim{1, 2}.encode());
    core.dispatchFrom(1);
    EXPECT_EQ(core.queued(2), 0u);
    EXPECT_EQ(t.closed, std::vector<int>{2});
    EXPECT_EQ(t.take(1), (std::vector<std::string>{text(msg::Removed{2}),
                                                   text(msg::PlayerDisconnected{2, "Ann"})}));
    // A second report of the same close changes nothing.
    core.connectionClosed(2);
    EXPECT_TRUE(t.take(1).empty());
}
