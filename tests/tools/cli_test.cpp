// The command-line tools, run as a user would run them.
#include "rfa/archive_builder.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

using Result = test::CommandResult;

// A tool as the build made it, run in `folder` with `arguments`.
Result tool(const std::string& name, const std::vector<std::string>& arguments, const std::string& folder) {
    static const std::map<std::string, std::string> built = {
        {"rfapack", TW_BUILT_RFAPACK}, {"rfaunpack", TW_BUILT_RFAUNPACK}, {"tarnwick-batch", TW_BUILT_BATCH}};
    return test::runProgram(built.at(name), arguments, {.folder = folder});
}

TEST(Tools, PackListAndUnpackAsTheBatchLinesCallThem) {
    TempFolder tmp;
    tmp.write("bf1942/levels/MyMap_001/ai.con", "run AIPathFinding\r\n");
    tmp.write("bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw", std::string(70000, '\x07'));
    const std::string in = tmp.dir();
    Result r = tool("rfapack", {"bf1942/levels/MyMap_001", "bf1942/levels/MyMap", "MyMap_001.rfa"}, in);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("TotalFiles: 2"), std::string::npos) << r.output;
    r = tool("rfapack", {"bf1942/levels/MyMap_001", "bf1942/levels/MyMap", "c.rfa", "-Compress"}, in);
    EXPECT_EQ(r.code, 0) << r.output;

    r = tool("rfaunpack", {"-l", "c.rfa"}, in);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("Compressed archive, 2 entries"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("70000"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("bf1942/levels/MyMap/Pathfinding/Tank0Level1Map.raw"), std::string::npos);

    fs::create_directory(tmp.path() / "out");
    r = tool("rfaunpack", {"MyMap_001.rfa", "out"}, in);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(tmp.read("out/bf1942/levels/MyMap/ai.con"), "run AIPathFinding\r\n");
    r = tool("rfaunpack", {"../c.rfa"}, in + "out");  // default: the working folder
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(tmp.read("out/bf1942/levels/MyMap/Pathfinding/Tank0Level1Map.raw"), std::string(70000, '\x07'));
}

TEST(Tools, FailuresExitNonZeroWithAMessage) {
    TempFolder tmp;
    tmp.write("bad.rfa", "not an archive at all");
    tmp.write("evil.rfa", test::buildArchive(0, {{"../evil.con", "x", 1}}));
    struct Case {
        std::string tool, arguments, says;
    };
    const Case cases[] = {
        {"rfapack", "", "Not enough command line arguments"},
        {"rfapack", "nofolder lvl x.rfa", "Directory does not exist"},
        {"rfapack", ". lvl x.rfa -u", "Unknown option"},
        {"rfaunpack", "bad.rfa", "is damaged"},
        {"rfaunpack", "missing.rfa", "cannot be opened"},
        {"rfaunpack", "evil.rfa", "Nothing was extracted"},
        {"rfaunpack", "bad.rfa nowhere", "is damaged"},
        {"rfaunpack", "", "Usage"},
    };
    for (const Case& c : cases) {
        const Result r = tool(c.tool, test::words(c.arguments), tmp.dir());
        EXPECT_NE(r.code, 0) << c.tool << " " << c.arguments;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.tool << " " << c.arguments << ": " << r.output;
    }
    EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "evil.con"));
}

TEST(Tools, TheBatchRunnerExitsNonZeroWhenALineFailed) {
    TempFolder tmp;
    tmp.write("ok.bat", "copy \"a.txt\" \"b.txt\"\r\n");
    tmp.write("a.txt", "a");
    tmp.write("bad.bat", "copy \"none.txt\" \"b.txt\"\r\n");
    EXPECT_EQ(tool("tarnwick-batch", {"ok.bat"}, tmp.dir()).code, 0);
    EXPECT_EQ(tmp.read("b.txt"), "a");
    const Result bad = tool("tarnwick-batch", {"bad.bat"}, tmp.dir());
    EXPECT_EQ(bad.code, 1);
    // Each line after the working folder, as a console shows it.
    EXPECT_NE(bad.output.find(test::native(tmp.dir()) + ">copy \"none.txt\" \"b.txt\""), std::string::npos) << bad.output;
}

// Names beyond ASCII, within the Windows code page (a with umlaut) and
// beyond it (Polish letters), reach every tool as they were given; a program
// folder works under a name its batch lines (Windows-1252) can carry.
TEST(Tools, NamesInAnyLettersReachTheTools) {
    const struct {
        std::string folder;
        bool inTheCodePage;
    } cases[] = {{"K\xC3\xA4rtchen", true}, {"\xC5\x81\xC3\xB3" "d\xC5\xBA", false}};
    for (const auto& [folder, inTheCodePage] : cases) {
        TempFolder tmp;
        const std::string in = tmp.dir();
        tmp.write(folder + "/bf1942/levels/M/ai.con", "run AIPathFinding\r\n");
        tmp.write(folder + "/copy.bat", "copy \"a.txt\" \"b.txt\"\r\n");
        tmp.write(folder + "/a.txt", "a");
        fs::create_directory(tmp.path() / test::utf8Path(folder + "/out"));
        const Result packed = tool("rfapack", {folder + "/bf1942/levels/M", "bf1942/levels/M", folder + "/M.rfa"}, in);
        EXPECT_EQ(packed.code, 0) << folder << "\n" << packed.output;
        const Result unpacked = tool("rfaunpack", {folder + "/M.rfa", folder + "/out"}, in);
        EXPECT_EQ(unpacked.code, 0) << folder << "\n" << unpacked.output;
        EXPECT_EQ(tmp.read(folder + "/out/bf1942/levels/M/ai.con"), "run AIPathFinding\r\n") << folder;
        const Result copied = tool("tarnwick-batch", {folder + "/copy.bat", in + folder}, in);
        EXPECT_EQ(copied.code, 0) << folder << "\n" << copied.output;
        EXPECT_EQ(tmp.read(folder + "/b.txt"), "a") << folder;
        if (inTheCodePage) {
            // A program folder there: the sample archive unpacked by the batch runner, the add-on made.
            const std::string program = test::makeProgramFolder(tmp.path() / test::utf8Path(folder + "/Tarnwick"));
            const Result made = test::runProgram(program + "tarnwick-cli", {"addon", program + "samples/DemoMap.rfa"});
            EXPECT_EQ(made.code, 0) << folder << "\n" << made.output;
            EXPECT_NE(made.output.find(test::native(program + "bf1942/levels/DemoMap_001/") + "\n"), std::string::npos)
                << folder << "\n" << made.output;
        }
        const Result refused = test::runProgram(TW_BUILT_CLI, {"areas", in + folder, "--from-control-points"});
        EXPECT_NE(refused.output.find("(it has no AI folder): " + in + folder), std::string::npos)
            << folder << "\n" << refused.output;
    }
}

} // namespace
} // namespace tw
