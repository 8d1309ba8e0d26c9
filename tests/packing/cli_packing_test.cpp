// tarnwick-cli first-pack, transfer, pack and merge: what each refuses, one
// command at a time per program folder, and Ctrl+C in the middle of a step.
// Whatever a command refuses or is stopped in, the folders stay as they were.
#include "platform/files.h"
#include "state/conversion_record.h"
#include "support/checksums.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#ifndef _WIN32
#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::string inQuotes(const std::string& s) { return "'" + s + "'"; }

// Whether a test can make a folder read-only: on Windows a folder's
// read-only attribute means nothing, and under Wine nothing else does it.
#ifdef _WIN32
constexpr bool kReadOnlyFolders = false;
#else
constexpr bool kReadOnlyFolders = true;
#endif

// A program folder with the sample's add-on and its areas, a game folder
// with pathmaps and a folder for the archives.
struct Conversion {
    Conversion() {
        program = test::makeProgramFolder(tmp.path() / "program");
        addon = program + "bf1942/levels/DemoMap_001";
        game = tmp.dir() + "Game/";
        out = tmp.dir() + "out/";
        fs::create_directories(game + "bf1942/levels/DemoMap/Pathfinding");
        writeBytes(game + "bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw", std::string(3000, '\x05'));
        fs::create_directories(out);
        fs::copy_file(program + "samples/DemoMap.rfa", out + "DemoMap.rfa");
        ok("addon " + inQuotes(program + "samples/DemoMap.rfa"));
        ok("areas " + inQuotes(addon) + " --from-control-points");
    }
    // `arguments` as one text, the folders in single quotes.
    test::CommandResult cli(const std::string& arguments) const {
        return test::runProgram(program + "tarnwick-cli", test::words(arguments));
    }
    void ok(const std::string& arguments) const {
        const auto r = cli(arguments);
        ASSERT_EQ(r.code, 0) << arguments << "\n" << r.output;
    }
    // All but the program folder's lock file: on Windows it stays, naming
    // the process that held it last.
    std::map<std::string, std::string> folders() const {
        auto all = test::folderChecksums(tmp.path());
        all.erase("program/tarnwick.lock");
        return all;
    }

    TempFolder tmp;
    std::string program, addon, game, out;
};

TEST(TarnwickCliPacking, RefusalsChangeNothing) {
    Conversion c;
    c.ok("first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out) + " --game " + inQuotes(c.game));
    const std::string readOnly = c.tmp.dir() + "read-only/";
    fs::create_directories(readOnly);
    fs::copy_file(c.out + "DemoMap.rfa", readOnly + "DemoMap.rfa");
    fs::permissions(readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // A map archive with a file of another level beside its own.
    const std::string beside = c.tmp.dir() + "beside/";
    c.tmp.write("beside/bf1942/levels/DemoMap/init.con", "rem the level\r\n");
    c.tmp.write("beside/bf1942/levels/Other/init.con", "rem another level\r\n");
    ASSERT_EQ(test::runProgram(c.program + "rfapack", {beside + "bf1942", "bf1942", beside + "DemoMap.rfa"}).code, 0);
    fs::remove_all(beside + "bf1942");

    const std::string missing = inQuotes(c.program + "bf1942/levels/Nowhere_001");
    const std::string addonArchive = inQuotes(c.out + "DemoMap_001.rfa");
    struct Case {
        const char* what;
        std::string arguments;
        int code;
        const char* says;
        std::string readOnlyFolder = {};  // made read-only for this case only
        bool newerRecord = false;         // the add-on's record written by a newer Tarnwick
        bool inReadOnlyFolder = false;    // the target is the read-only folder
    };
    fs::create_directories(c.addon + "/Pathfinding");
    const Case cases[] = {
        {"first-pack, no add-on", "first-pack " + missing + " " + inQuotes(c.out), 1, "There is no add-on folder"},
        {"transfer, no add-on", "transfer " + missing + " --game " + inQuotes(c.game), 1, "There is no add-on folder"},
        {"pack, no add-on", "pack " + missing, 1, "There is no add-on folder"},
        {"first-pack, not an add-on", "first-pack " + inQuotes(c.out) + " " + inQuotes(c.out), 1, "is not an add-on"},
        {"first-pack, read-only target", "first-pack " + inQuotes(c.addon) + " " + inQuotes(readOnly), 1, "is read-only",
         {}, false, true},
        {"first-pack, archive there", "first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out), 1, "--replace"},
        {"pack, read-only target", "pack " + inQuotes(c.addon) + " " + inQuotes(readOnly + "x.rfa"), 1, "is read-only",
         {}, false, true},
        {"pack, no such folder", "pack " + inQuotes(c.addon) + " " + inQuotes(c.tmp.dir() + "nowhere/x.rfa"), 1,
         "does not exist"},
        {"merge, no map archive", "merge " + inQuotes(c.out + "Nowhere.rfa") + " " + addonArchive, 1,
         "There is no map archive"},
        {"merge, map archive read-only", "merge " + inQuotes(readOnly + "DemoMap.rfa") + " " + addonArchive, 1,
         "is read-only", {}, false, true},
        {"merge, files beside the level", "merge " + inQuotes(beside + "DemoMap.rfa") + " " + addonArchive, 1,
         "bf1942/levels/other/init.con, which lies outside"},
        {"merge, backup and delete", "merge " + inQuotes(c.out + "DemoMap.rfa") + " " + addonArchive +
                                         " --delete-add-on --backup " + inQuotes(c.out + "b.rfa"), 2, "Give either"},
        {"transfer, read-only Pathfinding", "transfer " + inQuotes(c.addon) + " --game " + inQuotes(c.game), 1,
         "Pathfinding/ is read-only, so the pathmaps cannot be copied into it", c.addon + "/Pathfinding"},
        {"first-pack, a newer record", "first-pack " + inQuotes(c.addon) + " " + inQuotes(c.tmp.dir() + "newer/"), 1,
         "was written by a newer Tarnwick (record version 3", {}, true},
        {"pack, a newer record", "pack " + inQuotes(c.addon), 1, "continue it with that Tarnwick", {}, true},
    };
    fs::create_directories(c.tmp.dir() + "newer/");
    const std::string record = c.addon + "/tarnwick-conversion.txt";
    const std::string saved = readBytes(record);
    ASSERT_EQ(saved.rfind("Tarnwick conversion, version 2\n", 0), 0u);
    constexpr auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const Case& k : cases) {
        if (!kReadOnlyFolders && (k.inReadOnlyFolder || !k.readOnlyFolder.empty())) continue;
        if (!k.readOnlyFolder.empty()) fs::permissions(k.readOnlyFolder, writeBits, fs::perm_options::remove);
        if (k.newerRecord) writeBytes(record, "Tarnwick conversion, version 3\n" + saved.substr(saved.find('\n') + 1));
        const auto before = c.folders();
        const auto r = c.cli(k.arguments);
        if (!k.readOnlyFolder.empty()) fs::permissions(k.readOnlyFolder, fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(r.code, k.code) << k.what << "\n" << r.output;
        EXPECT_NE(r.output.find(k.says), std::string::npos) << k.what << "\n" << r.output;
        EXPECT_EQ(c.folders(), before) << k.what;
        if (k.newerRecord) writeBytes(record, saved);
    }
}

// Making the add-on again redoes the scripts only: the game folder, the
// first packing's target and the pathmap transfer stay in its record.
TEST(TarnwickCliPacking, MakingTheAddonAgainKeepsWhatItDoesNotRedo) {
    Conversion c;
    c.ok("first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out) + " --game " + inQuotes(c.game));
    c.ok("transfer " + inQuotes(c.addon));
    const auto record = [&] { return state::loadRecord(c.addon + "/").record; };
    const state::ConversionRecord before = record();
    ASSERT_TRUE(before.has(state::Step::PathmapsTransferred));
    c.ok("addon " + inQuotes(c.program + "samples/DemoMap.rfa") + " --afresh");  // asked for: it has pathmaps
    const state::ConversionRecord after = record();
    EXPECT_EQ(after.gamePath, before.gamePath);
    EXPECT_EQ(after.packTarget, before.packTarget);
    EXPECT_EQ(after.pathmaps, before.pathmaps);
    for (const auto step : {state::Step::GameFolderConfirmed, state::Step::FirstPacked,
                            state::Step::PathmapsTransferred})
        EXPECT_EQ(after.has(step), before.has(step)) << state::stepKey(step);
}

// A transfer from an empty pathmap folder copies nothing, says so, and
// leaves the record without the pathmaps: "Continue" lists none that never came.
TEST(TarnwickCliPacking, AnEmptyTransferMarksNothingTransferred) {
    Conversion c;
    fs::remove(c.game + "bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw");
    c.ok("first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out) + " --game " + inQuotes(c.game));
    const auto r = c.cli("transfer " + inQuotes(c.addon));
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(r.output.find("No pathmaps to copy were found in"), std::string::npos) << r.output;
    const state::ConversionRecord record = state::loadRecord(c.addon + "/").record;
    EXPECT_FALSE(record.has(state::Step::PathmapsTransferred));
    EXPECT_TRUE(record.pathmaps.empty());
}

#ifndef _WIN32
// (Linux only: the pathmap is made unreadable through its mode bits, which
// Windows does not have.)
// After a transfer that left a pathmap behind, pack refuses unless given
// --anyway; a later transfer that copies everything lets it pack again.
TEST(TarnwickCliPacking, PackAfterAFailedTransferNeedsAnyway) {
    Conversion c;
    c.ok("first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out) + " --game " + inQuotes(c.game));
    const std::string pathmap = c.game + "bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw";
    const std::string pack = "pack " + inQuotes(c.addon);
    struct Step {
        fs::perms pathmapMode;  // the game's pathmap at the transfer before
        std::string arguments;
        int code;
        const char* says;
    };
    for (const Step& k : {Step{fs::perms::none, pack, 1, "did not copy this pathmap"},
                          Step{fs::perms::none, pack + " --anyway", 0, "Packed"},
                          Step{fs::perms::owner_read, pack, 0, "Packed"}}) {
        fs::permissions(pathmap, k.pathmapMode);
        c.cli("transfer " + inQuotes(c.addon));
        const auto r = c.cli(k.arguments);
        EXPECT_EQ(r.code, k.code) << k.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(k.says), std::string::npos) << k.arguments << "\n" << r.output;
    }
}

#endif

#ifndef _WIN32
// (Linux only: the batch runner is replaced by a shell script that holds it,
// and the command is stopped with SIGINT.)
// A command started in the background, its output in a file.
struct Background {
    Background(const std::string& command, const std::string& log, const std::string& pauseAt, const std::string& paused) {
        pid = ::fork();
        if (pid == 0) {
            ::setenv("TW_PAUSE_AT", pauseAt.c_str(), 1);
            ::setenv("TW_PAUSED", paused.c_str(), 1);
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    int wait() const {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_t pid;
};

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 600 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path);
}

// Each step is held after its batch has done all its work (archives made,
// copied over the earlier ones), as if it were about to end: meanwhile every
// other command is refused; Ctrl+C then stops it, and the folders are as
// they were before it started.
TEST(TarnwickCliPacking, OneCommandAtATimeAndCtrlCLeavesTheFoldersAsBefore) {
    Conversion c;
    TempFolder side;  // the held runner's sign and the commands' output
    // The batch runner, held after the batch named in TW_PAUSE_AT.
    const std::string runner = c.program + "tarnwick-batch";
    fs::rename(runner, runner + ".real");
    writeBytes(runner, "#!/bin/sh\n\"$0.real\" \"$@\"\nstatus=$?\n"
                       "if [ \"$1\" = \"$TW_PAUSE_AT\" ]; then : > \"$TW_PAUSED\"; sleep 60; fi\nexit $status\n");
    fs::permissions(runner, fs::perms::owner_all);

    const std::string firstPack = "first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out) + " --game " + inQuotes(c.game);
    const std::string merge = "merge " + inQuotes(c.out + "DemoMap.rfa") + " " + inQuotes(c.out + "DemoMap_001.rfa");
    struct Case {
        const char* what;
        std::vector<std::string> before;  // run to its end first
        std::string held;                 // stopped with Ctrl+C
        std::string refused;              // tried while it is held
        const char* pauseAt = "pack.bat";
    };
    const Case cases[] = {
        {"first packing", {}, firstPack, "transfer " + inQuotes(c.addon)},
        {"final packing", {firstPack, "transfer " + inQuotes(c.addon)}, "pack " + inQuotes(c.addon),
         "addon " + inQuotes(c.program + "samples/DemoMap.rfa")},
        // This merge would change the merged archive: the network fix rewrites two scripts.
        {"network merge", {"pack " + inQuotes(c.addon), merge}, merge + " --older-version-fix",
         "areas " + inQuotes(c.addon) + " --from-control-points"},
        {"unpack of a map archive", {}, "addon " + inQuotes(c.program + "samples/DemoMap.rfa"),
         "pack " + inQuotes(c.addon), "unpack.bat"},
    };
    for (const Case& k : cases) {
        for (const std::string& arguments : k.before) c.ok(arguments);
        const auto before = c.folders();
        const std::string paused = side.dir() + "paused", log = side.dir() + "log";
        Background held(inQuotes(c.program + "tarnwick-cli") + " " + k.held, log, k.pauseAt, paused);
        ASSERT_TRUE(waitForFile(paused)) << k.what << "\n" << readBytes(log);

        const auto refused = c.cli(k.refused);
        EXPECT_EQ(refused.code, 1) << k.what;
        EXPECT_NE(refused.output.find("already running on this program folder"), std::string::npos)
            << k.what << "\n" << refused.output;

        ::kill(held.pid, SIGINT);
        EXPECT_EQ(held.wait(), 1) << k.what;
        EXPECT_NE(readBytes(log).find("Stopped:"), std::string::npos) << k.what << "\n" << readBytes(log);
        EXPECT_EQ(c.folders(), before) << k.what << "\n" << readBytes(log);
        fs::remove(paused);
    }
}
#endif

} // namespace
} // namespace tw
