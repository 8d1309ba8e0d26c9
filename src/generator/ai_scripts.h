// The add-on's AI scripts: ai.con, the spawn points read from the map's spawn
// files, and AIPathFinding.con.
#pragma once

#include "platform/text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tw::generator {

// The address that ends the credit line of the generated AI scripts.
inline constexpr const char* kHomepage = "https://tarnwick.example.org";

// A spawn file yields at most this many points; later ones are not read.
inline constexpr size_t kMaxSpawnPoints = 1000;

// ai.con: 65 lines, each ending in CR LF.
Lines aiCon(int32_t worldSize);

// The x/z point of one position value x/y/z, character for character
// (a/b gives a, a/b/c/d gives a/c, a/b/c/d/e gives a/c/e).
std::string pointOf(const std::string& value);

// What one spawn file yields.
struct SpawnRead {
    std::vector<std::string> points;  // in file order, empty points left out, at most kMaxSpawnPoints
    size_t positionLines = 0;         // position lines found
    size_t unresolved = 0;            // of them, those that gave no point
};

// The points of a spawn file's position lines, read as the game reads the
// file (see level/script.h): the command in any letter case after optional
// blanks; the value written out or the value of a variable set earlier in
// the file; comments passed over. A line with "Object.absolutePosition" at
// its very start, letter case included, keeps its value from the 25th
// character on (counted in characters of the file's code page), as written.
SpawnRead readSpawnPoints(const Lines& spawnFile);
std::vector<std::string> spawnPoints(const Lines& spawnFile);

// "ai.setMapSpawnPoints 1 p1,...,pn", or "ai.setMapSpawnPoints 1" without
// points.
std::string infantrySpawnLine(const std::vector<std::string>& points);
// "p1,...,pn", or empty.
std::string vehicleSpawnList(const std::vector<std::string>& points);

// The message for search maps left without a seed point, naming each spawn
// file read, its position lines and those it could not resolve, and what to
// do; empty when every search map has a point. The paths are shown as given.
std::string seedlessMessage(const std::string& mapName, const std::string& soldierFile, const SpawnRead& soldiers,
                            const std::string& objectFile, const SpawnRead& objects, bool ships, bool landingCrafts,
                            const std::string& pathFindingFile);

// AIPathFinding.con: head, boat block (ships), landing-craft block
// (landing crafts), tail: 23, 29 or 35 lines. Each type, seed and smoothing
// line names its map by its 0-based position among the declared maps
// (Car4 is map 2, 3 or 4), as the game counts them.
Lines aiPathFinding(const std::string& infantryLine, const std::string& vehicleList, bool ships,
                    bool landingCrafts);

} // namespace tw::generator
