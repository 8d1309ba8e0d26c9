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

} // namespace
} // namespace tw::state
