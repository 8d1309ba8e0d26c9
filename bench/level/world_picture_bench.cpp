// The world picture of a large level: 4096 m, 256 colour tiles of 256 x 256
// DXT1 pixels, a 1024 x 1024 height map, built at 512 pixels (as the Areas
// page shows it). The reference, measured in the same run: decoding the
// same tiles alone. Goal: under 150 ms, and at most 3 times the reference.
// Also the two sample levels, which the Areas page paints on its own thread.
#include "areas/dds.h"
#include "level/world_picture.h"
#include "median_time.h"
#include "platform/files.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

int main() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("tarnwick-bench-" + std::to_string(std::random_device{}()));
    const std::string level = folder.string() + "/";
    fs::create_directories(folder / "Init");
    fs::create_directories(folder / "Textures");
    tw::writeBytes(level + "Init.con", "Game.setActiveCombatArea 1024 1024 2048 2048\r\n");
    tw::writeBytes(level + "Init/Terrain.con",
                   "GeometryTemplate.worldSize 4096\r\nGeometryTemplate.yScale 0.6\r\nGeometryTemplate.waterLevel 40\r\n"
                   "GeometryTemplate.texBaseName bf1942\\levels\\Bench\\Textures\\Tx\r\n");
    std::string raw;
    for (int row = 0; row < 1024; ++row)
        for (int col = 0; col < 1024; ++col) {
            const auto v = static_cast<uint16_t>(30000 + 20000 * std::sin(col / 40.0) * std::cos(row / 55.0));
            raw += static_cast<char>(v & 0xFF);
            raw += static_cast<char>(v >> 8);
        }
    tw::writeBytes(level + "Heightmap.raw", raw);
    std::vector<std::string> tiles;
    for (int cc = 0; cc < 16; ++cc)
        for (int rr = 0; rr < 16; ++rr) {
            tw::areas::RgbaImage tile{256, 256, {}};
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    tile.pixels.insert(tile.pixels.end(), {static_cast<uint8_t>(x ^ (cc * 16)),
                                                           static_cast<uint8_t>(y ^ (rr * 16)),
                                                           static_cast<uint8_t>((x + y) / 2), 0xFF});
            tiles.push_back(tw::areas::encodeDds(tile, "DXT1"));
            char name[32];
            std::snprintf(name, sizeof name, "Tx%02dx%02d.dds", cc, rr);
            tw::writeBytes(level + "Textures/" + name, tiles.back());
        }

    size_t decodedPixels = 0;
    const double decode = tw::bench::medianMs(
        [&] {
            for (const std::string& t : tiles) decodedPixels += tw::areas::decodeDds(t)->pixels.size() / 4;
        },
        7);
    size_t sources = 0;
    const double build = tw::bench::medianMs(
        [&] { sources += tw::level::buildWorldPicture(level, 512).sources.size(); }, 7);
    // The sample levels, painted on the window's thread for the Areas page.
    const double ridgeback = tw::bench::medianMs(
        [&] { sources += tw::level::buildWorldPicture(TW_DATA_DIR "/levels/Ridgeback", 512).sources.size(); }, 7);
    const double demo = tw::bench::medianMs(
        [&] { sources += tw::level::buildWorldPicture(TW_DATA_DIR "/levels/DemoMap", 512).sources.size(); }, 7);
    std::printf("decoding 256 tiles of 256 x 256 DXT1 alone: %.1f ms (reference)\n", decode);
    std::printf("world picture of 512 px (4096 m, 256 tiles, 1024 x 1024 height map): %.1f ms\n", build);
    std::printf("ratio to the reference: %.2f (goal: at most 3); goal under 150 ms: %s\n", build / decode,
                build < 150 ? "met" : "missed");
    std::printf("on the window's thread at 512 px: Ridgeback %.1f ms, DemoMap %.1f ms\n", ridgeback, demo);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return decodedPixels > 0 && sources == 7 * (2 + 2 + 1) ? 0 : 1;
}
