#include "platform/errors.h"
#include "platform/files.h"
#include "rfa/archive.h"
#include "rfa/reader.h"
#include "support/temp_folder.h"
#include "tools/batch_runner.h"
#include "tools/scripts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw::batch {
namespace {

using test::TempFolder;

struct Outcome {
    RunResult result;
    std::vector<std::string> output;
};

Outcome run(const std::string& bat, const std::string& folder) {
    Outcome r;
    r.result = runBatchFile(bat, folder, [&](const std::string& line) { r.output.push_back(line); });
    return r;
}

TEST(SplitWords, AsTheCommandInterpreterSplitsTheseLines) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"rfaunpack.exe MyMap.rfa ", {"rfaunpack.exe", "MyMap.rfa"}},
        {"rfaPack.exe a\\b_001  bf1942/levels/b \"b_001.rfa\"", {"rfaPack.exe", "a\\b_001", "bf1942/levels/b", "b_001.rfa"}},
        {"copy \"C:\\My Maps\\x.rfa\" \"C:\\T W\\x.rfa\"", {"copy", "C:\\My Maps\\x.rfa", "C:\\T W\\x.rfa"}},
        {"\tdel\t\"x\"", {"del", "x"}},
        {"copy \"a\"b c", {"copy", "ab", "c"}},
        {"del \"unterminated name", {"del", "unterminated name"}},
        {"copy \"\" x", {"copy", "", "x"}},
        {"   ", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitWords(c.line), c.words) << c.line;
}

TEST(BatchRunner, RunsTheMapUnpackScriptForReal) {
    TempFolder tmp;
    tmp.write("downloads/src/init/terrain.con", "GeometryTemplate.worldSize 2048\r\n");
    tmp.write("downloads/src/init.con", "run init/terrain\r\n");
    rfa::packFolder(tmp.dir() + "downloads/src", "bf1942/levels/MyMap", tmp.dir() + "downloads/MyMap.rfa");
    const std::string program = tmp.dir() + "Tarnwick/";
    fs::create_directories(program + "bf1942/levels");
    scripts::saveScript(program + "unpack.bat",
                        scripts::mapUnpackScript(program, tmp.dir() + "downloads/MyMap.rfa", false), true);
    const Outcome r = run(program + "unpack.bat", program);
    EXPECT_EQ(r.result.lines, 3);
    EXPECT_EQ(r.result.failed, 0) << ::testing::PrintToString(r.output);
    EXPECT_EQ(tmp.read("Tarnwick/bf1942/levels/MyMap/init/terrain.con"), "GeometryTemplate.worldSize 2048\r\n");
    EXPECT_FALSE(fs::exists(program + "MyMap.rfa"));                 // the copy is gone
    EXPECT_TRUE(fs::exists(tmp.dir() + "downloads/MyMap.rfa"));       // the user's archive stays
    EXPECT_EQ(r.output[1], program + ">copy \"" + tmp.dir() + "downloads/MyMap.rfa\" \"" + program + "MyMap.rfa\"");
}

TEST(BatchRunner, RunsTheAddonPackScriptForReal) {
    TempFolder tmp;
    const std::string program = tmp.dir() + "Tarnwick/";
    tmp.write("Tarnwick/bf1942/levels/MyMap_001/ai.con", "ai.createallmaps\r\n");
    tmp.write("Tarnwick/bf1942/levels/MyMap_001/AI/StrategicAreas.con", "");
    fs::create_directory(tmp.path() / "archives");
    scripts::saveScript(program + "pack.bat", scripts::addonPackScript(program, "MyMap", tmp.dir() + "archives/MyMap_001"),
                        false);
    const Outcome r = run(program + "pack.bat", program);
    EXPECT_EQ(r.result.failed, 0) << ::testing::PrintToString(r.output);
    for (const std::string& archive : {program + "MyMap_001.rfa", tmp.dir() + "archives/MyMap_001.rfa"}) {
        rfa::ArchiveReader reader(archive);
        ASSERT_EQ(reader.entries().size(), 2u);
        EXPECT_EQ(reader.entries()[0].name, "bf1942/levels/MyMap/ai.con");
        EXPECT_EQ(reader.entries()[1].name, "bf1942/levels/MyMap/AI/StrategicAreas.con");
    }
}

TEST(BatchRunner, AFailingLineDoesNotStopTheRun) {
    TempFolder tmp;
    tmp.write("x.txt", "x");
    tmp.write("run.bat", "copy \"missing.txt\" \"y.txt\"\r\necho hello\r\nrfaunpack.exe none.rfa\r\ndel \"X.TXT\"\r\n");
    const Outcome r = run(tmp.dir() + "run.bat", tmp.dir());
    EXPECT_EQ(r.result.lines, 4);
    EXPECT_EQ(r.result.failed, 3);
    EXPECT_FALSE(fs::exists(tmp.path() / "x.txt"));  // the last line ran, whatever the letter case
    EXPECT_FALSE(fs::exists(tmp.path() / "y.txt"));
}

TEST(BatchRunner, MapNamesWithShellCharactersRunNothing) {
    for (const std::string name : {"a&touch pwned&b", "a\"&touch pwned&\"b", "%PATH%|touch pwned", "$(touch pwned)",
                                   "`touch pwned`", "a;touch pwned"}) {
        TempFolder tmp;
        const std::string program = tmp.dir() + "Tarnwick/";
        fs::create_directories(program + "bf1942/levels/" + "x");
        // Such a name is refused while the script is built; were it written,
        // running it must still start nothing.
        try {
            scripts::saveScript(program + "unpack.bat",
                                scripts::mapUnpackScript(program, tmp.dir() + name + ".rfa", false), true);
            run(program + "unpack.bat", program);
        } catch (const AppError&) {
        }
        try {
            scripts::saveScript(program + "pack.bat", scripts::addonPackScript(program, name, tmp.dir() + name), false);
            run(program + "pack.bat", program);
        } catch (const AppError&) {
        }
        for (const auto& f : fs::recursive_directory_iterator(tmp.path()))
            EXPECT_NE(f.path().filename().string(), "pwned") << name;
        EXPECT_FALSE(fs::exists("pwned"));
    }
}

} // namespace
} // namespace tw::batch
