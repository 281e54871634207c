// The words of a relayed stream as they come from the room and the proxy:
// offers, answers and service discovery parsed by libstrophe and read into
// the element model within bounds, and a SOCKS5 server's replies.
#include "lobby/bytestreamwire.h"
#include "lobby/stanzaelement.h"

#include <strophe.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static xmpp_ctx_t* ctx = [] {
        xmpp_initialize();
        return xmpp_ctx_new(nullptr, nullptr);
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t used = 0;
    if (dw::lobby::readSocksReply(text, used) == dw::lobby::SocksRead::Done && used > size)
        std::abort();
    used = 0;
    if (dw::lobby::readSocksMethod(text, used) == dw::lobby::SocksRead::Done && used > size)
        std::abort();
    xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx, text.c_str());
    if (!stanza)
        return 0;
    if (const auto element = dw::lobby::toElement(stanza)) {
        if (const auto offer = dw::lobby::parseOffer(*element))
            if (!dw::lobby::isValidSid(offer->sid) || offer->requester.empty())
                std::abort();
        if (const auto host = dw::lobby::parseStreamHost(*element))
            if (host->port < 1 || host->port > 65535 || host->host.empty())
                std::abort();
        (void)dw::lobby::parseStreamHostUsed(*element);
        if (dw::lobby::parseDiscoItems(*element).size() > dw::lobby::kMaxDiscoItems)
            std::abort();
        (void)dw::lobby::isBytestreamProxy(*element);
    }
    xmpp_stanza_release(stanza);
    return 0;
}
