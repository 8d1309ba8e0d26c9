// A whole conversion of the sample archive through the main window, as a new
// user would do it: the real batch runner, real archives, scripted dialogs.
#include "app/main_window.h"
#include "app/splash_window.h"
#include "areas/areas_page.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "tools/qt_shell.h"
#include "rfa/reader.h"
#include "support/consoles.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/console_window.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::map<std::string, std::string> contents(const std::string& archive) {
    rfa::ArchiveReader reader(archive);
    std::map<std::string, std::string> files;
    for (const auto& e : reader.entries()) {
        std::string& text = files[e.name];
        reader.read(e, [&](const unsigned char* d, size_t n) { text.append(reinterpret_cast<const char*>(d), n); });
    }
    return files;
}

bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

void closeConsoles() { EXPECT_TRUE(test::closeConsoles()); }

// Batch files run for real; documents and web pages are only noted, so the
// test never opens the user's editor or browser.
class BatchShell : public Shell {
public:
    BatchShell(const std::string& programDir, Messages& messages) : real_(programDir, messages) {}
    void runBatch(const std::string& name, const std::string& folder, std::function<void(bool)> done) override {
        real_.runBatch(name, folder, std::move(done));
    }
    void openDocument(const std::string& file, const std::string& folder) override { documents.push_back(folder + file); }
    void openUrl(const std::string& url) override { documents.push_back(url); }
    std::vector<std::string> documents;

private:
    QtShell real_;
};

// One run of the wizard over the program folder.
struct Wizard {
    explicit Wizard(const std::string& programDir)
        : shell(programDir, messages), services{programDir, dialogs, messages, shell}, form(services) {
        form.setSplash(&splash);
        form.show();
        QTest::mouseClick(splash.Image1, Qt::LeftButton);
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    void clickBox(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }
    test::ScriptedDialogs dialogs;
    test::RecordingMessages messages;
    BatchShell shell;
    Services services;
    TForm1 form;
    TForm2 splash;
};

TEST(Conversion, TheSampleArchiveFromStartToNetworkMerge) {
    TempFolder tmp;
    test::InFolder in(tmp.path());
    // A fresh program folder, as a new user has it.
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    fs::create_directories(tmp.path() / "Downloads");
    fs::copy_file(program + "samples/DemoMap.rfa", tmp.path() / "Downloads/DemoMap.rfa");
    const std::string game = tmp.dir() + "Games/Battlefield 1942/";
    fs::create_directories(game);
    writeBytes(game + "BF1942.exe", "not really the game");
    fs::create_directories(tmp.path() / "Archives");

    {
        Wizard w(program);
        MapPage& t1 = *w.form.t1;
        // Archive mode, OK, Start with ships.
        w.dialogs.answer(tmp.dir() + "Downloads/DemoMap.rfa");
        w.click(t1.Image12);
        ASSERT_TRUE(waitFor([&] { return fileExists(program + "bf1942/levels/DemoMap/init/terrain.con") &&
                                         !fs::exists(program + "DemoMap.rfa"); }));
        closeConsoles();
        w.click(t1.Button1);
        ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
        EXPECT_EQ(w.form.state.WorldSize, 1024);
        w.clickBox(t1.shipp);
        ASSERT_TRUE(t1.shipp->isChecked());
        w.click(t1.Button2);
        ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
        const std::string addon = program + "bf1942/levels/DemoMap_001/";
        EXPECT_EQ(w.form.state.AddonDir, addon);
        EXPECT_EQ(w.form.PageControl1->currentWidget(), w.form.t3);  // on to the areas by itself

        // An edit in the script editor.
        w.form.PageControl1->setCurrentWidget(&t1);
        t1.ListBox1->setCurrentRow(2);  // COOP.con
        t1.Memo6->setPlainText(t1.Memo6->toPlainText().replace(QStringLiteral("1 100"), QStringLiteral("1 150")));
        w.click(t1.Button3);
        EXPECT_NE(readText(addon + "Coop.con").find("Game.setNumberOfTickets 1 150\r\n"), std::string::npos);

        // Two areas with neighbours.
        AreasPage& t3 = *w.form.t3;
        ASSERT_TRUE(t3.isEnabled());
        w.form.PageControl1->setCurrentWidget(&t3);
        // The level's own Textures/InGameMap.dds is shown at once.
        EXPECT_EQ(t3.e->picture().size(), QSize(512, 512));
        w.dialogs.answer(program + "samples/DemoMap/Textures/InGameMap.jpg");
        w.click(t3.Label10z);
        EXPECT_EQ(t3.e->picture().size(), QSize(512, 512));
        const auto area = [&](int gx, int gy, int rx, int ry, const char* name, QAbstractButton* kind,
                              QRadioButton* side) {
            w.click(t3.Label1z);
            t3.gruen->move(gx, gy);
            w.click(t3.Label2z);
            t3.rot->move(rx, ry);
            w.click(t3.Label8z);
            t3.Edit2z->setText(QString::fromLatin1(name));
            t3.Edit3z->setText(QStringLiteral("100"));
            kind->setChecked(true);
            side->setChecked(true);
            w.click(t3.Label9z);
        };
        area(50, 50, 100, 100, "AxisBase", t3.basis, t3.Team1);
        area(230, 230, 270, 270, "Village", t3.cp, t3.Neutral);
        ASSERT_EQ(t3.ListBox1z->count(), 2);
        w.click(t3.Image2z);
        t3.CheckListBox1->item(1)->setCheckState(Qt::Checked);
        w.click(t3.Label16z);
        t3.CheckListBox1->item(0)->setCheckState(Qt::Checked);
        w.click(t3.Label16z);
        EXPECT_EQ(w.messages.infos, std::vector<std::string>{"Change something if you want to."});
        EXPECT_EQ(w.shell.documents, std::vector<std::string>{addon + "AI/StrategicAreas.con"});
        EXPECT_EQ(w.form.PageControl1->currentWidget(), w.form.t4);
        // The status line's link: the written areas in the wizard's own editor.
        PackingPage& t4 = *w.form.t4;
        ASSERT_TRUE(t4.LabelEditAreas->isVisible());
        w.click(t4.LabelEditAreas);
        EXPECT_EQ(w.form.PageControl1->currentWidget(), w.form.t1);
        EXPECT_EQ(t1.ListBox1->currentItem()->text(), QStringLiteral("AI/StrategicAreas.con"));
        EXPECT_TRUE(t1.Memo6->toPlainText().startsWith(
            QStringLiteral("rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org\n"
                           "aiStrategicArea.create AxisBase 100/824 150/874 100\n")));
        w.form.PageControl1->setCurrentWidget(&t4);

        // The game folder, then the first packing.
        w.dialogs.answer(game + "BF1942.exe");
        w.click(t4.Image9);
        w.click(t4.Button5);
        EXPECT_EQ(readBytes(program + "memory.bf"), game);
        w.dialogs.answer(tmp.dir() + "Archives/DemoMap_001");
        w.click(t4.Label42);
        ASSERT_TRUE(waitFor([&] { return t4.packbar->value() == 100; })) << ::testing::PrintToString(w.messages.errors);
        closeConsoles();
    }

    // The game generated pathmaps; the wizard is started again.
    const std::string pathmaps = game + "bf1942/levels/DemoMap/Pathfinding/";
    fs::create_directories(pathmaps);
    writeBytes(pathmaps + "Tank0Level0Map.raw", std::string(4096, '\x11'));
    writeBytes(pathmaps + "Boat2Level1Map.raw", std::string(2048, '\x22'));
    writeBytes(pathmaps + "Tank0Level0Map8Bit.raw", std::string(1024, '\x33'));
    {
        Wizard w(program);
        EXPECT_EQ(w.form.t4->Edit4->text().toStdString(), game);
        w.click(w.form.t4->Button6);
        EXPECT_EQ(w.messages.infos.size(), 1u);  // what the transfer copied
        w.messages.infos.clear();
        // The check finds what a quick test conversion leaves out (one
        // side's base, stand-in pathmaps); "Pack anyway".
        w.messages.answers = {0};
        w.click(w.form.t4->Button7);
        EXPECT_EQ(w.messages.questions.size(), 1u);
        ASSERT_TRUE(waitFor([&] { return !w.messages.infos.empty() || !w.messages.errors.empty(); }));
        EXPECT_EQ(w.messages.infos, std::vector<std::string>{"Done\n\nThe add-on is packed into DemoMap_001.rfa in the "
                                                             "folder " + tmp.dir() + "Archives."})
            << ::testing::PrintToString(w.messages.errors);
        closeConsoles();

        const auto addonArchive = contents(tmp.dir() + "Archives/DemoMap_001.rfa");
        const std::string level = "bf1942/levels/DemoMap/";
        EXPECT_EQ(addonArchive.size(), 21u);  // 19 scripts and two pathmaps
        EXPECT_EQ(addonArchive.at(level + "ai.con").find("ai.createallmaps"), std::string::npos);
        EXPECT_NE(addonArchive.at(level + "ai.con").find("aiSettings.setWorldMapSize 1024 1024\r\n"), std::string::npos);
        EXPECT_NE(addonArchive.at(level + "AIPathFinding.con").find("rem *** Boat ***"), std::string::npos);
        EXPECT_NE(addonArchive.at(level + "Coop.con").find("1 150"), std::string::npos);
        EXPECT_EQ(addonArchive.at(level + "Pathfinding/Tank0Level0Map.raw"), std::string(4096, '\x11'));
        EXPECT_FALSE(addonArchive.count(level + "Pathfinding/Tank0Level0Map8Bit.raw"));
        EXPECT_EQ(addonArchive.at(level + "AI/StrategicAreas.con"),
                  "rem *** RizU done by quorvin_tal's Tarnwick ... https://tarnwick.example.org\r\n"
                  "aiStrategicArea.create AxisBase 100/824 150/874 100\r\n \r\n"
                  "aiStrategicArea.create Village 460/484 500/524 100\r\n \r\n"
                  "\r\n \r\n \r\n"
                  "aiStrategicArea.setActive AxisBase\r\n"
                  "AIStrategicArea.addNeighbour Village\r\n"
                  "aiStrategicArea.addObjectTypeFlag Base\r\n"
                  "AIStrategicArea.setOrderPosition Infantry 140/864\r\n"
                  "aiStrategicArea.setSide 1\r\n"
                  "\r\n"
                  "aiStrategicArea.setActive Village\r\n"
                  "AIStrategicArea.addNeighbour AxisBase\r\n"
                  "aiStrategicArea.addObjectTypeFlag Base\r\n"
                  "aiStrategicArea.addObjectTypeFlag ControlPoint\r\n"
                  "AIStrategicArea.setOrderPosition Infantry 490/514\r\n"
                  "aiStrategicArea.setSide 0\r\n"
                  "\r\n"
                  "\r\n");

        // Network merge of the map archive and the add-on archive.
        PackingPage& t4 = *w.form.t4;
        w.dialogs.answer(tmp.dir() + "Downloads/DemoMap.rfa");
        w.click(t4.Image13);
        w.dialogs.answer(tmp.dir() + "Archives/DemoMap_001.rfa");
        w.click(t4.Image14);
        w.click(t4.Button10);
        closeConsoles();
        w.click(t4.Button8);
        ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
        closeConsoles();
        const auto merged = contents(tmp.dir() + "Downloads/DemoMap.rfa");
        EXPECT_EQ(merged.size(), 12u + 21u);  // the map's files and the add-on's
        EXPECT_TRUE(merged.count(level + "init/terrain.con"));
        EXPECT_EQ(merged.at(level + "AI/StrategicAreas.con"), addonArchive.at(level + "AI/StrategicAreas.con"));
        EXPECT_TRUE(fileExists(tmp.dir() + "Archives/DemoMap_001.rfa"));  // "let it be"
    }
}

// The second sample, written as community levels are, from its archive to
// the first packing: areas proposed from its control points (given through
// variables), and seed points read from its variables.
TEST(Conversion, TheSecondSampleAsCommunityLevelsWriteThem) {
    TempFolder tmp;
    test::InFolder in(tmp.path());
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    const std::string game = tmp.dir() + "Game/";
    fs::create_directories(game);
    writeBytes(game + "BF1942.exe", "not really the game");
    fs::create_directories(tmp.path() / "Archives");

    Wizard w(program);
    MapPage& t1 = *w.form.t1;
    w.dialogs.answer(program + "samples/Ridgeback.rfa");
    w.click(t1.Image12);
    ASSERT_TRUE(waitFor([&] { return fileExists(program + "bf1942/levels/Ridgeback/init/terrain.con") &&
                                     !fs::exists(program + "Ridgeback.rfa"); }));
    closeConsoles();
    w.click(t1.Button1);
    ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
    EXPECT_EQ(w.form.state.WorldSize, 2048);
    w.click(t1.Button2);
    ASSERT_TRUE(w.messages.errors.empty()) << w.messages.errors[0];
    EXPECT_TRUE(w.messages.infos.empty()) << w.messages.infos[0];  // every search map has its seeds

    AreasPage& t3 = *w.form.t3;
    EXPECT_EQ(w.form.PageControl1->currentWidget(), &t3);
    w.click(t3.LabelPropose);
    w.click(t3.LabelAcceptAll);  // each proposal as it stands
    ASSERT_EQ(t3.ListBox1z->count(), 3);
    w.click(t3.Image2z);
    w.click(t3.LabelAcceptNeighbours);  // the proposed neighbours
    EXPECT_EQ(w.form.PageControl1->currentWidget(), w.form.t4);

    PackingPage& t4 = *w.form.t4;
    w.dialogs.answer(game + "BF1942.exe");
    w.click(t4.Image9);
    w.click(t4.Button5);
    w.dialogs.answer(tmp.dir() + "Archives/Ridgeback_001");
    w.click(t4.Label42);
    ASSERT_TRUE(waitFor([&] { return t4.packbar->value() == 100; })) << ::testing::PrintToString(w.messages.errors);
    closeConsoles();

    const auto archive = contents(tmp.dir() + "Archives/Ridgeback_001.rfa");
    const std::string level = "bf1942/levels/Ridgeback/";
    const std::string pathFinding = archive.at(level + "AIPathFinding.con");
    EXPECT_NE(pathFinding.find("\r\nai.setMapSpawnPoints 1 402.5/1650.75,418.0/1662.0,1630.25/390.5,1612.0/402.25,"
                               "1641.5/377.0,1010.0/1080.0\r\n"),
              std::string::npos)
        << pathFinding;
    EXPECT_NE(pathFinding.find("\r\nai.setMapSpawnPoints 0 440.0/1610.0,1590.5/420.0,1050.0/1040.0\r\n"),
              std::string::npos);
    EXPECT_NE(pathFinding.find("\r\nai.setMapSpawnPoints 2 440.0/1610.0,1590.5/420.0,1050.0/1040.0\r\n"),
              std::string::npos);
    const std::string areas = archive.at(level + "AI/StrategicAreas.con");
    for (const char* name : {"cp_north_base", "cp_south_base", "cp_mill"})
        EXPECT_NE(areas.find(std::string("aiStrategicArea.create ") + name + " "), std::string::npos) << name;
    // The level's own files travel byte for byte, LF ends and all.
    EXPECT_EQ(archive.at(level + "SinglePlayer/SoldierSpawns.con"),
              readBytes(test::secondSampleLevel() + "Conquest/SoldierSpawns.con"));
}

} // namespace
} // namespace tw
