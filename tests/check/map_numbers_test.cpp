// The map numbers of AIPathFinding.con: the lines earlier Tarnwick versions
// numbered by the digit in a map's name, their mend, and tarnwick-cli check
// --mend on an add-on of each Ships/Landingcrafts choice.
#include "check/addon_check.h"
#include "check/map_numbers.h"

#include "platform/files.h"
#include "support/checksums.h"
#include "support/clean_addon.h"
#include "support/earlier_numbers.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw::check {
namespace {

std::string now(bool ships, bool landing) {
    return joinLines(generator::aiPathFinding(test::kInfantrySeeds, test::kVehicleSeeds, ships, landing), true);
}

TEST(MapNumbers, EachEarlierChoiceIsFoundAndMendedToTheFileWrittenNow) {
    for (const test::EarlierChoice& c : test::earlierChoices()) {
        SCOPED_TRACE(std::to_string(c.ships) + std::to_string(c.landingCrafts));
        const Lines earlier = test::earlierPathFinding(c.ships, c.landingCrafts);
        EXPECT_EQ(mapNumberFaults(earlier), c.faults);
        EXPECT_EQ(mendMapNumbers(joinLines(earlier, true), c.faults), now(c.ships, c.landingCrafts));
        EXPECT_EQ(mapNumberFaults(splitLines(now(c.ships, c.landingCrafts))), std::vector<MapNumberFault>{});
    }
}

// A file edited by hand: only the numbers that miss their maps change;
// letter case, blanks, tabs, LF ends, comments and a type that shares the
// tank's map on purpose stay as they are.
TEST(MapNumbers, AHandEditedFileKeepsEverythingButTheNumbers) {
    const std::string before = "rem my own notes\n"
                               "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\n"
                               "AI.addSearchType   Tank 0 0\n"
                               "ai.setMapSpawnPoints 0 1/2\n"
                               "rem ai.addSearchMap Old9 0 0 25 3.0 0.3 2.5 0\n"
                               "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\n"
                               "ai.addSearchType Infantery 1 0\n"
                               "ai.setMapSpawnPoints 1 3/4\n"
                               "  ai.addSearchMap LandingCraft3 1 1.4 30 4.0 0.3 2.5 0 2 5\n"
                               "ai.addSearchType landingcraft 3 2\n"
                               "AI.SETMAPSPAWNPOINTS\t3   5/6 , 7/8\n"
                               "ai.setSmoothing 3 20  \n"
                               "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0\n"
                               "ai.addSearchType Car 2 0\n"
                               "ai.addSearchType Jeep 0 0\n"
                               "ai.setMapSpawnPoints 4 9/10";
    const std::string after = "rem my own notes\n"
                              "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\n"
                              "AI.addSearchType   Tank 0 0\n"
                              "ai.setMapSpawnPoints 0 1/2\n"
                              "rem ai.addSearchMap Old9 0 0 25 3.0 0.3 2.5 0\n"
                              "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\n"
                              "ai.addSearchType Infantery 1 0\n"
                              "ai.setMapSpawnPoints 1 3/4\n"
                              "  ai.addSearchMap LandingCraft3 1 1.4 30 4.0 0.3 2.5 0 2 5\n"
                              "ai.addSearchType landingcraft 2 2\n"
                              "AI.SETMAPSPAWNPOINTS\t2   5/6 , 7/8\n"
                              "ai.setSmoothing 2 20  \n"
                              "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0\n"
                              "ai.addSearchType Car 3 0\n"
                              "ai.addSearchType Jeep 0 0\n"
                              "ai.setMapSpawnPoints 3 9/10";
    const auto faults = mapNumberFaults(splitLines(before));
    EXPECT_EQ(faults.size(), 5u);
    EXPECT_EQ(mendMapNumbers(before, faults), after);
    EXPECT_EQ(mapNumberFaults(splitLines(after)), std::vector<MapNumberFault>{});
}

// However the number and the line ends are written, the mend changes the
// number the check reports and nothing else.
TEST(MapNumbers, NumbersAndLineEndsAsWrittenByHand) {
    struct Case {
        std::string before, after;
    };
    const std::string head = "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0";
    const std::string car = "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0";
    const std::vector<Case> cases = {
        {head + "\n" + car + "\nai.setMapSpawnPoints 04 1/2\n", head + "\n" + car + "\nai.setMapSpawnPoints 1 1/2\n"},
        {head + "\r" + car + "\rai.addSearchType Car 004 0\r", head + "\r" + car + "\rai.addSearchType Car 1 0\r"},
        {head + "\r\n" + car + "\r\nai.setSmoothing 4 20", head + "\r\n" + car + "\r\nai.setSmoothing 1 20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        const auto faults = mapNumberFaults(splitLines(c.before));
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_EQ(mendMapNumbers(c.before, faults), c.after);
        EXPECT_EQ(mapNumberFaults(splitLines(c.after)), std::vector<MapNumberFault>{});
    }
}

// The files written now give the check no map-number finding.
TEST(MapNumbers, TheCheckFindsNoMapNumberInTheFilesWrittenNow) {
    test::TempFolder tmp;
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    test::makeCleanAddon(program, tmp.dir() + "Clean_001");
    for (const test::EarlierChoice& c : test::earlierChoices()) {
        writeBytes(tmp.dir() + "Clean_001/AIPathFinding.con", now(c.ships, c.landingCrafts));
        for (const Finding& f : checkAddon(tmp.dir() + "Clean_001", program + "samples/DemoMap/"))
            EXPECT_TRUE(f.code.find("map-index") == std::string::npos && f.code != "seed-map-unknown" &&
                        f.code != "no-seed" && f.message.rfind("AIPathFinding.con, line", 0) != 0)
                << c.ships << c.landingCrafts << " " << findingLine(f);
    }
}

// tarnwick-cli check --mend: what it changed, the old file kept, nothing else changed.
TEST(MapNumbers, CheckMendOnAnAddonOfEachChoice) {
    test::TempFolder tmp;
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    const std::string addon = tmp.dir() + "Clean_001/";
    test::makeCleanAddon(program, addon);
    for (const test::EarlierChoice& c : test::earlierChoices()) {
        SCOPED_TRACE(std::to_string(c.ships) + std::to_string(c.landingCrafts));
        const std::string old = joinLines(test::earlierPathFinding(c.ships, c.landingCrafts), true);
        writeBytes(addon + "AIPathFinding.con", old);
        auto before = test::folderChecksums(addon);
        const auto r = test::runProgram(program + "tarnwick-cli", {"check", "--mend", addon});
        std::string said;
        for (const MapNumberFault& f : c.faults) said += "mended " + faultText(f) + "\n";
        EXPECT_EQ(r.output.substr(0, said.size()), said) << r.output;
        EXPECT_EQ(readBytes(addon + "AIPathFinding.con"), now(c.ships, c.landingCrafts));
        auto after = test::folderChecksums(addon);
        // One new dated folder, holding the old file alone.
        std::vector<std::string> kept;
        for (auto it = after.begin(); it != after.end();)
            if (it->first.rfind("tarnwick-replaced-", 0) == 0) {
                kept.push_back(it->first);
                it = after.erase(it);
            } else {
                ++it;
            }
        ASSERT_EQ(kept.size(), 2u) << ::testing::PrintToString(kept);
        EXPECT_EQ(fs::path(kept[1]).generic_string(), kept[0] + "/AIPathFinding.con");
        EXPECT_EQ(readBytes(addon + kept[1]), old);
        EXPECT_NE(r.output.find("the file as it was: " + test::native(addon + kept[1])), std::string::npos) << r.output;
        fs::remove_all(addon + kept[0]);
        before.erase("AIPathFinding.con");
        after.erase("AIPathFinding.con");
        EXPECT_EQ(after, before);
        // Mended once, there is nothing left to mend.
        const auto again = test::runProgram(program + "tarnwick-cli", {"check", "--mend", addon});
        EXPECT_NE(again.output.find("mended nothing"), std::string::npos) << again.output;
    }
}

} // namespace
} // namespace tw::check
