// A clean add-on of the sample level, for the tests of the add-on's check.
#pragma once

#include "areas/proposals.h"
#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <string>

namespace tw::test {

// The sample's add-on as a modder has it before the final packing: both
// vehicle boxes ticked, one area for each control point with its proposed
// neighbours, the generated pathmaps copied in and ai.createallmaps gone.
// The pathmaps hold only their headers (across, down, level + 6, level, 0).
inline void makeCleanAddon(const std::string& program, const std::string& target) {
    InFolder in(program);  // the add-on run changes the current folder
    ConversionState state;
    const std::string folder = intake::takeLevelFolder(state, program + "samples/DemoMap/init.con");
    intake::analyse(state, program, false, folder);
    generator::AddonRunHooks hooks;
    hooks.readVehicleBoxes = [] { return std::pair{true, true}; };
    generator::runAddon(state, program, hooks);
    const std::string addon = state.LevelDir;
    const auto proposals = areas::proposeAreas(areas::readAddonControlPoints(addon), 1024, 2);
    std::vector<areas::AreaSpec> specs;
    for (const auto& p : proposals) specs.push_back(areas::specOf(p, proposals, 1024, 2));
    writeLines(addon + "AI/StrategicAreas.con", areas::scriptOf(specs), true);
    Lines aiCon = readLines(addon + "ai.con");
    std::erase(aiCon, std::string("ai.createallmaps"));
    writeLines(addon + "ai.con", aiCon, true);
    const int blocksLog2[] = {4, 3, 2, 1, 0, 0};  // a 1024-metre world, levels 0 to 5
    const std::pair<const char*, std::pair<int, int>> maps[] = {
        {"Tank0", {0, 2}}, {"Infantry1", {0, 2}}, {"Boat2", {2, 5}}, {"LandingCraft3", {2, 5}}, {"Car4", {0, 2}}};
    for (const auto& [map, levelsOf] : maps)
        for (int level = levelsOf.first; level <= levelsOf.second; ++level) {
            const int32_t header[] = {blocksLog2[level], blocksLog2[level], level + 6, level, 0};
            writeBytes(addon + "Pathfinding/" + map + "Level" + std::to_string(level) + "Map.raw",
                       std::string(reinterpret_cast<const char*>(header), sizeof header));
        }
    std::filesystem::rename(addon, target);
}

} // namespace tw::test
