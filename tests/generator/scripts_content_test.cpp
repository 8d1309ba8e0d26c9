#include "generator/ai_scripts.h"
#include "generator/editor_text.h"
#include "generator/game_scripts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tw::generator {
namespace {

std::string file(const Lines& lines, bool finalLineEnd = true) { return joinLines(lines, finalLineEnd); }

std::string aiConFile(const std::string& size) {
    const std::string rule = "rem ----------------------------------------------------------------------------";
    return "rem *** ai.con - RizU done by quorvin_tal....https://tarnwick.example.org\r\n" + rule + " \r\n" +
           "rem ************** LEVEL SPECIFIC AI SETTINGS ***************************\r\n"
           " \r\n"
           "aiSettings.setWorldMapSize " + size + " " + size + "\r\n"
           "aiSettings.setViewDistance 500\r\n"
           "aiSettings.setInformationGridDimension 32\r\n"
           " \r\n"
           "rem ********************** START THE AI *********************************\r\n"
           " \r\n"
           "rem *** Init AI using current settings ****\r\n"
           "ai.init 2\r\n"
           " \r\n"
           "rem *** init Botmanager ***\r\n"
           "AIBotManager.setLodLevelTicks 6 6 6\r\n"
           "AIBotManager.setLodLevelPriority 3 3 3\r\n"
           "AIBotManager.setPlannedDecisionMakingThreshold 0.5 0.5 0.5\r\n"
           "AIBotManager.setUnplannedDecisionMakingThreshold 0.3 0.4 0.4\r\n"
           "AIBotManager.setDecisionMakingInterleave 2 2\r\n"
           "AIBotManager.setSensingQuotient 1 1\r\n"
           "AIBotManager.setSystemQuotient 40 40 20\r\n"
           " \r\n"
           "rem *** Strategic map dimension, MUST BE DONE BEFORE CREATING SAI! ***\r\n"
           "ai.saiMapXDimension 64\r\n"
           "ai.saiMapYDimension 64\r\n"
           " \r\n"
           "rem *** Create Strategic AI ***\r\n"
           "ai.createSAI\r\n"
           " \r\n"
           "rem *** Enabled or disabled as default ***\r\n"
           "ai.saiEnable 1\r\n"
           "game.showAIstats 0\r\n"
           "ai.showBotStats 0\r\n"
           " \r\n" + rule + "\r\n"
           " \r\n"
           "run AIPathFinding.con\r\n"
           " \r\n"
           "run ai/StrategicAreas\r\n"
           " \r\n"
           "rem *** Set strategies for each side ***\r\n"
           "run ai/conditions.con\r\n"
           "run ai/prerequisites.con\r\n"
           "run ai/Strategies.con\r\n"
           " \r\n" + rule + "\r\n"
           " \r\n"
           "ai.addSAIStrategy 1 west\r\n"
           "ai.addSAIStrategy 1 east\r\n"
           "ai.addSAIStrategy 1 south\r\n"
           "ai.addSAIStrategy 1 north\r\n"
           "ai.addSAIStrategy 1 wide\r\n"
           "ai.addSAIStrategy 1 finalPush\r\n"
           "ai.addSAIStrategy 1 breakOut\r\n"
           " \r\n"
           "ai.addSAIStrategy 2 west\r\n"
           "ai.addSAIStrategy 2 east\r\n"
           "ai.addSAIStrategy 2 south\r\n"
           "ai.addSAIStrategy 2 north\r\n"
           "ai.addSAIStrategy 2 wide\r\n"
           "ai.addSAIStrategy 2 finalPush\r\n"
           "ai.addSAIStrategy 2 breakOut\r\n"
           "\r\n"
           "ai.createallmaps\r\n" + rule + "\r\n";
}

TEST(AiCon, WholeFileForEachWorldSize) {
    for (int size : {1024, 2048, 4096}) {
        const Lines lines = aiCon(size);
        EXPECT_EQ(lines.size(), 65u);
        EXPECT_EQ(file(lines), aiConFile(std::to_string(size))) << size;
    }
}

const std::string kHead = "\r\n"
                          "rem *** Set number of AStar resources ***\r\n"
                          "ai.numAStarResources 10\r\n"
                          "\r\n"
                          "rem *** Tank ***\r\n"
                          "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
                          "ai.addSearchType Tank 0 0\r\n"
                          "ai.setMapSpawnPoints 0 V\r\n"
                          "\r\n"
                          "rem *** Infantry ***\r\n"
                          "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\r\n"
                          "ai.addSearchType Infantry 1 0\r\n"
                          "I\r\n"
                          "\r\n";
// A block with its map's position: "#" stands for it.
const std::string kBoat = "rem *** Boat ***\r\n"
                          "ai.addSearchMap Boat2 1 8 30 125.0 0.3 2.5 0 2 5\r\n"
                          "ai.addSearchType Boat # 2\r\n"
                          "ai.setMapSpawnPoints # V\r\n"
                          "ai.setSmoothing # 20\r\n"
                          "\r\n";
const std::string kLanding = "rem *** LandingCraft ***\r\n"
                             "ai.addSearchMap LandingCraft3 1 1.4 30 4.0 0.3 2.5 0 2 5\r\n"
                             "ai.addSearchType LandingCraft # 2\r\n"
                             "ai.setMapSpawnPoints # V\r\n"
                             "ai.setSmoothing # 20\r\n"
                             "\r\n";
const std::string kTail = "rem *** Car ***\r\n"
                          "ai.addSearchMap Car4 0 0 20 4.0 0.3 2.5 0\r\n"
                          "ai.addSearchType Car # 0\r\n"
                          "ai.setMapSpawnPoints # V\r\n"
                          "\r\n"
                          "rem *** Load maps ***\r\n"
                          "ai.loadMaps\r\n"
                          "\r\n"
                          "rem I hope that rizu fine...rezuveduv\r\n";

std::string at(std::string block, char position) {
    std::replace(block.begin(), block.end(), '#', position);
    return block;
}

std::string fill(std::string text, const std::string& infantry, const std::string& vehicles) {
    for (size_t p; (p = text.find(" V\r\n")) != std::string::npos;) text.replace(p, 4, " " + vehicles + "\r\n");
    const size_t i = text.find("\r\nI\r\n");
    if (i != std::string::npos) text.replace(i, 5, "\r\n" + infantry + "\r\n");
    return text;
}

TEST(AiPathFinding, TheFourCheckBoxCombinations) {
    const std::string inf = "ai.setMapSpawnPoints 1 1120.5/780.0,990/1410.25", veh = "1/2,3/4";
    struct Case {
        bool ships, landing;
        std::string text;
        size_t lines;
    };
    const Case cases[] = {
        // Tank0 0, Infantry1 1, then the maps present in the order declared.
        {false, false, kHead + at(kTail, '2'), 23},
        {true, false, kHead + at(kBoat, '2') + at(kTail, '3'), 29},
        {false, true, kHead + at(kLanding, '2') + at(kTail, '3'), 29},
        {true, true, kHead + at(kBoat, '2') + at(kLanding, '3') + at(kTail, '4'), 35},
    };
    for (const Case& c : cases) {
        const Lines lines = aiPathFinding(inf, veh, c.ships, c.landing);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(file(lines), fill(c.text, inf, veh)) << c.ships << c.landing;
    }
}

TEST(SpawnPoints, PositionLinesAndTheWalk) {
    struct Case {
        Lines file;
        std::vector<std::string> points;
    };
    const Case cases[] = {
        {{"Object.create X", "Object.absolutePosition 1120.5/78.7/780.0", "Object.rotation 0/0/0",
          "Object.absolutePosition 990/80/1410.25"},
         {"1120.5/780.0", "990/1410.25"}},
        {{"rem nothing here", "Object.create X"}, {}},
        {{"object.absolutePosition 1/2/3"}, {"1/3"}},           // lower-case o, as the game reads it
        {{" Object.absolutePosition 1/2/3"}, {"1/3"}},          // a blank before the keyword
        {{"Object.absolutePosition a/b"}, {"a"}},
        {{"Object.absolutePosition a/b/c/d"}, {"a/c"}},
        {{"Object.absolutePosition a/b/c/d/e"}, {"a/c/e"}},
        {{"Object.absolutePosition ", "Object.absolutePosition"}, {}},  // empty values yield nothing
        {{"Object.absolutePosition=-5.5/1/+7"}, {"-5.5/+7"}},  // the 24th character is dropped whatever it is
        {{"Object.absolutePositionX 1/2/3"}, {" 1/3"}},
        // The 24th character is one character of the file's code page,
        // however many UTF-8 bytes it takes in memory.
        {{"Object.absolutePosition\xC3\xA9" "7/8/9"}, {"7/9"}},              // e acute, byte E9
        {{"Object.absolutePosition\xE2\x82\xAC" "-1/0/2"}, {"-1/2"}},        // euro sign, byte 80
        {{"Object.absolutePosition\xC2\x81" "4/5/6"}, {"4/6"}},              // undefined byte 81
        {{"Object.absolutePosition\xE2\x80\xA6"}, {}},                       // only an ellipsis, byte 85
        {{"Object.absolutePosition \xC3\xBC" "1/2/3"}, {"\xC3\xBC" "1/3"}},  // later ones stay whole
    };
    for (const Case& c : cases) EXPECT_EQ(spawnPoints(c.file), c.points) << ::testing::PrintToString(c.file);
}

TEST(SpawnPoints, TheLinesBuiltFromThem) {
    EXPECT_EQ(infantrySpawnLine({"1120.5/780.0", "990/1410.25"}), "ai.setMapSpawnPoints 1 1120.5/780.0,990/1410.25");
    EXPECT_EQ(infantrySpawnLine({}), "ai.setMapSpawnPoints 1");
    EXPECT_EQ(vehicleSpawnList({"1/2", "3/4"}), "1/2,3/4");
    EXPECT_EQ(vehicleSpawnList({}), "");
    EXPECT_EQ(aiPathFinding("ai.setMapSpawnPoints 1", "", false, false)[7], "ai.setMapSpawnPoints 0 ");
}

TEST(SpawnPoints, AtMostOneThousandAreRead) {
    Lines many;
    for (int i = 0; i < 1500; ++i) many.push_back("Object.absolutePosition " + std::to_string(i) + "/0/1");
    const auto points = spawnPoints(many);
    ASSERT_EQ(points.size(), 1000u);
    EXPECT_EQ(points.front(), "0/1");
    EXPECT_EQ(points.back(), "999/1");
}

TEST(GameScripts, TheSixFiles) {
    const std::string head = "Game.setNumberOfTickets 1 100\r\n"
                             "Game.setNumberOfTickets 2 105\r\n"
                             "Game.setTicketLostPerMin 1 10\r\n"
                             "Game.setTicketLostPerMin 2 10\r\n"
                             " \r\n"
                             "run SinglePlayer/SoldierSpawnTemplates\r\n"
                             "run SinglePlayer/SoldierSpawns\r\n"
                             "run SinglePlayer/SpawnpointManagerSettings\r\n"
                             "run SinglePlayer/ObjectSpawnTemplates\r\n"
                             "run SinglePlayer/ControlPointTemplates\r\n"
                             "rem *** Always spawn immediatly in singleplayer missions!\r\n"
                             "\r\n";
    EXPECT_EQ(file(coopCon()), head +
                                   "if v_arg1 == host\r\n"
                                   "run ai\r\n"
                                   "run SinglePlayer/ObjectSpawns\r\n"
                                   "run SinglePlayer/ControlPoints\r\n"
                                   "endIf\r\n");
    EXPECT_EQ(file(gameTypesCoopCon()), head +
                                            "if v_arg1== host\r\n"
                                            "run ai\r\n"
                                            "run SinglePlayer/ObjectSpawns v_arg1\r\n"
                                            "run SinglePlayer/ControlPoints v_arg1\r\n"
                                            "endif\r\n");
    EXPECT_EQ(file(singlePlayerCon()),
              "Game.setNumberOfTickets 1 100\r\n"
              "Game.setNumberOfTickets 2 105\r\n"
              "Game.setTicketLostPerMin 1 7\r\n"
              "Game.setTicketLostPerMin 2 7\r\n"
              " \r\n"
              "run SinglePlayer/SoldierSpawnTemplates\r\n"
              "run SinglePlayer/SoldierSpawns\r\n"
              "run SinglePlayer/SpawnpointManagerSettings\r\n"
              "run SinglePlayer/ObjectSpawnTemplates\r\n"
              "run SinglePlayer/ControlPointTemplates\r\n"
              " \r\n"
              "game.maxNrofPlayers 18\r\n"
              " \r\n"
              "rem ----------------------------------------------------------------------------\r\n"
              "run ai\r\n"
              "run SinglePlayer/ObjectSpawns\r\n"
              "run SinglePlayer/ControlPoints\r\n"
              "game.timeToNextWave 20\r\n");
    const std::string bots = file(botsCon(), false);
    EXPECT_EQ(bots, "console.useRelativePaths 0\r\n"
                    "run bf1942/game/common/Britishnames\r\n"
                    "run bf1942/game/common/germannames\r\n"
                    "console.useRelativePaths 1");
    EXPECT_EQ(bots.size(), 127u);
    const std::string skirmish = file(skirmishCon());
    EXPECT_EQ(skirmish, "console.useRelativePaths 0\r\n"
                        "run bf1942/game/common/britishnames\r\n"
                        "run bf1942/game/common/germannames\r\n"
                        "console.useRelativePaths 1\r\n");
    EXPECT_EQ(skirmish.size(), 129u);
}

TEST(EditorText, LineBreaksBecomeCrLfAndTheLastLineKeepsItsEnd) {
    struct Case {
        std::string file, editor, saved;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", "a\nb\n", "a\r\nb\r\n"},
        {"a\nb\n", "a\nb\n", "a\r\nb\r\n"},
        {"a\rb", "a\nb", "a\r\nb"},
        {"a\r\nb", "a\nb", "a\r\nb"},
        {"", "", ""},
        {"\xE4\x80\r\n", "\xC3\xA4\xE2\x82\xAC\n", "\xE4\x80\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(editorText(c.file), c.editor);
        EXPECT_EQ(fileBytes(c.editor), c.saved);
    }
}

} // namespace
} // namespace tw::generator
