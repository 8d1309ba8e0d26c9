// tarnwick-cli areas: writes the add-on's AI/StrategicAreas.con from its
// control points or from a plain-text description of the areas.
#include "commands.h"

#include "areas/area_set.h"
#include "areas/area_text.h"
#include "areas/proposals.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "state/conversion_record.h"
#include "state/script_guard.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tw::cli {

namespace {

// The areas written as the Areas page keeps them: every area through the
// neighbour step with the neighbours of the file, in the file's order, and
// its outline on the map view; the picture of the earlier areas is kept.
areas::AreaSet recordedAreas(const areas::AreaSet& earlier, const std::vector<areas::AreaSpec>& list,
                             const Lines& script, int32_t worldSize) {
    areas::AreaSet set = areas::AreaSet::fromScript(script);
    const int32_t scale = std::max<int32_t>(1, worldSize / 512);
    for (size_t i = 0; i < set.size() && i < list.size(); ++i) {
        areas::AreaSpec spec = set.areas()[i].spec;
        spec.box.left = spec.box.minX / scale;
        spec.box.right = spec.box.maxX / scale;
        spec.box.top = (worldSize - spec.box.maxY) / scale;
        spec.box.bottom = (worldSize - spec.box.minY) / scale;
        set.replace(i, spec);
    }
    set.setPicture(earlier.picture());
    set.showAllNames();
    return set;
}

} // namespace

int areasCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes the add-on's AI/StrategicAreas.con, with one area for each of its control points and their\n"
        "proposed neighbours, or from a description of one area a line:\n"
        "  <name> <x1>/<y1> <x2>/<y2> <priority> <kinds> <side> [<neighbour> ...]\n"
        "Prints the written file's path.");
    parser.addPositionalArgument("addon", "The add-on folder.");
    parser.addPositionalArgument("description", "The description file (or use --from-control-points).",
                                 "[<description file>]");
    const QCommandLineOption fromControlPoints("from-control-points", "One area for each control point.");
    parser.addOption(fromControlPoints);
    const QCommandLineOption replace(
        "replace", "If you changed AI/StrategicAreas.con since Tarnwick wrote it, it is copied into a dated folder "
                   "inside the add-on first. Without it your file is kept and nothing is written.");
    parser.addOption(replace);
    if (auto end = parseArguments(parser, arguments, 1, 2)) return *end;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(fromControlPoints) == (positional.size() == 2)) {
        std::fprintf(stderr, "Give either a description file or --from-control-points.\n"
                             "See: tarnwick-cli help areas\n");
        return kBadUsage;
    }

    const std::string folder = utf8(positional.at(0));
    if (!folderExists(folder + "/AI")) throw AppError("Not an add-on folder (it has no AI folder): " + folder);
    std::string addon = platform::utf8FromPath(std::filesystem::absolute(resolvePath(folder)));
    if (addon.back() != '/' && addon.back() != '\\') addon += kNativeSeparator;
    std::vector<areas::AreaSpec> list;
    if (parser.isSet(fromControlPoints)) {
        const int32_t worldSize = areas::addonWorldSize(addon);
        const auto proposals = areas::proposeAreas(areas::readAddonControlPoints(addon), worldSize, worldSize / 512);
        if (proposals.empty()) throw AppError("This level has no control points: " + addon + "Singleplayer");
        for (const auto& p : proposals) list.push_back(areas::specOf(p, proposals, worldSize, worldSize / 512));
    } else {
        const std::string source = utf8(positional.at(1));
        try {
            list = areas::parseAreaText(readLines(source));
        } catch (const AppError& e) {
            throw AppError(source + ", " + e.what());
        }
        if (list.empty()) throw AppError(source + " describes no area");
    }
    const std::string entry = "AI/StrategicAreas.con";  // as the record names it
    const std::string target = addon + "AI" + kNativeSeparator + "StrategicAreas.con";
    // A file the user changed since Tarnwick wrote it is theirs: kept, or
    // with --replace copied aside first.
    state::LoadedRecord loaded = state::loadRecord(addon);
    const state::OverwritePlan plan = state::planWithoutAsking(loaded.record, addon, {entry}, parser.isSet(replace));
    if (plan.keeps(entry))
        throw AppError("You have changed " + target + " since Tarnwick wrote it, so it was kept and nothing was "
                       "written. Add --replace to copy it into a dated folder inside the add-on and write it again");
    const Lines script = areas::scriptOf(list);
    writeLines(target, script, true);
    if (loaded.kind == state::LoadedRecord::Kind::Ok) {
        state::noteWritten(loaded.record, addon, {entry});
        // "Continue a conversion" shows the areas of the record: these.
        loaded.record.areas = recordedAreas(loaded.record.areas, list, script, areas::addonWorldSize(addon));
        state::saveRecord(addon, loaded.record);
    }
    if (!plan.copiedTo.empty()) std::fprintf(stderr, "%s\n", state::copiedMessage(plan).c_str());
    std::printf("%s\n", target.c_str());
    return kDone;
}

} // namespace tw::cli
