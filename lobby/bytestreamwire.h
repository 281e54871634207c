// The words of a relayed stream (XEP-0065 SOCKS5 bytestreams through the
// server's proxy), read from elements that came from the network and built
// for sending, and the few bytes of SOCKS5 a client speaks. Plain C++ on the
// element model of lobby/table.h; lobby/bytestream.h drives them.
//
// An offer, sent by the joiner's lobby to the host's occupant address:
//
//   <query xmlns='http://jabber.org/protocol/bytestreams' sid='...' mode='tcp'>
//     <streamhost jid='proxy.example.org' host='198.51.100.4' port='7777'/>
//     <requester xmlns='urn:driftwake:relay:1' jid='ann@example.org/abc'/>
//   </query>
//
// The room forwards it with the joiner's occupant address as sender, so the
// joiner's full address, which the proxy uses in the stream's hash, travels
// in <requester/>.
#pragma once

#include "lobby/table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw::lobby {

inline constexpr std::string_view kBytestreamsNs = "http://jabber.org/protocol/bytestreams";
inline constexpr std::string_view kRelayNs = "urn:driftwake:relay:1";
inline constexpr std::string_view kDiscoItemsNs = "http://jabber.org/protocol/disco#items";
inline constexpr std::string_view kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
// The longest stream id, address and proxy host name accepted.
inline constexpr std::size_t kMaxSid = 64;
inline constexpr std::size_t kMaxJid = 3071;
inline constexpr std::size_t kMaxProxyHost = 255;
// The most service-discovery items looked at for a proxy.
inline constexpr std::size_t kMaxDiscoItems = 16;

// Where both ends of a stream meet: the proxy's address and its SOCKS5 port.
struct StreamHost {
    std::string jid;
    std::string host;
    int port = 0;
    friend bool operator==(const StreamHost&, const StreamHost&) = default;
};

struct Offer {
    std::string sid;
    std::vector<std::string> streamHosts; // the proxies offered, by address
    std::string requester;                // the joiner's full address
};

// True for a stream id a lobby accepts: 1 to kMaxSid letters, digits, '-'
// and '_'.
bool isValidSid(std::string_view sid);

Element offerElement(const std::string& sid, const StreamHost& proxy, const std::string& requester);
std::optional<Offer> parseOffer(const Element& query);

// The host's answer: the proxy it connected to.
Element streamHostUsedElement(const std::string& sid, const std::string& proxyJid);
std::optional<std::string> parseStreamHostUsed(const Element& query);

// The proxy's answer to a bytestreams query: its SOCKS5 address.
std::optional<StreamHost> parseStreamHost(const Element& query);
// The joiner's request that the proxy join the two connections of `sid`.
Element activateElement(const std::string& sid, const std::string& target);

// The addresses of a disco#items answer (at most kMaxDiscoItems).
std::vector<std::string> parseDiscoItems(const Element& query);
// True when a disco#info answer names a bytestreams proxy.
bool isBytestreamProxy(const Element& query);

// The first bytes of a SOCKS5 client: no authentication, then a connection
// to the domain name `address` (the stream's hash) on port 0.
std::string socksGreeting();
std::string socksConnect(std::string_view address);

enum class SocksRead { More, Bad, Done };
// Reads the server's choice of method from the start of `data`; on Done,
// `used` bytes belong to it.
SocksRead readSocksMethod(std::string_view data, std::size_t& used);
// Reads the server's reply to the connect request (success only).
SocksRead readSocksReply(std::string_view data, std::size_t& used);

// The stream's hash: hex SHA-1 of sid, requester and target, as the proxy
// computes it on activation.
std::string streamHash(std::string_view sid, std::string_view requester, std::string_view target);

} // namespace dw::lobby
