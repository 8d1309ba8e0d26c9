// The packing page for real: the real batch runner, real archives.
#include "app/main_window.h"
#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "tools/qt_shell.h"
#include "rfa/archive.h"
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
#include <set>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::TempFolder;

std::set<std::string> namesIn(const std::string& archive) {
    rfa::ArchiveReader reader(archive);
    std::set<std::string> names;
    for (const auto& e : reader.entries()) names.insert(e.name);
    return names;
}

std::string entryText(const std::string& archive, const std::string& name) {
    rfa::ArchiveReader reader(archive);
    std::string text;
    for (const auto& e : reader.entries())
        if (e.name == name)
            reader.read(e, [&](const unsigned char* d, size_t n) { text.append(reinterpret_cast<const char*>(d), n); });
    return text;
}

void closeConsoles() { EXPECT_TRUE(test::closeConsoles()); }

// A window over a program folder of its own, with the real shell.
struct Session {
    explicit Session(const std::string& programDir)
        : shell(programDir, messages), services{programDir, dialogs, messages, shell}, form(services) {}
    test::ScriptedDialogs dialogs;
    test::RecordingMessages messages;
    QtShell shell;
    Services services;
    TForm1 form;
};

TEST(PackingForReal, FirstPackingPathmapsFinalPackingAndNetworkMerge) {
    TempFolder tmp;
    test::InFolder in(tmp.path());  // the add-on run changes the current folder
    const std::string program = test::makeProgramFolder(tmp.path() / "Tarnwick");
    fs::create_directories(tmp.path() / "Archives");

    // The add-on of the sample level, made as the wizard makes it.
    state::Conversion made;
    const std::string folder =
        intake::takeLevelFolder(made, program + "samples/DemoMap/init.con");
    intake::analyse(made, program, false, folder);
    generator::runAddon(made, program, {});
    const std::string addon = made.AddonDir;
    // The pathmap window's backups, kept beside the add-on's pathmaps, go
    // into no archive.
    fs::create_directories(addon + "Pathfinding/Originals");
    writeBytes(addon + "Pathfinding/Originals/Tank0Level1Map.raw", std::string(3000, '\x04'));
    const auto noBackups = [](const std::set<std::string>& names) {
        for (const std::string& n : names) EXPECT_EQ(foldCase(n).find("/pathfinding/originals/"), std::string::npos) << n;
    };

    // First packing.
    {
        Session s(program);
        s.form.state = made;
        s.form.state.GamePath = tmp.dir() + "Game/";
        s.dialogs.answer(tmp.dir() + "Archives/DemoMap_001");
        QTest::mouseClick(s.form.t4->Label42, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return s.form.t4->packbar->value() == 100; }, 20000))
            << ::testing::PrintToString(s.messages.errors);
        EXPECT_TRUE(s.messages.errors.empty());
        const auto names = namesIn(tmp.dir() + "Archives/DemoMap_001.rfa");
        EXPECT_EQ(names.size(), 19u);
        noBackups(names);
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/ai.con"));
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/AI/StrategicAreas.con"));
        EXPECT_TRUE(fileExists(program + "temp/pathf.bf"));
        closeConsoles();
    }

    // The game made pathmaps; the wizard starts again.
    const std::string pathmaps = tmp.dir() + "Game/bf1942/levels/DemoMap/Pathfinding/";
    fs::create_directories(pathmaps);
    writeBytes(pathmaps + "Tank0Level1Map.raw", std::string(5000, '\x01'));
    writeBytes(pathmaps + "Infantry1Level0Map.raw", std::string(7000, '\x02'));
    writeBytes(pathmaps + "Tank0Level0Map8Bit.raw", std::string(100, '\x03'));
    {
        Session s(program);
        QTest::mouseClick(s.form.t4->Button6, Qt::LeftButton);
        ASSERT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
        EXPECT_EQ(s.form.t4->FileListBox2->count(), 3);
        EXPECT_EQ(s.messages.infos.size(), 1u);  // what the transfer copied
        s.messages.infos.clear();
        s.messages.answers = {0};  // "Pack anyway": this add-on has no areas yet
        QTest::mouseClick(s.form.t4->Button7, Qt::LeftButton);
        EXPECT_EQ(s.messages.questions.size(), 1u);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s.messages.infos.empty() || !s.messages.errors.empty(); }, 20000));
        // "Done", with the archive and its folder.
        EXPECT_EQ(s.messages.infos, std::vector<std::string>{"Done\n\nThe add-on is packed into DemoMap_001.rfa in "
                                                             "the folder " + tmp.dir() + "Archives."})
            << ::testing::PrintToString(s.messages.errors);
        const std::string archive = tmp.dir() + "Archives/DemoMap_001.rfa";
        const auto names = namesIn(archive);
        noBackups(names);
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw"));
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/Pathfinding/Infantry1Level0Map.raw"));
        EXPECT_FALSE(names.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level0Map8Bit.raw"));
        EXPECT_EQ(entryText(archive, "bf1942/levels/DemoMap/ai.con").find("ai.createallmaps"), std::string::npos);
        closeConsoles();
    }

    // Network merge of the sample archive and the add-on archive.
    {
        fs::create_directories(tmp.path() / "Maps");
        fs::copy_file(test::sampleArchive(), tmp.path() / "Maps/DemoMap.rfa");
        Session s(program);
        PackingPage& page = *s.form.t4;
        s.dialogs.answer(tmp.dir() + "Maps/DemoMap.rfa");
        QTest::mouseClick(page.Image13, Qt::LeftButton);
        s.dialogs.answer(tmp.dir() + "Archives/DemoMap_001.rfa");
        QTest::mouseClick(page.Image14, Qt::LeftButton);
        // A file left by an earlier merge does not go into this one.
        const std::string merged = program + "Network/bf1942/levels/DemoMap/";
        fs::create_directories(merged);
        writeBytes(merged + "Stale.con", "rem an earlier merge\r\n");
        QTest::mouseClick(page.Button10, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !fs::exists(program + "Network/DemoMap_001.rfa") &&
                                                 fileExists(merged + "ai.con"); }, 20000));
        // Connecting goes through once the unpack batch has said it ended.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            s.messages.errors.clear();
            QTest::mouseClick(page.Button8, Qt::LeftButton);
            return s.messages.errors.empty();
        }, 20000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !fs::exists(program + "Network/DemoMap.rfa") &&
                                                 namesIn(tmp.dir() + "Maps/DemoMap.rfa").size() > 12; }, 20000));
        const auto names = namesIn(tmp.dir() + "Maps/DemoMap.rfa");
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/init.con"));          // the map's
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/ai.con"));            // the add-on's
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw"));
        for (const auto& n : names) EXPECT_EQ(n.rfind("bf1942/levels/DemoMap/", 0), 0u) << n;
        noBackups(names);
        EXPECT_FALSE(names.count("bf1942/levels/DemoMap/Stale.con"));
        EXPECT_FALSE(fs::exists(program + "Network/bf1942/levels/.earlier-DemoMap"));
        closeConsoles();
    }
}

// A program folder of its own with the real runner.
std::string programFolder(const TempFolder& tmp) {
    const std::string program = tmp.dir() + "Tarnwick/";
    for (const char* folder : {"bf1942/levels", "temp", "Network"}) fs::create_directories(program + folder);
    // Under the built file's own extension: ".exe" on Windows, none on Linux.
    fs::copy_file(TW_BUILT_BATCH, program + "tarnwick-batch" + fs::path(TW_BUILT_BATCH).extension().string());
    return program;
}

bool noUnfinishedWrites(const fs::path& root) {
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.path().filename().string().rfind(".tw-", 0) == 0) return false;
    return true;
}

// Closing the window while the merged folder (a large one) is being packed:
// "Stop now" leaves both archives as they were; "Wait" lets the merge end,
// and only then is the add-on archive deleted.
TEST(PackingForReal, ClosingTheWindowDuringTheNetworkPack) {
    for (const int answer : {1, 0}) {
        TempFolder tmp;
        const std::string program = programFolder(tmp);
        for (int i = 0; i < 2000; ++i)
            tmp.write("src/Big/d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".con", std::string(300, 'm'));
        tmp.write("src/Big/big.dds", std::string(12 << 20, 'b'));
        tmp.write("src/Addon/ai.con", "run aiInit\r\n");
        fs::create_directories(tmp.path() / "Maps");
        rfa::packFolder(tmp.dir() + "src/Big", "bf1942/levels/Big", tmp.dir() + "Maps/Big.rfa");
        rfa::packFolder(tmp.dir() + "src/Addon", "bf1942/levels/Big", tmp.dir() + "Maps/Big_001.rfa");
        const std::string mapBytes = readBytes(tmp.dir() + "Maps/Big.rfa");
        const std::string addonBytes = readBytes(tmp.dir() + "Maps/Big_001.rfa");

        Session s(program);
        bool closed = false;
        QObject::connect(&s.form, &TForm1::closed, [&] { closed = true; });
        s.form.show();
        PackingPage& page = *s.form.t4;
        s.dialogs.answer(tmp.dir() + "Maps/Big.rfa");
        page.Image13Click();
        s.dialogs.answer(tmp.dir() + "Maps/Big_001.rfa");
        page.Image14Click();
        QTest::mouseClick(page.fix1, Qt::LeftButton, {}, QPoint(8, page.fix1->height() / 2));
        ASSERT_TRUE(page.fix1->isChecked());
        page.Button10Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s.form.busy(); }, 30000));
        page.Button8Click();
        ASSERT_TRUE(s.messages.errors.empty()) << s.messages.errors[0];
        ASSERT_TRUE(s.form.busy());
        s.messages.answers.push_back(answer);
        s.form.close();
        ASSERT_EQ(s.messages.questions.size(), 1u);
        if (answer == 1) {
            EXPECT_TRUE(closed);
            EXPECT_EQ(readBytes(tmp.dir() + "Maps/Big_001.rfa"), addonBytes);
            EXPECT_EQ(readBytes(tmp.dir() + "Maps/Big.rfa"), mapBytes);
            EXPECT_FALSE(fs::exists(program + "Network/Big.rfa"));  // no half-made archive
            EXPECT_TRUE(noUnfinishedWrites(program));
            EXPECT_TRUE(s.messages.infos.empty());
            EXPECT_TRUE(s.messages.errors.empty());
        } else {
            EXPECT_FALSE(closed);
            EXPECT_TRUE(fs::exists(tmp.dir() + "Maps/Big_001.rfa"));  // not before the merge has ended
            ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 30000));
            EXPECT_EQ(s.messages.infos, std::vector<std::string>{"Done"}) << ::testing::PrintToString(s.messages.errors);
            EXPECT_FALSE(fs::exists(tmp.dir() + "Maps/Big_001.rfa"));
            const auto names = namesIn(tmp.dir() + "Maps/Big.rfa");
            EXPECT_EQ(names.size(), 2002u);
            EXPECT_TRUE(names.count("bf1942/levels/Big/ai.con"));
        }
        (void)test::closeConsoles();  // some of them stopped or failed, as meant
    }
}

// A first packing whose target cannot be written fails with a message and
// can be started again at once; the second attempt, to a good place, works.
TEST(PackingForReal, AFailedFirstPackingAndASecondAttempt) {
    TempFolder tmp;
    test::InFolder in(tmp.path());
    const std::string program = programFolder(tmp);
    fs::create_directories(program + "bf1942/levels/MyMap_001");
    writeBytes(program + "bf1942/levels/MyMap_001/ai.con", "ai.createallmaps\r\n");
    fs::create_directories(tmp.path() / "Archives");
    Session s(program);
    s.form.state.MapName = "MyMap";
    s.form.state.AddonDir = program + "bf1942/levels/MyMap_001/";
    PackingPage& page = *s.form.t4;
    // A folder that does not exist: the batch's copy fails whoever runs it.
    s.dialogs.answer(tmp.dir() + "NoSuchFolder/MyMap_001");
    page.Label42Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.messages.errors.empty(); }, 20000));
    EXPECT_NE(s.messages.errors[0].find("you can start the packing again"), std::string::npos) << s.messages.errors[0];
    EXPECT_FALSE(page.Label42->isHidden());
    EXPECT_FALSE(fs::exists(program + "temp/pathf.bf"));
    // The window is closed at once ("Now close Tarnwick" invites it): with
    // "Wait" it closes by itself once the archive is made and the state saved.
    bool closed = false;
    QObject::connect(&s.form, &TForm1::closed, [&] { closed = true; });
    s.form.show();
    s.dialogs.answer(tmp.dir() + "Archives/MyMap_001");
    QTest::mouseClick(page.Label42, Qt::LeftButton);
    s.messages.answers.push_back(0);
    s.form.close();
    EXPECT_EQ(s.messages.questions.size(), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 20000));
    EXPECT_TRUE(fileExists(program + "temp/pathf.bf"));
    EXPECT_EQ(s.messages.errors.size(), 1u);
    EXPECT_EQ(namesIn(tmp.dir() + "Archives/MyMap_001.rfa"), std::set<std::string>{"bf1942/levels/MyMap/ai.con"});
    (void)test::closeConsoles();  // the first one failed, as meant
}

} // namespace
} // namespace tw
