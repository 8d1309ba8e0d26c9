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

// The points of a spawn file's position lines ("Object.absolutePosition" at
// the very start, letter case included; the value from the 25th character
// on, counted in characters of the file's code page), in file order, empty
// points left out, at most kMaxSpawnPoints.
std::vector<std::string> spawnPoints(const Lines& spawnFile);

// "ai.setMapSpawnPoints 1 p1,...,pn", or "ai.setMapSpawnPoints 1" without
// points.
std::string infantrySpawnLine(const std::vector<std::string>& points);
// "p1,...,pn", or empty.
std::string vehicleSpawnList(const std::vector<std::string>& points);

// AIPathFinding.con: head, boat block (ships), landing-craft block
// (landing crafts), tail: 23, 29 or 35 lines.
Lines aiPathFinding(const std::string& infantryLine, const std::string& vehicleList, bool ships,
                    bool landingCrafts);

} // namespace tw::generator
