// tarnwick-cli <command> [arguments]: the wizard's steps without the window.
// Each command is a file of its own (cmd_<name>.cpp); this file holds the
// command table, the overview and the shared argument handling.
#include "commands.h"

#include "cli_common.h"
#include "packing/merged_folder.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/program_lock.h"
#include "tools/run_footprint.h"
#include "platform/text.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>

namespace tw::cli {
namespace {

const Command kCommands[] = {
    {"addon", "make the bot add-on of a level (its init.con or .rfa archive)", addonCommand},
    {"areas", "write an add-on's AI/StrategicAreas.con from its control points or a description", areasCommand},
    {"check", "check an add-on before the game reads it (findings one a line, or --json)", checkCommand},
    {"first-pack", "pack an add-on for the first time, for the game's pathmap generation", firstPackCommand},
    {"transfer", "copy the pathmaps the game generated into the add-on", transferCommand},
    {"pack", "pack the add-on with its pathmaps for good", packCommand},
    {"merge", "put a map archive and its add-on archive together for network games", mergeCommand},
    {"pathmaps", "check an add-on's pathmaps; export them as pictures, read them back, rebuild them", pathmapsCommand},
    {"picture", "write a level's world picture (map picture, tiles, relief) and its height map's layers as PNG",
     pictureCommand},
};

const Command* findCommand(const QString& name) {
    for (const auto& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

void overview(std::FILE* out) {
    std::fputs("Usage: tarnwick-cli <command> [arguments]\n"
               "       tarnwick-cli help <command>     describes one command\n\n"
               "Commands:\n",
               out);
    for (const auto& c : kCommands) std::fprintf(out, "  %-11s %s\n", c.name, c.summary);
    std::fputs("\nExit codes: 0 done, 1 failed (the message says why), 2 bad usage.\n", out);
}

int runCommand(const Command& command, const QStringList& arguments) {
    try {
        return command.run(arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", withFinalPeriod(e.what()).c_str());
        return kFailed;
    }
}

} // namespace

namespace {
// The parser's help names the command as it was called; without a
// QCoreApplication it would not know the name.
std::string helpOf(const QCommandLineParser& parser, const QStringList& arguments) {
    QString text = parser.helpText();
    text.replace("<executable_name>", arguments.value(0, "tarnwick-cli"));
    return utf8(text);
}
} // namespace

std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& arguments, int minPositional,
                                  int maxPositional) {
    const QCommandLineOption help(QStringList{"h", "help"}, "Describes this command.");
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n\n%s", utf8(parser.errorText()).c_str(), helpOf(parser, arguments).c_str());
        return kBadUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(helpOf(parser, arguments).c_str(), stdout);
        return kDone;
    }
    const auto count = parser.positionalArguments().size();
    if (count < minPositional || (maxPositional >= 0 && count > maxPositional)) {
        std::fprintf(stderr, "%s\n\n%s", count < minPositional ? "Too few arguments." : "Too many arguments.",
                     helpOf(parser, arguments).c_str());
        return kBadUsage;
    }
    // Commands that only read run beside the wizard or another command.
    const QString command = arguments.value(0);
    if (command.endsWith(" check") || command.endsWith(" pathmaps") || command.endsWith(" picture"))
        return std::nullopt;
    return holdProgramFolder();
}

std::optional<int> holdProgramFolder() {
    // One run at a time on a program folder, the wizard's included.
    static std::unique_ptr<ProgramLock> lock;
    if (lock) return std::nullopt;
    std::string refusal;
    lock = lockProgramFolder(programDir(), refusal);
    if (!lock) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return kFailed;
    }
    // As the wizard's start: what runs killed earlier left is cleaned up,
    // now that none can be running.
    tools::cleanUpKilledRuns(programDir() + "temp", programDir());
    const char sep = trailingSeparator(programDir());
    packing::restoreMergedFolders(programDir() + "Network" + sep + "bf1942" + sep + "levels" + sep);
    return std::nullopt;
}

std::string programDir() {
    return platform::ownProgramFolder();
}

} // namespace tw::cli

int main(int argc, char** argv) {
    const std::vector<std::string> given = tw::platform::commandLineArguments(argc, argv);
    using namespace tw::cli;
    QStringList args;
    for (const std::string& a : given) args << QString::fromStdString(a);
    if (args.size() < 2) {
        overview(stderr);
        return kBadUsage;
    }
    const QString first = args.at(1);
    if (first == "--help" || first == "-h") {
        overview(stdout);
        return kDone;
    }
    if (first == "--version") {
        std::printf("tarnwick-cli %s\n", kVersion);
        return kDone;
    }
    if (first == "help") {
        if (args.size() == 2) {
            overview(stdout);
            return kDone;
        }
        const Command* command = findCommand(args.at(2));
        if (!command || args.size() > 3) {
            if (!command) std::fprintf(stderr, "Unknown command: %s\n\n", given[2].c_str());
            overview(stderr);
            return kBadUsage;
        }
        return runCommand(*command, {"tarnwick-cli " + args.at(2), "--help"});
    }
    const Command* command = findCommand(first);
    if (!command) {
        std::fprintf(stderr, "Unknown command: %s\n\n", given[1].c_str());
        overview(stderr);
        return kBadUsage;
    }
    QStringList own = args.mid(2);
    own.prepend("tarnwick-cli " + first);
    return runCommand(*command, own);
}
