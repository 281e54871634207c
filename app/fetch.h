// A GET of one http:// address, for health checks where no HTTP tool is
// installed: the answer's body goes to standard output.
#pragma once

#include <string>

namespace dw {

// Waits at most 5 seconds. Returns 0 on a 2xx answer, otherwise 1 after one
// line on standard error that says why. Needs a QCoreApplication.
int runFetch(const std::string& url);

} // namespace dw
