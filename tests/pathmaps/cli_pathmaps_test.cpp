// tarnwick-cli pathmaps on the sample's stand-in game folder and on broken
// folders: the findings, the pictures, reading them back, the rebuild.
#include "pathmaps/formats.h"
#include "pathmaps/pictures.h"
#include "pathmaps/rebuild.h"
#include "platform/files.h"
#include "platform/program_lock.h"
#include "support/checksums.h"
#include "support/process.h"
#include "support/program_folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace tw::pathmaps {
namespace {

using test::TempFolder;

// The command line front end in a program folder of this test's own: each
// command holds its program folder's lock, so runs in a shared one (the
// build's, where a wizard may be open) could meet.
std::string cli() {
    static const TempFolder folder;
    static const std::string program = test::makeProgramFolder(folder.path() / "Tarnwick");
    return program + "tarnwick-cli";
}

const std::string kSeedFault = "warning\tTank0\tlevel 0\tat 515/505\tA seed point lies on a blocked pixel";

struct Sample {
    Sample() { fs::copy(TW_SAMPLE_GAME "/bf1942/levels/DemoMap", level, fs::copy_options::recursive); }
    // `options` as one text, the folders in single quotes.
    test::CommandResult run(const std::string& options) const {
        std::vector<std::string> arguments = {"pathmaps", test::utf8Text(level)};
        for (const std::string& option : test::words(options)) arguments.push_back(option);
        return test::runProgram(cli(), arguments);
    }
    std::string file(const std::string& name) const { return readBytes((level / "Pathfinding" / name).string()); }
    TempFolder tmp;
    fs::path level = tmp.path() / "DemoMap";
    std::string pictures = (tmp.path() / "pictures").string();
};

TEST(TarnwickCliPathmaps, FourModesOnTheSample) {
    Sample s;
    // The findings: the sample's one deliberate fault is a warning, so the run succeeds.
    auto r = s.run("");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find(kSeedFault), std::string::npos) << r.output;

    // --png: every map and level as a picture.
    r = s.run("--png '" + s.pictures + "'");
    EXPECT_EQ(r.code, 0) << r.output;
    for (const char* map : {"Tank0", "Infantry1", "Car4"})
        for (int level = 0; level <= 2; ++level) {
            const std::string name = std::string(map) + "Level" + std::to_string(level) + "Map";
            EXPECT_EQ(readPicture(s.pictures + "/" + name + ".png", 1024 >> level),
                      decodeLevelMap(s.file(name + ".raw"), name, 1024, level))
                << name;
        }

    // --from-png: the patch over the seed painted free in an image editor.
    QImage tank(QString::fromStdString(s.pictures + "/Tank0Level0Map.png"));
    tank = tank.convertToFormat(QImage::Format_RGB32);
    for (int y = 1023 - 515; y <= 1023 - 495; ++y)
        for (int x = 505; x <= 525; ++x) tank.setPixel(x, y, qRgb(0, 0, 0));
    ASSERT_TRUE(tank.save(QString::fromStdString(s.pictures + "/Tank0Level0Map.png")));
    const auto before = test::folderChecksums(s.level / "Pathfinding");
    r = s.run("--from-png '" + s.pictures + "'");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output.find(kSeedFault), std::string::npos) << r.output;
    EXPECT_EQ(test::folderChecksums(s.level / "Pathfinding/Originals"), before);
    const Bitmap painted = readPicture(s.pictures + "/Tank0Level0Map.png", 1024);
    EXPECT_EQ(s.file("Tank0Level0Map.raw"), encodeLevelMap(painted, 0));
    EXPECT_EQ(s.file("Tank0Level2Map8Bit.raw"), encodeEightBit(coarser(coarser(painted))));
    EXPECT_EQ(s.file("Tank.raw"), encodeStrategic(buildStrategic(painted, 0).map));

    // --rebuild: a missing level is an error until it is made again.
    fs::remove(s.level / "Pathfinding/Car4Level1Map.raw");
    r = s.run("");
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(r.output.find("error\tCar4\tlevel 1\t-\t"), std::string::npos) << r.output;
    r = s.run("--rebuild");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(s.file("Car4Level1Map.raw"),
              encodeLevelMap(coarser(decodeLevelMap(s.file("Car4Level0Map.raw"), "Car4", 1024, 0)), 1));
    EXPECT_EQ(test::folderChecksums(s.level / "Pathfinding/Originals"), before);  // kept once
}

TEST(TarnwickCliPathmaps, BrokenFoldersAndBadUsage) {
    struct Case {
        const char* name;
        std::function<void(const Sample&)> prepare;
        std::string options;  // "-" for no folder at all
        int code;
        std::string output;
        bool readOnlyFolder = false;  // needs a read-only folder, which Windows (Wine) cannot make
    } cases[] = {
        {"no folder", [](const Sample&) {}, "-", 2, "Too few arguments."},
        {"a folder that does not exist", [](const Sample& s) { fs::remove_all(s.level); }, "", 2,
         "does not exist: give an add-on folder or a level folder"},
        {"no AIPathFinding.con", [](const Sample& s) { fs::remove(s.level / "AIPathFinding.con"); }, "", 2,
         test::native("DemoMap/") + " holds no AIPathFinding.con"},
        {"a damaged level",
         [](const Sample& s) { fs::resize_file(s.level / "Pathfinding/Infantry1Level0Map.raw", 30); }, "", 1,
         "error\tInfantry1\tlevel 0\t-\t"},
        {"a picture of the wrong size",
         [](const Sample& s) {
             fs::create_directories(s.pictures);
             QImage(512, 512, QImage::Format_RGB32).save(QString::fromStdString(s.pictures + "/tank0level0map.png"));
         },
         "--from-png PICTURES", 1, "is 512 x 512 pixels, but the map is 1024 x 1024"},
        {"no pictures", [](const Sample& s) { fs::create_directories(s.pictures); }, "--from-png PICTURES", 1,
         "holds no <Map>Level<L>Map.png of a declared map"},
        {"a read-only picture folder",
         [](const Sample& s) {
             fs::create_directories(s.pictures);
             fs::permissions(s.pictures, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                             fs::perm_options::remove);
         },
         "--png PICTURES", 1, "pictures is read-only, so no picture was written there", true},
        {"a read-only picture",
         [](const Sample& s) {
             fs::create_directories(s.pictures);
             writeBytes(s.pictures + "/Car4Level2Map.png", "");
             fs::permissions(s.pictures + "/Car4Level2Map.png", fs::perms::owner_read);
         },
         "--png PICTURES", 1, "Car4Level2Map.png is read-only, so the picture"},
        {"an unknown option", [](const Sample&) {}, "--paint", 2, "Unknown option 'paint'."},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (c.readOnlyFolder) continue;
#endif
        Sample s;
        c.prepare(s);
        const auto before = fs::exists(s.level) ? test::folderChecksums(s.level) : decltype(test::folderChecksums(s.level)){};
        std::string options = c.options;
        if (const size_t at = options.find("PICTURES"); at != std::string::npos)
            options.replace(at, 8, "'" + s.pictures + "'");
        const auto r = c.options == "-" ? test::runProgram(cli(), {"pathmaps"}) : s.run(options);
        EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.output;
        EXPECT_NE(r.output.find(c.output), std::string::npos) << c.name << "\n" << r.output;
        if (fs::exists(s.level)) EXPECT_EQ(test::folderChecksums(s.level), before) << c.name;  // nothing written
    }
}

// Reading and pictures run beside the wizard; a rebuild waits for the
// program folder like every command that writes.
TEST(TarnwickCliPathmaps, OnlyWritingWaitsForTheProgramFolder) {
    Sample s;
    std::string refusal;
    const auto held = lockProgramFolder(folderOf(cli()), refusal);
    ASSERT_TRUE(held) << refusal;
    const auto before = test::folderChecksums(s.level);
    for (const std::string& options : {std::string(""), "--png '" + s.pictures + "'"})
        EXPECT_EQ(s.run(options).code, 0) << options;
    const auto rebuild = s.run("--rebuild");
    EXPECT_EQ(rebuild.code, 1) << rebuild.output;
    EXPECT_NE(rebuild.output.find("already running on this program folder"), std::string::npos) << rebuild.output;
    EXPECT_EQ(test::folderChecksums(s.level), before);
}

} // namespace
} // namespace tw::pathmaps
