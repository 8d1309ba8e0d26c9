#include "platform/files.h"

#include "platform/errors.h"
#include "platform/fd_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#define tw_chdir _wchdir
#define tw_getpid _getpid
#define tw_fdopen _fdopen
#define tw_close _close
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define tw_chdir ::chdir
#define tw_getpid ::getpid
#define tw_fdopen ::fdopen
#define tw_close ::close
#endif

namespace fs = std::filesystem;

namespace tw {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const fs::path& p, const char* mode) {
#ifdef _WIN32
    const std::string m(mode);
    return FilePtr(::_wfopen(p.c_str(), std::wstring(m.begin(), m.end()).c_str()));
#else
    return FilePtr(std::fopen(p.c_str(), mode));
#endif
}

bool existsNoThrow(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

std::optional<std::string> findCaseBlind(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
    if (ec) return std::nullopt;
    std::optional<std::string> best;
    const std::string folded = foldCase(name);
    for (const auto& entry : it) {
        std::string candidate = entry.path().filename().string();
        if (foldCase(candidate) == folded && (!best || candidate < *best)) best = std::move(candidate);
    }
    return best;
}

[[noreturn]] void throwCreate(std::string_view shown, int code) {
    throw AppError(msg::fileCreate(std::string(shown), msg::systemReason(code)));
}

#ifndef _WIN32
bool inGroup(gid_t group) {
    if (group == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int n = ::getgroups(count, groups.data());
    return n > 0 && std::find(groups.begin(), groups.begin() + n, group) != groups.begin() + n;
}

// Whether the mode bits let this process replace the file. A file without
// its owner's write bit is read-only for everyone, the superuser included,
// as the read-only attribute is on Windows. Beyond that a process that is
// neither the owner nor the superuser needs the write bit of its group or of
// the others, as it would to open the file for writing: the rename that
// replaces the file only asks the folder. The decision is never left to
// access(), which lets the superuser write anything.
bool modeAllowsReplacing(const struct stat& st) {
    if ((st.st_mode & S_IWUSR) == 0) return false;
    const uid_t me = ::geteuid();
    if (me == 0 || me == st.st_uid) return true;
    return (st.st_mode & (inGroup(st.st_gid) ? S_IWGRP : S_IWOTH)) != 0;
}
#endif

// Checks that a file may be replaced at `target`, as Windows would refuse a
// folder or a read-only file there.
std::optional<int> replaceBlocker(const fs::path& target) {
    std::error_code ec;
    const auto st = fs::status(target, ec);
    if (ec || !fs::exists(st)) return std::nullopt;
    if (fs::is_directory(st)) return wincode::AccessDenied;
#ifdef _WIN32
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return wincode::AccessDenied;
#else
    struct stat raw {};
    if (::stat(target.c_str(), &raw) == 0 && !modeAllowsReplacing(raw)) return wincode::AccessDenied;
#endif
    return std::nullopt;
}

// Streams `source` into a temporary file beside `target`, then renames it
// over the target. Returns the Windows code of a failure, or 0.
int writeAtomically(const fs::path& target, const std::function<bool(std::FILE*)>& produce) {
    if (auto code = replaceBlocker(target)) return *code;
    fs::path temp;
    const int fd = createTempFile(target.parent_path(), temp);
    if (fd < 0) return windowsCodeFor(errno, target);
    FilePtr out(tw_fdopen(fd, "wb"));
    if (!out) {
        const int err = errno;
        tw_close(fd);
        std::error_code ec;
        fs::remove(temp, ec);
        return windowsCodeFor(err, target);
    }
    errno = 0;
    bool ok = produce(out.get());
    ok = ok && std::fflush(out.get()) == 0;
    int err = errno;
    if (std::fclose(out.release()) != 0 && ok) {
        ok = false;
        err = errno;
    }
    std::error_code ec;
    if (ok) {
        fs::rename(temp, target, ec);
        if (!ec) return 0;
        err = ec.value();
    }
    fs::remove(temp, ec);
    return windowsCodeFor(err ? err : EIO, target);
}

} // namespace

int createTempFile(const fs::path& folder, fs::path& created, const std::function<std::string()>& nextName) {
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = dir / nextName();
        const int fd = platform::createNewFile(candidate);
        if (fd >= 0) {
            created = candidate;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

int createTempFile(const fs::path& folder, fs::path& created) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^
                                        (static_cast<uint64_t>(tw_getpid()) << 32) ^
                                        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return createTempFile(folder, created, [] {
        std::string name = ".tw-";
        for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        return name + ".tmp";
    });
}

fs::path resolvePath(std::string_view path) {
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
#ifdef _WIN32
    // Windows finds the letter case itself; shown and stored with its own
    // separator. A folder's trailing separator goes, as on Linux, so that
    // parent_path() is the folder above it; a drive's or the root's stays.
    while (p.size() > 1 && p.back() == '/' && !(p.size() == 3 && p[1] == ':')) p.pop_back();
    return fs::u8path(p).make_preferred();
#else
    fs::path result;
    if (!p.empty() && p.front() == '/') result = "/";
    bool scanning = true;
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find('/', start);
        if (end == std::string::npos) end = p.size();
        const std::string comp = p.substr(start, end - start);
        start = end + 1;
        if (comp.empty()) continue;
        fs::path candidate = result.empty() ? fs::path(comp) : result / comp;
        if (scanning && comp != "." && comp != ".." && !existsNoThrow(candidate)) {
            if (auto match = findCaseBlind(result, comp)) {
                candidate = result.empty() ? fs::path(*match) : result / *match;
            } else {
                scanning = false;
            }
        }
        result = std::move(candidate);
    }
    return result;
#endif
}

char trailingSeparator(std::string_view folder, std::string_view fallback) {
    if (folder.empty()) folder = fallback;
    return !folder.empty() && folder.back() == '/' ? '/' : '\\';
}

std::string folderOf(std::string_view path) {
    const size_t pos = path.find_last_of("\\/");
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string nameOf(std::string_view path) {
    const size_t pos = path.find_last_of("\\/");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string absolutePath(std::string_view path) {
    const bool rooted = !path.empty() && (path.front() == '/' || path.front() == '\\');
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    std::error_code ec;
    std::string current = rooted || drive ? std::string() : platform::utf8FromPath(fs::current_path(ec));
    if (current.empty()) return std::string(path);
    const char sep = static_cast<char>(fs::path::preferred_separator);
    if (current.back() != sep) current += sep;
    return current + std::string(path);
}

int windowsCodeFor(int err, const fs::path& resolved) {
    switch (err) {
    case ENOENT: {
        const fs::path parent = resolved.parent_path();
        return parent.empty() || existsNoThrow(parent) ? wincode::FileNotFound : wincode::PathNotFound;
    }
    case ENOTDIR:
        return existsNoThrow(resolved) ? wincode::NotADirectory : wincode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return wincode::AccessDenied;
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return wincode::SharingViolation;
    case ENOSPC: return wincode::DiskFull;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: return wincode::InvalidName;
    default: return err;
    }
}

bool fileExists(std::string_view path) {
    std::error_code ec;
    const auto st = fs::status(resolvePath(path), ec);
    return !ec && fs::exists(st) && !fs::is_directory(st);
}

bool pathExists(std::string_view path) { return existsNoThrow(resolvePath(path)); }

bool folderExists(std::string_view path) {
    std::error_code ec;
    return fs::is_directory(resolvePath(path), ec);
}

bool readOnlyByMode(std::string_view path) {
#ifdef _WIN32
    // A file: its read-only attribute. A folder: Windows ignores the
    // attribute there, and what decides is the folder's access list, the
    // share and the disk, so the answer is whether this run can create a
    // file in it (one of its own temporary files, removed at once).
    const fs::path resolved = resolvePath(path);
    const DWORD attributes = ::GetFileAttributesW(resolved.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    fs::path probe;
    const int fd = createTempFile(resolved, probe);
    if (fd < 0) return errno == EACCES;
    platform::closeFile(fd);
    std::error_code removed;
    fs::remove(probe, removed);
    return false;
#else
    std::error_code ec;
    const auto st = fs::status(resolvePath(path), ec);
    return !ec && fs::exists(st) &&
           (st.permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
               fs::perms::none;
#endif
}

std::string readBytes(std::string_view path) {
    const fs::path resolved = resolvePath(path);
    const auto fail = [&](int code) {
        throw AppError(msg::fileOpen(std::string(path), msg::systemReason(code)));
    };
    std::error_code ec;
    if (fs::is_directory(resolved, ec)) fail(wincode::AccessDenied);
    errno = 0;
    FilePtr in = openFile(resolved, "rb");
    if (!in) fail(windowsCodeFor(errno, resolved));
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.append(buffer, n);
    if (std::ferror(in.get())) fail(windowsCodeFor(errno ? errno : EIO, resolved));
    return bytes;
}

std::string readText(std::string_view path) { return decodeCp1252(readBytes(path)); }

Lines readLines(std::string_view path) { return splitLines(readText(path)); }

void writeBytes(std::string_view path, std::string_view bytes) {
    const fs::path resolved = resolvePath(path);
    const int code = writeAtomically(resolved, [&](std::FILE* out) {
        return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    });
    if (code != 0) throwCreate(path, code);
}

void writeLines(std::string_view path, const Lines& lines, bool finalLineEnd) {
    writeBytes(path, encodeCp1252(joinLines(lines, finalLineEnd)));
}

bool copyFile(std::string_view from, std::string_view to) { return copyFileReporting(from, to) == 0; }

int copyFileReporting(std::string_view from, std::string_view to,
                      const std::function<bool(uint64_t done, uint64_t total)>& going) {
    const fs::path source = resolvePath(from);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec))
        return fs::is_directory(source, ec) ? wincode::AccessDenied : windowsCodeFor(ENOENT, source);
    errno = 0;
    FilePtr in = openFile(source, "rb");
    if (!in) return windowsCodeFor(errno ? errno : EACCES, source);
    const uint64_t total = fs::file_size(source, ec);
    uint64_t done = 0;
    return writeAtomically(resolvePath(to), [&](std::FILE* out) {
               char buffer[1 << 16];
               size_t n;
               while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
                   if (std::fwrite(buffer, 1, n, out) != n) return false;
                   done += n;
                   if (going && !going(done, total)) return false;
               }
               return !std::ferror(in.get());
           });
}

bool deleteFile(std::string_view path) {
    const fs::path resolved = resolvePath(path);
    std::error_code ec;
    if (fs::is_directory(resolved, ec)) return false;
    return fs::remove(resolved, ec);
}

bool createFolder(std::string_view path) {
    std::error_code ec;
    return fs::create_directory(resolvePath(path), ec);
}

std::optional<FileIdentity> fileIdentity(std::string_view path) {
#ifdef _WIN32
    const HANDLE h = ::CreateFileW(resolvePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool got = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    if (!got || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    // 100 ns steps since 1601: enough to tell one version from another.
    id.modifiedNs = static_cast<long long>(
        ((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
         info.ftLastWriteTime.dwLowDateTime) * 100ULL);
    return id;
#else
    struct stat st {};
    if (::stat(resolvePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileIdentity id;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    id.size = static_cast<unsigned long long>(st.st_size);
    id.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
#endif
}

void changeFolder(std::string_view path) {
    const fs::path resolved = resolvePath(path);
#ifdef _WIN32
    // The system's own code: a file in the folder's place is ERROR_DIRECTORY,
    // which the C library's errno cannot tell from a bad name.
    if (!::SetCurrentDirectoryW(resolved.c_str())) throw AppError(msg::ioError(static_cast<int>(::GetLastError())));
    return;
#endif
    errno = 0;
    if (tw_chdir(resolved.c_str()) != 0) {
        const int err = errno;
        throw AppError(msg::ioError(windowsCodeFor(err, resolved)));
    }
}

#ifdef _WIN32
FolderChangesKept::FolderChangesKept() {
    std::error_code ec;
    before_ = fs::current_path(ec);
}

FolderChangesKept::~FolderChangesKept() {
    // A folder gone meanwhile leaves the process where the run ended.
    if (!before_.empty()) tw_chdir(before_.c_str());
}
#else
FolderChangesKept::FolderChangesKept() = default;
FolderChangesKept::~FolderChangesKept() = default;
#endif

} // namespace tw
