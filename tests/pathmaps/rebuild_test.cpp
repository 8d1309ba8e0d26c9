// What follows from a base level: the coarser levels by the game's rule, and
// regions, points and links that keep the Info and strategic invariants.
#include "pathmaps/rebuild.h"

#include <gtest/gtest.h>

#include <functional>

namespace tw::pathmaps {
namespace {

void block(Bitmap& m, int x0, int z0, int x1, int z1) {  // inclusive corners
    for (int z = z0; z <= z1; ++z)
        for (int x = x0; x <= x1; ++x) m.set(x, z, true);
}
// A 2 m wide square outline inside cell (1, 1) of a 256 m map.
void ring(Bitmap& m) {
    block(m, 80, 80, 111, 81);
    block(m, 80, 110, 111, 111);
    block(m, 80, 80, 81, 111);
    block(m, 110, 80, 111, 111);
}

TEST(PathmapRebuild, CoarserLevelsBlockWhereAnyOfFourIsBlocked) {
    uint32_t seed = 12345;
    for (int side : {64 * 2, 256, 1024}) {
        Bitmap fine(side);
        for (int z = 0; z < side; ++z)
            for (int x = 0; x < side; ++x) {
                seed = seed * 1103515245u + 12345u;
                if ((seed >> 16) % 9 == 0) fine.set(x, z, true);
            }
        const Bitmap coarse = coarser(fine);
        ASSERT_EQ(coarse.side(), side / 2);
        for (int z = 0; z < side / 2; ++z)
            for (int x = 0; x < side / 2; ++x) {
                const bool any = fine.blocked(2 * x, 2 * z) || fine.blocked(2 * x + 1, 2 * z) ||
                                 fine.blocked(2 * x, 2 * z + 1) || fine.blocked(2 * x + 1, 2 * z + 1);
                ASSERT_EQ(coarse.blocked(x, z), any) << side << " at " << x << "/" << z;
            }
    }
}

TEST(PathmapRebuild, RegionsOnIslandsPassagesAndBlockedBlocks) {
    struct Case {
        const char* name;
        std::function<void(Bitmap&)> paint;
        uint8_t usedFlags;
        uint16_t linksZ, linksX, linksZFromBelow;
    } cases[] = {
        {"open ground", [](Bitmap&) {}, 0x10, 0x0001, 0x0001, 0x0001},
        // The island inside the outline is the smaller group: region 1, linked to nothing.
        {"island", ring, 0x30, 0x0001, 0x0001, 0x0001},
        // A gap of one metre still leaves an Info pixel open: one region.
        {"narrow passage",
         [](Bitmap& m) {
             ring(m);
             m.set(96, 80, false);
             m.set(96, 81, false);
         },
         0x10, 0x0001, 0x0001, 0x0001},
        {"all-blocked block", [](Bitmap& m) { block(m, 64, 64, 127, 127); }, 0x00, 0x0000, 0x0000, 0x0000},
        // Five strips: the widest is region 0, the next two in row order 1
        // and 2, the rest together region 3.
        {"five groups",
         [](Bitmap& m) {
             for (int x : {70, 82, 94, 106}) block(m, x, 64, x + 1, 127);
         },
         0xF0, 0x1111, 0x0001, 0x000F},
    };
    for (const auto& c : cases) {
        Bitmap map(256);
        c.paint(map);
        const Strategic s = buildStrategic(map, 0);
        const StrategicCell& cell = s.map.cell(1, 1);
        EXPECT_EQ(cell.flags, c.usedFlags) << c.name;
        EXPECT_EQ(cell.linksZ, c.linksZ) << c.name;
        EXPECT_EQ(cell.linksX, c.linksX) << c.name;
        EXPECT_EQ(s.map.cell(1, 0).linksZ, c.linksZFromBelow) << c.name;
        EXPECT_TRUE(checkStrategic(map, 0, s.info, s.map).empty()) << c.name;
    }
    // The point of open ground: the first free pixel under the Info pixel
    // nearest the region's centre.
    const Strategic open = buildStrategic(Bitmap(256), 0);
    EXPECT_EQ(open.map.cell(1, 1).points[0], (std::array<uint8_t, 2>{30, 30}));
}

TEST(PathmapRebuild, InvariantsHoldAtEveryWorldSizeAndBoatLevel) {
    for (int world : {1024, 2048, 4096}) {
        Bitmap map(world);
        for (int i = 0; i < world; i += 97) {
            block(map, i, (i * 3) % (world - 40), i + 1, (i * 3) % (world - 40) + 39);  // walls
            block(map, (i * 7) % (world - 64), i, (i * 7) % (world - 64) + 63, i);      // and their crossings
        }
        block(map, 0, 0, 191, 127);  // all-blocked blocks
        for (int level = 0; levelFits(world, level); ++level) {
            if (level == 0 || level >= 2) {  // land maps use level 0, boats 2 to 5
                const Strategic s = buildStrategic(map, level);
                EXPECT_TRUE(checkStrategic(map, level, s.info, s.map).empty()) << world << " level " << level;
                EXPECT_EQ(s.info.value(0, 0), 3) << world << " level " << level;
            }
            if (levelFits(world, level + 1)) map = coarser(map);
        }
    }
}

TEST(PathmapRebuild, ContradictionsAreFound) {
    Bitmap map(256);
    ring(map);
    const Strategic built = buildStrategic(map, 0);
    struct Case {
        const char* name;
        std::function<void(InfoMap&, StrategicMap&)> tamper;
        std::vector<Contradiction> expected;
    } cases[] = {
        {"Info under the wall", [](InfoMap& i, StrategicMap&) { i.set(40, 45, 0); },
         {{81, 91, "an Info pixel over four blocked pixels is not 3"}}},
        {"two of them", [](InfoMap& i, StrategicMap&) { i.set(40, 45, 1), i.set(55, 40, 0); },
         {{111, 81, "2 Info pixels over four blocked pixels are not 3 (the first here)"}}},
        {"a point on the wall", [](InfoMap&, StrategicMap& s) { s.cell(1, 1).points[1] = {16, 16}; },
         {{80, 80, "a region's point is not on a free pixel of that region"}}},
        {"a point in the other region", [](InfoMap&, StrategicMap& s) { s.cell(1, 1).points[1] = {0, 0}; },
         {{64, 64, "a region's point is not on a free pixel of that region"}}},
        {"a point outside its cell", [](InfoMap&, StrategicMap& s) { s.cell(1, 1).points[0] = {64, 3}; },
         {{96, 96, "a region's point is not on a free pixel of that region"}}},
        {"the island linked across the border", [](InfoMap&, StrategicMap& s) { s.cell(1, 1).linksZ |= 1u << 4; },
         {{96, 128, "a link joins regions that do not touch across the cell border"}}},
        {"a link off the map", [](InfoMap&, StrategicMap& s) { s.cell(3, 0).linksX |= 1u; },
         {{256, 32, "a link joins regions that do not touch across the cell border"}}},
    };
    for (const auto& c : cases) {
        InfoMap info = built.info;
        StrategicMap strategic = built.map;
        c.tamper(info, strategic);
        const auto found = checkStrategic(map, 0, info, strategic);
        ASSERT_EQ(found.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].text, c.expected[i].text) << c.name;
            EXPECT_EQ(found[i].x, c.expected[i].x) << c.name;
            EXPECT_EQ(found[i].z, c.expected[i].z) << c.name;
        }
    }
}

} // namespace
} // namespace tw::pathmaps
