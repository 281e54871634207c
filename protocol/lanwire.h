// Finding games on the LAN: the announcement a host broadcasts over UDP and
// the address text a player types to join ("host", "host:port",
// "[v6-address]:port"). Plain C++; the sockets live in host/lan.h.
//
// An announcement is one UDP datagram of at most kMaxAnnouncement bytes of
// UTF-8 text: the line "DRIFTWAKE GAME 1", then "key=value" lines, each
// ended by "\n". Readers ignore keys they do not know, so later versions may
// add keys; a datagram whose first line differs is not an announcement.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

// The UDP port hosts announce on and browsers listen on.
inline constexpr int kDiscoveryPort = 7772;
inline constexpr std::size_t kMaxAnnouncement = 512;
inline constexpr std::size_t kMaxGameName = 64;
inline constexpr int kMaxAnnouncedSpectators = 999;
inline constexpr int kMaxAnnouncedAmount = 999999999;
inline constexpr std::string_view kAnnouncementHeader = "DRIFTWAKE GAME 1";

struct Announcement {
    // Tells one running host from another when the same host is heard on
    // several addresses: up to 16 hexadecimal digits.
    std::string id;
    // The TCP port the host listens on.
    int port = 0;
    // Playing seats (1 to 4) with a pilot logged in.
    int seated = 0;
    bool playing = false;
    // The hosting pilot's name, or the machine's name for the headless host.
    std::string name;
    // The protocol version the host speaks.
    std::string version;
    // Connections watching from beyond the playing seats (0 when an older
    // host does not say).
    int spectators = 0;
    // The amount to earn of the running or next game (0: not said).
    int amount = 0;
    friend bool operator==(const Announcement&, const Announcement&) = default;
};

std::string encodeAnnouncement(const Announcement& a);
// Nothing when the datagram is not a well-formed announcement. Control
// characters in the name read as spaces; a name longer than kMaxGameName
// bytes is cut.
std::optional<Announcement> decodeAnnouncement(std::string_view datagram);

// An address a player typed to join a game.
struct HostPort {
    std::string host;
    int port = 0;
    friend bool operator==(const HostPort&, const HostPort&) = default;
};

// Reads "name", "name:port", "1.2.3.4", "1.2.3.4:port", an IPv6 address
// alone ("::1", "fe80::1%eth0") or in brackets with an optional port
// ("[::1]", "[::1]:7790"). Surrounding blanks are ignored; a missing port
// is `defaultPort`. Nothing for an empty host, a bad port or stray brackets.
std::optional<HostPort> parseHostPort(std::string_view text, int defaultPort);
// The form a friend can type back: "host:port", "[v6]:port".
std::string formatHostPort(std::string_view host, int port);

} // namespace dw
