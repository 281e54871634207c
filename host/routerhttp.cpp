#include "host/routerhttp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace dw {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The body of a chunked answer; Incomplete until the last chunk arrived.
HttpAnswerState unchunk(std::string_view data, std::string& body) {
    body.clear();
    for (;;) {
        const std::size_t eol = data.find('\n');
        if (eol == std::string_view::npos)
            return data.size() > 64 ? HttpAnswerState::Malformed : HttpAnswerState::Incomplete;
        std::string_view sizeLine = trim(data.substr(0, eol));
        sizeLine = sizeLine.substr(0, sizeLine.find(';'));
        std::size_t size = 0;
        const auto [end, ec] =
            std::from_chars(sizeLine.data(), sizeLine.data() + sizeLine.size(), size, 16);
        if (ec != std::errc() || end != sizeLine.data() + sizeLine.size() || sizeLine.empty())
            return HttpAnswerState::Malformed;
        data.remove_prefix(eol + 1);
        if (size == 0)
            return HttpAnswerState::Complete; // trailers, if any, are not needed
        if (data.size() < size)
            return HttpAnswerState::Incomplete;
        body.append(data.substr(0, size));
        data.remove_prefix(size);
        // The line break after the chunk's data.
        if (data.empty() || (data.front() == '\r' && data.size() < 2))
            return HttpAnswerState::Incomplete;
        if (data.starts_with("\r\n"))
            data.remove_prefix(2);
        else if (data.front() == '\n')
            data.remove_prefix(1);
        else
            return HttpAnswerState::Malformed;
    }
}

int remainingMs(Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return int(std::clamp<long long>(left.count(), 0, 60'000));
}

// Waits for `events` on `fd`; false when the deadline passed first.
bool waitFor(int fd, short events, Deadline deadline) {
    for (;;) {
        const int ms = remainingMs(deadline);
        if (ms <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, ms);
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return true; // the call that follows reports the error
    }
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string addressText(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, text, sizeof text);
    else if (a.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(a).sin6_addr, text, sizeof text);
    return text;
}

// A connected socket to `url`, or -1 with `error` set.
int connectTo(const HttpUrl& url, Deadline deadline, std::string& error) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(url.port);
    if (::getaddrinfo(url.host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        error = "the device's address cannot be found";
        return -1;
    }
    error = "the device does not answer";
    int result = -1;
    for (addrinfo* a = found; a && result < 0; a = a->ai_next) {
        Fd s{::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol)};
        if (s.fd < 0)
            continue;
        if (::connect(s.fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS)
            continue;
        if (!waitFor(s.fd, POLLOUT, deadline)) {
            error = "the device did not answer in time";
            break;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0)
            continue;
        result = s.fd;
        s.fd = -1;
    }
    ::freeaddrinfo(found);
    return result;
}

} // namespace

std::optional<HttpUrl> parseHttpUrl(std::string_view url) {
    constexpr std::string_view scheme = "http://";
    if (url.size() < scheme.size() || !equalsNoCase(url.substr(0, scheme.size()), scheme))
        return std::nullopt;
    url.remove_prefix(scheme.size());
    const std::size_t slash = url.find_first_of("/?");
    std::string_view authority = url.substr(0, slash);
    HttpUrl out;
    if (slash != std::string_view::npos) {
        out.path = std::string(url.substr(slash));
        if (out.path.front() == '?')
            out.path.insert(out.path.begin(), '/');
    }
    if (authority.find('@') != std::string_view::npos)
        return std::nullopt;
    std::string_view portText;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        out.host = std::string(authority.substr(1, close - 1));
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            portText = rest.substr(1);
        }
    } else {
        const std::size_t colon = authority.find(':');
        out.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = authority.substr(colon + 1);
    }
    // A name or an address, nothing that could end a line of the request.
    const auto hostChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' ||
               c == '%' || c == '_';
    };
    if (out.host.empty() || !std::all_of(out.host.begin(), out.host.end(), hostChar) ||
        out.path.find_first_of(" \r\n") != std::string::npos)
        return std::nullopt;
    if (!portText.empty()) {
        int port = 0;
        const auto [end, ec] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 ||
            port > 65535)
            return std::nullopt;
        out.port = port;
    }
    return out;
}

HttpAnswerState parseHttpAnswer(std::string_view raw, bool closed, HttpReply& reply) {
    std::size_t headEnd = raw.find("\r\n\r\n");
    std::size_t bodyStart = headEnd + 4;
    if (const std::size_t bare = raw.find("\n\n"); bare < headEnd) {
        headEnd = bare;
        bodyStart = bare + 2;
    }
    if (headEnd == std::string_view::npos)
        return closed ? HttpAnswerState::Malformed : HttpAnswerState::Incomplete;
    std::string_view head = raw.substr(0, headEnd);
    const std::string_view data = raw.substr(bodyStart);

    // "HTTP/1.1 200 OK"
    const std::size_t firstEol = head.find('\n');
    const std::string_view statusLine = trim(head.substr(0, firstEol));
    if (!statusLine.starts_with("HTTP/") || statusLine.size() < 12 || statusLine[8] != ' ')
        return HttpAnswerState::Malformed;
    int status = 0;
    const auto [end, ec] = std::from_chars(statusLine.data() + 9, statusLine.data() + 12, status);
    if (ec != std::errc() || end != statusLine.data() + 12 || status < 100 || status > 599)
        return HttpAnswerState::Malformed;

    std::optional<std::size_t> length;
    bool chunked = false;
    head.remove_prefix(firstEol == std::string_view::npos ? head.size() : firstEol + 1);
    while (!head.empty()) {
        const std::size_t eol = head.find('\n');
        const std::string_view line = head.substr(0, eol);
        head.remove_prefix(eol == std::string_view::npos ? head.size() : eol + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trim(line.substr(0, colon));
        const std::string_view value = trim(line.substr(colon + 1));
        if (equalsNoCase(name, "Content-Length")) {
            std::size_t n = 0;
            const auto [e, err] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (err != std::errc() || e != value.data() + value.size() || (length && *length != n))
                return HttpAnswerState::Malformed;
            length = n;
        } else if (equalsNoCase(name, "Transfer-Encoding")) {
            chunked = equalsNoCase(value, "chunked");
            if (!chunked)
                return HttpAnswerState::Malformed;
        }
    }

    if (chunked) {
        const HttpAnswerState state = unchunk(data, reply.body);
        if (state == HttpAnswerState::Incomplete && closed)
            return HttpAnswerState::Malformed;
        if (state != HttpAnswerState::Complete)
            return state;
    } else if (length) {
        if (data.size() < *length)
            return closed ? HttpAnswerState::Malformed : HttpAnswerState::Incomplete;
        reply.body = std::string(data.substr(0, *length));
    } else {
        if (!closed)
            return HttpAnswerState::Incomplete;
        reply.body = std::string(data);
    }
    reply.status = status;
    return HttpAnswerState::Complete;
}

HttpReply httpExchange(const HttpUrl& url, const std::string& request, Deadline deadline,
                       std::size_t maxBytes) {
    HttpReply reply;
    Fd s{connectTo(url, deadline, reply.error)};
    if (s.fd < 0)
        return reply;
    reply.error.clear();
    sockaddr_storage local{};
    socklen_t localLen = sizeof local;
    if (::getsockname(s.fd, reinterpret_cast<sockaddr*>(&local), &localLen) == 0)
        reply.localAddress = addressText(local);

    std::size_t sent = 0;
    while (sent < request.size()) {
        if (!waitFor(s.fd, POLLOUT, deadline)) {
            reply.error = "the device did not take the request in time";
            return reply;
        }
        const ssize_t n = ::send(s.fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            reply.error = "the device closed the connection";
            return reply;
        }
        if (n > 0)
            sent += std::size_t(n);
    }

    std::string raw;
    char buf[4096];
    for (;;) {
        if (!waitFor(s.fd, POLLIN, deadline)) {
            reply.error = "the device did not answer in time";
            return reply;
        }
        const ssize_t n = ::recv(s.fd, buf, sizeof buf, 0);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            reply.error = "the connection to the device failed";
            return reply;
        }
        raw.append(buf, std::size_t(n));
        if (raw.size() > maxBytes) {
            reply.error = "the device's answer is too large";
            return reply;
        }
        switch (parseHttpAnswer(raw, n == 0, reply)) {
        case HttpAnswerState::Complete:
            return reply;
        case HttpAnswerState::Malformed:
            reply.status = 0;
            reply.body.clear();
            reply.error = "the device's answer is not HTTP";
            return reply;
        case HttpAnswerState::Incomplete:
            break;
        }
    }
}

} // namespace dw
