// The packing page for real: the real batch runner, real archives.
#include "app/main_window.h"
#include "generator/addon_run.h"
#include "intake/analysis.h"
#include "packing/packing_page.h"
#include "platform/files.h"
#include "tools/qt_shell.h"
#include "rfa/reader.h"
#include "support/consoles.h"
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
    const std::string program = tmp.dir() + "Tarnwick/";
    for (const char* folder : {"bf1942/levels", "temp/con files", "Network"}) fs::create_directories(program + folder);
    fs::copy_file(std::string(TW_PROGRAM_DIR) + "/tarnwick-batch", program + "tarnwick-batch");
    for (const char* t : {"conditions.con", "strategies.con", "prerequisites.con"})
        fs::copy_file(std::string(TW_PROGRAM_DIR) + "/temp/con files/" + t, program + "temp/con files/" + t);
    fs::create_directories(tmp.path() / "Archives");

    // The add-on of the sample level, made as the wizard makes it.
    ConversionState made;
    const std::string folder =
        intake::takeLevelFolder(made, std::string(TW_PROGRAM_DIR) + "/samples/DemoMap/init.con");
    intake::analyse(made, program, false, folder);
    generator::runAddon(made, program, {});
    const std::string addon = made.LevelDir;

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
        QTest::mouseClick(s.form.t4->Button7, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !s.messages.infos.empty() || !s.messages.errors.empty(); }, 20000));
        EXPECT_EQ(s.messages.infos, std::vector<std::string>{"Done"}) << ::testing::PrintToString(s.messages.errors);
        const std::string archive = tmp.dir() + "Archives/DemoMap_001.rfa";
        const auto names = namesIn(archive);
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level1Map.raw"));
        EXPECT_TRUE(names.count("bf1942/levels/DemoMap/Pathfinding/Infantry1Level0Map.raw"));
        EXPECT_FALSE(names.count("bf1942/levels/DemoMap/Pathfinding/Tank0Level0Map8Bit.raw"));
        EXPECT_EQ(entryText(archive, "bf1942/levels/DemoMap/ai.con").find("ai.createallmaps"), std::string::npos);
        closeConsoles();
    }

    // Network merge of the sample archive and the add-on archive.
    {
        fs::create_directories(tmp.path() / "Maps");
        fs::copy_file(std::string(TW_PROGRAM_DIR) + "/samples/DemoMap.rfa", tmp.path() / "Maps/DemoMap.rfa");
        Session s(program);
        PackingPage& page = *s.form.t4;
        s.dialogs.answer(tmp.dir() + "Maps/DemoMap.rfa");
        QTest::mouseClick(page.Image13, Qt::LeftButton);
        s.dialogs.answer(tmp.dir() + "Archives/DemoMap_001.rfa");
        QTest::mouseClick(page.Image14, Qt::LeftButton);
        QTest::mouseClick(page.Button10, Qt::LeftButton);
        const std::string merged = program + "Network/bf1942/levels/DemoMap/";
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
        closeConsoles();
    }
}

} // namespace
} // namespace tw
