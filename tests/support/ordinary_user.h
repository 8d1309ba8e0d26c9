// Runs a check as an ordinary user. Tests usually run as the superuser (CI
// does), for whom the system grants every write; what the program decides
// from mode bits must hold for both.
#pragma once

#include <atomic>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#ifdef _WIN32

namespace tw::test {

// Windows holds a file's read-only attribute against every user, the
// administrator included, so a check needs no other user there: it runs in
// this process.
inline bool isSuperuser() { return false; }
inline std::string asOrdinaryUser(const std::function<std::string()>& check) { return check(); }

} // namespace tw::test

#else

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tw::test {

inline bool isSuperuser() { return ::geteuid() == 0; }

// The ordinary user a superuser's check drops to: "nobody".
inline uid_t ordinaryUid() {
    const passwd* pw = ::getpwnam("nobody");
    return pw ? pw->pw_uid : 65534;
}
inline gid_t ordinaryGid() {
    const passwd* pw = ::getpwnam("nobody");
    return pw ? pw->pw_gid : 65534;
}

// A folder of the ordinary user's own, below the system's temporary folder:
// the check's current folder and its TMPDIR. The superuser's current folder
// may lie where other users cannot enter (a clone in a 0700 folder), and a
// check that changes folders must be able to come back.
inline std::filesystem::path ordinaryUsersFolder() {
    static std::atomic<int> counter{0};
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tarnwick-ordinary-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    if (::chown(folder.c_str(), ordinaryUid(), ordinaryGid()) != 0) return {};
    return folder;
}

// Runs `check` as an ordinary user and returns what it reports (empty when
// it passed). A superuser runs it in a child process that has given up its
// rights for good, inside a folder of that user's own; an ordinary user runs
// it in this process.
inline std::string asOrdinaryUser(const std::function<std::string()>& check) {
    if (!isSuperuser()) return check();
    const std::filesystem::path own = ordinaryUsersFolder();
    if (own.empty()) return "no folder for the ordinary user";
    struct Removed {
        std::filesystem::path folder;
        ~Removed() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } removed{own};
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child < 0) return "no child process";
    if (child == 0) {
        ::close(fds[0]);
        std::string report;
        if (::chdir(own.c_str()) != 0 || ::setenv("TMPDIR", own.c_str(), 1) != 0 ||
            ::setenv("HOME", own.c_str(), 1) != 0)
            report = "could not enter " + own.string();
        else if (::setgroups(0, nullptr) != 0 || ::setgid(ordinaryGid()) != 0 || ::setuid(ordinaryUid()) != 0 ||
                 ::setuid(0) == 0)
            report = "could not become an ordinary user";
        else
            try {
                report = check();
            } catch (const std::exception& e) {
                report = std::string("exception: ") + e.what();
            } catch (...) {
                report = "exception";
            }
        if (::write(fds[1], report.data(), report.size()) < 0) ::_exit(2);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) report += " (the check's process ended abnormally)";
    return report;
}

} // namespace tw::test

#endif
