// Framing, field reading and message decoding on arbitrary bytes.
//
// The input is cut into chunks fed one after another to one Framer, as a
// socket would deliver them; every message that comes out is then read
// field by field in both field modes, and decoded as every message struct:
// whatever decodes encodes to a message that decodes to the same struct, and
// a chat or action read as the host's relay comes apart into its parts whole.
#include "protocol/messages.h"
#include "protocol/protocol.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void readAll(std::string_view payload, dw::LastField last) {
    dw::FieldReader r(payload, last);
    // Each field read consumes at least its "+", so this ends.
    for (int i = 0;; ++i) {
        const std::size_t before = r.rest().size();
        if (i % 2 == 0) {
            const auto t = r.text();
            const std::size_t after = r.rest().size();
            if (!t) {
                check(after == before);
                return;
            }
            check(t->find('+') == std::string_view::npos);
            check(after + t->size() + 1 == before || (after == 0 && t->size() == before));
        } else {
            const auto n = r.number(1, 19);
            if (n)
                check(*n >= 1 && *n <= 19);
            if (r.rest().size() == before)
                return;
        }
    }
}

template <class M> void roundTrip(std::string_view payload) {
    const std::optional<M> m = M::decode(payload);
    if (!m)
        return;
    const std::optional<M> back = dw::msg::decodeMessage<M>(m->encode());
    check(back.has_value() && *back == *m);
}

template <class... M> void roundTripAll(std::string_view payload) {
    (roundTrip<M>(payload), ...);
}

// A relayed chat or action read into sender, text and colour gives back
// exactly the line it was read from, as the host's writer `write` puts it.
template <class M, class Write>
void relayedParts(std::string_view payload, std::string_view mark, Write write) {
    const std::optional<M> m = M::decode(payload);
    if (!m)
        return;
    const dw::msg::RelayedLine r = dw::msg::relayed(*m);
    check(!r.said.colour || r.said.colour->find('|') == std::string::npos);
    std::string said = r.said.typed;
    if (r.said.colour)
        said = dw::msg::colouredText(said, *r.said.colour);
    if (r.sender.empty())
        check(m->line == said || m->line == std::string(mark) + said);
    else
        check(r.sender.find(mark) == std::string::npos && write(m->seat, r.sender, said) == *m);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    dw::Framer framer;
    std::deque<std::string> out;
    std::size_t pos = 0;
    // The first byte of each chunk gives its length.
    while (pos < input.size()) {
        const std::size_t len = std::min<std::size_t>(
            static_cast<std::uint8_t>(input[pos]) * 8u + 1u, input.size() - pos - 1);
        const std::string_view chunk = input.substr(pos + 1, len);
        pos += 1 + len;
        framer.feed(chunk, out);
        // Whatever is kept for later is never more than one message long.
        check(framer.pending() <= dw::kMaxMessage);
    }
    for (const std::string& m : out) {
        check(m.size() <= dw::kMaxMessage);
        check(m.find(dw::kTerminator) == std::string::npos);
        const dw::Command c = dw::splitCommand(m);
        readAll(c.payload, dw::LastField::NeedsPlus);
        readAll(c.payload, dw::LastField::MayEnd);
        namespace msg = dw::msg;
        roundTripAll<msg::LoginInfo, msg::Chat, msg::Action, msg::PlayASound, msg::KickHim,
                     msg::JustWatch, msg::StartGameRequest, msg::Discard, msg::GoMiles,
                     msg::PlaceGo, msg::PlaceSpeed, msg::Reclaim, msg::SendLoginInfo, msg::Full,
                     msg::NewPlayerInfo, msg::ExistingPlayers, msg::PlayerDisconnected,
                     msg::HaveWrongVersion, msg::WrongVersion, msg::NewStats, msg::MyCards,
                     msg::JustWatching, msg::StartGameAnnounce, msg::StartingRound, msg::NextPlayer,
                     msg::CannotMove, msg::HeDiscard, msg::Invalid, msg::Traveling, msg::PlacingGo,
                     msg::PlacingSpeed, msg::PlaySafe, msg::PostScores, msg::Winner, msg::SeatKey,
                     msg::ReclaimRefused, msg::HostClosing, msg::Removed, msg::HostRights,
                     msg::ShipCards>(c.payload);
        relayedParts<msg::Chat>(c.payload, " chats: ", msg::relayedChat);
        relayedParts<msg::Action>(c.payload, " ", msg::relayedAction);
        if (const auto n = dw::parseNumber(m); n && m[0] != '0')
            check(*n >= 0 && dw::buildMessage("X", {*n}) == "X+" + m + dw::kTerminator);
    }
    // Whatever a message is built from, the receiver gets it back whole.
    if (!out.empty()) {
        std::string text = out.front();
        for (char& ch : text)
            if (ch == '+')
                ch = '-';
        const std::string built = dw::buildMessage("CMD_chat", {1, text});
        std::deque<std::string> back;
        dw::Framer f2;
        f2.feed(built, back);
        check(built.size() - 1 > dw::kMaxMessage ||
              (back.size() == 1 && back.front() == "CMD_chat+1+" + text));
    }
    return 0;
}
