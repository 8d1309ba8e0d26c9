// The pathmaps of a 4096 m add-on with five search maps (three land maps at
// levels 0 to 2, two boat maps at levels 2 to 5) and their five search
// types: opening the folder (reading and decoding every declared level, Info
// and strategic file) and rebuilding everything from the base levels, against
// reading and writing the same files' bytes in the same run. Prints the
// medians and their ratio against the goal of 2.
#include "median_time.h"
#include "pathmaps/pathmap_set.h"
#include "pathmaps/rebuild.h"
#include "platform/files.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace fs = std::filesystem;
using namespace tw;
using namespace tw::pathmaps;

using tw::bench::medianMs;

namespace {

// Ground as generated maps look: rivers, slopes, many small obstacles.
Bitmap terrain(int world, unsigned seed, bool water) {
    std::mt19937 gen(seed);
    Bitmap m(world, water);
    std::uniform_int_distribution<int> pos(0, world - 1), len(4, 120);
    for (int i = 0; i < world * 4; ++i) {
        const int x = pos(gen), z = pos(gen), w = len(gen) / 8 + 1, h = len(gen) / 8 + 1;
        for (int dz = 0; dz < h && z + dz < world; ++dz)
            for (int dx = 0; dx < w && x + dx < world; ++dx) m.set(x + dx, z + dz, !water);
    }
    for (int z = 0; z < world; ++z) {  // a river across
        const int centre = world / 2 + static_cast<int>(world / 8 * std::sin(z / 300.0));
        for (int x = centre - 40; x < centre + 40; ++x) m.set(x, z, !water);
    }
    return m;
}

} // namespace

int main() {
    constexpr int kWorld = 4096, kRuns = 5;
    constexpr double kGoal = 2;
    const fs::path dir = fs::temp_directory_path() / "tarnwick-pathmaps-bench";
    fs::remove_all(dir);
    fs::create_directories(dir / "Pathfinding");
    const std::string folder = dir.string() + "/";
    writeBytes(folder + "ai.con", "aiSettings.setWorldMapSize 4096 4096\r\n");
    struct Declared {
        const char* map;
        const char* type;
        bool water;
        int minLevel, maxLevel;
    } declared[] = {{"Tank0", "Tank", false, 0, 2},
                    {"Infantry1", "Infantry", false, 0, 2},
                    {"Boat2", "Boat", true, 2, 5},
                    {"LandingCraft3", "LandingCraft", true, 2, 5},
                    {"Car4", "Car", false, 0, 2}};
    std::string con;
    std::vector<std::string> files;
    for (size_t i = 0; i < std::size(declared); ++i) {
        const Declared& d = declared[i];
        con += std::string("ai.addSearchMap ") + d.map + (d.water ? " 1" : " 0") + " 0 25 3.0 0.3 2.5 0 " +
               std::to_string(d.minLevel) + " " + std::to_string(d.maxLevel) + "\r\n";
        con += std::string("ai.addSearchType ") + d.type + " " + std::to_string(i) + " " +
               std::to_string(d.minLevel) + "\r\n";
        con += "ai.setMapSpawnPoints " + std::to_string(i) + " 100/100,4000/4000\r\n";
        Bitmap level = terrain(kWorld, static_cast<unsigned>(i), d.water);
        for (int l = 0; l < d.minLevel; ++l) level = coarser(level);
        const Strategic s = buildStrategic(level, d.minLevel);
        for (int l = d.minLevel; l <= d.maxLevel; ++l) {
            if (l > d.minLevel) level = coarser(level);
            files.push_back(folder + "Pathfinding/" + levelFileName(d.map, l));
            writeBytes(files.back(), encodeLevelMap(level, l));
        }
        files.push_back(folder + "Pathfinding/" + infoFileName(d.type));
        writeBytes(files.back(), encodeInfo(s.info, d.minLevel));
        files.push_back(folder + "Pathfinding/" + strategicFileName(d.type));
        writeBytes(files.back(), encodeStrategic(s.map));
    }
    writeBytes(folder + "AIPathFinding.con", con);
    uint64_t total = 0;
    for (const auto& f : files) total += fs::file_size(f);

    const double bytesMs = medianMs(
        [&] {
            for (const auto& f : files) writeBytes(f, readBytes(f));
        },
        kRuns);
    const double openMs = medianMs([&] { (void)PathmapSet::open(folder); }, kRuns);
    PathmapSet set = PathmapSet::open(folder);
    const double rebuildMs = medianMs([&] { set.rebuild(); }, kRuns);
    const double ratio = (openMs + rebuildMs) / bytesMs;
    std::printf("%zu files, %.1f MB on a %d m world\n", files.size(), total / 1e6, kWorld);
    std::printf("reading and writing the bytes: %8.1f ms\n", bytesMs);
    std::printf("opening (decoding all):        %8.1f ms\n", openMs);
    std::printf("rebuilding from the base:      %8.1f ms\n", rebuildMs);
    std::printf("ratio %.2f (goal <= %.0f): %s\n", ratio, kGoal, ratio <= kGoal ? "met" : "NOT MET");
    fs::remove_all(dir);
    return ratio <= kGoal ? 0 : 1;
}
