// What the command line asks for: a solo game, hosting, joining, the
// headless host, or help. Plain C++ so the rules are easy to test.
#pragma once

#include "engine/pilot.h"

#include <optional>
#include <string>
#include <vector>

namespace dw {

enum class LaunchMode {
    Solo,        // no parameters: host a game for "You" against the computer
    Host,        // NAME HOST true
    Join,        // NAME HOST anything-else
    Unconnected, // one or two parameters: show the loading line, connect nowhere
    Headless,    // --headless: only the host server, no window
    FindGames,   // --find-games SECONDS: list the games heard on the LAN
    OpenPort,    // --open-port N: keep the router port N forwarded (helper)
    Fetch,       // --fetch URL: GET an http:// address, exit 0 on a 2xx answer
    Help,        // --help
};

struct LaunchOptions {
    LaunchMode mode = LaunchMode::Solo;
    std::string playerName;
    std::string hostAddress;
    int port = 7772;
    double timerScale = 1.0;
    // --pilot-level: the computer pilots' level; without it the stored
    // setting holds.
    std::optional<PilotLevel> pilotLevel;
    // --no-announce: a host does not announce itself on the LAN.
    bool announce = true;
    // --status-port N: the headless host serves its status over HTTP on
    // this port (0: not at all), on --status-address.
    int statusPort = 0;
    std::string statusAddress = "127.0.0.1";
    // --fetch URL: the address to ask.
    std::string fetchUrl;
    // --agones: the headless host reports to the Agones SDK sidecar.
    bool agones = false;
    // --find-games SECONDS: how long to listen.
    double findSeconds = 0.0;
    // Set when the command line cannot be used; the text says why.
    std::string error;
};

// The exit status of a copy started with the launch line (NAME HOST
// true|join) whose game ended without its user closing the window.
enum class ExitStatus : int {
    GameOver = 0,     // the window was closed
    Removed = 3,      // the host removed the player
    HostEnded = 4,    // the host ended the game, or no longer runs
    RejoinGaveUp = 5, // the link to the host could not be made again
};

// Reads the arguments after the program name. Positional parameters are the
// player name, the host and "true" for hosting. Options are only the words
// this program knows (--port N, --headless, --timer-scale X,
// --pilot-level classic|expert, --no-announce, --agones, --find-games SECONDS,
// --open-port N, --status-port N, --status-address A, --fetch URL, --help,
// -h); every other word is a positional parameter, so
// a player name is used unchanged even when it begins with "--".
LaunchOptions parseCommandLine(const std::vector<std::string>& args);

// The lobby link: a game started with NAME HOST true|join connects to this
// port on 127.0.0.1 and keeps the connection open, silent, while it runs.
inline constexpr int kLobbyLinkPort = 9001;
// The port of the lobby link: `fromEnvironment` (the value of
// DRIFTWAKE_LOBBY_LINK_PORT, null when unset) when it is a port number,
// otherwise kLobbyLinkPort.
int lobbyLinkPort(const char* fromEnvironment);

// The text --help prints.
std::string usageText();

} // namespace dw
