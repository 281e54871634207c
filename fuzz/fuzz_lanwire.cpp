// LAN announcements and typed join addresses on arbitrary bytes.
//
// The first byte chooses what the rest is read as. A datagram that decodes
// must encode to one that decodes to the same announcement, within the size
// a datagram may have; an address that parses must format to text that
// parses back to the same host and port.
#include "protocol/lanwire.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void announcement(std::string_view datagram) {
    const auto a = dw::decodeAnnouncement(datagram);
    if (!a)
        return;
    check(a->name.size() <= dw::kMaxGameName);
    for (char c : a->name)
        check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
    const std::string again = dw::encodeAnnouncement(*a);
    check(again.size() <= dw::kMaxAnnouncement);
    const auto b = dw::decodeAnnouncement(again);
    check(b.has_value() && *b == *a);
}

void address(std::string_view text) {
    const auto hp = dw::parseHostPort(text, 7790);
    if (!hp)
        return;
    check(!hp->host.empty());
    check(hp->port >= 1 && hp->port <= 65535);
    const auto back = dw::parseHostPort(dw::formatHostPort(hp->host, hp->port), 1);
    check(back.has_value() && *back == *hp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        address(rest);
    else
        announcement(rest);
    return 0;
}
