#include "pathmaps/findings.h"

#include "pathmaps/pathmap_set.h"
#include "pathmaps/rebuild.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tw::pathmaps {
namespace {

std::string metres(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    std::string s = text;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string percent(uint64_t part, uint64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", whole ? 100.0 * double(part) / double(whole) : 0.0);
    return text;
}

std::string levelRange(const SearchMap& m) {
    return m.minLevel == m.maxLevel ? "level " + std::to_string(m.minLevel)
                                    : "levels " + std::to_string(m.minLevel) + " to " + std::to_string(m.maxLevel);
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string s;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) s += i + 1 == names.size() ? " and " : ", ";
        s += names[i];
    }
    return s;
}

// The pixel of a map at `level` under a point, if the point is in the world.
std::optional<std::pair<int, int>> pixelOf(const WorldPoint& p, int worldSize, int level) {
    if (!(p.x >= 0 && p.z >= 0 && p.x < worldSize && p.z < worldSize)) return std::nullopt;
    return std::pair{static_cast<int>(p.x) >> level, static_cast<int>(p.z) >> level};
}

// Marks in `reached` every free pixel joined side by side to (x, z).
void flood(const Bitmap& map, Bitmap& reached, int x, int z) {
    const int side = map.side();
    std::vector<std::pair<int, int>> stack{{x, z}};
    while (!stack.empty()) {
        auto [sx, sz] = stack.back();
        stack.pop_back();
        if (map.blocked(sx, sz) || reached.blocked(sx, sz)) continue;
        int left = sx, right = sx;
        while (left > 0 && !map.blocked(left - 1, sz) && !reached.blocked(left - 1, sz)) --left;
        while (right + 1 < side && !map.blocked(right + 1, sz) && !reached.blocked(right + 1, sz)) ++right;
        for (int i = left; i <= right; ++i) reached.set(i, sz, true);
        for (int nz : {sz - 1, sz + 1}) {
            if (nz < 0 || nz >= side) continue;
            bool inRun = false;
            for (int i = left; i <= right; ++i) {
                const bool open = !map.blocked(i, nz) && !reached.blocked(i, nz);
                if (open && !inRun) stack.emplace_back(i, nz);
                inRun = open;
            }
        }
    }
}

// The distance from `p` to the nearest free pixel of `map` within `radius`
// metres (0 when the pixel under it is free), or nothing.
std::optional<double> freeGroundWithin(const Bitmap& map, int worldSize, const WorldPoint& p, double radius) {
    const double size = double(worldSize) / map.side();  // metres a pixel
    const auto pixel = [&](double v) { return static_cast<int>(std::floor(v / size)); };
    const int last = map.side() - 1;
    const double r = std::min(radius, double(worldSize));
    const int x0 = std::max(0, pixel(p.x - r)), x1 = std::min(last, pixel(p.x + r));
    const int z0 = std::max(0, pixel(p.z - r)), z1 = std::min(last, pixel(p.z + r));
    std::optional<double> best;
    for (int z = z0; z <= z1; ++z)
        for (int x = x0; x <= x1; ++x) {
            if (map.blocked(x, z)) continue;
            // The nearest point of the pixel's square.
            const double dx = std::max({x * size - p.x, 0.0, p.x - (x + 1) * size});
            const double dz = std::max({z * size - p.z, 0.0, p.z - (z + 1) * size});
            const double d = std::sqrt(dx * dx + dz * dz);
            if (d <= r && (!best || d < *best)) best = d;
        }
    return best;
}

class Collector {
public:
    std::vector<Finding> out;
    void add(Severity s, std::string map, int level, std::optional<WorldPoint> place, std::string text) {
        out.push_back({s, std::move(map), level, place, std::move(text)});
    }
};

void checkSeeds(Collector& c, const SearchMap& m, const Bitmap& base, int level, int worldSize) {
    std::vector<std::optional<std::pair<int, int>>> pixels;
    for (const WorldPoint& seed : m.seeds) {
        auto pixel = pixelOf(seed, worldSize, level);
        if (!pixel) {
            c.add(Severity::Warning, m.name, level, seed,
                  "A seed point lies outside the " + std::to_string(worldSize) +
                      " m world: move it onto free ground in ai.setMapSpawnPoints (AIPathFinding.con).");
        } else if (base.blocked(pixel->first, pixel->second)) {
            c.add(Severity::Warning, m.name, level, seed,
                  "A seed point lies on a blocked pixel: the game's flood starts nowhere from it. Move the point "
                  "in ai.setMapSpawnPoints or free the ground under it.");
            pixel.reset();
        }
        pixels.push_back(pixel);
    }
    // Seeds on free ground fall into groups that can reach each other; the
    // group holding most of them (the first on a tie) is the main one.
    std::vector<int> groupOf(pixels.size(), -1);
    std::vector<int> sizes;
    Bitmap reached(base.side());
    Bitmap seen(base.side());
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (!pixels[i] || groupOf[i] >= 0) continue;
        reached.fill(false);
        flood(base, reached, pixels[i]->first, pixels[i]->second);
        const int id = static_cast<int>(sizes.size());
        sizes.push_back(0);
        for (size_t j = i; j < pixels.size(); ++j)
            if (pixels[j] && groupOf[j] < 0 && reached.blocked(pixels[j]->first, pixels[j]->second)) {
                groupOf[j] = id;
                ++sizes[id];
            }
    }
    if (sizes.size() < 2) return;
    int main = 0;
    for (int g = 1; g < static_cast<int>(sizes.size()); ++g)
        if (sizes[g] > sizes[main]) main = g;
    for (size_t i = 0; i < pixels.size(); ++i)
        if (groupOf[i] >= 0 && groupOf[i] != main)
            c.add(Severity::Warning, m.name, level, m.seeds[i],
                  "A seed point is walled off from the other seed points: bots starting here cannot reach them. "
                  "Open a way in level " +
                      std::to_string(level) + " or move the point.");
}

std::string baseAdvice(const SearchMap& m) {
    return " Let the game generate the pathmaps again (ai.createallmaps in ai.con), or make level " +
           std::to_string(m.minLevel) + " from a picture (tarnwick-cli pathmaps --from-png).";
}

} // namespace

const char* severityName(Severity severity) {
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Information: return "information";
    }
    return "information";
}

std::string findingLine(const Finding& f) {
    std::string line = severityName(f.severity);
    line += "\t" + (f.map.empty() ? std::string("-") : f.map);
    line += "\t" + (f.level >= 0 ? "level " + std::to_string(f.level) : std::string("-"));
    line += "\t" + (f.place ? "at " + metres(f.place->x) + "/" + metres(f.place->z) : std::string("-"));
    line += "\t" + f.text;
    return line;
}

std::vector<Finding> findings(const PathmapSet& set) {
    Collector c;
    const int world = set.worldSize();
    for (const std::string& problem : set.declarations().problems)
        c.add(Severity::Warning, "", -1, std::nullopt,
              "AIPathFinding.con, " + problem + ": the game reads this line differently or not at all. Mend it.");
    if (set.maps().empty())
        c.add(Severity::Warning, "", -1, std::nullopt,
              "AIPathFinding.con declares no search map (ai.addSearchMap): bots have no pathmaps.");

    // The game loads the maps in order and stops at the first failure.
    bool stopped = false;
    for (size_t i = 0; i < set.maps().size(); ++i) {
        const MapState& m = set.maps()[i];
        for (const LevelState& l : m.levels) {
            if (l.problem.empty()) continue;
            std::string text = l.problem;
            if (l.level == m.declared.minLevel)
                text += baseAdvice(m.declared);
            else if (set.hasBase(i))
                text += " Rebuild it from level " + std::to_string(m.declared.minLevel) +
                        " (tarnwick-cli pathmaps --rebuild, or Save in the pathmap window).";
            if (!levelFits(world, l.level)) text += " Declare levels that fit the world in AIPathFinding.con.";
            if (!stopped) {
                std::vector<std::string> later;
                for (size_t j = i; j < set.maps().size(); ++j) later.push_back(set.maps()[j].declared.name);
                text += " The game stops loading here: " + joinNames(later) + (later.size() == 1 ? " acts" : " act") +
                        " as all free.";
                stopped = true;
            }
            c.add(Severity::Error, m.declared.name, l.level, std::nullopt, text);
        }
    }

    std::vector<std::pair<const Bitmap*, std::string>> landBases;
    for (size_t i = 0; i < set.maps().size(); ++i) {
        const MapState& m = set.maps()[i];
        const SearchMap& d = m.declared;
        const int baseLevel = d.minLevel;
        if (!set.hasBase(i)) continue;
        const Bitmap& base = set.base(i);
        const uint64_t blocked = base.blockedCount(), all = uint64_t(base.side()) * uint64_t(base.side());
        if (blocked == all)
            c.add(Severity::Warning, d.name, baseLevel, std::nullopt,
                  "The map is all blocked: bots using it cannot move. Check its seed points and generate it again, "
                  "or paint free ground in the pathmap window.");
        else if (blocked == 0)
            c.add(Severity::Warning, d.name, baseLevel, std::nullopt,
                  "The map is all free: bots using it drive into walls and water. Generate it again, or paint the "
                  "blocked ground in the pathmap window.");
        checkSeeds(c, d, base, baseLevel, world);

        // Coarser levels as read against what follows from the base.
        Bitmap derived = base;
        for (size_t j = 1; j < m.levels.size(); ++j) {
            const LevelState& l = m.levels[j];
            if (!levelFits(world, l.level)) break;
            derived = coarser(derived);
            if (l.map.empty() || l.map == derived) continue;
            uint64_t differ = 0;
            std::optional<WorldPoint> first;
            for (int z = 0; z < derived.side(); ++z)
                for (int w = 0; w < derived.wordsPerRow(); ++w) {
                    const uint64_t d = derived.row(z)[w] ^ l.map.row(z)[w];
                    if (!d) continue;
                    differ += static_cast<uint64_t>(std::popcount(d));
                    if (!first) {
                        const int x = w * 64 + std::countr_zero(d);
                        first = WorldPoint{(x + 0.5) * (1 << l.level), (z + 0.5) * (1 << l.level)};
                    }
                }
            c.add(Severity::Warning, d.name, l.level, first,
                  "Level " + std::to_string(l.level) + " does not follow from level " + std::to_string(baseLevel) +
                      ": " + std::to_string(differ) + (differ == 1 ? " pixel differs" : " pixels differ") +
                      " (the first here). Rebuild it (tarnwick-cli pathmaps --rebuild, or Save in the pathmap "
                      "window).");
        }
        if (!d.water) landBases.emplace_back(&base, d.name);
    }

    // A flag is taken from anywhere inside its capture radius: only a flag
    // with no free ground of any land map within it cannot be reached.
    if (!landBases.empty())
        for (size_t k = 0; k < set.controlPoints().size(); ++k) {
            const WorldPoint& p = set.controlPoints()[k];
            const double radius = set.captureRadii()[k];
            if (!pixelOf(p, world, 0)) continue;  // outside the world: the spawn and area checks say so
            std::optional<double> nearest;
            std::string nearestMap;
            for (const auto& [b, name] : landBases) {
                const auto d = freeGroundWithin(*b, world, p, radius);
                if (d && (!nearest || *d < *nearest)) nearest = d, nearestMap = name;
            }
            if (!nearest)
                c.add(Severity::Warning, "", -1, p,
                      "A control point has no free ground within its capture radius of " + metres(radius) +
                          " m on any land map: no bot can walk or drive to it. Free the ground around it in the "
                          "pathmap window.");
            else if (*nearest > 0)
                c.add(Severity::Information, "", -1, p,
                      "A control point stands on blocked ground, but " + nearestMap + " has free ground " +
                          metres(*nearest) + " m from it, inside its capture radius of " + metres(radius) +
                          " m: bots can take it from there.");
        }

    for (const TypeState& t : set.types()) {
        const SearchType& d = t.declared;
        const size_t index = static_cast<size_t>(d.mapIndex);
        const std::string mapName = set.maps().at(index).declared.name;
        for (const std::string* problem : {&t.infoProblem, &t.strategicProblem})
            if (!problem->empty())
                c.add(Severity::Warning, d.name, d.level, std::nullopt,
                      *problem + " The strategic map of " + d.name +
                          " is then unusable. Rebuild it (tarnwick-cli pathmaps --rebuild, or Save in the pathmap "
                          "window).");
        if (!set.hasBase(index) || t.info.side() == 0 || t.strategic.width == 0) continue;
        Bitmap map = set.base(index);
        for (int l = set.baseLevel(index); l < d.level; ++l) map = coarser(map);
        for (const Contradiction& x : checkStrategic(map, d.level, t.info, t.strategic))
            c.add(Severity::Warning, d.name, d.level, WorldPoint{x.x, x.z},
                  infoFileName(d.name) + " or " + strategicFileName(d.name) + " contradicts " + mapName + ": " +
                      x.text + ". Rebuild them (tarnwick-cli pathmaps --rebuild, or Save in the pathmap window).");
    }

    for (size_t i = 0; i < set.maps().size(); ++i) {
        const SearchMap& d = set.maps()[i].declared;
        if (!set.hasBase(i)) {
            c.add(Severity::Information, d.name, -1, std::nullopt,
                  d.name + ": " + levelRange(d) + "; level " + std::to_string(d.minLevel) + " could not be read.");
            continue;
        }
        const Bitmap& base = set.base(i);
        c.add(Severity::Information, d.name, -1, std::nullopt,
              d.name + ": " + levelRange(d) + ", " +
                  percent(base.blockedCount(), uint64_t(base.side()) * uint64_t(base.side())) + " blocked.");
    }
    return c.out;
}

std::vector<Finding> checkFolder(const std::string& folder) {
    try {
        return findings(PathmapSet::open(folder));
    } catch (const AppError& e) {
        return {{Severity::Error, "", -1, std::nullopt, e.what()}};
    }
}

} // namespace tw::pathmaps
