#include "host/igd.h"

#include "host/quitsignals.h"
#include "host/routerhttp.h"
#include "text/plaintext.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnperrors.h>
#include <miniupnpc/upnpreplyparse.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <utility>
#include <vector>

namespace dw {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kDiscoveryMs = 2000;
// One request to the router, and finding it and making the mapping in all
// (after the search on the network): a device that answers slowly, or
// never, is given up within seconds.
constexpr auto kExchangeTime = 3s;
constexpr auto kSetupTime = 8s;
// A device description or a SOAP answer is a few kilobytes.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
constexpr std::size_t kMaxDevices = 8;
// The mapping's lease, renewed at half time: a helper that dies without
// removing the mapping leaves it for at most this long.
constexpr int kDefaultLeaseSeconds = 3600;
constexpr int kMaxLeaseSeconds = 604800;
// UPnP's "OnlyPermanentLeasesSupported": the router takes only lease 0.
constexpr int kOnlyPermanentLeases = 725;
// A failed renewal is tried again after this (or a quarter of the lease).
constexpr int kRenewRetrySeconds = 60;

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int signal) {
    stopRequested = signal;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void note(const std::string& line) {
    std::fprintf(stderr, "driftwake: %s\n", line.c_str());
}

int fail(const std::string& sentence) {
    say("failed " + sentence);
    return 1;
}

Deadline exchangeDeadline(Deadline limit) {
    return std::min(Clock::now() + kExchangeTime, limit);
}

int leaseSeconds() {
    const char* text = std::getenv("DRIFTWAKE_IGD_LEASE");
    int seconds = 0;
    if (text && *text) {
        const char* end = text + std::strlen(text);
        const auto [p, ec] = std::from_chars(text, end, seconds);
        if (ec == std::errc() && p == end && seconds >= 1 && seconds <= kMaxLeaseSeconds)
            return seconds;
    }
    return kDefaultLeaseSeconds;
}

// The router's public address, only when it is one: an IPv4 or IPv6
// address other than the unspecified one.
bool isPublicAddressText(const std::string& text) {
    unsigned char v4[4];
    unsigned char v6[16];
    if (inet_pton(AF_INET, text.c_str(), v4) == 1)
        return std::any_of(std::begin(v4), std::end(v4), [](unsigned char b) { return b != 0; });
    if (inet_pton(AF_INET6, text.c_str(), v6) == 1)
        return std::any_of(std::begin(v6), std::end(v6), [](unsigned char b) { return b != 0; });
    return false;
}

std::string hostHeader(const HttpUrl& url) {
    const bool v6 = url.host.find(':') != std::string::npos;
    return (v6 ? "[" + url.host + "]" : url.host) + ":" + std::to_string(url.port);
}

struct Router {
    UPNPUrls urls{};
    IGDdatas data{};
    bool found = false;
    std::string lanAddress; // this machine, as the router sees it
    Router() = default;
    Router(const Router&) = delete;
    Router& operator=(const Router&) = delete;
    ~Router() {
        if (found)
            FreeUPNPUrls(&urls);
    }
};

// Reads the device description at `url`; true when the device is a
// gateway with a connection that forwards ports.
bool readDescription(const std::string& url, unsigned scopeId, Deadline limit, Router& router) {
    const auto where = parseHttpUrl(url);
    if (!where) {
        note("the router's description address is not an http:// address: " + logText(url));
        return false;
    }
    const HttpReply reply =
        httpExchange(*where,
                     "GET " + where->path + " HTTP/1.1\r\nHost: " + hostHeader(*where) +
                         "\r\nConnection: close\r\n\r\n",
                     exchangeDeadline(limit), kMaxAnswerBytes);
    if (reply.status != 200) {
        note("the router's description at " + logText(url) + " could not be read: " +
             (reply.status ? "status " + std::to_string(reply.status) : reply.error));
        return false;
    }
    IGDdatas data{};
    parserootdesc(reply.body.data(), int(reply.body.size()), &data);
    if (!data.first.servicetype[0])
        return false;
    UPNPUrls urls{};
    GetUPNPUrls(&urls, &data, url.c_str(), scopeId);
    if (!urls.controlURL || !*urls.controlURL || !parseHttpUrl(urls.controlURL)) {
        FreeUPNPUrls(&urls);
        return false;
    }
    router.urls = urls;
    router.data = data;
    router.found = true;
    router.lanAddress = reply.localAddress;
    return true;
}

struct SoapAnswer {
    int error = -1; // 0: done; above 0: the router's UPnP error code; -1: no usable answer
    std::string why;
    std::string value; // the value asked for, when one was
};

// Runs `action` of the router's connection service with `args`, and reads
// the answer's `wanted` value, if any.
SoapAnswer soap(const Router& router, const char* action,
                const std::vector<std::pair<const char*, std::string>>& args, Deadline deadline,
                const char* wanted = nullptr) {
    SoapAnswer answer;
    const std::string service = router.data.first.servicetype;
    std::string body = "<?xml version=\"1.0\"?>\r\n<s:Envelope "
                       "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                       "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
                       "<s:Body><u:" +
                       std::string(action) + " xmlns:u=\"" + service + "\">";
    for (const auto& [name, value] : args)
        body += std::string("<") + name + ">" + value + "</" + name + ">";
    body += "</u:" + std::string(action) + "></s:Body></s:Envelope>\r\n";
    const auto where = parseHttpUrl(router.urls.controlURL);
    if (!where) {
        answer.why = "the router's control address is not an http:// address";
        return answer;
    }
    const std::string request = "POST " + where->path + " HTTP/1.1\r\nHost: " + hostHeader(*where) +
                                "\r\nContent-Type: text/xml; charset=\"utf-8\"\r\nSOAPAction: \"" +
                                service + "#" + action +
                                "\"\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nConnection: close\r\n\r\n" + body;
    const HttpReply reply = httpExchange(*where, request, deadline, kMaxAnswerBytes);
    if (reply.status == 0) {
        answer.why = reply.error;
        return answer;
    }
    NameValueParserData parsed{};
    ParseNameValue(reply.body.data(), int(reply.body.size()), &parsed);
    if (const char* code = GetValueFromNameValueList(&parsed, "errorCode")) {
        answer.error = std::atoi(code);
        const char* text = strupnperror(answer.error);
        answer.why = text ? text : "error " + std::to_string(answer.error);
        if (answer.error <= 0)
            answer.error = -1;
    } else if (reply.status == 200) {
        answer.error = 0;
        if (wanted)
            if (const char* value = GetValueFromNameValueList(&parsed, wanted))
                answer.value = value;
    } else {
        answer.why = "status " + std::to_string(reply.status);
    }
    ClearNameValueList(&parsed);
    return answer;
}

SoapAnswer addMapping(const Router& router, const std::string& port, int lease, Deadline deadline) {
    return soap(router, "AddPortMapping",
                {{"NewRemoteHost", ""},
                 {"NewExternalPort", port},
                 {"NewProtocol", "TCP"},
                 {"NewInternalPort", port},
                 {"NewInternalClient", router.lanAddress},
                 {"NewEnabled", "1"},
                 {"NewPortMappingDescription", "Driftwake"},
                 {"NewLeaseDuration", std::to_string(lease)}},
                deadline);
}

void deleteMapping(const Router& router, const std::string& port) {
    soap(router, "DeletePortMapping",
         {{"NewRemoteHost", ""}, {"NewExternalPort", port}, {"NewProtocol", "TCP"}},
         Clock::now() + kExchangeTime);
}

// Blocks until standard input ends or a stop signal arrives, renewing the
// mapping's lease (0: permanent, nothing to renew) at half time.
void waitForStop(const Router& router, const std::string& port, int lease) {
    sigset_t stopSignals, before;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    // Blocked but while waiting: a signal can never slip in between the
    // check of the flag and the wait.
    sigprocmask(SIG_BLOCK, &stopSignals, &before);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    const auto renewal = std::chrono::seconds(std::max(1, lease / 2));
    const auto retry = std::chrono::seconds(std::clamp(lease / 4, 1, kRenewRetrySeconds));
    auto next = Clock::now() + renewal;
    while (!stopRequested) {
        timespec wait{};
        if (lease > 0) {
            const auto left = std::max(Clock::duration::zero(), next - Clock::now());
            wait.tv_sec =
                std::time_t(std::chrono::duration_cast<std::chrono::seconds>(left).count());
            wait.tv_nsec = long((left - std::chrono::seconds(wait.tv_sec)) / 1ns);
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int r = ::ppoll(&input, 1, lease > 0 ? &wait : nullptr, &before);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (r == 0) {
            const SoapAnswer renewed =
                addMapping(router, port, lease, Clock::now() + kExchangeTime);
            if (renewed.error == 0) {
                next = Clock::now() + renewal;
            } else {
                note("renewing the router's port forwarding failed (" + logText(renewed.why) +
                     "); trying again shortly");
                next = Clock::now() + retry;
            }
            continue;
        }
        if (input.revents & POLLNVAL)
            break;
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            break;
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

} // namespace

int runOpenPort(int port) {
    Router router;
    const char* fixedUrl = std::getenv("DRIFTWAKE_IGD_URL");
    std::vector<std::pair<std::string, unsigned>> descriptions;
    if (fixedUrl && *fixedUrl) {
        descriptions.emplace_back(fixedUrl, 0u);
    } else {
        const char* scope = std::getenv("DRIFTWAKE_LAN_SCOPE");
        if (scope && std::strcmp(scope, "loopback") == 0)
            return fail("No router was found (the search is off on this machine).");
        int error = 0;
        UPNPDev* devices = upnpDiscover(kDiscoveryMs, nullptr, nullptr, 0, 0, 2, &error);
        for (UPNPDev* d = devices; d && descriptions.size() < kMaxDevices; d = d->pNext)
            if (d->descURL)
                descriptions.emplace_back(d->descURL, d->scope_id);
        freeUPNPDevlist(devices);
    }
    const Deadline limit = Clock::now() + kSetupTime;
    for (const auto& [url, scopeId] : descriptions)
        if (readDescription(url, scopeId, limit, router) || Clock::now() >= limit)
            break;
    if (!router.found)
        return fail("No router that can forward ports (UPnP) was found on your network.");

    const std::string portText = std::to_string(port);
    int lease = leaseSeconds();
    SoapAnswer added = addMapping(router, portText, lease, exchangeDeadline(limit));
    if (added.error == kOnlyPermanentLeases) {
        lease = 0;
        added = addMapping(router, portText, lease, exchangeDeadline(limit));
    }
    if (added.error != 0)
        return fail("The router refused to forward the port (" + logText(added.why) + ").");

    const SoapAnswer external =
        soap(router, "GetExternalIPAddress", {}, exchangeDeadline(limit), "NewExternalIPAddress");
    if (external.error != 0 || !isPublicAddressText(external.value)) {
        note(external.error != 0
                 ? "the router did not tell its public address (" + logText(external.why) + ")"
                 : "the router's public address is not an IP address: " + logText(external.value));
        // Friends could not be told where to join: no forwarding is left.
        deleteMapping(router, portText);
        return fail("The router did not give a valid public address, so the port was not "
                    "opened.");
    }
    say("mapped " + external.value + " " + portText);

    waitForStop(router, portText, lease);
    if (stopRequested)
        std::fprintf(stderr, "%s\n", signalEndingLine(stopRequested).c_str());
    deleteMapping(router, portText);
    say("removed");
    return 0;
}

} // namespace dw
