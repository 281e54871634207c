// Finding out that a game connection died without a word: a cable pulled, a
// laptop lid closed, a router restarted. TCP alone would wait many minutes;
// with these options the system closes such a connection within about 15
// seconds of the last byte the peer acknowledged, whether or not data waits
// to be sent, and the program then handles it as any other close.
#pragma once

#include <chrono>

namespace dw {

struct DeadLinkTimes {
    // Quiet time before the first keepalive probe, the pause between probes,
    // and how many unanswered probes end the connection.
    std::chrono::seconds keepaliveIdle{5};
    std::chrono::seconds keepaliveInterval{2};
    int keepaliveCount = 3;
    // How long sent data may stay unacknowledged.
    std::chrono::seconds userTimeout{10};
};

inline constexpr DeadLinkTimes kDeadLinkTimes{};

// Sets TCP keepalive and the user time-out of kDeadLinkTimes on the
// connected TCP socket `descriptor`. False when the system refused one of
// them (the connection still works, but a silent drop goes unnoticed).
bool watchForDeadLink(long long descriptor);

} // namespace dw
