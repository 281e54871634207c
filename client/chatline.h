// One line of the chat view as its parts: who wrote it, what, in which
// colour. The window makes one from each chat or action the host relays
// (read by the wire decoder of protocol/messages.h) and one for each notice of
// its own; the chat pane makes one for a chatter sound shown as text. The
// view lays a line out from these fields and never reads them back out of
// its text.
#pragma once

#include "protocol/messages.h"
#include "store/colours.h"

#include <cstdint>
#include <string>

namespace dw {

struct ChatLine {
    enum class Kind {
        Chat,   // shown as "NAME chats: TEXT"
        Action, // "/me" lines and phrases: "NAME TEXT"
        Notice, // the client's own lines; with a sender, "NAME: TEXT"
    };
    Kind kind = Kind::Notice;
    // The seat whose style the line takes: 0 for notices, 1 to 9 for
    // players and spectators.
    int seat = 0;
    std::string sender; // may be empty
    std::string text;
    std::uint32_t colour = kColourRed;
    bool operator==(const ChatLine&) const = default;
};

// A chat or action as the host relays it. Without a colour, or with one
// that cannot be read, the line is red.
ChatLine chatLine(const msg::Chat& relayed);
ChatLine chatLine(const msg::Action& relayed);

// How a line reads: its name part, shown as written, and its words, in
// which links and smileys are found. A chat's name part is the sender and
// " chats:", a notice's the sender and ":"; the words then start with a
// space. An action's sender is one of its words.
struct ChatLineParts {
    std::string name;
    std::string words;
};
ChatLineParts chatLineParts(const ChatLine& line);

} // namespace dw
