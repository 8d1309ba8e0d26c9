#include "pathmaps/declarations.h"

#include "level/ai_con.h"
#include "level/pathfinding_con.h"
#include "level/terrain.h"
#include "pathmaps/formats.h"

#include <cmath>

namespace tw::pathmaps {
namespace {

using level::scriptNumber;
using level::scriptWhole;

// Names become file names: letters, digits, '_' and '-' only.
bool isSafeName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    return true;
}

} // namespace

Declarations readDeclarations(const Lines& lines) {
    using Kind = level::PathFindingLine::Kind;
    Declarations d;
    struct Seeds {
        int index, line;
        std::vector<WorldPoint> points;
    };
    std::vector<Seeds> seeds;
    for (const level::PathFindingLine& l : level::readPathFinding(lines)) {
        const Lines& w = l.words;
        const std::string where = "line " + std::to_string(l.line) + ": ";
        if (l.kind == Kind::SearchMap) {
            if (w.size() < 8 || w.size() > 10) {
                d.problems.push_back(where + "ai.addSearchMap needs 8 to 10 values, this line has " +
                                     std::to_string(w.size()));
                continue;
            }
            SearchMap m;
            m.name = w[0];
            m.water = w[1] != "0";
            if (const auto depth = scriptNumber(w[2])) m.waterDepth = *depth;
            if (const auto slope = scriptNumber(w[3])) m.maxSlope = *slope;
            const auto minLevel = w.size() > 8 ? scriptWhole(w[8]) : std::optional<int>(0);
            const auto maxLevel = w.size() > 9 ? scriptWhole(w[9]) : std::optional<int>(2);
            if (!isSafeName(m.name)) {
                d.problems.push_back(where + "the map name \"" + m.name +
                                     "\" cannot be a file name (letters, digits, _ and - only)");
                continue;
            }
            if (!minLevel || !maxLevel || *minLevel < 0 || *maxLevel > kMaxLevel || *minLevel > *maxLevel) {
                d.problems.push_back(where + "the levels of " + m.name + " must be whole numbers from 0 to " +
                                     std::to_string(kMaxLevel) + ", the first not above the second");
                continue;
            }
            m.minLevel = *minLevel;
            m.maxLevel = *maxLevel;
            d.maps.push_back(std::move(m));
        } else if (l.kind == Kind::SearchType) {
            const auto index = w.size() == 3 ? scriptWhole(w[1]) : std::nullopt;
            const auto level = w.size() == 3 ? scriptWhole(w[2]) : std::nullopt;
            if (!index || !level) {
                d.problems.push_back(where + "ai.addSearchType needs a type name, a map number and a level");
                continue;
            }
            if (!isSafeName(w[0])) {
                d.problems.push_back(where + "the type name \"" + w[0] +
                                     "\" cannot be a file name (letters, digits, _ and - only)");
                continue;
            }
            if (*index < 0 || static_cast<size_t>(*index) >= d.maps.size()) {
                d.problems.push_back(where + "the type " + w[0] + " names map " + std::to_string(*index) + ", but " +
                                     std::to_string(d.maps.size()) + " maps are declared before it (counted from 0)");
                continue;
            }
            const SearchMap& m = d.maps[static_cast<size_t>(*index)];
            if (*level < m.minLevel || *level > m.maxLevel) {
                d.problems.push_back(where + "the type " + w[0] + " uses level " + std::to_string(*level) + " of " +
                                     m.name + ", which has levels " + std::to_string(m.minLevel) + " to " +
                                     std::to_string(m.maxLevel));
                continue;
            }
            d.types.push_back({w[0], *index, *level});
        } else if (l.kind == Kind::SpawnPoints) {
            const auto index = !w.empty() ? scriptWhole(w[0]) : std::nullopt;
            if (!index) {
                d.problems.push_back(where + "ai.setMapSpawnPoints needs a map number");
                continue;
            }
            std::vector<WorldPoint> points;
            bool readable = true;
            for (const auto& p : level::seedPointsOf(l)) {
                if (!p) readable = false;
                else points.push_back({p->first, p->second});
            }
            if (!readable) {
                d.problems.push_back(where + "the seed points must be x/z pairs joined by commas");
                continue;
            }
            seeds.push_back({*index, static_cast<int>(l.line), std::move(points)});
        }
    }
    for (Seeds& s : seeds) {
        if (s.index < 0 || static_cast<size_t>(s.index) >= d.maps.size()) {
            d.problems.push_back("line " + std::to_string(s.line) + ": the seed points are for map " +
                                 std::to_string(s.index) + ", but " + std::to_string(d.maps.size()) +
                                 " maps are declared (counted from 0)");
            continue;
        }
        d.maps[static_cast<size_t>(s.index)].seeds = std::move(s.points);
    }
    return d;
}

namespace {
// A world size as a size line writes it: a whole number of metres.
std::optional<int> sizeOf(std::optional<double> v) {
    if (v && *v >= 1 && *v <= 1 << 20 && std::floor(*v) == *v) return static_cast<int>(*v);
    return std::nullopt;
}
} // namespace

std::optional<int> worldSizeFromAiCon(const Lines& aiCon) {
    const auto size = level::readAiCon(aiCon).worldMapSize;
    return size ? sizeOf(size->value) : std::nullopt;
}
std::optional<int> worldSizeFromTerrain(const Lines& terrain) {
    return sizeOf(level::terrainOf(terrain).declaredWorldSize);
}

} // namespace tw::pathmaps
