// The add-on's check: a clean add-on of the sample level, and broken ones
// made from it with one change each, every one giving exactly its finding.
#include "check/addon_check.h"

#include "pathmaps/pathmap_set.h"
#include "platform/files.h"
#include "support/clean_addon.h"
#include "support/town_addon.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

namespace fs = std::filesystem;

namespace tw::check {
namespace {

struct Sample {
    Sample() {
        program = test::makeProgramFolder(tmp.path() / "Tarnwick");
        test::makeCleanAddon(program, tmp.dir() + "Clean_001");
    }
    test::TempFolder tmp;
    std::string program;
};

const Sample& sample() {
    static const Sample s;
    return s;
}

// The findings of a copy of the clean add-on after `change`.
std::vector<Finding> findingsAfter(const std::function<void(const std::string&)>& change) {
    static int copies = 0;
    const std::string addon = sample().tmp.dir() + "Copy" + std::to_string(++copies) + "/";
    fs::copy(sample().tmp.dir() + "Clean_001", addon, fs::copy_options::recursive);
    change(addon);
    return checkAddon(addon, sample().program + "samples/DemoMap/");
}

void replaceIn(const std::string& file, const std::string& from, const std::string& to) {
    std::string text = readBytes(file);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << file;
    writeBytes(file, text.replace(at, from.size(), to));
}
void append(const std::string& file, const std::string& text) { writeBytes(file, readBytes(file) + text); }

// Blocks the ground of every land map in a square of `half` metres each way
// around x/z.
void blockAround(const std::string& addon, double x, double z, double half) {
    auto set = pathmaps::PathmapSet::open(addon);
    for (size_t m = 0; m < set.maps().size(); ++m) {
        pathmaps::Bitmap& base = set.editBase(m);
        for (int pz = int(z - half); pz < int(z + half); ++pz)
            for (int px = int(x - half); px < int(x + half); ++px) base.set(px, pz, true);
    }
    set.save();
}

// An area of its own, linked both ways with the village.
std::string extraArea(const std::string& create, bool kind, bool linked) {
    return create + "\r\naiStrategicArea.setActive Extra\r\n" +
           (linked ? "AIStrategicArea.addNeighbour CP_Village\r\n" : "") +
           (kind ? "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n" : "") +
           (linked ? "aiStrategicArea.setActive CP_Village\r\nAIStrategicArea.addNeighbour Extra\r\n" : "");
}

TEST(AddonCheck, TheCleanAddonHasNoErrorOrWarning) {
    const auto findings = findingsAfter([](const std::string&) {});
    std::vector<std::string> lines;
    for (const Finding& f : findings) lines.push_back(findingLine(f));
    EXPECT_EQ(countOf(findings, Severity::Error) + countOf(findings, Severity::Warning), 0u)
        << ::testing::PrintToString(lines);
}

TEST(AddonCheck, EachBrokenAddonGivesExactlyItsFinding) {
    const auto clean = findingsAfter([](const std::string&) {});
    const std::string areasFile = "AI/StrategicAreas.con";
    struct Case {
        const char* code;
        std::function<void(const std::string&)> change;
        Severity severity;
        std::string place;  // as placeText shows it
        std::string area = {};
    };
    const std::vector<Case> cases = {
        {"script-missing", [](auto a) { fs::remove(resolvePath(a + "Singleplayer/Skirmish.con")); }, Severity::Error,
         "Singleplayer/Skirmish.con"},
        {"run-target-missing",
         [](auto a) { replaceIn(a + "Coop.con", "run SinglePlayer/SoldierSpawns\r", "run SinglePlayer/SoldierSpawn\r"); },
         Severity::Error, "Coop.con:7"},
        {"area-line", [&](auto a) { append(a + areasFile, "aiStrategicArea.create Broken 1/2\r\n"); }, Severity::Error,
         "AI/StrategicAreas.con:59"},
        {"area-name-bad",
         [&](auto a) {
             for (const char* line : {"create CP_Village ", "setActive CP_Village\r", "addNeighbour CP_Village\r"})
                 for (int i = 0; i < 4; ++i) {
                     std::string text = readBytes(a + areasFile), from = line, to = from;
                     to.replace(to.find("CP_Village"), 10, "CP Village");
                     if (text.find(from) != std::string::npos) replaceIn(a + areasFile, from, to);
                 }
         },
         Severity::Error, "AI/StrategicAreas.con:6", "CP Village"},
        {"area-name-duplicate",  // two areas recorded under one name
         [&](auto a) {
             for (int i = 0; i < 3; ++i) replaceIn(a + areasFile, "CP_Hill", "CP_Bridge");
         },
         Severity::Error, "AI/StrategicAreas.con:10", "CP_Bridge"},
        {"area-size", [&](auto a) { append(a + areasFile, extraArea("aiStrategicArea.create Extra 40/40 40/60 10", true, true)); },
         Severity::Error, "AI/StrategicAreas.con:59", "Extra"},
        {"area-outside",
         [&](auto a) { append(a + areasFile, extraArea("aiStrategicArea.create Extra 1000/40 1020/60 10", true, true)); },
         Severity::Error, "AI/StrategicAreas.con:59", "Extra"},
        {"area-no-kind",
         [&](auto a) { append(a + areasFile, extraArea("aiStrategicArea.create Extra 40/40 60/60 10", false, true)); },
         Severity::Warning, "AI/StrategicAreas.con:59", "Extra"},
        {"areas-island",
         [&](auto a) { append(a + areasFile, extraArea("aiStrategicArea.create Extra 40/40 60/60 10", true, false)); },
         Severity::Error, "AI/StrategicAreas.con:59", "Extra"},
        {"neighbour-unknown",
         [&](auto a) { append(a + areasFile, "aiStrategicArea.setActive CP_Hill\r\nAIStrategicArea.addNeighbour Nowhere\r\n"); },
         Severity::Error, "AI/StrategicAreas.con:60", "CP_Hill"},
        {"neighbour-self",  // stock levels have such lines
         [&](auto a) { append(a + areasFile, "aiStrategicArea.setActive CP_Hill\r\nAIStrategicArea.addNeighbour CP_Hill\r\n"); },
         Severity::Warning, "AI/StrategicAreas.con:60", "CP_Hill"},
        {"neighbour-one-way",
         [&](auto a) {
             replaceIn(a + areasFile, "setActive CP_Bridge\r\nAIStrategicArea.addNeighbour CP_Village\r\n",
                       "setActive CP_Bridge\r\n");
         },
         Severity::Warning, "AI/StrategicAreas.con:34", "CP_Village"},
        {"control-point-uncovered",
         [](auto a) {
             replaceIn(a + "Singleplayer/ControlPoints.con", "Object.absolutePosition 720.0/110.0/700.5",
                       "Object.absolutePosition 40/110/60.5");
         },
         Severity::Warning, "40/60.5"},
        {"side-no-base",
         [&](auto a) { replaceIn(a + areasFile, "aiStrategicArea.setSide 2", "aiStrategicArea.setSide 0"); },
         Severity::Warning, "AI/StrategicAreas.con"},
        {"areas-none", [&](auto a) { writeBytes(a + areasFile, ""); }, Severity::Error, "AI/StrategicAreas.con"},
        {"strategy-missing", [](auto a) { append(a + "ai.con", "ai.addSAIStrategy 2 sideways\r\n"); }, Severity::Error,
         "ai.con:65"},
        {"prerequisite-missing",
         [](auto a) { replaceIn(a + "AI/strategies.con", "setPrerequisite westPrereq", "setPrerequisite westPrereqs"); },
         Severity::Error, "AI/strategies.con:25"},
        {"condition-missing",
         [](auto a) { replaceIn(a + "AI/prerequisites.con", "addCondition baseline 2", "addCondition baseLine2 2"); },
         Severity::Error, "AI/prerequisites.con:24"},
        {"pathmaps-generated", [](auto a) { append(a + "ai.con", "ai.createallmaps\r\n"); }, Severity::Information,
         "ai.con"},
        // The pathmap library's findings.
        {"pathmap-unusable", [](auto a) { fs::remove(resolvePath(a + "Pathfinding/Car4Level2Map.raw")); },
         Severity::Error, "Pathfinding/Car4Level2Map.raw"},
        {"pathmap-unusable",
         [](auto a) {
             const int32_t header[] = {5, 5, 6, 0, 0};  // a 2048-metre world's
             writeBytes(a + "Pathfinding/Car4Level0Map.raw", std::string(reinterpret_cast<const char*>(header), 20));
         },
         Severity::Error, "Pathfinding/Car4Level0Map.raw"},
        {"pathmap-suspect",
         [](auto a) {
             auto set = pathmaps::PathmapSet::open(a);
             pathmaps::Bitmap& base = set.editBase(0);
             for (int z = 502; z < 509; ++z)
                 for (int x = 512; x < 519; ++x) base.set(x, z, true);  // over the village's vehicle spawn
             set.save();
         },
         Severity::Warning, "515/505"},
        {"no-seed",
         [](auto a) {
             Lines lines = readLines(a + "AIPathFinding.con");
             lines[12] = "ai.setMapSpawnPoints 1";
             writeLines(a + "AIPathFinding.con", lines, true);
         },
         Severity::Error, "AIPathFinding.con:13"},
        // Numbers of the car's map as earlier Tarnwick versions wrote them
        // (the digit in its name): Car4 is the third map declared, map 2.
        {"seed-map-index",
         [](auto a) { replaceIn(a + "AIPathFinding.con", "ai.setMapSpawnPoints 2 ", "ai.setMapSpawnPoints 4 "); },
         Severity::Error, "AIPathFinding.con:18"},
        {"type-map-index",
         [](auto a) { replaceIn(a + "AIPathFinding.con", "ai.addSearchType Car 2 0", "ai.addSearchType Car 4 0"); },
         Severity::Error, "AIPathFinding.con:17"},
        {"smoothing-map-index",
         [](auto a) { replaceIn(a + "AIPathFinding.con", "\r\n\r\nrem *** Load", "\r\nai.setSmoothing 4 20\r\n\r\nrem *** Load"); },
         Severity::Warning, "AIPathFinding.con:19"},
        // Order positions as the game takes them.
        {"order-type-unknown",
         [](auto a) {
             replaceIn(a + "AIPathFinding.con", "ai.addSearchType Infantry ", "ai.addSearchType Infantery ");
             fs::rename(a + "Pathfinding/Infantry.raw", a + "Pathfinding/Infantery.raw");
             fs::rename(a + "Pathfinding/InfantryInfo.raw", a + "Pathfinding/InfanteryInfo.raw");
         },
         Severity::Warning, "AI/StrategicAreas.con:18", "CP_Axis_Base"},
        {"order-position-blocked",
         [](auto a) {
             auto set = pathmaps::PathmapSet::open(a);
             pathmaps::Bitmap& tank = set.editBase(0);
             for (int z = 868; z < 871; ++z)
                 for (int x = 138; x < 141; ++x) tank.set(x, z, true);  // under CP_Axis_Base's order position
             set.save();
         },
         Severity::Warning, "AI/StrategicAreas.con:20", "CP_Axis_Base"},
        // A flag is taken from anywhere inside its capture radius (20 m here).
        {"pathmap-suspect",
         [](auto a) {
             const std::string templates = a + "Singleplayer/ControlpointTemplates.con";
             std::string text = readBytes(templates);
             text.replace(text.find("ObjectTemplate.radius 20", text.find("CP_Hill")), 24, "ObjectTemplate.radius 5");
             writeBytes(templates, text);
             blockAround(a, 720, 700.5, 6);
         },
         Severity::Warning, "720/700.5"},
        {"pathmap-summary",
         [](auto a) { blockAround(a, 720, 700.5, 5); },
         Severity::Information, "720/700.5"},
        {"seed-map-unknown", [](auto a) { append(a + "AIPathFinding.con", "ai.setMapSpawnPoints 7 1/1\r\n"); },
         Severity::Warning, "AIPathFinding.con:24"},
        {"search-maps-none", [](auto a) { writeBytes(a + "AIPathFinding.con", ""); }, Severity::Error,
         "AIPathFinding.con"},
        {"search-maps-none",
         [](auto a) { writeBytes(a + "AIPathFinding.con", "beginrem\rai.addSearchMap Tank0 0 0 25\rendrem\r"); },
         Severity::Error, "AIPathFinding.con"},
        {"no-soldier-spawns", [](auto a) { writeBytes(a + "Singleplayer/SoldierSpawns.con", "rem none\r\n"); },
         Severity::Error, "Singleplayer/SoldierSpawns.con"},
        {"side-no-soldier-spawns",
         [](auto a) {
             for (const char* p : {"858.0/81.75/146.0", "879.0/81.75/129.0", "874.0/81.75/154.0"})
                 replaceIn(a + "Singleplayer/SoldierSpawns.con", p, "488.5/85.5/526.0");
         },
         Severity::Error, "Singleplayer/SoldierSpawns.con"},
        {"vehicle-spawn-outside",
         [](auto a) { replaceIn(a + "Singleplayer/ObjectSpawns.con", "960.0/62.0/260.0", "1960.0/62.0/260.0"); },
         Severity::Error, "Singleplayer/ObjectSpawns.con:30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        std::vector<Finding> added;
        // Information that follows from the change (a map's summary) aside,
        // and what follows from the finding (listed under it).
        for (const Finding& f : findingsAfter(c.change))
            if (std::find(clean.begin(), clean.end(), f) == clean.end() && !f.cause &&
                (f.severity != Severity::Information || c.severity == Severity::Information))
                added.push_back(f);
        std::vector<std::string> lines;
        for (const Finding& f : added) lines.push_back(findingLine(f));
        if (added.size() != 1) {
            ADD_FAILURE() << ::testing::PrintToString(lines);
            continue;
        }
        EXPECT_EQ(added[0].code, c.code);
        EXPECT_EQ(added[0].severity, c.severity);
        EXPECT_EQ(placeText(added[0]), c.place);
        EXPECT_EQ(added[0].area, c.area);
        EXPECT_FALSE(added[0].message.empty());
    }
}

// Blanks in area names, as a script edited by hand has them (the create
// lines changed, the rest not): each broken area is one cause, first in the
// list with its file and line, and everything that follows from it (its
// lines without an area, neighbours named in vain, islands, flags no longer
// covered) is linked to it and comes right after it.
TEST(AddonCheck, TheCausesComeFirstWithWhatFollowsFromThem) {
    const std::string areasFile = "AI/StrategicAreas.con";
    const auto blankIn = [&](std::vector<std::string> names) {
        return [=](const std::string& a) {
            for (const std::string& name : names) {
                std::string to = name;
                to.replace(to.find('_'), 1, " ");
                replaceIn(a + areasFile, "create " + name + " ", "create " + to + " ");
            }
        };
    };
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
        std::vector<std::string> causes;  // place: code, in this order
        std::vector<std::string> following;  // codes that must follow from the first cause
    };
    const std::vector<Case> cases = {
        {"one blank", blankIn({"CP_Village"}), {"AI/StrategicAreas.con:6 area-name-bad"},
         {"area-line", "neighbour-unknown", "areas-island", "control-point-uncovered"}},
        {"five blanks", blankIn({"CP_Axis_Base", "CP_Allied_Base", "CP_Village", "CP_Bridge", "CP_Hill"}),
         {"AI/StrategicAreas.con:2 area-name-bad", "AI/StrategicAreas.con:4 area-name-bad",
          "AI/StrategicAreas.con:6 area-name-bad", "AI/StrategicAreas.con:8 area-name-bad",
          "AI/StrategicAreas.con:10 area-name-bad"},
         {"area-line", "control-point-uncovered"}},
        {"a create line that does not read",
         [&](auto a) {
             Lines lines = readLines(a + areasFile);
             lines[5] = "aiStrategicArea.create CP_Village 440/460 oops";
             writeLines(a + areasFile, lines, true);
         },
         {"AI/StrategicAreas.con:6 area-line"}, {"area-line", "neighbour-unknown"}},
    };
    const auto clean = findingsAfter([](const std::string&) {});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto findings = findingsAfter(c.change);
        std::vector<std::string> lines, causes;
        std::set<std::string> following;
        for (const Finding& f : findings) {
            lines.push_back(findingLine(f) + (f.cause ? " <- " + std::to_string(*f.cause) : std::string()));
            if (std::find(clean.begin(), clean.end(), f) != clean.end()) continue;
            if (!f.cause) causes.push_back(placeText(f) + " " + f.code);
            else if (*f.cause == 0) following.insert(f.code);
        }
        EXPECT_EQ(causes, c.causes) << ::testing::PrintToString(lines);
        for (const std::string& code : c.following) EXPECT_TRUE(following.count(code)) << code;
        // Each cause is followed at once by what follows from it.
        for (size_t i = 0; i < findings.size(); ++i)
            if (findings[i].cause) {
                EXPECT_LT(*findings[i].cause, i);
                EXPECT_TRUE(!findings[i - 1].cause || findings[i - 1].cause == findings[i].cause) << lines[i];
                EXPECT_FALSE(findings[*findings[i].cause].cause) << lines[i];
            }
    }
}

// The order of a list by its causes.
TEST(AddonCheck, OrderByCause) {
    const auto finding = [](Severity s, const char* code, std::optional<size_t> cause = std::nullopt) {
        Finding f;
        f.severity = s;
        f.code = code;
        f.cause = cause;
        return f;
    };
    const auto E = Severity::Error, W = Severity::Warning, I = Severity::Information;
    struct Case {
        const char* what;
        std::vector<Finding> in;
        std::vector<std::string> out;  // code, then "<-" and the index of its cause
    };
    const std::vector<Case> cases = {
        {"by severity, stable", {finding(I, "i"), finding(W, "w1"), finding(E, "e"), finding(W, "w2")},
         {"e", "w1", "w2", "i"}},
        {"what follows comes under its cause, whatever its severity",
         {finding(W, "w"), finding(W, "after", 2), finding(E, "cause"), finding(E, "second", 2)},
         {"cause", "after<-0", "second<-0", "w"}},
        {"a chain goes to its start", {finding(E, "a"), finding(E, "b", 0), finding(E, "c", 1)}, {"a", "b<-0", "c<-0"}},
        {"broken links are dropped",
         {finding(E, "self", 0), finding(E, "far", 9), finding(E, "ring1", 3), finding(E, "ring2", 2)},
         {"self", "far", "ring1", "ring2"}},
        {"a milder cause does not hide an error", {finding(W, "w"), finding(E, "e", 0), finding(I, "i", 0)},
         {"e", "w", "i<-1"}},
    };
    for (const Case& c : cases) {
        std::vector<Finding> findings = c.in;
        orderByCause(findings);
        std::vector<std::string> out;
        for (const Finding& f : findings) out.push_back(f.code + (f.cause ? "<-" + std::to_string(*f.cause) : ""));
        EXPECT_EQ(out, c.out) << c.what;
    }
}

// What the game takes as it is gives no error or warning: a flag in the far
// quarter of its area (the game's box runs from the corner to twice the
// centre minus the corner), the type word Infantery used throughout, and
// the small level whose pathmaps look like the game's, with its one order
// position on blocked ground.
TEST(AddonCheck, WhatTheGameTakesGivesNoFalseWarning) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
        std::vector<std::string> warnings = {};  // "code place" of the warnings expected
    };
    const auto town = [](bool infantery) {
        return [infantery](const std::string& a) {
            fs::remove_all(a);
            test::makeTownAddon(sample().tmp.dir() + "Clean_001", a, infantery);
        };
    };
    const std::vector<Case> cases = {
        {"a flag in its area's far quarter",
         [](auto a) {
             replaceIn(a + "Singleplayer/ControlPoints.con", "Object.absolutePosition 720.0/110.0/700.5",
                       "Object.absolutePosition 745/110/725");
         }},
        {"Infantery throughout",
         [](auto a) {
             replaceIn(a + "AIPathFinding.con", "ai.addSearchType Infantry ", "ai.addSearchType Infantery ");
             writeBytes(a + "AI/StrategicAreas.con",
                        test::replacedAll(readBytes(a + "AI/StrategicAreas.con"), "setOrderPosition Infantry ",
                                          "setOrderPosition Infantery "));
             fs::rename(a + "Pathfinding/Infantry.raw", a + "Pathfinding/Infantery.raw");
             fs::rename(a + "Pathfinding/InfantryInfo.raw", a + "Pathfinding/InfanteryInfo.raw");
         }},
        {"the small level", town(false), {"order-position-blocked AI/StrategicAreas.con:55"}},
        {"the small level with Infantery", town(true), {"order-position-blocked AI/StrategicAreas.con:55"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto findings = findingsAfter(c.change);
        std::vector<std::string> warnings, all;
        for (const Finding& f : findings) {
            all.push_back(findingLine(f));
            if (f.severity != Severity::Information) warnings.push_back(f.code + " " + placeText(f));
        }
        EXPECT_EQ(warnings, c.warnings) << ::testing::PrintToString(all);
    }
    // On the small level every flag stands on a house 4 m from the street:
    // information, with the distance.
    size_t near = 0;
    for (const Finding& f : findingsAfter(town(false)))
        near += f.code == "pathmap-summary" && f.message.find("free ground 4 m from it") != std::string::npos;
    EXPECT_EQ(near, 5u);
}

// Lines inside comments count for nothing, however the comment is written:
// a world size, ai.createallmaps or a search map in a beginrem block changes
// no finding of the clean add-on.
TEST(AddonCheck, CommentedLinesChangeNoFinding) {
    const auto prepend = [](const std::string& file, const std::string& text) {
        writeBytes(file, text + readBytes(file));
    };
    struct Case {
        const char* what;
        std::function<void(const std::string&)> change;
    };
    const std::vector<Case> cases = {
        {"a smaller world size in a comment block before the real one",
         [&](auto a) { prepend(a + "ai.con", "beginrem\r\naiSettings.setWorldMapSize 256 256\r\nendrem\r\n"); }},
        {"ai.createallmaps in a comment block",
         [](auto a) { append(a + "ai.con", "BeginRem --- generation, done\r\nai.createallmaps\r\nEndRem\r\n"); }},
        {"a search map in a block whose words are glued to their text",
         [&](auto a) {
             prepend(a + "AIPathFinding.con", "beginrem***\r\nai.addSearchMap Old9 0 0 25 1 0 0 1\r\nendrem***\r\n");
         }},
    };
    const auto lines = [](const std::vector<Finding>& findings) {
        std::vector<std::string> out;
        for (const Finding& f : findings) out.push_back(f.code + " " + f.message);
        return out;
    };
    const auto clean = lines(findingsAfter([](const std::string&) {}));
    for (const Case& c : cases) EXPECT_EQ(lines(findingsAfter(c.change)), clean) << c.what;
}

// The name rule the areas are held to.
TEST(AddonCheck, AreaNames) {
    for (const char* good : {"CP_Village", "Hill-2", "north.camp", "A"}) EXPECT_EQ(areaNameFault(good), "") << good;
    for (const char* bad : {"", "My Village", "M\xC3\xBChle", "tab\there", "semi;colon"})
        EXPECT_NE(areaNameFault(bad), "") << bad;
}

} // namespace
} // namespace tw::check
