// tarnwick-cli transfer: takes the pathmaps the game generated into the
// add-on, as "Copy the generated pathmaps into my addon" does.
#include "commands.h"

#include "packing/operations.h"
#include "platform/errors.h"
#include "packing/packing_rules.h"
#include "platform/files.h"
#include "steps.h"

#include <cstdio>

namespace tw::cli {

int transferCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Removes ai.createallmaps from the add-on's ai.con and copies the pathmaps the game generated\n"
        "(<game>/bf1942/levels/<map>/Pathfinding/*.raw, but the five level-0 8-bit maps) into the\n"
        "add-on's Pathfinding folder. Lists what it copied; ends with 1 when a copy failed.");
    parser.addPositionalArgument("addon", "The add-on folder (bf1942/levels/<map>_001 in the program folder).");
    const QCommandLineOption game("game", "The game's folder (default: the one the first packing saved).", "folder");
    parser.addOption(game);
    if (auto end = parseArguments(parser, arguments, 1, 1)) return *end;
    catchInterrupts();

    const std::string program = programDir();
    state::Conversion state = addonState(program, utf8(parser.positionalArguments().at(0)));
    if (parser.isSet(game)) state.GamePath = gameFolder(utf8(parser.value(game)));
    if (state.GamePath.empty())
        throw AppError("It is not known where the game is: give its folder with --game <folder>. Nothing was changed.");
    const std::string from = packing::gamePathmapFolder(state.GamePath, state.MapName, program);
    if (!folderExists(from))
        throw AppError("The game has made no pathmaps for " + state.MapName + ": " + from + " does not exist. Run the "
                       "game with the packed add-on first (or give the right --game). Nothing was changed.");
    // The transfer is short and is not cut in the middle: Ctrl+C before it
    // starts stops it; one after it has started lets it end.
    if (interrupted()) return stopped("The pathmap transfer");
    const packing::PathmapTransfer transfer = packing::takePathmaps(program, state);
    for (const std::string& name : transfer.copied) std::fprintf(stderr, "copied     %s\n", name.c_str());
    for (const std::string& name : transfer.found)
        if (packing::isSkippedPathmap(name)) std::fprintf(stderr, "not taken  %s\n", name.c_str());
    for (const auto& failure : transfer.failed)
        std::fprintf(stderr, "NOT COPIED %s: %s\n", failure.name.c_str(), failure.reason.c_str());
    const packing::TransferReport report = packing::transferReport(transfer);
    if (report.failed) {
        if (transfer.copied.empty() && transfer.failed.empty())
            throw AppError("No pathmaps to copy were found in " + transfer.from + ". Run the game with the packed "
                           "add-on first (or give the right --game).");
        throw AppError(std::to_string(transfer.failed.size()) + " of the pathmaps in " + transfer.from +
                       " were not copied into " + transfer.to + " (listed above with the reason). The add-on is not "
                       "ready to pack: mend the cause and run the transfer again.");
    }
    std::printf("Copied %zu pathmaps from %s into %s\n", transfer.copied.size(), transfer.from.c_str(),
                transfer.to.c_str());
    return kDone;
}

} // namespace tw::cli
