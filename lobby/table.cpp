#include "lobby/table.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace dw::lobby {

namespace {

// A decimal number of at most nine digits within [0, max].
std::optional<int> number(const std::string* text, int max) {
    if (!text || text->empty() || text->size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80           ? 1
                             : (c >> 5) == 0x6  ? 2
                             : (c >> 4) == 0xE  ? 3
                             : (c >> 3) == 0x1E ? 4
                                                : 0;
        if (length == 0 || i + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (d & 0x3F);
        }
        static constexpr std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool versionCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '-';
}

} // namespace

const std::string* Element::attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes)
        if (k == key)
            return &v;
    return nullptr;
}

bool isJoinableAddress(std::string_view host) {
    if (host.empty() || host.size() > 45)
        return false;
    const std::string text(host);
    std::array<unsigned char, 16> a{};
    if (inet_pton(AF_INET, text.c_str(), a.data()) == 1) {
        if (a[0] == 0 || a[0] == 127) // this network, loopback
            return false;
        if (a[0] == 169 && a[1] == 254) // link-local
            return false;
        if (a[0] >= 224) // multicast, reserved, broadcast
            return false;
        return true;
    }
    if (inet_pton(AF_INET6, text.c_str(), a.data()) != 1)
        return false; // a host name, or a zone index: not sent to joiners
    static constexpr std::array<unsigned char, 16> unspecified{};
    std::array<unsigned char, 16> loopback{};
    loopback[15] = 1;
    if (a == unspecified || a == loopback)
        return false;
    if (a[0] == 0xFF) // multicast
        return false;
    if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) // link-local
        return false;
    // An IPv4 address written as IPv6 (::ffff:a.b.c.d, ::a.b.c.d) is
    // judged as the IPv4 address it is.
    const bool mapped =
        std::all_of(a.begin(), a.begin() + 10, [](unsigned char b) { return b == 0; }) &&
        ((a[10] == 0xFF && a[11] == 0xFF) || (a[10] == 0 && a[11] == 0));
    if (mapped) {
        char v4[INET_ADDRSTRLEN];
        if (!inet_ntop(AF_INET, a.data() + 12, v4, sizeof v4))
            return false;
        return isJoinableAddress(v4);
    }
    return true;
}

Element tableElement(const Table& table) {
    Element e;
    e.name = "table";
    e.ns = std::string(kTableNs);
    e.attributes = {{"name", table.name},
                    {"seats", std::to_string(table.seats)},
                    {"spectators", std::to_string(table.spectators)},
                    {"state", table.playing ? "playing" : "waiting"},
                    {"amount", std::to_string(table.amount)},
                    {"version", table.version}};
    for (const HostPort& address : table.addresses) {
        Element child;
        child.name = "address";
        child.ns = e.ns;
        child.text = formatHostPort(address.host, address.port);
        e.children.push_back(std::move(child));
    }
    return e;
}

std::optional<Table> parseTable(const Element& element) {
    if (element.name != "table" || element.ns != kTableNs)
        return std::nullopt;
    Table t;
    const std::string* name = element.attribute("name");
    if (!name || name->empty() || name->size() > kMaxTableName || !validUtf8(*name))
        return std::nullopt;
    t.name = *name;
    const auto seats = number(element.attribute("seats"), kMaxSeats);
    const auto spectators = number(element.attribute("spectators"), kMaxSpectators);
    const auto amount = number(element.attribute("amount"), kMaxAmount);
    if (!seats || !spectators || !amount)
        return std::nullopt;
    t.seats = *seats;
    t.spectators = *spectators;
    t.amount = *amount;
    const std::string* state = element.attribute("state");
    if (!state || (*state != "waiting" && *state != "playing"))
        return std::nullopt;
    t.playing = *state == "playing";
    const std::string* version = element.attribute("version");
    if (!version || version->empty() || version->size() > kMaxVersion ||
        !std::all_of(version->begin(), version->end(), versionCharacter))
        return std::nullopt;
    t.version = *version;
    for (const Element& child : element.children) {
        if (child.name != "address" || child.ns != kTableNs)
            continue; // what later versions add
        if (t.addresses.size() == kMaxAddresses)
            break;
        if (child.text.size() > 64)
            continue;
        const auto hp = parseHostPort(child.text, 0);
        if (!hp || hp->port < 1 || hp->port > 65535 || !isJoinableAddress(hp->host))
            continue;
        t.addresses.push_back(*hp);
    }
    return t;
}

} // namespace dw::lobby
