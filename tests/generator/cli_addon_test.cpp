// tarnwick-cli: the add-on run from the command line, in the program folder
// the tool lives in.
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

using Result = test::CommandResult;

// tarnwick-cli of the program folder `program`.
Result cli(const std::string& program, const std::vector<std::string>& arguments, const test::RunOptions& options = {}) {
    return test::runProgram(program + "tarnwick-cli", arguments, options);
}

std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).generic_string();
        if (!e.is_regular_file()) {
            tree[rel + "/"] = "";
            continue;
        }
        std::ifstream in(e.path(), std::ios::binary);
        tree[rel] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return tree;
}

TEST(TarnwickCli, ArchiveAndFolderGiveTheSameAddon) {
    TempFolder tmp;
    const std::string a = test::makeProgramFolder(tmp.path() / "A"), b = test::makeProgramFolder(tmp.path() / "B");
    const std::string samples = a + "samples/";
    const Result fromArchive = cli(a, {"addon", test::sampleArchive(), "--ships"});
    ASSERT_EQ(fromArchive.code, 0) << fromArchive.output;
    EXPECT_NE(fromArchive.output.find(test::native(a + "bf1942/levels/DemoMap_001/") + "\n"), std::string::npos) << fromArchive.output;
    const Result fromFolder = cli(b, {"addon", "DemoMap/init.con", "--ships"}, {.folder = samples});
    ASSERT_EQ(fromFolder.code, 0) << fromFolder.output;

    auto treeA = treeOf(a + "bf1942/levels/DemoMap_001");
    EXPECT_EQ(treeA.size(), 24u);  // 19 files, 4 folders and the conversion's record
    auto treeB = treeOf(b + "bf1942/levels/DemoMap_001");
    // The records differ in where the map came from, and when.
    treeA.erase("tarnwick-conversion.txt");
    treeB.erase("tarnwick-conversion.txt");
    EXPECT_EQ(treeA, treeB);
    EXPECT_EQ(treeA.at("AIPathFinding.con").find("rem *** Boat ***") != std::string::npos, true);
    EXPECT_FALSE(fs::exists(a + "DemoMap.rfa"));  // the unpacking's copy is gone
}

// A level whose object spawns give no seed point: the add-on is made, and
// standard error says what the wizard's message says.
TEST(TarnwickCli, SearchMapsWithoutSeedPointsAreNamedOnStandardError) {
    TempFolder tmp;
    const std::string a = test::makeProgramFolder(tmp.path() / "A");
    fs::copy(fs::path(test::sampleLevel()).parent_path(), tmp.path() / "Map", fs::copy_options::recursive);
    tmp.write("Map/conquest/ObjectSpawns.con", "object.absolutePosition v_nowhere\n");
    const Result r = cli(a, {"addon", tmp.dir() + "Map/init.con"}, {.keep = test::RunOptions::Keep::Errors});
    EXPECT_EQ(r.code, 0);
    const std::string addon = a + "bf1942/levels/Map_001/";
    EXPECT_EQ(r.output,
              "The add-on of Map is made, but some of its pathmaps have no seed point.\n"
              "The search maps Tank0 and Car4 get no seed point: " + test::native(addon + "Singleplayer/ObjectSpawns.con") + " has 1 "
              "position line, 1 of them could not be resolved (a variable not set earlier in the file, v_arg1, or an "
              "expression).\n"
              "The game's pathmap generation spreads out from these points and blocks every place it does not reach, "
              "so the bots would stand still. Write the points into the ai.setMapSpawnPoints lines of " +
              test::native(addon + "AIPathFinding.con") + " as x/z,x/z,... (the script editor opens it as AIPathfinding.con), or give the spawn "
              "file position lines with the numbers written out and start again.\n");
}

TEST(TarnwickCli, FailuresExitNonZeroWithTheWizardsText) {
    TempFolder tmp;
    const std::string a = test::makeProgramFolder(tmp.path() / "A");
    const Result missing = cli(a, {"addon", "/nonexistent/MyMap/init.con"});
    EXPECT_EQ(missing.code, 1);
    // "/" is the root of the current drive on Windows.
    const std::string root = test::native(test::utf8Text(fs::absolute("/")));
    EXPECT_EQ(missing.output, "Datei " + root + test::native("nonexistent/MyMap/init/terrain.con") + " kann nicht ge\xC3\xB6" "ffnet werden. "
                              "Das System kann den angegebenen Pfad nicht finden.\n");
    fs::remove_all(a + "bf1942");
    tmp.write("Map/init.con", "");
    tmp.write("Map/init/terrain.con", "GeometryTemplate.worldSize 2048\r\n");
    const Result noLevels = cli(a, {"addon", tmp.dir() + "Map/init.con"});
    EXPECT_EQ(noLevels.code, 1);
    EXPECT_EQ(noLevels.output, "Ung\xC3\xBCltiger Dateiname.\n");
    EXPECT_NE(cli(a, {"addon"}).code, 0);
    EXPECT_NE(cli(a, {"addon", "x.txt"}).code, 0);
}

// Again over an add-on whose ai.con the user changed: kept, and said so; with
// --replace copied into a dated folder first, then written again.
TEST(TarnwickCli, ChangedScriptsAreKeptOrCopiedBeforeReplacing) {
    for (const bool replace : {false, true}) {
        TempFolder tmp;
        const std::string program = test::makeProgramFolder(tmp.path() / "A");
        const std::vector<std::string> addonOfSample = {"addon", program + "samples/DemoMap/init.con"};
        const std::string addon = program + "bf1942/levels/DemoMap_001/";
        ASSERT_EQ(cli(program, addonOfSample).code, 0);
        const std::string generated = tmp.read("A/bf1942/levels/DemoMap_001/ai.con");
        tmp.write("A/bf1942/levels/DemoMap_001/ai.con", generated + "rem mine\r\n");
        std::vector<std::string> arguments = addonOfSample;
        if (replace) arguments.push_back("--replace");
        const Result again = cli(program, arguments);
        ASSERT_EQ(again.code, 0) << again.output;
        std::vector<fs::path> copies;
        for (const auto& e : fs::directory_iterator(addon))
            if (e.path().filename().string().rfind("tarnwick-replaced-", 0) == 0) copies.push_back(e.path());
        EXPECT_EQ(tmp.read("A/bf1942/levels/DemoMap_001/ai.con"), replace ? generated : generated + "rem mine\r\n");
        ASSERT_EQ(copies.size(), replace ? 1u : 0u);
        if (replace) {
            ASSERT_TRUE(fs::exists(copies[0] / "ai.con"));  // the file's letter case, not the list's
            std::ifstream in(copies[0] / "ai.con", std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), generated + "rem mine\r\n");
            EXPECT_NE(again.output.find("copied to " + test::native(test::utf8Text(copies[0]) + "/")), std::string::npos) << again.output;
        } else {
            EXPECT_NE(again.output.find("Kept as you changed them"), std::string::npos) << again.output;
            EXPECT_NE(again.output.find("\n    AI.con\n"), std::string::npos) << again.output;
        }
    }
}

// An add-on whose conversion has transferred pathmaps is left as it is
// unless --afresh asks for it; then its work is copied aside first.
TEST(TarnwickCli, AConversionWithPathmapsIsMadeAnewOnlyWhenAskedTo) {
    TempFolder tmp;
    const std::string program = test::makeProgramFolder(tmp.path() / "A");
    const std::vector<std::string> addonOfSample = {"addon", program + "samples/DemoMap/init.con"};
    const std::string addon = program + "bf1942/levels/DemoMap_001/";
    ASSERT_EQ(cli(program, addonOfSample).code, 0);
    std::string record = tmp.read("A/bf1942/levels/DemoMap_001/tarnwick-conversion.txt");
    const size_t at = record.find("pathmaps 0\n");
    ASSERT_NE(at, std::string::npos) << record;
    record.replace(at, 11, "pathmaps 1\npathmap Tank0Level1Map.raw\n");
    tmp.write("A/bf1942/levels/DemoMap_001/tarnwick-conversion.txt", record);
    const auto before = treeOf(addon);
    const Result refused = cli(program, addonOfSample);
    EXPECT_NE(refused.code, 0);
    EXPECT_NE(refused.output.find("holds a conversion of DemoMap with transferred pathmaps"), std::string::npos)
        << refused.output;
    EXPECT_NE(refused.output.find("Add --afresh"), std::string::npos) << refused.output;
    EXPECT_EQ(treeOf(addon), before);
    std::vector<std::string> afreshArguments = addonOfSample;
    afreshArguments.push_back("--afresh");
    const Result afresh = cli(program, afreshArguments);
    ASSERT_EQ(afresh.code, 0) << afresh.output;
    std::vector<fs::path> copies;
    for (const auto& e : fs::directory_iterator(addon))
        if (e.path().filename().string().rfind("tarnwick-replaced-", 0) == 0) copies.push_back(e.path());
    ASSERT_EQ(copies.size(), 1u);
    auto copied = treeOf(copies[0]);
    EXPECT_EQ(copied, (std::map<std::string, std::string>{{"AI/", ""},
                                                          {"AI/StrategicAreas.con", before.at("AI/StrategicAreas.con")},
                                                          {"ai.con", before.at("ai.con")},
                                                          {"tarnwick-conversion.txt", record}}));
    EXPECT_NE(afresh.output.find("copied to " + test::native(test::utf8Text(copies[0]) + "/")), std::string::npos) << afresh.output;
    EXPECT_NE(tmp.read("A/bf1942/levels/DemoMap_001/ai.con").find("ai.createallmaps"), std::string::npos);
    // The pathmaps stay in the add-on's Pathfinding folder, and so in its record.
    EXPECT_NE(tmp.read("A/bf1942/levels/DemoMap_001/tarnwick-conversion.txt").find("\npathmap Tank0Level1Map.raw\n"),
              std::string::npos);
}

// The command table: usage mistakes end with 2 and say where help is, help
// ends with 0 and describes the command asked for.
TEST(TarnwickCli, UsageAndHelp) {
    TempFolder tmp;
    const std::string program = test::makeProgramFolder(tmp.path() / "A");
    const struct {
        std::string args;
        int code;
        std::string shown;
    } cases[] = {
        {"", 2, "Usage: tarnwick-cli <command>"},
        {"bogus", 2, "Unknown command: bogus"},
        {"addon", 2, "Too few arguments."},
        {"addon a b", 2, "Too many arguments."},
        {"addon --nonsense x", 2, "Unknown option 'nonsense'."},
        {"areas x", 2, "Give either a description file or --from-control-points."},
        {"areas x y --from-control-points", 2, "Give either a description file or --from-control-points."},
        {"--help", 0, "  areas "},
        {"help addon", 0, "Usage: tarnwick-cli addon [options] map"},
        {"areas --help", 0, "Usage: tarnwick-cli areas [options] addon"},
        {"help nothing", 2, "Unknown command: nothing"},
    };
    for (const auto& c : cases) {
        const Result r = cli(program, test::words(c.args));
        EXPECT_EQ(r.code, c.code) << c.args << ": " << r.output;
        EXPECT_NE(r.output.find(c.shown), std::string::npos) << c.args << ": " << r.output;
    }
}

} // namespace
} // namespace tw
