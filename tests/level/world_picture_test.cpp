// The world picture of levels made for the test: which source colours each
// chosen world point, where the combat area lies to the metre, and every
// damaged piece named and passed over.
#include "level/world_picture.h"

#include "areas/dds.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

namespace tw::level {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

// A DDS picture whose top half has one colour and bottom half another.
std::string halves(int side, QRgb top, QRgb bottom, std::string_view kind = "DXT1", int height = 0) {
    areas::RgbaImage image{side, height ? height : side, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < side; ++x) {
            const QRgb c = y < image.height / 2 ? top : bottom;
            image.pixels.insert(image.pixels.end(), {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                                                     static_cast<uint8_t>(qBlue(c)), 0xFF});
        }
    return areas::encodeDds(image, kind);
}

// A 64 x 64 height map of a 1024 m world (16 m a sample, yScale 1): flat
// land at 100 m with a pond of 10 m in the south-west 256 m square.
std::string heightmap() {
    std::string raw;
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) {
            const double metres = col < 16 && row < 16 ? 10 : 100;
            const auto v = static_cast<uint16_t>(std::lround(metres / 256 * 65535));
            raw += static_cast<char>(v & 0xFF);
            raw += static_cast<char>(v >> 8);
        }
    return raw;
}

enum class Seen { Map, MapSouth, Tile, TileSouth, Land, Water, Black };

const char* nameOf(Seen s) {
    switch (s) {
    case Seen::Map: return "map picture";
    case Seen::MapSouth: return "map picture (south half)";
    case Seen::Tile: return "tile";
    case Seen::TileSouth: return "tile (south half)";
    case Seen::Land: return "relief land";
    case Seen::Water: return "relief water";
    case Seen::Black: return "black";
    }
    return "?";
}

Seen seen(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (r > 240 && g < 15 && b < 15) return Seen::Map;
    if (r > 240 && g < 15 && b > 240) return Seen::MapSouth;
    if (r < 15 && g > 240 && b < 15) return Seen::Tile;
    if (r > 240 && g > 240 && b < 15) return Seen::TileSouth;
    if (r == 0 && g == 0 && b == 0) return Seen::Black;
    if (b > r && b > g) return Seen::Water;
    return Seen::Land;
}

constexpr const char* kTerrain =
    "rem terrain\r\nGeometryTemplate.create Terrain T\r\nGeometryTemplate.worldSize 1024\r\n"
    "geometrytemplate.yScale 1\r\nGeometryTemplate.waterLevel 50\r\n"
    "GeometryTemplate.texBaseName bf1942\\levels\\Test\\Textures\\Tx\r\nGeometryTemplate.texOffsetX 1\r\n";

struct Probe {
    double x, z;
    Seen expected;
};

struct LevelCase {
    const char* name;
    std::map<std::string, std::string> files;  // "<folder>": a folder; "<100 MB>": a file that large
    std::vector<Probe> probes;
    std::vector<SourceKind> sources;
    std::vector<std::string> problems;  // each in one problem line, in this order
};

TEST(WorldPicture, EachPointShowsTheBestSourceThatCoversIt) {
    const std::string map = halves(64, qRgb(255, 0, 0), qRgb(255, 0, 255));
    const std::string tile = halves(32, qRgb(0, 255, 0), qRgb(255, 255, 0));
    const std::string area = "game.setActiveCombatArea 100 300 500 500\r\n";
    const std::vector<LevelCase> cases = {
        {"map picture in its combat area, tiles, relief",
         {{"Init.con", "rem area\r\n" + area}, {"Init/Terrain.con", kTerrain}, {"textures/ingamemap.DDS", map},
          {"textures/tx00x00.dds", tile}, {"textures/Tx02x01.dds", tile}, {"Heightmap.raw", heightmap()}},
         {// the combat area to the metre: x 100 to 600, z 300 to 800, north half red
          {100.5, 700, Seen::Map}, {99.5, 700, Seen::Land}, {599.5, 700, Seen::Map}, {600.5, 700, Seen::Land},
          {300, 799.5, Seen::Map}, {300, 800.5, Seen::Land}, {300, 300.5, Seen::MapSouth},
          {300, 299.5, Seen::Land}, {350, 400, Seen::MapSouth},
          // tile 0/0 moved one column east by texOffsetX, north half green
          {300, 200, Seen::Tile}, {300, 50, Seen::TileSouth}, {240, 50, Seen::Water},
          // tile 2/1 at 768..1024, 256..512, outside the combat area
          {800, 500, Seen::Tile}, {800, 280, Seen::TileSouth},
          {50, 50, Seen::Water}, {900, 900, Seen::Land}},
         {SourceKind::Relief, SourceKind::Tiles, SourceKind::MapPicture},
         {}},
        {"no combat area: the map picture covers the whole world",
         {{"Init.con", "run Init/Terrain\r\n"}, {"Init/Terrain.con", kTerrain},
          {"Textures/InGameMap.dds", map}, {"Heightmap.raw", heightmap()}},
         {{1, 1023, Seen::Map}, {1023, 600, Seen::Map}, {1, 1, Seen::MapSouth}, {1023, 400, Seen::MapSouth}},
         {SourceKind::Relief, SourceKind::MapPicture},
         {}},
        {"no map picture: tiles where they lie, relief elsewhere",
         {{"Init.con", area}, {"Init/Terrain.con", kTerrain}, {"Textures/Tx00x00.dds", tile},
          {"Heightmap.raw", heightmap()}},
         {{300, 200, Seen::Tile}, {300, 700, Seen::Land}, {100, 100, Seen::Water}},
         {SourceKind::Relief, SourceKind::Tiles},
         {}},
        {"nothing but the terrain settings: black",
         {{"Init/Terrain.con", kTerrain}},
         {{10, 10, Seen::Black}, {512, 512, Seen::Black}},
         {},
         {}},
        {"a height map of the wrong size, damaged tiles, a map picture of no kind read",
         {{"Init.con", area}, {"Init/Terrain.con", kTerrain}, {"Heightmap.raw", heightmap() + "x"},
          {"Textures/InGameMap.dds", map.substr(0, 200)}, {"Textures/Tx00x00.dds", "DDS nothing"},
          {"Textures/Tx01x00.dds", halves(32, qRgb(0, 255, 0), qRgb(0, 255, 0), "DXT1", 16)},
          {"Textures/Tx02x00.dds", halves(64, qRgb(0, 255, 0), qRgb(0, 255, 0))},
          {"Textures/Tx00x01.dds", tile}, {"Textures/Tx01x01.dds", tile}},
         {{300, 300, Seen::TileSouth}, {600, 300, Seen::TileSouth}, {300, 100, Seen::Black}, {700, 700, Seen::Black}},
         {SourceKind::Tiles},
         {"Heightmap.raw: 8193 bytes are no square of 16-bit samples", "Tx00x00.dds: damaged",
          "Tx01x00.dds: the tile is 32 x 16 pixels", "Tx02x00.dds: the tile is 64 x 64 pixels, the others 32 x 32",
          "InGameMap.dds: damaged"}},
        {"a combat area of no size, an Init.con that is a folder, a 100 MB tile",
         {{"Init/Terrain.con", kTerrain}, {"Init.con", "<folder>"}, {"Textures/InGameMap.dds", map},
          {"Textures/Tx00x00.dds", "<100 MB>"}},
         {{1, 1023, Seen::Map}, {1023, 1, Seen::MapSouth}},
         {SourceKind::MapPicture},
         {"Init.con is not an ordinary file", "Tx00x00.dds is larger than 64 MiB"}},
        {"a combat area outside the world",
         {{"Init/Terrain.con", kTerrain}, {"Init.con", "Game.setActiveCombatArea 2000 0 512 512\r\n"},
          {"Textures/InGameMap.dds", map}},
         {{1, 1023, Seen::Map}},
         {SourceKind::MapPicture},
         {"Init.con: the combat area 2000/0 to 2512/512 m is not used: it lies outside the 1024 m world"}},
        {"tiles of 512 m: a full grid of 2 x 2 fills the world",
         {{"Init/Terrain.con", "GeometryTemplate.worldSize 1024\r\n"}, {"Textures/Tx00x00.dds", tile},
          {"Textures/Tx01x00.dds", tile}, {"Textures/Tx00x01.dds", tile}, {"Textures/Tx01x01.dds", tile}},
         {{100, 1000, Seen::Tile}, {100, 600, Seen::TileSouth}, {600, 400, Seen::Tile}, {1000, 100, Seen::TileSouth}},
         {SourceKind::Tiles},
         {}},
        {"a tile outside the world",
         {{"Init/Terrain.con", kTerrain}, {"Textures/Tx05x00.dds", tile}},
         {{10, 10, Seen::Black}},
         {},
         {"Tx05x00.dds: a tile of 256 m at column 6, row 0 lies outside the 1024 m world"}},
        {"a combat area of zero size",
         {{"Init/Terrain.con", kTerrain}, {"Init.con", "Game.setActiveCombatArea 100 100 0 0\r\n"}},
         {{1, 1, Seen::Black}},
         {},
         {"Init.con: the combat area 100/100 to 100/100 m is not used: it has no size"}},
    };
    for (const LevelCase& c : cases) {
        TempFolder tmp;
        for (const auto& [name, bytes] : c.files) {
            if (bytes == "<folder>") {
                fs::create_directories(tmp.path() / name);
            } else if (bytes == "<100 MB>") {
                tmp.write(name, "DDS ");
                fs::resize_file(tmp.path() / name, uintmax_t{100} << 20);
            } else {
                tmp.write(name, bytes);
            }
        }
        const WorldPicture p = buildWorldPicture(tmp.dir(), 1024);
        ASSERT_EQ(p.image.size(), QSize(1024, 1024)) << c.name;
        for (const Probe& at : c.probes) {
            const QRgb colour = p.image.pixel(static_cast<int>(at.x), static_cast<int>(1024 - at.z));
            EXPECT_STREQ(nameOf(seen(colour)), nameOf(at.expected))
                << c.name << ": at " << at.x << "/" << at.z << " colour " << std::hex << colour;
        }
        std::vector<SourceKind> kinds;
        for (const Source& s : p.sources) kinds.push_back(s.kind);
        EXPECT_EQ(kinds, c.sources) << c.name;
        ASSERT_EQ(p.problems.size(), c.problems.size()) << c.name << ": " << (p.problems.empty() ? "" : p.problems[0]);
        for (size_t i = 0; i < c.problems.size(); ++i)
            EXPECT_NE(p.problems[i].find(c.problems[i]), std::string::npos) << c.name << ": " << p.problems[i];
    }
}

TEST(WorldPicture, SourcesSayWhereTheyLie) {
    TempFolder tmp;
    tmp.write("Init.con", "Game.setActiveCombatArea 100 300 500 500\r\n");
    tmp.write("Init/Terrain.con", kTerrain);
    tmp.write("Textures/InGameMap.dds", halves(64, qRgb(255, 0, 0), qRgb(255, 0, 255)));
    tmp.write("Textures/Tx00x00.dds", halves(32, qRgb(0, 255, 0), qRgb(0, 255, 0)));
    tmp.write("Textures/Tx02x01.dds", halves(32, qRgb(0, 255, 0), qRgb(0, 255, 0)));
    const WorldPicture p = buildWorldPicture(tmp.dir(), 512);
    ASSERT_EQ(p.sources.size(), 2u);
    EXPECT_EQ(p.sources[0].where, (WorldRect{256, 0, 1024, 512}));
    EXPECT_EQ(p.sources[1].where, (WorldRect{100, 300, 600, 800}));
    ASSERT_TRUE(p.combatArea);
    EXPECT_EQ(*p.combatArea, (WorldRect{100, 300, 600, 800}));
    EXPECT_NE(p.sources[0].text.find("2 colour tiles"), std::string::npos) << p.sources[0].text;
    EXPECT_NE(p.sources[1].text.find("over the combat area 100/300 to 600/800 m"), std::string::npos)
        << p.sources[1].text;
}

// The layers of a ramp (1 m rise per 16 m sample: 3.6 degrees) that turns
// into a cliff (10 m per sample: 32 degrees) in the east half, and water of
// 2 m and of 8 m depth.
TEST(WorldPicture, LayersMarkSteepGroundAndDeepWater) {
    std::string raw;
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) {
            double metres = col < 32 ? 60 + col : 92 + (col - 32) * 10;
            if (row < 8) metres = col < 32 ? 48 : 42;  // water below 50
            const auto v = static_cast<uint16_t>(std::lround(metres / 1024 * 65535));
            raw += static_cast<char>(v & 0xFF);
            raw += static_cast<char>(v >> 8);
        }
    std::string problem;
    const auto h = Heightmap::read(raw, 1024, 4, problem);
    ASSERT_TRUE(h) << problem;
    struct Case {
        double x, z;
        bool steep, deep;
    };
    const QImage slope = slopeLayer(*h, 20, 256), water = waterLayer(*h, 50, 5, 256);
    for (const Case c : {Case{200, 600, false, false}, Case{800, 600, true, false}, Case{200, 40, false, false},
                         Case{800, 40, false, true}}) {
        const int u = static_cast<int>(c.x / 4), v = static_cast<int>((1024 - c.z) / 4);
        EXPECT_EQ(qAlpha(slope.pixel(u, v)) > 0, c.steep) << c.x << "/" << c.z;
        EXPECT_EQ(qAlpha(water.pixel(u, v)) > 0, c.deep) << c.x << "/" << c.z;
    }
}

} // namespace
} // namespace tw::level
