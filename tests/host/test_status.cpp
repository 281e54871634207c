// What the status endpoint reports of a host: the table's state and the
// counters through a game, a departure and a winner, the JSON text, the
// Prometheus text and the process memory.
#include "host/status.h"
#include "tests/host/hostcorefakes.h"

#include <sstream>

using namespace dw;

namespace {

// The host core whose spectators' messages are kept, with a count of the
// bytes fed to it.
struct Table : hostcoretest::HostOn<hostcoretest::TimedTransport, 4242> {
    std::uint64_t bytesIn = 0;

    // How many messages of `words` entry was sent.
    int count(int entry, std::initializer_list<std::string_view> words) {
        int n = 0;
        for (const std::string& m : t.sent[entry])
            for (std::string_view w : words)
                n += splitCommand(m).word == w;
        return n;
    }
    void feed(int entry, const std::string& bytes) {
        bytesIn += bytes.size();
        deliver(entry, bytes);
    }
    int login(const std::string& name) {
        const int entry = core.accept();
        feed(entry, msg::LoginInfo{entry, "1.0.1", name}.encode());
        return entry;
    }
    // Runs the engine's timers until a human seat is to play, or the game ends.
    void runUntilHumanTurn() {
        for (int i = 0; i < 200000; ++i) {
            const Engine& e = core.engine();
            if (!e.gameInProgress)
                return;
            const PlayerEntry& p = e.players[std::size_t(e.currentSeat)];
            if (e.pendingAction() == TimerAction::None && p.connected && !p.watching)
                return;
            if (t.computer)
                core.computerTick();
            else if (t.pauseTimer)
                core.pauseTick();
            else
                return;
        }
    }
    HostStatus status() const { return hostStatus(core, 7772, 12.5); }
};

// The value of metric `name` in a Prometheus text, -1 when missing.
double metric(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + " ", 0) == 0)
            return std::stod(line.substr(name.size() + 1));
    return -1;
}

} // namespace

TEST_F(Table, StatusAndCountersFollowAGameThroughADepartureToItsWinner) {
    // Before anything: an empty table.
    HostStatus s = status();
    EXPECT_FALSE(s.playing);
    EXPECT_EQ(s.connections, 0);
    EXPECT_EQ(s.port, 7772);
    EXPECT_EQ(s.version, "1.0.1");

    ASSERT_EQ(login("Ann"), 1);
    ASSERT_EQ(login("Bob"), 2);
    ASSERT_EQ(login("Cy"), 3);
    ASSERT_EQ(login("Di"), 4);
    ASSERT_EQ(login("Spy"), 5);
    core.connectionClosed(3);
    core.connectionClosed(4);
    feed(2, msg::Chat{2, "hi|clRed"}.encode());
    feed(5, msg::PlayASound{5, "wave4"}.encode());
    feed(3, msg::Chat{3, "from a closed seat"}.encode()); // not live: not relayed

    s = status();
    EXPECT_EQ(s.connections, 3);
    EXPECT_EQ(s.seats[0].name, "Ann");
    EXPECT_EQ(s.seats[1].name, "Bob");
    EXPECT_FALSE(s.seats[2].connected);
    EXPECT_EQ(s.spectators, std::vector<std::string>{"Spy"});
    EXPECT_EQ(core.counters().connections, 5u);
    EXPECT_EQ(core.counters().logins, 5u);
    EXPECT_EQ(core.counters().relayed, 2u);

    // A game against two computer pilots; one seat starting it is enough.
    feed(2, msg::StartGameRequest{"Bob", "1000", "50", true, true}.encode()); // not the host's
    EXPECT_EQ(core.counters().gamesStarted, 0u);
    feed(1, msg::StartGameRequest{"Ann", "1000", "50", true, true}.encode());
    runUntilHumanTurn();
    s = status();
    ASSERT_TRUE(s.playing);
    EXPECT_EQ(s.amount, 1000);
    EXPECT_EQ(s.distance, 50000);
    EXPECT_EQ(s.round, 1);
    EXPECT_EQ(s.winner, 0);
    for (const SeatStatus& seat : s.seats) {
        EXPECT_TRUE(seat.inGame) << seat.seat;
        EXPECT_EQ(seat.computer, seat.seat > 2) << seat.seat;
    }
    EXPECT_EQ(core.counters().gamesStarted, 1u);
    EXPECT_EQ(core.counters().rounds, 1u);

    // Nobody is under way yet: lightyears are refused, a discard is taken.
    const int turn = core.engine().currentSeat;
    ASSERT_TRUE(turn == 1 || turn == 2);
    const std::uint64_t playsBefore = core.counters().plays;
    feed(turn, msg::GoMiles{turn, 1}.encode());
    EXPECT_EQ(core.counters().refusals, 1u);
    EXPECT_EQ(core.counters().plays, playsBefore);
    feed(turn, msg::Discard{turn, 1}.encode());
    EXPECT_EQ(core.counters().plays, playsBefore + 1);

    // Bob leaves: the computer plays his seat, the spectator stays.
    core.connectionClosed(2);
    s = status();
    EXPECT_TRUE(s.playing);
    EXPECT_FALSE(s.seats[1].connected);
    EXPECT_TRUE(s.seats[1].name.empty());
    EXPECT_TRUE(s.seats[1].computer);
    EXPECT_FALSE(s.seats[0].computer);
    EXPECT_EQ(s.connections, 2);
    EXPECT_EQ(s.spectators.size(), 1u);

    // Ann watches too, and the computer plays the game to its winner.
    feed(1, msg::JustWatch{1, true}.encode());
    EXPECT_TRUE(status().seats[0].watching);
    EXPECT_TRUE(status().seats[0].computer);
    runUntilHumanTurn();
    s = status();
    EXPECT_FALSE(s.playing);
    EXPECT_NE(s.winner, 0);
    EXPECT_EQ(s.winner, core.engine().winner());
    EXPECT_FALSE(s.seats[0].computer);
    const HostCounters& c = core.counters();
    EXPECT_EQ(c.gamesFinished, 1u);
    EXPECT_EQ(c.gamesStarted, 1u);
    // The counts agree with what the watcher saw and with the engine.
    EXPECT_EQ(c.rounds, std::uint64_t(count(5, {msg::StartingRound::kWord})));
    EXPECT_EQ(long(c.rounds), s.round);
    EXPECT_EQ(c.plays, std::uint64_t(count(5, {msg::HeDiscard::kWord, msg::Traveling::kWord,
                                               msg::PlacingGo::kWord, msg::PlacingSpeed::kWord,
                                               msg::PlaySafe::kWord})));
    EXPECT_GT(c.plays, 10u);
    EXPECT_EQ(c.refusals, 1u);
    const std::size_t ignored = msg::Chat{3, "from a closed seat"}.encode().size();
    EXPECT_EQ(c.bytesIn, bytesIn - ignored);
}

// The counters count what happens at the table, not what somebody saw: a
// headless game the computer plays on alone after its last player left is
// counted to its winner.
TEST_F(Table, AGameTheComputerPlaysOnAloneIsCountedToItsWinner) {
    core.setHeadless(true);
    ASSERT_EQ(login("Ann"), 1);
    feed(1, msg::StartGameRequest{"Ann", "1000", "50", true, true}.encode());
    ASSERT_TRUE(core.engine().gameInProgress);
    core.connectionClosed(1);
    runUntilHumanTurn(); // nobody is left: to the winner
    ASSERT_FALSE(core.engine().gameInProgress);
    const HostCounters& c = core.counters();
    EXPECT_EQ(c.gamesStarted, 1u);
    EXPECT_EQ(c.gamesFinished, 1u);
    EXPECT_EQ(long(c.rounds), status().round);
    EXPECT_GT(c.plays, 10u);
}

TEST_F(Table, AFullTableCountsItsRefusals) {
    for (int i = 1; i <= HostCore::kMaxConnections; ++i)
        core.accept();
    EXPECT_EQ(core.accept(), HostCore::kFullEntry);
    EXPECT_EQ(core.counters().connections, 9u);
    EXPECT_EQ(core.counters().connectionsFull, 1u);
    EXPECT_EQ(status().connections, 9);
    EXPECT_EQ(status().spectators.size(), 5u); // nameless, still counted
}

TEST(StatusJson, NamesAreEscapedAndConvertedToUtf8) {
    HostStatus s;
    s.version = "1.0.1";
    s.port = 7772;
    s.seats[0] = {1, "", true, false, false, false};
    s.seats[1] = {2, "", false, false, false, false};
    s.seats[0].name = "Q\"uo\\te\x01\t";
    s.spectators = {"Jos\xC3\xA9"};
    s.playing = true;
    s.uptimeSeconds = 3.25;
    const std::string json = statusJson(s);
    EXPECT_NE(json.find(R"("name":"Q\"uo\\te\u0001\u0009")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"({"seat":2,"name":null,"connected":false)"), std::string::npos) << json;
    EXPECT_NE(json.find("\"spectators\":[\"Jos\xC3\xA9\"]"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("state":"playing")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("uptimeSeconds":3.250})"), std::string::npos) << json;
}

TEST(Metrics, EveryValueHasItsHelpAndTypeAndMatchesItsCounter) {
    // Each counter a different value, so that no two can be mixed up.
    const HostCounters c{7, 1, 6, 3, 2, 11, 400, 5, 9, 1234, 56789, 4, 8};
    HostStatus s;
    s.connections = 3;
    s.seats[0] = {1, "Ann", true, false, true, false};
    s.seats[1] = {2, "", true, false, true, false}; // connected, not logged in
    s.spectators = {"Spy"};
    s.playing = true;
    s.uptimeSeconds = 61.5;
    const std::string text = metricsText(c, s, ProcessMemory{3u << 20, 2u << 20});
    std::istringstream expected(
        "connections_total 7 connections_refused_total 1 connections 3 seated_players 1 "
        "spectators 1 logins_total 6 game_in_progress 1 games_started_total 3 "
        "games_finished_total 2 rounds_total 11 plays_total 400 refusals_total 5 "
        "messages_relayed_total 9 received_bytes_total 1234 sent_bytes_total 56789 "
        "reclaims_total 4 reclaims_refused_total 8 resident_memory_bytes 3145728 "
        "private_memory_bytes 2097152 "
        "uptime_seconds 61.5");
    std::string wanted;
    double value = 0;
    int names = 0;
    while (expected >> wanted >> value) {
        EXPECT_EQ(metric(text, "driftwake_" + wanted), value) << wanted;
        ++names;
    }

    // Every sample line follows its own HELP and TYPE; counters end in _total.
    std::istringstream in(text);
    std::string line, help, type;
    int samples = 0;
    while (std::getline(in, line)) {
        if (line.rfind("# HELP ", 0) == 0) {
            help = line.substr(7, line.find(' ', 7) - 7);
        } else if (line.rfind("# TYPE ", 0) == 0) {
            type = line.substr(7);
        } else {
            const std::string name = line.substr(0, line.find(' '));
            EXPECT_EQ(help, name);
            EXPECT_TRUE(type == name + " counter" || type == name + " gauge") << type;
            EXPECT_EQ(type == name + " counter", name.ends_with("_total")) << name;
            ++samples;
        }
    }
    EXPECT_EQ(samples, names);

    // Without memory figures the rest still comes.
    const std::string without = metricsText(c, s, std::nullopt);
    EXPECT_EQ(metric(without, "driftwake_private_memory_bytes"), -1);
    EXPECT_EQ(metric(without, "driftwake_games_finished_total"), 2);
}

TEST(ProcessMemoryTest, ReadsResidentAndPrivateFromSmapsRollup) {
    const std::string rollup = "55d0c0a00000-7ffd5d3f2000 ---p 00000000 00:00 0   [rollup]\n"
                               "Rss:                5120 kB\n"
                               "Pss:                3000 kB\n"
                               "Shared_Clean:       2048 kB\n"
                               "Shared_Dirty:          0 kB\n"
                               "Private_Clean:       512 kB\n"
                               "Private_Dirty:      2560 kB\n"
                               "Referenced:         5120 kB\n";
    const auto m = parseSmapsRollup(rollup);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->residentBytes, 5120u * 1024);
    EXPECT_EQ(m->privateBytes, 3072u * 1024);
    EXPECT_FALSE(parseSmapsRollup(""));
    EXPECT_FALSE(parseSmapsRollup("Rss: lots\n"));
    // This process: something resident, private no more than resident.
    const auto self = processMemory();
    ASSERT_TRUE(self);
    EXPECT_GT(self->residentBytes, 0u);
    EXPECT_LE(self->privateBytes, self->residentBytes);
}
