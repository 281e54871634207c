// Asking the router (an Internet Gateway Device, UPnP IGD) to forward a TCP
// port to this machine, through miniupnpc. Plain C++; the calls block, so
// the window runs them in a helper copy of the program (`--open-port`, see
// host/portmapper.h) and its own thread never waits on the router.
#pragma once

#include <string>

namespace dw {

// --open-port PORT: finds the router (by SSDP, or at the device
// description URL in DRIFTWAKE_IGD_URL), maps external TCP PORT to PORT on
// this machine, and prints one line on standard output:
//   "mapped EXTERNAL-ADDRESS PORT"  or  "failed SENTENCE"
// EXTERNAL-ADDRESS is always an IP address: a router that gives anything
// else gets its mapping removed, and the line is a failure. The mapping has
// a lease of an hour (DRIFTWAKE_IGD_LEASE seconds, for tests), renewed at
// half time, or none where the router takes only permanent mappings. Every
// exchange with the router is bounded in time and size (host/routerhttp.h).
// Once mapped it waits until standard input ends or SIGINT/SIGTERM arrives,
// removes the mapping, prints "removed" and returns 0. A failure returns 1.
// With DRIFTWAKE_LAN_SCOPE=loopback and no DRIFTWAKE_IGD_URL nothing is
// sent on the network.
int runOpenPort(int port);

} // namespace dw
