// Seat keys and taking a seat back, and the host's rights in a headless host.
#include "tests/host/hostcorefakes.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using namespace dw;
using namespace dw::hostcoretest;

namespace {

bool isHexKey(const std::string& key) {
    return key.size() == 2 * HostCore::kKeyBytes &&
           key.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// A game driven to its end as the event loop would: the engine's timers in
// turn, and a discard from every human whose play is due.
struct Table : HostOn<TimedTransport, 4242> {
    std::string key(int entry) {
        const auto& k = t.keys[entry];
        return k.empty() ? std::string() : k.back().key;
    }
    // A new connection asking for `seat` with `key`; returns its entry.
    int reclaim(int seat, const std::string& key) {
        const int e = core.accept();
        t.take(e);
        deliver(e, msg::Reclaim{e, seat, key}.encode());
        return e;
    }
    // Comes back into `seat`, as a rejoining client does.
    void rejoin(int seat, const std::string& name) {
        const std::string k = key(seat);
        t.take(seat); // what the old connection was sent
        reclaim(seat, k);
        ASSERT_EQ(t.take(seat), std::vector<std::string>{text(msg::SendLoginInfo{seat})});
        deliver(seat, msg::LoginInfo{seat, "1.0.1", name}.encode());
    }
    // One step of the game; false when nothing is left to do.
    bool step() {
        const Engine& e = core.engine();
        const int seat = e.currentSeat;
        if (e.gameInProgress && e.pendingAction() == TimerAction::None && !t.computer) {
            const PlayerEntry& p = e.players[std::size_t(seat)];
            EXPECT_TRUE(p.connected && !p.watching) << "nobody plays seat " << seat;
            for (int slot = 1; slot <= kSlots; ++slot)
                if (p.cards[std::size_t(slot)] != kNoCard) {
                    deliver(seat, msg::Discard{seat, slot}.encode());
                    return true;
                }
            return false;
        }
        if (t.computer)
            core.computerTick();
        else if (t.pauseTimer)
            core.pauseTick();
        else
            return false;
        return true;
    }
    template <class Pred> bool runUntil(Pred done) {
        for (int i = 0; i < 100000; ++i) {
            if (done())
                return true;
            if (!step())
                return done();
        }
        return false;
    }
    bool waitsFor(int seat) const {
        const Engine& e = core.engine();
        return e.gameInProgress && e.pendingAction() == TimerAction::None && e.currentSeat == seat;
    }
};

} // namespace

TEST_F(Table, EveryLoginGetsAFreshKeyOfItsOwnAndNobodyElseSeesIt) {
    join("Host");
    join("Ann");
    const int spy = [&] {
        join("Bob");
        join("Cy");
        return join("Spy");
    }();
    ASSERT_EQ(spy, 5);
    std::vector<std::string> seen;
    for (int e = 1; e <= 5; ++e) {
        ASSERT_EQ(t.keys[e].size(), 1u) << e;
        EXPECT_EQ(t.keys[e][0].seat, e);
        EXPECT_TRUE(isHexKey(key(e))) << key(e);
        seen.push_back(key(e));
    }
    // A key travels only to its own connection, never in any other message.
    for (auto& [e, messages] : t.sent)
        for (const std::string& m : messages)
            for (const std::string& k : seen)
                EXPECT_EQ(m.find(k), std::string::npos) << m;
    // Ann leaves and comes back: her old key is spent, the new one differs.
    const std::string old = key(2);
    core.connectionClosed(2);
    rejoin(2, "Ann");
    ASSERT_EQ(t.keys[2].size(), 2u);
    seen.push_back(key(2));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(core.reclaims(), 1);

    core.connectionClosed(2);
    const int e = reclaim(2, old);
    EXPECT_EQ(t.take(e), std::vector<std::string>{text(msg::ReclaimRefused{e})});
    EXPECT_EQ(core.reclaims(), 1);
}

TEST_F(Table, WrongOldAndGuessedKeysAreRefusedAndTheNewcomerStays) {
    join("Host");
    join("Ann");
    join("Bob");
    join("Cy");
    const std::string annKey = key(2);
    const std::string bobKey = key(3);
    core.connectionClosed(2);
    core.connectionClosed(3);
    // The seats are no longer kept for them, but their keys still hold.
    t.now += HostCore::kHoldMs;
    t.sent.clear();

    std::string wrong = annKey;
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    const std::string upper = [&] {
        std::string u = annKey;
        for (char& c : u)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return u;
    }();
    const std::vector<std::pair<int, std::string>> refused{
        {2, wrong},
        {2, std::string(32, '0')},
        {2, annKey.substr(0, 16)},
        {2, annKey + "0"},
        {2, bobKey},
        {3, annKey},
        {1, key(1)}, // the hosting window's own seat
        {4, bobKey},
        {7, annKey},
        {0, annKey},
    };
    for (const auto& [seat, k] : refused) {
        const int e = reclaim(seat, k);
        ASSERT_EQ(e, 2);
        EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::ReclaimRefused{2})})
            << seat << " " << k;
        EXPECT_TRUE(t.moves.empty());
        // It stays a newcomer in entry 2; nobody heard of it.
        EXPECT_TRUE(core.linked(2));
        EXPECT_FALSE(core.loggedIn(2));
        EXPECT_TRUE(t.take(1).empty());
        core.connectionClosed(2);
        t.take(1);
    }
    // Upper-case digits are not the key either (the key is compared as sent).
    if (upper != annKey) {
        reclaim(2, upper);
        EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::ReclaimRefused{2})});
        core.connectionClosed(2);
        t.take(1);
    }
    // A reclaim naming another entry than the connection's own is refused
    // with the entry it really holds.
    const int e = core.accept();
    t.take(e);
    deliver(e, msg::Reclaim{3, 2, annKey}.encode());
    EXPECT_EQ(t.take(e), std::vector<std::string>{text(msg::ReclaimRefused{e})});
    // Refused, the newcomer logs in where it is and gets a key of that seat.
    deliver(e, msg::LoginInfo{e, "1.0.1", "Zed"}.encode());
    EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::NewPlayerInfo{e, "Zed"})});
    EXPECT_EQ(t.keys[e].back().seat, e);
    t.take(e);
    // Another human logged into seat 2: Ann's key is void. A logged-in
    // player asking for a seat is not answered at all.
    deliver(e, msg::Reclaim{e, 3, bobKey}.encode());
    EXPECT_TRUE(t.take(e).empty());
    EXPECT_EQ(core.reclaims(), 0);
    reclaim(2, annKey);
    EXPECT_EQ(t.take(3), std::vector<std::string>{text(msg::ReclaimRefused{3})});
    core.connectionClosed(3);
    // Bob's key still holds after all those attempts.
    rejoin(3, "Bob");
    EXPECT_EQ(core.reclaims(), 1);
    EXPECT_EQ(core.engine().players[3].name, "Bob");

    // A removed player's key is void.
    const std::string cyKey = key(4);
    deliver(1, msg::KickHim{1, 4}.encode());
    reclaim(4, cyKey);
    EXPECT_EQ(t.take(4), std::vector<std::string>{text(msg::ReclaimRefused{4})});
}

TEST_F(Table, TheKeysHolderTakesItsSeatFromAnOldConnectionThatLooksLive) {
    // Ann's link died without a word: the host still counts her old
    // connection as live when she comes back with her key, during her turn.
    join("Host");
    join("Ann");
    deliver(1, msg::StartGameRequest{"Host", "5000", "70", false, false}.encode());
    ASSERT_TRUE(runUntil([&] { return waitsFor(2); }));
    const auto hand = core.engine().players[2].cards;
    const std::string annKey = key(2);
    t.sent.clear();

    const int e = reclaim(2, annKey);
    EXPECT_EQ(e, 3);
    // The old connection is closed and leaves as any departure does; the new
    // one moves into the seat.
    EXPECT_EQ(t.closed, std::vector<int>{2});
    EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::PlayerDisconnected{2, "Ann"})});
    EXPECT_EQ(t.moves, (std::vector<std::pair<int, int>>{{3, 2}}));
    EXPECT_EQ(t.take(2), std::vector<std::string>{text(msg::SendLoginInfo{2})});
    deliver(2, msg::LoginInfo{2, "1.0.1", "Ann"}.encode());
    EXPECT_EQ(core.reclaims(), 1);
    EXPECT_EQ(core.engine().players[2].cards, hand);
    // The turn is hers again, not the computer's.
    EXPECT_TRUE(waitsFor(2));
    EXPECT_FALSE(t.computer);

    // A wrong key does not close anybody; nor does the hosting window's own
    // seat change hands, even with its key.
    t.closed.clear();
    std::string wrong = key(2);
    wrong.back() = wrong.back() == '0' ? '1' : '0';
    const int f = reclaim(2, wrong);
    EXPECT_EQ(t.take(f), std::vector<std::string>{text(msg::ReclaimRefused{f})});
    core.connectionClosed(f);
    const int g = reclaim(1, key(1));
    EXPECT_EQ(t.take(g), std::vector<std::string>{text(msg::ReclaimRefused{g})});
    EXPECT_TRUE(t.closed.empty());
    EXPECT_TRUE(core.engine().players[1].connected);
    EXPECT_EQ(core.engine().players[2].name, "Ann");
}

struct TwoDropped : Table, ::testing::WithParamInterface<bool> {};

TEST_P(TwoDropped, ComeBackInEitherOrderWithoutAWord) {
    const bool bobFirst = GetParam();
    join("Host");
    join("Ann");
    join("Bob");
    deliver(1, msg::StartGameRequest{"Host", "5000", "70", false, false}.encode());
    const std::string annKey = key(2);
    const std::string bobKey = key(3);
    const auto annHand = core.engine().players[2].cards;
    core.connectionClosed(2);
    core.connectionClosed(3);
    t.sent.clear();

    struct Back {
        int seat;
        std::string key;
        std::string name;
    };
    std::vector<Back> order{{2, annKey, "Ann"}, {3, bobKey, "Bob"}};
    if (bobFirst)
        std::swap(order[0], order[1]);
    for (const Back& b : order) {
        // Both seats are kept for their players: whoever comes first gets
        // a new entry, and so does the second once the first has moved.
        const int e = core.accept();
        EXPECT_EQ(e, 4);
        EXPECT_EQ(t.take(e), std::vector<std::string>{text(msg::SendLoginInfo{e})});
        deliver(e, msg::Reclaim{e, b.seat, b.key}.encode());
        EXPECT_EQ(t.take(b.seat), std::vector<std::string>{text(msg::SendLoginInfo{b.seat})});
        if (b.seat != e) {
            ASSERT_FALSE(t.moves.empty());
            EXPECT_EQ(t.moves.back(), std::make_pair(e, b.seat));
            // The entry left behind is free again, and nobody heard of it.
            EXPECT_FALSE(core.linked(e));
        }
        EXPECT_TRUE(t.take(1).empty());
        deliver(b.seat, msg::LoginInfo{b.seat, "1.0.1", b.name}.encode());
        // Seat 1 hears each come back as an ordinary login.
        EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::NewPlayerInfo{b.seat, b.name})});
    }
    EXPECT_EQ(core.reclaims(), 2);
    EXPECT_EQ(core.engine().players[2].name, "Ann");
    EXPECT_EQ(core.engine().players[3].name, "Bob");
    EXPECT_EQ(core.engine().players[2].cards, annHand);
    EXPECT_EQ(core.engine().numEntries, 4);
    EXPECT_EQ(core.freeEntry(), 4);
}

INSTANTIATE_TEST_SUITE_P(Host, TwoDropped, ::testing::Bool());

enum class Phase { Waiting, OwnTurn, OthersTurn, RoundScores, AfterWinner };

struct Rejoin : Table, ::testing::WithParamInterface<Phase> {};

// Ann (seat 2) leaves at the phase under test and comes back with her key;
// the host and Bob let the computer play their seats.
TEST_P(Rejoin, TakesTheSeatBackWithItsHandAndTotals) {
    const Phase phase = GetParam();
    join("Host");
    join("Ann");
    join("Bob");
    if (phase != Phase::Waiting) {
        deliver(1, msg::StartGameRequest{"Host", "1500", "50", false, false}.encode());
        deliver(1, msg::JustWatch{1, true}.encode());
        deliver(3, msg::JustWatch{3, true}.encode());
        const Engine& e = core.engine();
        const bool reached = runUntil([&] {
            switch (phase) {
            case Phase::OwnTurn:
                return waitsFor(2);
            case Phase::OthersTurn:
                return waitsFor(3) && t.computer;
            case Phase::RoundScores:
                return e.gameInProgress && e.pendingAction() == TimerAction::StartRound;
            case Phase::AfterWinner:
                return e.winner() != 0;
            case Phase::Waiting:
                break;
            }
            return true;
        });
        ASSERT_TRUE(reached);
    }
    core.connectionClosed(2);
    if (phase == Phase::OwnTurn) {
        ASSERT_TRUE(t.computer); // the computer would play her turn
    }
    const std::int32_t total = core.engine().players[2].total;
    const auto hand = core.engine().players[2].cards;
    t.sent.clear();

    rejoin(2, "Ann");
    EXPECT_EQ(core.reclaims(), 1);
    EXPECT_EQ(t.take(1), std::vector<std::string>{text(msg::NewPlayerInfo{2, "Ann"})});
    const auto got = t.take(2);
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[0], text(msg::NewPlayerInfo{2, "Ann"}));
    EXPECT_EQ(got[1], text(msg::ExistingPlayers{1, "Host"}));
    EXPECT_EQ(got[2], text(msg::ExistingPlayers{3, "Bob"}));
    EXPECT_EQ(t.keys[2].size(), 2u);
    if (!core.engine().gameInProgress) {
        EXPECT_EQ(got.size(), 3u);
        return;
    }
    // The mid-game picture, with her own hand and total.
    ASSERT_GE(got.size(), 5u);
    const auto stats = msg::decodeMessage<msg::NewStats>(got[3]);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->seat, 2);
    ASSERT_EQ(stats->seats.size(), 4u);
    EXPECT_EQ(stats->seats[1].total, total);
    const auto cards = msg::decodeMessage<msg::MyCards>(got[4]);
    ASSERT_TRUE(cards);
    EXPECT_EQ(cards->seat, 2);
    ASSERT_EQ(cards->cards.size(), 7u);
    for (const auto& [slot, card] : cards->cards)
        EXPECT_EQ(card, hand[std::size_t(slot)]);
    // And the piles of every ship, as everybody else sees them.
    ASSERT_GE(got.size(), 6u);
    EXPECT_EQ(got[5] + kTerminator, shipCardsMessage(core.engine()));

    if (phase == Phase::OwnTurn) {
        // The computer's play is called off and the turn is hers again.
        EXPECT_FALSE(t.computer);
        ASSERT_EQ(got.size(), 7u);
        const auto turn = msg::decodeMessage<msg::NextPlayer>(got[6]);
        ASSERT_TRUE(turn);
        EXPECT_EQ(turn->seat, 2);
        ASSERT_NE(turn->slot, 0);
        EXPECT_EQ(turn->card, hand[std::size_t(turn->slot)]);
        EXPECT_TRUE(waitsFor(2));
        deliver(2, msg::Discard{2, turn->slot}.encode());
        const auto after = t.take(1);
        ASSERT_FALSE(after.empty());
        EXPECT_TRUE(msg::decodeMessage<msg::HeDiscard>(after[0]));
    } else {
        EXPECT_EQ(got.size(), 6u);
    }
    // She plays her own turns again to the end of the game (step() insists
    // that every turn the computer does not play is hers).
    const int before = core.engine().winner();
    EXPECT_TRUE(runUntil(
        [&] { return core.engine().winner() != before || !core.engine().gameInProgress; }));
}

INSTANTIATE_TEST_SUITE_P(Host, Rejoin,
                         ::testing::Values(Phase::Waiting, Phase::OwnTurn, Phase::OthersTurn,
                                           Phase::RoundScores, Phase::AfterWinner));

TEST_F(Table, AHostingWindowsOwnPlayerTakesBackTheTurnTheGameWaitsFor) {
    // Seat 1 of a hosting window is never played by the computer: the game
    // waits for it, and after taking the seat back it can play that turn.
    join("Host");
    join("Ann");
    deliver(1, msg::StartGameRequest{"Host", "5000", "70", false, false}.encode());
    ASSERT_TRUE(runUntil([&] { return waitsFor(1); }));
    core.connectionClosed(1);
    EXPECT_FALSE(t.computer);
    t.sent.clear();
    rejoin(1, "Host");
    const auto got = t.take(1);
    ASSERT_FALSE(got.empty());
    const auto turn = msg::decodeMessage<msg::NextPlayer>(got.back());
    ASSERT_TRUE(turn);
    EXPECT_EQ(turn->seat, 1);
    EXPECT_NE(turn->card, kNoCard);
    // The others are not told of the turn again.
    for (const std::string& m : t.take(2))
        EXPECT_FALSE(msg::decodeMessage<msg::NextPlayer>(m)) << m;
    deliver(1, msg::Discard{1, turn->slot}.encode());
    EXPECT_FALSE(waitsFor(1));
}

// ---------------------------------------------------------------- the host's rights

namespace {
std::vector<std::string> rightsIn(const std::vector<std::string>& messages) {
    std::vector<std::string> r;
    for (const std::string& m : messages)
        if (msg::decodeMessage<msg::HostRights>(m))
            r.push_back(m);
    return r;
}
} // namespace

TEST_F(Table, AHostingWindowKeepsItsRightsAndSaysNothingNew) {
    join("Host");
    join("Ann");
    core.connectionClosed(1);
    join("Bob");
    EXPECT_EQ(core.rightsHolder(), 1);
    for (auto& [e, messages] : t.sent)
        EXPECT_TRUE(rightsIn(messages).empty()) << e;
    // Seat 2 is no host, even with seat 1 gone.
    deliver(2, msg::StartGameRequest{"Ann", "5000", "70", false, false}.encode());
    EXPECT_FALSE(core.engine().gameInProgress);
}

TEST_F(Table, HeadlessRightsGoToTheLowestHumanAndBackToAReclaimedSeatOne) {
    core.setHeadless(true);
    EXPECT_EQ(core.rightsHolder(), 0);
    join("First");
    EXPECT_EQ(rightsIn(t.take(1)), std::vector<std::string>{text(msg::HostRights{1})});
    join("Ann");
    join("Bob");
    // Newcomers hear who holds the rights; the others hear nothing again.
    EXPECT_EQ(rightsIn(t.take(2)), std::vector<std::string>{text(msg::HostRights{1})});
    EXPECT_EQ(rightsIn(t.take(3)), std::vector<std::string>{text(msg::HostRights{1})});
    EXPECT_TRUE(rightsIn(t.take(1)).empty());
    // A connection that has not logged in holds no rights.
    const int spy = core.accept();
    t.take(spy);

    core.connectionClosed(1);
    EXPECT_EQ(core.rightsHolder(), 2);
    for (const int e : {2, 3})
        EXPECT_EQ(rightsIn(t.take(e)), std::vector<std::string>{text(msg::HostRights{2})}) << e;
    // A connection that has not logged in hears nothing of the table.
    EXPECT_TRUE(t.take(spy).empty());

    // Only the holder starts, switches others to watching and removes.
    deliver(3, msg::StartGameRequest{"Bob", "5000", "70", false, false}.encode());
    EXPECT_FALSE(core.engine().gameInProgress);
    deliver(2, msg::StartGameRequest{"Ann", "5000", "70", false, false}.encode());
    ASSERT_TRUE(core.engine().gameInProgress);
    deliver(3, msg::JustWatch{2, true}.encode());
    EXPECT_FALSE(core.engine().players[2].watching);
    deliver(2, msg::JustWatch{3, true}.encode());
    EXPECT_TRUE(core.engine().players[3].watching);
    deliver(3, msg::KickHim{3, spy}.encode());
    deliver(3, msg::KickHim{2, spy}.encode()); // speaking for the holder
    EXPECT_TRUE(t.closed.empty());
    deliver(2, msg::KickHim{2, spy}.encode());
    EXPECT_EQ(t.closed, std::vector<int>{spy});
    // The last word before the close tells it why.
    const auto spyGot = t.take(spy);
    ASSERT_FALSE(spyGot.empty());
    EXPECT_EQ(spyGot.back(), text(msg::Removed{spy}));
    EXPECT_EQ(t.sentAtClose[spy], spyGot.size());

    // Seat 1 comes back: the rights are its own again, and everybody hears.
    rejoin(1, "First");
    EXPECT_EQ(core.rightsHolder(), 1);
    for (const int e : {1, 2, 3})
        EXPECT_EQ(rightsIn(t.take(e)), std::vector<std::string>{text(msg::HostRights{1})}) << e;
    deliver(2, msg::JustWatch{3, false}.encode());
    EXPECT_TRUE(core.engine().players[3].watching);

    // The holder is removed by nobody but itself; when all leave, nobody
    // holds them, and the next login does.
    core.connectionClosed(1);
    core.connectionClosed(2);
    EXPECT_EQ(core.rightsHolder(), 3);
    core.connectionClosed(3);
    EXPECT_EQ(core.rightsHolder(), 0);
    // The computer plays on alone all the while.
    EXPECT_TRUE(core.engine().gameInProgress);
    t.sent.clear();
    const int e = join("Late");
    EXPECT_EQ(rightsIn(t.take(e)), std::vector<std::string>{text(msg::HostRights{e})});
}

TEST_F(Table, HeadlessSeatOneLeavingDuringItsTurnPassesTurnAndRights) {
    core.setHeadless(true);
    join("First");
    join("Ann");
    deliver(1, msg::StartGameRequest{"First", "1000", "50", false, false}.encode());
    ASSERT_TRUE(runUntil([&] { return waitsFor(1); }));
    t.sent.clear();
    core.connectionClosed(1);
    EXPECT_TRUE(t.computer);
    EXPECT_EQ(rightsIn(t.take(2)), std::vector<std::string>{text(msg::HostRights{2})});
    // Ann may start the next game once this one is over.
    ASSERT_TRUE(runUntil([&] { return !core.engine().gameInProgress; }));
    EXPECT_NE(core.engine().winner(), 0);
    // The winner is announced by name, the computer pilot of seat 1 too.
    for (const std::string& m : t.sent[2]) {
        if (const auto w = msg::decodeMessage<msg::Winner>(m)) {
            EXPECT_EQ(w->name, w->seat == 1 ? "Klank" : "Ann");
        }
    }
    deliver(2, msg::StartGameRequest{"Ann", "1000", "50", false, false}.encode());
    EXPECT_TRUE(core.engine().gameInProgress);
}
