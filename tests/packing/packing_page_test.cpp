#include "app/main_window.h"
#include "areas/areas_page.h"
#include "packing/merged_folder.h"
#include "packing/packing_page.h"
#include "packing/packing_rules.h"
#include "platform/files.h"
#include "support/ordinary_user.h"
#include "support/scripted.h"
#include "support/temp_folder.h"
#include "rfa/archive_builder.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::InFolder;
using test::ScriptedServices;
using test::TempFolder;

std::string s(const QString& q) { return q.toStdString(); }

#ifdef _WIN32
// Windows has real drives C:, D: and E:, so there the examples' drives are
// folders of their own, one folder for the whole run.
const TempFolder& drives() {
    static const TempFolder folder;
    return folder;
}
#endif

// A text with the examples' places as this system reaches them: on Linux
// the drives are folders relative to the test's current folder and the text
// stays as it is; on Windows each drive ("D:\" or "D:/") is a folder of
// drives().
std::string places(const std::string& text) {
#ifdef _WIN32
    const std::string base = test::utf8Text(drives().path()) + "\\";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == 'C' || c == 'D' || c == 'E') && i + 2 < text.size() && text[i + 1] == ':' &&
            (text[i + 2] == '\\' || text[i + 2] == '/')) {
            out += base + c;
            ++i;  // the drive's colon
        } else {
            out += c;
        }
    }
    return out;
#else
    return text;
#endif
}

// Empties the examples' drives before a test (on Windows; on Linux they lie
// in the test's own temporary folder).
void freshDrives() {
#ifdef _WIN32
    std::error_code ec;
    for (fs::recursive_directory_iterator it(drives().path(), ec), end; !ec && it != end; it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add);
    for (const char* drive : {"C", "D", "E"}) fs::remove_all(drives().path() / drive);
#endif
}

// The packing page with ProgramDir "C:\Tools\" as a folder relative to a
// temporary current folder, so the Windows examples run as they stand.
struct Packing {
    Packing() : in(tmp.path()), scripted(places("C:\\Tools\\")), form(scripted.services), page(*form.t4) {
        fs::create_directories(places("C:/Tools/temp"));
        fs::create_directories(places("C:/Tools/Network"));
    }
    void click(QWidget* w) {
        // Check boxes react only on their box and caption: click there.
        if (qobject_cast<QCheckBox*>(w)) QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
        else QTest::mouseClick(w, Qt::LeftButton);
    }
    void finishBatch(size_t i, bool ok = true) { scripted.shell.finishers.at(i)(ok); }
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 3000); }
    bool fresh = (freshDrives(), true);
    TempFolder tmp;
    InFolder in;
    ScriptedServices scripted;
    TForm1 form;
    PackingPage& page;
};

TEST(GameFolder, ChoosingAndConfirmingIt) {
    Packing p;
    p.scripted.dialogs.answer(std::nullopt);
    p.page.Image9Click();
    EXPECT_EQ(s(p.page.Edit4->text()), "BF Pfad");
    p.scripted.dialogs.answer(places("D:\\Games\\Battlefield 1942\\BF1942.exe"));
    p.page.Image9Click();
    EXPECT_EQ(p.scripted.dialogs.requests.back().filter, "BF1942.exe |BF1942.exe");
    EXPECT_EQ(s(p.page.Edit4->text()), places("D:\\Games\\Battlefield 1942\\"));
    EXPECT_EQ(p.form.state.GamePath, places("D:\\Games\\Battlefield 1942\\"));
    p.page.GroupBox14->setEnabled(true);
    p.click(p.page.Button5);
    EXPECT_EQ(p.tmp.read(places("C:/Tools/memory.bf")), places("D:\\Games\\Battlefield 1942\\"));
    EXPECT_EQ(p.tmp.read(places("C:/Tools/memory.bf")).size(), places("D:\\Games\\Battlefield 1942\\").size());
    EXPECT_TRUE(p.page.GroupBox13->isEnabled());
    // A folder typed by hand is saved but is not this run's game folder.
    p.page.Edit4->setText(QString::fromStdString(places("E:\\Other\\")));
    p.click(p.page.Button5);
    EXPECT_EQ(p.tmp.read(places("C:/Tools/memory.bf")), places("E:\\Other\\"));
    EXPECT_EQ(p.form.state.GamePath, places("D:\\Games\\Battlefield 1942\\"));
}

TEST(GameFolder, TheDesignTextIsSavedUnchanged) {
    Packing p;
    p.page.Button5Click();
    EXPECT_EQ(p.tmp.read(places("C:/Tools/memory.bf")), "BF Pfad");
}

// Long paths stay whole where the page has little room: Label46 ends
// before "Pack" and elides in the middle, the base path too; the archive
// paths show their end. The whole path is always the tooltip.
TEST(MapDisplays, LongPathsStayReachable) {
    Packing p;
    const QString place = QStringLiteral("Tarnwick\\bf1942\\levels\\AVeryLongMapNameThatGoesOnAndOn_001");
    p.page.showAddonPlace(place);
    EXPECT_EQ(p.page.Label46->text(), place);
    EXPECT_EQ(p.page.Label46->toolTip(), place);
    EXPECT_LE(p.page.Label46->geometry().right(), p.page.Button7->geometry().left());
    EXPECT_EQ(p.page.Label46->geometry().topLeft(), QPoint(136, 119));

    const QString base = QStringLiteral("bf1942/levels/AVeryLongMapNameThatGoesOnAndOn");
    p.page.showBasePath(base);
#ifndef _WIN32
    // How much fits depends on the fonts: those of the Linux test run.
    const QString shown = p.page.Edit5->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("bf1942/"))) << s(shown);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("OnAndOn"))) << s(shown);
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << s(shown);
    EXPECT_EQ(p.page.Edit5->toolTip(), base);
    p.page.showBasePath(QStringLiteral("bf1942/levels/M"));
    EXPECT_EQ(s(p.page.Edit5->text()), "bf1942/levels/M");
#endif

    const std::string archive = places("D:\\Some\\Deep\\Folder\\Of\\Maps\\AVeryLongMapName.rfa");
    p.scripted.dialogs.answer(archive);
    p.page.Image13Click();
    EXPECT_EQ(s(p.page.Edit6->text()), archive);
    EXPECT_EQ(p.page.Edit6->cursorPosition(), static_cast<int>(archive.size()));
    EXPECT_EQ(s(p.page.Edit6->toolTip()), archive);
}

// The first packing with the example values.
struct FirstPacking : Packing {
    FirstPacking() {
        form.state.MapName = "MyMap";
        form.state.AddonDir = places("C:\\Tools\\bf1942\\levels\\MyMap_001\\");
        form.state.GamePath = places("D:\\Games\\Battlefield 1942\\");
        scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
        click(page.Label42);
    }
};

TEST(FirstPackingTest, WritesThePackScriptWaitsAndSavesTheState) {
    FirstPacking p;
    const FileDialogRequest& request = p.scripted.dialogs.requests.back();
    EXPECT_EQ(request.name, "rfapacks");
    EXPECT_EQ(request.proposedName, "MyMap_001.rfa");
    EXPECT_EQ(request.filter, "Refractor Archive Levels (*.rfa)|*.rfa");
    EXPECT_EQ(p.tmp.read(places("C:/Tools/pack.bat")),
              places("rfaPack.exe bf1942\\levels\\MyMap_001  bf1942/levels/MyMap \"MyMap_001.rfa\"\r\n"
                     "copy \"C:\\Tools\\MyMap_001.rfa\" \"D:\\Archives\\MyMap_001.rfa\""));
    ASSERT_EQ(p.scripted.shell.batches.size(), 1u);
    EXPECT_EQ(p.scripted.shell.batches[0].name, "pack.bat");
    EXPECT_EQ(p.scripted.shell.batches[0].folder, places("C:\\Tools\\"));
    EXPECT_EQ(p.page.packbar->value(), 66);
    EXPECT_FALSE(p.page.packbar->isHidden());
    EXPECT_TRUE(p.page.Label42->isHidden());

    p.tmp.write(places("C:/Tools/MyMap_001.rfa"), "archive");
    ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 78; }));
    EXPECT_FALSE(fs::exists(places("C:/Tools/temp/pathf.bf")));
    p.tmp.write(places("D:/Archives/MyMap_001.rfa"), "archive");
    ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 100; }));
    EXPECT_EQ(p.tmp.read(places("C:/Tools/temp/pathf.bf")),
              places("C:\\Tools\\bf1942\\levels\\MyMap_001\\\r\nD:\\Games\\Battlefield 1942\\\r\nD:\\Archives\\MyMap_001\r\nMyMap\r\n"));
    EXPECT_TRUE(p.scripted.messages.errors.empty());
}

TEST(FirstPackingTest, AnEndedBatchWithoutArchiveEndsTheWaitWithAMessage) {
    FirstPacking p;
    p.finishBatch(0, false);
    ASSERT_TRUE(p.waitFor([&] { return !p.scripted.messages.errors.empty(); }));
    EXPECT_NE(p.scripted.messages.errors[0].find(places("C:\\Tools\\MyMap_001.rfa was not made")), std::string::npos)
        << p.scripted.messages.errors[0];
    EXPECT_FALSE(fs::exists(places("C:/Tools/temp/pathf.bf")));
    QTest::qWait(3 * PackingPage::kPollMilliseconds);
    EXPECT_EQ(p.scripted.messages.errors.size(), 1u);  // the wait is over
}

// The target dialog opens where the last first packing put its archive (this
// conversion's, else the newest recorded one's, so also after a restart),
// else in the game's folder for level archives, letter case aside; never
// forced there, so that within a sitting it opens at the last choice.
TEST(FirstPackingTest, TheDialogOpensAtTheLastTargetElseInTheGamesLevelArchives) {
    const std::string levels = places("D:/Games/Battlefield 1942/MODS/BF1942/archives/bf1942/Levels");
    const struct {
        bool gameArchives;
        std::string packTarget;  // this conversion's, or empty
        std::string recorded;    // another conversion's record, or empty
        std::string opens;
    } cases[] = {
        {true, "", "", "@levels/"},
        {false, "", "", ""},
        {true, places("E:\\Mine\\MyMap_001"), "", places("E:\\Mine\\")},
        {true, "", places("E:\\Older\\Other_001"), places("E:\\Older\\")},
        {true, places("E:\\Gone\\MyMap_001"), "", "@levels/"},
    };
    for (const auto& c : cases) {
        Packing p;
        if (c.gameArchives) fs::create_directories(levels);
        fs::create_directories(places("E:/Mine"));
        fs::create_directories(places("E:/Older"));
        if (!c.recorded.empty()) {
            state::ConversionRecord other;
            other.mapName = "Other";
            other.packTarget = c.recorded;
            fs::create_directories(places("C:/Tools/bf1942/levels/Other_001"));
            state::saveRecord(places("C:\\Tools\\bf1942\\levels\\Other_001\\"), other);
        }
        p.form.state.MapName = "MyMap";
        p.form.state.GamePath = places("D:\\Games\\Battlefield 1942\\");
        if (!c.packTarget.empty()) p.form.state.PackTarget = c.packTarget;
        p.scripted.dialogs.answer(std::nullopt);
        p.click(p.page.Label42);
        std::string opens = c.opens;
        if (opens == "@levels/") opens = (fs::current_path() / levels).string() + "/";
        EXPECT_EQ(test::systemPlace(p.scripted.dialogs.requests.back().firstFolder), test::systemPlace(opens))
            << c.packTarget;
        EXPECT_EQ(p.scripted.dialogs.requests.back().preselected, "");
    }
}

#ifndef _WIN32
// The game-folder dialog opens at the game in the Wine prefix (WINEPREFIX,
// else ~/.wine), whose folder it hides; else at the prefix's drive_c. (On
// Windows it opens at the game's own place.)
TEST(GameFolder, TheDialogOffersTheWinePrefixsGame) {
    const struct {
        const char* made;  // below the test's folder
        bool inHome;       // the prefix at home/.wine, else named by WINEPREFIX
        const char* opens; // below the test's folder
    } cases[] = {
        {"home/.wine/drive_c/Program Files (x86)/EA GAMES/Battlefield 1942", true,
         "home/.wine/drive_c/Program Files (x86)/EA GAMES/Battlefield 1942/"},
        {"prefix/drive_c/program files/ea games/BATTLEFIELD 1942", false,
         "prefix/drive_c/program files/ea games/BATTLEFIELD 1942/"},
        {"home/.wine/drive_c/users", true, "home/.wine/drive_c/"},
        {"home/Games", true, nullptr},
    };
    for (const auto& c : cases) {
        TempFolder tmp;
        fs::create_directories(tmp.path() / c.made);
        const std::string home = tmp.dir() + "home", prefix = c.inHome ? "" : tmp.dir() + "prefix";
        EXPECT_EQ(packing::wineGameFolder(home, prefix), c.opens ? tmp.dir() + c.opens : "") << c.made;
    }
}
#endif

// Tarnwick ended while the first packing ran, after "Replace it": the record
// knows the target, and continuing the conversion says what the .bak beside
// it is and what to do. A packing whose end was recorded says nothing.
TEST(FirstPackingTest, AnUnrecordedEndIsToldWithTheReplacedArchiveAtTheNextStart) {
    for (const bool endRecorded : {false, true}) {
        freshDrives();
        TempFolder tmp;
        InFolder in(tmp.path());
        const std::string addon = places("C:\\Tools\\bf1942\\levels\\MyMap_001\\");
        tmp.write(places("C:/Tools/bf1942/levels/MyMap_001/ai.con"), "run ai/Strategies.con\r\n");
        fs::create_directories(places("C:/Tools/temp"));
        tmp.write(places("D:/Archives/MyMap_001.rfa"), "earlier archive");
        state::ConversionRecord r;
        r.mapName = "MyMap";
        r.worldSize = 2048;
        for (const auto step : {state::Step::AddonMade, state::Step::AreasWritten, state::Step::GameFolderConfirmed})
            r.mark(step, "2026-12-09 10:00");
        state::saveRecord(addon, r);
        {
            ScriptedServices s(places("C:\\Tools\\"));
            TForm1 form(s.services);
            form.continueConversion(addon);
            s.dialogs.answer(places("D:\\Archives\\MyMap_001"));
            s.messages.answers.push_back(0);  // "Replace it"
            // Saved before pack.bat starts packing the folder it lies in.
            state::LoadedRecord begun;
            s.shell.onStart = [&] { begun = state::loadRecord(addon); };
            QTest::mouseClick(form.t4->Label42, Qt::LeftButton);
            ASSERT_EQ(s.shell.batches.size(), 1u);
            EXPECT_EQ(tmp.read(places("D:/Archives/MyMap_001.rfa.bak")), "earlier archive");
            EXPECT_EQ(begun.record.packTarget, places("D:\\Archives\\MyMap_001"));
            EXPECT_FALSE(begun.record.has(state::Step::FirstPacked));
            if (endRecorded) {
                tmp.write(places("C:/Tools/MyMap_001.rfa"), "new archive");
                EXPECT_TRUE(QTest::qWaitFor([&] { return state::loadRecord(addon).record.has(state::Step::FirstPacked); }, 3000));
            }
        }  // Tarnwick ends
        ScriptedServices s(places("C:\\Tools\\"));
        TForm1 form(s.services);
        form.continueConversion(addon);
        EXPECT_EQ(s.messages.errors, std::vector<std::string>{});
        if (endRecorded) {
            EXPECT_EQ(s.messages.infos, std::vector<std::string>{});
        } else {
            ASSERT_EQ(s.messages.infos.size(), 1u) << ::testing::PrintToString(s.messages.infos);
            EXPECT_EQ(s.messages.infos[0].rfind(places("The first packing to D:\\Archives\\MyMap_001.rfa was under way when "
                                                       "Tarnwick was last ended, and its end was not recorded. "
                                                       "D:\\Archives\\MyMap_001.rfa.bak is the archive it replaced"), 0),
                      0u)
                << s.messages.infos[0];
        }
    }
}

// Stop now (here: the window closes) or a failure leaves the state file as it
// was, also when the archives of an earlier packing had let the wait save it
// at once.
TEST(FirstPackingTest, AStoppedOrFailedPackingRestoresTheStateFile) {
    for (const bool stop : {true, false})
    for (const std::optional<std::string> before : {std::optional<std::string>{}, std::optional<std::string>{"an earlier state\r\n"}}) {
        Packing p;
        if (before) p.tmp.write(places("C:/Tools/temp/pathf.bf"), *before);
        p.tmp.write(places("C:/Tools/MyMap_001.rfa"), "earlier archive");
        p.tmp.write(places("D:/Archives/MyMap_001.rfa"), "earlier archive");
        p.form.state.MapName = "MyMap";
        p.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
        p.scripted.messages.answers.push_back(0);  // "Replace it"
        p.click(p.page.Label42);
        ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 100; }));
        ASSERT_TRUE(fs::exists(places("C:/Tools/temp/pathf.bf")));
        if (stop) p.page.stopLongSteps();
        else p.finishBatch(0, false);
        EXPECT_EQ(fs::exists(places("C:/Tools/temp/pathf.bf")), before.has_value());
        if (before) EXPECT_EQ(p.tmp.read(places("C:/Tools/temp/pathf.bf")), *before);
        EXPECT_FALSE(p.page.busy());
    }
}

TEST(FirstPackingTest, CancellingChangesNothing) {
    Packing p;
    p.form.state.MapName = "MyMap";
    p.click(p.page.Label42);
    p.click(p.page.Label42);
    EXPECT_EQ(p.scripted.dialogs.requests.size(), 2u);
    EXPECT_EQ(p.scripted.dialogs.requests[1].proposedName, "MyMap_001.rfa");
    EXPECT_TRUE(p.page.packbar->isHidden());
    EXPECT_FALSE(fs::exists(places("C:/Tools/pack.bat")));
}

TEST(FirstPackingTest, WithoutAMapNameItRefusesAndWritesNothing) {
    Packing p;
    p.tmp.write(places("C:/Tools/pack.bat"), "the good pack.bat");
    p.click(p.page.Label42);
    ASSERT_EQ(p.scripted.messages.errors.size(), 1u);
    EXPECT_NE(p.scripted.messages.errors[0].find("No map is known yet"), std::string::npos);
    EXPECT_TRUE(p.scripted.dialogs.requests.empty());
    EXPECT_EQ(p.tmp.read(places("C:/Tools/pack.bat")), "the good pack.bat");
    EXPECT_TRUE(p.scripted.shell.batches.empty());
    EXPECT_FALSE(p.page.Label42->isHidden());
}

// A name the batch lines cannot carry, or a pack.bat that cannot be
// written, changes nothing: the link stays, and a good name then packs.
TEST(FirstPackingTest, ARefusedNameOrAnUnwritableScriptLeavesTheLinkUsable) {
    struct Case {
        const char* what;
        std::string answer;
        bool scriptBlocked;  // pack.bat is a folder
    };
    for (const Case& c : {Case{"percent sign", places("D:\\Archives\\100%MyMap_001"), false},
                          Case{"double quote", places("D:\\Archives\\My\"Map"), false},
                          Case{"pack.bat unwritable", places("D:\\Archives\\MyMap_001"), true}}) {
        Packing p;
        p.form.state.MapName = "MyMap";
        if (c.scriptBlocked) fs::create_directories(places("C:/Tools/pack.bat"));
        p.scripted.dialogs.answer(c.answer);
        p.click(p.page.Label42);
        ASSERT_EQ(p.scripted.messages.errors.size(), 1u) << c.what;
        EXPECT_FALSE(p.page.Label42->isHidden()) << c.what;
        EXPECT_TRUE(p.page.packbar->isHidden()) << c.what;
        EXPECT_TRUE(p.scripted.shell.batches.empty()) << c.what;
        EXPECT_EQ(p.form.state.PackTarget.empty(), !c.scriptBlocked) << c.what;
        if (c.scriptBlocked) fs::remove(places("C:/Tools/pack.bat"));
        p.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
        p.click(p.page.Label42);
        EXPECT_EQ(p.scripted.shell.batches.size(), 1u) << c.what;
        EXPECT_EQ(p.form.state.PackTarget, places("D:\\Archives\\MyMap_001")) << c.what;
    }
}

TEST(FirstPackingTest, AFailedPackingCanBeStartedAgainAtOnce) {
    FirstPacking p;
    p.finishBatch(0, false);
    ASSERT_TRUE(p.waitFor([&] { return !p.scripted.messages.errors.empty(); }));
    EXPECT_FALSE(p.page.Label42->isHidden());
    EXPECT_TRUE(p.page.packbar->isHidden());
    p.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
    p.click(p.page.Label42);
    ASSERT_EQ(p.scripted.shell.batches.size(), 2u);
    p.tmp.write(places("C:/Tools/MyMap_001.rfa"), "archive");
    p.tmp.write(places("D:/Archives/MyMap_001.rfa"), "archive");
    ASSERT_TRUE(p.waitFor([&] { return fs::exists(places("C:/Tools/temp/pathf.bf")); }));
    EXPECT_EQ(p.scripted.messages.errors.size(), 1u);
}

// With older archives the first wait ends at once while its batch runs on:
// no other packing may start until that batch has ended, and a failure of
// it still reopens the first packing.
TEST(FirstPackingTest, OnePackingAtATimeEvenAfterTheWaitHasEnded) {
    Packing p;
    p.form.state.MapName = "MyMap";
    p.tmp.write(places("C:/Tools/MyMap_001.rfa"), "older");
    p.tmp.write(places("D:/Archives/MyMap_001.rfa"), "older");
    p.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
    p.scripted.messages.answers.push_back(0);  // "Replace it"
    p.click(p.page.Label42);
    ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 100; }));
    for (QWidget* w : std::initializer_list<QWidget*>{p.page.Button7, p.page.Button6}) {
        p.click(w);
        EXPECT_NE(p.scripted.messages.errors.back().find("being packed already"), std::string::npos);
    }
    EXPECT_EQ(p.scripted.shell.batches.size(), 1u);
    EXPECT_TRUE(p.page.busy());
    p.finishBatch(0, false);
    EXPECT_NE(p.scripted.messages.errors.back().find("The first packing has failed"), std::string::npos);
    EXPECT_FALSE(p.page.Label42->isHidden());
    EXPECT_FALSE(p.page.busy());
}

// The pathmap transfer after a restart: the state comes from pathf.bf.
struct Transfer : Packing {
    Transfer() {
        tmp.write(places("C:/Tools/temp/pathf.bf"),
                  places("C:\\Tools\\bf1942\\levels\\MyMap_001\\\r\nD:\\Games\\Battlefield 1942\\\r\nD:\\Archives\\MyMap_001\r\nMyMap\r\n"));
        tmp.write(places("C:/Tools/bf1942/levels/MyMap_001/ai.con"), "run ai/Strategies.con\r\nai.createallmaps\r\nrem end\r\n");
        fs::create_directories(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding"));
    }
    std::string pathmaps = places("D:/Games/Battlefield 1942/bf1942/levels/MyMap/Pathfinding/");
};

const std::string kGamePathmaps = places("D:\\Games\\Battlefield 1942\\bf1942\\levels\\MyMap\\Pathfinding\\");
const std::string kLookedIn = "Tarnwick looks for the pathmaps the game generated in " + kGamePathmaps + ". ";
const std::string kGenerateFirst =
    "Run the game with the add-on loaded, as the README describes (\"Running the game under Wine to generate "
    "pathmaps\"), and check the game folder on page 3 (\"Part 1\"); then click \"Copy the generated pathmaps into "
    "my addon\" again.";

TEST(PathmapTransfer, RestoresTheStateAndRemovesTheGenerationLine) {
    struct Case {
        std::string aiCon, after;
    };
    const Case cases[] = {
        {"a\r\nAI.CreateAllMaps\r\nb\r\n", "a\r\nb\r\n"},
        {" ai.createallmaps\r\n", " ai.createallmaps\r\n"},
        {"ai.createallmaps\r\nx\r\nai.createallmaps\r\n", "x\r\nai.createallmaps\r\n"},
        {"a\nb", "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        Transfer t;
        t.tmp.write(places("C:/Tools/bf1942/levels/MyMap_001/ai.con"), c.aiCon);
        t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
        t.click(t.page.Button6);
        EXPECT_TRUE(t.scripted.messages.errors.empty());
        EXPECT_EQ(t.tmp.read(places("C:/Tools/bf1942/levels/MyMap_001/ai.con")), c.after);
        EXPECT_EQ(t.form.state.AddonDir, places("C:\\Tools\\bf1942\\levels\\MyMap_001\\"));
        EXPECT_EQ(t.form.state.GamePath, places("D:\\Games\\Battlefield 1942\\"));
        EXPECT_EQ(t.form.state.PackTarget, places("D:\\Archives\\MyMap_001"));
        EXPECT_EQ(t.form.state.MapName, "MyMap");
    }
}

TEST(PathmapTransfer, TakesTheRawFilesButTheFiveLevelZeroMaps) {
    Transfer t;
    // Names that differ only in letter case are one name on Windows.
#ifdef _WIN32
    constexpr bool kCaseVariants = false;
#else
    constexpr bool kCaseVariants = true;
#endif
    QStringList listedNow = {"Boat2Level0Map8Bit.raw", "Infantry1Level0Map.RAW", "Tank0Level0Map8Bit.raw",
                             "tank0level0map8bit.raw", "Tank0Level1Map.raw"};
    std::vector<std::string> copiedNow = {"Infantry1Level0Map.RAW", "Tank0Level1Map.raw", "tank0level0map8bit.raw"};
    if (!kCaseVariants) {
        listedNow.removeAll(QStringLiteral("tank0level0map8bit.raw"));
        copiedNow.pop_back();
    }
    for (const char* f : {"Tank0Level0Map8Bit.raw", "Tank0Level1Map.raw", "tank0level0map8bit.raw", "Infantry1Level0Map.RAW",
                          "notes.txt", ".hidden.raw", "Boat2Level0Map8Bit.raw"})
        if (kCaseVariants || std::string(f) != "tank0level0map8bit.raw")
            t.tmp.write(t.pathmaps + f, f);
    fs::create_directories(t.pathmaps + "folder.raw");
    t.click(t.page.Button6);
    ASSERT_TRUE(t.scripted.messages.errors.empty()) << t.scripted.messages.errors[0];
    QStringList listed;
    for (int i = 0; i < t.page.FileListBox2->count(); ++i) listed << t.page.FileListBox2->item(i)->text();
    EXPECT_EQ(listed, listedNow);
    std::vector<std::string> copied;
    for (const auto& e : fs::directory_iterator(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding")))
        copied.push_back(e.path().filename().string());
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied, copiedNow);
    EXPECT_EQ(t.tmp.read(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw")), "Tank0Level1Map.raw");
}

// Every pathmap is tried; the user learns what was copied, or each file that
// was not and why. The list and ai.con come first, as ever.
std::string transferCase(const std::function<void(Transfer&)>& plant, const std::string& error, const std::string& info,
                         const std::map<std::string, std::string>& pathfinding) {
    Transfer t;
    t.tmp.write(t.pathmaps + "Infantry1Level0Map.raw", "infantry");
    t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
    t.tmp.write(t.pathmaps + "Tank0Level0Map8Bit.raw", "level 0");
    plant(t);
    t.page.Button6Click();
    std::string wrong;
    const auto expect = [&](const auto& got, const auto& want, const char* what) {
        if (!(got == want)) wrong += std::string(what) + ": " + ::testing::PrintToString(got) + "\n";
    };
    expect(t.scripted.messages.errors, error.empty() ? std::vector<std::string>{} : std::vector<std::string>{error}, "errors");
    expect(t.scripted.messages.infos, info.empty() ? std::vector<std::string>{} : std::vector<std::string>{info}, "infos");
    QStringList listed;
    for (int i = 0; i < t.page.FileListBox2->count(); ++i) listed << t.page.FileListBox2->item(i)->text();
    expect(listed, (QStringList{"Infantry1Level0Map.raw", "Tank0Level0Map8Bit.raw", "Tank0Level1Map.raw"}), "list");
    expect(t.tmp.read(places("C:/Tools/bf1942/levels/MyMap_001/ai.con")), std::string("run ai/Strategies.con\r\nrem end\r\n"), "ai.con");
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding")))
        files[e.path().filename().string()] = e.is_directory() ? "<folder>" : readBytes(e.path().string());
    expect(files, pathfinding, "Pathfinding");
    std::map<std::string, std::string> source;
    for (const auto& e : fs::directory_iterator(t.pathmaps)) {
        fs::permissions(e.path(), fs::perms::owner_read, fs::perm_options::add);
        source[e.path().filename().string()] = readBytes(e.path().string());
    }
    expect(source, (std::map<std::string, std::string>{{"Infantry1Level0Map.raw", "infantry"},
                                                       {"Tank0Level0Map8Bit.raw", "level 0"},
                                                       {"Tank0Level1Map.raw", "tank"}}), "the game's pathmaps");
    return wrong;
}

TEST(PathmapTransfer, SaysWhatItCopiedAndWhatNot) {
    const std::string addon = places("C:\\Tools\\bf1942\\levels\\MyMap_001\\Pathfinding\\");
    const std::string copied = "2 pathmaps were copied from " + kGamePathmaps + " into the add-on. Next step: \"Pack\".";
    const std::string notReady = "\n\nThe add-on is not ready to pack. The transfer can be repeated: mend the cause, "
                                 "then click \"Copy the generated pathmaps into my addon\" again.";
    const std::string tankDenied = "1 of 2 pathmaps were not copied from " + kGamePathmaps + " into " + addon +
                                   ":\n\nTank0Level1Map.raw: Zugriff verweigert." + notReady;
    const std::map<std::string, std::string> both{{"Infantry1Level0Map.raw", "infantry"}, {"Tank0Level1Map.raw", "tank"}};
    const struct {
        const char* what;
        std::function<void(Transfer&)> plant;
        std::string error, info;
        std::map<std::string, std::string> pathfinding;
        bool asOrdinaryUserToo;
    } cases[] = {
        {"all copied, an older one replaced",
         [](Transfer& t) { t.tmp.write(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw"), "old"); },
                                              "", copied, both, false},
        {"no Pathfinding folder yet", [](Transfer&) { fs::remove(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding")); },
                                                                        "", copied, both, false},
#ifndef _WIN32
        // Windows has no file that cannot be read through its mode.
        {"a pathmap that cannot be read",
         [](Transfer& t) { fs::permissions(t.pathmaps + "Tank0Level1Map.raw", fs::perms::none); },
         tankDenied, "", {{"Infantry1Level0Map.raw", "infantry"}}, true},
#endif
        {"a folder at a pathmap's name",
         [](Transfer&) { fs::create_directories(places("C:/Tools/bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw")); },
         tankDenied, "", {{"Infantry1Level0Map.raw", "infantry"}, {"Tank0Level1Map.raw", "<folder>"}}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(transferCase(c.plant, c.error, c.info, c.pathfinding), "") << c.what;
        if (c.asOrdinaryUserToo)
            EXPECT_EQ(test::asOrdinaryUser([&] { return transferCase(c.plant, c.error, c.info, c.pathfinding); }), "")
                << c.what << ", as an ordinary user";
    }
}

TEST(PathmapTransfer, MissingFilesAndFolders) {
    {
        Packing p;  // no pathf.bf
        p.click(p.page.Button6);
        ASSERT_EQ(p.scripted.messages.errors.size(), 1u);
        EXPECT_EQ(p.scripted.messages.errors[0].rfind(places("Datei C:\\Tools\\temp\\pathf.bf kann nicht ge\xC3\xB6" "ffnet werden."), 0), 0u);
        EXPECT_EQ(p.form.state.AddonDir, "");
    }
    {
        Transfer t;
        fs::remove(places("C:/Tools/bf1942/levels/MyMap_001/ai.con"));
        t.click(t.page.Button6);
        ASSERT_EQ(t.scripted.messages.errors.size(), 1u);
        EXPECT_NE(t.scripted.messages.errors[0].find("MyMap_001\\ai.con kann nicht"), std::string::npos);
        EXPECT_EQ(t.form.state.MapName, "MyMap");  // restored before the failure
    }
    {
        Transfer t;  // the game made no pathmaps folder
        fs::create_directories(places("D:/Games/Battlefield 1942/bf1942/levels/MyMap"));
        t.click(t.page.Button6);
        ASSERT_EQ(t.scripted.messages.errors.size(), 1u);
        EXPECT_EQ(t.scripted.messages.errors[0].rfind("Datei nicht gefunden.\n\n" + kLookedIn, 0), 0u);
        EXPECT_EQ(t.tmp.read(places("C:/Tools/bf1942/levels/MyMap_001/ai.con")), "run ai/Strategies.con\r\nrem end\r\n");
    }
    {
        Transfer t;
        t.click(t.page.Button6);
        EXPECT_EQ(t.scripted.messages.errors.at(0), "Ung\xC3\xBCltiger Dateiname.\n\n" + kLookedIn + kGenerateFirst);
    }
    {
        Transfer t;  // the folder is there, but the game has not filled it
        t.tmp.write(t.pathmaps + "Tank0Level0Map8Bit.raw", "level 0");
        t.click(t.page.Button6);
        EXPECT_EQ(t.scripted.messages.errors.at(0), "No pathmaps to copy were found in " + kGamePathmaps + ".\n\n" +
                                                        kLookedIn + kGenerateFirst);
    }
}

// Two conversions: MyMap packed first (temp/pathf.bf names it), then Other,
// shown now. The transfer asks which add-on; it never goes into the one not
// chosen, and "Into MyMap_001" continues that conversion first.
TEST(PathmapTransfer, NeverSwitchesToAnotherConversionUnasked) {
    enum Answer { Shown = 0, Packed = 1, Cancel = 2 };
    for (const Answer answer : {Shown, Packed, Cancel}) {
        Transfer t;  // MyMap_001, named by pathf.bf
        state::ConversionRecord mine;
        mine.mapName = "MyMap";
        mine.worldSize = 2048;
        mine.gamePath = places("D:\\Games\\Battlefield 1942\\");
        mine.packTarget = places("D:\\Archives\\MyMap_001");
        mine.mark(state::Step::AddonMade, "2026-12-09 10:00");
        mine.mark(state::Step::FirstPacked, "2026-12-09 10:05");
        state::saveRecord(places("C:\\Tools\\bf1942\\levels\\MyMap_001\\"), mine);
        t.tmp.write(places("C:/Tools/bf1942/levels/Other_001/ai.con"), "run ai/Strategies.con\r\nai.createallmaps\r\n");
        t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "my tank");
        t.tmp.write(places("D:/Games/Battlefield 1942/bf1942/levels/Other/Pathfinding/Tank0Level1Map.raw"), "other tank");
        state::Conversion& st = t.form.state;
        st.MapName = "Other";
        st.WorldSize = 2048;
        st.AddonDir = places("C:\\Tools\\bf1942\\levels\\Other_001\\");
        st.GamePath = places("D:\\Games\\Battlefield 1942\\");
        st.Record.mapName = "Other";
        st.Record.mark(state::Step::AddonMade, "2026-12-09 11:00");
        const auto tree = [&](const char* addon) {
            std::map<std::string, std::string> files;
            for (const auto& e : fs::recursive_directory_iterator(std::string(places("C:/Tools/bf1942/levels/")) + addon))
                if (e.is_regular_file()) files[e.path().filename().string()] = readBytes(e.path().string());
            return files;
        };
        const auto myBefore = tree("MyMap_001"), otherBefore = tree("Other_001");
        t.scripted.messages.answers.push_back(answer);
        t.click(t.page.Button6);
        ASSERT_EQ(t.scripted.messages.questions.size(), 1u) << answer;
        EXPECT_NE(t.scripted.messages.questions[0].find(places("names the add-on C:\\Tools\\bf1942\\levels\\MyMap_001\\, not "
                                                               "the one shown, C:\\Tools\\bf1942\\levels\\Other_001\\.")),
                  std::string::npos)
            << t.scripted.messages.questions[0];
        EXPECT_EQ(t.scripted.messages.errors, std::vector<std::string>{}) << answer;
        const auto myAfter = tree("MyMap_001"), otherAfter = tree("Other_001");
        EXPECT_EQ(myAfter == myBefore, answer != Packed) << answer;
        EXPECT_EQ(otherAfter == otherBefore, answer != Shown) << answer;
        if (answer == Shown) {
            EXPECT_EQ(otherAfter.at("Tank0Level1Map.raw"), "other tank");
            EXPECT_EQ(otherAfter.at("ai.con"), "run ai/Strategies.con\r\n");
            EXPECT_EQ(st.MapName, "Other");
        }
        if (answer == Packed) {
            EXPECT_EQ(myAfter.at("Tank0Level1Map.raw"), "my tank");
            EXPECT_EQ(st.MapName, "MyMap");
        }
    }
}

// The two clicks of a double click on the first packing's link or on
// "Pack" start one packing without a word; the status line of the steps
// before goes. A later click still says a packing is under way.
TEST(PackingClicks, ADoubleClickStartsOnePackingAndClearsTheOldStatus) {
    for (const bool final : {false, true}) {
        Transfer t;
        t.form.state.MapName = "MyMap";
        t.form.state.AddonDir = places("C:\\Tools\\bf1942\\levels\\MyMap_001\\");
        QWidget* button = final ? static_cast<QWidget*>(t.page.Button7) : t.page.Label42;
        if (final) {
            t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
            t.click(t.page.Button6);
            t.scripted.messages.answers = {0, 0};  // "Pack anyway" for the stand-in add-on
        } else {
            fs::create_directories(places("D:/Archives"));
            t.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
        }
        t.page.showAreasWritten(places("C:\\Tools\\bf1942\\levels\\MyMap_001\\AI\\StrategicAreas.con"));
        t.scripted.messages.infos.clear();
        t.click(button);
        t.click(button);
        EXPECT_EQ(t.scripted.shell.batches.size(), 1u) << final;
        EXPECT_EQ(t.scripted.messages.errors, std::vector<std::string>{}) << final;
        EXPECT_EQ(t.page.packingStatus->text(), QString()) << final;
        EXPECT_EQ(t.page.packingStatus->toolTip(), QString()) << final;
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        t.click(button);
        EXPECT_EQ(t.scripted.messages.errors.size(), 1u) << final;
        EXPECT_EQ(t.scripted.shell.batches.size(), 1u) << final;
        t.scripted.shell.stopBatches();
    }
}

TEST(FinalPacking, ReportsDoneOnlyForANewArchive) {
    Transfer t;
    t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
    t.click(t.page.Button6);
    t.scripted.messages.infos.clear();  // what the transfer copied
    t.tmp.write(places("C:/Tools/MyMap_001.rfa"), "old archive");
    t.tmp.write(places("C:/Tools/pack.bat"), "unchanged");
    // This add-on is a bare stand-in: its check finds errors, and each
    // "Pack" is answered with "Pack anyway".
    t.scripted.messages.answers = {0, 0};
    t.click(t.page.Button7);
    ASSERT_EQ(t.scripted.shell.batches.size(), 1u);
    EXPECT_EQ(t.tmp.read(places("C:/Tools/pack.bat")), "unchanged");  // started again as it was
    QTest::qWait(3 * PackingPage::kPollMilliseconds);
    EXPECT_TRUE(t.scripted.messages.infos.empty());  // the batch has not ended
    t.finishBatch(0, false);
    ASSERT_TRUE(t.waitFor([&] { return !t.scripted.messages.errors.empty(); }));
    EXPECT_NE(t.scripted.messages.errors[0].find("without making a new"), std::string::npos);
    EXPECT_FALSE(fs::exists(places("D:/Archives/MyMap_001.rfa")));

    fs::create_directories(places("D:/Archives"));
    const bool linkHidden = t.page.Label42->isHidden(), barHidden = t.page.packbar->isHidden();
    t.click(t.page.Button7);
    EXPECT_EQ(t.page.Label42->isHidden(), linkHidden);  // "Pack" leaves both as they were
    EXPECT_EQ(t.page.packbar->isHidden(), barHidden);
    writeBytes(places("C:\\Tools\\MyMap_001.rfa"), "new archive");  // appears as the packer makes it
    t.finishBatch(1);
    ASSERT_TRUE(t.waitFor([&] { return !t.scripted.messages.infos.empty(); })) << ::testing::PrintToString(t.scripted.messages.errors);
    EXPECT_EQ(t.scripted.messages.infos,
              std::vector<std::string>{places("Done\n\nThe add-on is packed into MyMap_001.rfa in the folder D:\\Archives.")});
    EXPECT_EQ(t.tmp.read(places("D:/Archives/MyMap_001.rfa")), "new archive");
}

// "Pack"'s own copy of a big archive runs beside the window with its bar;
// Stop now (the window closes) leaves the archive at the target as it was.
TEST(FinalPacking, AStoppedCopyLeavesTheOldArchive) {
    Transfer t;
    t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
    t.click(t.page.Button6);
    t.tmp.write(places("D:/Archives/MyMap_001.rfa"), "the archive of an earlier packing");
    t.scripted.messages.answers = {0};  // the bare stand-in add-on: "Pack anyway"
    t.click(t.page.Button7);
    t.tmp.write(places("C:/Tools/MyMap_001.rfa"), "");
    fs::resize_file(places("C:/Tools/MyMap_001.rfa"), uint64_t{512} << 20);
    t.finishBatch(0);
    ASSERT_TRUE(t.waitFor([&] { return !t.page.copybar->isHidden(); }));
    EXPECT_TRUE(t.page.busy());
    t.page.stopLongSteps();
    EXPECT_FALSE(t.page.busy());
    ASSERT_TRUE(t.waitFor([&] {
        return std::distance(fs::directory_iterator(places("D:/Archives")), fs::directory_iterator()) == 1;
    }));  // the copy's temporary file is gone
    EXPECT_EQ(t.tmp.read(places("D:/Archives/MyMap_001.rfa")), "the archive of an earlier packing");
    EXPECT_TRUE(t.scripted.messages.infos.size() == 1 && t.scripted.messages.errors.empty());  // the transfer's only
}

TEST(FinalPacking, WithoutATargetItSaysSoInsteadOfWaiting) {
    Packing p;
    p.click(p.page.Button7);
    ASSERT_EQ(p.scripted.messages.errors.size(), 1u);
    EXPECT_NE(p.scripted.messages.errors[0].find("It is not known where the add-on archive goes"), std::string::npos);
    EXPECT_TRUE(p.scripted.shell.batches.empty());
}

#ifndef _WIN32
// Windows has no file that cannot be read through its mode: the read-only
// attribute leaves it readable.
// After a transfer that left a pathmap behind, "Pack" asks first, naming
// it; a later transfer that copies everything ends the question.
TEST(FinalPacking, AfterAFailedTransferItAsksNamingThePathmapLeftBehind) {
    Transfer t;
    t.tmp.write(t.pathmaps + "Infantry1Level0Map.raw", "infantry");
    t.tmp.write(t.pathmaps + "Tank0Level1Map.raw", "tank");
    fs::permissions(t.pathmaps + "Tank0Level1Map.raw", fs::perms::none);
    t.click(t.page.Button6);
    const std::string asked = places("The last \"Copy the generated pathmaps into my addon\" did not copy this pathmap into "
                                     "C:\\Tools\\bf1942\\levels\\MyMap_001\\Pathfinding\\:\n    Tank0Level1Map.raw\n\n");
    struct Step {
        const char* what;
        bool transferAgain;
        std::deque<int> answers;  // none: the last answer, "Cancel"
        size_t questions, batches;
    };
    for (const Step& c : {Step{"cancelled", false, {}, 1, 0}, Step{"packed anyway", false, {0, 0}, 2, 1},
                          Step{"after a good transfer", true, {0}, 2, 2}}) {
        if (c.transferAgain) {
            t.finishBatch(0, false);
            ASSERT_TRUE(t.waitFor([&] { return t.scripted.messages.errors.size() == 2; }));  // Pack's end
            fs::permissions(t.pathmaps + "Tank0Level1Map.raw", fs::perms::owner_read);
            t.click(t.page.Button6);
        }
        t.scripted.messages.answers = c.answers;
        t.click(t.page.Button7);
        const auto& q = t.scripted.messages.questions;  // the add-on check may ask too
        EXPECT_EQ(size_t(std::count_if(q.begin(), q.end(), [&](const std::string& x) { return x.rfind(asked, 0) == 0; })),
                  c.questions) << c.what;
        EXPECT_EQ(t.scripted.shell.batches.size(), c.batches) << c.what;
    }
}
#endif

// The network box with the example values, over small real archives.
std::string archiveOf(std::vector<std::pair<std::string, std::string>> files) {
    std::vector<test::RawEntry> entries;
    for (auto& [name, bytes] : files) entries.push_back({"bf1942/levels/MyMap/" + name, bytes, static_cast<uint32_t>(bytes.size())});
    return test::buildArchive(0, entries);
}
const std::string kMapArchive = archiveOf({{"init.con", "map"}, {"init/terrain.con", "terrain"}});
const std::string kAddonArchive = archiveOf({{"ai.con", "ai"}});
const std::string kMerged = archiveOf({{"ai.con", "ai"}, {"init.con", "map"}, {"init/terrain.con", "terrain"}});

struct Network : Packing {
    Network() {
        tmp.write(places("D:/Maps/MyMap.rfa"), kMapArchive);
        tmp.write(places("D:/Maps/MyMap_001.rfa"), kAddonArchive);
        scripted.dialogs.answer(places("D:\\Maps\\MyMap.rfa"));
        click(page.Image13);
        scripted.dialogs.answer(places("D:\\Maps\\MyMap_001.rfa"));
        click(page.Image14);
    }
    // Unpacks (the batch ends as told) and connects.
    void unpackAndConnect(bool unpacked = true) {
        click(page.Button10);
        unpackEnds(scripted.shell.batches.size() - 1, unpacked);
        click(page.Button8);
    }
    // Unpack batch `i` ends; a good end has put both archives' files into
    // the merged level folder.
    void unpackEnds(size_t i, bool ok = true) {
        if (ok)
            for (const char* file : {"init.con", "init/terrain.con", "ai.con"})
                if (!fs::exists(std::string(places("C:/Tools/Network/bf1942/levels/MyMap/")) + file))
                    tmp.write(std::string(places("C:/Tools/Network/bf1942/levels/MyMap/")) + file, "unpacked");
        finishBatch(i, ok);
    }
    // The pack batch ends, having put `merged` in place of the map archive.
    void packEnds(bool ok, const std::string& merged = kMerged) {
        if (ok) tmp.write(places("D:/Maps/MyMap.rfa"), merged);
        finishBatch(scripted.shell.batches.size() - 1, ok);
    }
};

TEST(NetworkMerge, ScriptsOfTheExample) {
    Network n;
    EXPECT_EQ(n.page.mergeOrder().mapName, "MyMap");
    EXPECT_EQ(s(n.page.Edit6->text()), places("D:\\Maps\\MyMap.rfa"));
    EXPECT_EQ(s(n.page.Edit6->toolTip()), places("D:\\Maps\\MyMap.rfa"));
    EXPECT_EQ(n.page.mergeOrder().addonName, "MyMap_001");
    EXPECT_EQ(s(n.page.Edit7->text()), places("D:\\Maps\\MyMap_001.rfa"));
    EXPECT_FALSE(n.page.Button8->isEnabled());
    n.click(n.page.Button10);
    EXPECT_EQ(n.tmp.read(places("C:/Tools/Network/unpack.bat")),
              places("copy \"D:\\Maps\\MyMap.rfa\" \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
                     "rfaunpack.exe MyMap.rfa\r\n"
                     "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
                     "copy \"D:\\Maps\\MyMap_001.rfa\" \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n"
                     "rfaunpack.exe MyMap_001.rfa\r\n"
                     "del \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n"));
    EXPECT_EQ(n.scripted.shell.batches.at(0).folder, places("C:\\Tools\\Network\\"));
    EXPECT_TRUE(n.page.Button8->isEnabled());

    // Connecting before the unpack batch has ended is refused.
    n.click(n.page.Button8);
    ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
    EXPECT_FALSE(fs::exists(places("C:/Tools/Network/pack.bat")));
    n.unpackEnds(0);
    for (int twice = 0; twice < 2; ++twice) {
        if (twice == 1) {  // the good merge removed the unpacked level: connecting again needs a new unpack
            EXPECT_FALSE(fs::exists(places("C:/Tools/Network/bf1942/levels/MyMap")));
            n.click(n.page.Button8);
            EXPECT_NE(n.scripted.messages.errors.back().find("Click \"Unpack\" again"), std::string::npos);
            n.click(n.page.Button10);
            n.unpackEnds(n.scripted.shell.batches.size() - 1);
        }
        n.click(n.page.Button8);
        EXPECT_EQ(n.tmp.read(places("C:/Tools/Network/pack.bat")),
                  places("rfaPack.exe bf1942\\levels\\MyMap bf1942/levels/MyMap \"MyMap.rfa\"\r\n"
                         "copy \"C:\\Tools\\Network\\MyMap.rfa\" \"D:\\Maps\\MyMap.rfa\"\r\n"
                         "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"));
        EXPECT_TRUE(n.scripted.messages.infos.size() == static_cast<size_t>(twice));  // not before the pack ends
        n.click(n.page.Button8);  // one pack at a time
        EXPECT_EQ(n.scripted.messages.errors.size(), static_cast<size_t>(2 + 2 * twice));
        n.packEnds(true);
    }
    EXPECT_EQ(n.scripted.messages.infos, (std::vector<std::string>{"Done", "Done"}));
    EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap_001.rfa")), kAddonArchive);  // "let it be"
    EXPECT_FALSE(fs::exists(places("C:/Tools/Network/bf1942/levels/MyMap/Coop.con")));  // no fix asked for
}

TEST(NetworkMerge, TheChoiceIsExclusive) {
    Network n;
    auto checked = [&] {
        return std::vector<bool>{n.page.fix1->isChecked(), n.page.fix2->isChecked(), n.page.fix3->isChecked()};
    };
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, true}));
    n.click(n.page.fix1);
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, false}));
    n.click(n.page.fix1);
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, false}));
    n.click(n.page.fix1);
    n.scripted.dialogs.answer(std::nullopt);  // "Cancel" in the "Path" dialog changes no choice
    n.click(n.page.Button9);
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(n.scripted.dialogs.requests.back().proposedName, "MyMap_001.rfa");
    EXPECT_EQ(n.page.mergeOrder().backup, "");
    n.scripted.dialogs.answer(places("E:\\Backup\\MyMap_001.rfa"));
    n.click(n.page.Button9);
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(n.page.mergeOrder().backup, places("E:\\Backup\\MyMap_001.rfa"));
}

TEST(NetworkMerge, TheNetworkFixStaysCheckedOnceChecked) {
    Network n;
    EXPECT_FALSE(n.page.oldfix->isChecked());
    for (int i = 0; i < 3; ++i) {
        n.click(n.page.oldfix);
        EXPECT_TRUE(n.page.oldfix->isChecked()) << i;
    }
}

// The add-on archive goes only after the merged archive has been made and
// holds every entry of both archives; anything else leaves it untouched.
TEST(NetworkMerge, TheAddonArchiveGoesOnlyAfterAGoodMergedArchive) {
    struct Case {
        const char* what;
        bool backup;             // "Create a backup:" to E:\Backup, else "Delete it"
        bool packOk;
        std::string merged;      // what the batch leaves at the map archive
        bool addonGone;
        const char* error;       // part of the message, or "" for "Done"
    };
    const std::string withoutAddon = archiveOf({{"init.con", "map"}, {"init/terrain.con", "terrain"}});
    const Case cases[] = {
        {"deleted after success", false, true, kMerged, true, ""},
        {"backed up after success", true, true, kMerged, true, ""},
        {"pack failed", false, false, kMerged, false, "failed"},
        {"pack failed, backup", true, false, kMerged, false, "failed"},
        {"merged lacks the add-on", false, true, withoutAddon, false, "lacks bf1942/levels/mymap/ai.con"},
        {"merged unreadable", true, true, "not an archive", false, "cannot be read back"},
    };
    for (const Case& c : cases) {
        Network n;
        fs::create_directories(places("E:/Backup"));
        if (c.backup) {
            n.scripted.dialogs.answer(places("E:\\Backup\\MyMap_001.rfa"));
            n.click(n.page.Button9);
        } else {
            n.click(n.page.fix1);
        }
        n.unpackAndConnect();
        EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap_001.rfa")), kAddonArchive) << c.what;  // not while packing
        EXPECT_FALSE(fs::exists(places("E:/Backup/MyMap_001.rfa"))) << c.what;
        EXPECT_TRUE(n.scripted.messages.infos.empty()) << c.what;
        n.packEnds(c.packOk, c.merged);
        EXPECT_EQ(fs::exists(places("D:/Maps/MyMap_001.rfa")), !c.addonGone) << c.what;
        // Only a good merge removes the unpacked copies of the level.
        EXPECT_EQ(fs::exists(places("C:/Tools/Network/bf1942/levels/MyMap/init.con")), *c.error != '\0') << c.what;
        if (!c.addonGone) {
            EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap_001.rfa")), kAddonArchive) << c.what;
        }
        if (c.backup && c.addonGone) {
            EXPECT_EQ(n.tmp.read(places("E:/Backup/MyMap_001.rfa")), kAddonArchive) << c.what;
        }
        if (*c.error) {
            ASSERT_EQ(n.scripted.messages.errors.size(), 1u) << c.what;
            EXPECT_NE(n.scripted.messages.errors[0].find(c.error), std::string::npos) << n.scripted.messages.errors[0];
            EXPECT_TRUE(n.scripted.messages.infos.empty()) << c.what;
        } else {
            EXPECT_TRUE(n.scripted.messages.errors.empty()) << c.what;
            EXPECT_EQ(n.scripted.messages.infos, std::vector<std::string>{"Done"}) << c.what;
        }
    }
}

// An add-on archive packed by an older version holds the pathmap window's
// backups: the merged archive leaves them out, as every packing now does,
// and that is no missing entry.
TEST(NetworkMerge, TheBackupsOfAnOlderAddonArchiveAreLeftOut) {
    Network n;
    n.tmp.write(places("D:/Maps/MyMap_001.rfa"), archiveOf({{"ai.con", "ai"}, {"Pathfinding/Originals/Tank0Level0Map.raw", "old"}}));
    n.click(n.page.fix1);
    n.unpackAndConnect();
    n.packEnds(true);
    EXPECT_TRUE(n.scripted.messages.errors.empty()) << n.scripted.messages.errors[0];
    EXPECT_FALSE(fs::exists(places("D:/Maps/MyMap_001.rfa")));
}

TEST(NetworkMerge, RefusalsBeforeAnythingIsWrittenOrDeleted) {
    struct Case {
        const char* what;
        std::optional<std::string> backup;  // chosen with "Path"; nothing: "Create a backup:" without a place
        const char* error;
    };
    // Each refusal of the archives' check is a row of the packing refusals'
    // table; here, that the window refuses before anything is written.
    const Case cases[] = {
        {"no backup place", std::nullopt, "No place for the backup"},
        {"backup onto itself", places("D:\\Maps\\MyMap_001.rfa"), "is the add-on archive itself"},
    };
    for (const Case& c : cases) {
        Network n;
        if (c.backup) {
            n.scripted.dialogs.answer(*c.backup);
            n.click(n.page.Button9);
        } else {
            n.click(n.page.fix2);
        }
        n.page.oldfix->setChecked(true);
        fs::create_directories(places("C:/Tools/Network/bf1942/levels/MyMap/GameTypes"));
        n.unpackAndConnect();
        ASSERT_EQ(n.scripted.messages.errors.size(), 1u) << c.what;
        EXPECT_NE(n.scripted.messages.errors[0].find(c.error), std::string::npos) << n.scripted.messages.errors[0];
        EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap_001.rfa")), kAddonArchive) << c.what;
        EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap.rfa")), kMapArchive) << c.what;
        EXPECT_FALSE(fs::exists(places("C:/Tools/Network/pack.bat"))) << c.what;
        EXPECT_FALSE(fs::exists(places("C:/Tools/Network/bf1942/levels/MyMap/Coop.con"))) << c.what;
        EXPECT_EQ(n.scripted.shell.batches.size(), 1u) << c.what;  // the unpack only
    }
}

// A framework message met in the main flow stays the first line; a second
// paragraph names the file or folder and the next step.
TEST(Messages, SayWhichFileAndWhatToDoNext) {
    const std::string created = "\" kann nicht erstellt werden. Zugriff verweigert.\n\n";
    const struct {
        const char* what;
        std::function<void(Network&)> act;
        std::string firstLines;                  // up to the paragraph
        std::vector<std::string> paragraphNames;  // in the paragraph
    } cases[] = {
        {"the game folder cannot be saved",
         [](Network& n) {
             fs::create_directories(places("C:/Tools/memory.bf"));
             n.page.GroupBox14->setEnabled(true);
             n.click(n.page.Button5);
         },
         places("Datei \"C:\\Tools\\memory.bf") + created, {places("C:\\Tools\\"), "\"This path is ok | Apply the new one\" again"}},
        {"pack.bat cannot be written for the first packing",
         [](Network& n) {
             fs::create_directories(places("C:/Tools/pack.bat"));
             n.form.state.MapName = "MyMap";
             n.scripted.dialogs.answer(places("D:\\Archives\\MyMap_001"));
             n.click(n.page.Label42);
         },
         places("Datei \"C:\\Tools\\pack.bat") + created,
         {places("C:\\Tools\\"), places("D:\\Archives\\MyMap_001.rfa"), "\"Your addon gets packed for the first time ...\" again"}},
        {"the map archive is gone",
         [](Network& n) {
             fs::remove(places("D:/Maps/MyMap.rfa"));
             n.click(n.page.Button10);
         },
         "Datei nicht gefunden.\n\n", {places("D:\\Maps\\MyMap.rfa"), "MAP picture", "\"Unpack\" again"}},
        {"the add-on archive is no archive",
         [](Network& n) {
             n.tmp.write(places("D:/Maps/MyMap_001.rfa"), "not an archive");
             n.unpackAndConnect();
         },
         "The file " + resolvePath(places("D:/Maps/MyMap_001.rfa")).string() + " is not a level archive (.rfa)",
         {"add-on archive again", "\"Connect map and addon\" again"}},
    };
    for (const auto& c : cases) {
        Network n;
        c.act(n);
        ASSERT_EQ(n.scripted.messages.errors.size(), 1u) << c.what;
        const std::string& error = n.scripted.messages.errors[0];
        EXPECT_EQ(error.rfind(c.firstLines, 0), 0u) << c.what << ": " << error;
        const std::string paragraph = error.substr(error.find("\n\n") + 2);
        for (const std::string& name : c.paragraphNames)
            EXPECT_NE(paragraph.find(name), std::string::npos) << c.what << ": " << name << " in " << error;
    }
}

// Status lines in the page's empty room: where the strategic areas went
// (the page comes next), and the chosen backup file.
TEST(StatusLines, AreasWrittenAndTheBackupFile) {
    Network n;
    n.form.state.AddonDir = places("C:\\Tools\\bf1942\\levels\\MyMap_001\\");
    emit n.form.t3->areasWritten();
    EXPECT_EQ(n.form.PageControl1->currentWidget(), &n.page);
    EXPECT_EQ(n.page.packingStatus->toolTip().toStdString(),
              places("The strategic areas were written to C:\\Tools\\bf1942\\levels\\MyMap_001\\AI\\StrategicAreas.con. "
                     "Next, on this page: the game folder, then the first packing."));
    n.scripted.dialogs.answer(places("E:\\Backups\\MyMap_001.rfa"));
    n.click(n.page.Button9);
    EXPECT_EQ(n.page.backupStatus->text().toStdString(), "Backup: MyMap_001.rfa");
    EXPECT_EQ(n.page.backupStatus->toolTip().toStdString(), places("E:\\Backups\\MyMap_001.rfa"));
    for (QLabel* line : {n.page.packingStatus, n.page.backupStatus})
        for (QWidget* w : line->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != line && !w->isHidden())
                EXPECT_FALSE(w->geometry().intersects(line->geometry())) << w->objectName().toStdString();
}

// What the pack batch packs is checked before it runs: a merged folder that
// lost a file since the unpack is not packed over the map archive.
TEST(NetworkMerge, AMergedFolderThatLacksAFileIsNotPacked) {
    Network n;
    n.click(n.page.fix1);
    n.click(n.page.Button10);
    n.unpackEnds(0);
    fs::remove(places("C:/Tools/Network/bf1942/levels/MyMap/init/terrain.con"));
    n.click(n.page.Button8);
    ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
    EXPECT_NE(n.scripted.messages.errors[0].find("init/terrain.con"), std::string::npos) << n.scripted.messages.errors[0];
    EXPECT_FALSE(fs::exists(places("C:/Tools/Network/pack.bat")));
    EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap.rfa")), kMapArchive);
    EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap_001.rfa")), kAddonArchive);
}

// Every file below a folder with its bytes, and the hidden entries beside
// the merged level folders.
std::map<std::string, std::string> filesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[fs::relative(e.path(), folder).generic_string()] = readBytes(e.path().string());
    return files;
}
std::vector<std::string> hiddenIn(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.') hidden.push_back(e.path().filename().string());
    return hidden;
}

// Each unpack fills an empty merged folder: a file of an earlier merge never
// goes into the next archive. The earlier folder is removed only after the
// new unpack has succeeded; after a failed one (or a wizard killed during
// it) it is back as it was, and what the unpack had made is gone.
TEST(NetworkMerge, AnEarlierMergedFolderIsReplacedOnlyByAGoodUnpack) {
    using Files = std::map<std::string, std::string>;
    const std::string levels = places("C:/Tools/Network/bf1942/levels/");
    const Files earlier = {{"MyMap/Coop.con", "an earlier merge's fix"}, {"MyMap/ai.con", "an earlier add-on"}};
    const Files unpacked = {{"MyMap/ai.con", "unpacked"}, {"MyMap/init.con", "unpacked"},
                            {"MyMap/init/terrain.con", "unpacked"}};
    struct Case {
        const char* what;
        Files before;  // below the levels folder
        bool ok;       // how the unpack ends
        Files after;
    };
    const Case cases[] = {
        {"earlier folder, good unpack", earlier, true, unpacked},
        {"earlier folder, failed unpack", earlier, false, earlier},
        {"another letter case, failed unpack", {{"mymap/Coop.con", "fix"}}, false, {{"mymap/Coop.con", "fix"}}},
        {"another letter case, good unpack", {{"mymap/Coop.con", "fix"}}, true, unpacked},
        {"no earlier folder, failed unpack", {}, false, {}},
        {"no earlier folder, good unpack", {}, true, unpacked},
        {"another level beside it", {{"Other/x.con", "other"}}, false, {{"Other/x.con", "other"}}},
    };
    for (const Case& c : cases) {
        Network n;
        for (const auto& [file, bytes] : c.before) n.tmp.write(levels + file, bytes);
        n.click(n.page.Button10);
        ASSERT_TRUE(n.scripted.messages.errors.empty()) << c.what << ": " << n.scripted.messages.errors[0];
        EXPECT_FALSE(fs::exists(levels + "MyMap")) << c.what;  // the unpack starts from nothing
        EXPECT_FALSE(fs::exists(levels + "mymap")) << c.what;
        if (!c.ok) n.tmp.write(levels + "MyMap/init.con", "half");  // what the failed unpack had made
        n.unpackEnds(0, c.ok);
        // On Windows the folder is the same in any letter case.
        const auto folded = [](const Files& files) {
            Files f;
            for (const auto& [name, bytes] : files) f[test::systemPlace(name)] = bytes;
            return f;
        };
        EXPECT_EQ(folded(filesBelow(levels)), folded(c.after)) << c.what;
        EXPECT_EQ(hiddenIn(levels), std::vector<std::string>{}) << c.what;
    }
    // An empty earlier folder comes back too.
    Network n;
    fs::create_directories(levels + "MyMap");
    n.click(n.page.Button10);
    n.tmp.write(levels + "MyMap/init.con", "half");
    n.unpackEnds(0, false);
    EXPECT_TRUE(fs::is_directory(levels + "MyMap"));
    EXPECT_TRUE(fs::is_empty(levels + "MyMap"));
    EXPECT_EQ(hiddenIn(levels), std::vector<std::string>{});
}

// A wizard killed during an unpack leaves the earlier folder aside; the next
// start puts it back, and finishes a removal that was cut short.
TEST(NetworkMerge, AnEarlierMergedFolderComesBackAfterAKilledUnpack) {
    Packing p;
    const std::string levels = places("C:/Tools/Network/bf1942/levels/");
    p.tmp.write(places("C:/Tools/Network/unpack.bat.keep"), "kept");
    p.tmp.write(levels + ".earlier-MyMap/ai.con", "the earlier add-on");
    p.tmp.write(levels + "New/init.con", "half");        // a killed unpack where there was no folder
    fs::create_directories(levels + ".none-New");
    p.tmp.write(levels + "MyMap/init.con", "half");       // what the killed unpack had made
    p.tmp.write(levels + ".removed-Old/ai.con", "half removed");
    p.tmp.write(levels + "Other/x.con", "another level");
#ifdef _WIN32
    // Windows drops the dots that end a name, so ".." makes an empty one.
    const std::string noLevel = ".earlier-";
#else
    const std::string noLevel = ".earlier-..";
#endif
    p.tmp.write(levels + noLevel + "/x.con", "no level's name");  // never taken for one
    packing::restoreMergedFolders(levels);
    EXPECT_EQ(filesBelow(levels), (std::map<std::string, std::string>{{noLevel + "/x.con", "no level's name"},
                                                                      {"MyMap/ai.con", "the earlier add-on"},
                                                                      {"Other/x.con", "another level"}}));
    EXPECT_EQ(hiddenIn(levels), std::vector<std::string>{noLevel});
    EXPECT_EQ(p.tmp.read(places("C:/Tools/Network/unpack.bat.keep")), "kept");
}

// Something at the merged folder's place that is not a folder is not
// touched, and nothing is unpacked.
TEST(NetworkMerge, AFileInTheMergedFoldersPlaceIsRefused) {
    Network n;
    n.tmp.write(places("C:/Tools/Network/bf1942/levels/MyMap"), "a file");
    n.click(n.page.Button10);
    ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
    EXPECT_NE(n.scripted.messages.errors[0].find("not a folder"), std::string::npos) << n.scripted.messages.errors[0];
    EXPECT_TRUE(n.scripted.shell.batches.empty());
    EXPECT_EQ(n.tmp.read(places("C:/Tools/Network/bf1942/levels/MyMap")), "a file");
}

// Connect packs what the last unpack gave: another archive chosen since, or
// the chosen one changed since, is refused before anything is deleted.
TEST(NetworkMerge, ArchivesChangedSinceTheUnpackAreRefused) {
    struct Case {
        const char* what;
        std::function<void(Network&)> change;
    };
    const std::vector<Case> cases = {
        {"another add-on", [](Network& n) {
             n.tmp.write(places("D:/Maps/Other_001.rfa"), kAddonArchive);
             n.scripted.dialogs.answer(places("D:\\Maps\\Other_001.rfa"));
             n.click(n.page.Image14);
         }},
        {"another map", [](Network& n) {
             n.tmp.write(places("E:/MyMap.rfa"), kMapArchive);
             n.scripted.dialogs.answer(places("E:\\MyMap.rfa"));
             n.click(n.page.Image13);
         }},
        {"the add-on rewritten", [](Network& n) { n.tmp.write(places("D:/Maps/MyMap_001.rfa"), kMerged); }},
    };
    for (const Case& c : cases) {
        Network n;
        n.click(n.page.fix1);
        n.click(n.page.Button10);
        n.unpackEnds(0);
        c.change(n);
        n.click(n.page.Button8);
        ASSERT_EQ(n.scripted.messages.errors.size(), 1u) << c.what;
        EXPECT_NE(n.scripted.messages.errors[0].find("not the ones last unpacked"), std::string::npos) << c.what;
        EXPECT_FALSE(fs::exists(places("C:/Tools/Network/pack.bat"))) << c.what;
        EXPECT_TRUE(fs::exists(places("D:/Maps/MyMap_001.rfa"))) << c.what;
        EXPECT_EQ(n.tmp.read(places("D:/Maps/MyMap.rfa")), kMapArchive) << c.what;
    }
}

TEST(NetworkMerge, ConnectWaitsForEveryUnpackAndNeedsTheLastToSucceed) {
    Network n;
    n.click(n.page.Button10);
    n.click(n.page.Button10);  // one unpack at a time: refused
    ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
    EXPECT_NE(n.scripted.messages.errors[0].find("before unpacking again"), std::string::npos);
    EXPECT_EQ(n.scripted.shell.batches.size(), 1u);
    n.click(n.page.Button8);
    ASSERT_EQ(n.scripted.messages.errors.size(), 2u);
    EXPECT_NE(n.scripted.messages.errors[1].find("still being unpacked"), std::string::npos);
    n.unpackEnds(0, false);  // it fails
    n.click(n.page.Button8);
    ASSERT_EQ(n.scripted.messages.errors.size(), 3u);
    EXPECT_NE(n.scripted.messages.errors[2].find("did not succeed"), std::string::npos);
    EXPECT_FALSE(fs::exists(places("C:/Tools/Network/pack.bat")));
    n.click(n.page.fix1);
    n.unpackAndConnect();  // a second unpack that succeeds
    EXPECT_EQ(n.scripted.messages.errors.size(), 3u);
    EXPECT_TRUE(fs::exists(places("C:/Tools/Network/pack.bat")));
    // While the merged folder is packed, no new unpack goes into it.
    n.click(n.page.Button10);
    EXPECT_EQ(n.scripted.messages.errors.size(), 4u);
    n.packEnds(true);
    EXPECT_FALSE(fs::exists(places("D:/Maps/MyMap_001.rfa")));
    EXPECT_EQ(n.scripted.messages.infos, std::vector<std::string>{"Done"});
}

} // namespace
} // namespace tw
