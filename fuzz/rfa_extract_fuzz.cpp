// libFuzzer target: any bytes as an archive, extracted into a folder that
// holds links leading out of it (a folder link and a file link). Whatever
// the archive says, extraction must end in success or an AppError, and not a
// byte may appear outside the target: the folder the links lead to stays
// empty and the file behind the file link keeps its bytes.
#include "platform/errors.h"
#include "rfa/archive.h"
#include "rfa/reader.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Place {
    fs::path base, target, outside, secret;
    Place() {
        std::string pattern = (fs::temp_directory_path() / "tw-extract-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        base = pattern;
        target = base / "target";
        outside = base / "outside";
        secret = base / "secret.txt";
        fs::create_directories(outside);
        std::ofstream(secret) << "secret";
    }
    ~Place() {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
    // A fresh target: a folder link out under the name archives use most,
    // one under a short name, and a link to a file outside.
    void reset() const {
        std::error_code ec;
        fs::remove_all(target, ec);
        fs::create_directories(target);
        fs::create_directory_symlink(outside, target / "bf1942");
        fs::create_directory_symlink("../outside", target / "a");
        fs::create_symlink(secret, target / "s");
    }
    void check() const {
        if (!fs::is_empty(outside)) __builtin_trap();
        std::ifstream in(secret);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        if (bytes != "secret") __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Place place;
    static const int fd = ::memfd_create("archive", 0);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        // Archives that unpack to more than a few megabytes only cost time here.
        uint64_t total = 0;
        const tw::rfa::ArchiveReader reader(path);
        for (const auto& e : reader.entries()) total += e.size;
        if (total > (uint64_t{16} << 20)) return 0;
    } catch (const tw::AppError&) {
        return 0;
    }
    place.reset();
    tw::rfa::ExtractOptions options;
    if (size > 0 && (data[size - 1] & 1)) options.onlyBelow = "bf1942/levels/x";
    try {
        (void)tw::rfa::extractArchive(path, place.target.string(), options);
    } catch (const tw::AppError&) {
    }
    place.check();
    return 0;
}
