#include "lobby/bytestreamwire.h"

#include <strophe.h>

#include <cstdint>

namespace dw::lobby {

namespace {

const std::string kStreamsNs(kBytestreamsNs);

bool isQuery(const Element& e, std::string_view ns) {
    return e.name == "query" && e.ns == ns;
}

Element child(std::string name, std::string ns = {}) {
    Element e;
    e.name = std::move(name);
    e.ns = std::move(ns);
    return e;
}

bool isValidJid(const std::string* jid) {
    return jid && !jid->empty() && jid->size() <= kMaxJid;
}

} // namespace

bool isValidSid(std::string_view sid) {
    if (sid.empty() || sid.size() > kMaxSid)
        return false;
    for (const char c : sid)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_'))
            return false;
    return true;
}

Element offerElement(const std::string& sid, const StreamHost& proxy,
                     const std::string& requester) {
    Element query = child("query", kStreamsNs);
    query.attributes = {{"sid", sid}, {"mode", "tcp"}};
    Element host = child("streamhost", kStreamsNs);
    host.attributes = {
        {"jid", proxy.jid}, {"host", proxy.host}, {"port", std::to_string(proxy.port)}};
    query.children.push_back(std::move(host));
    Element who = child("requester", std::string(kRelayNs));
    who.attributes = {{"jid", requester}};
    query.children.push_back(std::move(who));
    return query;
}

std::optional<Offer> parseOffer(const Element& query) {
    if (!isQuery(query, kBytestreamsNs))
        return std::nullopt;
    const std::string* sid = query.attribute("sid");
    const std::string* mode = query.attribute("mode");
    if (!sid || !isValidSid(*sid) || (mode && *mode != "tcp"))
        return std::nullopt;
    Offer offer;
    offer.sid = *sid;
    for (const Element& c : query.children) {
        const std::string* jid = c.attribute("jid");
        if (c.name == "streamhost" && c.ns == kBytestreamsNs && isValidJid(jid))
            offer.streamHosts.push_back(*jid);
        else if (c.name == "requester" && c.ns == kRelayNs && isValidJid(jid))
            offer.requester = *jid;
    }
    if (offer.streamHosts.empty() || offer.requester.empty())
        return std::nullopt;
    return offer;
}

Element streamHostUsedElement(const std::string& sid, const std::string& proxyJid) {
    Element query = child("query", kStreamsNs);
    query.attributes = {{"sid", sid}};
    Element used = child("streamhost-used", kStreamsNs);
    used.attributes = {{"jid", proxyJid}};
    query.children.push_back(std::move(used));
    return query;
}

std::optional<std::string> parseStreamHostUsed(const Element& query) {
    if (!isQuery(query, kBytestreamsNs))
        return std::nullopt;
    for (const Element& c : query.children) {
        const std::string* jid = c.attribute("jid");
        if (c.name == "streamhost-used" && c.ns == kBytestreamsNs && isValidJid(jid))
            return *jid;
    }
    return std::nullopt;
}

std::optional<StreamHost> parseStreamHost(const Element& query) {
    if (!isQuery(query, kBytestreamsNs))
        return std::nullopt;
    for (const Element& c : query.children) {
        if (c.name != "streamhost" || c.ns != kBytestreamsNs)
            continue;
        const std::string* jid = c.attribute("jid");
        const std::string* host = c.attribute("host");
        const std::string* port = c.attribute("port");
        if (!isValidJid(jid) || !host || host->empty() || host->size() > kMaxProxyHost || !port ||
            port->empty() || port->size() > 5)
            continue;
        int number = 0;
        bool digits = true;
        for (const char d : *port) {
            digits = digits && d >= '0' && d <= '9';
            number = number * 10 + (d - '0');
        }
        bool hostOk = true;
        for (const char h : *host)
            hostOk = hostOk && h > ' ' && h < 127 && h != '/' && h != '@';
        if (!digits || number < 1 || number > 65535 || !hostOk)
            continue;
        return StreamHost{*jid, *host, number};
    }
    return std::nullopt;
}

Element activateElement(const std::string& sid, const std::string& target) {
    Element query = child("query", kStreamsNs);
    query.attributes = {{"sid", sid}};
    Element activate = child("activate", kStreamsNs);
    activate.text = target;
    query.children.push_back(std::move(activate));
    return query;
}

std::vector<std::string> parseDiscoItems(const Element& query) {
    std::vector<std::string> items;
    if (!isQuery(query, kDiscoItemsNs))
        return items;
    for (const Element& c : query.children) {
        const std::string* jid = c.attribute("jid");
        if (c.name == "item" && isValidJid(jid) && !c.attribute("node")) {
            items.push_back(*jid);
            if (items.size() == kMaxDiscoItems)
                break;
        }
    }
    return items;
}

bool isBytestreamProxy(const Element& query) {
    if (!isQuery(query, kDiscoInfoNs))
        return false;
    for (const Element& c : query.children) {
        const std::string* category = c.attribute("category");
        const std::string* type = c.attribute("type");
        if (c.name == "identity" && category && *category == "proxy" && type &&
            *type == "bytestreams")
            return true;
    }
    return false;
}

std::string socksGreeting() {
    return std::string("\x05\x01\x00", 3);
}

std::string socksConnect(std::string_view address) {
    std::string out("\x05\x01\x00\x03", 4);
    out.push_back(static_cast<char>(address.size() & 0xff));
    out.append(address);
    out.append("\x00\x00", 2);
    return out;
}

SocksRead readSocksMethod(std::string_view data, std::size_t& used) {
    if (data.size() < 2)
        return data.empty() || data[0] == 5 ? SocksRead::More : SocksRead::Bad;
    if (data[0] != 5 || data[1] != 0)
        return SocksRead::Bad;
    used = 2;
    return SocksRead::Done;
}

SocksRead readSocksReply(std::string_view data, std::size_t& used) {
    // VER REP RSV ATYP ADDR PORT
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(data[i]); };
    if (data.size() >= 1 && byte(0) != 5)
        return SocksRead::Bad;
    if (data.size() >= 2 && byte(1) != 0)
        return SocksRead::Bad;
    if (data.size() >= 3 && byte(2) != 0)
        return SocksRead::Bad;
    if (data.size() < 5)
        return SocksRead::More;
    std::size_t address = 0;
    switch (byte(3)) {
    case 1:
        address = 4;
        break;
    case 4:
        address = 16;
        break;
    case 3:
        address = 1 + byte(4);
        break;
    default:
        return SocksRead::Bad;
    }
    const std::size_t total = 4 + address + 2;
    if (data.size() < total)
        return SocksRead::More;
    used = total;
    return SocksRead::Done;
}

std::string streamHash(std::string_view sid, std::string_view requester, std::string_view target) {
    std::string all;
    all.reserve(sid.size() + requester.size() + target.size());
    all.append(sid).append(requester).append(target);
    unsigned char digest[20];
    xmpp_sha1_digest(reinterpret_cast<const unsigned char*>(all.data()), all.size(), digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char d : digest) {
        hex.push_back(kHex[d >> 4]);
        hex.push_back(kHex[d & 15]);
    }
    return hex;
}

} // namespace dw::lobby
