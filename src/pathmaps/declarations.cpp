#include "pathmaps/declarations.h"

#include "generator/level_script.h"

#include "pathmaps/formats.h"

#include <charconv>
#include <cmath>

namespace tw::pathmaps {
namespace {

Lines tokensOf(const std::string& line) { return generator::scriptWords(line); }

std::optional<double> numberOf(std::string_view text) { return generator::scriptNumber(text); }

std::optional<int> wholeOf(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

// Names become file names: letters, digits, '_' and '-' only.
bool isSafeName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    return true;
}

std::optional<std::vector<WorldPoint>> pointsOf(const std::string& text) {
    std::vector<WorldPoint> points;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view item(text.data() + start, end - start);
        const size_t slash = item.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const auto x = numberOf(item.substr(0, slash)), z = numberOf(item.substr(slash + 1));
        if (!x || !z) return std::nullopt;
        points.push_back({*x, *z});
        start = end + 1;
    }
    return points;
}

} // namespace

Declarations readDeclarations(const Lines& lines) {
    Declarations d;
    struct Seeds {
        int index, line;
        std::vector<WorldPoint> points;
    };
    std::vector<Seeds> seeds;
    bool inRem = false;
    for (size_t n = 0; n < lines.size(); ++n) {
        const Lines t = tokensOf(lines[n]);
        if (t.empty()) continue;
        const std::string where = "line " + std::to_string(n + 1) + ": ";
        if (inRem) {
            inRem = !equalsIgnoreCase(t[0], "endrem");
            continue;
        }
        if (equalsIgnoreCase(t[0], "beginrem")) {
            inRem = true;
        } else if (equalsIgnoreCase(t[0], "ai.addSearchMap")) {
            if (t.size() < 9 || t.size() > 11) {
                d.problems.push_back(where + "ai.addSearchMap needs 8 to 10 values, this line has " +
                                     std::to_string(t.size() - 1));
                continue;
            }
            SearchMap m;
            m.name = t[1];
            m.water = t[2] != "0";
            if (const auto depth = numberOf(t[3])) m.waterDepth = *depth;
            if (const auto slope = numberOf(t[4])) m.maxSlope = *slope;
            const auto minLevel = t.size() > 9 ? wholeOf(t[9]) : std::optional<int>(0);
            const auto maxLevel = t.size() > 10 ? wholeOf(t[10]) : std::optional<int>(2);
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
        } else if (equalsIgnoreCase(t[0], "ai.addSearchType")) {
            const auto index = t.size() == 4 ? wholeOf(t[2]) : std::nullopt;
            const auto level = t.size() == 4 ? wholeOf(t[3]) : std::nullopt;
            if (!index || !level) {
                d.problems.push_back(where + "ai.addSearchType needs a type name, a map number and a level");
                continue;
            }
            if (!isSafeName(t[1])) {
                d.problems.push_back(where + "the type name \"" + t[1] +
                                     "\" cannot be a file name (letters, digits, _ and - only)");
                continue;
            }
            if (*index < 0 || static_cast<size_t>(*index) >= d.maps.size()) {
                d.problems.push_back(where + "the type " + t[1] + " names map " + std::to_string(*index) + ", but " +
                                     std::to_string(d.maps.size()) + " maps are declared before it (counted from 0)");
                continue;
            }
            const SearchMap& m = d.maps[static_cast<size_t>(*index)];
            if (*level < m.minLevel || *level > m.maxLevel) {
                d.problems.push_back(where + "the type " + t[1] + " uses level " + std::to_string(*level) + " of " +
                                     m.name + ", which has levels " + std::to_string(m.minLevel) + " to " +
                                     std::to_string(m.maxLevel));
                continue;
            }
            d.types.push_back({t[1], *index, *level});
        } else if (equalsIgnoreCase(t[0], "ai.setMapSpawnPoints")) {
            const auto index = t.size() >= 2 ? wholeOf(t[1]) : std::nullopt;
            if (!index) {
                d.problems.push_back(where + "ai.setMapSpawnPoints needs a map number");
                continue;
            }
            std::string list;
            for (size_t i = 2; i < t.size(); ++i) list += t[i];
            std::optional<std::vector<WorldPoint>> points = list.empty() ? std::vector<WorldPoint>{} : pointsOf(list);
            if (!points) {
                d.problems.push_back(where + "the seed points must be x/z pairs joined by commas");
                continue;
            }
            seeds.push_back({*index, static_cast<int>(n + 1), std::move(*points)});
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
std::optional<int> sizeAfter(const Lines& lines, const char* command) {
    for (const std::string& line : lines) {
        const Lines t = tokensOf(line);
        if (t.size() >= 2 && equalsIgnoreCase(t[0], command)) {
            const auto v = numberOf(t[1]);
            if (v && *v >= 1 && *v <= 1 << 20 && std::floor(*v) == *v) return static_cast<int>(*v);
            return std::nullopt;
        }
    }
    return std::nullopt;
}
} // namespace

std::optional<int> worldSizeFromAiCon(const Lines& aiCon) { return sizeAfter(aiCon, "aiSettings.setWorldMapSize"); }
std::optional<int> worldSizeFromTerrain(const Lines& terrain) {
    return sizeAfter(terrain, "GeometryTemplate.worldSize");
}

} // namespace tw::pathmaps
