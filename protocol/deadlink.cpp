#include "protocol/deadlink.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace dw {

bool watchForDeadLink(long long descriptor) {
    if (descriptor < 0)
        return false;
    const int fd = int(descriptor);
    const auto set = [fd](int level, int name, int value) {
        return setsockopt(fd, level, name, &value, sizeof value) == 0;
    };
    const DeadLinkTimes& t = kDeadLinkTimes;
    const auto userTimeoutMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.userTimeout).count();
    bool ok = set(SOL_SOCKET, SO_KEEPALIVE, 1);
    ok = set(IPPROTO_TCP, TCP_KEEPIDLE, int(t.keepaliveIdle.count())) && ok;
    ok = set(IPPROTO_TCP, TCP_KEEPINTVL, int(t.keepaliveInterval.count())) && ok;
    ok = set(IPPROTO_TCP, TCP_KEEPCNT, t.keepaliveCount) && ok;
    ok = set(IPPROTO_TCP, TCP_USER_TIMEOUT, int(userTimeoutMs)) && ok;
    return ok;
}

} // namespace dw
