#include "net/launch.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

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

} // namespace

LaunchOptions parseCommandLine(const std::vector<std::string>& args) {
    LaunchOptions o;
    std::vector<std::string> positional;
    bool headless = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            positional.push_back(a);
            continue;
        }
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            o.mode = LaunchMode::Help;
            return o;
        } else if (a == "--headless") {
            headless = true;
        } else if (a == "--no-announce") {
            o.announce = false;
        } else if (a == "--find-games") {
            const auto seconds = hasValue ? parseScale(args[++i]) : std::nullopt;
            if (!seconds || *seconds > 600.0) {
                o.error = "--find-games needs a number of seconds above 0 (at most 600)";
                return o;
            }
            o.findSeconds = *seconds;
            o.mode = LaunchMode::FindGames;
            return o;
        } else if (a == "--open-port") {
            const auto port = hasValue ? parsePort(args[++i]) : std::nullopt;
            if (!port) {
                o.error = "--open-port needs a port number from 1 to 65535";
                return o;
            }
            o.port = *port;
            o.mode = LaunchMode::OpenPort;
            return o;
        } else if (a == "--port") {
            const auto port = hasValue ? parsePort(args[++i]) : std::nullopt;
            if (!port) {
                o.error = "--port needs a port number from 1 to 65535";
                return o;
            }
            o.port = *port;
        } else if (a == "--timer-scale") {
            const auto scale = hasValue ? parseScale(args[++i]) : std::nullopt;
            if (!scale) {
                o.error = "--timer-scale needs a number above 0 (for example 0.01)";
                return o;
            }
            o.timerScale = *scale;
        } else {
            o.error = "unknown option " + a;
            return o;
        }
    }
    if (headless) {
        o.mode = LaunchMode::Headless;
        return o;
    }
    if (positional.empty()) {
        o.mode = LaunchMode::Solo;
        o.playername = "You";
        o.hostaddress = "127.0.0.1";
    } else if (positional.size() < 3) {
        o.mode = LaunchMode::Unconnected;
        o.playername = positional[0];
        if (positional.size() > 1)
            o.hostaddress = positional[1];
    } else {
        o.playername = positional[0];
        o.hostaddress = positional[1];
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
           "Options:\n"
           "  --port N           host on, or join, TCP port N (default 7772)\n"
           "  --headless         run only the host server: no window, no own player;\n"
           "                     the first connection becomes the host's player\n"
           "  --no-announce      do not announce a hosted game on the LAN\n"
           "  --find-games S     list the games announced on the LAN during S seconds\n"
           "                     and exit (1 when none was found)\n"
           "  --timer-scale X    multiply the game's pacing timers by X (for tests)\n"
           "  --help             show this text\n";
}

} // namespace dw
