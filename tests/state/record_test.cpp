// The conversion record as text: read back as written; anything short of a
// whole record of this version is not taken for one.
#include "state/conversion_record.h"

#include "platform/files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tw::state {
namespace {

TEST(ConversionRecordText, ReadBackAsWrittenAndNothingLessIsTaken) {
    ConversionRecord r;
    r.mapSource = "C:\\Maps\\MyMap.rfa";
    r.mapName = "MyMap";
    r.worldSize = 2048;
    r.mapFolder = "C:\\Tools\\bf1942\\levels\\MyMap\\";
    r.ships = true;
    r.mark(Step::FirstPacked, "2026-12-08 21:05");
    r.mark(Step::MapAnalysed, "2026-12-08 21:06");
    r.gamePath = "D:\\Games\\Battlefield 1942\\";
    r.packTarget = "D:\\Games\\Battlefield 1942\\Mods\\bf1942\\Archives\\bf1942\\levels\\MyMap_001";
    r.pathmaps = {"Tank0Level1Map.raw", "Infantry1Level0Map.raw"};
    r.notCopied = {"Tank0Level1Map.raw"};
    r.setChecksum("AI.con", checksumOf("ai.con bytes"));
    r.setChecksum("ai.CON", checksumOf("other bytes"));  // one entry, letter case aside
    // Names as older files and scripts bring them, with blanks, commas and '%'.
    const areas::AreaSpec hill{"Hill top,%1", {10, 30, 20, 40, 400, 928, 1000, 1008}, 150, {.base = true, .flank = true},
                               true, false, 2, {"Bridge"}};
    const areas::AreaSpec bridge{"Bridge", {0, 0, 0, 0, -5, 7, 95, 107}, 10, {}, false, true, -1, {"Hill top,%1"}};
    r.areas = areas::AreaSet({{hill, true}, {bridge, false}}, true, {"Bridge", "Hill top,%1"}, {false, true},
                             {"samples/map one.png", true}, {{"Hill top,%1", {"Bridge", "Gone"}}});
    const std::string text = serialiseRecord(r);
    const ParsedRecord back = parseRecord(text);
    ASSERT_EQ(back.kind, ParsedRecord::Kind::Ok);
    EXPECT_EQ(back.record, r);
    EXPECT_EQ(r.scripts.size(), 1u);
    EXPECT_EQ(r.done, (std::vector<Step>{Step::MapAnalysed, Step::FirstPacked}));
    EXPECT_EQ(parseRecord(serialiseRecord(ConversionRecord{})).record, ConversionRecord{});
    for (size_t cut = 0; cut < text.size(); ++cut)
        EXPECT_EQ(parseRecord(text.substr(0, cut)).kind, ParsedRecord::Kind::Damaged) << cut;

    const struct {
        std::string text;
        ParsedRecord::Kind kind;
    } cases[] = {
        {"Tarnwick conversion, version 3\nanything at all", ParsedRecord::Kind::Newer},
        {"Tarnwick conversion, version 0\n" + text.substr(text.find('\n') + 1), ParsedRecord::Kind::Damaged},
        {std::string(text).insert(text.size() - 4, "x\n"), ParsedRecord::Kind::Damaged},
        {std::string(text).replace(text.find("first-packed"), 12, "first-packer"), ParsedRecord::Kind::Damaged},
        {std::string(text).replace(text.find('\n'), 1, "\r\n"), ParsedRecord::Kind::Damaged},
    };
    for (const auto& c : cases) EXPECT_EQ(parseRecord(c.text).kind, c.kind) << c.text;
    EXPECT_EQ(parseRecord(cases[0].text).version, 3);

    r.gamePath = "D:\\Games\nrun evil.con";
    EXPECT_THROW(serialiseRecord(r), std::exception);
}

// A program folder that moved: its paths come back at its new place, from a
// record saved relative to it or from an older one that kept them absolute;
// paths outside it that are gone are named once, with what to choose again.
TEST(ConversionRecordPaths, FollowAMovedProgramFolder) {
    namespace fs = std::filesystem;
    enum class Saved { ThenMoved, OlderAbsolute };
    const struct {
        const char* what;
        Saved saved;
        bool archive;
        const char* mapSource;  // the first "/" names the program folder's place
        const char* mapFolder;
        const char* gamePath;
        const char* notes;
    } cases[] = {
        {"saved here, then moved", Saved::ThenMoved, true, "P/samples/MyMap.rfa", "P/bf1942/levels/MyMap/", "Game/", ""},
        {"an older record", Saved::OlderAbsolute, true, "P/samples/MyMap.rfa", "P/bf1942/levels/MyMap/", "Game/",
         "The program folder was moved from ~/Old/ to ~/New/: this conversion's paths inside it are taken from "
         "~/New/."},
        {"paths outside gone", Saved::ThenMoved, false, "Gone/MyMap/init.con", "Gone/MyMap/", "Gone Game/",
         "These paths of the conversion are no longer there: the map folder ~/Gone/MyMap/ and the game folder ~/Gone "
         "Game/. Choose the map on page 1 and the game folder on page 3 (\"Part 1\") again."},
        {"the older folder still there", Saved::OlderAbsolute, false, "P/samples/MyMap/init.con",
         "P/samples/MyMap/", "Game/", ""},
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        const auto at = [&](std::string path, const std::string& program) {
            if (path.rfind("P/", 0) == 0) path.replace(0, 2, program);
            return tmp.dir() + path;
        };
        const bool formerStays = std::string(c.what) == "the older folder still there";
        for (const char* folder : {"Old/bf1942/levels/MyMap/", "Old/bf1942/levels/MyMap_001/", "Old/samples/MyMap/",
                                   "Game/"})
            fs::create_directories(tmp.path() / folder);
        tmp.write("Old/samples/MyMap.rfa", "archive");
        ConversionRecord r;
        r.mapName = "MyMap";
        r.mapIsArchive = c.archive;
        r.mapSource = at(c.mapSource, "Old/");
        r.mapFolder = at(c.mapFolder, "Old/");
        r.gamePath = at(c.gamePath, "Old/");
        r.packTarget = at("Game/MyMap_001", "Old/");
        r.mark(Step::AddonMade, "2026-12-09 10:00");
        const std::string oldAddon = tmp.dir() + "Old/bf1942/levels/MyMap_001/";
        if (c.saved == Saved::ThenMoved) saveRecord(oldAddon, r);
        else writeBytes(recordFile(oldAddon), serialiseRecord(r));
        if (formerStays) fs::copy(tmp.path() / "Old", tmp.path() / "New", fs::copy_options::recursive);
        else fs::rename(tmp.path() / "Old", tmp.path() / "New");
        const LoadedRecord loaded = loadRecord(tmp.dir() + "New/bf1942/levels/MyMap_001/");
        ASSERT_EQ(loaded.kind, LoadedRecord::Kind::Ok) << c.what;
        const std::string now = formerStays ? "Old/" : "New/";
        EXPECT_EQ(loaded.record.mapSource, at(c.mapSource, now)) << c.what;
        EXPECT_EQ(loaded.record.mapFolder, at(c.mapFolder, now)) << c.what;
        EXPECT_EQ(loaded.record.gamePath, at(c.gamePath, now)) << c.what;
        EXPECT_EQ(loaded.record.packTarget, tmp.dir() + "Game/MyMap_001") << c.what;
        std::string notes = c.notes;  // "~/" stands for the test's folder
        for (size_t p = notes.find("~/"); p != std::string::npos; p = notes.find("~/", p + 1))
            notes.replace(p, 2, tmp.dir());
        EXPECT_EQ(loaded.notes, notes) << c.what;
    }
}


// The areas as version 1 kept them (the older work file's text), drawn and
// waiting for the neighbour step: one area named as older versions took it,
// with a blank.
constexpr const char* kV1Drawn = R"(areas 38
Tarnwick areas in progress, version 1
picture 1
samples/DemoMap map.png
list 2
North [ 800;1448 / 920;1548 ] ==> Prio. [100]
Old Mill [ 1200;528 / 1402;686 ] ==> Prio. [50]
create 4
aiStrategicArea.create North 800/1448 920/1548 100
 
aiStrategicArea.create Old Mill 1200/528 1402/686 50
 
waiting 2
North
Old Mill
params 2
group 1
aiStrategicArea.addObjectTypeFlag ControlPoint
group 2
aiStrategicArea.addObjectTypeFlag Base
aiStrategicArea.addObjectTypeFlag center
vparams 2
group 2
AIStrategicArea.setOrderPosition Infantry 910/1538
AIStrategicArea.setOrderPosition Car 910/1538
group 2
AIStrategicArea.setOrderPosition Infantry 1392/676
AIStrategicArea.setOrderPosition Tank 1392/676
sides 2
aiStrategicArea.setSide 1

blocks 0
neighbourStep 0
checkList 0
outlines 2
200 100 260 150 1 North
300 301 401 380 -1 Old Mill
proposed 0
end
)";
constexpr const char* kV2Drawn = R"(area-picture samples/DemoMap map.png
area-picture-fitted 0
areas 2
area North 800/1448 1040/1648 100 ControlPoint,Car 1 waiting 920/1548 200/100/260/150
area Old%20Mill 1200/528 1604/844 50 Base,Center,Tank - waiting 1402/686 300/301/401/380
neighbour-step 0
neighbour-list 0
proposed 0
)";
// The same areas through the neighbour step, the picture fitted to the
// combat area, one area recorded from a proposal.
constexpr const char* kV1Linked = R"(areas 43
Tarnwick areas in progress, version 1
picture 2
samples/DemoMap map.png
fitted to the combat area
list 2
North [ 800;1448 / 920;1548 ] ==> Prio. [100]
South_2 [ 1200;528 / 1402;686 ] ==> Prio. [50]
create 4
aiStrategicArea.create North 800/1448 920/1548 100
 
aiStrategicArea.create South_2 1200/528 1402/686 50
 
waiting 0
params 0
vparams 0
sides 0
blocks 14
aiStrategicArea.setActive North
AIStrategicArea.addNeighbour South_2
aiStrategicArea.addObjectTypeFlag ControlPoint
AIStrategicArea.setOrderPosition Infantry 910/1538
AIStrategicArea.setOrderPosition Car 910/1538
aiStrategicArea.setSide 1

aiStrategicArea.setActive South_2
AIStrategicArea.addNeighbour North
aiStrategicArea.addObjectTypeFlag Base
aiStrategicArea.addObjectTypeFlag center
AIStrategicArea.setOrderPosition Infantry 1392/676
AIStrategicArea.setOrderPosition Tank 1392/676

neighbourStep 1
checkList 2
0 North
0 South_2
outlines 2
200 100 260 150 1 North
300 301 401 380 -1 South_2
proposed 1
North
group 1
South_2
end
)";
constexpr const char* kV2Linked = R"(area-picture samples/DemoMap map.png
area-picture-fitted 1
areas 2
area North 800/1448 1040/1648 100 ControlPoint,Car 1 done 920/1548 200/100/260/150 South_2
area South_2 1200/528 1604/844 50 Base,Center,Tank - done 1402/686 300/301/401/380 North
neighbour-step 1
neighbour-list 2
neighbour-entry 0 North
neighbour-entry 0 South_2
proposed 1
proposed-neighbours North South_2
)";
constexpr const char* kV2None = R"(area-picture 
area-picture-fitted 0
areas 0
neighbour-step 0
neighbour-list 0
proposed 0
)";

// A record of version 1 left at each stopping point is continued and saved
// as version 2: every value as it was, the areas one line each.
TEST(ConversionRecordVersions, AVersion1RecordOfEachStepIsSavedAsVersion2WithoutLoss) {
    const std::string map = "map-source samples/DemoMap.rfa\nmap-kind archive\nmap-name DemoMap\nworld-size 2048\n"
                            "map-folder bf1942/levels/DemoMap/\nships 1\nlandingcrafts 0\n";
    const std::string made = "scripts 2\nscript 12-00000000000000aa ai.con\nscript 0-cbf29ce484222325 AI/StrategicAreas.con\n";
    const std::string packed = "game-folder /nowhere/Battlefield 1942/\npack-target /nowhere/Battlefield "
                               "1942/Mods/bf1942/Archives/bf1942/levels/DemoMap_001\n";
    const struct {
        const char* step;
        std::string body;  // from "done" to the pathmaps
        std::string scripts, v1Areas, v2Areas;
    } cases[] = {
        {"after OK", "done map-analysed\nlast-step map-analysed\nsaved 2026-12-09 10:00\ngame-folder \npack-target \n"
                     "pathmaps 0\n",
         "scripts 0\n", "areas 0\n", kV2None},
        {"after Start", "done map-analysed addon-made\nlast-step addon-made\nsaved 2026-12-09 10:01\ngame-folder \n"
                        "pack-target \npathmaps 0\n",
         made, "areas 0\n", kV2None},
        {"areas drawn", "done map-analysed addon-made\nlast-step addon-made\nsaved 2026-12-09 10:02\ngame-folder \n"
                        "pack-target \npathmaps 0\n",
         made, kV1Drawn, kV2Drawn},
        {"after the neighbour step",
         "done map-analysed addon-made areas-written\nlast-step areas-written\nsaved 2026-12-09 10:03\ngame-folder \n"
         "pack-target \npathmaps 0\n",
         made, kV1Linked, kV2Linked},
        {"after the first packing",
         "done map-analysed addon-made areas-written game-folder-confirmed first-packed\nlast-step first-packed\n"
         "saved 2026-12-09 10:04\n" + packed + "pathmaps 0\n",
         made, kV1Linked, kV2Linked},
        {"after the transfer",
         "done map-analysed addon-made areas-written game-folder-confirmed first-packed pathmaps-transferred\n"
         "last-step pathmaps-transferred\nsaved 2026-12-09 10:05\n" + packed +
             "pathmaps 2\npathmap Infantry0Level0Map.raw\npathmap Tank0Level1Map.raw\nnot-copied 1\n"
             "not-copied-pathmap Tank0Level1Map.raw\n",
         made, kV1Linked, kV2Linked},
        {"after the final packing",
         "done map-analysed addon-made areas-written game-folder-confirmed first-packed pathmaps-transferred packed\n"
         "last-step packed\nsaved 2026-12-09 10:06\n" + packed + "pathmaps 1\npathmap Infantry0Level0Map.raw\n",
         made, kV1Linked, kV2Linked},
    };
    for (const auto& c : cases) {
        test::TempFolder tmp;
        const std::string addon = tmp.dir() + "bf1942/levels/DemoMap_001/";
        tmp.write("bf1942/levels/DemoMap_001/" + std::string(kRecordFileName),
                  "Tarnwick conversion, version 1\n" + map + c.body + c.scripts + c.v1Areas + "end\n");
        const LoadedRecord v1 = loadRecord(addon);
        ASSERT_EQ(v1.kind, LoadedRecord::Kind::Ok) << c.step << ": " << v1.message;
        saveRecord(addon, v1.record);
        EXPECT_EQ(tmp.read("bf1942/levels/DemoMap_001/" + std::string(kRecordFileName)),
                  "Tarnwick conversion, version 2\n" + map + c.body + c.scripts + c.v2Areas + "end\n")
            << c.step;
        const LoadedRecord v2 = loadRecord(addon);
        ASSERT_EQ(v2.kind, LoadedRecord::Kind::Ok) << c.step << ": " << v2.message;
        EXPECT_EQ(v2.record, v1.record) << c.step;
    }
}

// Area lines from a hostile file: the record is not taken, and the message
// names the file and the line; the file is kept as it was.
TEST(ConversionRecordVersions, AreaLinesThatDoNotReadNameTheirLine) {
    const std::string head = "Tarnwick conversion, version 2\nmap-source \nmap-kind archive\nmap-name M\nworld-size 2048\n"
                             "map-folder \nships 0\nlandingcrafts 0\ndone \nlast-step \nsaved \ngame-folder \n"
                             "pack-target \npathmaps 0\nscripts 0\narea-picture \narea-picture-fitted 0\n";
    const std::string good = "area A 0/0 8/8 10 - - done 4/4 0/0/2/2";
    const std::string tail = "neighbour-step 0\nneighbour-list 0\nproposed 0\nend\n";
    const struct {
        std::string areas;  // from the "areas" line on; line 19 is the first area
        const char* problem;
    } cases[] = {
        {"areas 1\n" + good + "\n", ""},
        {"areas 2\n" + good + "\narea B 0/0 8/8 10 - - done 4/4 0/0/2/2 A Nowhere\n",
         "line 20: the area \"B\" has the neighbour \"Nowhere\", but no area is named so"},
        {"areas 2\n" + good + "\narea a 0/0 8/8 10 - - done 4/4 0/0/2/2\n", "line 20: a second area is named \"a\""},
        {"areas 1\narea A 0/0 8/8 99999999999 - - done 4/4 0/0/2/2\n",
         "line 19: \"99999999999\" is no whole number from -2147483648 to 2147483647"},
        {"areas 1\narea A 0/0 8/8 10 - - done\n", "line 19: the area line should give a name, two corners"},
        {"areas 1\narea A%2 0/0 8/8 10 - - done 4/4 0/0/2/2\n", "line 19: \"A%2\" is no area name"},
        {"areas 1\narea A%0A 0/0 8/8 10 - - done 4/4 0/0/2/2\n", "line 19: \"A%0A\" is no area name"},
        {"areas 1\narea A 0/0 8/8 10 Base,Bunker - done 4/4 0/0/2/2\n", "line 19: \"Bunker\" is no kind of area"},
        {"areas 1\narea A 0/0 8/8 10 - 3 done 4/4 0/0/2/2\n", "line 19: \"3\" is no whole number from 0 to 2"},
        {"areas 1\narea A 0/0 8/8 10 - - maybe 4/4 0/0/2/2\n", "line 19: the neighbour step should be"},
        {"areas 1\narea A 0/0 8/8 10 - - done nan/4 0/0/2/2\n", "line 19: the centre should be two numbers"},
        {"areas 1\narea A 0/0/0 8/8 10 - - done 4/4 0/0/2/2\n", "line 19: the first corner should be 2 numbers"},
        {"areas 9999999\n", "line 18: \"9999999\" is no whole number from 0 to 1000000"},
        {"areas 2\n" + good + "\n", "line 20: an \"area\" line was expected here"},
    };
    for (const auto& c : cases) {
        const std::string text = head + c.areas + tail;
        const ParsedRecord parsed = parseRecord(text);
        EXPECT_EQ(parsed.kind, *c.problem ? ParsedRecord::Kind::Damaged : ParsedRecord::Kind::Ok) << c.areas;
        EXPECT_EQ(parsed.problem.substr(0, std::string_view(c.problem).size()), c.problem) << c.areas;
    }
    test::TempFolder tmp;
    const std::string bad = head + cases[1].areas + tail;
    tmp.write("bf1942/levels/M_001/" + std::string(kRecordFileName), bad);
    const LoadedRecord loaded = loadRecord(tmp.dir() + "bf1942/levels/M_001/");
    EXPECT_EQ(loaded.kind, LoadedRecord::Kind::SetAside);
    EXPECT_EQ(loaded.message, "The conversion saved in " + tmp.dir() + "bf1942/levels/M_001/" + kRecordFileName +
                                  " cannot be read (it is damaged, line 20: the area \"B\" has the neighbour \"Nowhere\", "
                                  "but no area is named so). It was kept as " + kRecordFileName +
                                  ".damaged. Choose the map as usual to begin again.");
    EXPECT_EQ(tmp.read("bf1942/levels/M_001/" + std::string(kRecordFileName) + ".damaged"), bad);
}

} // namespace
} // namespace tw::state
