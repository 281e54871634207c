// Turns SIGINT and SIGTERM into an orderly end of the program without
// questions: whatever the program does at its end (telling the peers,
// closing the router port, saving) is done, and one line on standard error
// says why it ends.
#pragma once

#include <csignal>
#include <functional>
#include <string>

namespace dw {

// The line printed when `signal` ends the program:
// "driftwake: ending on SIGTERM".
inline std::string signalEndingLine(int signal) {
    const char* name = signal == SIGTERM ? "SIGTERM" : signal == SIGINT ? "SIGINT" : "a signal";
    return std::string("driftwake: ending on ") + name;
}

// Installs the handlers. On a signal its line goes to standard error and,
// on the UI thread, `end` runs: it ends the program without asking anybody
// (QCoreApplication::exit, never quit(), which would ask every window
// whether it may close). Without `end`, and on any further signal, the
// event loop is left at once with status 0.
void quitOnSignals(std::function<void()> end = {});

} // namespace dw
