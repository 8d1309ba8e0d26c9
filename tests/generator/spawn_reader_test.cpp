// The spawn positions as the game reads a level's spawn files, and the seed
// lines of AIPathFinding.con built from them.
#include "generator/ai_scripts.h"
#include "platform/files.h"
#include "support/program_folder.h"

#include <gtest/gtest.h>

namespace tw::generator {
namespace {

TEST(SpawnPoints, AsTheGameReadsTheFile) {
    struct Case {
        const char* name;
        std::string file;  // bytes, split as a level file is read
        std::string seedLine;
        size_t positionLines, unresolved;
    };
    const std::string mixed = "rem *** soldier spawns ***\r\n"
                              "var v_a = 1.5/2/3.5\n"
                              "if v_arg1 == host\r"
                              "\tobject.create s_a\r\n"
                              "\tobject.absolutePosition v_a\n"
                              "  OBJECT.ABSOLUTEPOSITION 4/5/6\r"
                              "beginrem\n"
                              "Object.absolutePosition 7/8/9\r\n"
                              "endrem\r"
                              "rem Object.absolutePosition 10/11/12\n"
                              "v_a = -1/0/-2\r\n"
                              "object.absolutePosition v_a\r\n"
                              "object.absolutePosition v_arg1\n"
                              "object.absolutePosition v_b\r"
                              "object.absolutePosition v_a/1\n"
                              "endIf\r\n"
                              "Object.absolutePosition 13/14/15";
    const Case cases[] = {
        {"lower case", "object.absoluteposition 1/2/3\r\n", "ai.setMapSpawnPoints 1 1/3", 1, 0},
        {"leading blanks and tabs", " \t Object.absolutePosition\t 4.5/6/7.25 \t\r\n",
         "ai.setMapSpawnPoints 1 4.5/7.25", 1, 0},
        {"variable defined before", "var v_pos = 750.1133/157.6134/647.1983\r\nobject.absolutePosition v_pos\r\n",
         "ai.setMapSpawnPoints 1 750.1133/647.1983", 1, 0},
        {"variable defined after", "object.absolutePosition v_pos\r\nvar v_pos = 1/2/3\r\n", "ai.setMapSpawnPoints 1",
         1, 1},
        {"variable defined twice, then assigned",
         "var v_p = 1/2/3\r\nObject.absolutePosition v_p\r\nvar v_p = 4/5/6\r\nObject.absolutePosition v_p\r\n"
         "v_p = 7/8/9\r\nObject.absolutePosition V_P\r\n",
         "ai.setMapSpawnPoints 1 1/3,4/6,7/9", 3, 0},
        {"unknown variable", "object.absolutePosition v_nowhere\r\n", "ai.setMapSpawnPoints 1", 1, 1},
        {"script argument", "var v_arg1 = 1/2/3\r\nobject.absolutePosition v_arg1\r\n", "ai.setMapSpawnPoints 1", 1, 1},
        {"expression", "var v_x = 1\r\nobject.absolutePosition v_x/2/3\r\n", "ai.setMapSpawnPoints 1", 1, 1},
        {"comments and the host wrapper",
         "rem Object.absolutePosition 1/2/3\r\nbeginRem\r\nObject.absolutePosition 4/5/6\r\nEndRem\r\n"
         "if v_arg1 == host\r\n  object.absolutePosition 7/8/9\r\nendif\r\n",
         "ai.setMapSpawnPoints 1 7/9", 1, 0},
        {"LF ends", "var v_a = 1/2/3\nobject.absolutePosition v_a\nobject.absolutePosition 4/5/6\n",
         "ai.setMapSpawnPoints 1 1/3,4/6", 2, 0},
        {"CR ends", "var v_a = 1/2/3\robject.absolutePosition v_a\robject.absolutePosition 4/5/6\r",
         "ai.setMapSpawnPoints 1 1/3,4/6", 2, 0},
        {"CR LF ends", "var v_a = 1/2/3\r\nobject.absolutePosition v_a\r\nobject.absolutePosition 4/5/6\r\n",
         "ai.setMapSpawnPoints 1 1/3,4/6", 2, 0},
        {"all mixed", mixed, "ai.setMapSpawnPoints 1 1.5/3.5,4/6,-1/-2,13/15", 7, 3},
    };
    for (const Case& c : cases) {
        const SpawnRead read = readSpawnPoints(splitLines(decodeCp1252(c.file)));
        EXPECT_EQ(infantrySpawnLine(read.points), c.seedLine) << c.name;
        EXPECT_EQ(read.positionLines, c.positionLines) << c.name;
        EXPECT_EQ(read.unresolved, c.unresolved) << c.name;
    }
}

// Both samples' spawn files, as the add-on run reads them: the first one's
// seed lines stay what they always were.
TEST(SpawnPoints, TheSamplesSeedLines) {
    const auto read = [](const std::string& level, const char* file) {
        return readSpawnPoints(readLines(level + file));
    };
    const std::string demo = test::sampleLevel(), ridgeback = test::secondSampleLevel();
    EXPECT_EQ(infantrySpawnLine(read(demo, "conquest/SoldierSpawns.con").points),
              "ai.setMapSpawnPoints 1 138.0/886.0,159.0/869.0,154.0/894.0,858.0/146.0,879.0/129.0,874.0/154.0,"
              "488.5/526.0,509.5/509.0,504.5/534.0,288.0/306.0,309.0/289.0,304.0/314.0,708.0/706.5,729.0/689.5,"
              "724.0/714.5");
    EXPECT_EQ(vehicleSpawnList(read(demo, "conquest/ObjectSpawns.con").points),
              "170.0/860.0,135.5/905.0,60.0/760.0,850.0/160.0,890.25/120.0,960.0/260.0,515.0/505.0");
    const SpawnRead soldiers = read(ridgeback, "Conquest/SoldierSpawns.con");
    EXPECT_EQ(infantrySpawnLine(soldiers.points),
              "ai.setMapSpawnPoints 1 402.5/1650.75,418.0/1662.0,1630.25/390.5,1612.0/402.25,1641.5/377.0,"
              "1010.0/1080.0");
    EXPECT_EQ(soldiers.unresolved, 2u);  // v_arg1 and a variable never set
    EXPECT_EQ(vehicleSpawnList(read(ridgeback, "Conquest/ObjectSpawns.con").points),
              "440.0/1610.0,1590.5/420.0,1050.0/1040.0");
}

} // namespace
} // namespace tw::generator
