#include "app/main_window.h"
#include "app/splash_window.h"
#include "app/stats_page.h"
#include "intake/analysis.h"
#include "intake/map_page.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "tools/qt_shell.h"
#include "support/consoles.h"
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "tools/console_window.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::driveFree;
using test::InFolder;
using test::ScriptedServices;
using test::TempFolder;

std::string s(const QString& q) { return q.toStdString(); }

// A main window over a temporary folder in which Windows-style paths such as
// "C:\Tools\Wizard\" are folders relative to the current folder.
struct Wizard {
    explicit Wizard(std::string programDir = driveFree("C:\\Tools\\Wizard\\"))
        : in(tmp.path()), scripted(std::move(programDir)), form(scripted.services), page(*form.t1) {
        fs::create_directories(driveFree("C:/Tools/Wizard/bf1942/levels"));
    }
    void choose(bool folderMode, std::optional<std::string> answer) {
        (folderMode ? page.unpack : page.pack)->setChecked(true);
        scripted.dialogs.answer(std::move(answer));
        page.Image12Click();
    }
    TempFolder tmp;
    InFolder in;
    ScriptedServices scripted;
    TForm1 form;
    MapPage& page;
};

// A map that cannot be read ("OK" fails, or the archive's unpack fails)
// unlocks the choice between archive and folder; a good one keeps it locked.
TEST(MapSelection, AFailedChoiceUnlocksArchiveAndFolder) {
    enum class Fails { Nothing, Reading, Unpack };
    const struct {
        bool folderMode;
        Fails fails;
    } cases[] = {{true, Fails::Reading}, {false, Fails::Unpack}, {false, Fails::Nothing}};
    for (const auto& c : cases) {
        Wizard w;
        if (c.folderMode) {
            w.tmp.write(driveFree("D:/Maps/MyMap/init.con"), "rem no terrain.con beside it\r\n");
            w.choose(true, driveFree("D:\\Maps\\MyMap\\init.con"));
        } else {
            w.tmp.write(driveFree("D:/Maps/MyMap.rfa"), "archive");
            w.tmp.write(driveFree("C:/Tools/Wizard/bf1942/levels/MyMap/init/terrain.con"), "GeometryTemplate.worldSize 2048\r\n");
            w.choose(false, driveFree("D:\\Maps\\MyMap.rfa"));
            EXPECT_FALSE(w.page.pack->isEnabled());  // while it unpacks
            w.scripted.shell.finishers.at(0)(c.fails == Fails::Nothing);
            QTest::qWait(20);
            EXPECT_EQ(w.page.pack->isEnabled(), c.fails == Fails::Unpack);
        }
        QTest::mouseClick(w.page.Button1, Qt::LeftButton);
        EXPECT_EQ(w.scripted.messages.errors.size(), c.fails == Fails::Nothing ? 0u : 1u);
        const bool unlocked = c.fails != Fails::Nothing;
        EXPECT_EQ(w.page.pack->isEnabled(), unlocked) << c.folderMode;
        EXPECT_EQ(w.page.unpack->isEnabled(), unlocked) << c.folderMode;
    }
}

TEST(MapSelection, FolderModeTakesTheInitConsFolder) {
    Wizard w;
    w.choose(true, driveFree("D:\\Games\\bf1942\\levels\\MyMap\\init.con"));
    ASSERT_EQ(w.scripted.dialogs.requests.size(), 1u);
    EXPECT_EQ(w.scripted.dialogs.requests[0].name, "o1");
    EXPECT_EQ(w.scripted.dialogs.requests[0].filter, "Main Init.con (init.con)|init.con");
    EXPECT_EQ(s(w.page.Edit3->text()), driveFree("D:\\Games\\bf1942\\levels\\MyMap\\"));
    EXPECT_EQ(w.form.state.MapDir, driveFree("D:\\Games\\bf1942\\levels\\MyMap\\"));
    EXPECT_EQ(w.form.state.MapName, "MyMap");
    EXPECT_FALSE(w.page.pack->isEnabled());
    EXPECT_FALSE(w.page.unpack->isEnabled());
    EXPECT_TRUE(w.page.Button1->isEnabled());
    EXPECT_TRUE(w.scripted.shell.batches.empty());

    w.tmp.write(driveFree("D:/Games/bf1942/levels/MyMap/init/terrain.con"), "GeometryTemplate.worldSize 2048\r\n");
    w.page.Button1Click();
    EXPECT_TRUE(w.scripted.messages.errors.empty());
    EXPECT_EQ(w.form.state.WorldSize, 2048);
    EXPECT_EQ(w.form.state.worldScale(), 4);
    EXPECT_EQ(w.form.state.MapName, "MyMap");
    EXPECT_EQ(s(w.form.t6->Label30->text()), driveFree("D:\\Games\\bf1942\\levels\\MyMap\\"));
    EXPECT_EQ(s(w.form.t6->Label31->text()), "2048");
    EXPECT_EQ(s(w.form.t6->Label32->text()), "bf1942/levels/MyMap");
    EXPECT_EQ(s(w.form.t6->Label33->text()), "Non - RFA");
    EXPECT_EQ(s(w.form.t4->Edit5->toolTip()), "bf1942/levels/MyMap");
#ifndef _WIN32  // whether the whole path fits the field depends on the fonts there
    EXPECT_EQ(s(w.form.t4->Edit5->text()), "bf1942/levels/MyMap");
#endif
    EXPECT_EQ(s(w.form.t4->Label39->text()), "MyMap");
    EXPECT_EQ(s(w.form.t4->Label46->text()), "Tarnwick\\bf1942\\levels\\MyMap_001");
    EXPECT_FALSE(w.page.GroupBox7->isEnabled());
    EXPECT_TRUE(w.page.GroupBox8->isEnabled());
    EXPECT_TRUE(w.page.GroupBox9->isEnabled());
    EXPECT_TRUE(w.page.Memo6->isEnabled());
    EXPECT_FALSE(w.page.ListBox1->isEnabled());
}

TEST(MapSelection, AnInitConInADriveRootGivesNoName) {
    Wizard w;
    w.choose(true, "C:\\init.con");
    EXPECT_EQ(w.form.state.MapDir, "C:\\");
    EXPECT_EQ(w.form.state.MapName, "");
}

TEST(MapSelection, ArchiveModeWritesAndStartsTheUnpackScript) {
    Wizard w;
    w.choose(false, driveFree("C:\\Downloads\\MyMap.rfa"));
    ASSERT_EQ(w.scripted.dialogs.requests.size(), 1u);
    EXPECT_EQ(w.scripted.dialogs.requests[0].name, "o2");
    EXPECT_EQ(w.scripted.dialogs.requests[0].filter, "BF Refractor Archives (*.rfa)|*.rfa");
    EXPECT_EQ(w.tmp.read(driveFree("C:/Tools/Wizard/unpack.bat")),
              driveFree("copy \"C:\\Downloads\\MyMap.rfa\" \"C:\\Tools\\Wizard\\MyMap.rfa\"\r\n"
                        "rfaunpack.exe MyMap.rfa \r\n"
                        "del \"C:\\Tools\\Wizard\\MyMap.rfa\"\r\n"));
    ASSERT_EQ(w.scripted.shell.batches.size(), 1u);
    EXPECT_EQ(w.scripted.shell.batches[0].name, "unpack.bat");
    EXPECT_EQ(w.scripted.shell.batches[0].folder, driveFree("C:\\Tools\\Wizard\\"));
    EXPECT_EQ(s(w.page.Edit3->text()), driveFree("C:\\Downloads\\MyMap.rfa"));
    EXPECT_EQ(w.form.state.MapName, "MyMap.rfa");
    EXPECT_EQ(w.form.state.MapDir, driveFree("C:\\Tools\\Wizard\\bf1942\\levels\\MyMap\\"));
    EXPECT_FALSE(w.page.pack->isEnabled());
    EXPECT_TRUE(w.page.Button1->isEnabled());

    w.tmp.write(driveFree("C:/Tools/Wizard/bf1942/levels/MyMap/init/terrain.con"), "geometrytemplate.worldsize 1024\r\n");
    w.scripted.shell.finishers.at(0)(true);  // the unpack has ended well
    w.page.Button1Click();
    EXPECT_EQ(w.form.state.MapName, "MyMap");
    EXPECT_EQ(w.form.state.WorldSize, 1024);
    EXPECT_EQ(w.form.state.worldScale(), 2);
    EXPECT_EQ(w.form.state.MapDir, driveFree("C:\\Tools\\Wizard\\bf1942\\levels\\MyMap\\"));
    EXPECT_EQ(s(w.form.t6->Label30->text()), driveFree("C:\\Tools\\Wizard\\bf1942\\levels\\MyMap\\"));
    EXPECT_EQ(s(w.form.t6->Label33->text()), "Is - RFA");
    EXPECT_EQ(s(w.form.t6->Label32->text()), "bf1942/levels/MyMap");
    EXPECT_EQ(s(w.form.t4->Label39->text()), "MyMap");
    EXPECT_EQ(s(w.form.t4->Label46->text()), "Tarnwick\\bf1942\\levels\\MyMap_001");
}

TEST(MapSelection, ATwoLetterExtensionStillLosesFourCharacters) {
    Wizard w;
    w.choose(false, driveFree("C:\\Downloads\\MyMap.ab"));  // "p.ab" goes
    EXPECT_EQ(w.form.state.MapDir, driveFree("C:\\Tools\\Wizard\\bf1942\\levels\\MyMa\\"));
    EXPECT_EQ(w.form.state.MapName, "MyMap.ab");
}

TEST(MapSelection, AnArchiveInTheProgramFolderIsNeitherCopiedNorDeleted) {
    Wizard w;
    w.choose(false, driveFree("c:\\tools\\WIZARD\\MyMap.rfa"));
    EXPECT_EQ(w.tmp.read(driveFree("C:/Tools/Wizard/unpack.bat")), "rfaunpack.exe MyMap.rfa \r\n");
}

TEST(MapSelection, CancellingChangesNothingButTheOkButton) {
    for (bool folderMode : {true, false}) {
        Wizard w;
        w.choose(folderMode, std::nullopt);
        EXPECT_TRUE(w.page.pack->isEnabled());
        EXPECT_TRUE(w.page.unpack->isEnabled());
        EXPECT_TRUE(w.page.Button1->isEnabled());
        EXPECT_EQ(s(w.page.Edit3->text()), "Path");
        EXPECT_EQ(w.form.state.MapDir, "");
        EXPECT_EQ(w.form.state.MapName, "");
        EXPECT_TRUE(w.scripted.shell.batches.empty());
        EXPECT_FALSE(fs::exists(driveFree("C:/Tools/Wizard/unpack.bat")));
    }
}

TEST(MapAnalysis, WorldSizeLines) {
    struct Case {
        Lines lines;
        int32_t size, scale;
    };
    const Case cases[] = {
        {{"GeometryTemplate.worldSize 2048"}, 2048, 4},
        {{"geometrytemplate.worldsize 1024"}, 1024, 2},
        {{"GeometryTemplate.worldSize 1024 "}, 4096, 8},
        {{"GeometryTemplate.worldSize\t1024"}, 4096, 8},
        {{"  GeometryTemplate.worldSize 1024"}, 4096, 8},
        {{"GeometryTemplate.worldSize 512"}, 4096, 8},
        {{"GeometryTemplate.worldSize 1024", "GeometryTemplate.worldSize 2048"}, 2048, 4},
        {{}, 4096, 8},
    };
    for (const Case& c : cases) {
        const intake::WorldSize w = intake::worldSizeOf(c.lines);
        EXPECT_EQ(w.size, c.size) << ::testing::PrintToString(c.lines);
        EXPECT_EQ(w.scale, c.scale);
    }
}

TEST(MapAnalysis, TheFileOpenFailureIsShownAndOkWorksAgainLater) {
    Wizard w;
    w.choose(false, driveFree("C:\\Downloads\\MyMap.rfa"));
    w.scripted.shell.finishers.at(0)(true);  // an unpack that made no terrain file
    QTest::mouseClick(w.page.Button1, Qt::LeftButton);
    ASSERT_EQ(w.scripted.messages.errors.size(), 1u);
    // On Windows the level folder is relative, named by its full path.
    const std::string current = kNativeSeparator == '\\' ? fs::current_path().string() + "\\" : "";
    EXPECT_EQ(w.scripted.messages.errors[0],
              "Datei " + current + driveFree("C:\\Tools\\Wizard\\bf1942\\levels\\MyMap\\init\\terrain.con kann nicht ge\xC3\xB6"
                        "ffnet werden. Das System kann den angegebenen Pfad nicht finden."));
    EXPECT_EQ(w.form.state.MapName, "MyMap.rfa");
    EXPECT_EQ(w.form.state.WorldSize, 0);
    EXPECT_EQ(s(w.form.t6->Label30->text()), "-");
    EXPECT_EQ(s(w.form.t4->Label39->text()), "--------------");
    EXPECT_TRUE(w.page.GroupBox7->isEnabled());
    EXPECT_FALSE(w.page.GroupBox8->isEnabled());

    w.tmp.write(driveFree("C:/Tools/Wizard/bf1942/levels/MyMap/init/terrain.con"), "");
    QTest::mouseClick(w.page.Button1, Qt::LeftButton);
    EXPECT_EQ(w.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(w.form.state.WorldSize, 4096);
    EXPECT_EQ(w.form.state.MapName, "MyMap");
}

// "OK" reads the level of a chosen archive only once its unpack has ended
// well; meanwhile, and after an unpack that failed or was stopped, it
// refuses and leaves everything as it was (an older level folder included).
TEST(MapAnalysis, OkWaitsForTheUnpackAndRefusesAFailedOne) {
    for (const bool clickDuringTheSecondUnpack : {false, true}) {
        Wizard w;
        w.tmp.write(driveFree("C:/Tools/Wizard/bf1942/levels/MyMap/init/terrain.con"), "geometrytemplate.worldsize 2048\r\n");
        w.choose(false, driveFree("C:\\Downloads\\MyMap.rfa"));
        QTest::mouseClick(w.page.Button1, Qt::LeftButton);
        ASSERT_EQ(w.scripted.messages.errors.size(), 1u);
        EXPECT_NE(w.scripted.messages.errors[0].find("still being unpacked"), std::string::npos);
        w.scripted.shell.finishers.at(0)(false);  // failed, or stopped from its console
        QTest::mouseClick(w.page.Button1, Qt::LeftButton);
        ASSERT_EQ(w.scripted.messages.errors.size(), 2u);
        EXPECT_NE(w.scripted.messages.errors[1].find("did not succeed"), std::string::npos);
        EXPECT_EQ(w.form.state.WorldSize, 0) << clickDuringTheSecondUnpack;
        EXPECT_EQ(w.form.state.MapName, "MyMap.rfa");
        EXPECT_FALSE(w.page.GroupBox8->isEnabled());
        // Choosing the archive again starts a new unpack; its good end lets OK read.
        w.choose(false, driveFree("C:\\Downloads\\MyMap.rfa"));
        if (clickDuringTheSecondUnpack) {
            QTest::mouseClick(w.page.Button1, Qt::LeftButton);
            EXPECT_EQ(w.scripted.messages.errors.size(), 3u);
        }
        w.scripted.shell.finishers.at(1)(true);
        QTest::mouseClick(w.page.Button1, Qt::LeftButton);
        EXPECT_EQ(w.form.state.WorldSize, 2048);
        EXPECT_TRUE(w.page.GroupBox8->isEnabled());
    }
}

// "OK" after a cancelled choice looks for init/terrain.con in the current
// folder and names it by its full path when it is not there.
TEST(MapAnalysis, OkAfterACancelledChoiceNamesTheTerrainFileByItsFullPath) {
    struct Case {
        bool folderMode;
        const char* inCurrentFolder;  // what lies below the current folder, "" for nothing
        const char* reason;           // "" when the file is read
    };
    const Case cases[] = {
        {false, "", "Das System kann den angegebenen Pfad nicht finden."},
        {true, "", "Das System kann den angegebenen Pfad nicht finden."},
        {true, "init/other.con", "Das System kann die angegebene Datei nicht finden."},
        {false, "init/terrain.con", ""},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        InFolder in(tmp.path());
        ScriptedServices scripted(tmp.dir() + "Tarnwick/");
        TForm1 form(scripted.services);
        if (*c.inCurrentFolder) tmp.write(c.inCurrentFolder, "GeometryTemplate.worldSize 2048\r\n");
        (c.folderMode ? form.t1->unpack : form.t1->pack)->setChecked(true);
        QTest::mouseClick(form.t1->Image12, Qt::LeftButton);  // cancelled
        QTest::mouseClick(form.t1->Button1, Qt::LeftButton);
        if (!*c.reason) {
            EXPECT_TRUE(scripted.messages.errors.empty());
            EXPECT_EQ(form.state.WorldSize, 2048);
            continue;
        }
        const std::string sep(1, kNativeSeparator);
        const std::string shown = fs::current_path().string() + sep + "init" + sep + "terrain.con";
        ASSERT_EQ(scripted.messages.errors.size(), 1u) << c.inCurrentFolder;
        EXPECT_EQ(scripted.messages.errors[0],
                  "Datei " + shown + " kann nicht ge\xC3\xB6" "ffnet werden. " + c.reason);
        EXPECT_TRUE(form.t1->GroupBox7->isEnabled());
    }
}

// For real: the sample archive chosen through the page is unpacked by the
// real runner, and "OK" reads its world size.
TEST(MapIntakeForReal, TheSampleArchiveIsUnpackedByTheRunner) {
    TempFolder tmp;
    const std::string programDir = test::makeProgramFolder(tmp.path() / "Tarnwick");
    fs::create_directories(tmp.path() / "Downloads");
    fs::copy_file(test::sampleArchive(), tmp.path() / "Downloads" / "DemoMap.rfa");

    test::ScriptedDialogs dialogs;
    test::RecordingMessages messages;
    QtShell shell(programDir, messages);
    Services services{programDir, dialogs, messages, shell};
    TForm1 form(services);
    dialogs.answer(tmp.dir() + "Downloads/DemoMap.rfa");
    QTest::mouseClick(form.t1->Image12, Qt::LeftButton);
    // The run is over once the copy beside the program is deleted again.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fs::exists(programDir + "bf1942/levels/DemoMap/init.con") && !fs::exists(programDir + "DemoMap.rfa"); },
        10000));
    // OK takes the level once the run itself has ended, not just its files.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.batchesRunning(); }, 10000));
    QTest::mouseClick(form.t1->Button1, Qt::LeftButton);
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_EQ(form.state.WorldSize, 1024);
    EXPECT_EQ(form.state.MapName, "DemoMap");
    EXPECT_EQ(form.state.MapDir, programDir + "bf1942/levels/DemoMap/");
    EXPECT_TRUE(fs::exists(tmp.path() / "Downloads" / "DemoMap.rfa"));
    EXPECT_TRUE(test::closeConsoles());
}

} // namespace
} // namespace tw
