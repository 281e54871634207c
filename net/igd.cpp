#include "net/igd.h"

#include "net/quitsignals.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace dw {

namespace {

constexpr int kDiscoveryMs = 2000;
volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int signal) {
    stopRequested = signal;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int fail(const std::string& sentence) {
    say("failed " + sentence);
    return 1;
}

// Blocks until standard input ends or a stop signal arrives.
void waitForStop() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no restart: the read below returns on a signal
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    char buf[256];
    while (!stopRequested) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
}

struct Router {
    UPNPUrls urls{};
    IGDdatas data{};
    bool found = false;
    ~Router() {
        if (found)
            FreeUPNPUrls(&urls);
    }
};

} // namespace

int runOpenPort(int port) {
    Router router;
    char lanaddr[64] = {};
    const char* fixedUrl = std::getenv("DRIFTWAKE_IGD_URL");
    if (fixedUrl && *fixedUrl) {
        router.found =
            UPNP_GetIGDFromUrl(fixedUrl, &router.urls, &router.data, lanaddr, sizeof lanaddr) == 1;
    } else {
        const char* scope = std::getenv("DRIFTWAKE_LAN_SCOPE");
        if (scope && std::strcmp(scope, "loopback") == 0)
            return fail("No router was found (the search is off on this machine).");
        int error = 0;
        UPNPDev* devices = upnpDiscover(kDiscoveryMs, nullptr, nullptr, 0, 0, 2, &error);
        if (devices) {
            const int r =
                UPNP_GetValidIGD(devices, &router.urls, &router.data, lanaddr, sizeof lanaddr);
            freeUPNPDevlist(devices);
            if (r != 0)
                router.found = true;
            if (r != 1 && r != 0) {
                return fail("The router found does not forward ports from the internet "
                            "(it is not a connected internet gateway).");
            }
        }
    }
    if (!router.found || !router.urls.controlURL || !*router.urls.controlURL)
        return fail("No router that can forward ports (UPnP) was found on your network.");

    const std::string portText = std::to_string(port);
    const char* control = router.urls.controlURL;
    const char* service = router.data.first.servicetype;
    const int added = UPNP_AddPortMapping(control, service, portText.c_str(), portText.c_str(),
                                          lanaddr, "Driftwake", "TCP", nullptr, "0");
    if (added != UPNPCOMMAND_SUCCESS)
        return fail(std::string("The router refused to forward the port (") + strupnperror(added) +
                    ").");
    char external[64] = {};
    if (UPNP_GetExternalIPAddress(control, service, external) != UPNPCOMMAND_SUCCESS || !*external)
        std::strcpy(external, "?");
    say(std::string("mapped ") + external + " " + portText);

    waitForStop();
    if (stopRequested)
        std::fprintf(stderr, "%s\n", signalEndingLine(stopRequested).c_str());
    UPNP_DeletePortMapping(control, service, portText.c_str(), "TCP", nullptr);
    say("removed");
    return 0;
}

} // namespace dw
