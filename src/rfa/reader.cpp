#include "rfa/reader.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "rfa/lzo_codec.h"
#include "rfa/names.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "platform/fd_io.h"

namespace tw::rfa {
namespace {

// Reads the table sequentially through a buffer.
class Cursor {
public:
    Cursor(const ArchiveReader& reader, const std::function<void(uint64_t, void*, size_t)>& readAt, uint64_t pos,
           uint64_t end)
        : reader_(reader), readAt_(readAt), pos_(pos), end_(end) {}

    uint32_t u32(const char* what) {
        unsigned char b[4];
        bytes(b, 4, what);
        return getU32(b);
    }
    void bytes(void* out, size_t n, const char* what) {
        if (pos_ + n > end_) throw AppError(reader_.damaged(std::string("the entry table ends inside ") + what));
        auto* dst = static_cast<unsigned char*>(out);
        while (n > 0) {
            if (bufPos_ == buf_.size()) fill();
            const size_t take = std::min(n, buf_.size() - bufPos_);
            std::memcpy(dst, buf_.data() + bufPos_, take);
            dst += take;
            bufPos_ += take;
            pos_ += take;
            n -= take;
        }
    }
    uint64_t pos() const { return pos_; }

private:
    void fill() {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(65536, end_ - pos_));
        buf_.resize(n);
        readAt_(pos_, buf_.data(), n);
        bufPos_ = 0;
    }
    const ArchiveReader& reader_;
    std::function<void(uint64_t, void*, size_t)> readAt_;
    uint64_t pos_;
    uint64_t end_;
    std::vector<unsigned char> buf_;
    size_t bufPos_ = 0;
};

std::string shownName(const Entry& e) { return "\"" + printableName(e.name) + "\""; }

} // namespace

std::string ArchiveReader::damaged(const std::string& why) const {
    return "The archive " + path_ + " is damaged: " + why;
}

ArchiveReader::ArchiveReader(const std::string& path) : path_(path) {
    const auto resolved = resolvePath(path);
    // Opened without blocking, so that a named pipe in an archive's place is
    // refused at once instead of waiting for a writer that never comes.
    fd_ = platform::openForReading(resolved, platform::kOpenNoWait);
    if (fd_ < 0) {
        throw AppError("The archive " + path + " cannot be opened: " + std::strerror(errno));
    }
    const auto ordinarySize = platform::ordinaryFileSize(fd_);
    if (!ordinarySize) {
        platform::closeFile(fd_);
        fd_ = -1;
        throw AppError("The archive " + path + " cannot be opened: it is not a file");
    }
    size_ = *ordinarySize;
    // A header that does not read as an archive's: most likely some other
    // file chosen by mistake.
    const auto notAnArchive = [&path] {
        return AppError("The file " + path + " is not a level archive (.rfa), or its beginning is damaged: Tarnwick "
                        "cannot read it as one. Choose a level's .rfa archive.");
    };
    try {
        if (size_ < 8) throw notAnArchive();
        unsigned char head[36] = {};
        readAt(0, head, static_cast<size_t>(std::min<uint64_t>(size_, sizeof head)));
        if (size_ >= kV11Signature.size() &&
            std::memcmp(head, kV11Signature.data(), kV11Signature.size()) == 0) {
            if (size_ < 32) throw notAnArchive();
            v11_ = true;
            tableOffset_ = getU32(head + 28);
            dataStart_ = 32;
        } else {
            if (size_ < kHeaderSize) throw notAnArchive();
            tableOffset_ = getU32(head);
            flag_ = getU32(head + 4);
            if (flag_ > 1) throw notAnArchive();
            dataStart_ = 8;
        }
        if (tableOffset_ < dataStart_ || tableOffset_ > size_ - 4) throw notAnArchive();

        Cursor cursor(*this, [this](uint64_t o, void* b, size_t n) { readAt(o, b, n); }, tableOffset_, size_);
        const uint32_t count = cursor.u32("the entry count");
        if (count > (size_ - tableOffset_ - 4) / 28) throw AppError(damaged("the entry count is larger than the table"));
        entries_.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            Entry e;
            const uint32_t length = cursor.u32("a name length");
            if (length == 0) throw AppError(damaged("entry " + std::to_string(i + 1) + " has an empty name"));
            if (length > kMaxNameLength)
                throw AppError(damaged("entry " + std::to_string(i + 1) + " has a name longer than " +
                                       std::to_string(kMaxNameLength) + " bytes"));
            e.name.resize(length);
            cursor.bytes(e.name.data(), length, "a name");
            e.stored = cursor.u32("an entry");
            e.size = cursor.u32("an entry");
            e.offset = cursor.u32("an entry");
            e.a = cursor.u32("an entry");
            e.b = cursor.u32("an entry");
            e.c = cursor.u32("an entry");
            if (uint64_t{e.offset} + e.stored > tableOffset_ || (e.stored > 0 && e.offset < dataStart_))
                throw AppError(damaged("the data of entry " + shownName(e) + " lies outside the data area"));
            if (!v11_ && flag_ == 0 && e.stored != e.size && e.size != 0)
                throw AppError(damaged("entry " + shownName(e) + " is stored raw with a size that does not match"));
            entries_.push_back(std::move(e));
        }
        warnOverlaps();
        const uint64_t rest = size_ - cursor.pos();
        if (rest >= 4) {
            const uint32_t tail = cursor.u32("the tail");
            hasTail_ = tail == 0;
        }
        if (rest != 0 && !(rest == 4 && hasTail_)) warn("unexpected bytes after the entry table");
    } catch (...) {
        platform::closeFile(fd_);
        fd_ = -1;
        throw;
    }
}

void ArchiveReader::warnOverlaps() {
    // No writer lets two entries share data; such an archive is read as it
    // is, but said so once, naming the entries (a few thousand entries
    // sharing one region would unpack to far more than the archive's size).
    std::vector<size_t> order;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].stored > 0) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return entries_[a].offset < entries_[b].offset; });
    std::vector<size_t> shared;
    uint64_t reach = 0;
    size_t reacher = 0;
    for (size_t i : order) {
        const Entry& e = entries_[i];
        if (e.offset < reach) {
            if (shared.empty() || shared.back() != reacher) shared.push_back(reacher);
            shared.push_back(i);
        }
        if (uint64_t{e.offset} + e.stored > reach) {
            reach = uint64_t{e.offset} + e.stored;
            reacher = i;
        }
    }
    if (shared.empty()) return;
    std::sort(shared.begin(), shared.end());
    shared.erase(std::unique(shared.begin(), shared.end()), shared.end());
    std::string names;
    constexpr size_t kShown = 5;
    for (size_t k = 0; k < std::min(shared.size(), kShown); ++k) names += (k ? ", " : "") + shownName(entries_[shared[k]]);
    if (shared.size() > kShown) names += " and " + std::to_string(shared.size() - kShown) + " more";
    warn(std::to_string(shared.size()) + " entries share their data with others (overlapping regions): " + names);
}

std::vector<std::string> ArchiveReader::warnings() const {
    std::lock_guard guard(warningsLock_);
    return warnings_;
}

void ArchiveReader::warn(std::string warning) const {
    std::lock_guard guard(warningsLock_);
    warnings_.push_back(std::move(warning));
}

ArchiveReader::~ArchiveReader() {
    if (fd_ >= 0) platform::closeFile(fd_);
}

void ArchiveReader::readAt(uint64_t offset, void* buffer, size_t size) const {
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const long long n = platform::readAt(fd_, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw AppError(damaged(n == 0 ? "the file ends early" : std::string("read error: ") + std::strerror(errno)));
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
}

bool ArchiveReader::blockTable(const Entry& e, std::vector<Block>& blocks, std::string& why) const {
    if (e.stored < 4) {
        why = "its block table is missing";
        return false;
    }
    unsigned char countBytes[4];
    readAt(e.offset, countBytes, 4);
    const uint32_t n = getU32(countBytes);
    if (n != blockCount(e.size)) {
        why = "its block count does not match its size";
        return false;
    }
    if (4 + uint64_t{12} * n > e.stored) {
        why = "its block table is larger than the entry";
        return false;
    }
    std::vector<unsigned char> raw(size_t{12} * n);
    readAt(uint64_t{e.offset} + 4, raw.data(), raw.size());
    blocks.resize(n);
    const uint64_t dataSize = e.stored - 4 - uint64_t{12} * n;
    uint64_t running = 0;
    for (uint32_t i = 0; i < n; ++i) {
        Block& b = blocks[i];
        b.c = getU32(&raw[12 * i]);
        b.u = getU32(&raw[12 * i + 4]);
        b.r = getU32(&raw[12 * i + 8]);
        if (b.u != blockSize(e.size, i)) {
            why = "block " + std::to_string(i + 1) + " has the wrong uncompressed size";
            return false;
        }
        if (b.r != running) {
            why = "block " + std::to_string(i + 1) + " does not follow the one before it";
            return false;
        }
        if (b.c > compressedBound(b.u)) {
            why = "block " + std::to_string(i + 1) + " is larger than any stream of its size";
            return false;
        }
        running += b.c;
        if (running > dataSize) {
            why = "block " + std::to_string(i + 1) + " reaches past the entry";
            return false;
        }
    }
    return true;
}

bool ArchiveReader::decodeBlocks(const Entry& e, const std::vector<Block>& blocks, const Sink* sink,
                                 std::string& why) const {
    // The compressed bytes are read a few megabytes at a time and the output
    // handed on a megabyte at a time: few system calls, bounded memory.
    constexpr uint64_t kReadChunk = 4u << 20;
    constexpr size_t kOutChunk = 1u << 20;
    const uint64_t base = uint64_t{e.offset} + 4 + uint64_t{12} * blocks.size();
    std::vector<unsigned char> in;
    uint64_t inStart = 0;  // offset (relative to base) of in[0]
    std::vector<unsigned char> out(std::min<uint64_t>(kOutChunk, uint64_t{blocks.size()} * kBlockSize));
    size_t filled = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Block& b = blocks[i];
        if (b.r < inStart || b.r + uint64_t{b.c} > inStart + in.size()) {
            const uint64_t end = blocks.back().r + uint64_t{blocks.back().c};
            in.resize(static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(kReadChunk, b.c), end - b.r)));
            inStart = b.r;
            readAt(base + inStart, in.data(), in.size());
        }
        const unsigned char* stream = in.data() + (b.r - inStart);
        if (out.size() - filled < kBlockSize) {
            if (sink) (*sink)(out.data(), filled);
            filled = 0;
        }
        if (!decompressBlock(stream, b.c, out.data() + filled, b.u)) {
            if (b.c != b.u) {
                why = "block " + std::to_string(i + 1) + " does not decompress";
                return false;
            }
            std::copy(stream, stream + b.c, out.data() + filled);  // an older writer's block kept as it was
            if (sink)
                warn("entry " + shownName(e) + ": block " + std::to_string(i + 1) +
                                    " was stored uncompressed");
        }
        filled += b.u;
    }
    if (sink && filled > 0) (*sink)(out.data(), filled);
    return true;
}

void ArchiveReader::copyRaw(const Entry& e, const Sink& sink) const {
    std::vector<unsigned char> buffer(std::min<uint32_t>(e.size, 1u << 20));
    uint64_t done = 0;
    while (done < e.size) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), e.size - done));
        readAt(e.offset + done, buffer.data(), n);
        sink(buffer.data(), n);
        done += n;
    }
}

void ArchiveReader::read(const Entry& e, const Sink& sink) const {
    if (e.size == 0) return;
    if (!v11_ && flag_ == 0) {
        copyRaw(e, sink);
        return;
    }
    std::vector<Block> blocks;
    std::string why;
    const bool ambiguous = e.stored == e.size;  // could also be the bytes themselves
    if (blockTable(e, blocks, why)) {
        // Where the bytes might be stored as they are, decode once without
        // output first, so a refused decode can still fall back cleanly.
        if (!ambiguous) {
            if (decodeBlocks(e, blocks, &sink, why)) return;
            throw AppError(damaged("entry " + shownName(e) + ": " + why));
        }
        if (decodeBlocks(e, blocks, nullptr, why)) {
            decodeBlocks(e, blocks, &sink, why);
            return;
        }
    }
    if (ambiguous) {
        warn("entry " + shownName(e) + " was stored uncompressed");
        copyRaw(e, sink);
        return;
    }
    throw AppError(damaged("entry " + shownName(e) + ": " + why));
}

} // namespace tw::rfa
