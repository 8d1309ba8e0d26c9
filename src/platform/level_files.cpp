#include "platform/level_files.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <cerrno>
#include <string>

#include "platform/fd_io.h"

namespace tw {

std::string readLevelBytes(std::string_view path) {
    const auto resolved = resolvePath(path);
    const std::string shown(path);
    // Opening without blocking: a pipe with no writer must not hold the
    // window; what was opened is looked at before a byte is read.
    const int fd = platform::openForReading(resolved, platform::kOpenNoWait);
    if (fd < 0) {
        const int err = errno;
        throw AppError(msg::fileOpen(shown, msg::systemReason(windowsCodeFor(err, resolved))));
    }
    struct Closer {
        int fd;
        ~Closer() { platform::closeFile(fd); }
    } closer{fd};
    const auto size = platform::ordinaryFileSize(fd);
    if (!size)
        throw AppError("The level file " + shown +
                       " is not an ordinary file (a pipe, a device or a folder); it was not read");
    if (*size > kMaxLevelFileSize)
        throw AppError("The level file " + shown + " is larger than 64 MiB, far more than any level file; it was not read");
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long long n = platform::readSome(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw AppError(msg::fileOpen(shown, msg::systemReason(windowsCodeFor(errno, resolved))));
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxLevelFileSize)  // it grew while being read
            throw AppError("The level file " + shown + " is larger than 64 MiB, far more than any level file; it was not read");
    }
    return bytes;
}

Lines readLevelLines(std::string_view path) { return splitLines(decodeCp1252(readLevelBytes(path))); }

} // namespace tw
