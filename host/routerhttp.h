// The router helper's HTTP: one request to a device on the local network,
// bounded in time and in size, since a router (or whatever answers in its
// place) may send slowly, without end, or nothing at all. Plain C++ over
// POSIX sockets; the calls block, as the helper does nothing else meanwhile.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dw {

struct HttpUrl {
    std::string host; // a name, an IPv4 address, or an IPv6 address without brackets
    int port = 80;
    std::string path = "/"; // with the query, if any
};

// "http://HOST[:PORT][/PATH]"; nothing for any other form.
std::optional<HttpUrl> parseHttpUrl(std::string_view url);

struct HttpReply {
    int status = 0;           // 0: no complete answer
    std::string body;         // chunked transfer undone
    std::string localAddress; // this machine's address on the connection
    std::string error;        // why there is no answer, when status is 0
};

// Reading an answer as its bytes arrive.
enum class HttpAnswerState { Incomplete, Complete, Malformed };
// Looks at the bytes received so far (`closed`: the peer has closed, no more
// will come) and, once the answer is whole, fills `reply`'s status and body.
HttpAnswerState parseHttpAnswer(std::string_view raw, bool closed, HttpReply& reply);

using Deadline = std::chrono::steady_clock::time_point;

// Sends `request` (a whole HTTP request) to `url`'s host and port and reads
// the answer. Gives up at `deadline`, whatever the device sends meanwhile,
// and refuses an answer of more than `maxBytes` (head and body together).
HttpReply httpExchange(const HttpUrl& url, const std::string& request, Deadline deadline,
                       std::size_t maxBytes);

} // namespace dw
