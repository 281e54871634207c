#include "store/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

// Writes all of `data` to `fd`, resuming after interruptions and short writes.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncDirectory(const std::filesystem::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Sixteen random hexadecimal digits.
std::string randomSuffix() {
    unsigned char bytes[8] = {};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    std::string out;
    char hex[3];
    for (const unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        out += hex;
    }
    return out;
}

bool fail(ReplaceStep* failed, ReplaceStep step) {
    if (failed)
        *failed = step;
    return false;
}

} // namespace

bool replaceFile(const std::filesystem::path& path, std::string_view bytes, ReplaceStep* failed) {
    if (failed)
        *failed = ReplaceStep::None;
    if (path.empty()) {
        errno = ENOENT;
        return fail(failed, ReplaceStep::Create);
    }
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(path, ec)) {
        target = std::filesystem::weakly_canonical(path, ec);
        if (ec) {
            errno = ec.value();
            return fail(failed, ReplaceStep::Create);
        }
    }
    std::filesystem::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        errno = EISDIR;
        return fail(failed, ReplaceStep::Create);
    }

    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        tmp = target.string() + ".tmp-" + randomSuffix();
        // O_EXCL never follows a link that sits at the name.
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail(failed, ReplaceStep::Create);
    }
    if (fd < 0)
        return fail(failed, ReplaceStep::Create);

    bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        errno = error;
        return fail(failed, ReplaceStep::Write);
    }
    syncDirectory(dir);
    return true;
}

} // namespace dw
