// Reads an archive: the header (standard or 1.1), the entry table, and each
// entry's data, raw or as LZO1X blocks. Every malformed input is a clear
// error; nothing is allocated from unchecked sizes.
#pragma once

#include "rfa/format.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tw::rfa {

using Sink = std::function<void(const unsigned char* data, size_t size)>;

class ArchiveReader {
public:
    // Opens and checks the header and the whole entry table.
    explicit ArchiveReader(const std::string& path);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    const std::vector<Entry>& entries() const { return entries_; }
    bool compressed() const { return flag_ == 1; }
    bool isV11() const { return v11_; }
    bool hasTail() const { return hasTail_; }
    uint64_t fileSize() const { return size_; }
    const std::string& path() const { return path_; }

    // Streams an entry's uncompressed bytes to `sink`, in order. A damaged
    // entry raises an error; when it does, part of the entry may already
    // have reached the sink.
    void read(const Entry& entry, const Sink& sink) const;

    // Where an entry's bytes lie as they are (a raw entry of a standard
    // archive), for copying without reading them through a buffer.
    std::optional<uint64_t> rawOffset(const Entry& entry) const {
        if (v11_ || flag_ != 0 || entry.size == 0) return std::nullopt;
        return entry.offset;
    }
    int descriptor() const { return fd_; }

    // Things that were read with tolerance (older writers' forms).
    std::vector<std::string> warnings() const;

    // The archive-is-damaged error text.
    std::string damaged(const std::string& why) const;

private:
    struct Block {
        uint32_t c, u, r;
    };
    void readAt(uint64_t offset, void* buffer, size_t size) const;
    bool blockTable(const Entry& entry, std::vector<Block>& blocks, std::string& why) const;
    bool decodeBlocks(const Entry& entry, const std::vector<Block>& blocks, const Sink* sink,
                      std::string& why) const;
    void copyRaw(const Entry& entry, const Sink& sink) const;

    std::string path_;
    int fd_ = -1;
    uint64_t size_ = 0;
    uint32_t flag_ = 0;
    bool v11_ = false;
    bool hasTail_ = false;
    uint32_t tableOffset_ = 0;
    uint32_t dataStart_ = 0;
    std::vector<Entry> entries_;
    void warn(std::string warning) const;
    void warnOverlaps();
    mutable std::mutex warningsLock_;  // entries may be read on several threads
    mutable std::vector<std::string> warnings_;
};

} // namespace tw::rfa
