#include "protocol/lanwire.h"

#include <gtest/gtest.h>

using namespace dw;

TEST(LanWire, AnnouncementsRoundTripAndReadersSkipUnknownKeys) {
    Announcement a{"a1b2c3d4", 7790, 3, true, "Ann's game", "1.0.1", 2, 5000};
    const std::string text = encodeAnnouncement(a);
    EXPECT_EQ(text, "DRIFTWAKE GAME 1\nid=a1b2c3d4\nport=7790\nseated=3\nspectators=2\n"
                    "state=playing\namount=5000\nversion=1.0.1\nname=Ann's game\n");
    EXPECT_EQ(decodeAnnouncement(text), a);
    // An announcement of an earlier version, without spectators and amount.
    const auto earlier = decodeAnnouncement("DRIFTWAKE GAME 1\nid=a1\nport=7790\nseated=1\n"
                                            "state=waiting\nversion=1.0.1\nname=Old\n");
    ASSERT_TRUE(earlier);
    EXPECT_EQ(earlier->spectators, 0);
    EXPECT_EQ(earlier->amount, 0);
    // The longest name with the largest counts still fits one datagram.
    a.name = std::string(kMaxGameName, 'n');
    a.spectators = kMaxAnnouncedSpectators;
    a.amount = kMaxAnnouncedAmount;
    a.id = std::string(16, 'f');
    EXPECT_LE(encodeAnnouncement(a).size(), kMaxAnnouncement);
    EXPECT_EQ(decodeAnnouncement(encodeAnnouncement(a)), a);
    // A later version may add keys and reorder them.
    const auto later = decodeAnnouncement("DRIFTWAKE GAME 1\nstate=waiting\nmap=nebula\n"
                                          "port=7772\nid=ff\nnote\n");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->port, 7772);
    EXPECT_FALSE(later->playing);
    EXPECT_EQ(later->seated, 0);
    EXPECT_EQ(later->name, "");
}

TEST(LanWire, RejectsWhatIsNotAWellFormedAnnouncement) {
    const std::string ok = "DRIFTWAKE GAME 1\nid=1\nport=7772\nstate=waiting\n";
    ASSERT_TRUE(decodeAnnouncement(ok));
    for (const std::string& bad : {
             std::string(), std::string("DRIFTWAKE GAME 2\nid=1\nport=7772\nstate=waiting\n"),
             std::string("DRIFTWAKE GAME 1\nid=1\nport=7772\nstate=waiting"), // no final newline
             std::string("DRIFTWAKE GAME 1\nid=1\nstate=waiting\n"),          // no port
             std::string("DRIFTWAKE GAME 1\nid=1\nport=0\nstate=waiting\n"),
             std::string("DRIFTWAKE GAME 1\nid=1\nport=65536\nstate=waiting\n"),
             std::string("DRIFTWAKE GAME 1\nid=1\nport=77x\nstate=waiting\n"),
             std::string("DRIFTWAKE GAME 1\nid=1\nport=7772\nstate=asleep\n"),
             std::string("DRIFTWAKE GAME 1\nid=1\nport=7772\nseated=5\nstate=waiting\n"),
             ok + "spectators=1000\n", ok + "spectators=-1\n", ok + "spectators=two\n",
             ok + "amount=1000000000\n", ok + "amount=-5\n", ok + "amount=\n",
             std::string("DRIFTWAKE GAME 1\nid=xyz\nport=7772\nstate=waiting\n"),
             std::string("DRIFTWAKE GAME 1\nport=7772\nstate=waiting\n"), // no id
             ok + "name=" + std::string(600, 'a') + "\n",                 // too long
         })
        EXPECT_FALSE(decodeAnnouncement(bad)) << bad;
}

TEST(LanWire, NamesAreCleanedAndCutWithoutSplittingCharacters) {
    Announcement a{"1", 7772, 0, false, "tab\there", "1.0.1"};
    EXPECT_EQ(decodeAnnouncement(encodeAnnouncement(a))->name, "tab here");
    // 63 ASCII bytes and a two-byte character that would straddle the cut.
    a.name = std::string(63, 'x') + "\xC3\xA9" + "yyy";
    const std::string name = decodeAnnouncement(encodeAnnouncement(a))->name;
    EXPECT_EQ(name, std::string(63, 'x'));
}

TEST(LanWire, ReadsEveryAddressFormAPlayerMayType) {
    struct Case {
        const char* text;
        std::optional<HostPort> want;
    };
    const Case cases[] = {
        {"example.org", HostPort{"example.org", 7772}},
        {"  example.org:7790 ", HostPort{"example.org", 7790}},
        {"192.168.1.5", HostPort{"192.168.1.5", 7772}},
        {"192.168.1.5:80", HostPort{"192.168.1.5", 80}},
        {"::1", HostPort{"::1", 7772}},
        {"fe80::1%eth0", HostPort{"fe80::1%eth0", 7772}},
        {"[::1]", HostPort{"::1", 7772}},
        {"[::1]:7790", HostPort{"::1", 7790}},
        {"[2001:db8::5]:65535", HostPort{"2001:db8::5", 65535}},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {":7772", std::nullopt},
        {"host:", std::nullopt},
        {"host:0", std::nullopt},
        {"host:70000", std::nullopt},
        {"host:port", std::nullopt},
        {"[::1", std::nullopt},
        {"[::1]7790", std::nullopt},
        {"[::1]:", std::nullopt},
        {"[host]:7772", std::nullopt},
        {"two words", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseHostPort(c.text, 7772), c.want) << c.text;
    EXPECT_EQ(formatHostPort("::1", 7790), "[::1]:7790");
    EXPECT_EQ(formatHostPort("10.0.0.2", 7772), "10.0.0.2:7772");
    EXPECT_EQ(parseHostPort(formatHostPort("fd00::2", 7000), 1), (HostPort{"fd00::2", 7000}));
}
