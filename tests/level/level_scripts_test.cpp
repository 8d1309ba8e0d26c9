// The level's files read as the game runs them: which lines count, under
// which numbers, and what each reader takes from them, on files shaped like
// real levels (CR LF, tabs, any letter case, comments, wrappers, variables).
#include "level/ai_con.h"
#include "level/control_points.h"
#include "level/pathfinding_con.h"
#include "level/script.h"
#include "level/terrain.h"

#include <gtest/gtest.h>

namespace tw::level {
namespace {

Lines linesOf(const std::string& bytes) { return splitLines(decodeCp1252(bytes)); }

std::string num(double v) {
    std::string s = std::to_string(v);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}
std::string pointText(double x, double z) { return num(x) + "/" + num(z); }

TEST(LevelScript, TheLinesTheGameRunsKeepTheirNumbers) {
    struct Case {
        const char* what;
        std::string file;
        Lines passed;  // "line command|argument"
    };
    const Case cases[] = {
        {"rem lines in any case, glued to text; remark is a command",
         "rem *** header\r\nREM lower\r\nrem***glued\r\nRem\r\nremark 1\r\n\tai.one  x\t y \r\n",
         {"5 remark|1", "6 ai.one|x\t y"}},
        {"beginrem blocks in any case, with text after the word, and glued",
         "beginrem\r\nai.hidden 1\r\nendrem\r\nBeginRem --- old settings\r\nai.hidden 2\r\nrem endrem\r\n"
         "EndRem ---\r\nbeginrem***\r\nai.hidden 3\r\nENDREM***\r\nai.shown\r\n",
         {"11 ai.shown|"}},
        {"beginrem that is not the line's first word opens no block",
         "rem beginrem\r\nai.two beginrem\r\nai.three\r\n", {"2 ai.two|beginrem", "3 ai.three|"}},
        {"an endrem outside a block, and a block never closed",
         "endrem\r\nai.one\r\nbeginrem\r\nai.two\r\n", {"2 ai.one|"}},
        {"wrappers read, variables set, LF and CR line ends, no last line end",
         "if v_arg1 == host\n  ai.three\rendIf\r\nvar v_x = 5\r\nv_y = 6\r\nai.four v_x",
         {"2 ai.three|", "6 ai.four|v_x"}},
    };
    for (const Case& c : cases) {
        Lines passed;
        walkScript(linesOf(c.file), [&](const ScriptLine& l, const ScriptVariables&) {
            passed.push_back(std::to_string(l.number) + " " + l.command + "|" + l.argument);
        });
        EXPECT_EQ(passed, c.passed) << c.what;
    }
}

TEST(LevelScript, NumbersAsTheScriptsWriteThem) {
    struct Case {
        const char* text;
        std::optional<double> number;
        std::optional<int> whole;
    };
    const Case cases[] = {
        {"2048", 2048, 2048}, {"+5", 5, 5},       {"04", 4, 4},          {"-5.5", -5.5, std::nullopt},
        {"1e3", 1000, std::nullopt}, {"2.0", 2, std::nullopt}, {"+-5", std::nullopt, std::nullopt},
        {"++5", std::nullopt, std::nullopt}, {"5m", std::nullopt, std::nullopt}, {"", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt}, {"v_size", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scriptNumber(c.text), c.number) << c.text;
        EXPECT_EQ(scriptWhole(c.text), c.whole) << c.text;
    }
}

std::string describe(const AiCon& ai) {
    std::string out;
    if (ai.worldMapSize)
        out += "size " + ai.worldMapSize->written + (ai.worldMapSize->value ? "" : "(no number)") + "@" +
               std::to_string(ai.worldMapSize->line) + ";";
    for (const auto& s : ai.strategies) out += " strategy " + s.side + " " + s.name + "@" + std::to_string(s.line) + ";";
    for (const size_t line : ai.mapGeneration) out += " generation@" + std::to_string(line) + ";";
    for (const auto& r : ai.runs)
        out += " " + r.command + " " + r.target + (r.relative ? "" : "(game folder)") + "@" + std::to_string(r.line) + ";";
    return out;
}

TEST(LevelScript, AiCon) {
    struct Case {
        std::string file;
        std::string read;
    };
    const Case cases[] = {
        {"rem *** ai.con\r\nbeginrem\r\naiSettings.setWorldMapSize 1024 1024\r\nai.createallmaps\r\nendrem\r\n"
         "AISettings.SetWorldMapSize\t2048 2048\r\nrun AIPathFinding.con\r\nconsole.useRelativePaths 0\r\n"
         "include bf1942/levels/Map/ai/Strategies.con\r\nai.addSAIStrategy 1 west\r\nai.addSAIStrategy 2\r\n"
         "  AI.CreateAllMaps \r\nai.createallmaps now\r\nrem ai.createallmaps\r\n"
         "aiSettings.setWorldMapSize 4096 4096\r\n",
         "size 2048@6; strategy 1 west@10; generation@12; run AIPathFinding.con@7; "
         "include bf1942/levels/Map/ai/Strategies.con(game folder)@9;"},
        {"aiSettings.setWorldMapSize big 2048\r\nrun\r\n", "size big(no number)@1; run @2;"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(describe(readAiCon(linesOf(c.file))), c.read) << c.file;
}

TEST(LevelScript, InitConCombatArea) {
    struct Case {
        std::string file;
        std::optional<WorldRect> area;
        std::string problem;
        size_t line;
    };
    const Case cases[] = {
        {"rem Game.setActiveCombatArea 1 2 3 4\r\ngame.SETACTIVECOMBATAREA 100 200 300 400\r\n",
         WorldRect{100, 200, 400, 600}, "", 2},
        {"Game.setActiveCombatArea 0 0 512 512\r\nbeginrem\r\nGame.setActiveCombatArea 1 1 1 1\r\nendrem\r\n"
         "if v_arg1 == host\r\n\tGame.setActiveCombatArea\t+360 460 1229 1229\r\nendif\r\n",
         WorldRect{360, 460, 1589, 1689}, "", 6},
        {"Game.setActiveCombatArea 1 2 3\r\n", std::nullopt,
         "line 1: Game.setActiveCombatArea needs four numbers: minX minZ sizeX sizeZ", 1},
        {"run Init/Terrain\r\n", std::nullopt, "", 0},
    };
    for (const Case& c : cases) {
        const CombatAreaLine read = combatAreaOf(linesOf(c.file));
        EXPECT_EQ(read.area, c.area) << c.file;
        EXPECT_EQ(read.problem, c.problem) << c.file;
        EXPECT_EQ(read.line, c.line) << c.file;
    }
}

TEST(LevelScript, TerrainCon) {
    struct Case {
        std::string file;
        std::optional<int> worldSize;
        std::optional<double> declared;
        size_t line;
        double yScale;
        std::string heightmap;
        std::vector<std::string> problems;
    };
    const Case cases[] = {
        {"rem *** terrain\r\nGeometryTemplate.create Terrain Terrain\r\nbeginrem\r\nGeometryTemplate.worldSize 4096\r\n"
         "endrem\r\ngeometrytemplate.WORLDSIZE\t2048\r\nGeometryTemplate.yScale 0.6\r\n"
         "GeometryTemplate.file bf1942\\levels\\Map\\Ground\\Heights\r\n",
         2048, 2048, 6, 0.6, "Ground/Heights.raw", {}},
        {"GeometryTemplate.worldSize 1024\r\nGeometryTemplate.worldSize 2048\r\n", 2048, 2048, 2, 1, "Heightmap.raw", {}},
        {"GeometryTemplate.worldSize 100000\r\nGeometryTemplate.yScale tall\r\n", std::nullopt, 100000, 1, 1,
         "Heightmap.raw",
         {"line 1: a world of 100000 m cannot be shown", "line 2: GeometryTemplate.yScale needs a number, not \"tall\""}},
        {"GeometryTemplate.file ..\\..\\Heightmap\r\n", std::nullopt, std::nullopt, 0, 1, "Heightmap.raw",
         {"line 1: GeometryTemplate.file ..\\..\\Heightmap lies outside the level folder"}},
    };
    for (const Case& c : cases) {
        const TerrainSettings t = terrainOf(linesOf(c.file));
        EXPECT_EQ(t.worldSize, c.worldSize) << c.file;
        EXPECT_EQ(t.declaredWorldSize, c.declared) << c.file;
        EXPECT_EQ(t.worldSizeLine, c.line) << c.file;
        EXPECT_EQ(t.yScale, c.yScale) << c.file;
        EXPECT_EQ(t.heightmap, c.heightmap) << c.file;
        EXPECT_EQ(t.problems, c.problems) << c.file;
    }
}

TEST(LevelScript, AIPathFindingCon) {
    struct Case {
        std::string file;
        Lines read;  // "line kind words | map number | seed points"
    };
    const Case cases[] = {
        {"rem *** Tank ***\r\nai.addSearchMap Tank0 0 0 25 1 0 0 1\r\nbeginrem\r\nai.addSearchMap Old9 0 0 25 1 0 0 1\r\n"
         "endrem\r\nAI.addSearchType\tTank 0 1\r\nai.setMapSpawnPoints 0 10/20, 30/+40,x\r\nai.SetSmoothing 0 2\r\n"
         "ai.loadMaps\r\nai.setMapSpawnPoints 1\r\n",
         {"2 map Tank0 0 0 25 1 0 0 1 |  |", "6 type Tank 0 1 | 0 |", "7 seeds 0 10/20, 30/+40,x | 0 | 10/20 30/40 -",
          "8 smoothing 0 2 | 0 |", "10 seeds 1 | 1 |"}},
        {"ai.addSearchType\r\nai.setMapSpawnPoints\r\n", {"1 type |  |", "2 seeds |  |"}},
    };
    for (const Case& c : cases) {
        Lines read;
        for (const PathFindingLine& l : readPathFinding(linesOf(c.file))) {
            static const char* kinds[] = {"map", "type", "seeds", "smoothing"};
            std::string text = std::to_string(l.line) + " " + kinds[static_cast<int>(l.kind)];
            for (const std::string& w : l.words) text += " " + w;
            text += " | " + mapNumberText(l) + " |";
            for (const auto& p : seedPointsOf(l)) {
                text += ' ';
                text += p ? pointText(p->first, p->second) : std::string("-");
            }
            read.push_back(text);
        }
        EXPECT_EQ(read, c.read) << c.file;
    }
}

TEST(LevelScript, ControlPoints) {
    struct Case {
        const char* what;
        std::string points, templates;
        Lines read;  // "template x/y team radius fixed @line"
    };
    const std::string templates =
        "rem *** control points\r\nObjectTemplate.create ControlPoint CP_A\r\nObjectTemplate.setTeam 1\r\n"
        "objecttemplate.radius 25\r\nObjectTemplate.unableToChangeTeam 1\r\nbeginrem\r\nObjectTemplate.setTeam 2\r\n"
        "endrem\r\nObjectTemplate.create ControlPoint CP_B\r\nObjectTemplate.setTeam v_team\r\n";
    const Case cases[] = {
        {"wrappers, variables, comments and letter case",
         "var v_pos = 300/10/400\r\nif v_arg1 == host\r\nObject.create CP_A\r\n\tObject.absolutePosition 100/5/200\r\n"
         "endIf\r\nobject.create cp_a\r\nobject.absoluteposition v_pos\r\nObject.create CP_A\r\n"
         "Object.absolutePosition v_arg1\r\nrem Object.create CP_A\r\nObject.create CP_B\r\n"
         "Object.absolutePosition 7/0/8\r\n",
         templates, {"CP_A 100/200 1 25 fixed @4", "CP_A 300/400 1 25 fixed @7", "CP_B 7/8 0 0 free @12"}},
        {"templates and objects in one file, objects of no control point left out",
         templates + "Object.create Tree\r\nObject.absolutePosition 1/2/3\r\nObject.create CP_B\r\n"
                     "Object.absolutePosition 5/6/7\r\n",
         "", {"CP_B 5/7 0 0 free @14"}},
    };
    for (const Case& c : cases) {
        Lines read;
        for (const ControlPoint& p : readControlPoints(linesOf(c.points), linesOf(c.templates)))
            read.push_back(p.templateName + " " + pointText(p.x, p.y) + " " + std::to_string(p.team) + " " +
                           num(p.radius) + " " +
                           (p.fixedTeam ? "fixed" : "free") + " @" + std::to_string(p.line));
        EXPECT_EQ(read, c.read) << c.what;
    }
}

} // namespace
} // namespace tw::level
