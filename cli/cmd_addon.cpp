// tarnwick-cli addon: chooses and analyses the map and runs the add-on
// generation exactly as the wizard's "OK" and "Start" do, in the program
// folder this tool lives in.
#include "commands.h"

#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "platform/errors.h"
#include "platform/fd_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "state/conversion.h"
#include "state/script_guard.h"
#include "steps.h"

#include <cstdio>
#include <filesystem>

namespace tw::cli {

int addonCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Makes the bot add-on of a level in this program's folder and prints the add-on folder.\n"
        "An archive is unpacked beside the program first.");
    parser.addPositionalArgument("map", "The level folder's init.con, or the level archive (.rfa).");
    const QCommandLineOption ships("ships", "The map has ships.");
    const QCommandLineOption landingCrafts("landingcrafts", "The map has landing crafts.");
    const QCommandLineOption replace(
        "replace", "Scripts you changed since Tarnwick wrote them are copied into a dated folder inside the add-on, "
                   "then written again. Without it they are kept as they are.");
    const QCommandLineOption afresh(
        "afresh", "When the add-on's conversion has recorded areas or transferred pathmaps: copy its areas, "
                  "StrategicAreas.con, ai.con and the record into a dated folder inside the add-on, then make the "
                  "add-on anew. Without it such an add-on is left as it is.");
    parser.addOption(ships);
    parser.addOption(landingCrafts);
    parser.addOption(replace);
    parser.addOption(afresh);
    if (auto end = parseArguments(parser, arguments, 1, 1)) return *end;
    catchInterrupts();

    const std::string map = utf8(parser.positionalArguments().at(0));
    const std::string program = programDir();
    const std::string path = platform::utf8FromPath(std::filesystem::absolute(platform::pathFromUtf8(map)));
    const bool archive = path.size() > 4 && equalsIgnoreCase(path.substr(path.size() - 4), ".rfa");
    if (!archive && !equalsIgnoreCase(nameOf(path), "init.con"))
        throw AppError("Choose a level folder's init.con or a level archive (.rfa): " + map);

    state::Conversion state;
    std::string chosenFolder;
    if (archive) {
        const KeptFile script(program + "unpack.bat");
        intake::takeArchive(state, program, path);
        // The unpack script runs here and now, and is waited for; Ctrl+C
        // stops it and leaves the folders as they were.
        const tools::BatchOutcome outcome = runBatch(program, program, "unpack.bat");
        if (outcome.stopped()) {
            script.putBack();
            return stopped("The unpack of " + map);
        }
        if (!outcome.succeeded()) throw AppError("The map archive could not be unpacked: " + map);
    } else {
        chosenFolder = intake::takeLevelFolder(state, path);
    }
    intake::analyse(state, program, archive, chosenFolder);
    // Nothing is written yet for a level folder: Ctrl+C so far stops here.
    // From here on the generation, short as it is, runs to its end.
    if (!archive && interrupted()) return stopped("Making the add-on of " + map);
    const std::string earlier = beginConversion(state, program, path, archive);
    if (!earlier.empty()) std::fprintf(stderr, "%s\n", earlier.c_str());
    // Scripts the user changed since Tarnwick wrote them are kept, or with
    // --replace copied aside first.
    const std::string addon = addonDir(program, state);
    // An add-on whose conversion has areas or pathmaps is made anew only on
    // request, after its work is copied aside.
    std::string setAside;
    if (const state::LoadedRecord saved = state::loadRecord(addon); saved.kind == state::LoadedRecord::Kind::Ok) {
        const std::string work = state::finishedWork(saved.record, addon);
        if (!work.empty() && !parser.isSet(afresh))
            throw AppError("The add-on " + addon + " holds a conversion of " + saved.record.mapName + " with " + work +
                           " (saved " + saved.record.savedAt + " UTC); it was left as it is. Add --afresh to copy its "
                           "areas, StrategicAreas.con, ai.con and " + state::kRecordFileName +
                           " into a dated folder inside the add-on and make the add-on anew, or continue that "
                           "conversion in the wizard (\"Continue a conversion\")");
        if (!work.empty()) {
            setAside = state::copyConversionAside(addon, state::nowStamp());
            state::forgetFinishedWork(state.Record);
            if (fileExists(addon + "tarnwick-areas.txt")) deleteFile(addon + "tarnwick-areas.txt");
        }
    }
    const Lines& scripts = generator::editableScripts();
    const state::OverwritePlan plan = state::planWithoutAsking(state.Record, addon, scripts, parser.isSet(replace));
    generator::AddonRunHooks hooks;
    const bool withShips = parser.isSet(ships), withLandingCrafts = parser.isSet(landingCrafts);
    hooks.readVehicleBoxes = [&] { return std::pair{withShips, withLandingCrafts}; };
    hooks.keep = [&plan](const std::string& entry) { return plan.keeps(entry); };
    const auto result = generator::runAddon(state, program, hooks);
    Lines written;
    for (const std::string& entry : scripts)
        if (!plan.keeps(entry)) written.push_back(entry);
    state::noteWritten(state.Record, state.AddonDir, written);
    state.Record.ships = withShips;
    state.Record.landingCrafts = withLandingCrafts;
    rememberStep(state, program, state::Step::AddonMade);
    if (!plan.keep.empty()) {
        std::string names;
        for (const std::string& entry : plan.keep) names += "\n    " + entry;
        std::fprintf(stderr, "Kept as you changed them (--replace writes them again, after copying them aside):%s\n",
                     names.c_str());
    }
    if (!plan.copiedTo.empty()) std::fprintf(stderr, "%s\n", state::copiedMessage(plan).c_str());
    if (!setAside.empty())
        std::fprintf(stderr, "The earlier conversion's areas, StrategicAreas.con, ai.con and %s were copied to %s.\n",
                     state::kRecordFileName, setAside.c_str());
    std::printf("%s\n", state.AddonDir.c_str());
    if (!result.seedWarning.empty()) std::fprintf(stderr, "%s\n", result.seedWarning.c_str());
    return kDone;
}

} // namespace tw::cli
