#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace tw::platform {

std::filesystem::path pathFromUtf8(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
#else
    return path.string();
#endif
}

#ifdef _WIN32

namespace {

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

int errnoFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    default: return EIO;
    }
}

int descriptorFor(HANDLE h, int flags) {
    if (h == INVALID_HANDLE_VALUE) {
        errno = errnoFor(::GetLastError());
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) ::CloseHandle(h);
    return fd;
}

} // namespace

int openForReading(const std::filesystem::path& path, int options) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS |
                                       ((options & kOpenNoFollow) ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                                   nullptr);
    if (h != INVALID_HANDLE_VALUE && (options & kOpenNoFollow)) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ::CloseHandle(h);
            errno = ELOOP;
            return -1;
        }
    }
    return descriptorFor(h, _O_RDONLY);
}

int createNewFile(const std::filesystem::path& path) {
    // CREATE_NEW fails for any existing name, a reparse point included.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return descriptorFor(h, _O_RDWR);
}

int closeFile(int fd) { return ::_close(fd); }

std::optional<uint64_t> ordinaryFileSize(int fd) {
    const HANDLE h = handleOf(fd);
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

long long readSome(int fd, void* data, size_t n) {
    DWORD got = 0;
    if (!::ReadFile(handleOf(fd), data, static_cast<DWORD>(std::min<size_t>(n, 1u << 30)), &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return 0;
        errno = errnoFor(error);
        return -1;
    }
    return got;
}

long long readAt(int fd, void* data, size_t n, uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!::ReadFile(handleOf(fd), data, static_cast<DWORD>(std::min<size_t>(n, 1u << 30)), &got, &at)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        errno = errnoFor(error);
        return -1;
    }
    return got;
}

long long writeAt(int fd, const void* data, size_t n, uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    if (!::WriteFile(handleOf(fd), data, static_cast<DWORD>(std::min<size_t>(n, 1u << 30)), &put, &at)) {
        errno = errnoFor(::GetLastError());
        return -1;
    }
    return put;
}

long long copyInKernel(int, uint64_t, int, uint64_t, size_t) { return 0; }

std::filesystem::path createScratchFolder(const std::filesystem::path& parent) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 random{std::random_device{}() ^ ::GetTickCount64() ^ ::GetCurrentProcessId()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = ".tw-";
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        const std::filesystem::path folder = parent / name;
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            errno = errnoFor(error);
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

std::optional<DiskSpace> diskSpace(const std::filesystem::path& folder) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free)) return std::nullopt;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    uint64_t block = 4096;
    const std::wstring root = folder.root_path().wstring();
    if (!root.empty() && ::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        block = std::max<uint64_t>(uint64_t{sectorsPerCluster} * bytesPerSector, 512);
    return DiskSpace{available.QuadPart, block};
}

#else

int openForReading(const std::filesystem::path& path, int options) {
    int flags = O_RDONLY | O_CLOEXEC;
    if (options & kOpenNoFollow) flags |= O_NOFOLLOW;
    if (options & kOpenNoWait) flags |= O_NONBLOCK | O_NOCTTY;
    const int fd = ::open(path.c_str(), flags);
    // Once open, reads wait as usual.
    if (fd >= 0 && (options & kOpenNoWait)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int createNewFile(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int closeFile(int fd) { return ::close(fd); }

std::optional<uint64_t> ordinaryFileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

long long readSome(int fd, void* data, size_t n) { return ::read(fd, data, n); }

long long readAt(int fd, void* data, size_t n, uint64_t offset) {
    return ::pread(fd, data, n, static_cast<off_t>(offset));
}

long long writeAt(int fd, const void* data, size_t n, uint64_t offset) {
    return ::pwrite(fd, data, n, static_cast<off_t>(offset));
}

long long copyInKernel(int in, uint64_t inOffset, int out, uint64_t outOffset, size_t n) {
#ifdef __linux__
    auto inOff = static_cast<off_t>(inOffset);
    auto outOff = static_cast<off_t>(outOffset);
    return ::copy_file_range(in, &inOff, out, &outOff, n, 0);
#else
    (void)in, (void)inOffset, (void)out, (void)outOffset, (void)n;
    return 0;
#endif
}

std::filesystem::path createScratchFolder(const std::filesystem::path& parent) {
    std::string pattern = (parent / ".tw-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

std::optional<DiskSpace> diskSpace(const std::filesystem::path& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return std::nullopt;
    return DiskSpace{static_cast<uint64_t>(st.f_bavail) * st.f_frsize, std::max<uint64_t>(st.f_frsize, 512)};
}

#endif

} // namespace tw::platform
