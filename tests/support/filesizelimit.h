// A full disk for a while: writes beyond a few bytes fail (EFBIG), also for
// root, until the limit goes out of scope.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace dw::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes = 4) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

} // namespace dw::testing
