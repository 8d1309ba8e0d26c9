#include "platform/program_lock.h"

#include <cstdlib>

#ifdef _WIN32
#include "platform/fd_io.h"

#include <windows.h>
#else
#include <QLockFile>
#include <QString>
#endif

namespace tw {
namespace {

std::string heldText(const std::string& programDir, long long pid) {
    return "Tarnwick is already running on this program folder (" + programDir + ", process " + std::to_string(pid) +
           "): the wizard's window or a tarnwick-cli command. Wait until it has finished, or use "
           "that window; two at once would share every state file.";
}

#ifdef _WIN32

// The lock is a byte range far beyond the file's text, so that a second run
// can still read which process holds it.
constexpr DWORD kLockedOffsetHigh = 1;

class WindowsLock final : public ProgramLock {
public:
    explicit WindowsLock(HANDLE file) : file_(file) {}
    ~WindowsLock() override {
        if (file_ == INVALID_HANDLE_VALUE) return;
        OVERLAPPED at{};
        at.OffsetHigh = kLockedOffsetHigh;
        ::UnlockFileEx(file_, 0, 1, 0, &at);
        ::CloseHandle(file_);
    }

private:
    HANDLE file_;
};

} // namespace

std::unique_ptr<ProgramLock> lockProgramFolder(const std::string& programDir, std::string& refusal) {
    const std::filesystem::path path = platform::pathFromUtf8(programDir + "tarnwick.lock");
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    // A folder that cannot hold a lock (read-only, a CD): go on without one.
    if (file == INVALID_HANDLE_VALUE) return std::make_unique<WindowsLock>(INVALID_HANDLE_VALUE);
    OVERLAPPED at{};
    at.OffsetHigh = kLockedOffsetHigh;
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const std::string pid = std::to_string(::GetCurrentProcessId()) + "\r\n";
        DWORD put = 0;
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        ::SetEndOfFile(file);
        ::WriteFile(file, pid.data(), static_cast<DWORD>(pid.size()), &put, nullptr);
        return std::make_unique<WindowsLock>(file);
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) return std::make_unique<WindowsLock>(file);
    char text[32] = {};
    DWORD got = 0;
    ::ReadFile(file, text, sizeof text - 1, &got, nullptr);
    ::CloseHandle(file);
    refusal = heldText(programDir, std::atoll(text));
    return nullptr;
}

#else

class QtLock final : public ProgramLock {
public:
    explicit QtLock(std::unique_ptr<QLockFile> lock) : lock_(std::move(lock)) {}

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace

std::unique_ptr<ProgramLock> lockProgramFolder(const std::string& programDir, std::string& refusal) {
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(programDir + "tarnwick.lock"));
    lock->setStaleLockTime(0);  // held for the whole run: only a dead holder makes it stale
    if (lock->tryLock(0)) return std::make_unique<QtLock>(std::move(lock));
    // A folder that cannot hold a lock: go on.
    if (lock->error() != QLockFile::LockFailedError) return std::make_unique<QtLock>(std::move(lock));
    qint64 pid = 0;
    QString host, application;
    lock->getLockInfo(&pid, &host, &application);
    refusal = heldText(programDir, pid);
    return nullptr;
}

#endif

} // namespace tw
