// Level files that are pipes or devices, through tarnwick-cli: refused at
// once with a clear message, never waited on or read without end.
#include "support/checksums.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::string programFolder(const TempFolder& tmp) { return test::makeProgramFolder(tmp.path() / "Tarnwick"); }

TEST(HostileLevelFiles, PipesAndDevicesAreRefusedAtOnce) {
    struct Case {
        const char* what;
        const char* file;  // below the level folder
        bool pipe;         // a named pipe, else a link to /dev/zero
        const char* shown; // the file the message names
    };
    const std::vector<Case> cases = {
        {"terrain pipe", "init/terrain.con", true, "Map/init/terrain.con"},
        {"terrain /dev/zero", "init/terrain.con", false, "Map/init/terrain.con"},
        {"spawns /dev/zero", "conquest/SoldierSpawns.con", false, nullptr},
        {"spawns pipe", "conquest/ObjectSpawns.con", true, nullptr},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        const std::string program = programFolder(tmp);
        tmp.write("Map/init.con", "run init/terrain\r\n");
        tmp.write("Map/init/terrain.con", "GeometryTemplate.worldSize 2048\r\n");
        for (const char* f : {"SoldierSpawns.con", "ObjectSpawns.con"}) tmp.write(std::string("Map/conquest/") + f, "");
        const fs::path special = tmp.path() / "Map" / c.file;
        fs::remove(special);
        if (c.pipe) ASSERT_EQ(::mkfifo(special.c_str(), 0644), 0);
        else fs::create_symlink("/dev/zero", special);
        const auto programBefore = test::folderChecksums(program);
        const auto sourceBefore = test::folderChecksums(tmp.path() / "Map");

        const test::CommandResult r =
            test::runProgram(program + "tarnwick-cli", {"addon", tmp.dir() + "Map/init.con"}, {.timeoutSeconds = 60});
        EXPECT_EQ(r.code, 1) << c.what << ": " << r.output;  // -1 would be a wait or an endless read
        if (c.shown) {
            EXPECT_EQ(r.output, "The level file " + tmp.dir() + c.shown +
                                    " is not an ordinary file (a pipe, a device or a folder); it was not read.\n")
                << c.what;
            EXPECT_EQ(test::folderChecksums(program), programBefore) << c.what;
        } else {
            // The spawn file is not copied into the add-on, so it is missing there.
            EXPECT_NE(r.output.find("kann nicht ge\xC3\xB6" "ffnet werden"), std::string::npos) << c.what << r.output;
            for (const auto& [path, sum] : programBefore)
                if (path.rfind("bf1942/levels", 0) != 0) {
                    EXPECT_EQ(test::folderChecksums(program)[path], sum) << path;
                }
        }
        EXPECT_EQ(test::folderChecksums(tmp.path() / "Map"), sourceBefore) << c.what;
    }
}

} // namespace
} // namespace tw
