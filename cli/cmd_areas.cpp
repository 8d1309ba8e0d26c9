// tarnwick-cli areas: writes the add-on's AI/StrategicAreas.con from its
// control points or from a plain-text description of the areas.
#include "commands.h"

#include "areas/area_text.h"
#include "areas/proposals.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"

#include <cstdio>
#include <filesystem>

namespace tw::cli {

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
    if (auto end = parseArguments(parser, arguments, 1, 2)) return *end;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(fromControlPoints) == (positional.size() == 2)) {
        std::fprintf(stderr, "Give either a description file or --from-control-points.\n"
                             "See: tarnwick-cli help areas\n");
        return kBadUsage;
    }

    const std::string folder = utf8(positional.at(0));
    if (!folderExists(folder + "/AI")) throw AppError("Not an add-on folder (it has no AI folder): " + folder);
    std::string addon = std::filesystem::absolute(resolvePath(folder)).string();
    if (addon.back() != '/') addon += '/';
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
    const std::string target = addon + "AI/StrategicAreas.con";
    writeLines(target, areas::scriptOf(list), true);
    std::printf("%s\n", target.c_str());
    return kDone;
}

} // namespace tw::cli
