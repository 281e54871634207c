// The dedicated host: only the host server, no window and no own player.
#pragma once

#include "protocol/launch.h"

namespace dw {

// Runs the headless host until SIGINT or SIGTERM; returns the exit code.
// Needs a QCoreApplication.
int runHeadless(const LaunchOptions& options);

} // namespace dw
