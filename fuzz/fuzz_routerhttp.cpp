// The router helper's reading of HTTP answers and of the addresses a router
// names, on arbitrary bytes.
//
// The first byte chooses what the rest is read as. An answer is read whole
// and then as it arrives, cut at a point the second byte gives: a whole
// answer has a status and a body no larger than what arrived, and reading a
// prefix never finds it whole with another status. An address that parses
// has a host and a port in range, and a path beginning with "/".
#include "host/routerhttp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

void answer(std::string_view raw, std::size_t cut) {
    dw::HttpReply whole;
    const auto state = dw::parseHttpAnswer(raw, true, whole);
    if (state == dw::HttpAnswerState::Complete) {
        check(whole.status >= 100 && whole.status <= 599);
        check(whole.body.size() <= raw.size());
    }
    dw::HttpReply part;
    const auto partState = dw::parseHttpAnswer(raw.substr(0, cut % (raw.size() + 1)), false, part);
    if (partState == dw::HttpAnswerState::Complete) {
        check(part.status >= 100 && part.status <= 599);
        check(part.body.size() <= raw.size());
    }
}

void url(std::string_view text) {
    const auto u = dw::parseHttpUrl(text);
    if (!u)
        return;
    check(!u->host.empty());
    check(u->port >= 1 && u->port <= 65535);
    check(!u->path.empty() && u->path.front() == '/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (data[0] & 1)
        url(rest);
    else
        answer(rest, data[1]);
    return 0;
}
