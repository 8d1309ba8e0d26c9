// What an add-on declares about its pathmaps (AIPathFinding.con) and the
// world they are made for (ai.con, or a level's init/terrain.con).
#pragma once

#include "platform/text.h"

#include <optional>
#include <string>
#include <vector>

namespace tw::pathmaps {

struct WorldPoint {
    double x = 0, z = 0;  // metres east and north of the south-west corner
    bool operator==(const WorldPoint&) const = default;
};

// One ai.addSearchMap line, with its ai.setMapSpawnPoints seeds.
struct SearchMap {
    std::string name;
    bool water = false;         // the second argument: a map for boats
    double waterDepth = 0;      // the third: water deeper than this blocks (metres)
    double maxSlope = 90;       // the fourth: ground steeper than this blocks (degrees)
    int minLevel = 0, maxLevel = 2;
    std::vector<WorldPoint> seeds;
    bool operator==(const SearchMap&) const = default;
};

// One ai.addSearchType line: the type's map (0-based order of the
// ai.addSearchMap lines) and its level.
struct SearchType {
    std::string name;
    int mapIndex = 0;
    int level = 0;
    bool operator==(const SearchType&) const = default;
};

struct Declarations {
    std::vector<SearchMap> maps;
    std::vector<SearchType> types;
    // Lines that could not be understood, as "line N: what is wrong".
    std::vector<std::string> problems;
};

// The search maps and types of AIPathFinding.con as the level layer reads
// the file (level/pathfinding_con.h), each line checked for what a pathmap
// needs: a line that fails is left out, with its problem.
Declarations readDeclarations(const Lines& aiPathFinding);

// "aiSettings.setWorldMapSize N N" in ai.con (its first such line);
// "GeometryTemplate.worldSize N" in init/terrain.con (its last, as the game
// applies them in order). Nothing when the file holds no such line or the
// line gives no whole number.
std::optional<int> worldSizeFromAiCon(const Lines& aiCon);
std::optional<int> worldSizeFromTerrain(const Lines& terrain);

} // namespace tw::pathmaps
