// tarnwick-cli areas: StrategicAreas.con of the sample level's add-on from
// its control points and from a description.
#include "areas/proposals.h"
#include "platform/files.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

struct SampleAddon {
    SampleAddon() {
        const fs::path program = test::makeProgramFolder(tmp.path() / "program");
        cli = (program / "tarnwick-cli").string();
        const auto made = run({"addon", test::sampleLevel() + "init.con"});
        EXPECT_EQ(made.code, 0) << made.output;
        addon = (program / "bf1942/levels/DemoMap_001/").string();
    }
    test::CommandResult run(const std::vector<std::string>& arguments) const { return test::runProgram(cli, arguments); }
    std::string areasFile() const { return readBytes(addon + "AI/StrategicAreas.con"); }
    TempFolder tmp;
    std::string cli, addon;
};

TEST(TarnwickCliAreas, FromControlPoints) {
    SampleAddon s;
    const auto r = s.run({"areas", s.addon, "--from-control-points"});
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output, test::native(s.addon + "AI/StrategicAreas.con") + "\n");
    const std::string file = s.areasFile();
    // The village in the middle links to all four others; the bases only to it.
    EXPECT_NE(file.find("aiStrategicArea.setActive CP_Village\r\n"
                        "AIStrategicArea.addNeighbour CP_Axis_Base\r\n"
                        "AIStrategicArea.addNeighbour CP_Allied_Base\r\n"
                        "AIStrategicArea.addNeighbour CP_Bridge\r\n"
                        "AIStrategicArea.addNeighbour CP_Hill\r\n"
                        "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("aiStrategicArea.create CP_Axis_Base 120/850 150/880 50\r\n \r\n"), std::string::npos);
    EXPECT_EQ(file.find("AIStrategicArea.addNeighbour CP_Allied_Base\r\naiStrategicArea.addObjectTypeFlag Base"),
              std::string::npos);

    // Without control points it says so and writes nothing.
    ASSERT_TRUE(fs::remove(resolvePath(s.addon + "Singleplayer/ControlPoints.con")));
    writeBytes(s.addon + "AI/StrategicAreas.con", "");
    const auto none = s.run({"areas", s.addon, "--from-control-points"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.output.find("This level has no control points"), std::string::npos) << none.output;
    EXPECT_EQ(s.areasFile(), "");
}

TEST(TarnwickCliAreas, FromADescription) {
    SampleAddon s;
    s.tmp.write("areas.txt", "# the worked example\n"
                             "Hill 400/848 600/1008 50 Base,ControlPoint,Car 1 Bridge\n"
                             "Bridge 1000/200 1200/400 100 Tank 2 Hill\n");
    const auto r = s.run({"areas", s.addon, s.tmp.dir() + "areas.txt"});
    ASSERT_EQ(r.code, 0) << r.output;
    const Lines expected = {
        "rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org",
        "aiStrategicArea.create Hill 400/848 500/928 50", " ",
        "aiStrategicArea.create Bridge 1000/200 1100/300 100", " ", "", " ", " ",
        "aiStrategicArea.setActive Hill", "AIStrategicArea.addNeighbour Bridge",
        "aiStrategicArea.addObjectTypeFlag Base", "aiStrategicArea.addObjectTypeFlag ControlPoint",
        "AIStrategicArea.setOrderPosition Infantry 490/918", "AIStrategicArea.setOrderPosition Car 490/918",
        "aiStrategicArea.setSide 1", "", "aiStrategicArea.setActive Bridge", "AIStrategicArea.addNeighbour Hill",
        "AIStrategicArea.setOrderPosition Infantry 1090/290", "AIStrategicArea.setOrderPosition Tank 1090/290",
        "aiStrategicArea.setSide 2", "", ""};
    EXPECT_EQ(s.areasFile(), joinLines(expected, true));

    s.tmp.write("bad.txt", "Hill 400/848 600/1008 50 - 1\n\nBridge 1000/200 1200 100 - 2\n");
    const auto bad = s.run({"areas", s.addon, s.tmp.dir() + "bad.txt"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.output, s.tmp.dir() + "bad.txt, line 3: not a corner in whole metres (x/y): 1200.\n");
    EXPECT_EQ(s.areasFile(), joinLines(expected, true));  // the earlier file stays
    EXPECT_NE(s.run({"areas", s.addon}).code, 0);
    EXPECT_NE(s.run({"areas", s.tmp.dir() + "nowhere", "--from-control-points"}).code, 0);
}

// A hand-edited StrategicAreas.con is the user's: kept (exit 1, naming the
// file and --replace), or with --replace copied into a dated folder first;
// the written file's checksum is recorded, so a second run writes again.
TEST(TarnwickCliAreas, KeepsAnEditedFileUnlessReplace) {
    SampleAddon s;
    const std::string edited = "rem my own areas\r\n";
    writeBytes(s.addon + "AI/StrategicAreas.con", edited);

    const auto copies = [&] {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(s.addon))
            if (e.path().string().find("tarnwick-replaced-") != std::string::npos && e.is_regular_file())
                found.push_back(readBytes(e.path().string()));
        return found;
    };
    struct Case { const char* option; int code; bool written; std::vector<std::string> copies; };
    for (const Case& c : {Case{"", 1, false, {}}, Case{" --replace", 0, true, {edited}},
                          Case{"", 0, true, {edited}}}) {
        std::vector<std::string> arguments = {"areas", s.addon, "--from-control-points"};
        for (const std::string& option : test::words(c.option)) arguments.push_back(option);
        const auto r = s.run(arguments);
        EXPECT_EQ(r.code, c.code) << c.option << r.output;
        if (c.code == 1) {
            EXPECT_EQ(r.output, "You have changed " + test::native(s.addon + "AI/StrategicAreas.con") + " since Tarnwick wrote it, so it "
                                "was kept and nothing was written. Add --replace to copy it into a dated folder "
                                "inside the add-on and write it again.\n");
        }
        EXPECT_EQ(s.areasFile() != edited, c.written) << c.option;
        EXPECT_EQ(copies(), c.copies) << c.option;
    }
}

} // namespace
} // namespace tw
