// libFuzzer target: any bytes as an archive. Opening, listing, checking the
// names and reading every entry must end in success or an AppError, never in
// a crash, a hang or a huge allocation.
#include "platform/errors.h"
#include "rfa/names.h"
#include "rfa/reader.h"

#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("archive", 0);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        tw::rfa::ArchiveReader reader(path);
        for (const auto& entry : reader.entries()) {
            (void)tw::rfa::unsafeNameReason(entry.name);
            (void)tw::rfa::nameKey(entry.name);
            try {
                uint64_t total = 0;
                reader.read(entry, [&](const unsigned char*, size_t n) { total += n; });
                if (total != entry.size) __builtin_trap();  // a read that succeeds gives exactly the size
            } catch (const tw::AppError&) {
            }
        }
    } catch (const tw::AppError&) {
    }
    return 0;
}
