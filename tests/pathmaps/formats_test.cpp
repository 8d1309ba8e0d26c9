// The pathmap files byte for byte: what the writers produce, that readers
// take it back, and every damaged form refused with its message.
#include "pathmaps/formats.h"
#include "pathmaps/rebuild.h"

#include <gtest/gtest.h>

#include <functional>

namespace tw::pathmaps {
namespace {

// Little-endian 32-bit values, as the files hold them.
std::string ints(std::initializer_list<int64_t> values) {
    std::string s;
    for (int64_t v : values)
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(static_cast<uint64_t>(v) >> (8 * i)));
    return s;
}
std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
// A 64 x 64 block's 512 bytes with one byte set.
std::string blockWith(size_t at, char value, char rest = 0) {
    std::string b(512, rest);
    b[at] = value;
    return b;
}

TEST(PathmapFormats, LevelMapsAreWrittenAsTheGameWritesThem) {
    const std::string head = ints({2, 0, 0xFFFFFFFF});
    struct Case {
        const char* name;
        int world, level;
        std::function<void(Bitmap&)> paint;
        std::string expected;
    } cases[] = {
        {"all free", 256, 0, [](Bitmap&) {}, ints({2, 2, 6, 0, 0}) + head + repeat(ints({0}), 16)},
        {"one block blocked, one pixel in the first", 256, 0,
         [](Bitmap& m) {
             m.set(0, 0, true);
             for (int z = 0; z < 64; ++z)
                 for (int x = 64; x < 128; ++x) m.set(x, z, true);
         },
         ints({2, 2, 6, 0, 0}) + head + ints({-1}) + blockWith(0, 1) + ints({1}) + repeat(ints({0}), 14)},
        {"pixel (70, 130): block 9, row 2, column 6", 256, 0, [](Bitmap& m) { m.set(70, 130, true); },
         ints({2, 2, 6, 0, 0}) + head + repeat(ints({0}), 9) + ints({-1}) + blockWith(16, 0x40) +
             repeat(ints({0}), 6)},
        {"level 2 of a 1024 m world", 1024, 2, [](Bitmap& m) { m.set(255, 255, true); },
         ints({2, 2, 8, 2, 0}) + head + repeat(ints({0}), 15) + ints({-1}) + blockWith(511, char(0x80))},
        {"level 4 of a 1024 m world: one block, all blocked but one pixel", 1024, 4,
         [](Bitmap& m) {
             m.fill(true);
             m.set(9, 0, false);
         },
         ints({0, 0, 10, 4, 0}) + head + ints({-1}) + blockWith(1, char(0xFD), char(0xFF))},
    };
    for (const auto& c : cases) {
        Bitmap map(c.world >> c.level);
        c.paint(map);
        EXPECT_EQ(encodeLevelMap(map, c.level), c.expected) << c.name;
        EXPECT_EQ(decodeLevelMap(c.expected, "T.raw", c.world, c.level), map) << c.name;
    }
}

TEST(PathmapFormats, EightBitInfoAndStrategicBytes) {
    // 8-bit: one byte a pixel, 255 blocked; any non-zero byte reads as blocked.
    Bitmap small(64);
    small.set(1, 0, true);
    small.set(63, 63, true);
    std::string eight(4096, '\0');
    eight[1] = eight[4095] = char(0xFF);
    EXPECT_EQ(encodeEightBit(small), eight);
    eight[1] = 7;
    EXPECT_EQ(decodeEightBit(eight, "T8.raw", 256, 2), small);

    // Info of a 256 m land map: 2 m pixels, 32 x 32 to a 64 m block.
    InfoMap info(128, 3);
    info.set(0, 0, 0);
    info.set(33, 0, 2);
    const std::string head = ints({2, 0, 0xFFFFFFFF});
    std::string first(256, char(0xFF)), second(256, char(0xFF));
    first[0] = char(0xFC);
    second[0] = char(0xFB);
    const std::string infoBytes =
        ints({2, 2, 6, 1, 1}) + head + ints({-1}) + first + ints({-1}) + second + repeat(ints({1}), 14);
    EXPECT_EQ(encodeInfo(info, 0), infoBytes);
    EXPECT_EQ(decodeInfo(infoBytes, "TInfo.raw", 256, 0), info);

    // Info of a boat map at level 2 of a 1024 m world: 8 m pixels, 8 x 8 to a block, 16 bytes.
    InfoMap boat(128, 0);
    boat.set(127, 127, 1);
    std::string last(16, '\0');
    last[15] = 0x40;
    const std::string boatBytes = ints({4, 4, 6, 3, 1}) + head + repeat(ints({0}), 255) + ints({-1}) + last;
    EXPECT_EQ(encodeInfo(boat, 2), boatBytes);
    EXPECT_EQ(decodeInfo(boatBytes, "BoatInfo.raw", 1024, 2), boat);

    // Strategic: width, height, then 16 bytes a cell.
    StrategicMap strategic{4, 4, std::vector<StrategicCell>(16)};
    StrategicCell& cell = strategic.cell(1, 0);
    cell.linksZ = 0x0001;
    cell.linksX = 0x0210;
    cell.points[0] = {5, 6};
    cell.points[3] = {63, 0};
    cell.flags = 0x90;
    std::string cells(256, '\0');
    const char one[16] = {1, 0, 0x10, 2, 5, 6, 0, 0, 0, 0, 63, 0, char(0x90), 0, 0, 0};
    cells.replace(16, 16, one, 16);
    EXPECT_EQ(encodeStrategic(strategic), ints({4, 4}) + cells);
    EXPECT_EQ(decodeStrategic(ints({4, 4}) + cells, "T.raw", 256), strategic);
}

// Maps with islands, passages and blocked blocks at the sizes the game uses
// come back byte for byte, with every file that follows from them.
TEST(PathmapFormats, RoundTripsAtEveryWorldSize) {
    for (int world : {1024, 2048, 4096}) {
        Bitmap map(world);
        for (int z = 0; z < world; ++z)
            for (int x = 0; x < world; ++x) {
                const int dx = x - world / 3, dz = z - world / 2;
                const bool ring = dx * dx + dz * dz < 100 * 100 && dx * dx + dz * dz > 90 * 90;
                const bool wall = x == world / 2 && z % 300 > 3;
                const bool square = x >= 64 && x < 192 && z >= 128 && z < 256;
                if (ring || wall || square || (x * 7 + z * 13) % 1001 == 0) map.set(x, z, true);
            }
        for (int level = 0; levelFits(world, level); ++level) {
            const std::string bytes = encodeLevelMap(map, level);
            const Bitmap back = decodeLevelMap(bytes, "T.raw", world, level);
            EXPECT_EQ(back, map) << world << " level " << level;
            EXPECT_EQ(encodeLevelMap(back, level), bytes);
            const std::string eight = encodeEightBit(map);
            EXPECT_EQ(decodeEightBit(eight, "T8.raw", world, level), map);
            if (level <= 2) {
                const Strategic s = buildStrategic(map, level);
                EXPECT_EQ(encodeInfo(decodeInfo(encodeInfo(s.info, level), "I.raw", world, level), level),
                          encodeInfo(s.info, level));
                EXPECT_EQ(decodeStrategic(encodeStrategic(s.map), "S.raw", world), s.map);
            }
            if (levelFits(world, level + 1)) map = coarser(map);
        }
    }
}

TEST(PathmapFormats, DamagedFilesAreRefusedWithTheirMessage) {
    const std::string head = ints({2, 2, 6, 0, 0});
    const std::string table = ints({2, 0, 0xFFFFFFFF});
    auto records = [&](int fifth, const std::string& tail = "") {
        return head + table + repeat(ints({0}), 5) + ints({fifth}) + repeat(ints({0}), 10) + tail;
    };
    enum Kind { Map, Eight, Info, Strategic };
    struct Case {
        Kind kind;
        std::string bytes;
        std::string message;
    } cases[] = {
        {Map, "", "T.raw is damaged: it ends after 0 bytes, within its 20-byte header."},
        {Map, ints({2, 2, 6}), "T.raw is damaged: it ends after 12 bytes, within its 20-byte header."},
        {Map, ints({3, 3, 6, 0, 0}) + table,
         "T.raw is made for a 512 m world at level 0, but a 256 m world at level 0 is needed (header 3 3 6 0 0, "
         "expected 2 2 6 0 0)."},
        {Map, ints({1, 1, 7, 1, 0}) + table,
         "T.raw is made for a 256 m world at level 1, but a 256 m world at level 0 is needed (header 1 1 7 1 0, "
         "expected 2 2 6 0 0)."},
        {Map, ints({2, 2, 6, 1, 1}) + table,
         "T.raw is made for the regions of a 256 m world at level 0, but a 256 m world at level 0 is needed "
         "(header 2 2 6 1 1, expected 2 2 6 0 0)."},
        {Map, ints({-1, 9, 0, 0, 0}),
         "T.raw is made for no pathmap this program knows (header -1 9 0 0 0), but a 256 m world at level 0 is "
         "needed (header -1 9 0 0 0, expected 2 2 6 0 0)."},
        {Map, head, "T.raw is damaged: it ends before its fill table."},
        {Map, head + ints({-3}), "T.raw is damaged: its fill table has -3 entries."},
        {Map, head + ints({1000, 0}), "T.raw is damaged: its fill table claims 1000 entries, more than the file holds."},
        {Map, records(2), "T.raw is damaged: block 5 names fill entry 2, but the fill table has 2 entries."},
        {Map, records(-7), "T.raw is damaged: block 5 has the record -7, which is neither a fill entry nor -1."},
        {Map, records(-1), "T.raw is damaged: it ends within the pixels of block 5 of 16."},
        {Map, records(0).substr(0, 90), "T.raw is damaged: it ends within the record of block 14 of 16."},
        {Map, records(0) + ints({-1}), "T.raw is damaged: 4 bytes follow its last block record."},
        {Map, records(0) + "x", "T.raw is damaged: 1 byte follows its last block record."},
        {Eight, std::string(100, '\0'), "T8.raw does not fit a 256 m world at level 0: it holds a 10 x 10 map, 256 x "
                                        "256 expected."},
        {Eight, std::string(101, '\0'), "T8.raw does not fit a 256 m world at level 0: its 101 bytes are no square "
                                        "map, 256 x 256 expected."},
        {Info, head + table,
         "TInfo.raw is made for a 256 m world at level 0, but the regions of a 256 m world at level 0 is needed "
         "(header 2 2 6 0 0, expected 2 2 6 1 1)."},
        {Info, ints({2, 2, 6, 1, 1}) + table + ints({-1}) + std::string(255, '\0'),
         "TInfo.raw is damaged: it ends within the pixels of block 0 of 16."},
        {Strategic, ints({4}), "S.raw is damaged: it ends after 4 bytes, within its 8-byte header."},
        {Strategic, ints({8, 8}),
         "S.raw is made for a 512 m world (8 x 8 cells), but the world is 256 m (4 x 4 cells)."},
        {Strategic, ints({4, 5}),
         "S.raw is made for no world this program knows (4 x 5 cells), but the world is 256 m (4 x 4 cells)."},
        {Strategic, ints({4, 4}) + std::string(40, '\0'), "S.raw is damaged: it ends within cell 2 of 16."},
        {Strategic, ints({4, 4}) + std::string(257, '\0'), "S.raw is damaged: 1 byte follows its last cell."},
    };
    for (const auto& c : cases) {
        try {
            switch (c.kind) {
            case Map: decodeLevelMap(c.bytes, "T.raw", 256, 0); break;
            case Eight: decodeEightBit(c.bytes, "T8.raw", 256, 0); break;
            case Info: decodeInfo(c.bytes, "TInfo.raw", 256, 0); break;
            case Strategic: decodeStrategic(c.bytes, "S.raw", 256); break;
            }
            ADD_FAILURE() << "read without complaint: " << c.message;
        } catch (const PathmapError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

} // namespace
} // namespace tw::pathmaps
