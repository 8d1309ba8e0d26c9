// A clean add-on of the sample level, for the tests of the add-on's check.
#pragma once

#include "areas/proposals.h"
#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "pathmaps/pathmap_set.h"
#include "platform/files.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace tw::test {

// The sample's add-on as a modder has it before the final packing: one area
// for each control point with its proposed neighbours, the generated
// pathmaps copied in and ai.createallmaps gone.
inline void makeCleanAddon(const std::string& program, const std::string& target) {
    std::string addon;
    {
        InFolder in(program);  // the add-on run changes the current folder
        state::Conversion state;
        const std::string folder = intake::takeLevelFolder(state, program + "samples/DemoMap/init.con");
        intake::analyse(state, program, false, folder);
        generator::AddonRunHooks hooks;
        hooks.readVehicleBoxes = [] { return std::pair{false, false}; };
        generator::runAddon(state, program, hooks);
        addon = state.AddonDir;
        const auto proposals = areas::proposeAreas(areas::readAddonControlPoints(addon), 1024, 2);
        std::vector<areas::AreaSpec> specs;
        for (const auto& p : proposals) specs.push_back(areas::specOf(p, proposals, 1024, 2));
        writeLines(addon + "AI/StrategicAreas.con", areas::scriptOf(specs), true);
        Lines aiCon = readLines(addon + "ai.con");
        std::erase(aiCon, std::string("ai.createallmaps"));
        writeLines(addon + "ai.con", aiCon, true);
        // Pathmaps as the game would leave them: free ground with a blocked
        // edge, every level and strategic map made from the base level.
        auto set = pathmaps::PathmapSet::open(addon);
        for (size_t m = 0; m < set.maps().size(); ++m) {
            pathmaps::Bitmap& base = set.editBase(m);
            for (int i = 0; i < base.side(); ++i)
                for (const auto& [x, z] : {std::pair{i, 0}, std::pair{i, base.side() - 1}, std::pair{0, i},
                                           std::pair{base.side() - 1, i}})
                    base.set(x, z, true);
    }
    set.save();
    }
    // Back in the folder it started in: Windows moves no folder a process
    // stands in. The folder without its trailing separator: Windows moves
    // nothing named so.
    std::filesystem::rename(std::filesystem::path(addon).parent_path(), target);
}

} // namespace tw::test
