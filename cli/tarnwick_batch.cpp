// tarnwick-batch FILE.bat [FOLDER]: runs a batch file the wizard wrote, in
// FOLDER (default: the current folder).
#include "cli_common.h"
#include "platform/fd_io.h"
#include "platform/process.h"
#include "tools/batch_runner.h"

#include <cstdio>
#include <filesystem>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args = tw::platform::commandLineArguments(argc, argv);
    if (argc < 2 || argc > 3 || args[1] == "--help") {
        std::fputs("Usage: tarnwick-batch <file.bat> [working folder]\n"
                   "  Runs the copy, del, rfaunpack.exe and rfaPack.exe lines of a batch file\n"
                   "  that Tarnwick wrote. It never hands a line to a shell.\n",
                   argc < 2 || argc > 3 ? stderr : stdout);
        return argc < 2 || argc > 3 ? 1 : 0;
    }
    if (args[1] == "--version") {
        std::printf("tarnwick-batch %s\n", tw::cli::kVersion);
        return 0;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        const auto result = tw::batch::runBatchFile(args[1], argc == 3 ? args[2] : tw::platform::utf8FromPath(std::filesystem::current_path()), [](const std::string& line) {
            std::printf("%s\n", line.c_str());
        });
        return result.failed == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}
