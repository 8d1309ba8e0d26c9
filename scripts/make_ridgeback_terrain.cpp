// Makes the Ridgeback sample's ground as community levels carry it: its
// Heightmap.raw (512 x 512 samples of 4 m: rolling hills, the ridge west of
// the river, the river valley past the mill, a lake in the south-west) and
// colour tiles Textures/Tx<CC>x<RR>.dds (DXT1, 128 x 128 pixels, 256 m each)
// for the north-west of the world only; the rest shows the relief.
//   cmake --build build --target make_ridgeback_terrain
//   build/make_ridgeback_terrain data/levels/Ridgeback
// The numbers match the level's Init/Terrain.con (worldSize 2048, yScale
// 0.6, waterLevel 40).
#include "areas/dds.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr int kWorld = 2048, kSide = 512;
constexpr double kYScale = 0.6, kWaterLevel = 40;

double riverX(double z) { return 1130 + 90 * std::sin((z - 1060) / 260); }

// Ground height in metres at a world point.
double ground(double x, double z) {
    double h = 85 + 12 * std::sin(x / 170) * std::cos(z / 210) + 8 * std::sin((x - z) / 120);
    // The ridge, west of the river, running north to south.
    const double ridge = 700 + 60 * std::sin(z / 300);
    h += 70 * std::exp(-(x - ridge) * (x - ridge) / (2 * 60.0 * 60.0)) * std::clamp((z - 250) / 300, 0.0, 1.0);
    // The river, 90 m wide and 10 m deep, in its valley: a gentle bank on
    // the mill's side (west, 19 degrees), a steep one to the east (38).
    const double d = std::abs(x - riverX(z));
    const double bank = d < 45 ? 30 + 10 * (d / 45) * (d / 45) : 40 + (d - 45) * (x < riverX(z) ? 0.35 : 0.8);
    h = std::min(h, bank);
    // The lake.
    const double lx = x - 560, lz = z - 520, l = std::sqrt(lx * lx + lz * lz);
    h = std::min(h, 24 + 16 * (l / 170) * (l / 170));
    return std::clamp(h, 0.0, 256 * kYScale);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: make_ridgeback_terrain <Ridgeback level folder>\n", stderr);
        return 1;
    }
    try {
        const std::string level = std::string(argv[1]) + "/";
        std::string raw;
        raw.reserve(size_t{kSide} * kSide * 2);
        const double spacing = double(kWorld) / kSide;
        for (int row = 0; row < kSide; ++row)  // south first
            for (int col = 0; col < kSide; ++col) {
                const double h = ground((col + 0.5) * spacing, (row + 0.5) * spacing);
                const auto sample = static_cast<uint16_t>(std::lround(h / (256 * kYScale) * 65535));
                raw += static_cast<char>(sample & 0xFF);
                raw += static_cast<char>(sample >> 8);
            }
        tw::writeBytes(level + "Heightmap.raw", raw);

        tw::createFolder(level + "Textures");
        constexpr int kTilePixels = 128;
        constexpr double kPixel = 256.0 / kTilePixels;
        for (int cc = 0; cc < 4; ++cc)
            for (int rr = 3; rr < 8; ++rr) {
                tw::areas::RgbaImage tile{kTilePixels, kTilePixels, {}};
                for (int j = 0; j < kTilePixels; ++j)  // top row north
                    for (int i = 0; i < kTilePixels; ++i) {
                        const double x = cc * 256 + (i + 0.5) * kPixel, z = rr * 256 + 256 - (j + 0.5) * kPixel;
                        const double h = ground(x, z);
                        const double gx = (ground(x + 4, z) - ground(x - 4, z)) / 8;
                        const double gz = (ground(x, z + 4) - ground(x, z - 4)) / 8;
                        const double light = std::clamp(0.85 + 1.2 * (gz - gx), 0.45, 1.2);
                        // Fields of 64 x 96 m, each a little different.
                        const auto fx = static_cast<uint32_t>(x / 64), fz = static_cast<uint32_t>(z / 96);
                        const int field = static_cast<int>(((fx * 73856093u) ^ (fz * 19349663u)) % 5);
                        int r = 0, g = 0, b = 0;
                        if (h < kWaterLevel) {
                            r = 40, g = 90, b = 140;
                        } else if (h < kWaterLevel + 2.5) {
                            r = 190, g = 178, b = 128;
                        } else {
                            r = static_cast<int>((66 + 5 * field) * light);
                            g = static_cast<int>((114 + 5 * field) * light);
                            b = static_cast<int>((46 + 2 * field) * light);
                        }
                        tile.pixels.insert(tile.pixels.end(), {static_cast<uint8_t>(std::clamp(r, 0, 255)),
                                                               static_cast<uint8_t>(std::clamp(g, 0, 255)),
                                                               static_cast<uint8_t>(std::clamp(b, 0, 255)), 0xFF});
                    }
                char name[32];
                std::snprintf(name, sizeof name, "Tx%02dx%02d.dds", cc, rr);
                tw::writeBytes(level + "Textures/" + name, tw::areas::encodeDds(tile, "DXT1"));
            }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
