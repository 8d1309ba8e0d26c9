// What a level declares about its ground, read from its own files: the
// combat area of Init.con, the terrain settings of Init/Terrain.con, and the
// height map. Pure values; no disk, no widgets.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::level {

// A rectangle of the world in metres: x east, z north, from the south-west
// corner.
struct WorldRect {
    double minX = 0, minZ = 0, maxX = 0, maxZ = 0;
    double width() const { return maxX - minX; }
    double height() const { return maxZ - minZ; }
    bool operator==(const WorldRect&) const = default;
};

// "Game.setActiveCombatArea <minX> <minZ> <sizeX> <sizeZ>" of Init.con, read
// as the game runs it (level/script.h); the last line counts, as the game
// applies them in order. `problem` says why that line was not taken ("line
// N: ..."); `area` is then empty. `line` is the line taken (0: none).
struct CombatAreaLine {
    std::optional<WorldRect> area;
    std::string problem;
    size_t line = 0;
};
CombatAreaLine combatAreaOf(const Lines& initCon);
// Whether a declared combat area can frame a picture of a world of this
// size: a positive size and some part inside the world. Otherwise the
// reason, in words.
std::optional<std::string> combatAreaFault(const WorldRect& area, int worldSize);

// The settings of Init/Terrain.con that the world picture needs, read as
// the game runs the file (level/script.h; the last line of a setting
// counts). File names are relative to the level folder, with '/' between
// folders.
struct TerrainSettings {
    std::optional<int> worldSize;  // a world size the picture can show
    // The last GeometryTemplate.worldSize line: its number as written (any
    // number; nothing when it is none) and its line (0: no such line).
    std::optional<double> declaredWorldSize;
    size_t worldSizeLine = 0;
    double yScale = 1.0;
    std::optional<double> waterLevel;
    std::string heightmap = "Heightmap.raw";
    std::string tileFolder = "Textures/";
    std::string tilePrefix = "Tx";
    int texOffsetX = 0, texOffsetY = 0;
    std::vector<std::string> problems;  // "line N: ..."
};
TerrainSettings terrainOf(const Lines& terrainCon);

// Heightmap.raw: unsigned 16-bit little-endian samples in a square, row 0
// the south edge, x fastest.
class Heightmap {
public:
    // Nothing when the bytes are no square of 16-bit samples; `problem`
    // then says why.
    static std::optional<Heightmap> read(std::string_view bytes, int worldSize, double yScale,
                                         std::string& problem);

    int side() const { return side_; }
    double metresPerSample() const { return spacing_; }
    // Height in metres of a sample (col east, row north, clamped to the map).
    double at(int col, int row) const;
    // Height in metres at a world point, between the samples around it.
    double heightAt(double x, double z) const;
    // The ground's slope in degrees at a sample, from its neighbours.
    double slopeAt(int col, int row) const;

private:
    int side_ = 0;
    double spacing_ = 1, scale_ = 1;  // metres per sample; metres per unit of a sample
    std::vector<uint16_t> samples_;
};

} // namespace tw::level
