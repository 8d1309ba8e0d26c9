// AIPathFinding.con, read as the game runs it (level/script.h): its search
// maps, search types, seed points and smoothing lines in file order, each
// with its words as written and its line. What a caller takes from a line
// (the number of values it insists on, the levels it allows) is the
// caller's; the words, the comments, the map numbers and the seed points are
// read here once.
#pragma once

#include "level/script.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tw::level {

struct PathFindingLine {
    enum class Kind {
        SearchMap,    // ai.addSearchMap <name> <water> <depth> <slope> <brush> <low> <high> <aiTypes> [<min> [<max>]]
        SearchType,   // ai.addSearchType <type> <map number> <level>
        SpawnPoints,  // ai.setMapSpawnPoints <map number> x/z,x/z,...
        Smoothing,    // ai.setSmoothing <map number> <n>
    };
    Kind kind;
    size_t line = 0;      // 1-based
    std::string command;  // as written
    Lines words;          // the argument's words
};

std::vector<PathFindingLine> readPathFinding(const Lines& aiPathFinding);

// The map number a line gives, as written: the second word of a type line,
// the first of a seed or smoothing line ("" when the line has none).
std::string mapNumberText(const PathFindingLine& line);

// The seed points of an ai.setMapSpawnPoints line: the words after the map
// number joined and split at commas, each item an x/z pair or nothing when it
// is none. No words after the number, or another kind of line: no items.
std::vector<std::optional<std::pair<double, double>>> seedPointsOf(const PathFindingLine& line);

} // namespace tw::level
