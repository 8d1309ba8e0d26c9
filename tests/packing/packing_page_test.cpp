#include "app/main_window.h"
#include "packing/packing_page.h"
#include "packing/packing_rules.h"
#include "platform/files.h"
#include "support/scripted.h"
#include "support/temp_folder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace tw {
namespace {

using test::InFolder;
using test::ScriptedServices;
using test::TempFolder;

std::string s(const QString& q) { return q.toStdString(); }

// The packing page with ProgramDir "C:\Tools\" as a folder relative to a
// temporary current folder, so the Windows examples run as they stand.
struct Packing {
    Packing() : in(tmp.path()), scripted("C:\\Tools\\"), form(scripted.services), page(*form.t4) {
        fs::create_directories("C:/Tools/temp");
        fs::create_directories("C:/Tools/Network");
    }
    void click(QWidget* w) {
        // Check boxes react only on their box and caption: click there.
        if (qobject_cast<QCheckBox*>(w)) QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2));
        else QTest::mouseClick(w, Qt::LeftButton);
    }
    void finishBatch(size_t i, bool ok = true) { scripted.shell.finishers.at(i)(ok); }
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 3000); }
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
    p.scripted.dialogs.answer("D:\\Games\\Battlefield 1942\\BF1942.exe");
    p.page.Image9Click();
    EXPECT_EQ(p.scripted.dialogs.requests.back().filter, "BF1942.exe |BF1942.exe");
    EXPECT_EQ(s(p.page.Edit4->text()), "D:\\Games\\Battlefield 1942\\");
    EXPECT_EQ(p.form.state.GamePath, "D:\\Games\\Battlefield 1942\\");
    p.page.GroupBox14->setEnabled(true);
    p.click(p.page.Button5);
    EXPECT_EQ(p.tmp.read("C:/Tools/memory.bf"), "D:\\Games\\Battlefield 1942\\");
    EXPECT_EQ(p.tmp.read("C:/Tools/memory.bf").size(), 26u);
    EXPECT_TRUE(p.page.GroupBox13->isEnabled());
    // A folder typed by hand is saved but is not this run's game folder.
    p.page.Edit4->setText("E:\\Other\\");
    p.click(p.page.Button5);
    EXPECT_EQ(p.tmp.read("C:/Tools/memory.bf"), "E:\\Other\\");
    EXPECT_EQ(p.form.state.GamePath, "D:\\Games\\Battlefield 1942\\");
}

TEST(GameFolder, TheDesignTextIsSavedUnchanged) {
    Packing p;
    p.page.Button5Click();
    EXPECT_EQ(p.tmp.read("C:/Tools/memory.bf"), "BF Pfad");
}

// The first packing with the example values.
struct FirstPacking : Packing {
    FirstPacking() {
        form.state.MapName = "MyMap";
        form.state.LevelDir = "C:\\Tools\\bf1942\\levels\\MyMap_001\\";
        form.state.GamePath = "D:\\Games\\Battlefield 1942\\";
        scripted.dialogs.answer("D:\\Archives\\MyMap_001");
        click(page.Label42);
    }
};

TEST(FirstPackingTest, WritesThePackScriptWaitsAndSavesTheState) {
    FirstPacking p;
    const FileDialogRequest& request = p.scripted.dialogs.requests.back();
    EXPECT_EQ(request.name, "rfapacks");
    EXPECT_EQ(request.proposedName, "MyMap_001");
    EXPECT_EQ(request.filter, "Refractor Archive Levels (*.rfa)|*.rfa");
    EXPECT_EQ(p.tmp.read("C:/Tools/pack.bat"),
              "rfaPack.exe bf1942\\levels\\MyMap_001  bf1942/levels/MyMap \"MyMap_001.rfa\"\r\n"
              "copy \"C:\\Tools\\MyMap_001.rfa\" \"D:\\Archives\\MyMap_001.rfa\"");
    ASSERT_EQ(p.scripted.shell.batches.size(), 1u);
    EXPECT_EQ(p.scripted.shell.batches[0].name, "pack.bat");
    EXPECT_EQ(p.scripted.shell.batches[0].folder, "C:\\Tools\\");
    EXPECT_EQ(p.page.packbar->value(), 66);
    EXPECT_FALSE(p.page.packbar->isHidden());
    EXPECT_TRUE(p.page.Label42->isHidden());

    p.tmp.write("C:/Tools/MyMap_001.rfa", "archive");
    ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 78; }));
    EXPECT_FALSE(fs::exists("C:/Tools/temp/pathf.bf"));
    p.tmp.write("D:/Archives/MyMap_001.rfa", "archive");
    ASSERT_TRUE(p.waitFor([&] { return p.page.packbar->value() == 100; }));
    EXPECT_EQ(p.tmp.read("C:/Tools/temp/pathf.bf"),
              "C:\\Tools\\bf1942\\levels\\MyMap_001\\\r\nD:\\Games\\Battlefield 1942\\\r\nD:\\Archives\\MyMap_001\r\nMyMap\r\n");
    EXPECT_TRUE(p.scripted.messages.errors.empty());
}

TEST(FirstPackingTest, AnEndedBatchWithoutArchiveEndsTheWaitWithAMessage) {
    FirstPacking p;
    p.finishBatch(0, false);
    ASSERT_TRUE(p.waitFor([&] { return !p.scripted.messages.errors.empty(); }));
    EXPECT_NE(p.scripted.messages.errors[0].find("C:\\Tools\\MyMap_001.rfa was not made"), std::string::npos)
        << p.scripted.messages.errors[0];
    EXPECT_FALSE(fs::exists("C:/Tools/temp/pathf.bf"));
    QTest::qWait(3 * PackingPage::kPollMilliseconds);
    EXPECT_EQ(p.scripted.messages.errors.size(), 1u);  // the wait is over
}

TEST(FirstPackingTest, CancellingChangesNothing) {
    Packing p;
    p.form.state.MapName = "MyMap";
    p.click(p.page.Label42);
    p.click(p.page.Label42);
    EXPECT_EQ(p.scripted.dialogs.requests.size(), 2u);
    EXPECT_EQ(p.scripted.dialogs.requests[1].proposedName, "MyMap_001");
    EXPECT_TRUE(p.page.packbar->isHidden());
    EXPECT_FALSE(fs::exists("C:/Tools/pack.bat"));
}

// The pathmap transfer after a restart: the state comes from pathf.bf.
struct Transfer : Packing {
    Transfer() {
        tmp.write("C:/Tools/temp/pathf.bf",
                  "C:\\Tools\\bf1942\\levels\\MyMap_001\\\r\nD:\\Games\\Battlefield 1942\\\r\nD:\\Archives\\MyMap_001\r\nMyMap\r\n");
        tmp.write("C:/Tools/bf1942/levels/MyMap_001/ai.con", "run ai/Strategies.con\r\nai.createallmaps\r\nrem end\r\n");
        fs::create_directories("C:/Tools/bf1942/levels/MyMap_001/Pathfinding");
    }
    std::string pathmaps = "D:/Games/Battlefield 1942/bf1942/levels/MyMap/Pathfinding/";
};

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
        t.tmp.write("C:/Tools/bf1942/levels/MyMap_001/ai.con", c.aiCon);
        fs::create_directories(t.pathmaps);
        t.click(t.page.Button6);
        EXPECT_TRUE(t.scripted.messages.errors.empty());
        EXPECT_EQ(t.tmp.read("C:/Tools/bf1942/levels/MyMap_001/ai.con"), c.after);
        EXPECT_EQ(t.form.state.LevelDir, "C:\\Tools\\bf1942\\levels\\MyMap_001\\");
        EXPECT_EQ(t.form.state.GamePath, "D:\\Games\\Battlefield 1942\\");
        EXPECT_EQ(t.form.state.PackTarget, "D:\\Archives\\MyMap_001");
        EXPECT_EQ(t.form.state.MapName, "MyMap");
    }
}

TEST(PathmapTransfer, TakesTheRawFilesButTheFiveLevelZeroMaps) {
    Transfer t;
    for (const char* f : {"Tank0Level0Map8Bit.raw", "Tank0Level1Map.raw", "tank0level0map8bit.raw", "Infantry1Level0Map.RAW",
                          "notes.txt", ".hidden.raw", "Boat2Level0Map8Bit.raw"})
        t.tmp.write(t.pathmaps + f, f);
    fs::create_directories(t.pathmaps + "folder.raw");
    t.click(t.page.Button6);
    ASSERT_TRUE(t.scripted.messages.errors.empty()) << t.scripted.messages.errors[0];
    QStringList listed;
    for (int i = 0; i < t.page.FileListBox2->count(); ++i) listed << t.page.FileListBox2->item(i)->text();
    EXPECT_EQ(listed, (QStringList{"Boat2Level0Map8Bit.raw", "Infantry1Level0Map.RAW", "Tank0Level0Map8Bit.raw",
                                   "tank0level0map8bit.raw", "Tank0Level1Map.raw"}));
    std::vector<std::string> copied;
    for (const auto& e : fs::directory_iterator("C:/Tools/bf1942/levels/MyMap_001/Pathfinding"))
        copied.push_back(e.path().filename().string());
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied, (std::vector<std::string>{"Infantry1Level0Map.RAW", "Tank0Level1Map.raw", "tank0level0map8bit.raw"}));
    EXPECT_EQ(t.tmp.read("C:/Tools/bf1942/levels/MyMap_001/Pathfinding/Tank0Level1Map.raw"), "Tank0Level1Map.raw");
}

TEST(PathmapTransfer, MissingFilesAndFolders) {
    {
        Packing p;  // no pathf.bf
        p.click(p.page.Button6);
        ASSERT_EQ(p.scripted.messages.errors.size(), 1u);
        EXPECT_EQ(p.scripted.messages.errors[0].rfind("Datei C:\\Tools\\temp\\pathf.bf kann nicht ge\xC3\xB6" "ffnet werden.", 0), 0u);
        EXPECT_EQ(p.form.state.LevelDir, "");
    }
    {
        Transfer t;
        fs::remove("C:/Tools/bf1942/levels/MyMap_001/ai.con");
        t.click(t.page.Button6);
        ASSERT_EQ(t.scripted.messages.errors.size(), 1u);
        EXPECT_NE(t.scripted.messages.errors[0].find("MyMap_001\\ai.con kann nicht"), std::string::npos);
        EXPECT_EQ(t.form.state.MapName, "MyMap");  // restored before the failure
    }
    {
        Transfer t;  // the game made no pathmaps folder
        fs::create_directories("D:/Games/Battlefield 1942/bf1942/levels/MyMap");
        t.click(t.page.Button6);
        ASSERT_EQ(t.scripted.messages.errors.size(), 1u);
        EXPECT_EQ(t.scripted.messages.errors[0], "Datei nicht gefunden.");
        EXPECT_EQ(t.tmp.read("C:/Tools/bf1942/levels/MyMap_001/ai.con"), "run ai/Strategies.con\r\nrem end\r\n");
    }
    {
        Transfer t;
        t.click(t.page.Button6);
        EXPECT_EQ(t.scripted.messages.errors.at(0), "Ung\xC3\xBCltiger Dateiname.");
    }
}

TEST(FinalPacking, ReportsDoneOnlyForANewArchive) {
    Transfer t;
    fs::create_directories(t.pathmaps);
    t.click(t.page.Button6);
    t.tmp.write("C:/Tools/MyMap_001.rfa", "old archive");
    t.tmp.write("C:/Tools/pack.bat", "unchanged");
    t.click(t.page.Button7);
    ASSERT_EQ(t.scripted.shell.batches.size(), 1u);
    EXPECT_EQ(t.tmp.read("C:/Tools/pack.bat"), "unchanged");  // started again as it was
    QTest::qWait(3 * PackingPage::kPollMilliseconds);
    EXPECT_TRUE(t.scripted.messages.infos.empty());  // the batch has not ended
    t.finishBatch(0, false);
    ASSERT_TRUE(t.waitFor([&] { return !t.scripted.messages.errors.empty(); }));
    EXPECT_NE(t.scripted.messages.errors[0].find("without making a new"), std::string::npos);
    EXPECT_FALSE(fs::exists("D:/Archives/MyMap_001.rfa"));

    fs::create_directories("D:/Archives");
    t.click(t.page.Button7);
    writeBytes("C:\\Tools\\MyMap_001.rfa", "new archive");  // appears as the packer makes it
    t.finishBatch(1);
    ASSERT_TRUE(t.waitFor([&] { return !t.scripted.messages.infos.empty(); })) << ::testing::PrintToString(t.scripted.messages.errors);
    EXPECT_EQ(t.scripted.messages.infos, std::vector<std::string>{"Done"});
    EXPECT_EQ(t.tmp.read("D:/Archives/MyMap_001.rfa"), "new archive");
}

TEST(FinalPacking, WithoutATargetItSaysSoInsteadOfWaiting) {
    Packing p;
    p.click(p.page.Button7);
    ASSERT_EQ(p.scripted.messages.errors.size(), 1u);
    EXPECT_NE(p.scripted.messages.errors[0].find("It is not known where the add-on archive goes"), std::string::npos);
    EXPECT_TRUE(p.scripted.shell.batches.empty());
}

// The network box with the example values.
struct Network : Packing {
    Network() {
        scripted.dialogs.answer("D:\\Maps\\MyMap.rfa");
        click(page.Image13);
        scripted.dialogs.answer("D:\\Maps\\MyMap_001.rfa");
        click(page.Image14);
        tmp.write("D:/Maps/MyMap_001.rfa", "addon");
    }
};

TEST(NetworkMerge, ScriptsOfTheExample) {
    Network n;
    EXPECT_EQ(n.form.state.NetMapName, "MyMap");
    EXPECT_EQ(s(n.page.Edit6->text()), "D:\\Maps\\MyMap.rfa");
    EXPECT_EQ(n.form.state.NetAddonName, "MyMap_001");
    EXPECT_EQ(s(n.page.Edit7->text()), "D:\\Maps\\MyMap_001.rfa");
    EXPECT_FALSE(n.page.Button8->isEnabled());
    n.click(n.page.Button10);
    EXPECT_EQ(n.tmp.read("C:/Tools/Network/unpack.bat"),
              "copy \"D:\\Maps\\MyMap.rfa\" \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
              "rfaunpack.exe MyMap.rfa\r\n"
              "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n"
              "copy \"D:\\Maps\\MyMap_001.rfa\" \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n"
              "rfaunpack.exe MyMap_001.rfa\r\n"
              "del \"C:\\Tools\\Network\\MyMap_001.rfa\"\r\n");
    EXPECT_EQ(n.scripted.shell.batches.at(0).folder, "C:\\Tools\\Network\\");
    EXPECT_TRUE(n.page.Button8->isEnabled());

    // Connecting before the unpack batch has ended is refused.
    n.click(n.page.Button8);
    ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
    EXPECT_FALSE(fs::exists("C:/Tools/Network/pack.bat"));
    n.finishBatch(0);
    for (int twice = 0; twice < 2; ++twice) {
        n.click(n.page.Button8);
        EXPECT_EQ(n.tmp.read("C:/Tools/Network/pack.bat"),
                  "rfaPack.exe bf1942\\levels\\MyMap bf1942/levels/MyMap \"MyMap.rfa\"\r\n"
                  "copy \"C:\\Tools\\Network\\MyMap.rfa\" \"D:\\Maps\\MyMap.rfa\"\r\n"
                  "del \"C:\\Tools\\Network\\MyMap.rfa\"\r\n");
    }
    EXPECT_EQ(n.scripted.messages.infos, (std::vector<std::string>{"Done", "Done"}));
    EXPECT_EQ(n.tmp.read("D:/Maps/MyMap_001.rfa"), "addon");  // "let it be"
    EXPECT_FALSE(fs::exists("C:/Tools/Network/bf1942/levels/MyMap/Coop.con"));  // no fix asked for
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
    n.scripted.dialogs.answer(std::nullopt);
    n.click(n.page.Button9);
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(n.scripted.dialogs.requests.back().proposedName, "MyMap_001.rfa");
    EXPECT_EQ(n.form.state.NetAddonBackup, "");
    n.scripted.dialogs.answer("E:\\Backup\\MyMap_001.rfa");
    n.click(n.page.Button9);
    EXPECT_EQ(n.form.state.NetAddonBackup, "E:\\Backup\\MyMap_001.rfa");
}

TEST(NetworkMerge, DeleteBackupAndTheNetworkFix) {
    {
        Network n;  // delete it
        n.click(n.page.Button10);
        n.finishBatch(0);
        n.click(n.page.fix1);
        n.page.oldfix->setChecked(true);
        fs::create_directories("C:/Tools/Network/bf1942/levels/MyMap/GameTypes");
        n.click(n.page.Button8);
        EXPECT_FALSE(fs::exists("D:/Maps/MyMap_001.rfa"));
        EXPECT_EQ(n.tmp.read("C:/Tools/Network/bf1942/levels/MyMap/Coop.con").rfind("Game.setNumberOfTickets 1 100\r\n", 0), 0u);
        EXPECT_NE(n.tmp.read("C:/Tools/Network/bf1942/levels/MyMap/GameTypes/Coop.con").find("if v_arg1== host"),
                  std::string::npos);
        EXPECT_TRUE(fs::exists("C:/Tools/Network/pack.bat"));
    }
    {
        Network n;  // backup without a target: nothing deleted, nothing packed
        n.click(n.page.Button10);
        n.finishBatch(0);
        n.click(n.page.fix2);
        n.click(n.page.Button8);
        ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
        EXPECT_TRUE(fs::exists("D:/Maps/MyMap_001.rfa"));
        EXPECT_FALSE(fs::exists("C:/Tools/Network/pack.bat"));
    }
    {
        Network n;  // backup to a folder that does not exist: nothing deleted
        n.scripted.dialogs.answer("E:\\NoSuchFolder\\MyMap_001.rfa");
        n.click(n.page.Button9);
        n.click(n.page.Button10);
        n.finishBatch(0);
        n.click(n.page.Button8);
        ASSERT_EQ(n.scripted.messages.errors.size(), 1u);
        EXPECT_TRUE(fs::exists("D:/Maps/MyMap_001.rfa"));
    }
    {
        Network n;  // backup, then delete
        fs::create_directories("E:/Backup");
        n.scripted.dialogs.answer("E:\\Backup\\MyMap_001.rfa");
        n.click(n.page.Button9);
        n.click(n.page.Button10);
        n.finishBatch(0);
        n.click(n.page.Button8);
        EXPECT_TRUE(n.scripted.messages.errors.empty());
        EXPECT_EQ(n.tmp.read("E:/Backup/MyMap_001.rfa"), "addon");
        EXPECT_FALSE(fs::exists("D:/Maps/MyMap_001.rfa"));
    }
}

} // namespace
} // namespace tw
