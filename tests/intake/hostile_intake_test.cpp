// The map intake page against hostile choices: an archive name the unpack
// script cannot carry, a terrain file that is a pipe or a device.
#include "app/main_window.h"
#include "intake/map_page.h"
#include "support/checksums.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::ScriptedServices;
using test::TempFolder;

struct Wizard {
    Wizard() : program(tmp.dir() + "Tarnwick/"), scripted(program), form(scripted.services), page(*form.t1) {
        tmp.write("Tarnwick/memory.bf", "C:\\Games\\");
        tmp.write("Tarnwick/unpack.bat", "rfaunpack.exe Older.rfa \r\n");
        fs::create_directories(program + "bf1942/levels");
    }
    TempFolder tmp;
    std::string program;
    ScriptedServices scripted;
    TForm1 form;
    MapPage& page;
};

TEST(HostileIntake, AnArchiveNameTheScriptCannotCarryIsRefusedAndNothingChanges) {
    Wizard w;
    const std::string name = "x.rfa\" \"memory.bf\" \"tarnwick.rfa";
    w.tmp.write("downloads/" + name, "archive");
    const auto programBefore = test::folderChecksums(w.program);
    const auto sourceBefore = test::folderChecksums(w.tmp.path() / "downloads");
    w.scripted.dialogs.answer(w.tmp.dir() + "downloads/" + name);
    emit w.page.Image12->clicked();
    ASSERT_EQ(w.scripted.messages.errors.size(), 1u);
    EXPECT_EQ(w.scripted.messages.errors[0], "The name \"" + w.tmp.dir() + "downloads/" + name +
                                                 "\" cannot be written into unpack.bat: it holds the double quote \", which "
                                                 "a batch line cannot carry. Rename it and choose it again.");
    EXPECT_TRUE(w.scripted.shell.batches.empty());
    EXPECT_EQ(w.page.Edit3->text().toStdString(), "Path");
    EXPECT_TRUE(w.page.pack->isEnabled());
    EXPECT_TRUE(w.form.state.MapName.empty());
    EXPECT_EQ(test::folderChecksums(w.program), programBefore);
    EXPECT_EQ(test::folderChecksums(w.tmp.path() / "downloads"), sourceBefore);
}

#ifndef _WIN32
// Named pipes and devices in a folder are POSIX files.
TEST(HostileIntake, ATerrainFileThatIsAPipeOrADeviceIsRefusedAtOnce) {
    for (bool pipe : {true, false}) {
        Wizard w;
        w.tmp.write("Map/init.con", "");
        const fs::path terrain = w.tmp.path() / "Map/init/terrain.con";
        fs::create_directories(terrain.parent_path());
        if (pipe) ASSERT_EQ(::mkfifo(terrain.c_str(), 0644), 0);
        else fs::create_symlink("/dev/zero", terrain);
        w.page.unpack->setChecked(true);
        w.scripted.dialogs.answer(w.tmp.dir() + "Map/init.con");
        emit w.page.Image12->clicked();
        const auto before = test::folderChecksums(w.tmp.path());
        QTest::mouseClick(w.page.Button1, Qt::LeftButton);  // would never return if the pipe were waited on
        ASSERT_EQ(w.scripted.messages.errors.size(), 1u);
        EXPECT_EQ(w.scripted.messages.errors[0], "The level file " + w.tmp.dir() +
                                                     "Map/init/terrain.con is not an ordinary file (a pipe, a device or "
                                                     "a folder); it was not read.");
        EXPECT_TRUE(w.page.GroupBox7->isEnabled());
        EXPECT_EQ(w.form.state.WorldSize, 0);
        EXPECT_EQ(test::folderChecksums(w.tmp.path()), before);
    }
}
#endif

} // namespace
} // namespace tw
