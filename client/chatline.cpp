#include "client/chatline.h"

#include <optional>

namespace dw {

namespace {

ChatLine fromRelay(ChatLine::Kind kind, int seat, msg::RelayedLine r) {
    std::optional<std::uint32_t> colour;
    if (r.said.colour)
        colour = colourFromString(*r.said.colour);
    return {kind, seat, std::move(r.sender), std::move(r.said.typed), colour.value_or(kColourRed)};
}

} // namespace

ChatLine chatLine(const msg::Chat& relayed) {
    return fromRelay(ChatLine::Kind::Chat, relayed.seat, msg::relayed(relayed));
}

ChatLine chatLine(const msg::Action& relayed) {
    return fromRelay(ChatLine::Kind::Action, relayed.seat, msg::relayed(relayed));
}

ChatLineParts chatLineParts(const ChatLine& line) {
    if (line.sender.empty())
        return {{}, line.text};
    switch (line.kind) {
    case ChatLine::Kind::Chat:
        return {line.sender + " chats:", " " + line.text};
    case ChatLine::Kind::Notice:
        return {line.sender + ":", " " + line.text};
    case ChatLine::Kind::Action:
        break;
    }
    return {{}, line.sender + " " + line.text};
}

} // namespace dw
