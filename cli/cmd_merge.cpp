// tarnwick-cli merge: the network merge of the packing page's "Network ?"
// box: "Unpack", then "Connect map and addon", with every check they make.
#include "commands.h"

#include "intake/analysis.h"
#include "packing/operations.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "steps.h"

#include <cstdio>

namespace tw::cli {
namespace {

std::string archiveArgument(const QString& given, const char* what) {
    const std::string path = absolutePath(utf8(given));
    if (!fileExists(path)) throw AppError("There is no " + std::string(what) + " archive " + path + ". Nothing was changed.");
    if (path.size() <= 4 || !equalsIgnoreCase(path.substr(path.size() - 4), ".rfa"))
        throw AppError("The " + std::string(what) + " archive " + path + " does not end in .rfa. Nothing was changed.");
    return path;
}

} // namespace

int mergeCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Puts a map archive and its add-on archive together into one archive for network games, in\n"
        "place of the map archive. The add-on archive is left where it is unless --delete-add-on or\n"
        "--backup is given; either happens only once the merged archive holds every file of both.\n"
        "Ctrl+C stops it and leaves every archive as it was.");
    parser.addPositionalArgument("map", "The map archive, named after its level (<map>.rfa).");
    parser.addPositionalArgument("addon", "The add-on archive (<map>_001.rfa).");
    const QCommandLineOption backup("backup", "Moves the add-on archive to this file afterwards.", "file");
    const QCommandLineOption deleteAddon("delete-add-on", "Deletes the add-on archive afterwards.");
    const QCommandLineOption fix("older-version-fix", "An add-on from an older version: mends its network scripts.");
    parser.addOptions({backup, deleteAddon, fix});
    if (auto end = parseArguments(parser, arguments, 2, 2)) return *end;
    if (parser.isSet(backup) && parser.isSet(deleteAddon)) {
        std::fprintf(stderr, "Give either --backup or --delete-add-on.\nSee: tarnwick-cli help merge\n");
        return kBadUsage;
    }
    catchInterrupts();

    const std::string program = programDir();
    packing::MergeOrder order;
    order.mapArchive = archiveArgument(parser.positionalArguments().at(0), "map");
    order.addonArchive = archiveArgument(parser.positionalArguments().at(1), "add-on");
    order.mapName = intake::withoutExtension(nameOf(order.mapArchive));
    order.addonName = intake::withoutExtension(nameOf(order.addonArchive));
    order.deleteAddon = parser.isSet(deleteAddon);
    order.backupAddon = parser.isSet(backup);
    if (order.backupAddon) order.backup = absolutePath(utf8(parser.value(backup)));
    order.networkFix = parser.isSet(fix);
    // Everything that can be known before unpacking is checked first, so a
    // refused merge changes nothing.
    refuseOnProblems(packing::unpackProblems(program, order));
    refuseOnProblems(packing::archivePlaceProblems(order.mapArchive));
    if (order.backupAddon) refuseOnProblems(packing::archivePlaceProblems(order.backup));
    refuseOnProblems(packing::archiveProblems(order));

    const std::string network = packing::networkDir(program);
    const KeptFile unpackScript(network + "unpack.bat"), packScript(network + "pack.bat");
    const auto putBack = [&] {
        unpackScript.putBack();
        packScript.putBack();
    };
    const std::string aside = packing::startUnpack(program, order);
    // Until the merge has ended, the earlier merged folder waits aside: any
    // other end brings it back.
    bool done = false;
    struct Settle {
        const std::string& aside;
        const bool& done;
        ~Settle() { packing::endUnpack(aside, done); }
    } settle{aside, done};

    tools::BatchOutcome outcome = runBatch(program, network, "unpack.bat");
    if (outcome.stopped()) {
        putBack();
        return stopped("The network merge");
    }
    if (!outcome.succeeded())
        throw AppError("Unpacking map and add-on failed (the lines above say why); nothing was packed or deleted.");
    refuseOnProblems(packing::unpackedProblems(program, order));
    packing::startConnect(program, order);
    outcome = runBatch(program, network, "pack.bat");
    if (outcome.stopped()) {
        putBack();
        return stopped("The network merge");
    }
    packing::endConnect(program, order, outcome.succeeded());
    done = true;
    std::printf("Merged %s and %s into %s%s\n", order.mapArchive.c_str(), order.addonArchive.c_str(),
                order.mapArchive.c_str(),
                order.backupAddon   ? ("; the add-on archive was moved to " + order.backup).c_str()
                : order.deleteAddon ? "; the add-on archive was deleted"
                                    : "");
    return kDone;
}

} // namespace tw::cli
