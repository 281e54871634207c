// What the host and join dialogs remember, in the game's own section of the
// settings file (keys the lobby does not use): the pilot name, the port and
// internet choice of the host dialog, and the hosts joined lately.
#pragma once

#include "store/inifile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dw {

inline constexpr std::size_t kRecentHosts = 10;

struct NetworkChoices {
    // Empty until the user first chose one.
    std::string pilotName;
    int hostPort = 7772;
    bool internet = false;
    // Newest first, at most kRecentHosts, no repeats.
    std::vector<std::string> recentHosts;
    friend bool operator==(const NetworkChoices&, const NetworkChoices&) = default;
};

// Keys: "Pilotname", "Hostport", "Hostinternet" ("true"/"false") and
// "Recenthost1" to "Recenthost10".
NetworkChoices loadNetworkChoices(const IniFile& ini);
void saveNetworkChoices(IniFile& ini, const NetworkChoices& c);
NetworkChoices loadNetworkChoicesFile(const std::filesystem::path& path);
bool saveNetworkChoicesFile(const std::filesystem::path& path, const NetworkChoices& c);

// What the lobby's sign-in window remembers, in the same section. The
// password is never among them: it goes to the desktop's secret store.
struct LobbyChoices {
    std::string server;      // HOST[:PORT]
    std::string account;     // name@domain
    std::string room;        // empty: driftwake@conference. and the domain
    std::string guestDomain; // empty: guest. and the domain
    friend bool operator==(const LobbyChoices&, const LobbyChoices&) = default;
};

// Keys: "Lobbyserver", "Lobbyaccount", "Lobbyroom" and "Lobbyguestdomain".
LobbyChoices loadLobbyChoices(const IniFile& ini);
void saveLobbyChoices(IniFile& ini, const LobbyChoices& c);
LobbyChoices loadLobbyChoicesFile(const std::filesystem::path& path);
bool saveLobbyChoicesFile(const std::filesystem::path& path, const LobbyChoices& c);

// `recent` with `host` put first (an earlier mention, compared without
// regard to letter case, is dropped), cut to kRecentHosts.
std::vector<std::string> rememberHost(std::vector<std::string> recent, const std::string& host);

} // namespace dw
