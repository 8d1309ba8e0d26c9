// The game's Refractor archive (.rfa): little-endian u32 fields, a header, a
// data area and an entry table at the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw::rfa {

inline constexpr uint32_t kHeaderSize = 156;          // table offset, flag, descriptor, extra byte, id
inline constexpr uint32_t kDescriptorSize = 143;
inline constexpr uint32_t kBlockSize = 32768;        // uncompressed size of every block but the last
inline constexpr uint32_t kDefaultId = 0x48128321;   // expansion-pack id "Default"
inline constexpr std::string_view kV11Signature = "Refractor2 FlatArchive 1.1  ";
inline constexpr uint64_t kMaxArchiveSize = 0xFFFFFFFFull;
inline constexpr uint32_t kMaxNameLength = 1024;

// One entry of the table.
struct Entry {
    std::string name;       // as stored (Windows-1252 bytes)
    uint32_t stored = 0;    // bytes the entry occupies in the data area
    uint32_t size = 0;      // uncompressed size
    uint32_t offset = 0;    // absolute offset of its data
    uint32_t a = 0, b = 0, c = 0;
};

// Blocks of an entry of `size` bytes, and the uncompressed size of block i.
inline uint32_t blockCount(uint64_t size) { return static_cast<uint32_t>((size + kBlockSize - 1) / kBlockSize); }
inline uint32_t blockSize(uint64_t size, uint32_t i) {
    const uint64_t rest = size - uint64_t{i} * kBlockSize;
    return static_cast<uint32_t>(rest < kBlockSize ? rest : kBlockSize);
}
// The largest LZO1X stream a block of u bytes can become.
inline uint64_t compressedBound(uint64_t u) { return u + u / 16 + 64 + 3; }

inline void putU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
inline uint32_t getU32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The 143 descriptor bytes this program writes, and the id field that goes
// with a descriptor: id + the sum of its bytes, modulo 2^32.
std::string_view ourDescriptor();
uint32_t idField(uint32_t id, std::string_view descriptor);

} // namespace tw::rfa
