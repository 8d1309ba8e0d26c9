// The command-line tools, run as a user would run them.
#include "rfa/archive_builder.h"
#include "support/process.h"
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
const auto shell = test::runCommand;

// The tools as the build made them.
std::string tool(const std::string& name) {
    static const std::map<std::string, std::string> built = {
        {"rfapack", TW_BUILT_RFAPACK}, {"rfaunpack", TW_BUILT_RFAUNPACK}, {"tarnwick-batch", TW_BUILT_BATCH}};
    return "'" + built.at(name) + "'";
}

TEST(Tools, PackListAndUnpackAsTheBatchLinesCallThem) {
    TempFolder tmp;
    tmp.write("bf1942/levels/MyMap_001/ai.con", "run AIPathFinding\r\n");
    tmp.write("bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw", std::string(70000, '\x07'));
    const std::string cd = "cd '" + tmp.dir() + "' && ";
    Result r = shell(cd + tool("rfapack") + " bf1942/levels/MyMap_001  bf1942/levels/MyMap \"MyMap_001.rfa\" ");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("TotalFiles: 2"), std::string::npos) << r.output;
    r = shell(cd + tool("rfapack") + " bf1942/levels/MyMap_001 bf1942/levels/MyMap c.rfa -Compress");
    EXPECT_EQ(r.code, 0) << r.output;

    r = shell(cd + tool("rfaunpack") + " -l c.rfa");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("Compressed archive, 2 entries"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("70000"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("bf1942/levels/MyMap/Pathfinding/Tank0Level1Map.raw"), std::string::npos);

    fs::create_directory(tmp.path() / "out");
    r = shell(cd + tool("rfaunpack") + " MyMap_001.rfa out");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(tmp.read("out/bf1942/levels/MyMap/ai.con"), "run AIPathFinding\r\n");
    r = shell(cd + "cd out && " + tool("rfaunpack") + " ../c.rfa");  // default: the working folder
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(tmp.read("out/bf1942/levels/MyMap/Pathfinding/Tank0Level1Map.raw"), std::string(70000, '\x07'));
}

TEST(Tools, FailuresExitNonZeroWithAMessage) {
    TempFolder tmp;
    tmp.write("bad.rfa", "not an archive at all");
    tmp.write("evil.rfa", test::buildArchive(0, {{"../evil.con", "x", 1}}));
    const std::string cd = "cd '" + tmp.dir() + "' && ";
    struct Case {
        std::string command, says;
    };
    const Case cases[] = {
        {tool("rfapack"), "Not enough command line arguments"},
        {tool("rfapack") + " nofolder lvl x.rfa", "Directory does not exist"},
        {tool("rfapack") + " . lvl x.rfa -u", "Unknown option"},
        {tool("rfaunpack") + " bad.rfa", "is damaged"},
        {tool("rfaunpack") + " missing.rfa", "cannot be opened"},
        {tool("rfaunpack") + " evil.rfa", "Nothing was extracted"},
        {tool("rfaunpack") + " bad.rfa nowhere", "is damaged"},
        {tool("rfaunpack"), "Usage"},
    };
    for (const Case& c : cases) {
        const Result r = shell(cd + c.command);
        EXPECT_NE(r.code, 0) << c.command;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.command << ": " << r.output;
    }
    EXPECT_FALSE(fs::exists(tmp.path().parent_path() / "evil.con"));
}

TEST(Tools, TheBatchRunnerExitsNonZeroWhenALineFailed) {
    TempFolder tmp;
    tmp.write("ok.bat", "copy \"a.txt\" \"b.txt\"\r\n");
    tmp.write("a.txt", "a");
    tmp.write("bad.bat", "copy \"none.txt\" \"b.txt\"\r\n");
    const std::string cd = "cd '" + tmp.dir() + "' && ";
    EXPECT_EQ(shell(cd + tool("tarnwick-batch") + " ok.bat").code, 0);
    EXPECT_EQ(tmp.read("b.txt"), "a");
    const Result bad = shell(cd + tool("tarnwick-batch") + " bad.bat");
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.output.find(">copy \"none.txt\" \"b.txt\""), std::string::npos) << bad.output;
}

} // namespace
} // namespace tw
