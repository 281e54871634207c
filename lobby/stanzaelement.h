// Between libstrophe's stanzas and the lobby's small element model
// (lobby/table.h). Received stanzas are read within bounds, so that a
// hostile presence cannot make the lobby copy more than a few kilobytes.
#pragma once

#include "lobby/table.h"

#include <optional>

struct _xmpp_ctx_t;
struct _xmpp_stanza_t;

namespace dw::lobby {

struct ElementLimits {
    std::size_t depth = 3;       // levels below the element itself
    std::size_t children = 16;   // per element
    std::size_t attributes = 16; // per element
    std::size_t textBytes = 1024;
    std::size_t nameBytes = 64; // element and attribute names
};

// `stanza` as an element, or nothing when it exceeds `limits` or is text.
std::optional<Element> toElement(_xmpp_stanza_t* stanza, const ElementLimits& limits = {});
// A new stanza for `element`; the caller releases it.
_xmpp_stanza_t* toStanza(_xmpp_ctx_t* ctx, const Element& element);
// The table in a presence, when it carries a valid one.
std::optional<Table> tableIn(_xmpp_stanza_t* presence);

} // namespace dw::lobby
