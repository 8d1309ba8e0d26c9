// tarnwick-cli first-pack, transfer, pack and merge: what each refuses, one
// command at a time per program folder, and Ctrl+C in the middle of a step.
// Whatever a command refuses or is stopped in, the folders stay as they were.
#include "platform/files.h"
#include "support/checksums.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::string inQuotes(const std::string& s) { return "'" + s + "'"; }

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
    test::CommandResult cli(const std::string& arguments) const {
        return test::runCommand(inQuotes(program + "tarnwick-cli") + " " + arguments);
    }
    void ok(const std::string& arguments) const {
        const auto r = cli(arguments);
        ASSERT_EQ(r.code, 0) << arguments << "\n" << r.output;
    }
    std::map<std::string, std::string> folders() const { return test::folderChecksums(tmp.path()); }

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
    ASSERT_EQ(test::runCommand(inQuotes(c.program + "rfapack") + " " + inQuotes(beside + "bf1942") + " bf1942 " +
                               inQuotes(beside + "DemoMap.rfa")).code, 0);
    fs::remove_all(beside + "bf1942");

    const std::string missing = inQuotes(c.program + "bf1942/levels/Nowhere_001");
    const std::string addonArchive = inQuotes(c.out + "DemoMap_001.rfa");
    struct Case {
        const char* what;
        std::string arguments;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {"first-pack, no add-on", "first-pack " + missing + " " + inQuotes(c.out), 1, "There is no add-on folder"},
        {"transfer, no add-on", "transfer " + missing + " --game " + inQuotes(c.game), 1, "There is no add-on folder"},
        {"pack, no add-on", "pack " + missing, 1, "There is no add-on folder"},
        {"first-pack, not an add-on", "first-pack " + inQuotes(c.out) + " " + inQuotes(c.out), 1, "is not an add-on"},
        {"first-pack, read-only target", "first-pack " + inQuotes(c.addon) + " " + inQuotes(readOnly), 1, "is read-only"},
        {"first-pack, archive there", "first-pack " + inQuotes(c.addon) + " " + inQuotes(c.out), 1, "--replace"},
        {"pack, read-only target", "pack " + inQuotes(c.addon) + " " + inQuotes(readOnly + "x.rfa"), 1, "is read-only"},
        {"pack, no such folder", "pack " + inQuotes(c.addon) + " " + inQuotes(c.tmp.dir() + "nowhere/x.rfa"), 1,
         "does not exist"},
        {"merge, no map archive", "merge " + inQuotes(c.out + "Nowhere.rfa") + " " + addonArchive, 1,
         "There is no map archive"},
        {"merge, map archive read-only", "merge " + inQuotes(readOnly + "DemoMap.rfa") + " " + addonArchive, 1,
         "is read-only"},
        {"merge, files beside the level", "merge " + inQuotes(beside + "DemoMap.rfa") + " " + addonArchive, 1,
         "bf1942/levels/other/init.con, which lies outside"},
        {"merge, backup and delete", "merge " + inQuotes(c.out + "DemoMap.rfa") + " " + addonArchive +
                                         " --delete-add-on --backup " + inQuotes(c.out + "b.rfa"), 2, "Give either"},
    };
    for (const Case& k : cases) {
        const auto before = c.folders();
        const auto r = c.cli(k.arguments);
        EXPECT_EQ(r.code, k.code) << k.what << "\n" << r.output;
        EXPECT_NE(r.output.find(k.says), std::string::npos) << k.what << "\n" << r.output;
        EXPECT_EQ(c.folders(), before) << k.what;
    }
}

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
    };
    const Case cases[] = {
        {"first packing", {}, firstPack, "transfer " + inQuotes(c.addon)},
        {"final packing", {firstPack, "transfer " + inQuotes(c.addon)}, "pack " + inQuotes(c.addon),
         "addon " + inQuotes(c.program + "samples/DemoMap.rfa")},
        // This merge would change the merged archive: the network fix rewrites two scripts.
        {"network merge", {"pack " + inQuotes(c.addon), merge}, merge + " --older-version-fix",
         "areas " + inQuotes(c.addon) + " --from-control-points"},
    };
    for (const Case& k : cases) {
        for (const std::string& arguments : k.before) c.ok(arguments);
        const auto before = c.folders();
        const std::string paused = side.dir() + "paused", log = side.dir() + "log";
        Background held(inQuotes(c.program + "tarnwick-cli") + " " + k.held, log, "pack.bat", paused);
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

} // namespace
} // namespace tw
