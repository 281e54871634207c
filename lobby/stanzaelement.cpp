#include "lobby/stanzaelement.h"

#include <strophe.h>

#include <string>
#include <vector>

namespace dw::lobby {

namespace {

bool read(xmpp_stanza_t* stanza, const std::string& parentNs, std::size_t depth,
          const ElementLimits& limits, Element& out) {
    const char* name = xmpp_stanza_get_name(stanza);
    if (!name || std::char_traits<char>::length(name) > limits.nameBytes)
        return false;
    out.name = name;
    const char* ns = xmpp_stanza_get_ns(stanza);
    out.ns = ns ? std::string(ns) : parentNs;
    const int count = xmpp_stanza_get_attribute_count(stanza);
    if (count < 0 || static_cast<std::size_t>(count) > limits.attributes + 1)
        return false;
    std::vector<const char*> pairs(static_cast<std::size_t>(count) * 2 + 2, nullptr);
    const int filled =
        xmpp_stanza_get_attributes(stanza, pairs.data(), static_cast<int>(pairs.size()));
    for (int i = 0; i + 1 < filled; i += 2) {
        const char* key = pairs[static_cast<std::size_t>(i)];
        const char* value = pairs[static_cast<std::size_t>(i) + 1];
        if (!key || !value || std::string_view(key) == "xmlns")
            continue;
        if (std::char_traits<char>::length(key) > limits.nameBytes ||
            std::char_traits<char>::length(value) > limits.textBytes ||
            out.attributes.size() == limits.attributes)
            return false;
        out.attributes.emplace_back(key, value);
    }
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(stanza); c; c = xmpp_stanza_get_next(c)) {
        if (xmpp_stanza_is_text(c)) {
            const char* text = xmpp_stanza_get_text_ptr(c);
            const std::size_t length = text ? std::char_traits<char>::length(text) : 0;
            if (out.text.size() + length > limits.textBytes)
                return false;
            out.text.append(text ? text : "", length);
            continue;
        }
        if (depth == limits.depth || out.children.size() == limits.children)
            return false;
        Element child;
        if (!read(c, out.ns, depth + 1, limits, child))
            return false;
        out.children.push_back(std::move(child));
    }
    return true;
}

} // namespace

std::optional<Element> toElement(xmpp_stanza_t* stanza, const ElementLimits& limits) {
    if (!stanza || !xmpp_stanza_is_tag(stanza))
        return std::nullopt;
    Element element;
    if (!read(stanza, std::string(), 0, limits, element))
        return std::nullopt;
    return element;
}

xmpp_stanza_t* toStanza(xmpp_ctx_t* ctx, const Element& element) {
    xmpp_stanza_t* stanza = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(stanza, element.name.c_str());
    if (!element.ns.empty())
        xmpp_stanza_set_ns(stanza, element.ns.c_str());
    for (const auto& [key, value] : element.attributes)
        xmpp_stanza_set_attribute(stanza, key.c_str(), value.c_str());
    if (!element.text.empty()) {
        xmpp_stanza_t* text = xmpp_stanza_new(ctx);
        xmpp_stanza_set_text_with_size(text, element.text.data(), element.text.size());
        xmpp_stanza_add_child_ex(stanza, text, 0);
    }
    for (const Element& child : element.children)
        xmpp_stanza_add_child_ex(stanza, toStanza(ctx, child), 0);
    return stanza;
}

std::optional<Table> tableIn(xmpp_stanza_t* presence) {
    const std::string ns(kTableNs);
    xmpp_stanza_t* table = xmpp_stanza_get_child_by_name_and_ns(presence, "table", ns.c_str());
    if (!table)
        return std::nullopt;
    const auto element = toElement(table);
    return element ? parseTable(*element) : std::nullopt;
}

} // namespace dw::lobby
