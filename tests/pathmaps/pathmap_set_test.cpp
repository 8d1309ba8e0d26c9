// An add-on's pathmaps as a whole: the findings, the save that keeps the
// originals once, and the pictures for an image editor.
#include "pathmaps/findings.h"
#include "pathmaps/pathmap_set.h"
#include "pathmaps/pictures.h"
#include "pathmaps/rebuild.h"
#include "support/checksums.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace tw::pathmaps {
namespace {

using test::TempFolder;

// A 1024 m world whose river (z 500..519) has a bridge at x 100..119.
Bitmap riverMap() {
    Bitmap m(1024);
    for (int z = 500; z < 520; ++z)
        for (int x = 0; x < 1024; ++x)
            if (x < 100 || x >= 120) m.set(x, z, true);
    return m;
}

// Writes a map's levels 0..2 and its type's Info and strategic files as the game would.
void writeMap(const TempFolder& t, const std::string& map, const std::string& type, const Bitmap& base) {
    Bitmap level = base;
    for (int l = 0; l <= 2; ++l) {
        if (l > 0) level = coarser(level);
        t.write("Pathfinding/" + levelFileName(map, l), encodeLevelMap(level, l));
    }
    const Strategic s = buildStrategic(base, 0);
    t.write("Pathfinding/" + infoFileName(type), encodeInfo(s.info, 0));
    t.write("Pathfinding/" + strategicFileName(type), encodeStrategic(s.map));
}

void writeAddon(const TempFolder& t, const std::string& seeds = "100/100,900/900") {
    t.write("ai.con", "aiSettings.setWorldMapSize 1024 1024\r\n");
    t.write("AIPathFinding.con", "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\nai.addSearchType Tank 0 0\r\n"
                                 "ai.setMapSpawnPoints 0 " + seeds + "\r\n"
                                 "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\r\nai.addSearchType Infantry 1 0\r\n"
                                 "ai.setMapSpawnPoints 1 100/100,900/900\r\n");
    t.write("Singleplayer/ControlPointTemplates.con", "ObjectTemplate.create ControlPoint CP_A\r\n");
    t.write("Singleplayer/ControlPoints.con", "Object.create CP_A\r\nObject.absolutePosition 500/80/300\r\n");
    writeMap(t, "Tank0", "Tank", riverMap());
    writeMap(t, "Infantry1", "Infantry", riverMap());
    t.write("Pathfinding/Tank0Level1Map8Bit.raw", encodeEightBit(coarser(riverMap())));
}

struct Expected {
    Severity severity;
    std::string map;
    int level;
    std::optional<WorldPoint> place;
    std::vector<std::string> parts;  // parts of the finding's text
};

TEST(PathmapSet, Findings) {
    const auto E = Severity::Error;
    const auto W = Severity::Warning;
    const auto I = Severity::Information;
    const Expected tankInfo{I, "Tank0", -1, {}, {"Tank0: levels 0 to 2, 1.9 % blocked."}};
    const Expected infantryInfo{I, "Infantry1", -1, {}, {"Infantry1: levels 0 to 2, 1.9 % blocked."}};
    struct Case {
        const char* name;
        std::function<void(const TempFolder&)> change;
        std::vector<Expected> expected;
    } cases[] = {
        {"as generated", [](const TempFolder&) {}, {tankInfo, infantryInfo}},
        {"names in other letter cases",
         [](const TempFolder& t) {
             for (const auto& e : fs::directory_iterator(t.path() / "Pathfinding")) {
                 std::string lower = e.path().filename().string();
                 for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                 fs::rename(e.path(), e.path().parent_path() / lower);
             }
             fs::rename(t.path() / "Pathfinding", t.path() / "PATHFINDING");
             fs::rename(t.path() / "AIPathFinding.con", t.path() / "aipathfinding.con");
         },
         {tankInfo, infantryInfo}},
        {"a missing level",
         [](const TempFolder& t) { fs::remove(t.path() / "Pathfinding/Tank0Level1Map.raw"); },
         {{E, "Tank0", 1, {},
           {"Tank0Level1Map.raw is missing. Rebuild it from level 0",
            "The game stops loading here: Tank0 and Infantry1 act as all free."}},
          tankInfo, infantryInfo}},
        {"a damaged base level",
         [](const TempFolder& t) { t.write("Pathfinding/Infantry1Level0Map.raw", t.read("Pathfinding/Infantry1Level0Map.raw") + "x"); },
         {{E, "Infantry1", 0, {},
           {"Infantry1Level0Map.raw is damaged: 1 byte follows its last block record. Let the game",
            "The game stops loading here: Infantry1 acts as all free."}},
          tankInfo,
          {I, "Infantry1", -1, {}, {"Infantry1: levels 0 to 2; level 0 could not be read."}}}},
        {"made for another world size",
         [](const TempFolder& t) { t.write("ai.con", "aiSettings.setWorldMapSize 2048 2048\r\n"); },
         {{E, "Tank0", 0, {}, {"Tank0Level0Map.raw is made for a 1024 m world at level 0, but a 2048 m world"}},
          {E, "Tank0", 1, {}, {"made for a 1024 m world at level 1"}},
          {E, "Tank0", 2, {}, {"made for a 1024 m world at level 2"}},
          {E, "Infantry1", 0, {}, {}}, {E, "Infantry1", 1, {}, {}}, {E, "Infantry1", 2, {}, {}},
          {W, "Tank", 0, {}, {"TankInfo.raw is made for the regions of a 1024 m world"}},
          {W, "Tank", 0, {}, {"Tank.raw is made for a 1024 m world (16 x 16 cells), but the world is 2048 m"}},
          {W, "Infantry", 0, {}, {"InfantryInfo.raw"}}, {W, "Infantry", 0, {}, {"Infantry.raw"}},
          {I, "Tank0", -1, {}, {"could not be read"}}, {I, "Infantry1", -1, {}, {"could not be read"}}}},
        {"all blocked",
         [](const TempFolder& t) { writeMap(t, "Tank0", "Tank", Bitmap(1024, true)); },
         {{W, "Tank0", 0, {}, {"The map is all blocked"}},
          {W, "Tank0", 0, WorldPoint{100, 100}, {"A seed point lies on a blocked pixel"}},
          {W, "Tank0", 0, WorldPoint{900, 900}, {"A seed point lies on a blocked pixel"}},
          {I, "Tank0", -1, {}, {"100.0 % blocked"}}, infantryInfo}},
        {"all free",
         [](const TempFolder& t) { writeMap(t, "Tank0", "Tank", Bitmap(1024)); },
         {{W, "Tank0", 0, {}, {"The map is all free"}}, {I, "Tank0", -1, {}, {"0.0 % blocked"}}, infantryInfo}},
        {"a seed on a blocked pixel and one outside the world",
         [](const TempFolder& t) { writeAddon(t, "100/100,300/510,900/900,1100/5"); },
         {{W, "Tank0", 0, WorldPoint{300, 510}, {"A seed point lies on a blocked pixel"}},
          {W, "Tank0", 0, WorldPoint{1100, 5}, {"A seed point lies outside the 1024 m world"}}, tankInfo,
          infantryInfo}},
        {"a seed walled off",
         [](const TempFolder& t) {
             Bitmap m = riverMap();
             for (int z = 500; z < 520; ++z)
                 for (int x = 100; x < 120; ++x) m.set(x, z, true);
             writeMap(t, "Tank0", "Tank", m);
         },
         {{W, "Tank0", 0, WorldPoint{900, 900}, {"A seed point is walled off from the other seed points"}},
          {I, "Tank0", -1, {}, {"2.0 % blocked"}}, infantryInfo}},
        // A flag is taken from anywhere inside its capture radius (10 m unless
        // its template says otherwise); the river's edges lie 3 and 10 m away.
        {"a control point with no free ground within its radius",
         [](const TempFolder& t) {
             t.write("Singleplayer/ControlPointTemplates.con",
                     "ObjectTemplate.create ControlPoint CP_A\r\nObjectTemplate.radius 9.5\r\n");
             t.write("Singleplayer/ControlPoints.con", "Object.create CP_A\r\nObject.absolutePosition 500/80/510\r\n");
         },
         {{W, "", -1, WorldPoint{500, 510}, {"no free ground within its capture radius of 9.5 m on any land map"}},
          tankInfo, infantryInfo}},
        {"a control point on blocked ground with free ground inside its radius",
         [](const TempFolder& t) {
             t.write("Singleplayer/ControlPoints.con", "Object.create CP_A\r\nObject.absolutePosition 500/80/503\r\n");
         },
         {{I, "", -1, WorldPoint{500, 503}, {"Tank0 has free ground 3 m from it, inside its capture radius of 10 m"}},
          tankInfo, infantryInfo}},
        {"a control point whose radius just reaches free ground",
         [](const TempFolder& t) {
             t.write("Singleplayer/ControlPoints.con", "Object.create CP_A\r\nObject.absolutePosition 500/80/510\r\n");
         },
         {{I, "", -1, WorldPoint{500, 510}, {"free ground 10 m from it"}}, tankInfo, infantryInfo}},
        {"a level that does not follow",
         [](const TempFolder& t) {
             Bitmap level1 = coarser(riverMap());
             level1.set(10, 10, true);
             t.write("Pathfinding/Tank0Level1Map.raw", encodeLevelMap(level1, 1));
         },
         {{W, "Tank0", 1, WorldPoint{21, 21}, {"Level 1 does not follow from level 0: 1 pixel differs"}}, tankInfo,
          infantryInfo}},
        {"Info that contradicts level 0",
         [](const TempFolder& t) {
             InfoMap info = buildStrategic(riverMap(), 0).info;
             info.set(0, 250, 1);
             t.write("Pathfinding/TankInfo.raw", encodeInfo(info, 0));
         },
         {{W, "Tank", 0, WorldPoint{1, 501},
           {"TankInfo.raw or Tank.raw contradicts Tank0: an Info pixel over four blocked pixels is not 3. Rebuild"}},
          tankInfo, infantryInfo}},
        {"a line the game reads otherwise",
         [](const TempFolder& t) {
             t.write("AIPathFinding.con", t.read("AIPathFinding.con") + "ai.setMapSpawnPoints 4 1/1\r\n");
         },
         {{W, "", -1, {}, {"AIPathFinding.con, line 7: the seed points are for map 4, but 2 maps are declared"}},
          tankInfo, infantryInfo}},
    };
    for (const auto& c : cases) {
        TempFolder t;
        writeAddon(t);
        c.change(t);
        const auto found = checkFolder(t.dir());
        std::string all;
        for (const auto& f : found) all += findingLine(f) + "\n";
        ASSERT_EQ(found.size(), c.expected.size()) << c.name << "\n" << all;
        for (size_t i = 0; i < found.size(); ++i) {
            const Finding& f = found[i];
            const Expected& e = c.expected[i];
            EXPECT_EQ(f.severity, e.severity) << c.name << " #" << i;
            EXPECT_EQ(f.map, e.map) << c.name << " #" << i;
            EXPECT_EQ(f.level, e.level) << c.name << " #" << i;
            EXPECT_EQ(f.place, e.place) << c.name << " #" << i;
            for (const std::string& part : e.parts)
                EXPECT_NE(f.text.find(part), std::string::npos) << c.name << " #" << i << ": " << f.text;
        }
    }
}

TEST(PathmapSet, FoldersThatCannotBeUsed) {
    // The terrain file as a message names it: Linux finds its letter case,
    // Windows names it as it was asked for, with its own separator.
#ifdef _WIN32
    const std::string terrainShown = "init\\terrain.con";
#else
    const std::string terrainShown = "Init/Terrain.con";
#endif
    struct Case {
        const char* name;
        std::function<void(const TempFolder&)> make;
        std::string message;
    } cases[] = {
        {"no AIPathFinding.con", [](const TempFolder& t) { t.write("ai.con", "rem\r\n"); },
         " holds no AIPathFinding.con: give an add-on folder or a level folder that declares its pathmaps."},
        {"no world size", [](const TempFolder& t) { t.write("AIPathFinding.con", "rem\r\n"); },
         " names no world size: neither ai.con (aiSettings.setWorldMapSize) nor init/terrain.con "
         "(GeometryTemplate.worldSize) holds one."},
        {"an impossible world size",
         [](const TempFolder& t) {
             t.write("AIPathFinding.con", "rem\r\n");
             t.write("Init/Terrain.con", "GeometryTemplate.worldSize 1000\r\n");
         },
         terrainShown + " names a world of 1000 m; pathmaps are made for 256, 512, 1024, 2048, 4096 or 8192 m."},
        {"a world size only inside a comment block",
         [](const TempFolder& t) {
             t.write("AIPathFinding.con", "rem\r\n");
             t.write("ai.con", "BeginRem\r\naiSettings.setWorldMapSize 1024 1024\r\nendrem\r\n");
         },
         " names no world size: neither ai.con (aiSettings.setWorldMapSize) nor init/terrain.con "
         "(GeometryTemplate.worldSize) holds one."},
        {"the terrain's last world size line counts, as the game applies them in order",
         [](const TempFolder& t) {
             t.write("AIPathFinding.con", "rem\r\n");
             t.write("Init/Terrain.con", "GeometryTemplate.worldSize 1024\r\nGeometryTemplate.worldSize 1000\r\n");
         },
         terrainShown + " names a world of 1000 m; pathmaps are made for 256, 512, 1024, 2048, 4096 or 8192 m."},
    };
    for (const auto& c : cases) {
        TempFolder t;
        c.make(t);
        const auto found = checkFolder(t.dir());
        ASSERT_EQ(found.size(), 1u) << c.name;
        EXPECT_EQ(found[0].severity, Severity::Error) << c.name;
        EXPECT_NE(found[0].text.find(c.message), std::string::npos) << c.name << ": " << found[0].text;
    }
    const auto missing = checkFolder("/nonexistent/folder");
    EXPECT_EQ(missing.at(0).text, "The folder /nonexistent/folder does not exist: give an add-on folder or a level "
                                  "folder with its AIPathFinding.con.");
}

TEST(PathmapSet, SaveRebuildsAndKeepsTheOriginalsOnce) {
    TempFolder t;
    writeAddon(t);
    const fs::path pf = t.path() / "Pathfinding";
    const auto before = test::folderChecksums(pf);
    PathmapSet set = PathmapSet::open(t.dir());
    Bitmap edited = riverMap();
    for (int z = 600; z < 611; ++z)
        for (int x = 600; x < 611; ++x) edited.set(x, z, true);
    set.editBase(0) = edited;
    const SaveResult saved = set.save();
    EXPECT_TRUE(saved.originalsKept);
    EXPECT_EQ(test::folderChecksums(pf / "Originals"), before);

    const Strategic tank = buildStrategic(edited, 0);
    EXPECT_EQ(t.read("Pathfinding/Tank0Level0Map.raw"), encodeLevelMap(edited, 0));
    EXPECT_EQ(t.read("Pathfinding/Tank0Level2Map.raw"), encodeLevelMap(coarser(coarser(edited)), 2));
    EXPECT_EQ(t.read("Pathfinding/Tank0Level1Map8Bit.raw"), encodeEightBit(coarser(edited)));
    EXPECT_FALSE(fs::exists(pf / "Tank0Level0Map8Bit.raw"));  // only the 8-bit files that exist
    EXPECT_EQ(t.read("Pathfinding/TankInfo.raw"), encodeInfo(tank.info, 0));
    EXPECT_EQ(t.read("Pathfinding/Tank.raw"), encodeStrategic(tank.map));
    EXPECT_EQ(t.read("Pathfinding/Infantry1Level0Map.raw"), encodeLevelMap(riverMap(), 0));
    EXPECT_EQ(saved.written.size(), 11u);

    // A later save leaves the originals as they are.
    set.editBase(0).set(0, 0, true);
    EXPECT_FALSE(set.save().originalsKept);
    EXPECT_EQ(test::folderChecksums(pf / "Originals"), before);
    EXPECT_TRUE(findings(PathmapSet::open(t.dir())).size() == 2u);

    // A read-only file stops the save before anything is written.
    const auto saved2 = test::folderChecksums(t.path());
    fs::permissions(pf / "Tank0Level2Map.raw", fs::perms::owner_read);
    set.editBase(0).set(1, 0, true);
    try {
        set.save();
        ADD_FAILURE() << "saved over a read-only file";
    } catch (const PathmapError& e) {
        EXPECT_EQ(std::string(e.what()), (pf / "Tank0Level2Map.raw").string() +
                                             " is read-only or no file: nothing was saved. Make it writable and save again.");
    }
    fs::permissions(pf / "Tank0Level2Map.raw", fs::perms::owner_read | fs::perms::owner_write);
#ifndef _WIN32  // on Windows a folder is read-only through its access list, which Wine does not enforce
    fs::permissions(pf, fs::perms::owner_read | fs::perms::owner_exec);
    try {
        set.save();
        ADD_FAILURE() << "saved into a read-only folder";
    } catch (const PathmapError& e) {
        EXPECT_EQ(std::string(e.what()), "The folder " + pf.string() +
                                              " is read-only: nothing was saved. Make it writable and save again.");
    }
    fs::permissions(pf, fs::perms::owner_all);
#endif
    EXPECT_EQ(test::folderChecksums(t.path()), saved2);
}

// Boat maps use levels 2 to 5: painted from nothing at level 2, saved, and
// read back without a finding; in a 1024 m world level 5 cannot exist.
TEST(PathmapSet, BoatMapsAtLevelsTwoToFive) {
    TempFolder t;
    t.write("ai.con", "aiSettings.setWorldMapSize 2048 2048\r\n");
    t.write("AIPathFinding.con", "ai.addSearchMap Boat2 1 8 30 125.0 0.3 2.5 0 2 5\r\nai.addSearchType Boat 0 2\r\n"
                                 "ai.setMapSpawnPoints 0 1000/1000\r\n");
    PathmapSet set = PathmapSet::open(t.dir());
    ASSERT_EQ(set.maps().at(0).levels.size(), 4u);
    EXPECT_FALSE(set.hasBase(0));
    Bitmap& base = set.editBase(0);
    ASSERT_EQ(base.side(), 512);
    for (int z = 0; z < 512; ++z)
        for (int x = 0; x < 40; ++x) base.set(x, z, true);  // the coast
    const Bitmap painted = base;
    set.save();
    EXPECT_EQ(t.read("Pathfinding/Boat2Level5Map.raw"), encodeLevelMap(coarser(coarser(coarser(painted))), 5));
    EXPECT_EQ(t.read("Pathfinding/BoatInfo.raw"), encodeInfo(buildStrategic(painted, 2).info, 2));
    const auto found = checkFolder(t.dir());
    ASSERT_EQ(found.size(), 1u) << findingLine(found.at(0));
    EXPECT_EQ(found[0].text, "Boat2: levels 2 to 5, 7.8 % blocked.");

    t.write("ai.con", "aiSettings.setWorldMapSize 1024 1024\r\n");
    const auto small = checkFolder(t.dir());
    ASSERT_GE(small.size(), 4u);
    EXPECT_EQ(small[3].level, 5);
    EXPECT_NE(small[3].text.find("Level 5 of Boat2 cannot exist in a 1024 m world"), std::string::npos) << small[3].text;
}

TEST(PathmapPictures, NorthUpBlackFreeWhiteBlocked) {
    TempFolder t;
    Bitmap map(128);
    map.set(3, 0, true);      // south: the picture's last line
    map.set(127, 127, true);  // north-east corner: the first line's last pixel
    const QImage picture = pictureOf(map);
    EXPECT_EQ(picture.pixel(3, 127), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(127, 0), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(3, 0), qRgb(0, 0, 0));
    writePicture(map, t.dir() + "m.png");
    EXPECT_EQ(readPicture(t.dir() + "m.png", 128), map);

    // Any picture the loader reads; luminance 128 and up is blocked.
    QImage grey(128, 128, QImage::Format_RGB32);
    grey.fill(qRgb(127, 127, 127));
    grey.setPixel(5, 127, qRgb(128, 128, 128));
    grey.setPixel(6, 127, qRgb(255, 0, 0));  // luminance below 128
    grey.save(QString::fromStdString(t.dir() + "g.bmp"));
    Bitmap expected(128);
    expected.set(5, 0, true);
    EXPECT_EQ(readPicture(t.dir() + "g.bmp", 128), expected);

    try {
        readPicture(t.dir() + "m.png", 256);
        ADD_FAILURE() << "read a picture of the wrong size";
    } catch (const PathmapError& e) {
        EXPECT_EQ(std::string(e.what()), "The picture " + t.dir() +
                                             "m.png is 128 x 128 pixels, but the map is 256 x 256: scale it to 256 x "
                                             "256 and read it again.");
    }
}

} // namespace
} // namespace tw::pathmaps
