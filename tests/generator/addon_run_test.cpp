#include "app/main_window.h"
#include "areas/areas_page.h"
#include "platform/files.h"
#include "generator/addon_run.h"
#include "generator/ai_scripts.h"
#include "generator/editor_text.h"
#include "intake/analysis.h"
#include "intake/map_page.h"
#ifndef _WIN32
#include "support/ordinary_user.h"
#endif
#include "support/program_folder.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

const char* kConquest[] = {"ControlPoints.con", "ControlPointTemplates.con", "ObjectSpawns.con",
                           "ObjectSpawnTemplates.con", "SoldierSpawns.con", "SoldierSpawnTemplates.con",
                           "spawnPointManagerSettings.con"};

// A program folder with its levels folder and templates, and a map folder
// of its own elsewhere, chosen and analysed through the page.
struct Generator {
    explicit Generator(bool withLevels = true) : in(tmp.path()), scripted(tmp.dir() + "Tarnwick/"), form(scripted.services) {
        const std::string program = "Tarnwick/";
        if (withLevels) fs::create_directories(tmp.path() / "Tarnwick/bf1942/levels");
        tmp.write(program + "temp/con files/conditions.con", "rem conditions\nline two\n");
        tmp.write(program + "temp/con files/strategies.con", "rem strategies\r\n");
        tmp.write(program + "temp/con files/prerequisites.con", "rem prerequisites\r\nlast");
        tmp.write("Maps/MyMap/init/terrain.con", "GeometryTemplate.worldSize 2048\r\n");
        for (const char* name : kConquest) tmp.write(std::string("Maps/MyMap/conquest/") + name, std::string("rem ") + name + "\r\n");
        tmp.write("Maps/MyMap/conquest/SoldierSpawns.con",
                  "Object.create S1\r\nObject.absolutePosition 1120.5/78.7/780.0\r\nObject.absolutePosition 990/80/1410.25\r\n");
        tmp.write("Maps/MyMap/conquest/ObjectSpawns.con", "Object.absolutePosition 10/1/20\r\n");
        page().unpack->setChecked(true);
        scripted.dialogs.answer(tmp.dir() + "Maps/MyMap/init.con");
        page().Image12Click();
        page().Button1Click();
    }
    MapPage& page() { return *form.t1; }
    std::string addon() const { return tmp.dir() + "Tarnwick/bf1942/levels/MyMap_001/"; }
    void start() { QTest::mouseClick(page().Button2, Qt::LeftButton); }

    TempFolder tmp;
    test::InFolder in;  // the run changes the current folder; this puts it back
    ScriptedServices scripted;
    TForm1 form;
};

// The current folder after "Start": on Windows the one the process had
// before, as a process standing in the add-on folder would keep the user
// from renaming or removing it; elsewhere the last one the run entered.
fs::path folderAfterTheRun(const Generator& g, const fs::path& entered) {
#ifdef _WIN32
    (void)entered;
    return g.tmp.path();
#else
    (void)g;
    return entered;
#endif
}

TEST(AddonRun, AWholeRun) {
    Generator g;
    g.page().shipp->setChecked(true);
    g.start();
    ASSERT_TRUE(g.scripted.messages.errors.empty()) << g.scripted.messages.errors[0];
    const std::string addon = g.addon();
    EXPECT_EQ(g.form.state.MapDir, g.tmp.dir() + "Maps/MyMap/");
    EXPECT_EQ(g.form.state.AddonDir, addon);
    EXPECT_EQ(fs::current_path(), folderAfterTheRun(g, fs::path(addon).parent_path()));
    for (const char* folder : {"GameTypes", "AI", "SinglePlayer", "Pathfinding"})
        EXPECT_TRUE(fs::is_directory(addon + folder)) << folder;
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(addon))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), addon).generic_string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{
                         "AI/StrategicAreas.con", "AI/conditions.con", "AI/prerequisites.con", "AI/strategies.con",
                         "AIPathFinding.con", "Coop.con", "GameTypes/Coop.con", "SinglePlayer/Bots.con",
                         "SinglePlayer/ControlPointTemplates.con", "SinglePlayer/ControlPoints.con",
                         "SinglePlayer/ObjectSpawnTemplates.con", "SinglePlayer/ObjectSpawns.con",
                         "SinglePlayer/Skirmish.con", "SinglePlayer/SoldierSpawnTemplates.con",
                         "SinglePlayer/SoldierSpawns.con", "SinglePlayer/spawnPointManagerSettings.con",
                         "SinglePlayerAllied.con", "SinglePlayerAxis.con", "ai.con",
                         "tarnwick-conversion.txt"}));
    for (const char* name : kConquest)
        EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/SinglePlayer/" + std::string(name)),
                  g.tmp.read("Maps/MyMap/conquest/" + std::string(name)));
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AI/conditions.con"), "rem conditions\r\nline two\r\n");
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AI/prerequisites.con"), "rem prerequisites\r\nlast\r\n");
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AI/StrategicAreas.con"), "");
    EXPECT_EQ(g.tmp.read("Tarnwick/temp/stats.bf"), "2048\r\n" + addon + "\r\n");
    const Lines pathfinding = readLines(addon + "AIPathFinding.con");
    EXPECT_EQ(pathfinding.size(), 29u);  // with the boat block
    EXPECT_EQ(pathfinding[12], "ai.setMapSpawnPoints 1 1120.5/780.0,990/1410.25");
    EXPECT_EQ(pathfinding[7], "ai.setMapSpawnPoints 0 10/20");

    ASSERT_EQ(g.page().ListBox1->count(), 19);
    const Lines& entries = generator::editableScripts();
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(g.page().ListBox1->item(i)->text().toStdString(), entries[i]);
        EXPECT_TRUE(fileExists(addon + entries[i])) << entries[i];  // each names one file of the add-on
    }
    EXPECT_EQ(g.page().ListBox1->currentRow(), -1);
    EXPECT_TRUE(g.page().ListBox1->isEnabled());
    EXPECT_TRUE(g.form.t3->isEnabled());
    EXPECT_FALSE(g.page().Button2->isEnabled());
    EXPECT_EQ(g.page().Memo6->toPlainText(), QString());
}

// The status line below the editor says what "Start" made and what a save
// wrote, and covers no control of the page.
TEST(StatusLine, SaysWhatWasMadeOrSavedAndWhatComesNext) {
    Generator g;
    auto& page = g.page();
    EXPECT_EQ(page.statusLine->text(), QString());
    for (QWidget* w : page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != page.statusLine)
            EXPECT_FALSE(w->geometry().intersects(page.statusLine->geometry())) << w->objectName().toStdString();
    g.start();
    EXPECT_EQ(page.statusLine->text().toStdString(),
              "The add-on folder " + g.addon() + " was made with its 19 scripts, listed on the left to read and edit. "
              "Next: draw the strategic areas on page 2, \"Areas\".");
    page.ListBox1->setCurrentRow(0);
    QTest::mouseClick(page.Button3, Qt::LeftButton);
    EXPECT_EQ(page.statusLine->text().toStdString(), "Saved " + g.addon() + "AI.con.");
}

// Spawn files in the game's code page: the character after the keyword is
// dropped whole, whatever byte it is, and later ones pass through unchanged.
TEST(AddonRun, PositionValuesAfterCodePageCharacters) {
    Generator g;
    g.tmp.write("Maps/MyMap/conquest/SoldierSpawns.con",
                "Object.absolutePosition\xE9" "12/3/45\r\n"
                "Object.absolutePosition\x80\r\n"
                "Object.absolutePosition\x9D-6/7/8\r\n");
    g.tmp.write("Maps/MyMap/conquest/ObjectSpawns.con", "Object.absolutePosition\xB4" "1/2/\xE4" "3\r\n");
    g.start();
    ASSERT_TRUE(g.scripted.messages.errors.empty()) << g.scripted.messages.errors[0];
    const std::string file = g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AIPathFinding.con");
    const std::string expected = encodeCp1252(joinLines(
        generator::aiPathFinding("ai.setMapSpawnPoints 1 12/45,-6/8", "1/\xC3\xA4" "3", false, false), true));
    EXPECT_EQ(file, expected);
    EXPECT_NE(file.find("\r\nai.setMapSpawnPoints 0 1/\xE4" "3\r\n"), std::string::npos);
}

// Spawn files that give no seed point: the run finishes, then one message
// says which search maps have none, what was read, and what to do.
TEST(AddonRun, SearchMapsWithoutSeedPointsAreNamedAfterTheRun) {
    Generator g;
    g.tmp.write("Maps/MyMap/conquest/SoldierSpawns.con",
                "var v_pos = 1/2/3\nobject.absolutePosition v_arg1\nobject.absolutePosition v_pos/1\n");
    g.tmp.write("Maps/MyMap/conquest/ObjectSpawns.con", "rem nothing\n");
    g.page().landp->setChecked(true);
    g.start();
    ASSERT_TRUE(g.scripted.messages.errors.empty()) << g.scripted.messages.errors[0];
    EXPECT_FALSE(g.page().Button2->isEnabled());
    EXPECT_TRUE(g.form.t3->isEnabled());
    const std::string addon = g.addon();
    EXPECT_EQ(g.scripted.messages.infos,
              std::vector<std::string>{
                  "The add-on of MyMap is made, but some of its pathmaps have no seed point.\n"
                  "The search map Infantry1 gets no seed point: " + addon + "Singleplayer/SoldierSpawns.con has 2 "
                  "position lines, 2 of them could not be resolved (a variable not set earlier in the file, v_arg1, "
                  "or an expression).\n"
                  "The search maps Tank0, LandingCraft3 and Car4 get no seed point: " + addon +
                  "Singleplayer/ObjectSpawns.con has no position line.\n"
                  "The game's pathmap generation spreads out from these points and blocks every place it does not "
                  "reach, so the bots would stand still. Write the points into the ai.setMapSpawnPoints lines of " +
                  addon + "AIPathFinding.con as x/z,x/z,... (the script editor opens it as AIPathfinding.con), or "
                  "give the spawn file position lines with the numbers written out and start again."});
}

// The second sample, written as community levels are (lower case,
// variables, wrappers, comments, LF ends, Init/Terrain.con, no map picture):
// the run reads its spawn points, keeps its files byte for byte, and has
// nothing to warn about.
TEST(AddonRun, TheSecondSampleAsCommunityLevelsWriteThem) {
    TempFolder tmp;
    test::InFolder in(tmp.path());
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    ScriptedServices scripted(program);
    TForm1 form(scripted.services);
    MapPage& page = *form.t1;
    page.unpack->setChecked(true);
    scripted.dialogs.answer(program + "samples/Ridgeback/init.con");
    page.Image12Click();
    page.Button1Click();
    EXPECT_EQ(form.state.WorldSize, 2048);
    page.shipp->setChecked(true);
    QTest::mouseClick(page.Button2, Qt::LeftButton);
    ASSERT_TRUE(scripted.messages.errors.empty()) << scripted.messages.errors[0];
    EXPECT_TRUE(scripted.messages.infos.empty()) << scripted.messages.infos[0];
    const std::string addon = program + "bf1942/levels/Ridgeback_001/";
    EXPECT_EQ(readBytes(addon + "AIPathFinding.con"),
              joinLines(generator::aiPathFinding("ai.setMapSpawnPoints 1 402.5/1650.75,418.0/1662.0,1630.25/390.5,"
                                                 "1612.0/402.25,1641.5/377.0,1010.0/1080.0",
                                                 "440.0/1610.0,1590.5/420.0,1050.0/1040.0", true, false),
                        true));
    for (const char* name : kConquest)
        EXPECT_EQ(readBytes(addon + "Singleplayer/" + name), readBytes(program + "samples/Ridgeback/Conquest/" + name))
            << name;
}

// A run that stops leaves the current folder as a whole run does.
TEST(AddonRun, TheCurrentFolderAfterARunThatStops) {
    struct Case {
        const char* what;
        bool levels;
        const char* removed;  // from the program folder before "Start"
        bool entersTheAddon;  // before it stops
    };
    const Case cases[] = {
        {"no levels folder", false, nullptr, false},
        {"a missing template", true, "Tarnwick/temp/con files/strategies.con", true},
    };
    for (const Case& c : cases) {
        Generator g(c.levels);
        if (c.removed) fs::remove(g.tmp.path() / c.removed);
        g.start();
        EXPECT_EQ(g.scripted.messages.errors.size(), 1u) << c.what;
        const fs::path entered = c.entersTheAddon ? fs::path(g.addon()).parent_path() : g.tmp.path();
        EXPECT_EQ(fs::current_path(), folderAfterTheRun(g, entered)) << c.what;
    }
}

TEST(AddonRun, WithoutTheLevelsFolderItStopsBeforeWritingAnything) {
    Generator g(false);
    g.start();
    ASSERT_EQ(g.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(g.scripted.messages.errors[0], "Ung\xC3\xBCltiger Dateiname.");  // bf1942 itself is missing
    EXPECT_EQ(g.form.state.AddonDir, g.addon());
    EXPECT_FALSE(fs::exists(g.tmp.path() / "Tarnwick/temp/stats.bf"));
    EXPECT_FALSE(fs::exists(g.addon()));
    EXPECT_TRUE(g.page().Button2->isEnabled());
    EXPECT_FALSE(g.form.t3->isEnabled());
}

TEST(AddonRun, AMissingTemplateStopsTheRunAndARepeatStillCopiesFromTheMap) {
    Generator g;
    fs::remove(g.tmp.path() / "Tarnwick/temp/con files/strategies.con");
    g.start();
    ASSERT_EQ(g.scripted.messages.errors.size(), 1u);
    const std::string missing = g.tmp.dir() + "Tarnwick/temp/con files/strategies.con";
    EXPECT_EQ(g.scripted.messages.errors[0],
              "Datei " + missing + " kann nicht ge\xC3\xB6" "ffnet werden. Das System kann die angegebene Datei nicht finden.");
    EXPECT_TRUE(fileExists(g.addon() + "Singleplayer/Bots.con"));  // what was written stays
    EXPECT_FALSE(fileExists(g.addon() + "AIPathFinding.con"));
    EXPECT_EQ(g.page().ListBox1->count(), 0);
    EXPECT_FALSE(g.form.t3->isEnabled());
    EXPECT_TRUE(g.page().Button2->isEnabled());

    // The second attempt still copies from the map's own folder.
    g.tmp.write("Tarnwick/temp/con files/strategies.con", "rem strategies\r\n");
    g.tmp.write("Maps/MyMap/conquest/ControlPoints.con", "rem changed since\r\n");
    g.start();
    EXPECT_EQ(g.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(g.form.state.MapDir, g.tmp.dir() + "Maps/MyMap/");
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/SinglePlayer/ControlPoints.con"), "rem changed since\r\n");
    EXPECT_EQ(g.page().ListBox1->count(), 19);
}

TEST(AddonRun, AMissingSpawnFileStopsTheRunWithTheFileOpenText) {
    Generator g;
    fs::remove(g.tmp.path() / "Maps/MyMap/conquest/SoldierSpawns.con");
    g.start();
    ASSERT_EQ(g.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(g.scripted.messages.errors[0], "Datei " + g.addon() + "singleplayer/soldierspawns.con kann nicht ge\xC3\xB6"
                                             "ffnet werden. Das System kann die angegebene Datei nicht finden.");
    EXPECT_EQ(g.page().ListBox1->count(), 0);
    EXPECT_FALSE(g.form.t3->isEnabled());
}

TEST(AddonRun, ARunOverAnEarlierAddonEmptiesTheAreasAndKeepsThePathmaps) {
    Generator first;
    first.tmp.write("Tarnwick/bf1942/levels/MyMap_001/AI/StrategicAreas.con", "aiStrategicArea.create Old\r\n");
    first.tmp.write("Tarnwick/bf1942/levels/MyMap_001/Pathfinding/Tank0Level0Map.raw", "map");
    first.start();
    EXPECT_TRUE(first.scripted.messages.errors.empty());
    EXPECT_EQ(first.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AI/StrategicAreas.con"), "");
    EXPECT_EQ(first.tmp.read("Tarnwick/bf1942/levels/MyMap_001/Pathfinding/Tank0Level0Map.raw"), "map");
}

TEST(ScriptEditor, OpenEditAndSave) {
    Generator g;
    g.start();
    g.tmp.write("Tarnwick/bf1942/levels/MyMap_001/AI/conditions.con", "lf only\nsecond\n");
    g.tmp.write("Tarnwick/bf1942/levels/MyMap_001/SinglePlayer/Bots.con", "no end\r\nhere");
    auto& page = g.page();
    const auto select = [&](const char* entry) {
        page.ListBox1->setCurrentItem(page.ListBox1->findItems(QString::fromLatin1(entry), Qt::MatchExactly).first());
    };
    select("AI/Conditions.con");
    EXPECT_EQ(page.Memo6->toPlainText(), QStringLiteral("lf only\nsecond\n"));
    QTest::mouseClick(page.Button3, Qt::LeftButton);
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/AI/conditions.con"), "lf only\r\nsecond\r\n");

    select("Singleplayer/Bots.con");
    QTest::mouseClick(page.Button3, Qt::LeftButton);
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/SinglePlayer/Bots.con"), "no end\r\nhere");

    page.Memo6->setPlainText(QStringLiteral("edited \u00E4\nline"));
    QTest::mouseClick(page.Button3, Qt::LeftButton);
    EXPECT_EQ(g.tmp.read("Tarnwick/bf1942/levels/MyMap_001/SinglePlayer/Bots.con"), "edited \xE4\r\nline");

    // Another entry discards unsaved edits; a file that cannot be read keeps
    // the editor as it was.
    page.Memo6->setPlainText(QStringLiteral("unsaved"));
    fs::remove(g.addon() + "SinglePlayer/Skirmish.con");
    select("Singleplayer/Skirmish.con");
    ASSERT_EQ(g.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(g.scripted.messages.errors[0], "Datei " + g.addon() + "Singleplayer/Skirmish.con kann nicht ge\xC3\xB6"
                                             "ffnet werden. Das System kann die angegebene Datei nicht finden.");
    EXPECT_EQ(page.Memo6->toPlainText(), QStringLiteral("unsaved"));

    // A file that cannot be written stays as it was.
    fs::create_directory(g.addon() + "SinglePlayer/Skirmish.con");
    QTest::mouseClick(page.Button3, Qt::LeftButton);
    ASSERT_EQ(g.scripted.messages.errors.size(), 2u);
    EXPECT_EQ(g.scripted.messages.errors[1],
              "Datei \"" + g.addon() + "Singleplayer/Skirmish.con\" kann nicht erstellt werden. Zugriff verweigert.");
}

// Read-only files of an add-on: left by an earlier add-on before "Start", or
// made so before "Safe changings on the right side". Writing one stops with
// the file-create text, a copy leaves it as it is without a word. Returns
// what went otherwise.
std::string readOnlyAddonFiles() {
    struct Case {
        const char* file;   // in the add-on, read-only
        const char* entry;  // saved from the editor, or nullptr for "Start"
        bool raises;        // written (raises) or copied (fails without a word)
    };
    const Case cases[] = {
        {"ai.con", nullptr, true},
        {"AI/StrategicAreas.con", nullptr, true},
        {"SinglePlayer/ControlPoints.con", nullptr, false},
        {"SinglePlayer/Bots.con", "Singleplayer/Bots.con", true},
        {"AI/conditions.con", "AI/Conditions.con", true},
    };
    std::string report;
    const auto check = [&](bool ok, const std::string& what) {
        if (!ok) report += what + "\n";
    };
    const auto makeReadOnly = [](const std::string& path) {
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    };
    for (const Case& c : cases) {
        Generator g;
        const std::string inTmp = "Tarnwick/bf1942/levels/MyMap_001/" + std::string(c.file);
        const std::string path = g.addon() + c.file;
        if (!c.entry) {
            g.tmp.write(inTmp, "left by an earlier add-on\r\n");
            makeReadOnly(path);
        }
        g.start();
        if (c.entry) {
            makeReadOnly(path);
            auto& list = *g.page().ListBox1;
            list.setCurrentItem(list.findItems(QString::fromLatin1(c.entry), Qt::MatchExactly).first());
            g.page().Memo6->setPlainText(QStringLiteral("edited"));
            QTest::mouseClick(g.page().Button3, Qt::LeftButton);
        }
        const std::string before = c.entry ? "" : "left by an earlier add-on\r\n";
        const std::string shown = g.addon() + (c.entry ? c.entry : c.file);
        const auto& errors = g.scripted.messages.errors;
        check(errors == (c.raises ? std::vector<std::string>{"Datei \"" + shown +
                                                              "\" kann nicht erstellt werden. Zugriff verweigert."}
                                  : std::vector<std::string>{}),
              std::string(c.file) + ": " + ::testing::PrintToString(errors));
        const std::string after = g.tmp.read(inTmp);
        check(c.entry ? after != "edited" : after == before, std::string(c.file) + " was replaced: " + after);
        std::error_code ec;  // Windows removes no read-only file
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    }
    return report;
}

#ifdef _WIN32
// The read-only attribute holds for every user.
TEST(ReadOnlyAddonFiles, WithTheReadOnlyAttribute) { EXPECT_EQ(readOnlyAddonFiles(), ""); }
#else
TEST(ReadOnlyAddonFiles, AsTheSuperuser) {
    if (!test::isSuperuser()) GTEST_SKIP() << "runs as the superuser only";
    EXPECT_EQ(readOnlyAddonFiles(), "");
}

TEST(ReadOnlyAddonFiles, AsAnOrdinaryUser) { EXPECT_EQ(test::asOrdinaryUser(readOnlyAddonFiles), ""); }
#endif

// After "Start" the list has no entry chosen, however the focus reaches it,
// until the user picks one with the mouse or the keyboard.
TEST(ScriptEditor, NothingIsChosenUntilTheUserPicksAnEntry) {
    struct Case {
        const char* how;
        std::function<void(MapPage&)> focus;
    };
    const Case cases[] = {
        {"focus passed on from the disabled Start", [](MapPage& p) { p.Button2->setFocus(); }},
        {"tabbed into", [](MapPage& p) { p.ListBox1->setFocus(Qt::TabFocusReason); }},
        {"the window activated again", [](MapPage& p) { p.ListBox1->setFocus(Qt::ActiveWindowFocusReason); }},
    };
    for (const Case& c : cases) {
        Generator g;
        MapPage& page = g.page();
        g.form.show();
        g.form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&g.form));
        page.Button2->setFocus();
        c.focus(page);
        g.start();
        c.focus(page);
        QApplication::processEvents();
        EXPECT_EQ(page.ListBox1->currentRow(), -1) << c.how;
        EXPECT_TRUE(page.ListBox1->selectedItems().isEmpty()) << c.how;
        EXPECT_EQ(page.Memo6->toPlainText(), QString()) << c.how;

        // The user's choice: a click on the third entry, then a key down.
        QTest::mouseClick(page.ListBox1->viewport(), Qt::LeftButton, {},
                          page.ListBox1->visualItemRect(page.ListBox1->item(2)).center());
        EXPECT_EQ(page.ListBox1->currentRow(), 2) << c.how;
        const auto shown = [&](const char* file) { return generator::editorText(readBytes(g.addon() + file)); };
        EXPECT_EQ(page.Memo6->toPlainText().toStdString(), shown("Coop.con")) << c.how;
        QTest::keyClick(page.ListBox1, Qt::Key_Down);
        EXPECT_EQ(page.ListBox1->currentRow(), 3) << c.how;
        EXPECT_EQ(page.Memo6->toPlainText().toStdString(), shown("SinglePlayerAllied.con")) << c.how;
    }
}

TEST(ScriptEditor, SavingWithoutASelectionShowsTheListIndexText) {
    Generator g;  // before "Start": the list is empty, the editor usable
    g.page().Memo6->setPlainText(QStringLiteral("text"));
    QTest::mouseClick(g.page().Button3, Qt::LeftButton);
    ASSERT_EQ(g.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(g.scripted.messages.errors[0], "Listenindex \xC3\xBC" "berschreitet das Maximum (-1)");
}

} // namespace
} // namespace tw
