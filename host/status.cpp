#include "host/status.h"

#include "host/hostcore.h"
#include "protocol/protocol.h"
#include "text/windows1252.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace dw {

HostStatus hostStatus(const HostCore& core, int port, double uptimeSeconds) {
    const Engine& e = core.engine();
    HostStatus s;
    s.version = std::string(kVersion);
    s.port = port;
    s.playing = e.gameInProgress;
    s.amount = e.amountToEarn;
    s.distance = e.tripDistance;
    s.round = e.stats().rounds;
    s.winner = e.winner();
    s.uptimeSeconds = uptimeSeconds;
    for (int seat = 1; seat <= kSeats; ++seat) {
        const PlayerEntry& p = e.players[std::size_t(seat)];
        SeatStatus& out = s.seats[std::size_t(seat - 1)];
        out.seat = seat;
        out.connected = seat <= e.numEntries && p.connected;
        out.name = out.connected ? fromWindows1252(p.name) : std::string();
        out.watching = out.connected && p.watching;
        out.inGame = p.active;
        out.computer = e.gameInProgress && p.active && !(out.connected && !p.watching);
    }
    // Every live connection counts, logged in or not; a spectator's place
    // is listed from its connection on, nameless until its login.
    for (int entry = 1; entry <= HostCore::kMaxConnections; ++entry) {
        if (!core.linked(entry))
            continue;
        ++s.connections;
        if (entry > kSeats)
            s.spectators.push_back(
                core.loggedIn(entry) ? fromWindows1252(e.players[std::size_t(entry)].name) : "");
    }
    return s;
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped; the
// text is UTF-8 already.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* boolean(bool b) {
    return b ? "true" : "false";
}

} // namespace

std::string statusJson(const HostStatus& s) {
    std::ostringstream o;
    o << "{\"version\":" << quoted(s.version) << ",\"port\":" << s.port
      << ",\"state\":" << quoted(s.playing ? "playing" : "waiting") << ",\"amount\":" << s.amount
      << ",\"distance\":" << s.distance << ",\"round\":" << s.round << ",\"winner\":" << s.winner
      << ",\"connections\":" << s.connections << ",\"seats\":[";
    for (std::size_t i = 0; i < s.seats.size(); ++i) {
        const SeatStatus& seat = s.seats[i];
        o << (i ? "," : "") << "{\"seat\":" << seat.seat
          << ",\"name\":" << (seat.connected ? quoted(seat.name) : std::string("null"))
          << ",\"connected\":" << boolean(seat.connected)
          << ",\"watching\":" << boolean(seat.watching) << ",\"inGame\":" << boolean(seat.inGame)
          << ",\"computer\":" << boolean(seat.computer) << "}";
    }
    o << "],\"spectators\":[";
    for (std::size_t i = 0; i < s.spectators.size(); ++i)
        o << (i ? "," : "") << quoted(s.spectators[i]);
    char uptime[32];
    std::snprintf(uptime, sizeof uptime, "%.3f", s.uptimeSeconds);
    o << "],\"uptimeSeconds\":" << uptime << "}\n";
    return o.str();
}

std::optional<ProcessMemory> parseSmapsRollup(std::string_view text) {
    ProcessMemory m;
    bool rss = false;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        std::istringstream value(line.substr(colon + 1));
        std::uint64_t kb = 0;
        std::string unit;
        if (!(value >> kb >> unit) || unit != "kB")
            continue;
        if (key == "Rss") {
            m.residentBytes = kb * 1024;
            rss = true;
        } else if (key == "Private_Clean" || key == "Private_Dirty") {
            m.privateBytes += kb * 1024;
        }
    }
    if (!rss)
        return std::nullopt;
    return m;
}

std::optional<ProcessMemory> processMemory() {
    std::ifstream file("/proc/self/smaps_rollup");
    if (!file)
        return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    return parseSmapsRollup(text.str());
}

namespace {

struct Metric {
    const char* name;
    const char* type; // "counter" or "gauge"
    const char* help;
};

void put(std::ostringstream& o, const Metric& m, double value) {
    o << "# HELP " << m.name << ' ' << m.help << "\n# TYPE " << m.name << ' ' << m.type << '\n'
      << m.name << ' ';
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f", value);
    o << buf << '\n';
}

void put(std::ostringstream& o, const Metric& m, std::uint64_t value) {
    o << "# HELP " << m.name << ' ' << m.help << "\n# TYPE " << m.name << ' ' << m.type << '\n'
      << m.name << ' ' << value << '\n';
}

} // namespace

std::string metricsText(const HostCounters& c, const HostStatus& s,
                        const std::optional<ProcessMemory>& memory) {
    std::ostringstream o;
    int seated = 0;
    for (const SeatStatus& seat : s.seats)
        seated += seat.connected && !seat.name.empty();
    const auto n = [](auto v) { return static_cast<std::uint64_t>(v); };
    put(o,
        {"driftwake_connections_total", "counter", "Connections given a seat or a place to watch."},
        c.connections);
    put(o,
        {"driftwake_connections_refused_total", "counter",
         "Connections refused: the game was full."},
        c.connectionsFull);
    put(o, {"driftwake_connections", "gauge", "Live connections, players and spectators."},
        n(s.connections));
    put(o, {"driftwake_seated_players", "gauge", "Playing seats with a logged-in player."},
        n(seated));
    put(o, {"driftwake_spectators", "gauge", "Connections watching from beyond the playing seats."},
        n(s.spectators.size()));
    put(o, {"driftwake_logins_total", "counter", "Logins."}, c.logins);
    put(o, {"driftwake_game_in_progress", "gauge", "1 while a game runs, 0 while the table waits."},
        n(s.playing));
    put(o, {"driftwake_games_started_total", "counter", "Games started."}, c.gamesStarted);
    put(o, {"driftwake_games_finished_total", "counter", "Games played to a winner."},
        c.gamesFinished);
    put(o, {"driftwake_rounds_total", "counter", "Rounds dealt."}, c.rounds);
    put(o,
        {"driftwake_plays_total", "counter",
         "Plays and discards taken, computer pilots' included."},
        c.plays);
    put(o, {"driftwake_refusals_total", "counter", "Plays refused with an error code."},
        c.refusals);
    put(o,
        {"driftwake_messages_relayed_total", "counter", "Chat, action and sound messages relayed."},
        c.relayed);
    put(o, {"driftwake_received_bytes_total", "counter", "Bytes received from game connections."},
        c.bytesIn);
    put(o, {"driftwake_sent_bytes_total", "counter", "Bytes sent to game connections."},
        c.bytesOut);
    put(o, {"driftwake_reclaims_total", "counter", "Seats taken back with a seat key."},
        c.reclaims);
    put(o,
        {"driftwake_reclaims_refused_total", "counter",
         "Asks to take a seat back that were refused (wrong key, seat taken)."},
        c.reclaimsRefused);
    if (memory) {
        put(o, {"driftwake_resident_memory_bytes", "gauge", "Resident memory of the host process."},
            memory->residentBytes);
        put(o,
            {"driftwake_private_memory_bytes", "gauge",
             "Resident memory of the host process that no other process shares."},
            memory->privateBytes);
    }
    put(o, {"driftwake_uptime_seconds", "gauge", "Seconds since the host started."},
        s.uptimeSeconds);
    return o.str();
}

} // namespace dw
