// The table element of a lobby presence, as text from the room: parsed by
// libstrophe, read into the element model within bounds, and checked. A
// table that passes is built again and must read back the same.
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
    xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx, text.c_str());
    if (!stanza)
        return 0;
    std::optional<dw::lobby::Table> table;
    if (auto element = dw::lobby::toElement(stanza))
        table = dw::lobby::parseTable(*element);
    if (!table)
        table = dw::lobby::tableIn(stanza);
    xmpp_stanza_release(stanza);
    if (!table)
        return 0;
    for (const auto& address : table->addresses)
        if (!dw::lobby::isJoinableAddress(address.host) || address.port < 1 || address.port > 65535)
            std::abort();
    xmpp_stanza_t* again = dw::lobby::toStanza(ctx, dw::lobby::tableElement(*table));
    const auto element = dw::lobby::toElement(again);
    const auto reread = element ? dw::lobby::parseTable(*element) : std::nullopt;
    xmpp_stanza_release(again);
    if (!reread || !(*reread == *table))
        std::abort();
    return 0;
}
