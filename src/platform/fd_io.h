// Files by descriptor, the same on Linux and on Windows: what the archive
// code and the level readers need. Paths go through the wide-character API
// on Windows; descriptors are binary and not inherited by child processes.
// Failures return -1 (or nothing) with errno set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tw::platform {

// A path given in UTF-8 as the system's path (wide characters on Windows).
std::filesystem::path pathFromUtf8(const std::string& utf8);
// A system path as UTF-8, the text every name and message uses.
std::string utf8FromPath(const std::filesystem::path& path);

enum OpenOption : int {
    kOpenNoFollow = 1,  // refuse a link (a reparse point on Windows) in the file's place
    kOpenNoWait = 2,    // never wait for a writer (a named pipe in the file's place)
};
// Opens an existing file for reading.
int openForReading(const std::filesystem::path& path, int options = 0);
// Creates a new file for writing; refuses anything of that name, a link
// (reparse point) included, so a planted link cannot redirect the write.
int createNewFile(const std::filesystem::path& path);
int closeFile(int fd);

// The size of an open ordinary file; nothing for anything else (a folder, a
// pipe, a device).
std::optional<uint64_t> ordinaryFileSize(int fd);

long long readSome(int fd, void* data, size_t n);
long long readAt(int fd, void* data, size_t n, uint64_t offset);
long long writeAt(int fd, const void* data, size_t n, uint64_t offset);
// Copies up to `n` bytes inside the kernel where the system can (Linux);
// returns the bytes copied, 0 or -1 where it cannot, and the caller copies
// the rest itself.
long long copyInKernel(int in, uint64_t inOffset, int out, uint64_t outOffset, size_t n);

// Makes a new folder ".tw-" + 6 random letters in `parent`, only this user's
// on Linux; never one that existed before. Empty with errno set when it fails.
std::filesystem::path createScratchFolder(const std::filesystem::path& parent);

struct DiskSpace {
    uint64_t free = 0;   // bytes this user may still write
    uint64_t block = 0;  // what one file takes at least
};
std::optional<DiskSpace> diskSpace(const std::filesystem::path& folder);

} // namespace tw::platform
