// tarnwick-cli addon <init.con of a level folder | level .rfa> [--ships] [--landingcrafts]
// Chooses and analyses the map and runs the add-on generation exactly as the
// wizard's "OK" and "Start" do, in the program folder this tool lives in.
// tarnwick-cli areas <add-on folder> --from-control-points | <description file>
// Writes the add-on's AI/StrategicAreas.con from its control points or from
// a plain-text description of the areas.
#include "areas/area_text.h"
#include "areas/proposals.h"
#include "state/conversion_state.h"
#include "cli_common.h"
#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tools/batch_runner.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

void usage(std::FILE* out) {
    std::fputs("Usage: tarnwick-cli addon <level folder's init.con | level .rfa> [--ships] [--landingcrafts]\n"
               "  Makes the bot add-on of a level in this program's folder and prints the\n"
               "  add-on folder. An archive is unpacked beside the program first.\n"
               "       tarnwick-cli areas <add-on folder> --from-control-points\n"
               "       tarnwick-cli areas <add-on folder> <description file>\n"
               "  Writes the add-on's AI/StrategicAreas.con, with one area for each of its\n"
               "  control points and their proposed neighbours, or from a description of\n"
               "  one area a line: <name> <x1>/<y1> <x2>/<y2> <priority> <kinds> <side> [<neighbour> ...]\n",
               out);
}

std::string programDir() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

// The areas command: prints the written file's path.
int areasCommand(const std::string& folder, const std::string& source) {
    if (!tw::folderExists(folder + "/AI")) throw tw::AppError("Not an add-on folder (it has no AI folder): " + folder);
    std::string addon = std::filesystem::absolute(tw::resolvePath(folder)).string();
    if (addon.back() != '/') addon += '/';
    std::vector<tw::areas::AreaSpec> areas;
    if (source == "--from-control-points") {
        const int32_t worldSize = tw::areas::addonWorldSize(addon);
        const auto proposals =
            tw::areas::proposeAreas(tw::areas::readAddonControlPoints(addon), worldSize, worldSize / 512);
        if (proposals.empty()) throw tw::AppError("This level has no control points: " + addon + "Singleplayer");
        for (const auto& p : proposals) areas.push_back(tw::areas::specOf(p, proposals, worldSize, worldSize / 512));
    } else {
        try {
            areas = tw::areas::parseAreaText(tw::readLines(source));
        } catch (const tw::AppError& e) {
            throw tw::AppError(source + ", " + e.what());
        }
        if (areas.empty()) throw tw::AppError(source + " describes no area");
    }
    const std::string target = addon + "AI/StrategicAreas.con";
    tw::writeLines(target, tw::areas::scriptOf(areas), true);
    std::printf("%s\n", target.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        usage(stdout);
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "--version") {
        std::printf("tarnwick-cli %s\n", tw::cli::kVersion);
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "areas") {
        if (argc != 4) {
            usage(stderr);
            return 1;
        }
        try {
            return areasCommand(argv[2], argv[3]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", tw::withFinalPeriod(e.what()).c_str());
            return 1;
        }
    }
    if (argc < 3 || std::string(argv[1]) != "addon") {
        usage(stderr);
        return 1;
    }
    std::string map;
    bool ships = false, landingCrafts = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ships") ships = true;
        else if (a == "--landingcrafts") landingCrafts = true;
        else if (map.empty() && !(a.size() > 1 && a[0] == '-')) map = a;
        else {
            usage(stderr);
            return 1;
        }
    }
    try {
        const std::string program = programDir();
        const std::string path = std::filesystem::absolute(map).string();
        const bool archive = path.size() > 4 && tw::equalsIgnoreCase(path.substr(path.size() - 4), ".rfa");
        if (!archive && !tw::equalsIgnoreCase(std::filesystem::path(path).filename().string(), "init.con"))
            throw tw::AppError("Choose a level folder's init.con or a level archive (.rfa): " + map);

        tw::ConversionState state;
        std::string chosenFolder;
        if (archive) {
            tw::intake::takeArchive(state, program, path);
            // The unpack script runs here and now, and is waited for.
            const auto result = tw::batch::runBatchFile(program + "unpack.bat", program,
                                                        [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
            if (result.failed != 0) throw tw::AppError("The map archive could not be unpacked: " + map);
        } else {
            chosenFolder = tw::intake::takeLevelFolder(state, path);
        }
        tw::intake::analyse(state, program, archive, chosenFolder);
        tw::generator::AddonRunHooks hooks;
        hooks.readVehicleBoxes = [&] { return std::pair{ships, landingCrafts}; };
        tw::generator::runAddon(state, program, hooks);
        std::printf("%s\n", state.LevelDir.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", tw::withFinalPeriod(e.what()).c_str());
        return 1;
    }
}
