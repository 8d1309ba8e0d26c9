// The game's pathmap files, read and written byte for byte:
//   <Map>Level<L>Map.raw      the 1-bit maps the bots use (compressed blocks)
//   <Map>Level<L>Map8Bit.raw  the same map, one byte per pixel
//   <Type>Info.raw            the 2-bit region numbers of a search type
//   <Type>.raw                the strategic map of a search type
// Every reader takes the file's bytes and the name to put in its messages; a
// damaged file raises a PathmapError naming the file and what is wrong, and
// nothing half read comes back.
#pragma once

#include "platform/errors.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw::pathmaps {

// A pathmap file that cannot be read or written; the message names the file.
class PathmapError : public AppError {
public:
    using AppError::AppError;
};

// World sizes a pathmap can be made for: powers of two from 256 to 8192 m.
bool isWorldSize(int worldSize);
// Whether a level-L map exists for the world: its blocks (64 pixels of 2^L m)
// must not be larger than the world.
bool levelFits(int worldSize, int level);
inline constexpr int kMaxLevel = 5;  // the coarsest level a search map may declare

// A square 1-bit map: pixel (x, z) with row 0 at z = 0 (south) and x growing
// east, as the files store it. The side is a multiple of 64.
class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(int side, bool blocked = false);

    int side() const { return side_; }
    bool empty() const { return side_ == 0; }
    bool blocked(int x, int z) const {
        return (words_[static_cast<size_t>(z) * wordsPerRow() + static_cast<size_t>(x >> 6)] >> (x & 63)) & 1u;
    }
    void set(int x, int z, bool blocked) {
        uint64_t& w = words_[static_cast<size_t>(z) * wordsPerRow() + static_cast<size_t>(x >> 6)];
        const uint64_t bit = uint64_t{1} << (x & 63);
        w = blocked ? (w | bit) : (w & ~bit);
    }
    void fill(bool blocked);
    uint64_t blockedCount() const;

    // Row z as 64-pixel words: bit i of word w is pixel x = 64 w + i.
    int wordsPerRow() const { return side_ >> 6; }
    const uint64_t* row(int z) const { return words_.data() + static_cast<size_t>(z) * wordsPerRow(); }
    uint64_t* row(int z) { return words_.data() + static_cast<size_t>(z) * wordsPerRow(); }

    bool operator==(const Bitmap&) const = default;

private:
    int side_ = 0;
    std::vector<uint64_t> words_;
};

// A search type's region numbers (<Type>Info.raw): one value 0..3 per pixel,
// a pixel covering 2 x 2 pixels of the map at the type's level. 0..2 name a
// region of the pixel's 64 m cell; 3 is region 3, or no region where all four
// pixels under it are blocked.
class InfoMap {
public:
    InfoMap() = default;
    explicit InfoMap(int side, uint8_t value = 3) : side_(side), values_(static_cast<size_t>(side) * side, value) {}
    int side() const { return side_; }
    uint8_t value(int x, int z) const { return values_[static_cast<size_t>(z) * side_ + x]; }
    void set(int x, int z, uint8_t v) { values_[static_cast<size_t>(z) * side_ + x] = v; }
    // Row z: the values of x = 0 .. side - 1.
    const uint8_t* row(int z) const { return values_.data() + static_cast<size_t>(z) * side_; }
    uint8_t* row(int z) { return values_.data() + static_cast<size_t>(z) * side_; }
    bool operator==(const InfoMap&) const = default;

private:
    int side_ = 0;
    std::vector<uint8_t> values_;
};

// One 64 m cell of a strategic map (16 bytes in the file).
struct StrategicCell {
    uint16_t linksZ = 0;  // bit 4 i + k: own region i joins region k of the cell at +z
    uint16_t linksX = 0;  // the same for the cell at +x
    std::array<std::array<uint8_t, 2>, 4> points{};  // region k's point (x, z), metres inside the cell
    uint8_t flags = 0;    // bits 4..7: region k used; bits 0..3 kept as read
    std::array<uint8_t, 3> reserved{};  // zero as written; kept as read

    bool used(int k) const { return (flags >> (4 + k)) & 1u; }
    bool linked(bool alongX, int own, int other) const {
        return ((alongX ? linksX : linksZ) >> (4 * own + other)) & 1u;
    }
    bool operator==(const StrategicCell&) const = default;
};

// A search type's strategic map (<Type>.raw): cells row-major, x fastest.
struct StrategicMap {
    int width = 0, height = 0;
    std::vector<StrategicCell> cells;
    const StrategicCell& cell(int cx, int cz) const { return cells[static_cast<size_t>(cz) * width + cx]; }
    StrategicCell& cell(int cx, int cz) { return cells[static_cast<size_t>(cz) * width + cx]; }
    bool operator==(const StrategicMap&) const = default;
};

// File names as the game forms them.
std::string levelFileName(const std::string& map, int level);      // "<map>Level<L>Map.raw"
std::string eightBitFileName(const std::string& map, int level);   // "<map>Level<L>Map8Bit.raw"
std::string infoFileName(const std::string& type);                 // "<type>Info.raw"
std::string strategicFileName(const std::string& type);            // "<type>.raw"

// The 1-bit map of `level` for a world of `worldSize` metres. A header made
// for another world size or level is refused, saying what it was made for.
Bitmap decodeLevelMap(std::string_view bytes, const std::string& file, int worldSize, int level);
// The game's bytes: fill table 2, 0, 0xFFFFFFFF; record 0 for an all-free
// block, 1 for an all-blocked one, -1 and 512 bytes otherwise.
std::string encodeLevelMap(const Bitmap& map, int level);

// One byte per pixel (0 free, anything else blocked; written as 255).
Bitmap decodeEightBit(std::string_view bytes, const std::string& file, int worldSize, int level);
std::string encodeEightBit(const Bitmap& map);

// The Info file of a search type whose map level is `level` (its pixels are
// 2^(level+1) m, 64 m to a block).
InfoMap decodeInfo(std::string_view bytes, const std::string& file, int worldSize, int level);
std::string encodeInfo(const InfoMap& info, int level);

StrategicMap decodeStrategic(std::string_view bytes, const std::string& file, int worldSize);
std::string encodeStrategic(const StrategicMap& map);

// What a compressed file's header says it was made for, in words ("a 2048 m
// world at level 0"), or why it is no such header; for messages.
std::string describeHeader(std::string_view bytes);

} // namespace tw::pathmaps
