// tarnwick-cli pack: the final packing, as the packing page's "Pack" does it.
#include "commands.h"

#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "steps.h"

#include <cstdio>

namespace tw::cli {

int packCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Packs the add-on, with the pathmaps taken over, for good: to the place the first packing used,\n"
        "or to the target given. Ctrl+C stops it and leaves every archive as it was.");
    parser.addPositionalArgument("addon", "The add-on folder (bf1942/levels/<map>_001 in the program folder).");
    parser.addPositionalArgument("target", "A folder or the archive's path (.rfa); default: the first packing's.",
                                 "[<target>]");
    const QCommandLineOption anyway("anyway", "Packs even when the last transfer left pathmaps behind.");
    parser.addOption(anyway);
    if (auto end = parseArguments(parser, arguments, 1, 2)) return *end;
    catchInterrupts();

    const std::string program = programDir();
    state::Conversion state = addonState(program, utf8(parser.positionalArguments().at(0)));
    if (parser.positionalArguments().size() == 2)
        state.PackTarget = packTargetStem(utf8(parser.positionalArguments().at(1)), state);
    else if (state.PackTarget.empty())
        throw AppError("It is not known where the add-on archive goes: give the target, or pack it for the first time "
                       "with tarnwick-cli first-pack. Nothing was written.");
    else
        refuseOnProblems(packing::archivePlaceProblems(state.PackTarget + ".rfa"));
    refuseOnProblems(packing::finalPackingProblems(state));
    if (const std::string stale = packing::staleTransfer(state); !stale.empty() && !parser.isSet(anyway))
        throw AppError(stale + " Repeat the transfer (tarnwick-cli transfer) once the cause is mended, or give "
                       "--anyway to pack it as it is. Nothing was packed");

    // pack.bat as the first packing wrote it for this add-on and target.
    const KeptFile script(program + "pack.bat");
    packing::writePackScript(program, state);
    const auto before = packing::startFinalPacking(program, state);
    const tools::BatchOutcome outcome = runBatch(program, program, "pack.bat");
    if (outcome.stopped()) {
        script.putBack();
        return stopped("The final packing");
    }
    packing::checkFinalPacking(program, state, outcome.succeeded(), before);
    const std::string packed = packing::packedArchive(program, state), target = state.PackTarget + ".rfa";
    if (!copyFile(packed, target)) throw AppError("The new archive could not be copied to " + target + ".");
    packing::endFinalPacking(program, state);
    std::printf("Packed %s into %s.rfa\n", state.AddonDir.c_str(), state.PackTarget.c_str());
    return kDone;
}

} // namespace tw::cli
