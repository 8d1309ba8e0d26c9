#include "pathmaps/formats.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tw::pathmaps {
namespace {

constexpr int kBlockPixels = 64;  // a 1-bit map's block is 64 x 64 pixels
constexpr int kCellMetres = 64;   // an Info block and a strategic cell

int log2Of(int value) { return std::countr_zero(static_cast<unsigned>(value)); }

uint32_t le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return uint32_t{u[0]} | uint32_t{u[1]} << 8 | uint32_t{u[2]} << 16 | uint32_t{u[3]} << 24;
}
uint64_t le64(const char* p) { return uint64_t{le32(p)} | uint64_t{le32(p + 4)} << 32; }
void put32(std::string& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.append(b, 4);
}
void put64(char* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>(v >> (8 * i));
}

std::string plural(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

[[noreturn]] void damaged(const std::string& file, const std::string& what) {
    throw PathmapError(file + " is damaged: " + what + ".");
}

// The five header values of the compressed container.
struct Header {
    int32_t across, down, blockExp, level, bppExp;
    bool operator==(const Header&) const = default;
    std::string text() const {
        return std::to_string(across) + " " + std::to_string(down) + " " + std::to_string(blockExp) + " " +
               std::to_string(level) + " " + std::to_string(bppExp);
    }
};

Header readHeader(const char* p) {
    return {static_cast<int32_t>(le32(p)), static_cast<int32_t>(le32(p + 4)), static_cast<int32_t>(le32(p + 8)),
            static_cast<int32_t>(le32(p + 12)), static_cast<int32_t>(le32(p + 16))};
}

// What a header says it was made for, in words.
std::string madeFor(const Header& h) {
    const bool square = h.across == h.down && h.across >= 0 && h.across <= 14;
    if (square && h.bppExp == 0 && h.level >= 0 && h.level <= 16 && h.blockExp == h.level + 6)
        return "a " + std::to_string(int64_t{1} << (h.across + h.blockExp)) + " m world at level " +
               std::to_string(h.level);
    if (square && h.bppExp == 1 && h.blockExp == 6 && h.level >= 1 && h.level <= 6)
        return "the regions of a " + std::to_string(int64_t{1} << (h.across + h.blockExp)) + " m world at level " +
               std::to_string(h.level - 1);
    return "no pathmap this program knows (header " + h.text() + ")";
}

// The bytes of one block stored in full, as the game sizes them.
size_t literalBytes(const Header& h) {
    return size_t{4} << std::max(1, h.bppExp - 5 + 2 * (h.blockExp - h.level));
}

// Walks a compressed container whose header must be `expected`, calling
// onFill(block, word) or onLiteral(block, bytes) for each block record.
// Everything is checked before the first call, so a damaged file leaves
// nothing half done.
template <class OnFill, class OnLiteral>
void walkCells(std::string_view bytes, const std::string& file, const Header& expected, const std::string& wanted,
               OnFill onFill, OnLiteral onLiteral) {
    if (bytes.size() < 20)
        damaged(file, "it ends after " + plural(bytes.size(), "byte", "bytes") +
                          ", within its 20-byte header");
    const Header h = readHeader(bytes.data());
    if (!(h == expected))
        throw PathmapError(file + " is made for " + madeFor(h) + ", but " + wanted + " is needed (header " +
                           h.text() + ", expected " + expected.text() + ").");
    if (bytes.size() < 24) damaged(file, "it ends before its fill table");
    const int64_t count = static_cast<int32_t>(le32(bytes.data() + 20));
    const uint64_t tableEnd = 24 + 4 * static_cast<uint64_t>(std::max<int64_t>(count, 0));
    if (count < 0) damaged(file, "its fill table has " + std::to_string(count) + " entries");
    if (tableEnd > bytes.size())
        damaged(file, "its fill table claims " + plural(static_cast<uint64_t>(count), "entry", "entries") +
                          ", more than the file holds");
    std::vector<uint32_t> fill(static_cast<size_t>(count));
    for (size_t i = 0; i < fill.size(); ++i) fill[i] = le32(bytes.data() + 24 + 4 * i);

    const size_t blocks = size_t{1} << (h.across + h.down);
    const size_t literal = literalBytes(h);
    // First pass: check every record; second: hand them out.
    for (int pass = 0; pass < 2; ++pass) {
        size_t at = tableEnd;
        for (size_t b = 0; b < blocks; ++b) {
            if (pass == 0 && at + 4 > bytes.size())
                damaged(file, "it ends within the record of block " + std::to_string(b) + " of " +
                                  std::to_string(blocks));
            const int32_t record = static_cast<int32_t>(le32(bytes.data() + at));
            at += 4;
            if (record >= 0) {
                if (pass == 0 && record >= count)
                    damaged(file, "block " + std::to_string(b) + " names fill entry " + std::to_string(record) +
                                      ", but the fill table has " + plural(fill.size(), "entry", "entries"));
                if (pass == 1) onFill(b, fill[static_cast<size_t>(record)]);
            } else if (record == -1) {
                if (pass == 0 && at + literal > bytes.size())
                    damaged(file, "it ends within the pixels of block " + std::to_string(b) + " of " +
                                      std::to_string(blocks));
                if (pass == 1) onLiteral(b, bytes.data() + at);
                at += literal;
            } else if (pass == 0) {
                damaged(file, "block " + std::to_string(b) + " has the record " + std::to_string(record) +
                                  ", which is neither a fill entry nor -1");
            }
        }
        if (pass == 0 && at != bytes.size())
            damaged(file, plural(bytes.size() - at, "byte follows", "bytes follow") + " its last block record");
    }
}

// The game's own fill table: 0 (all free) and 0xFFFFFFFF (all blocked).
void putCellsStart(std::string& out, const Header& h) {
    for (int32_t v : {h.across, h.down, h.blockExp, h.level, h.bppExp}) put32(out, static_cast<uint32_t>(v));
    put32(out, 2);
    put32(out, 0);
    put32(out, 0xFFFFFFFFu);
}

Header mapHeader(int worldSize, int level) {
    const int blocks = log2Of(worldSize) - level - 6;
    return {blocks, blocks, level + 6, level, 0};
}
Header infoHeader(int worldSize, int level) {
    const int blocks = log2Of(worldSize) - 6;
    return {blocks, blocks, 6, level + 1, 1};
}

void checkWorld(const std::string& file, int worldSize, int level, int maxLevel) {
    if (!isWorldSize(worldSize))
        throw PathmapError(file + " cannot be read for a world of " + std::to_string(worldSize) +
                           " m: the world size must be a power of two from 256 to 8192.");
    if (level < 0 || level > maxLevel || !levelFits(worldSize, level))
        throw PathmapError(file + ": level " + std::to_string(level) + " cannot exist in a " +
                           std::to_string(worldSize) + " m world.");
}

std::string worldWords(int worldSize, int level) {
    return "a " + std::to_string(worldSize) + " m world at level " + std::to_string(level);
}

} // namespace

bool isWorldSize(int worldSize) { return worldSize >= 256 && worldSize <= 8192 && std::has_single_bit(unsigned(worldSize)); }

bool levelFits(int worldSize, int level) {
    return isWorldSize(worldSize) && level >= 0 && level <= kMaxLevel && (worldSize >> (level + 6)) >= 1;
}

Bitmap::Bitmap(int side, bool blocked)
    : side_(side), words_(static_cast<size_t>(side) * static_cast<size_t>(side >> 6), blocked ? ~uint64_t{0} : 0) {}

void Bitmap::fill(bool blocked) { std::fill(words_.begin(), words_.end(), blocked ? ~uint64_t{0} : 0); }

uint64_t Bitmap::blockedCount() const {
    uint64_t n = 0;
    for (uint64_t w : words_) n += static_cast<uint64_t>(std::popcount(w));
    return n;
}

std::string levelFileName(const std::string& map, int level) {
    return map + "Level" + std::to_string(level) + "Map.raw";
}
std::string eightBitFileName(const std::string& map, int level) {
    return map + "Level" + std::to_string(level) + "Map8Bit.raw";
}
std::string infoFileName(const std::string& type) { return type + "Info.raw"; }
std::string strategicFileName(const std::string& type) { return type + ".raw"; }

Bitmap decodeLevelMap(std::string_view bytes, const std::string& file, int worldSize, int level) {
    checkWorld(file, worldSize, level, kMaxLevel);
    const Header h = mapHeader(worldSize, level);
    Bitmap map(worldSize >> level);
    const int across = 1 << h.across;
    walkCells(
        bytes, file, h, worldWords(worldSize, level),
        [&](size_t b, uint32_t word) {
            const uint64_t w = uint64_t{word} | uint64_t{word} << 32;
            const int bx = static_cast<int>(b) % across, bz = static_cast<int>(b) / across;
            for (int r = 0; r < kBlockPixels; ++r) map.row(bz * kBlockPixels + r)[bx] = w;
        },
        [&](size_t b, const char* data) {
            const int bx = static_cast<int>(b) % across, bz = static_cast<int>(b) / across;
            for (int r = 0; r < kBlockPixels; ++r) map.row(bz * kBlockPixels + r)[bx] = le64(data + 8 * r);
        });
    return map;
}

std::string encodeLevelMap(const Bitmap& map, int level) {
    const int worldSize = map.side() << level;
    const Header h = mapHeader(worldSize, level);
    const int across = map.wordsPerRow();
    std::string out;
    out.reserve(36 + static_cast<size_t>(across) * across * 4);
    putCellsStart(out, h);
    char block[8 * kBlockPixels];
    for (int bz = 0; bz < across; ++bz)
        for (int bx = 0; bx < across; ++bx) {
            uint64_t any = 0, all = ~uint64_t{0};
            for (int r = 0; r < kBlockPixels; ++r) {
                const uint64_t w = map.row(bz * kBlockPixels + r)[bx];
                any |= w;
                all &= w;
            }
            if (any == 0) {
                put32(out, 0);
            } else if (all == ~uint64_t{0}) {
                put32(out, 1);
            } else {
                put32(out, 0xFFFFFFFFu);
                for (int r = 0; r < kBlockPixels; ++r) put64(block + 8 * r, map.row(bz * kBlockPixels + r)[bx]);
                out.append(block, sizeof block);
            }
        }
    return out;
}

Bitmap decodeEightBit(std::string_view bytes, const std::string& file, int worldSize, int level) {
    checkWorld(file, worldSize, level, kMaxLevel);
    const int side = worldSize >> level;
    const uint64_t wanted = uint64_t(side) * uint64_t(side);
    if (bytes.size() != wanted) {
        uint64_t root = 0;
        while ((root + 1) * (root + 1) <= bytes.size()) ++root;
        const std::string held = root * root == bytes.size() && root > 0
                                     ? "it holds a " + std::to_string(root) + " x " + std::to_string(root) + " map"
                                     : "its " + plural(bytes.size(), "byte is", "bytes are") + " no square map";
        throw PathmapError(file + " does not fit " + worldWords(worldSize, level) + ": " + held + ", " +
                           std::to_string(side) + " x " + std::to_string(side) + " expected.");
    }
    Bitmap map(side);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (int z = 0; z < side; ++z) {
        uint64_t* row = map.row(z);
        for (int w = 0; w < map.wordsPerRow(); ++w) {
            uint64_t bits = 0;
            for (int i = 0; i < 64; ++i) bits |= uint64_t{p[i] != 0} << i;
            row[w] = bits;
            p += 64;
        }
    }
    return map;
}

std::string encodeEightBit(const Bitmap& map) {
    const int side = map.side();
    std::string out(static_cast<size_t>(side) * static_cast<size_t>(side), '\0');
    char* p = out.data();
    for (int z = 0; z < side; ++z) {
        const uint64_t* row = map.row(z);
        for (int w = 0; w < map.wordsPerRow(); ++w) {
            const uint64_t bits = row[w];
            if (bits != 0)
                for (int i = 0; i < 64; ++i) p[i] = static_cast<char>(((bits >> i) & 1u) ? 0xFF : 0);
            p += 64;
        }
    }
    return out;
}

InfoMap decodeInfo(std::string_view bytes, const std::string& file, int worldSize, int level) {
    checkWorld(file, worldSize, level, kMaxLevel);
    const Header h = infoHeader(worldSize, level);
    const int side = worldSize >> (level + 1);
    const int perBlock = kCellMetres >> (level + 1);
    const int across = 1 << h.across;
    InfoMap info(side);
    walkCells(
        bytes, file, h, "the regions of " + worldWords(worldSize, level),
        [&](size_t b, uint32_t word) {
            const int x0 = static_cast<int>(b) % across * perBlock, z0 = static_cast<int>(b) / across * perBlock;
            for (int r = 0; r < perBlock; ++r)
                for (int c = 0; c < perBlock; ++c) {
                    const int bit = (2 * (r * perBlock + c)) & 31;
                    info.set(x0 + c, z0 + r, static_cast<uint8_t>((word >> bit) & 3u));
                }
        },
        [&](size_t b, const char* data) {
            const auto* u = reinterpret_cast<const unsigned char*>(data);
            const int x0 = static_cast<int>(b) % across * perBlock, z0 = static_cast<int>(b) / across * perBlock;
            for (int r = 0; r < perBlock; ++r)
                for (int c = 0; c < perBlock; ++c) {
                    const int bit = 2 * (r * perBlock + c);
                    info.set(x0 + c, z0 + r, static_cast<uint8_t>((u[bit >> 3] >> (bit & 7)) & 3u));
                }
        });
    return info;
}

std::string encodeInfo(const InfoMap& info, int level) {
    const int worldSize = info.side() << (level + 1);
    const Header h = infoHeader(worldSize, level);
    const int perBlock = kCellMetres >> (level + 1);
    const int across = 1 << h.across;
    std::string out;
    putCellsStart(out, h);
    std::string block(literalBytes(h), '\0');
    for (int bz = 0; bz < across; ++bz)
        for (int bx = 0; bx < across; ++bx) {
            bool allZero = true, allThree = true;
            std::fill(block.begin(), block.end(), '\0');
            for (int r = 0; r < perBlock; ++r)
                for (int c = 0; c < perBlock; ++c) {
                    const uint8_t v = info.value(bx * perBlock + c, bz * perBlock + r);
                    allZero = allZero && v == 0;
                    allThree = allThree && v == 3;
                    const int bit = 2 * (r * perBlock + c);
                    block[static_cast<size_t>(bit >> 3)] = static_cast<char>(
                        static_cast<unsigned char>(block[static_cast<size_t>(bit >> 3)]) | (v << (bit & 7)));
                }
            if (allZero) {
                put32(out, 0);
            } else if (allThree) {
                put32(out, 1);
            } else {
                put32(out, 0xFFFFFFFFu);
                out += block;
            }
        }
    return out;
}

StrategicMap decodeStrategic(std::string_view bytes, const std::string& file, int worldSize) {
    checkWorld(file, worldSize, 0, kMaxLevel);
    const int cells = worldSize / kCellMetres;
    if (bytes.size() < 8)
        damaged(file, "it ends after " + plural(bytes.size(), "byte", "bytes") + ", within its 8-byte header");
    const int32_t width = static_cast<int32_t>(le32(bytes.data())), height = static_cast<int32_t>(le32(bytes.data() + 4));
    if (width != cells || height != cells) {
        const std::string what = width == height && width > 0 && width <= 1024
                                     ? "a " + std::to_string(int64_t{width} * kCellMetres) + " m world"
                                     : "no world this program knows";
        throw PathmapError(file + " is made for " + what + " (" + std::to_string(width) + " x " +
                           std::to_string(height) + " cells), but the world is " + std::to_string(worldSize) +
                           " m (" + std::to_string(cells) + " x " + std::to_string(cells) + " cells).");
    }
    const uint64_t wanted = 8 + uint64_t(cells) * uint64_t(cells) * 16;
    if (bytes.size() < wanted)
        damaged(file, "it ends within cell " + std::to_string((bytes.size() - 8) / 16) + " of " +
                          std::to_string(cells * cells));
    if (bytes.size() > wanted)
        damaged(file, plural(bytes.size() - wanted, "byte follows", "bytes follow") + " its last cell");
    StrategicMap map;
    map.width = map.height = cells;
    map.cells.resize(static_cast<size_t>(cells) * cells);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + 8);
    for (StrategicCell& c : map.cells) {
        c.linksZ = static_cast<uint16_t>(p[0] | p[1] << 8);
        c.linksX = static_cast<uint16_t>(p[2] | p[3] << 8);
        for (int k = 0; k < 4; ++k) c.points[k] = {p[4 + 2 * k], p[5 + 2 * k]};
        c.flags = p[12];
        c.reserved = {p[13], p[14], p[15]};
        p += 16;
    }
    return map;
}

std::string encodeStrategic(const StrategicMap& map) {
    std::string out;
    out.reserve(8 + map.cells.size() * 16);
    put32(out, static_cast<uint32_t>(map.width));
    put32(out, static_cast<uint32_t>(map.height));
    for (const StrategicCell& c : map.cells) {
        char b[16] = {static_cast<char>(c.linksZ), static_cast<char>(c.linksZ >> 8), static_cast<char>(c.linksX),
                      static_cast<char>(c.linksX >> 8)};
        for (int k = 0; k < 4; ++k) {
            b[4 + 2 * k] = static_cast<char>(c.points[k][0]);
            b[5 + 2 * k] = static_cast<char>(c.points[k][1]);
        }
        b[12] = static_cast<char>(c.flags);
        for (int i = 0; i < 3; ++i) b[13 + i] = static_cast<char>(c.reserved[i]);
        out.append(b, 16);
    }
    return out;
}

std::string describeHeader(std::string_view bytes) {
    if (bytes.size() < 20) return "no header (" + plural(bytes.size(), "byte", "bytes") + ")";
    return madeFor(readHeader(bytes.data()));
}

} // namespace tw::pathmaps
