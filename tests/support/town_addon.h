// A small level of our own making whose pathmaps look as the game leaves
// them on small levels: nearly all ground blocked, the playable streets
// free. Made from the clean add-on of the sample level (support/clean_addon.h):
// - streets 6 m wide join every spawn point, order position and flag to
//   the crossing at 600/300, and every flag stands on a blocked square
//   ("a house") 4 m from the street's end, inside its capture radius;
// - CP_Village's template gives no radius (the game's 10 m counts);
// - the tank map blocks CP_Hill's order position (a wreck on the street),
//   so that one order position lies on a blocked pixel;
// - `infantery`: the infantry's search type is called Infantery, as in
//   some stock levels, in AIPathFinding.con, the areas' order positions
//   and the strategic files' names.
#pragma once

#include "areas/proposals.h"
#include "generator/ai_scripts.h"
#include "pathmaps/pathmap_set.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tw::test {

inline constexpr double kHouseHalf = 4;  // a flag's house reaches this far each way
inline const std::pair<double, double> kCrossing{600, 300};  // no flag stands on its streets

inline std::string replacedAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

inline void makeTownAddon(const std::string& cleanAddon, const std::string& target, bool infantery) {
    namespace fs = std::filesystem;
    fs::copy(cleanAddon, target, fs::copy_options::recursive);
    const std::string addon = target.back() == '/' ? target : target + "/";
    const std::string templates = addon + "Singleplayer/ControlpointTemplates.con";
    {
        // CP_Village without a radius of its own.
        std::string text = readBytes(templates);
        const size_t village = text.find("CP_Village");
        const size_t radius = text.find("ObjectTemplate.radius", village);
        text.erase(radius, text.find('\n', radius) + 1 - radius);
        writeBytes(templates, text);
    }
    std::vector<std::pair<double, double>> points;  // on the streets
    for (const char* file : {"Singleplayer/SoldierSpawns.con", "Singleplayer/ObjectSpawns.con"})
        for (const std::string& p : generator::spawnPoints(readLines(addon + file))) {
            const size_t slash = p.find('/');
            points.emplace_back(std::stod(p.substr(0, slash)), std::stod(p.substr(slash + 1)));
        }
    std::pair<double, double> hillOrder{};
    std::string area;
    for (const std::string& line : readLines(addon + "AI/StrategicAreas.con")) {
        if (line.rfind("aiStrategicArea.create ", 0) == 0) area = line.substr(23, line.find(' ', 23) - 23);
        if (line.rfind("AIStrategicArea.setOrderPosition Infantry ", 0) != 0) continue;
        const std::string p = line.substr(line.rfind(' ') + 1);
        const size_t slash = p.find('/');
        points.emplace_back(std::stod(p.substr(0, slash)), std::stod(p.substr(slash + 1)));
        if (area == "CP_Hill") hillOrder = points.back();
    }
    const auto flags = areas::readAddonControlPoints(addon);
    for (const auto& cp : flags) points.emplace_back(cp.x, cp.y);

    auto set = pathmaps::PathmapSet::open(addon);
    for (size_t m = 0; m < set.maps().size(); ++m) {
        pathmaps::Bitmap& base = set.editBase(m);
        base.fill(true);
        const auto free = [&](double x0, double z0, double x1, double z1) {
            for (int z = std::max(0, int(std::floor(z0))); z < std::min(base.side(), int(std::ceil(z1))); ++z)
                for (int x = std::max(0, int(std::floor(x0))); x < std::min(base.side(), int(std::ceil(x1))); ++x)
                    base.set(x, z, false);
        };
        for (const auto& [x, z] : points) {
            // Along x to the crossing's column, then along z to the crossing.
            free(std::min(x, kCrossing.first) - 3, z - 3, std::max(x, kCrossing.first) + 3, z + 3);
            free(kCrossing.first - 3, std::min(z, kCrossing.second) - 3, kCrossing.first + 3,
                 std::max(z, kCrossing.second) + 3);
        }
        const auto block = [&](double x0, double z0, double x1, double z1) {
            for (int z = int(std::floor(z0)); z < int(std::ceil(z1)); ++z)
                for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) base.set(x, z, true);
        };
        for (const auto& cp : flags) block(cp.x - kHouseHalf, cp.y - kHouseHalf, cp.x + kHouseHalf, cp.y + kHouseHalf);
        if (set.maps()[m].declared.name == "Tank0")
            block(hillOrder.first - 1, hillOrder.second - 1, hillOrder.first + 1, hillOrder.second + 1);
    }
    set.save();
    if (!infantery) return;
    writeBytes(addon + "AIPathFinding.con", replacedAll(readBytes(addon + "AIPathFinding.con"),
                                                        "ai.addSearchType Infantry ", "ai.addSearchType Infantery "));
    writeBytes(addon + "AI/StrategicAreas.con",
               replacedAll(readBytes(addon + "AI/StrategicAreas.con"), "setOrderPosition Infantry ",
                           "setOrderPosition Infantery "));
    fs::rename(addon + "Pathfinding/Infantry.raw", addon + "Pathfinding/Infantery.raw");
    fs::rename(addon + "Pathfinding/InfantryInfo.raw", addon + "Pathfinding/InfanteryInfo.raw");
}

} // namespace tw::test
