// The list of tables built from presences: tables come and go with their
// hosts, and a pilot who floods the room is ignored until it leaves.
#include "lobby/tablelist.h"

#include <gtest/gtest.h>

using namespace dw::lobby;
using namespace std::chrono_literals;

namespace {

Table table(const std::string& name, int seats) {
    Table t;
    t.name = name;
    t.seats = seats;
    t.version = "1.0.1";
    return t;
}

} // namespace

TEST(TableList, TablesComeAndGoWithTheirHosts) {
    TableList list;
    const auto t0 = TableList::Clock::time_point{};
    EXPECT_FALSE(list.heard("Ben", std::nullopt, t0)); // a pilot without a table
    EXPECT_TRUE(list.heard("Ann", table("Friday", 1), t0));
    EXPECT_FALSE(list.heard("Ann", table("Friday", 1), t0 + 2s)); // nothing new
    EXPECT_TRUE(list.heard("Ann", table("Friday", 2), t0 + 4s));
    EXPECT_EQ(list.tables().at("Ann").seats, 2);
    EXPECT_TRUE(list.heard("Ann", std::nullopt, t0 + 6s)); // the game ended
    EXPECT_TRUE(list.tables().empty());
    EXPECT_TRUE(list.heard("Ann", table("Friday", 0), t0 + 8s));
    EXPECT_TRUE(list.left("Ann"));
    EXPECT_TRUE(list.tables().empty());
}

TEST(TableList, AFloodingPilotIsIgnoredUntilItLeaves) {
    TableList list;
    auto now = TableList::Clock::time_point{};
    // One presence every 2 s, as lobbies send, is never a flood.
    for (int i = 0; i < 50; ++i, now += 2s)
        list.heard("Ann", table("Friday", i % 4), now);
    EXPECT_FALSE(list.ignored("Ann"));
    // Many presences in a burst: the table goes and the pilot is ignored.
    list.heard("Eve", table("Trap", 1), now);
    for (int i = 0; i < 20; ++i)
        list.heard("Eve", table("Trap", i % 4), now + std::chrono::milliseconds(i * 10));
    EXPECT_TRUE(list.ignored("Eve"));
    EXPECT_EQ(list.tables().count("Eve"), 0u);
    EXPECT_FALSE(list.heard("Eve", table("Trap", 1), now + 1h));
    EXPECT_EQ(list.tables().count("Ann"), 1u);
    // Once it left, a new pilot of that name is heard again.
    list.left("Eve");
    EXPECT_TRUE(list.heard("Eve", table("Fair", 1), now + 2h));
}

TEST(TableList, TheListIsBounded) {
    TableList list;
    const auto t0 = TableList::Clock::time_point{};
    for (std::size_t i = 0; i < TableList::kMaxTables + 50; ++i)
        list.heard("P" + std::to_string(i), table("T", 0), t0);
    EXPECT_EQ(list.tables().size(), TableList::kMaxTables);
}
