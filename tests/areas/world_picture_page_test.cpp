// The Areas page over a level whose combat area is smaller than the world:
// an area drawn over a landmark of the level's picture gets the landmark's
// world metres, whether the picture is the level's own (placed in its
// combat area after "Start") or one the user loaded and fitted there.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "areas/dds.h"
#include "platform/files.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

// 128 x 128 pixels of grey with a white square at pixels 32 to 63 both ways:
// in the combat area 512/512 to 768/768 of a 1024 m world, the square
// covers 576/640 to 640/704 m.
areas::RgbaImage landmarkPicture() {
    areas::RgbaImage image{128, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const uint8_t v = x >= 32 && x < 64 && y >= 32 && y < 64 ? 255 : 90;
            image.pixels.insert(image.pixels.end(), {v, v, v, 0xFF});
        }
    return image;
}

// The view pixels of the white square.
QRect whiteIn(const QImage& picture) {
    QRect found;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qGray(picture.pixel(x, y)) > 200) found |= QRect(x, y, 1, 1);
    return found;
}

TEST(WorldPicturePage, AnAreaOverALandmarkGetsItsWorldMetres) {
    struct Case {
        const char* name;
        bool userPicture;  // loaded with "Load map image" and fitted to the combat area
    };
    for (const Case c : {Case{"the level's own picture", false}, Case{"a picture of the combat area, fitted", true}}) {
        TempFolder tmp;
        const std::string level = "bf1942/levels/DemoMap/";
        tmp.write(level + "init.con", "rem a level\r\nGame.setActiveCombatArea 512 512 256 256\r\n");
        tmp.write(level + "init/terrain.con", "GeometryTemplate.worldSize 1024\r\n");
        const std::string dds = areas::encodeDds(landmarkPicture(), "RGB24");
        tmp.write(c.userPicture ? "playable.dds" : level + "Textures/InGameMap.dds", dds);
        std::filesystem::create_directories(tmp.path() / "bf1942/levels/DemoMap_001/AI");

        ScriptedServices scripted(tmp.dir());
        TForm1 form(scripted.services);
        AreasPage& page = *form.t3;
        form.state.AddonDir = tmp.dir() + "bf1942/levels/DemoMap_001/";
        form.state.MapDir = tmp.dir() + level;
        form.state.WorldSize = 1024;
        form.setPageEnabled(&page, true);
        form.show();
        form.PageControl1->setCurrentWidget(&page);
        page.addonOpened();
        ASSERT_TRUE(scripted.messages.errors.empty()) << c.name << ": " << scripted.messages.errors[0];

        if (c.userPicture) {
            scripted.dialogs.answer(tmp.dir() + "playable.dds");
            QTest::mouseClick(page.Label10z, Qt::LeftButton);
            // Shown over the whole world first, as any loaded picture.
            EXPECT_EQ(whiteIn(page.e->picture()), QRect(32, 32, 32, 32)) << c.name;
            ASSERT_TRUE(page.pictureStatus->isVisible()) << c.name;
            EXPECT_TRUE(page.pictureStatus->text().contains("512/512 to 768/768 m of the 1024 m world")) << c.name;
            EXPECT_TRUE(page.pictureStatus->text().contains("Fit it to the combat area")) << c.name;
            emit page.pictureStatus->linkActivated(QStringLiteral("fit"));
            EXPECT_TRUE(page.pictureFitted()) << c.name;
        }
        const QRect white = whiteIn(page.e->picture());
        EXPECT_EQ(white, QRect(288, 160, 32, 32)) << c.name;

        page.mapDrag(white.topLeft(), white.bottomRight() + QPoint(1, 1));
        page.Edit2z->setText(QStringLiteral("Landmark"));
        page.Edit3z->setText(QStringLiteral("70"));
        page.Team1->setChecked(true);
        QTest::mouseClick(page.Label9z, Qt::LeftButton);
        QTest::mouseClick(page.Image2z, Qt::LeftButton);
        QTest::mouseClick(page.Label16z, Qt::LeftButton);
        const std::string script = tmp.read("bf1942/levels/DemoMap_001/AI/StrategicAreas.con");
        EXPECT_NE(script.find("aiStrategicArea.create Landmark 576/640 608/672 70\r\n"), std::string::npos)
            << c.name << ":\n" << script;
    }
}

} // namespace
} // namespace tw
