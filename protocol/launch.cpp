#include "protocol/launch.h"

#include <arpa/inet.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace dw {

namespace {

std::optional<int> parsePort(const std::string& s) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < 1 || v > 65535)
        return std::nullopt;
    return v;
}

std::optional<double> parseScale(const std::string& s) {
    if (s.empty())
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v) || v <= 0.0 || v > 1000.0)
        return std::nullopt;
    return v;
}

std::string setPort(LaunchOptions& o, const std::string& value) {
    const auto port = parsePort(value);
    if (!port)
        return "--port needs a port number from 1 to 65535";
    o.port = *port;
    return {};
}

std::string setTimerScale(LaunchOptions& o, const std::string& value) {
    const auto scale = parseScale(value);
    if (!scale)
        return "--timer-scale needs a number above 0 (for example 0.01)";
    o.timerScale = *scale;
    return {};
}

std::string setPilotLevel(LaunchOptions& o, const std::string& value) {
    const auto level = parsePilotLevel(value);
    if (!level)
        return "--pilot-level needs classic or expert";
    o.pilotLevel = *level;
    return {};
}

std::string setFindSeconds(LaunchOptions& o, const std::string& value) {
    const auto seconds = parseScale(value);
    if (!seconds || *seconds > 600.0)
        return "--find-games needs a number of seconds above 0 (at most 600)";
    o.findSeconds = *seconds;
    return {};
}

std::string setOpenPort(LaunchOptions& o, const std::string& value) {
    const auto port = parsePort(value);
    if (!port)
        return "--open-port needs a port number from 1 to 65535";
    o.port = *port;
    return {};
}

std::string setStatusPort(LaunchOptions& o, const std::string& value) {
    const auto port = parsePort(value);
    if (!port)
        return "--status-port needs a port number from 1 to 65535";
    o.statusPort = *port;
    return {};
}

// Only a written-out IPv4 or IPv6 address: the short and numeric forms
// that the socket layer would also take ("0", "127.1", "2130706433") name
// addresses nobody meant, "0" every address of the machine.
bool isIpAddress(const std::string& s) {
    unsigned char buf[16];
    return inet_pton(AF_INET, s.c_str(), buf) == 1 || inet_pton(AF_INET6, s.c_str(), buf) == 1;
}

std::string setStatusAddress(LaunchOptions& o, const std::string& value) {
    if (!isIpAddress(value))
        return "--status-address needs an IP address such as 127.0.0.1, 0.0.0.0 or ::";
    o.statusAddress = value;
    return {};
}

std::string setFetchUrl(LaunchOptions& o, const std::string& value) {
    if (value.rfind("http://", 0) != 0)
        return "--fetch needs an http:// address";
    o.fetchUrl = value;
    return {};
}

std::string setNoAnnounce(LaunchOptions& o, const std::string&) {
    o.announce = false;
    return {};
}

std::string setAgones(LaunchOptions& o, const std::string&) {
    o.agones = true;
    return {};
}

// The options the command line knows: the word, the mode it runs instead of
// the game (the modes without a window), whether a value follows, and what
// the value or the word sets (it returns an error text, empty when fine).
struct Option {
    std::string_view word;
    std::optional<LaunchMode> mode;
    bool takesValue = false;
    std::string (*apply)(LaunchOptions& o, const std::string& value) = nullptr;
};

const Option kOptions[] = {
    {"--help", LaunchMode::Help, false, nullptr},
    {"-h", LaunchMode::Help, false, nullptr},
    {"--headless", LaunchMode::Headless, false, nullptr},
    {"--port", std::nullopt, true, setPort},
    {"--timer-scale", std::nullopt, true, setTimerScale},
    {"--pilot-level", std::nullopt, true, setPilotLevel},
    {"--no-announce", std::nullopt, false, setNoAnnounce},
    {"--agones", std::nullopt, false, setAgones},
    {"--find-games", LaunchMode::FindGames, true, setFindSeconds},
    {"--open-port", LaunchMode::OpenPort, true, setOpenPort},
    {"--status-port", std::nullopt, true, setStatusPort},
    {"--status-address", std::nullopt, true, setStatusAddress},
    {"--fetch", LaunchMode::Fetch, true, setFetchUrl},
};

const Option* findOption(std::string_view word) {
    for (const Option& option : kOptions)
        if (option.word == word)
            return &option;
    return nullptr;
}

} // namespace

LaunchOptions parseCommandLine(const std::vector<std::string>& args) {
    LaunchOptions o;
    std::optional<LaunchMode> optionMode;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Option* option = findOption(args[i]);
        if (!option) {
            positional.push_back(args[i]);
            continue;
        }
        // Help wins over every other mode on the line.
        if (option->mode && optionMode != LaunchMode::Help)
            optionMode = option->mode;
        std::string value;
        if (option->takesValue) {
            if (i + 1 >= args.size()) {
                o.error = std::string(option->word) + " needs a value";
                return o;
            }
            value = args[++i];
        }
        if (option->apply) {
            if (std::string error = option->apply(o, value); !error.empty()) {
                o.error = std::move(error);
                return o;
            }
        }
    }
    if (optionMode) {
        o.mode = *optionMode;
    } else if (positional.empty()) {
        o.mode = LaunchMode::Solo;
        o.playerName = "You";
        o.hostAddress = "127.0.0.1";
    } else if (positional.size() < 3) {
        o.mode = LaunchMode::Unconnected;
        o.playerName = positional[0];
        if (positional.size() > 1)
            o.hostAddress = positional[1];
    } else {
        o.playerName = positional[0];
        o.hostAddress = positional[1];
        o.mode = positional[2] == "true" ? LaunchMode::Host : LaunchMode::Join;
    }
    return o;
}

std::string usageText() {
    return "Usage: driftwake [NAME HOST true|join] [options]\n"
           "\n"
           "Without parameters Driftwake starts a solo game against computer pilots.\n"
           "  NAME HOST true     host a game as NAME (other players join this machine)\n"
           "  NAME HOST join     join the game hosted on HOST as NAME\n"
           "                     (any third word other than \"true\" joins)\n"
           "\n"
           "Options (only these words; any other is taken as a parameter, so NAME may\n"
           "begin with --):\n"
           "  --port N           host on, or join, TCP port N (default 7772)\n"
           "  --headless         run only the host server: no window, no own player;\n"
           "                     the lowest-seated player still connected holds the\n"
           "                     host's rights\n"
           "  --no-announce      do not announce a hosted game on the LAN\n"
           "  --status-port N    with --headless: serve GET /status (JSON) and GET /metrics\n"
           "                     (Prometheus) over HTTP on port N\n"
           "  --status-address A the IP address to serve them on (default 127.0.0.1;\n"
           "                     0.0.0.0 for every IPv4 address, :: for every IPv6 one)\n"
           "  --fetch URL        GET an http:// URL (5 s limit), print the answer and\n"
           "                     exit 0 on a 2xx status, 1 otherwise (health checks)\n"
           "  --agones           the headless host reports to the Agones SDK sidecar\n"
           "                     (port AGONES_SDK_HTTP_PORT, default 9358)\n"
           "  --find-games S     list the games announced on the LAN during S seconds\n"
           "                     and exit (1 when none was found)\n"
           "  --open-port N      keep TCP port N forwarded by the router (UPnP) until\n"
           "                     standard input ends or a signal arrives (the host\n"
           "                     dialog runs it)\n"
           "  --timer-scale X    multiply the game's pacing timers by X (for tests)\n"
           "  --pilot-level L    computer pilots of the headless host: classic or expert\n"
           "                     (default: the level last chosen in the Options menu)\n"
           "  --help             show this text\n";
}

int lobbyLinkPort(const char* fromEnvironment) {
    if (!fromEnvironment)
        return kLobbyLinkPort;
    const std::string_view text(fromEnvironment);
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return kLobbyLinkPort;
    return port;
}

} // namespace dw
