// Shared bits of the command-line tools: messages and a progress bar.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/process.h"

namespace tw::cli {

inline constexpr const char* kVersion = "1.0";

// The options every tool knows: --help (also -h, /?) prints the usage,
// --version the version. Returns the exit code when `arg` was one of them.
inline std::optional<int> commonOption(const std::string& arg, const char* tool, void (*usage)(std::FILE*)) {
    if (arg == "--help" || arg == "-h" || arg == "/?") {
        usage(stdout);
        return 0;
    }
    if (arg == "--version") {
        std::printf("%s %s (Tarnwick)\n", tool, kVersion);
        return 0;
    }
    return std::nullopt;
}

// A one-line progress bar on standard error, shown only on a terminal (or
// in the wizard's console, which sets TARNWICK_PROGRESS) and only for work of
// some size.
class ProgressBar {
public:
    explicit ProgressBar(const char* verb)
        : verb_(verb), enabled_(platform::standardErrorIsTerminal() || std::getenv("TARNWICK_PROGRESS") != nullptr) {}
    ~ProgressBar() { finish(); }
    void operator()(uint64_t done, uint64_t total) {
        if (!enabled_ || total < (uint64_t{16} << 20)) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == last_) return;
        last_ = percent;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r%s [%.*s%.*s] %3d%%", verb_, filled, "##############################", 30 - filled,
                     "                              ", percent);
        std::fflush(stderr);
        shown_ = true;
    }
    void finish() {
        if (shown_) std::fputc('\n', stderr);
        shown_ = false;
    }

private:
    const char* verb_;
    bool enabled_;
    bool shown_ = false;
    int last_ = -1;
};

} // namespace tw::cli
