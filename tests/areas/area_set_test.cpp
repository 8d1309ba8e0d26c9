// The area set: every sequence of changes, undone and redone, leaves the
// script that recording the resulting areas afresh writes; the name rule.
#include "areas/area_name.h"
#include "areas/area_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace tw::areas {
namespace {

// Area `name` with a square of `at` to `at` + 20 pixels on a 2048-metre map.
AreaSpec spec(const std::string& name, int at, int32_t priority = 50, int side = 1) {
    AreaSpec a;
    a.name = name;
    a.box = *areaOf(at, at, at + 20, at + 20, 2048, 4);
    a.priority = priority;
    a.kinds.base = side == 1;
    a.light = true;
    a.side = side;
    return a;
}

// The page's way through the neighbour step: each area in turn ticks its
// neighbours' first entries in the list.
void passNeighbourStep(AreaSet& set, const std::map<std::string, Lines>& neighbours) {
    set.openStep();
    while (const auto at = set.current()) {
        for (size_t row = 0; row < set.checkList().size(); ++row) set.tick(row, false);
        const auto it = neighbours.find(set.areas()[*at].spec.name);
        if (it != neighbours.end())
            for (const std::string& n : it->second)
                for (size_t row = 0; row < set.checkList().size(); ++row)
                    if (set.checkList()[row] == n) {
                        set.tick(row, true);
                        break;
                    }
        set.finishCurrent();
    }
}

struct Step {
    char op;  // r record, e edit (renamed, priority 77), d delete, m move, n neighbours again, u undo, y redo
    size_t at = 0;
    std::string name;
    Lines neighbours;  // for n
};

struct Expected {
    std::string name;
    std::string from;  // the area it was recorded as (edited or moved), or itself
    int32_t priority;
    int shift;  // pixels moved
    Lines neighbours;
};

TEST(AreaSetChanges, ScriptEqualsTheResultingAreasRecordedAfresh) {
    // Every case starts from A, B, C with A-B and B-C as neighbours, all
    // through the neighbour step.
    const std::vector<std::pair<std::vector<Step>, std::vector<Expected>>> cases = {
        {{}, {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'d', 1}}, {{"A", "A", 50, 0, {}}, {"C", "C", 50, 0, {}}}},
        {{{'d', 1}, {'u'}}, {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'d', 1}, {'u'}, {'y'}}, {{"A", "A", 50, 0, {}}, {"C", "C", 50, 0, {}}}},
        {{{'e', 1, "Ridge"}}, {{"A", "A", 50, 0, {"Ridge"}}, {"Ridge", "B", 77, 0, {"A", "C"}}, {"C", "C", 50, 0, {"Ridge"}}}},
        {{{'e', 1, "Ridge"}, {'d', 0}}, {{"Ridge", "B", 77, 0, {"C"}}, {"C", "C", 50, 0, {"Ridge"}}}},
        {{{'e', 1, "Ridge"}, {'d', 0}, {'u'}, {'u'}},
         {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'m', 2}}, {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 10, {"B"}}}},
        {{{'m', 2}, {'u'}, {'r', 0, "D"}, {'y'}},  // a new change leaves nothing to redo
         {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}, {"D", "D", 50, 0, {}}}},
        {{{'n', 0, "", {"C"}}}, {{"A", "A", 50, 0, {"C"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'n', 2, "", {"A", "B"}}, {'d', 0}}, {{"B", "B", 50, 0, {"C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'n', 2, "", {"A", "B"}}, {'u'}}, {{"A", "A", 50, 0, {"B"}}, {"B", "B", 50, 0, {"A", "C"}}, {"C", "C", 50, 0, {"B"}}}},
        {{{'r', 0, "D"}, {'d', 3}, {'u'}, {'d', 0}},
         {{"B", "B", 50, 0, {"C"}}, {"C", "C", 50, 0, {"B"}}, {"D", "D", 50, 0, {}}}},
        {{{'d', 0}, {'d', 0}, {'d', 0}}, {}},
    };
    const std::map<std::string, AreaSpec> base = {{"A", spec("A", 10)}, {"B", spec("B", 60, 50, 2)},
                                                  {"C", spec("C", 110, 50, 0)}, {"D", spec("D", 200)}};
    for (size_t k = 0; k < cases.size(); ++k) {
        const auto& [steps, expected] = cases[k];
        AreaSet set;
        for (const char* n : {"A", "B", "C"}) set.record(base.at(n));
        passNeighbourStep(set, {{"A", {"B"}}, {"B", {"A", "C"}}, {"C", {"B"}}});
        AreaHistory history;
        for (const Step& s : steps) {
            if (s.op == 'u' || s.op == 'y') {
                if (auto other = s.op == 'u' ? history.undo(set) : history.redo(set)) set = *other;
                continue;
            }
            const AreaSet before = set;
            if (s.op == 'r') {
                set.record(base.at(s.name));
            } else if (s.op == 'e') {
                AreaSpec a = set.areas()[s.at].spec;
                a.name = s.name;
                a.priority = 77;
                set.replace(s.at, a);
            } else if (s.op == 'd') {
                set.remove(s.at);
            } else if (s.op == 'm') {
                AreaSpec a = set.areas()[s.at].spec;
                a.box = *areaOf(a.box.left + 10, a.box.top + 10, a.box.right + 10, a.box.bottom + 10, 2048, 4);
                set.replace(s.at, a);
            } else if (s.op == 'n') {
                set.reopen(s.at);
                passNeighbourStep(set, {{set.areas()[s.at].spec.name, s.neighbours}});
            }
            history.changed(before);
            // The work file holds exactly this set.
            AreasWork work;
            set.toWork(work);
            EXPECT_EQ(AreaSet::fromWork(work), set) << k;
        }
        passNeighbourStep(set, {});  // a new area, still waiting: no neighbours

        AreaSet fresh;
        std::map<std::string, Lines> neighbours;
        for (const Expected& e : expected) {
            AreaSpec a = base.at(e.from);
            a.name = e.name;
            a.priority = e.priority;
            a.box = *areaOf(a.box.left + e.shift, a.box.top + e.shift, a.box.right + e.shift, a.box.bottom + e.shift,
                            2048, 4);
            fresh.record(a);
            neighbours[e.name] = e.neighbours;
        }
        passNeighbourStep(fresh, neighbours);
        EXPECT_EQ(joinLines(set.script(), true), joinLines(fresh.script(), true)) << "case " << k;
        EXPECT_EQ(set.names(), fresh.names()) << "case " << k;
        // The written script reads back as the same areas.
        AreaSet again = AreaSet::fromScript(set.script());
        EXPECT_EQ(joinLines(again.script(), true), joinLines(set.script(), true)) << "case " << k;
    }
}

// The Part's own flow through the set: "Fertig" twice lists the names
// twice, and ticking both writes the neighbour twice; areas recorded after
// "Fertig" join the step but not the list.
TEST(AreaSetChanges, TheNeighbourStepAsTheWizardLeadsIt) {
    AreaSet set;
    set.record(spec("Hill", 10));
    set.openStep();
    set.openStep();
    ASSERT_EQ(set.checkList(), (Lines{"Hill", "Hill"}));
    set.record(spec("Bridge", 60));
    set.tick(0, true);
    set.tick(1, true);
    EXPECT_TRUE(set.finishCurrent());
    EXPECT_EQ(set.areas()[0].spec.neighbours, (Lines{"Hill", "Hill"}));
    ASSERT_EQ(set.current(), std::optional<size_t>(1));
    EXPECT_EQ(set.ticked(), (std::vector<bool>{false, false}));
    EXPECT_TRUE(set.finishCurrent());
    EXPECT_FALSE(set.finishCurrent());
    // Reopened alone: every name once, its neighbours ticked.
    set.reopen(0);
    EXPECT_EQ(set.checkList(), (Lines{"Hill", "Bridge"}));
    EXPECT_EQ(set.ticked(), (std::vector<bool>{true, false}));
}

// Work saved before areas could be changed (the lists the wizard kept, with
// a name of two words and the neighbour step half done) reads back as areas;
// lines that describe no areas are refused.
TEST(AreaSetWork, ReadsEarlierWorkAndRefusesLinesThatDescribeNoAreas) {
    AreasWork w;
    w.listEntries = {"Hill [ 400;848 / 500;928 ] ==> Prio. [50]", "Two words [ 0;2040 / 2;2044 ] ==> Prio. [1]"};
    w.createLines = {"aiStrategicArea.create Hill 400/848 500/928 50", " ",
                     "aiStrategicArea.create Two words 0/2040 2/2044 1", " "};
    w.waiting = {"Two words"};
    w.params = {{"aiStrategicArea.addObjectTypeFlag flank"}};
    w.vparams = {{"AIStrategicArea.setOrderPosition Infantry -8/2034", "AIStrategicArea.setOrderPosition Tank -8/2034"}};
    w.sides = {""};
    w.blocks = {"aiStrategicArea.setActive Hill", "AIStrategicArea.addNeighbour Two words",
                "aiStrategicArea.addObjectTypeFlag Base", "AIStrategicArea.setOrderPosition Infantry 490/918",
                "AIStrategicArea.setOrderPosition Car 490/918", "aiStrategicArea.setSide 1", ""};
    w.neighbourStep = true;
    w.checkList = {"Hill", "Two words"};
    w.ticked = {true, false};
    w.outlines = {{100, 260, 150, 300, 1, "Hill"}, {0, 0, 1, 2, -1, "Two words"}};
    const auto set = AreaSet::fromWork(w);
    ASSERT_TRUE(set);
    ASSERT_EQ(set->current(), std::optional<size_t>(1));
    AreaSet finished = *set;
    finished.finishCurrent();  // "Hill" ticked
    AreaSet fresh;
    AreaSpec hill = spec("Hill", 0);
    hill.box = *areaOf(100, 260, 150, 300, 2048, 4);
    AreaSpec two = spec("Two words", 0, 1, -1);
    two.box = *areaOf(0, 0, 1, 2, 2048, 4);
    two.kinds = {};
    two.kinds.flank = true;
    two.light = false;
    two.heavy = true;
    fresh.record(hill);
    fresh.record(two);
    passNeighbourStep(fresh, {{"Hill", {"Two words"}}, {"Two words", {"Hill"}}});
    EXPECT_EQ(joinLines(finished.script(), true), joinLines(fresh.script(), true));

    const std::vector<std::function<void(AreasWork&)>> damage = {
        [](AreasWork& d) { d.listEntries[0] = "Hill [ 1;1 / 2;2 ] ==> Prio. [50]"; },
        [](AreasWork& d) { d.blocks[2] = "aiStrategicArea.addObjectTypeFlag Castle"; },
        [](AreasWork& d) { d.waiting[0] = "Someone"; },
        [](AreasWork& d) { d.blocks.pop_back(); },
        [](AreasWork& d) { d.outlines.pop_back(); },
        [](AreasWork& d) { d.createLines[2] = "aiStrategicArea.create 0/2040 2/2044 1"; },
    };
    for (size_t k = 0; k < damage.size(); ++k) {
        AreasWork d = w;
        damage[k](d);
        EXPECT_FALSE(AreaSet::fromWork(d)) << k;
    }
}

// The walk through proposals: recorded ones (by an earlier area of the same
// name, letter case aside) are passed over but stay neighbours; each one
// recorded proposes its neighbours among the recorded ones.
TEST(AreaSetProposals, TheWalkPassesRecordedOnesAndProposesNeighbours) {
    enum Act { Record, Skip };
    const auto proposal = [](const char* name, std::vector<size_t> neighbours) {
        return Proposal{name, 0, 0, 20, 20, 100, false, 1, std::move(neighbours)};
    };
    const std::vector<Proposal> proposals = {proposal("A", {1}), proposal("B", {0, 2}), proposal("C", {1})};
    const struct {
        const char* what;
        std::vector<Act> acts;
        std::vector<size_t> shown;  // before each act, and then
        AreaSet::ProposedNeighbours proposed;
    } cases[] = {
        {"all recorded", {Record, Record}, {0, 2}, {{"A", {"b"}}, {"b", {"A", "C"}}, {"C", {"b"}}}},
        {"the first passed by", {Skip, Record}, {0, 2}, {{"b", {"C"}}, {"C", {"b"}}}},
        {"none recorded", {Skip, Skip}, {0, 2}, {}},
    };
    for (const auto& c : cases) {
        AreaSet set;
        set.record(spec("b", 10));
        set.startProposals(proposals);
        std::vector<size_t> shown;
        for (const Act act : c.acts) {
            const auto at = set.nextProposal();
            ASSERT_TRUE(at) << c.what;
            shown.push_back(*at);
            if (act == Record) EXPECT_TRUE(set.proposalRecorded(set.proposals()[*at].name)) << c.what;
            else set.skipProposal();
        }
        EXPECT_EQ(shown, c.shown) << c.what;
        EXPECT_FALSE(set.nextProposal()) << c.what;
        EXPECT_TRUE(set.proposals().empty()) << c.what;  // the walk is over
        EXPECT_FALSE(set.proposalRecorded("D")) << c.what;
        EXPECT_EQ(set.proposedNeighbours(), c.proposed) << c.what;
    }
}

TEST(AreaNames, TheScriptCarriesOneWordOnce) {
    const Lines recorded = {"Hill", "AxisHQ"};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Bridge", ""},
        {"Old_Bridge-2.b", ""},
        {"", "Enter a valid name"},
        {"My Village", "holds a blank"},
        {"Your area - name here", "holds a blank"},
        {"Tab\tName", "holds a blank"},
        {"D\xC3\xBC" "ne", "holds the character '\xC3\xBC'"},
        {"A;rm", "holds the character ';'"},
        {"A/B", "holds the character '/'"},
        {"axishq", "An area named \"AxisHQ\" is recorded already"},
    };
    for (const auto& [name, problem] : cases) {
        const std::string message = nameProblem(name, recorded);
        if (problem.empty()) EXPECT_EQ(message, "") << name;
        else EXPECT_NE(message.find(problem), std::string::npos) << name << ": " << message;
    }
}

} // namespace
} // namespace tw::areas

namespace tw::areas {
namespace {

// StrategicAreas.con as written by hand, read as the game reads it: any
// letter case, comments passed over, the game's box, lines with their
// numbers and the problems of the lines it cannot take.
TEST(AreaScriptReader, AHandWrittenFile) {
    const Lines script = {
        "rem written by hand",                                 // 1
        "AISTRATEGICAREA.CREATE Hill 100/200 150/260 40",      // 2
        "beginrem",                                            // 3
        "aiStrategicArea.create Ghost 1/1 2/2 3",              // 4
        "endrem",                                              // 5
        "aistrategicarea.setactive hill",                      // 6
        "  aiStrategicArea.addNeighbour Mill",                 // 7
        "aiStrategicArea.addObjectTypeFlag\tCONTROLPOINT",     // 8
        "AIStrategicArea.setOrderPosition car 140/250",        // 9
        "aiStrategicArea.setSide 2",                           // 10
        "aiStrategicArea.create Mill 300/300 350/350 20 land", // 11
        "aiStrategicArea.setActive Nowhere",                   // 12
        "aiStrategicArea.setSide 1",                           // 13
        "aiStrategicArea.create Broken 1/2",                   // 14
    };
    const AreaScript read = readAreaScript(script);
    ASSERT_EQ(read.areas.size(), 2u);
    const ScriptArea& hill = read.areas[0];
    EXPECT_EQ(hill.name, "Hill");
    EXPECT_EQ(hill.line, 2u);
    EXPECT_EQ((std::vector<double>{hill.x1, hill.z1, hill.x2, hill.z2}), (std::vector<double>{100, 200, 200, 320}));
    EXPECT_EQ(hill.neighbours, (std::vector<std::pair<std::string, size_t>>{{"Mill", 7}}));
    EXPECT_EQ(hill.kinds, (std::set<std::string>{"controlpoint"}));
    ASSERT_EQ(hill.orders.size(), 1u);
    EXPECT_EQ(hill.orders[0].line, 9u);
    EXPECT_EQ(hill.side, 2);
    EXPECT_EQ(read.areas[1].name, "Mill");
    EXPECT_EQ(read.areas[1].side, -1);
    std::vector<size_t> problemLines;
    for (const auto& [line, what] : read.problems) problemLines.push_back(line);
    EXPECT_EQ(problemLines, (std::vector<size_t>{12, 13, 14}));

    // The same areas for the Areas page and the pathmap window.
    const AreaSet set = AreaSet::fromScript(script);
    ASSERT_EQ(set.size(), 2u);
    const AreaSpec& a = set.areas()[0].spec;
    EXPECT_EQ((std::vector<int32_t>{a.box.minX, a.box.minY, a.box.maxX, a.box.maxY}),
              (std::vector<int32_t>{100, 200, 200, 320}));
    EXPECT_TRUE(a.kinds.controlPoint && a.light && !a.heavy);
    EXPECT_EQ(a.side, 2);
    EXPECT_EQ(a.neighbours, Lines{"Mill"});
}

} // namespace
} // namespace tw::areas
