#include "protocol/lanwire.h"

#include <algorithm>
#include <charconv>

namespace dw {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::optional<int> readInt(std::string_view s, int lo, int hi) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

bool isHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

std::string cleanName(std::string_view s) {
    std::string out(s.substr(0, kMaxGameName));
    // Cutting may split a UTF-8 sequence: drop the incomplete tail.
    if (s.size() > kMaxGameName) {
        std::size_t cut = out.size();
        while (cut > 0 && (static_cast<unsigned char>(out[cut - 1]) & 0xC0) == 0x80)
            --cut;
        if (cut > 0 && static_cast<unsigned char>(out[cut - 1]) >= 0xC0)
            out.resize(cut - 1);
    }
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

} // namespace

std::string encodeAnnouncement(const Announcement& a) {
    std::string out(kAnnouncementHeader);
    out += "\nid=" + a.id;
    out += "\nport=" + std::to_string(a.port);
    out += "\nseated=" + std::to_string(a.seated);
    out += "\nspectators=" + std::to_string(std::clamp(a.spectators, 0, kMaxAnnouncedSpectators));
    out += a.playing ? "\nstate=playing" : "\nstate=waiting";
    out += "\namount=" + std::to_string(std::clamp(a.amount, 0, kMaxAnnouncedAmount));
    out += "\nversion=" + a.version;
    out += "\nname=" + cleanName(a.name) + "\n";
    return out;
}

std::optional<Announcement> decodeAnnouncement(std::string_view datagram) {
    if (datagram.size() > kMaxAnnouncement)
        return std::nullopt;
    Announcement a;
    bool header = true, havePort = false, haveState = false;
    while (!datagram.empty()) {
        const std::size_t nl = datagram.find('\n');
        if (nl == std::string_view::npos)
            return std::nullopt; // every line ends in "\n"
        const std::string_view line = datagram.substr(0, nl);
        datagram.remove_prefix(nl + 1);
        if (header) {
            if (line != kAnnouncementHeader)
                return std::nullopt;
            header = false;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "id") {
            if (value.empty() || value.size() > 16 || !isHex(value))
                return std::nullopt;
            a.id = value;
        } else if (key == "port") {
            const auto port = readInt(value, 1, 65535);
            if (!port)
                return std::nullopt;
            a.port = *port;
            havePort = true;
        } else if (key == "seated") {
            const auto seated = readInt(value, 0, 4);
            if (!seated)
                return std::nullopt;
            a.seated = *seated;
        } else if (key == "spectators") {
            const auto spectators = readInt(value, 0, kMaxAnnouncedSpectators);
            if (!spectators)
                return std::nullopt;
            a.spectators = *spectators;
        } else if (key == "amount") {
            const auto amount = readInt(value, 0, kMaxAnnouncedAmount);
            if (!amount)
                return std::nullopt;
            a.amount = *amount;
        } else if (key == "state") {
            if (value != "playing" && value != "waiting")
                return std::nullopt;
            a.playing = value == "playing";
            haveState = true;
        } else if (key == "version") {
            a.version = cleanName(value);
        } else if (key == "name") {
            a.name = cleanName(value);
        }
    }
    if (header || a.id.empty() || !havePort || !haveState)
        return std::nullopt;
    return a;
}

std::optional<HostPort> parseHostPort(std::string_view text, int defaultPort) {
    text = trim(text);
    HostPort hp;
    hp.port = defaultPort;
    std::string_view portText;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        hp.host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            portText = rest.substr(1);
            if (portText.empty())
                return std::nullopt;
        }
        if (hp.host.find(':') == std::string::npos)
            return std::nullopt; // brackets only hold IPv6 addresses
    } else {
        const std::size_t first = text.find(':');
        if (first != std::string_view::npos &&
            text.find(':', first + 1) != std::string_view::npos) {
            hp.host = text; // a bare IPv6 address: its colons are not a port
        } else if (first != std::string_view::npos) {
            hp.host = text.substr(0, first);
            portText = text.substr(first + 1);
            if (portText.empty())
                return std::nullopt;
        } else {
            hp.host = text;
        }
    }
    if (hp.host.empty() || hp.host.find_first_of("[] \t/") != std::string::npos)
        return std::nullopt;
    if (!portText.empty()) {
        const auto port = readInt(portText, 1, 65535);
        if (!port)
            return std::nullopt;
        hp.port = *port;
    }
    return hp;
}

std::string formatHostPort(std::string_view host, int port) {
    if (host.find(':') != std::string_view::npos)
        return "[" + std::string(host) + "]:" + std::to_string(port);
    return std::string(host) + ":" + std::to_string(port);
}

} // namespace dw
