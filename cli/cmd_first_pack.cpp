// tarnwick-cli first-pack: the first packing, as the packing page's "Your
// addon gets packed for the first time ..." does it.
#include "commands.h"

#include "packing/operations.h"
#include "packing/packing_rules.h"
#include "platform/services.h"
#include "platform/errors.h"
#include "steps.h"

#include <cstdio>

namespace tw::cli {
namespace {

// The wizard's question before replacing an archive, answered by the
// command line.
class AnsweringMessages : public Messages {
public:
    explicit AnsweringMessages(int answer) : answer_(answer) {}
    void error(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void info(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    int ask(const std::string&, const std::vector<std::string>&) override { return answer_; }

private:
    int answer_;
};

} // namespace

int firstPackCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Packs the add-on for the first time, so that the game can generate its pathmaps: the archive\n"
        "<map>_001.rfa is made in the program folder and copied to the target, and the state the pathmap\n"
        "transfer needs is saved (temp/pathf.bf). Ctrl+C stops it and removes what it had made.");
    parser.addPositionalArgument("addon", "The add-on folder (bf1942/levels/<map>_001 in the program folder).");
    parser.addPositionalArgument("target", "A folder (the archive is <map>_001.rfa there) or the archive's path (.rfa).");
    const QCommandLineOption game("game", "The game's folder, where it will put the pathmaps (default: the one the "
                                          "wizard remembers).", "folder");
    const QCommandLineOption replace("replace", "Replaces an archive already at the target, after copying it to "
                                                "<archive>.bak beside it.");
    parser.addOptions({game, replace});
    if (auto end = parseArguments(parser, arguments, 2, 2)) return *end;
    catchInterrupts();

    const std::string program = programDir();
    state::Conversion state = addonState(program, utf8(parser.positionalArguments().at(0)));
    if (parser.isSet(game)) state.GamePath = gameFolder(utf8(parser.value(game)));
    refuseOnProblems(packing::firstPackingProblems(state));
    const std::string target = packTargetStem(utf8(parser.positionalArguments().at(1)), state);

    refuseOnProblems(packing::firstPackingTargetProblems(program, state, target));
    // An archive already at the target is replaced only when asked to, and
    // copied first.
    AnsweringMessages answers(parser.isSet(replace) ? 0 : 1);
    if (!packing::mayReplaceArchive(answers, target + ".rfa"))
        throw AppError(target + ".rfa exists already. Give --replace to replace it (its present version is copied "
                       "beside it first), or choose another target. Nothing was packed.");
    const KeptFile script(program + "pack.bat");
    packing::startFirstPacking(program, state, target);
    const tools::BatchOutcome outcome = runBatch(program, program, "pack.bat");
    if (outcome.stopped()) {
        script.putBack();
        return stopped("The first packing");
    }
    if (!outcome.succeeded() ||
        packing::firstPackingProgress(program, state) != packing::FirstPackingProgress::Copied)
        throw AppError(packing::firstPackingNotMade(program, state));
    packing::endFirstPacking(program, state);
    std::printf("Packed %s into %s.rfa; the state for the pathmap transfer is in %s\n", state.AddonDir.c_str(),
                target.c_str(), packing::packingStateFile(program).c_str());
    return kDone;
}

} // namespace tw::cli
