#include "host/quitsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace dw {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    const char byte = static_cast<char>(signal);
    // Only async-signal-safe work here: wake the event loop through the pipe.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void quitOnSignals(std::function<void()> end) {
    if (signalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [end = std::move(end), ending = false]() mutable {
                         char byte = 0;
                         if (::read(signalPipe[0], &byte, 1) != 1)
                             return;
                         std::fprintf(stderr, "%s\n", signalEndingLine(byte).c_str());
                         std::fflush(stderr);
                         if (!ending && end) {
                             ending = true;
                             end();
                             return;
                         }
                         QCoreApplication::exit(0);
                     });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

} // namespace dw
