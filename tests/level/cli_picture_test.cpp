// tarnwick-cli picture on the Ridgeback sample (relief, tiles for part of
// the world, a combat area smaller than the world) and on wrong usage.
#include "platform/files.h"
#include "support/process.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

TEST(CliPicture, WritesTheWorldPictureAndNamesItsSources) {
    TempFolder tmp;
    fs::copy(TW_DATA_DIR "/levels/Ridgeback", tmp.path() / "Ridgeback", fs::copy_options::recursive);
    tmp.write("Ridgeback_001/AIPathFinding.con", "rem maps\r\nai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
                                                 "ai.addSearchMap Infantry1 0 1.5 30 1.0 0.4 2.0 1\r\n");
    struct Case {
        std::string arguments;
        int code;
        std::vector<std::string> printed;
    };
    const std::string level = tmp.dir() + "Ridgeback", addon = tmp.dir() + "Ridgeback_001";
    const std::vector<Case> cases = {
        {level + " " + tmp.dir() + "plain.png --size 256", 0,
         {"source: relief from " + test::native(level + "/Heightmap.raw") + " (512 x 512 samples of 4 m, water below 40 m) over 0/0 to "
          "2048/2048 m",
          "source: 20 colour tiles " + test::native(level + "/Textures/Tx<CC>x<RR>.dds") + " (128 x 128 pixels, 256 m each) over 0/768 "
          "to 1024/2048 m",
          "combat area: 256/256 to 1792/1792 m of a 2048 m world"}},
        {addon + " " + tmp.dir() + "layers.png --size 256 --layers slope,water --map Infantry1", 0,
         {"layer: ground steeper than 30 degrees (Infantry1's maxSlope)",
          "layer: water deeper than 1.5 m (Infantry1's waterDepth)"}},
        {level + " " + tmp.dir() + "x.png --size 5", 2, {"--size takes a whole number of pixels from 16 to 8192"}},
        {level + " " + tmp.dir() + "x.png --layers fog", 2, {"Unknown layer \"fog\""}},
        {level + " " + tmp.dir() + "x.png --layers slope", 1, {"there is no " + test::native(level + "/AIPathFinding.con")}},
        {tmp.dir() + " " + tmp.dir() + "x.png", 2, {"is no level folder"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = test::words(c.arguments);
        arguments.insert(arguments.begin(), "picture");
        const auto r = test::runProgram(TW_BUILT_CLI, arguments);
        EXPECT_EQ(r.code, c.code) << c.arguments << "\n" << r.output;
        for (const std::string& line : c.printed)
            EXPECT_NE(r.output.find(line), std::string::npos) << c.arguments << ": no \"" << line << "\" in\n" << r.output;
    }
    const QImage plain(QString::fromStdString(tmp.dir() + "plain.png"));
    const QImage layers(QString::fromStdString(tmp.dir() + "layers.png"));
    ASSERT_EQ(plain.size(), QSize(256, 256));
    ASSERT_EQ(layers.size(), QSize(256, 256));
    // The river at 1130/1060 m is deeper than 1.5 m: tinted on the layers' picture only.
    const QPoint river(static_cast<int>(1130 / 8), static_cast<int>((2048 - 1060) / 8));
    EXPECT_NE(plain.pixel(river), layers.pixel(river));
    // Flat ground beside the mill at 1020/1060 m is neither steep nor water.
    const QPoint mill(static_cast<int>(1020 / 8), static_cast<int>((2048 - 1060) / 8));
    EXPECT_EQ(plain.pixel(mill), layers.pixel(mill));
}

} // namespace
} // namespace tw
