// Runs a shell command line and collects what it prints, for tests of the
// command-line tools.
#pragma once

#include <cstdio>
#include <string>

#include <sys/wait.h>

namespace tw::test {

struct CommandResult {
    int code;            // exit code, -1 when it did not exit normally
    std::string output;  // standard output and standard error
};

inline CommandResult runCommand(const std::string& command) {
    CommandResult r{};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, "popen failed"};
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace tw::test
