#include "store/netchoices.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace dw;

TEST(NetworkChoices, AreKeptInTheGameSectionBesideEverythingElse) {
    IniFile ini = IniFile::fromText("[Korvel]\nPilotname=Lobby's\n[Driftwake]\nTextsize=10\n");
    EXPECT_EQ(loadNetworkChoices(ini), NetworkChoices{});

    NetworkChoices c;
    c.pilotName = "Ann Smith";
    c.hostPort = 7790;
    c.internet = true;
    c.recentHosts = {"example.org", "[::1]:7790"};
    saveNetworkChoices(ini, c);
    EXPECT_EQ(loadNetworkChoices(IniFile::fromText(ini.text())), c);
    // The lobby's section and the other keys are untouched.
    EXPECT_EQ(ini.read("Korvel", "Pilotname"), "Lobby's");
    EXPECT_EQ(ini.read("Driftwake", "Textsize"), "10");

    // Fewer hosts later clear the keys of the ones no longer kept.
    c.recentHosts = {"b"};
    saveNetworkChoices(ini, c);
    EXPECT_EQ(loadNetworkChoices(ini).recentHosts, std::vector<std::string>{"b"});

    // Unusable values read as the defaults; repeated hosts are read once.
    ini = IniFile::fromText("[Driftwake]\nHostport=99999\nHostinternet=True\n"
                            "Recenthost1=a\nRecenthost2=A\nRecenthost4=c\n");
    const NetworkChoices odd = loadNetworkChoices(ini);
    EXPECT_EQ(odd.hostPort, 7772);
    EXPECT_FALSE(odd.internet);
    EXPECT_EQ(odd.recentHosts, (std::vector<std::string>{"a", "c"}));
}

TEST(NetworkChoices, RecentHostsKeepTheLatestTenWithoutRepeats) {
    std::vector<std::string> recent;
    for (int i = 1; i <= 12; ++i)
        recent = rememberHost(recent, "host" + std::to_string(i));
    ASSERT_EQ(recent.size(), kRecentHosts);
    EXPECT_EQ(recent.front(), "host12");
    EXPECT_EQ(recent.back(), "host3");
    recent = rememberHost(recent, "HOST5");
    EXPECT_EQ(recent.size(), kRecentHosts);
    EXPECT_EQ(recent.front(), "HOST5");
    EXPECT_EQ(std::count(recent.begin(), recent.end(), "host5"), 0);
}

TEST(LobbyChoices, AreKeptInTheGameSectionApartFromTheNetworkChoices) {
    IniFile ini = IniFile::fromText("[Korvel]\nLobbyserver=theirs\n[Driftwake]\nPilotname=Ann\n");
    EXPECT_EQ(loadLobbyChoices(ini), LobbyChoices{});
    const LobbyChoices c{"lobby.example.org:5223", "ann@example.org", "pilots@muc.example.org",
                         "anon.example.org"};
    saveLobbyChoices(ini, c);
    EXPECT_EQ(loadLobbyChoices(IniFile::fromText(ini.text())), c);
    EXPECT_EQ(ini.read("Korvel", "Lobbyserver"), "theirs");
    // Saving the host dialog's choices leaves them alone, and the other way round.
    saveNetworkChoices(ini, loadNetworkChoices(ini));
    EXPECT_EQ(loadLobbyChoices(ini), c);
    EXPECT_EQ(loadNetworkChoices(ini).pilotName, "Ann");
}
