// A table as hosting lobbies announce it: an element of the game's own
// namespace inside their presence in the room, e.g.
//
//   <table xmlns='urn:driftwake:table:1' name='Friday run' seats='2'
//          spectators='1' state='waiting' amount='500' version='1.0.1'>
//     <address>203.0.113.7:7772</address>
//     <address>[2001:db8::7]:7772</address>
//   </table>
//
// Presence from others is hostile until checked: every size and value is
// bounded, and addresses on loopback, link-local, multicast or unspecified
// networks are refused, so that a presence cannot point joiners at local
// services. Plain C++ on a small element model; lobby/stanzaelement.h
// converts to and from libstrophe's stanzas.
#pragma once

#include "protocol/lanwire.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dw::lobby {

inline constexpr std::string_view kTableNs = "urn:driftwake:table:1";
inline constexpr int kMaxSeats = 4;
inline constexpr int kMaxSpectators = 999;
inline constexpr int kMaxAmount = 999999999;
inline constexpr std::size_t kMaxTableName = kMaxGameName;
inline constexpr std::size_t kMaxVersion = 16;
inline constexpr std::size_t kMaxAddresses = 4;

// An XML element: what the table needs of one, and no more.
struct Element {
    std::string name;
    std::string ns;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text; // the element's own text, children's not included
    std::vector<Element> children;

    // The first attribute `key`, or null.
    const std::string* attribute(std::string_view key) const;
};

struct Table {
    std::string name; // UTF-8, as sent: show it with displayText()
    int seats = 0;    // playing seats taken, of kMaxSeats
    int spectators = 0;
    bool playing = false;
    int amount = 0;                  // the amount to earn
    std::string version;             // the protocol version the host speaks
    std::vector<HostPort> addresses; // where to join; none: not shown
    friend bool operator==(const Table&, const Table&) = default;
};

Element tableElement(const Table& table);

// The table in `element`, or nothing when `element` is no table of this
// namespace or a value is missing or out of bounds. Addresses that are not
// an IP address with a port, or that are refused (isJoinableAddress), are
// left out; the rest of the table stands.
std::optional<Table> parseTable(const Element& element);

// True for an IPv4 or IPv6 address (no host name) that a joiner may be sent
// to: not loopback, link-local, multicast, unspecified or broadcast.
bool isJoinableAddress(std::string_view host);

} // namespace dw::lobby
