// Areas proposed from control points, areas described in text, and the work
// file of the areas in progress.
#include "areas/area_text.h"
#include "areas/proposals.h"
#include "areas/work_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/program_folder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tw::areas {
namespace {

std::vector<std::string> namesOf(const std::vector<Proposal>& ps, const std::vector<size_t>& indices) {
    std::vector<std::string> out;
    for (const size_t i : indices) out.push_back(ps[i].name);
    return out;
}

TEST(Proposals, TheSampleLevelGivesFiveAreas) {
    const std::string conquest = test::sampleLevel() + "conquest/";
    const auto points = readControlPoints(readLines(conquest + "ControlPoints.con"),
                                          readLines(conquest + "ControlPointTemplates.con"));
    const auto ps = proposeAreas(points, 1024, 2);
    struct Expected {
        const char* name;
        int side;
        bool base;
        std::vector<std::string> neighbours;
    };
    const std::vector<Expected> expected = {
        {"CP_Axis_Base", 1, true, {"CP_Village"}},
        {"CP_Allied_Base", 2, true, {"CP_Village"}},
        {"CP_Village", 0, false, {"CP_Axis_Base", "CP_Allied_Base", "CP_Bridge", "CP_Hill"}},
        {"CP_Bridge", 0, false, {"CP_Village"}},
        {"CP_Hill", 0, false, {"CP_Village"}},
    };
    ASSERT_EQ(ps.size(), expected.size());
    for (size_t i = 0; i < ps.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(ps[i].name, expected[i].name);
        EXPECT_EQ(ps[i].side, expected[i].side);
        EXPECT_EQ(ps[i].base, expected[i].base);
        EXPECT_EQ(ps[i].priority, expected[i].base ? 50 : 100);
        EXPECT_EQ(namesOf(ps, ps[i].neighbours), expected[i].neighbours);
    }
    // The axis base at 150/880, radius 20: the 60-metre minimum, in pixels
    // of two metres, rows counted from the north edge.
    EXPECT_EQ((std::vector<int>{ps[0].left, ps[0].top, ps[0].right, ps[0].bottom}), (std::vector<int>{60, 57, 90, 87}));
}

// The second sample gives its control points through variables, inside
// host wrappers, with a template hidden in a beginrem block.
TEST(Proposals, TheSecondSampleThroughVariables) {
    const std::string conquest = test::secondSampleLevel() + "Conquest/";
    const auto points = readControlPoints(readLines(conquest + "ControlPoints.con"),
                                          readLines(conquest + "ControlPointTemplates.con"));
    ASSERT_EQ(points.size(), 3u);
    const std::vector<std::tuple<std::string, double, double, int, double, bool>> expected = {
        {"cp_north_base", 410.0, 1640.0, 1, 25, true},
        {"cp_south_base", 1620.0, 400.0, 2, 25, true},
        {"cp_mill", 1020.0, 1060.0, 0, 30, false},
    };
    for (size_t i = 0; i < points.size(); ++i) {
        const ControlPoint& p = points[i];
        EXPECT_EQ(std::tuple(p.templateName, p.x, p.y, p.team, p.radius, p.fixedTeam), expected[i]);
    }
}

TEST(Proposals, CommentsWrappersAndOddLetterCase) {
    const Lines points = {
        "rem *** points ***",
        "BeginRem",
        "Object.create CP_North",
        "Object.absolutePosition 10/0/10",
        "EndRem",
        "if v_arg1 == host",
        "  OBJECT.CREATE   cp_north",
        "\tobject.absolutePosition  100.5 / 20 / 900",
        "endIf",
        "object.Create NotACp",
        "object.absolutePosition 5/5/5",
        "Object.create CP_North",
        "Object.absolutePosition 300/0/900",
        "rem Object.create CP_South",
        "Object.create CP_South",
        "Object.absolutePosition 500/0/-100",
        "Object.create CP_South",
        "Object.absolutePosition nan/0/4",
        "Object.create CP_Lost",
        "Object.absolutePosition 1/2/3",
    };
    const Lines templates = {
        "ObjectTemplate.create ControlPoint CP_North",
        "objecttemplate.setTeam 2",
        "ObjectTemplate.Radius 50",
        "rem ObjectTemplate.radius 500",
        "ObjectTemplate.create controlpoint CP_South",
        "ObjectTemplate.setTeam 1",
        "ObjectTemplate.unableToChangeTeam 1",
        "ObjectTemplate.create SimpleObject NotACp",
        "ObjectTemplate.setTeam 1",
    };
    const auto points0 = readControlPoints(points, templates);
    ASSERT_EQ(points0.size(), 3u);
    EXPECT_EQ(points0[0].x, 100.5);
    EXPECT_EQ(points0[0].y, 900);
    EXPECT_EQ(points0[0].radius, 50);
    EXPECT_EQ(points0[0].team, 2);
    EXPECT_TRUE(points0[2].fixedTeam);

    const auto ps = proposeAreas(points0, 1024, 2);
    ASSERT_EQ(ps.size(), 3u);
    EXPECT_EQ(ps[0].name, "CP_North_1");
    EXPECT_EQ(ps[1].name, "CP_North_2");
    EXPECT_EQ(ps[2].name, "CP_South");
    // Radius 50: a 100-metre square, 50 pixels; the south point lies beyond
    // the map's south edge and is clipped to a one-pixel strip on it.
    EXPECT_EQ(ps[1].right - ps[1].left, 50);
    EXPECT_EQ(ps[2].bottom, 512);
    EXPECT_EQ(ps[2].top, 511);
    EXPECT_EQ(ps[2].side, 1);
    EXPECT_TRUE(ps[2].base);
}

TEST(Proposals, NamesStayOneUniqueWord) {
    const std::vector<ControlPoint> points = {{"Cp-West", 10, 10}, {"cp_west", 20, 20}, {"CP_West_2", 30, 30}};
    const auto ps = proposeAreas(points, 1024, 2);
    // "Cp-West" and "cp_west" are two templates; the script's name for the
    // first becomes Cp_West, which the second shares without regard to case.
    EXPECT_EQ(ps[0].name, "Cp_West");
    EXPECT_EQ(ps[1].name, "cp_west_2");
    EXPECT_EQ(ps[2].name, "CP_West_2_2");
}

TEST(Proposals, NeighboursHaveNoPointBetweenThem) {
    // Two bases at the ends, two villages and a bridge between them.
    const std::vector<std::pair<double, double>> chain = {{0, 0}, {100, 0}, {200, 10}, {300, 0}, {400, 0}};
    EXPECT_EQ(neighbourPairs(chain),
              (std::vector<std::pair<size_t, size_t>>{{0, 1}, {1, 2}, {2, 3}, {3, 4}}));
    // A square: the sides, not the diagonals.
    EXPECT_EQ(neighbourPairs({{0, 0}, {10, 0}, {0, 10}, {10, 10}}),
              (std::vector<std::pair<size_t, size_t>>{{0, 1}, {0, 2}, {1, 3}, {2, 3}}));
    EXPECT_TRUE(neighbourPairs({}).empty());
    const std::vector<ControlPoint> crowd(kMaxControlPoints + 1, ControlPoint{"CP", 1, 1});
    EXPECT_THROW(proposeAreas(crowd, 1024, 2), AppError);
    EXPECT_EQ(proposeAreas({crowd.begin(), crowd.end() - 1}, 1024, 2).size(), kMaxControlPoints);
    EXPECT_TRUE(neighbourPairs({{5, 5}}).empty());
}

TEST(AreaText, ReadsAreasAndNamesTheBadLine) {
    const auto areas = parseAreaText({"# two areas", "", "Hill 400/848 600/1008 50 Base,controlpoint,Car 1 Bridge",
                                      "Bridge 1200/400 1000/200 100 tank 2 hill"});
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0].box.minY, 848);
    EXPECT_EQ(areas[0].box.centerX, 500);
    EXPECT_EQ(areas[1].box.minX, 1000);
    EXPECT_EQ(areas[1].neighbours, Lines{"Hill"});
    EXPECT_TRUE(areas[0].kinds.base && areas[0].kinds.controlPoint && areas[0].light && !areas[0].heavy);

    const std::vector<std::pair<Lines, std::string>> bad = {
        {{"A 0/0 10/10 5 - -", "B 0/0"}, "line 2: expected"},
        {{"A 0/0 10/10 5 - -", "A 0/0 10/10 5 - -"}, "line 2: An area named \"A\" is recorded already"},
        {{"A b/0 10/10 5 - -"}, "line 1: not a corner"},
        {{"A 0/0 0/10 5 - -"}, "line 1: the corners share"},
        {{"A 0/0 10/10 x - -"}, "line 1: the priority"},
        {{"A 0/0 10/10 5 Boat -"}, "line 1: unknown kind: Boat"},
        {{"A 0/0 10/10 5 - 3"}, "line 1: the side"},
        {{"#", "A 0/0 10/10 5 - - Nowhere"}, "line 2: no area named Nowhere"},
        {{"A;rm 0/0 10/10 5 - -"}, "line 1: The name \"A;rm\" holds the character ';'"},
        {{"A 0/0 99999999999/10 5 - -"}, "line 1: not a corner"},
    };
    for (const auto& [lines, message] : bad) {
        try {
            parseAreaText(lines);
            ADD_FAILURE() << message;
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
}

TEST(WorkFile, ReadsBackWhatItWroteAndRefusesDamage) {
    AreasWork w;
    w.picture = "/maps/Textures/InGameMap.dds";
    w.listEntries = {"Hill [ 400;848 / 500;928 ] ==> Prio. [50]", "Two words [ 0;0 / 1;1 ] ==> Prio. [1]"};
    w.createLines = {"aiStrategicArea.create Hill 400/848 500/928 50", " "};
    w.waiting = {"Two words"};
    w.params = {{"aiStrategicArea.addObjectTypeFlag Base"}};
    w.vparams = {{"AIStrategicArea.setOrderPosition Infantry 490/918", ""}};
    w.sides = {""};
    w.blocks = {"aiStrategicArea.setActive Hill", ""};
    w.neighbourStep = true;
    w.checkList = {"Hill", "Two words"};
    w.ticked = {false, true};
    w.outlines = {{100, 260, 150, 300, 1, "Hill"}, {0, 0, 1, 1, -1, "Two words"}};
    w.proposedNeighbours = {{"Hill", {"Two words"}}};
    const std::string text = serialiseWork(w);
    EXPECT_EQ(parseWork(text), w);
    EXPECT_EQ(parseWork(serialiseWork(AreasWork{})), AreasWork{});
    AreasWork fitted = w;  // a picture fitted to the combat area keeps that
    fitted.pictureFitted = true;
    EXPECT_EQ(parseWork(serialiseWork(fitted)), fitted);
    EXPECT_EQ(text.find("fitted"), std::string::npos);  // other work is written as before
    for (size_t cut : {size_t{0}, size_t{10}, text.size() / 2, text.size() - 1})
        EXPECT_FALSE(parseWork(text.substr(0, cut))) << cut;
    std::string uneven = text;
    uneven.replace(uneven.find("sides 1"), 7, "sides 0");
    uneven.erase(uneven.find("sides 0") + 8, 1);  // the empty side line
    EXPECT_FALSE(parseWork(uneven));
    std::string injected = text;
    injected.replace(injected.find("Hill\n"), 5, "Hill\rAI.createallmaps\n");
    EXPECT_FALSE(parseWork(injected));
    std::string huge = text;
    huge.replace(huge.find("list 2"), 6, "list 99999999999999999999");
    EXPECT_FALSE(parseWork(huge));
}

} // namespace
} // namespace tw::areas
