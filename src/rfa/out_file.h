// Low-level output for the archive tools: a file written through a buffer,
// with patches at earlier offsets, and new files made exclusively.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tw::rfa {

// A file written through a buffer, with patches at earlier offsets. It
// takes over an open descriptor; `failText` begins every error ("The
// archive X cannot be written", "The entry "Y" cannot be written").
class OutFile {
public:
    OutFile(int fd, std::string failText) : fd_(fd), failText_(std::move(failText)) {}
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;
    void write(const void* data, size_t n);
    // Appends `n` bytes of another file from `offset`, inside the kernel
    // where it can; `shortText` is the error when that file ends early.
    void copyFrom(int in, uint64_t offset, uint64_t n, const std::string& shortText);
    void patch(uint64_t offset, const void* data, size_t n);
    void close();
    uint64_t pos() const { return pos_; }

private:
    static constexpr size_t kBufferSize = 1 << 20;
    void flush();
    void writeAll(const unsigned char* p, size_t n, uint64_t offset);
    [[noreturn]] void fail(int err);
    int fd_ = -1;
    std::string failText_;
    uint64_t pos_ = 0;
    std::vector<unsigned char> buffer_;
};

// A new file below `folder` that nothing else can have chosen or planted
// (exclusive creation, a random short name); `failText` as for OutFile.
OutFile newTempFile(const std::filesystem::path& folder, std::filesystem::path& created, const std::string& failText);

} // namespace tw::rfa
