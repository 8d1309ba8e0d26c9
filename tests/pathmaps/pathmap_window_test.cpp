// The pathmap window over an add-on of its own: opening, layers, each tool
// with undo and redo, saving, the findings list centring the view, and a
// damaged file shown as a finding.
#include "app/main_window.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "pathmaps/pathmap_window.h"
#include "pathmaps/rebuild.h"
#include "platform/files.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using namespace pathmaps;
using test::ScriptedServices;
using test::TempFolder;

// A 1024 m add-on: Tank0 (levels 0 to 2) with a river along z 500..519 and
// a bridge at x 100..119; a seed on the river at 600/510.
struct Addon {
    Addon() : scripted(tmp.dir()), window(scripted.services) {
        tmp.write("ai.con", "aiSettings.setWorldMapSize 1024 1024\r\n");
        tmp.write("AIPathFinding.con", "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\nai.addSearchType Tank 0 0\r\n"
                                       "ai.setMapSpawnPoints 0 100/100,900/900,600/510\r\n");
        tmp.write("Singleplayer/ControlPointTemplates.con", "ObjectTemplate.create ControlPoint CP_A\r\n");
        tmp.write("Singleplayer/ControlPoints.con", "Object.create CP_A\r\nObject.absolutePosition 500/80/300\r\n");
        Bitmap level(1024);
        for (int z = 500; z < 520; ++z)
            for (int x = 0; x < 1024; ++x)
                if (x < 100 || x >= 120) level.set(x, z, true);
        for (int l = 0; l <= 2; ++l) {
            if (l > 0) level = coarser(level);
            tmp.write("Pathfinding/" + levelFileName("Tank0", l), encodeLevelMap(level, l));
        }
        window.resize(1000, 700);
        window.show();
    }
    void open() { window.open(tmp.dir(), "", {{"Hill", 400, 800, 600, 900, 1}}); }
    bool blocked(int x, int z) const { return window.pathmaps()->base(0).blocked(x, z); }
    QColor shown(double x, double z) { return QColor(window.view->grab().toImage().pixel(window.view->toWidget(x, z).toPoint())); }

    TempFolder tmp;
    ScriptedServices scripted;
    PathmapWindow window;
};

TEST(PathmapWindow, OpensWithLayersAndCentresOnAFinding) {
    Addon a;
    a.open();
    ASSERT_TRUE(a.window.pathmaps());
    EXPECT_EQ(a.window.mapChoice->currentText(), QStringLiteral("Tank0"));
    EXPECT_EQ(a.window.levelChoice->count(), 3);
    EXPECT_EQ(a.window.view->layerNames().mid(0, 6), (QStringList{"Too deep", "Too steep", "Blocked ground",
                                                                 "Control points", "Seed points", "Strategic areas"}));
    // Blocked ground is tinted, north up: the river at z 510, not at 1024 - 510.
    const QColor river = a.shown(300, 510), ground = a.shown(300, 700);
    EXPECT_GT(river.red(), ground.red() + 30);
    a.window.layerBlocked->setChecked(false);
    EXPECT_EQ(a.shown(300, 510), ground);
    a.window.layerBlocked->setChecked(true);
    // The control point and the area's outline, each switched off on its own.
    const QColor point = a.shown(500, 300);
    a.window.layerControlPoints->setChecked(false);
    EXPECT_NE(a.shown(500, 300), point);
    const QColor edge = a.shown(400, 850);
    a.window.layerAreas->setChecked(false);
    EXPECT_NE(a.shown(400, 850), edge);

    // The wheel zooms about the mouse; the middle button pans.
    MapView* v = a.window.view;
    const QPoint mouse = v->toWidget(300, 510).toPoint();
    const double scale = v->pixelsPerMetre();
    QWheelEvent wheel(mouse, v->mapToGlobal(mouse), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &wheel);
    EXPECT_NEAR(v->pixelsPerMetre(), scale * 1.5625, 1e-9);
    EXPECT_NEAR(v->toWidget(300, 510).x(), mouse.x(), 1);
    QTest::mousePress(v, Qt::MiddleButton, {}, mouse);
    QTest::mouseMove(v, mouse + QPoint(40, -30));
    QTest::mouseRelease(v, Qt::MiddleButton, {}, mouse + QPoint(40, -30));
    EXPECT_NEAR(v->toWidget(300, 510).x(), mouse.x() + 40, 1);
    EXPECT_NEAR(v->toWidget(300, 510).y(), mouse.y() - 30, 1);
    EXPECT_FALSE(a.window.undoButton->isEnabled());  // nothing painted

    // The seed on the river is a finding; choosing it centres the view there.
    const auto& f = a.window.findings();
    const auto seed = std::find_if(f.begin(), f.end(), [](const Finding& x) { return x.place && x.place->z == 510; });
    ASSERT_NE(seed, f.end()) << a.window.findingsList->count();
    a.window.findingsList->setCurrentRow(static_cast<int>(seed - f.begin()));
    const QPointF centre = a.window.view->toWidget(600, 510);
    EXPECT_NEAR(centre.x(), a.window.view->width() / 2.0, 1);
    EXPECT_NEAR(centre.y(), a.window.view->height() / 2.0, 1);
}

// A place to go to, from the list or from the add-on's check: the view
// zooms in close enough to see the pathmap's pixels, centred on it, and
// marks it; neither the mark nor a seed's cross hides the patch under it.
TEST(PathmapWindow, GoingToAPlaceZoomsInAndMarksIt) {
    struct Case {
        const char* how;
        QPointF place;
        std::function<void(PathmapWindow&, QPointF)> go;
    };
    const Case cases[] = {
        {"its finding in the list", {600, 510},
         [](PathmapWindow& w, QPointF at) {
             const auto& f = w.findings();
             for (size_t i = 0; i < f.size(); ++i)
                 if (f[i].place && f[i].place->x == at.x() && f[i].place->z == at.y())
                     w.findingsList->setCurrentRow(static_cast<int>(i));
         }},
        {"the check's finding of the seed", {600, 510}, [](PathmapWindow& w, QPointF at) { w.goToPlace("Tank0", at); }},
        {"a place without a finding", {300, 700}, [](PathmapWindow& w, QPointF at) { w.goToPlace("Tank0", at); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Addon a;
        a.open();
        MapView* v = a.window.view;
        c.go(a.window, c.place);
        ASSERT_EQ(a.window.markedPlace(), std::optional<QPointF>(c.place));
        EXPECT_NEAR(v->pixelsPerMetre(), std::min(v->width(), v->height()) / 128.0, 1e-6);
        EXPECT_NEAR(v->toWidget(c.place.x(), c.place.y()).x(), v->width() / 2.0, 1);
        EXPECT_NEAR(v->toWidget(c.place.x(), c.place.y()).y(), v->height() / 2.0, 1);
        // The patch at the place looks as the same ground 20 m east of it.
        const QColor patch = a.shown(c.place.x(), c.place.y());
        EXPECT_EQ(patch, a.shown(c.place.x() + 20, c.place.y()));
        a.window.layerSeeds->setChecked(false);
        EXPECT_EQ(a.shown(c.place.x(), c.place.y()), patch);
    }
}

TEST(PathmapWindow, EachToolWithUndoAndRedo) {
    Addon a;
    a.open();
    struct Case {
        const char* tool;
        std::function<void(PathmapWindow&)> use;
        std::vector<std::tuple<int, int, bool>> after;  // pixels of level 0
    } cases[] = {
        {"brush blocks", [](PathmapWindow& w) { w.brushMetres->setValue(10); w.brushStroke({{200, 200}, {240, 200}}, true); },
         {{200, 200, true}, {220, 203, true}, {240, 196, true}, {220, 210, false}, {250, 200, false}}},
        {"brush frees", [](PathmapWindow& w) { w.brushMetres->setValue(4); w.brushStroke({{300, 510}}, false); },
         {{300, 510, false}, {300, 505, true}}},
        {"rectangle", [](PathmapWindow& w) { w.rectangle({10, 20}, {29, 39}, true); },
         {{10, 20, true}, {29, 39, true}, {30, 39, false}, {9, 20, false}}},
        {"flood fill frees the river east of the bridge", [](PathmapWindow& w) { w.floodFill({300, 510}, false); },
         {{120, 500, false}, {1023, 519, false}, {99, 500, true}}},
        {"flood fill blocks all ground joined by the bridge", [](PathmapWindow& w) { w.floodFill({500, 100}, true); },
         {{0, 0, true}, {110, 510, true}, {500, 700, true}}},
    };
    for (auto& c : cases) {
        const Bitmap before = a.window.pathmaps()->base(0);
        c.use(a.window);
        for (const auto& [x, z, blocked] : c.after) EXPECT_EQ(a.blocked(x, z), blocked) << c.tool << " " << x << "/" << z;
        const Bitmap after = a.window.pathmaps()->base(0);
        a.window.undoButton->click();
        EXPECT_EQ(a.window.pathmaps()->base(0), before) << c.tool;
        a.window.redoButton->click();
        EXPECT_EQ(a.window.pathmaps()->base(0), after) << c.tool;
        a.window.undoButton->click();
    }
    // The mouse: a stroke with the left button is one step to undo.
    const Bitmap start = a.window.pathmaps()->base(0);
    MapView* v = a.window.view;
    QTest::mousePress(v, Qt::LeftButton, {}, v->toWidget(700, 700).toPoint());
    QTest::mouseMove(v, v->toWidget(720, 700).toPoint());
    QTest::mouseMove(v, v->toWidget(740, 700).toPoint());
    QTest::mouseRelease(v, Qt::LeftButton, {}, v->toWidget(740, 700).toPoint());
    EXPECT_TRUE(a.blocked(720, 700));
    a.window.undoButton->click();
    EXPECT_EQ(a.window.pathmaps()->base(0), start);
    // Only the base level is painted.
    a.window.levelChoice->setCurrentIndex(1);
    a.window.rectangle({0, 0}, {100, 100}, true);
    EXPECT_EQ(a.window.pathmaps()->base(0), start);
    EXPECT_EQ(a.scripted.messages.infos.size(), 1u);
}

TEST(PathmapWindow, ThroughAnImageEditorAndBack) {
    Addon a;
    a.open();
    const Bitmap original = a.window.pathmaps()->base(0);
    a.scripted.dialogs.answer(a.tmp.dir() + "Tank0Level0Map.png");
    a.window.exportButton->click();
    EXPECT_EQ(a.scripted.dialogs.requests.back().proposedName, "Tank0Level0Map.png");
    a.window.rectangle({0, 0}, {200, 200}, true);
    a.scripted.dialogs.answer(a.tmp.dir() + "Tank0Level0Map.png");
    a.window.importButton->click();
    EXPECT_EQ(a.window.pathmaps()->base(0), original);
    a.window.undoButton->click();
    EXPECT_TRUE(a.blocked(100, 100));
    // A picture of another size is refused, naming both sizes; nothing changes.
    QImage small(512, 512, QImage::Format_RGB32);
    small.fill(Qt::black);
    ASSERT_TRUE(small.save(QString::fromStdString(a.tmp.dir() + "small.png")));
    a.scripted.dialogs.answer(a.tmp.dir() + "small.png");
    a.window.importButton->click();
    ASSERT_EQ(a.scripted.messages.errors.size(), 1u);
    EXPECT_NE(a.scripted.messages.errors[0].find("512"), std::string::npos) << a.scripted.messages.errors[0];
    EXPECT_NE(a.scripted.messages.errors[0].find("1024"), std::string::npos);
    EXPECT_TRUE(a.blocked(100, 100));
}

TEST(PathmapWindow, SaveRebuildsKeepsTheOriginalsOnceAndFindsAgain) {
    Addon a;
    const std::string original = a.tmp.read("Pathfinding/Tank0Level1Map.raw");
    a.open();
    const size_t before = a.window.findings().size();
    a.window.floodFill({300, 510}, false);  // the river is gone: the seed stands free
    a.window.floodFill({50, 510}, false);
    a.window.saveButton->click();
    EXPECT_TRUE(a.scripted.messages.errors.empty()) << a.scripted.messages.errors.front();
    EXPECT_EQ(a.tmp.read("Pathfinding/Originals/Tank0Level1Map.raw"), original);
    Bitmap free(1024);
    EXPECT_EQ(a.tmp.read("Pathfinding/Tank0Level1Map.raw"), encodeLevelMap(coarser(free), 1));
    EXPECT_LT(a.window.findings().size(), before);
    EXPECT_NE(a.window.status->text().indexOf(QStringLiteral("Originals")), -1);
    a.window.rectangle({0, 0}, {63, 63}, true);
    // Closing asks first: "Cancel" keeps the window, "Save" saves and closes.
    EXPECT_FALSE(a.window.close());
    ASSERT_EQ(a.scripted.messages.questions.size(), 1u);
    a.scripted.messages.answers = {0};
    EXPECT_TRUE(a.window.close());
    EXPECT_TRUE(decodeLevelMap(a.tmp.read("Pathfinding/Tank0Level0Map.raw"), "", 1024, 0).blocked(0, 0));
    EXPECT_EQ(a.tmp.read("Pathfinding/Originals/Tank0Level1Map.raw"), original);  // kept once
}

TEST(PathmapWindow, ADamagedFileIsAFindingAndTheMainWindowOpensIt) {
    Addon a;
    a.tmp.write("Pathfinding/Tank0Level1Map.raw", "damaged");
    a.open();
    const auto& f = a.window.findings();
    EXPECT_TRUE(std::any_of(f.begin(), f.end(), [](const Finding& x) {
        return x.severity == Severity::Error && x.text.find("Tank0Level1Map.raw") != std::string::npos;
    }));
    a.window.levelChoice->setCurrentIndex(1);
    EXPECT_TRUE(a.window.overlay().isNull());
    EXPECT_NE(a.window.status->text().indexOf(QStringLiteral("Tank0Level1Map.raw")), -1);

    // A folder that is no add-on: its one finding.
    a.window.open(a.tmp.dir() + "nowhere/", "", {});
    ASSERT_EQ(a.window.findings().size(), 1u);
    EXPECT_EQ(a.window.findings()[0].severity, Severity::Error);

    // From the wizard: "Pathmaps" beside the tabs on the Areas page; after a
    // restart the areas come from the written script.
    a.tmp.write("AI/StrategicAreas.con", "rem\r\naiStrategicArea.create Ford 100/480 120/500 50\r\n \r\n\r\n \r\n \r\n"
                                         "aiStrategicArea.setActive Ford\r\naiStrategicArea.setSide 2\r\n\r\n\r\n");
    TForm1 form(a.scripted.services);
    form.state.AddonDir = a.tmp.dir();
    form.state.WorldSize = 1024;
    form.show();
    auto* link = form.findChild<QLabel*>(QStringLiteral("LabelPathmaps"));
    ASSERT_NE(link, nullptr);
    form.PageControl1->setCurrentWidget(form.t3);
    EXPECT_TRUE(link->isVisible());
    PathmapWindow* opened = nullptr;
    QObject::connect(&form, &TForm1::pathmapsOpened, [&](PathmapWindow* w) { opened = w; });
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_EQ(opened->mapChoice->currentText(), QStringLiteral("Tank0"));
    ASSERT_EQ(opened->areas().size(), 1u);
    EXPECT_EQ(opened->areas()[0].name, QStringLiteral("Ford"));
    EXPECT_EQ(opened->areas()[0].maxX, 140);
    EXPECT_EQ(opened->areas()[0].side, 2);
    form.PageControl1->setCurrentWidget(form.t1);
    EXPECT_FALSE(link->isVisible());
    // Painted and not saved: the wizard does not close before it is asked.
    opened->rectangle({0, 0}, {10, 10}, true);
    EXPECT_FALSE(form.close());  // "Cancel"
    EXPECT_TRUE(opened->isVisible());
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// The height map's layers follow the chosen map's maxSlope and waterDepth:
// a ramp of 3.6 degrees that turns into a cliff of 32 degrees in the east
// half, and water 2 m deep in the west and 8 m in the east of its south edge.
TEST(PathmapWindow, TerrainLayersTakeTheShownMapsValues) {
    Addon a;
    a.tmp.write("AIPathFinding.con", "ai.addSearchMap Tank0 0 0 25 3.0 0.3 2.5 0\r\n"
                                     "ai.addSearchMap Infantry1 0 5 40 1.0 0.4 2.0 1\r\n");
    a.tmp.write("level/Init/Terrain.con", "GeometryTemplate.worldSize 1024\r\nGeometryTemplate.yScale 4\r\n"
                                          "GeometryTemplate.waterLevel 50\r\n");
    std::string raw;
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col) {
            double metres = col < 32 ? 60 + col : 92 + (col - 32) * 10;
            if (row < 8) metres = col < 32 ? 48 : 42;
            const auto v = static_cast<uint16_t>(std::lround(metres / 1024 * 65535));
            raw += static_cast<char>(v & 0xFF);
            raw += static_cast<char>(v >> 8);
        }
    a.tmp.write("level/Heightmap.raw", raw);
    a.window.open(a.tmp.dir(), "", {}, a.tmp.dir() + "level/");
    struct Case {
        int map;
        QString slopeText, waterText;
        bool cliff, shallow, deep;  // shown at 800/600, 200/40, 800/40
    };
    for (const Case& c : {Case{0, "Steeper than 25\u00B0 (Tank0's maxSlope)", "Water deeper than 0 m (Tank0's waterDepth)",
                               true, true, true},
                          Case{1, "Steeper than 40\u00B0 (Infantry1's maxSlope)",
                               "Water deeper than 5 m (Infantry1's waterDepth)", false, false, true}}) {
        a.window.mapChoice->setCurrentIndex(c.map);
        EXPECT_EQ(a.window.layerSlope->text(), c.slopeText);
        EXPECT_EQ(a.window.layerWater->text(), c.waterText);
        const QImage& slope = a.window.slopeOverlay();
        const QImage& water = a.window.waterOverlay();
        ASSERT_EQ(slope.size(), QSize(64, 64));
        const auto at = [](const QImage& layer, double x, double z) {
            return qAlpha(layer.pixel(static_cast<int>(x / 16), static_cast<int>((1024 - z) / 16))) > 0;
        };
        EXPECT_EQ(at(slope, 800, 600), c.cliff) << c.map;
        EXPECT_FALSE(at(slope, 200, 600)) << c.map;
        EXPECT_EQ(at(water, 200, 40), c.shallow) << c.map;
        EXPECT_EQ(at(water, 800, 40), c.deep) << c.map;
    }
    // Each can be switched off.
    a.window.layerSlope->setChecked(false);
    EXPECT_FALSE(a.window.view->layerShown(QStringLiteral("Too steep")));
    EXPECT_TRUE(a.window.view->layerShown(QStringLiteral("Too deep")));
}

} // namespace
} // namespace tw
