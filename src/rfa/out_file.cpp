#include "rfa/out_file.h"

#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tw::rfa {

OutFile::~OutFile() {
    if (fd_ >= 0) platform::closeFile(fd_);
}

void OutFile::write(const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (buffer_.size() + n > kBufferSize) flush();
    if (n >= kBufferSize) {
        writeAll(p, n, pos_);  // the buffer is empty here
    } else {
        buffer_.insert(buffer_.end(), p, p + n);
    }
    pos_ += n;
}

void OutFile::copyFrom(int in, uint64_t offset, uint64_t n, const std::string& shortText) {
    flush();
    uint64_t inOff = offset;
    while (n > 0) {
        const long long c = platform::copyInKernel(in, inOff, fd_, pos_, static_cast<size_t>(std::min<uint64_t>(n, 1u << 30)));
        if (c < 0 && errno == EINTR) continue;
        if (c <= 0) break;  // not possible here: copy the rest through a buffer
        n -= static_cast<uint64_t>(c);
        inOff += static_cast<uint64_t>(c);
        pos_ += static_cast<uint64_t>(c);
    }
    std::vector<unsigned char> buffer;
    while (n > 0) {
        buffer.resize(static_cast<size_t>(std::min<uint64_t>(n, kBufferSize)));
        const long long r = platform::readAt(in, buffer.data(), buffer.size(), inOff);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw AppError(shortText);
        write(buffer.data(), static_cast<size_t>(r));
        inOff += static_cast<uint64_t>(r);
        n -= static_cast<uint64_t>(r);
    }
}

void OutFile::patch(uint64_t offset, const void* data, size_t n) {
    flush();
    writeAll(static_cast<const unsigned char*>(data), n, offset);
}

void OutFile::close() {
    flush();
    if (platform::closeFile(fd_) != 0) {
        fd_ = -1;
        fail(errno);
    }
    fd_ = -1;
}

void OutFile::flush() {
    if (buffer_.empty()) return;
    writeAll(buffer_.data(), buffer_.size(), pos_ - buffer_.size());
    buffer_.clear();
}

void OutFile::writeAll(const unsigned char* p, size_t n, uint64_t offset) {
    while (n > 0) {
        const long long w = platform::writeAt(fd_, p, n, offset);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) fail(w < 0 ? errno : ENOSPC);
        p += w;
        n -= static_cast<size_t>(w);
        offset += static_cast<uint64_t>(w);
    }
}

void OutFile::fail(int err) { throw AppError(failText_ + ": " + std::strerror(err)); }

OutFile newTempFile(const std::filesystem::path& folder, std::filesystem::path& created, const std::string& failText) {
    const int fd = createTempFile(folder, created);
    if (fd < 0) throw AppError(failText + ": " + std::strerror(errno));
    return OutFile(fd, failText);
}

} // namespace tw::rfa
