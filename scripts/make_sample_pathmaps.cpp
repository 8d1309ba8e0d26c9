// Makes a stand-in game folder for the sample level DemoMap: the pathmaps the
// game would generate for the maps the wizard declares (Tank0, Infantry1,
// Car4, levels 0 to 2), made from the sample's own data, as the game leaves
// them in <game>/bf1942/levels/DemoMap/Pathfinding/.
//   make_sample_pathmaps <DemoMap folder> <game folder>
//
// The sample has no height map, so its map picture stands in for the
// terrain: its blue is water, blocked for every land map; the steps of the
// hill's shading are steep ground, blocked for vehicles. Roads cross the
// water on bridges. Vehicle maps keep a margin from what blocks them, and, as
// the game does, every free pixel the flood from the seed points does not
// reach is blocked. One fault is left in on purpose, for the checks to find:
// a blocked patch over the village's vehicle spawn in Tank0.
#include "areas/proposals.h"
#include "generator/ai_scripts.h"
#include "pathmaps/declarations.h"
#include "pathmaps/formats.h"
#include "pathmaps/rebuild.h"
#include "platform/files.h"
#include "platform/jpeg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

using namespace tw;
using namespace tw::pathmaps;

namespace {

struct Picture {
    RgbImage rgb;
    int r(int x, int y) const { return rgb.pixels[3 * (size_t(y) * rgb.width + x)]; }
    int g(int x, int y) const { return rgb.pixels[3 * (size_t(y) * rgb.width + x) + 1]; }
    int b(int x, int y) const { return rgb.pixels[3 * (size_t(y) * rgb.width + x) + 2]; }
    bool water(int x, int y) const { return b(x, y) > 120 && b(x, y) > r(x, y) + 50 && b(x, y) > g(x, y) + 15; }
    bool road(int x, int y) const { return r(x, y) > 130 && r(x, y) > b(x, y) + 25 && r(x, y) >= g(x, y) - 10; }
    bool green(int x, int y) const { return g(x, y) > r(x, y) + 10 && g(x, y) > b(x, y) + 30; }
};

// Grows the blocked ground by `margin` pixels (a square brush).
Bitmap widened(const Bitmap& map, int margin) {
    Bitmap out = map;
    const int side = map.side();
    for (int z = 0; z < side; ++z)
        for (int x = 0; x < side; ++x) {
            if (!map.blocked(x, z)) continue;
            for (int dz = -margin; dz <= margin; ++dz)
                for (int dx = -margin; dx <= margin; ++dx) {
                    const int nx = x + dx, nz = z + dz;
                    if (nx >= 0 && nz >= 0 && nx < side && nz < side) out.set(nx, nz, true);
                }
        }
    return out;
}

// Blocks every free pixel that no seed reaches.
Bitmap flooded(const Bitmap& map, const std::vector<WorldPoint>& seeds) {
    const int side = map.side();
    Bitmap reached(side);
    std::vector<std::pair<int, int>> stack;
    for (const WorldPoint& s : seeds) stack.emplace_back(int(s.x), int(s.z));
    while (!stack.empty()) {
        const auto [x, z] = stack.back();
        stack.pop_back();
        if (x < 0 || z < 0 || x >= side || z >= side || map.blocked(x, z) || reached.blocked(x, z)) continue;
        reached.set(x, z, true);
        stack.insert(stack.end(), {{x + 1, z}, {x - 1, z}, {x, z + 1}, {x, z - 1}});
    }
    Bitmap out(side, true);
    for (int z = 0; z < side; ++z)
        for (int x = 0; x < side; ++x)
            if (reached.blocked(x, z)) out.set(x, z, false);
    return out;
}

// The blocked pixels less every group of fewer than `least` pixels.
Bitmap withoutSpecks(const Bitmap& map, size_t least) {
    const int side = map.side();
    Bitmap seen(side), out(side);
    std::vector<std::pair<int, int>> group, stack;
    for (int z0 = 0; z0 < side; ++z0)
        for (int x0 = 0; x0 < side; ++x0) {
            if (!map.blocked(x0, z0) || seen.blocked(x0, z0)) continue;
            group.clear();
            stack.assign(1, {x0, z0});
            seen.set(x0, z0, true);
            while (!stack.empty()) {
                const auto [x, z] = stack.back();
                stack.pop_back();
                group.emplace_back(x, z);
                for (const auto [nx, nz] : {std::pair{x + 1, z}, {x - 1, z}, {x, z + 1}, {x, z - 1}})
                    if (nx >= 0 && nz >= 0 && nx < side && nz < side && map.blocked(nx, nz) && !seen.blocked(nx, nz)) {
                        seen.set(nx, nz, true);
                        stack.emplace_back(nx, nz);
                    }
            }
            if (group.size() >= least)
                for (const auto [x, z] : group) out.set(x, z, true);
        }
    return out;
}

std::vector<WorldPoint> pointsOf(const std::vector<std::string>& list) {
    std::vector<WorldPoint> out;
    for (const std::string& p : list) {
        const size_t slash = p.find('/');
        out.push_back({std::stod(p.substr(0, slash)), std::stod(p.substr(slash + 1))});
    }
    return out;
}

void write(const std::string& path, const std::string& bytes) {
    writeBytes(path, bytes);
    std::printf("%s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: make_sample_pathmaps <DemoMap folder> <game folder>\n", stderr);
        return 1;
    }
    try {
        const std::string level = std::string(argv[1]) + "/";
        const std::string game = std::string(argv[2]) + "/";
        const Lines terrain = readLines(level + "init/terrain.con");
        const int world = worldSizeFromTerrain(terrain).value_or(0);
        if (!isWorldSize(world)) throw std::runtime_error("no usable world size in " + level + "init/terrain.con");
        const Picture picture{decodeJpeg(readBytes(level + "Textures/InGameMap.jpg"))};

        // Control points stand on solid ground (bases, the bridge): their
        // surroundings are never water. Their markers are drawn over the
        // picture, so the shading there says nothing about slopes either.
        const auto controlPoints = areas::readControlPoints(readLines(level + "conquest/ControlPoints.con"),
                                                            readLines(level + "conquest/ControlPointTemplates.con"));
        const int w = picture.rgb.width, h = picture.rgb.height;
        auto nearControlPoint = [&](int x, int z, double metres) {
            for (const auto& cp : controlPoints)
                if (std::hypot(x + 0.5 - cp.x, z + 0.5 - cp.y) <= metres) return true;
            return false;
        };
        // Green ground with nothing else drawn within 3 pixels: where the
        // shading of the hill can be read.
        auto plainGreen = [&](int px, int py) {
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) {
                    const int qx = std::clamp(px + dx, 0, w - 1), qy = std::clamp(py + dy, 0, h - 1);
                    if (!picture.green(qx, qy)) return false;
                }
            return true;
        };

        Bitmap water(world), steep(world);
        for (int z = 0; z < world; ++z)
            for (int x = 0; x < world; ++x) {
                const int px = x * w / world, py = (world - 1 - z) * h / world;
                // Water, but not where a road crosses it (a bridge).
                if (picture.water(px, py) && !picture.road(px, py) && !nearControlPoint(x, z, 40))
                    water.set(x, z, true);
                // Steep: a step in the shading two picture pixels on.
                if (px + 2 < w && py + 2 < h && !nearControlPoint(x, z, 24) && plainGreen(px, py))
                    for (const auto [qx, qy] : {std::pair{px + 2, py}, std::pair{px, py + 2}})
                        if (plainGreen(qx, qy) && std::abs(picture.g(px, py) - picture.g(qx, qy)) >= 6)
                            steep.set(x, z, true);
            }

        // JPEG noise makes small specks of "steep" ground; only long steps
        // of the shading are slopes.
        steep = withoutSpecks(steep, 300);

        // What the wizard declares for the sample: its AIPathFinding.con.
        const auto soldiers = generator::spawnPoints(readLines(level + "conquest/SoldierSpawns.con"));
        const auto vehicles = generator::spawnPoints(readLines(level + "conquest/ObjectSpawns.con"));
        const Lines aiPathFinding = generator::aiPathFinding(generator::infantrySpawnLine(soldiers),
                                                             generator::vehicleSpawnList(vehicles), false, false);
        const Declarations declared = readDeclarations(aiPathFinding);

        const std::string levelDir = game + "bf1942/levels/DemoMap/";
        const std::string pathfinding = levelDir + "Pathfinding/";
        createFolder(game + "bf1942");
        createFolder(game + "bf1942/levels");
        createFolder(levelDir);
        createFolder(levelDir + "init");
        createFolder(pathfinding);
        // A stand-in for the game's executable, for the wizard's file dialog.
        write(game + "BF1942.exe", "A stand-in for the game's executable: Tarnwick's sample game folder.\r\n");
        write(levelDir + "init/terrain.con", readBytes(level + "init/terrain.con"));
        write(levelDir + "AIPathFinding.con", joinLines(aiPathFinding, true));

        std::vector<Bitmap> bases;
        for (const SearchMap& m : declared.maps) {
            Bitmap ground = water;
            const bool vehicle = m.name != "Infantry1";
            if (vehicle)
                for (int z = 0; z < world; ++z)
                    for (int i = 0; i < ground.wordsPerRow(); ++i) ground.row(z)[i] |= steep.row(z)[i];
            if (vehicle) ground = widened(ground, m.name == "Tank0" ? 3 : 2);
            // The wizard names the car map's seeds by the number it has with
            // boats and landing craft (4); the stand-in seeds it from the
            // vehicle spawns all the same, as the tank map.
            Bitmap base = flooded(ground, m.seeds.empty() ? pointsOf(vehicles) : m.seeds);
            if (m.name == "Tank0") {
                // The deliberate fault: a patch blocked over the village's jeep spawn.
                const auto village = pointsOf(vehicles).back();
                for (int z = int(village.z) - 6; z <= int(village.z) + 6; ++z)
                    for (int x = int(village.x) - 6; x <= int(village.x) + 6; ++x) base.set(x, z, true);
            }
            Bitmap map = base;
            for (int l = m.minLevel; l <= m.maxLevel; ++l) {
                if (l > m.minLevel) map = coarser(map);
                write(pathfinding + levelFileName(m.name, l), encodeLevelMap(map, l));
                write(pathfinding + eightBitFileName(m.name, l), encodeEightBit(map));
            }
            bases.push_back(std::move(base));
        }
        for (const SearchType& t : declared.types) {
            Bitmap map = bases.at(size_t(t.mapIndex));
            for (int l = declared.maps.at(size_t(t.mapIndex)).minLevel; l < t.level; ++l) map = coarser(map);
            const Strategic s = buildStrategic(map, t.level);
            write(pathfinding + infoFileName(t.name), encodeInfo(s.info, t.level));
            write(pathfinding + strategicFileName(t.name), encodeStrategic(s.map));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
